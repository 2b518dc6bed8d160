// SPDX-License-Identifier: Apache-2.0
#include "LanguageStore.h"

#include "automation/AutomationError.h"
#include "automation/Text.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>
#include <vector>

namespace TextStore {

namespace {

using Automation::utf16;
using Automation::utf8;

constexpr char16_t Separator = 0x1F; // cannot occur in application or language names

[[noreturn]] void invalid(const std::u16string &path, std::size_t line, std::u16string_view reason)
{
    Automation::raise(Automation::InvalidFileFormat, u"Invalid file format: " + path + u", line " +
                                                         Automation::decimal(std::int64_t(line)) +
                                                         u": " + std::u16string(reason));
}

[[noreturn]] void accessError(const std::u16string &path, const std::error_code &error)
{
    Automation::raise(Automation::PathFileAccessError,
                      u"Path/File access error: " + path + u": " + utf16(error.message()));
}

// The failure of the last file operation of the standard library, which keeps errno.
std::error_code lastError()
{
    return std::error_code(errno != 0 ? errno : EIO, std::generic_category());
}

// White space as Unicode has it: what translators may leave around keys and texts.
bool isSpace(char16_t c)
{
    return (c >= u'\t' && c <= u'\r') || c == u' ' || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::u16string_view trimmed(std::u16string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::u16string unescape(std::u16string_view text, const std::u16string &path, std::size_t line)
{
    std::u16string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            result += text[i];
            continue;
        }
        if (++i == text.size())
            invalid(path, line, u"a text ends with a lone \\");
        switch (text[i]) {
        case u'r':
            result += u'\r';
            break;
        case u'n':
            result += u'\n';
            break;
        case u't':
            result += u'\t';
            break;
        case u's':
            result += u' ';
            break;
        case u'\\':
            result += u'\\';
            break;
        default:
            invalid(path, line, u"unknown escape \\" + std::u16string(1, text[i]));
        }
    }
    return result;
}

std::u16string escape(const std::u16string &text)
{
    std::u16string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\\')
            result += u"\\\\";
        else if (c == u'\r')
            result += u"\\r";
        else if (c == u'\n')
            result += u"\\n";
        else if (c == u'\t')
            result += u"\\t";
        else if (c == u' ' && (i == 0 || i == text.size() - 1))
            result += u"\\s";
        else
            result += c;
    }
    return result;
}

// The text of the bytes' first line, without a byte order mark and blanks.
std::u16string firstLine(std::string_view bytes)
{
    std::string_view line = bytes.substr(0, bytes.find('\n'));
    if (line.substr(0, 3) == "\xEF\xBB\xBF")
        line.remove_prefix(3);
    return std::u16string(trimmed(utf16(line)));
}

std::filesystem::path pathOf(const std::u16string &path)
{
    return std::filesystem::path(path);
}

// A name for the new copy beside `target`, which no other writer picks at the same time.
std::filesystem::path besideName(const std::filesystem::path &target)
{
    static std::mt19937_64 random{std::random_device{}()};
    std::filesystem::path name = target;
    name += "." + std::to_string(random() % 1000000000) + ".new";
    return name;
}

} // namespace

void LanguageStore::Initialize(const std::u16string &application, const std::u16string &language)
{
    m_application = application;
    m_language = language;
}

void LanguageStore::Clear()
{
    m_texts.clear();
}

std::u16string LanguageStore::fullKey(const std::u16string &key, const std::u16string &application,
                                      const std::u16string &language) const
{
    const std::u16string &app = application.empty() ? m_application : application;
    const std::u16string &lang = language.empty() ? m_language : language;
    return Automation::lowerCase(app) + Separator + Automation::lowerCase(lang) + Separator + key;
}

void LanguageStore::AddEntry(const std::u16string &key, const std::u16string &application,
                             const std::u16string &language, const std::u16string &text)
{
    m_texts[fullKey(key, application, language)] = text;
}

std::u16string LanguageStore::Entry(const std::u16string &key, const std::u16string &application,
                                    const std::u16string &language) const
{
    const auto found = m_texts.find(fullKey(key, application, language));
    return found == m_texts.end() ? std::u16string() : found->second;
}

void LanguageStore::SaveFile(const std::u16string &path, const std::u16string &language) const
{
    const std::u16string prefix = fullKey({}, {}, language);
    std::vector<std::u16string> lines;
    for (const auto &[key, text] : m_texts) {
        if (key.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(key.substr(prefix.size()) + u" = " + escape(text));
    }
    std::sort(lines.begin(), lines.end());
    std::u16string text = std::u16string(Signature) + u"\nApplication = " + m_application +
                          u"\nLanguage = " + (language.empty() ? m_language : language) +
                          u"\n\n[Texts]\n";
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? u"" : u"\n") + lines[i];
    const std::string bytes = utf8(text + u'\n');

    // A new copy beside the file (the target of a symbolic link), with the file's
    // permissions, renamed over it once whole.
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target = pathOf(path);
    for (int depth = 0; depth < 128 && fs::is_symlink(target, error); ++depth)
        target = target.parent_path() / fs::read_symlink(target, error);
    const fs::file_status was = fs::status(target, error);
    if (fs::exists(was)) {
        // Opened to append, it changes in nothing.
        if (!std::ofstream(target, std::ios::binary | std::ios::app))
            Automation::raise(Automation::PathFileAccessError,
                              u"Path/File access error: " + path + u": Existing file " +
                                  target.u16string() + u" is not writable");
    }
    const fs::path copy = besideName(target);
    errno = 0;
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    if (!out)
        accessError(path, lastError());
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    error.clear();
    if (!out)
        error = lastError();
    if (!error && fs::exists(was))
        fs::permissions(copy, was.permissions(), error);
    if (!error)
        fs::rename(copy, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(copy, ignored);
        accessError(path, error);
    }
}

void LanguageStore::LoadFile(const std::u16string &path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(pathOf(path), error))
        Automation::raise(Automation::FileNotFound, u"File not found: " + path);
    errno = 0;
    std::ifstream in(pathOf(path), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad())
        accessError(path, lastError());
    if (firstLine(bytes) != Signature)
        invalid(path, 1, u"the first line is not \"" + std::u16string(Signature) + u"\"");
    // Only UTF-8 converts there and back unchanged.
    std::u16string text = utf16(bytes);
    if (utf8(text) != bytes)
        invalid(path, 0, u"the file is not UTF-8 text");
    if (text.compare(0, 1, u"\uFEFF") == 0)
        text.erase(0, 1);

    // Everything is checked before the first text is filed, so a damaged file
    // files nothing.
    std::vector<std::u16string_view> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(u'\n', start);
        lines.push_back(std::u16string_view(text).substr(start, end - start));
        if (end == std::u16string::npos)
            break;
        start = end + 1;
    }
    std::u16string application;
    std::u16string language;
    bool inTexts = false;
    std::vector<std::pair<std::u16string, std::u16string>> texts;
    for (std::size_t number = 2; number <= lines.size(); ++number) {
        const std::u16string_view line = trimmed(lines[number - 1]);
        if (line.empty() || line.front() == u'#')
            continue;
        if (line == u"[Texts]") {
            if (application.empty() || language.empty())
                invalid(path, number, u"[Texts] comes before Application and Language");
            inTexts = true;
            continue;
        }
        const std::size_t equals = line.find(u'=');
        const std::u16string key(trimmed(line.substr(0, equals)));
        if (equals == std::u16string_view::npos || key.empty())
            invalid(path, number, u"expected Key = Text");
        std::u16string value = unescape(trimmed(line.substr(equals + 1)), path, number);
        if (inTexts)
            texts.emplace_back(key, std::move(value));
        else if (Automation::equalIgnoringCase(key, u"Application"))
            application = std::move(value);
        else if (Automation::equalIgnoringCase(key, u"Language"))
            language = std::move(value);
        else
            invalid(path, number, u"unknown header line \"" + key + u"\"");
    }
    if (!inTexts)
        invalid(path, lines.size(), u"the file has no [Texts] section");
    for (const auto &[key, value] : texts)
        AddEntry(key, application, language, value);
}

bool LanguageStore::IsForeignFile(const std::u16string &path)
{
    std::error_code error;
    std::ifstream in(pathOf(path), std::ios::binary);
    if (!in || std::filesystem::is_directory(pathOf(path), error))
        return false;
    std::string head(256, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    head.resize(std::size_t(in.gcount()));
    return firstLine(head) != Signature;
}

} // namespace TextStore

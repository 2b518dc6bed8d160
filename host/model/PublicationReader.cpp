// SPDX-License-Identifier: Apache-2.0
#include "PublicationReader.h"

#include "PublicationNode.h"
#include "PublicationTree.h"
#include "automation/Text.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>
#include <vector>

namespace Host::PublicationReader {

namespace {

using Automation::utf16;

struct ReadError
{
    std::int64_t line;
    std::u16string message;
};

// One XML event: an element's start (its end follows at once when it is empty), an
// element's end, or character data.
struct Token
{
    enum Kind
    {
        Start,
        End,
        Characters,
        Done
    } kind = Done;
    std::u16string name;
    std::map<std::u16string, std::u16string> attributes;
    bool empty = false; // <name/>
    std::u16string text;
};

// The parser of the publication's XML. Its own errors read as the common XML readers'
// do ("Premature end of document."); the line is where reading stopped.
class Parser
{
public:
    explicit Parser(std::string_view xml) : m_in(xml)
    {
        if (m_in.starts_with("\xEF\xBB\xBF"))
            m_pos = 3;
    }

    [[noreturn]] void fail(const std::u16string &message) { throw ReadError{line(), message}; }

    std::int64_t line()
    {
        for (; m_counted < m_pos && m_counted < m_in.size(); ++m_counted)
            m_line += m_in[m_counted] == '\n';
        return m_line;
    }

    Token next()
    {
        for (;;) {
            if (m_pos >= m_in.size()) {
                if (!m_open.empty() || !m_rootSeen)
                    fail(u"Premature end of document.");
                return {};
            }
            if (m_in[m_pos] != '<') {
                Token text = characters();
                if (!m_open.empty())
                    return text;
                if (!isWhitespace(text.text))
                    fail(m_rootSeen ? u"Extra content at end of document."
                                    : u"Start tag expected.");
                continue;
            }
            if (skip("<?", "?>") || skip("<!--", "-->"))
                continue;
            if (m_in.substr(m_pos).starts_with("<![CDATA[")) {
                if (m_open.empty())
                    fail(u"Unexpected '<![CDATA['.");
                m_pos += 9;
                const std::size_t end = m_in.find("]]>", m_pos);
                if (end == std::string_view::npos)
                    premature();
                Token token{
                    Token::Characters, {}, {}, false, utf16(m_in.substr(m_pos, end - m_pos))};
                m_pos = end + 3;
                return token;
            }
            if (m_in.substr(m_pos).starts_with("<!")) {
                if (m_rootSeen)
                    fail(u"Extra content at end of document.");
                doctype();
                continue;
            }
            if (m_in.substr(m_pos).starts_with("</"))
                return endTag();
            return startTag();
        }
    }

    static bool isWhitespace(std::u16string_view text)
    {
        return text.find_first_not_of(u" \t\r\n") == std::u16string_view::npos;
    }

private:
    [[noreturn]] void premature()
    {
        m_pos = m_in.size();
        fail(u"Premature end of document.");
    }

    // Skips a construct from `open` to `close`, when one starts here.
    bool skip(std::string_view open, std::string_view close)
    {
        if (!m_in.substr(m_pos).starts_with(open))
            return false;
        const std::size_t end = m_in.find(close, m_pos + open.size());
        if (end == std::string_view::npos)
            premature();
        m_pos = end + close.size();
        return true;
    }

    void doctype()
    {
        int depth = 0;
        for (m_pos += 2; m_pos < m_in.size(); ++m_pos) {
            const char c = m_in[m_pos];
            if (c == '[')
                ++depth;
            else if (c == ']')
                --depth;
            else if (c == '>' && depth <= 0) {
                ++m_pos;
                return;
            }
        }
        premature();
    }

    char peek() const { return m_pos < m_in.size() ? m_in[m_pos] : '\0'; }

    void skipBlanks()
    {
        while (m_pos < m_in.size() &&
               (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == '\n'))
            ++m_pos;
    }

    static bool nameStart(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
               static_cast<unsigned char>(c) >= 0x80;
    }
    static bool nameChar(char c)
    {
        return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }

    // "Expected '=', but got '/'.": a letter reads as [a-zA-Z], a digit as [0-9].
    [[noreturn]] void expected(const std::u16string &what)
    {
        if (m_pos >= m_in.size())
            premature();
        const char c = peek();
        std::u16string got = (c >= '0' && c <= '9') ? u"[0-9]"
                             : nameStart(c)         ? u"[a-zA-Z]"
                                                    : utf16(std::string(1, c));
        fail(u"Expected " + what + u", but got '" + got + u"'.");
    }

    std::u16string name()
    {
        const std::size_t start = m_pos;
        while (m_pos < m_in.size() && nameChar(peek()))
            ++m_pos;
        return utf16(m_in.substr(start, m_pos - start));
    }

    // An entity or character reference at '&', appended to `out` as UTF-8.
    void reference(std::string &out)
    {
        const std::size_t end = m_in.find(';', m_pos);
        if (end == std::string_view::npos)
            premature();
        const std::string_view ref = m_in.substr(m_pos + 1, end - m_pos - 1);
        static const std::map<std::string_view, std::string_view> predefined{
            {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}};
        if (ref.starts_with('#')) {
            const bool hex = ref.size() > 1 && ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            std::uint32_t code = 0;
            bool valid = !digits.empty() && digits.size() <= 8;
            for (const char c : digits) {
                const int digit = (c >= '0' && c <= '9')          ? c - '0'
                                  : hex && (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                  : hex && (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                                  : -1;
                valid = valid && digit >= 0;
                code = code * (hex ? 16u : 10u) + std::uint32_t(digit < 0 ? 0 : digit);
            }
            if (!valid || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
                fail(u"Invalid character reference.");
            std::u16string unit;
            if (code >= 0x10000)
                unit = {char16_t(0xD800 + ((code - 0x10000) >> 10)),
                        char16_t(0xDC00 + ((code - 0x10000) & 0x3FF))};
            else
                unit = {char16_t(code)};
            out += Automation::utf8(unit);
        } else if (const auto it = predefined.find(ref); it != predefined.end()) {
            out += it->second;
        } else {
            fail(u"Entity '" + utf16(ref) + u"' not declared.");
        }
        m_pos = end + 1;
    }

    Token characters()
    {
        std::string bytes;
        while (m_pos < m_in.size() && peek() != '<') {
            if (m_in.substr(m_pos).starts_with("]]>"))
                fail(u"Sequence ']]>' not allowed in content.");
            if (peek() == '&' && !m_open.empty())
                reference(bytes);
            else
                bytes += m_in[m_pos++];
        }
        return {Token::Characters, {}, {}, false, utf16(bytes)};
    }

    Token startTag()
    {
        if (m_rootSeen && m_open.empty())
            fail(u"Extra content at end of document.");
        ++m_pos;
        if (!nameStart(peek()))
            expected(u"'?', '!', or '[a-zA-Z]'");
        Token token{Token::Start, name(), {}, false, {}};
        for (;;) {
            const std::size_t before = m_pos;
            skipBlanks();
            if (peek() == '>') {
                ++m_pos;
                break;
            }
            if (peek() == '/') {
                ++m_pos;
                if (peek() != '>')
                    expected(u"'>'");
                ++m_pos;
                token.empty = true;
                break;
            }
            if (m_pos == before || !nameStart(peek()))
                expected(u"'>' or '/'");
            const std::u16string attribute = name();
            skipBlanks();
            if (peek() != '=')
                expected(u"'='");
            ++m_pos;
            skipBlanks();
            const char quote = peek();
            if (quote != '"' && quote != '\'')
                expected(u"''' or '\"'");
            ++m_pos;
            std::string value;
            while (peek() != quote) {
                if (m_pos >= m_in.size())
                    premature();
                if (peek() == '<')
                    fail(u"Unexpected '<'.");
                if (peek() == '&') {
                    reference(value);
                    continue;
                }
                const char c = m_in[m_pos++];
                value += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
            }
            ++m_pos;
            if (!token.attributes.emplace(attribute, utf16(value)).second)
                fail(u"Attribute '" + attribute + u"' redefined.");
        }
        m_rootSeen = true;
        if (!token.empty)
            m_open.push_back(token.name);
        return token;
    }

    Token endTag()
    {
        m_pos += 2;
        const std::u16string closed = name();
        skipBlanks();
        if (peek() != '>')
            expected(u"'>'");
        ++m_pos;
        if (m_open.empty() || m_open.back() != closed)
            fail(u"Opening and ending tag mismatch.");
        m_open.pop_back();
        return {Token::End, closed, {}, false, {}};
    }

    std::string_view m_in;
    std::size_t m_pos = 0;
    std::size_t m_counted = 0;
    std::int64_t m_line = 1;
    std::vector<std::u16string> m_open;
    bool m_rootSeen = false;
};

std::u16string nativeSeparators(const std::u16string &path)
{
    return std::filesystem::path(path).make_preferred().u16string();
}

// The element's name attribute, which books and nodes must have.
std::u16string nameOf(Parser &xml, const Token &element)
{
    const auto it = element.attributes.find(u"name");
    if (it == element.attributes.end())
        xml.fail(u"<" + element.name + u"> has no name attribute");
    return it->second;
}

std::u16string pdfPathOf(Parser &xml, const Token &element, const std::u16string &folder)
{
    const auto it = element.attributes.find(u"pdf");
    if (it == element.attributes.end())
        return {};
    if (Automation::trimmed(it->second).empty())
        xml.fail(u"the pdf attribute of a book is empty; leave it out for a book that is not "
                 u"published");
    const std::filesystem::path full = std::filesystem::path(folder) / it->second;
    return nativeSeparators(full.lexically_normal().u16string());
}

void readElements(Parser &xml, const std::u16string &folder, const std::u16string &fileName,
                  PublicationTree &tree)
{
    PublicationNode *current = nullptr; // the element being read; null outside the root
    for (Token token = xml.next(); token.kind != Token::Done; token = xml.next()) {
        switch (token.kind) {
        case Token::Start: {
            if (!current) {
                if (token.name != u"publication")
                    xml.fail(u"the document is a <" + token.name + u">, not a <publication>");
                const auto title = token.attributes.find(u"title");
                current = tree.createPublication(
                    title == token.attributes.end() ? std::u16string() : title->second, fileName);
            } else if (current == tree.publication()) {
                if (token.name != u"book")
                    xml.fail(u"<" + token.name +
                             u"> in <publication>, where only <book> elements belong");
                const std::u16string name = nameOf(xml, token);
                current = tree.addBook(name, pdfPathOf(xml, token, folder));
            } else {
                if (token.name != u"node")
                    xml.fail(u"<" + token.name + u"> in a book, where only <node> elements belong");
                current = tree.addNode(current, nameOf(xml, token), PublicationTree::NodeTag);
            }
            if (token.empty)
                current = current->parent();
            break;
        }
        case Token::End:
            current = current->parent();
            break;
        case Token::Characters:
            if (!Parser::isWhitespace(token.text)) {
                const std::u16string_view text = Automation::trimmed(token.text);
                xml.fail(u"unexpected text \"" + std::u16string(text.substr(0, 40)) + u"\"");
            }
            break;
        case Token::Done:
            break;
        }
    }
}

} // namespace

std::u16string readFile(const std::u16string &path, PublicationTree &tree)
{
    namespace fs = std::filesystem;
    errno = 0;
    std::ifstream file{fs::path(path), std::ios::binary};
    if (!file) {
        const int error = errno;
        tree.clear();
        return nativeSeparators(path) + u": " +
               (error ? utf16(std::generic_category().message(error)) : u"cannot be read");
    }
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::error_code ignored;
    const fs::path absolute = fs::absolute(fs::path(path), ignored).lexically_normal();
    return read(bytes, absolute.parent_path().u16string(), absolute.u16string(), tree);
}

std::u16string read(const std::string &xml, const std::u16string &folder,
                    const std::u16string &fileName, PublicationTree &tree)
{
    tree.clear();
    Parser parser(xml);
    try {
        readElements(parser, folder, fileName, tree);
        if (!tree.publication())
            parser.fail(u"the document has no <publication>");
        return {};
    } catch (const ReadError &error) {
        tree.clear();
        return nativeSeparators(fileName) + u", line " + Automation::decimal(error.line) + u": " +
               error.message;
    }
}

} // namespace Host::PublicationReader

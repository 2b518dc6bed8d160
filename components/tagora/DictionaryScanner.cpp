// SPDX-License-Identifier: Apache-2.0
#include "DictionaryScanner.h"

#include <climits>

namespace Tagora {

namespace {

bool isInteger(const QPDFTokenizer::Token &token, long long *value = nullptr)
{
    if (token.getType() != QPDFTokenizer::tt_integer)
        return false;
    try {
        const long long number = std::stoll(token.getValue());
        if (value)
            *value = number;
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

} // namespace

DictionaryScanner::DictionaryScanner(std::shared_ptr<InputSource> input) : m_input(std::move(input))
{}

DictionaryScanner::Token DictionaryScanner::next()
{
    if (!m_pending.empty()) {
        Token token = m_pending.back();
        m_pending.pop_back();
        return token;
    }
    QPDFTokenizer tokenizer;
    tokenizer.allowEOF();
    QPDFTokenizer::Token token = tokenizer.readToken(m_input, m_input->getName(), true);
    return {token, m_input->getLastOffset()};
}

void DictionaryScanner::unread(const Token &token)
{
    m_pending.push_back(token);
}

void DictionaryScanner::seek(qpdf_offset_t offset)
{
    m_pending.clear();
    m_input->seek(offset, SEEK_SET);
}

std::optional<qpdf_offset_t> DictionaryScanner::skipValue(const Token &first)
{
    switch (first.type()) {
    case QPDFTokenizer::tt_dict_open:
    case QPDFTokenizer::tt_array_open: {
        int depth = 1;
        for (;;) {
            const Token token = next();
            switch (token.type()) {
            case QPDFTokenizer::tt_dict_open:
            case QPDFTokenizer::tt_array_open:
                ++depth;
                break;
            case QPDFTokenizer::tt_dict_close:
            case QPDFTokenizer::tt_array_close:
                if (--depth == 0)
                    return token.end();
                break;
            case QPDFTokenizer::tt_eof:
            case QPDFTokenizer::tt_bad:
                return std::nullopt;
            default:
                break;
            }
        }
    }
    case QPDFTokenizer::tt_integer: {
        // "num gen R" is one value; two numbers not followed by R are not.
        const Token generation = next();
        if (isInteger(generation.token)) {
            const Token r = next();
            if (r.token.isWord("R"))
                return r.end();
            unread(r);
        }
        unread(generation);
        return first.end();
    }
    case QPDFTokenizer::tt_name:
    case QPDFTokenizer::tt_string:
    case QPDFTokenizer::tt_real:
    case QPDFTokenizer::tt_bool:
    case QPDFTokenizer::tt_null:
    case QPDFTokenizer::tt_word:
        return first.end();
    default:
        return std::nullopt;
    }
}

std::optional<std::vector<DictionaryScanner::Key>> DictionaryScanner::keys(qpdf_offset_t offset)
{
    seek(offset);
    if (next().type() != QPDFTokenizer::tt_dict_open)
        return std::nullopt;
    std::vector<Key> keys;
    std::vector<qpdf_offset_t> ends;
    for (;;) {
        const Token key = next();
        if (key.type() == QPDFTokenizer::tt_dict_close)
            break;
        if (key.type() != QPDFTokenizer::tt_name)
            return std::nullopt;
        const Token value = next();
        const std::optional<qpdf_offset_t> end = skipValue(value);
        if (!end)
            return std::nullopt;
        keys.push_back({key.token.getValue(),
                        value.offset,
                        {},
                        value.token,
                        *end == value.end() && value.type() != QPDFTokenizer::tt_dict_open &&
                            value.type() != QPDFTokenizer::tt_array_open});
        ends.push_back(*end);
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        keys[i].value.resize(size_t(ends[i] - keys[i].valueOffset));
        seek(keys[i].valueOffset);
        keys[i].value.resize(m_input->read(keys[i].value.data(), keys[i].value.size()));
    }
    return keys;
}

std::optional<qpdf_offset_t> DictionaryScanner::objectBody(qpdf_offset_t offset, QPDFObjGen object)
{
    if (objectAt(offset) != object)
        return std::nullopt;
    return m_input->tell();
}

std::optional<QPDFObjGen> DictionaryScanner::objectAt(qpdf_offset_t offset)
{
    seek(offset);
    long long number = -1;
    long long generation = -1;
    if (!isInteger(next().token, &number) || !isInteger(next().token, &generation) ||
        !next().token.isWord("obj") || number < 1 || number > INT_MAX || generation < 0 ||
        generation > 65535)
        return std::nullopt;
    return QPDFObjGen(int(number), int(generation));
}

std::optional<qpdf_offset_t> DictionaryScanner::trailerDictionary(qpdf_offset_t offset)
{
    seek(offset);
    const Token first = next();
    if (first.token.isWord("xref")) {
        // Subsection headers and entries are all numbers and the words n and f.
        for (;;) {
            const Token token = next();
            if (token.token.isWord("trailer"))
                return m_input->tell();
            if (token.type() != QPDFTokenizer::tt_integer && !token.token.isWord("n") &&
                !token.token.isWord("f"))
                return std::nullopt;
        }
    }
    if (isInteger(first.token) && isInteger(next().token) && next().token.isWord("obj"))
        return m_input->tell();
    return std::nullopt;
}

std::optional<DictionaryScanner::TableLookup> DictionaryScanner::tableEntry(qpdf_offset_t offset,
                                                                            int object)
{
    constexpr qpdf_offset_t EntrySize = 20;
    seek(offset);
    if (!next().token.isWord("xref"))
        return std::nullopt;
    for (;;) {
        long long first = -1;
        long long count = -1;
        const Token header = next();
        if (header.token.isWord("trailer"))
            return TableLookup{std::nullopt, m_input->tell()};
        if (!isInteger(header.token, &first) || !isInteger(next().token, &count) || first < 0 ||
            count < 0)
            return std::nullopt;
        // The entries start on the line after the header.
        m_input->findAndSkipNextEOL();
        const qpdf_offset_t entries = m_input->tell();
        if (object < first || object >= first + count) {
            seek(entries + count * EntrySize);
            continue;
        }
        // "oooooooooo ggggg n" and a two-character end of line.
        char bytes[EntrySize];
        seek(entries + (object - first) * EntrySize);
        if (m_input->read(bytes, sizeof bytes) != sizeof bytes)
            return std::nullopt;
        const std::string_view entry(bytes, sizeof bytes);
        const auto digits = [&](size_t from, size_t n) {
            return entry.substr(from, n).find_first_not_of("0123456789") == std::string::npos;
        };
        if (!digits(0, 10) || entry[10] != ' ' || !digits(11, 5) || entry[16] != ' ' ||
            (entry[17] != 'n' && entry[17] != 'f'))
            return std::nullopt;
        return TableLookup{TableEntry{std::stoll(std::string(entry.substr(0, 10))),
                                      std::stoi(std::string(entry.substr(11, 5))),
                                      entry[17] == 'n'},
                           0};
    }
}

std::optional<qpdf_offset_t> DictionaryScanner::objectInStream(qpdf_offset_t first, int index,
                                                               int object)
{
    seek(0);
    for (int i = 0; i <= index; ++i) {
        long long number = -1;
        long long offset = -1;
        if (!isInteger(next().token, &number) || !isInteger(next().token, &offset))
            return std::nullopt;
        if (i == index && number == object)
            return first + offset;
    }
    return std::nullopt;
}

} // namespace Tagora

// SPDX-License-Identifier: Apache-2.0
#include "DictionaryScanner.h"

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
    seek(offset);
    long long number = -1;
    long long generation = -1;
    if (!isInteger(next().token, &number) || !isInteger(next().token, &generation) ||
        !next().token.isWord("obj"))
        return std::nullopt;
    if (number != object.getObj() || generation != object.getGen())
        return std::nullopt;
    return m_input->tell();
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

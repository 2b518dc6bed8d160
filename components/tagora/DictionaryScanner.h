// SPDX-License-Identifier: Apache-2.0
// DictionaryScanner: reads the keys of a dictionary from its tokens, in the order in
// which they stand in the file.
//
// qpdf keeps a dictionary's keys sorted; the order in the file (which a reader of the
// document information may rely on: the first of two names differing only in case
// wins) exists only in the tokens. The scanner follows the PDF object syntax far enough
// to tell keys from values: nested arrays and dictionaries are skipped whole, and
// "num gen R" counts as one value. Each operation answers nothing (an empty optional)
// when the bytes are not what it expects, so a caller can fall back to qpdf's order.
#pragma once

#include <qpdf/InputSource.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Tagora {

class DictionaryScanner
{
public:
    struct Key
    {
        std::string name;           // as qpdf spells it: "/" and the unescaped bytes
        qpdf_offset_t valueOffset;  // where the key's value starts
        std::string value;          // the value's bytes as they stand, "/True", "[1 2]"
        QPDFTokenizer::Token first; // the value's first token: the value itself when
        bool single = false;        // it is a single token (not an array, dictionary
                                    // or reference)
    };

    explicit DictionaryScanner(std::shared_ptr<InputSource> input);

    // The keys of the dictionary that opens with the first token at `offset`.
    std::optional<std::vector<Key>> keys(qpdf_offset_t offset);

    // Where the value of indirect object `object` starts, when "num gen obj" stands at
    // `offset`.
    std::optional<qpdf_offset_t> objectBody(qpdf_offset_t offset, QPDFObjGen object);
    // The number and generation of the indirect object whose "num gen obj" stands at
    // `offset`.
    std::optional<QPDFObjGen> objectAt(qpdf_offset_t offset);

    // Where the trailer dictionary of the cross-reference section at `offset` starts:
    // the dictionary after "trailer" for a table, the stream's dictionary for a stream.
    std::optional<qpdf_offset_t> trailerDictionary(qpdf_offset_t offset);

    // What the cross-reference table at `offset` ("xref", its subsections, "trailer")
    // says of object `object`: the entry's three fields when a subsection lists it,
    // else where the trailer dictionary starts. Only the subsections' headers and that
    // one entry are read (entries are 20 bytes each); nothing when the bytes are not
    // as expected.
    struct TableEntry
    {
        long long offset = 0;
        int generation = 0;
        bool inUse = false;
    };
    struct TableLookup
    {
        std::optional<TableEntry> entry;
        qpdf_offset_t trailer = 0;
    };
    std::optional<TableLookup> tableEntry(qpdf_offset_t offset, int object);

    // Where object number `object`, at position `index` of an object stream whose
    // decoded data this scanner reads, starts; `first` is the stream's /First.
    std::optional<qpdf_offset_t> objectInStream(qpdf_offset_t first, int index, int object);

private:
    struct Token
    {
        QPDFTokenizer::Token token;
        qpdf_offset_t offset;

        QPDFTokenizer::token_type_e type() const { return token.getType(); }
        qpdf_offset_t end() const { return offset + qpdf_offset_t(token.getRawValue().size()); }
    };

    Token next();
    void unread(const Token &token);
    // Where the value that starts with `first` ends; nothing when it is not a value.
    std::optional<qpdf_offset_t> skipValue(const Token &first);
    void seek(qpdf_offset_t offset);

    std::shared_ptr<InputSource> m_input;
    std::vector<Token> m_pending;
};

} // namespace Tagora

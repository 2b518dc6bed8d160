// SPDX-License-Identifier: Apache-2.0
// IncrementalUpdate: the bytes of one revision appended to a PDF file.
//
// An incremental update leaves every byte of the file as it was (so digital signatures
// over earlier revisions stay valid) and appends the objects that changed, a
// cross-reference section for them and a trailer. The section is of the same kind as
// the file's last one: a classic table with a trailer dictionary, or a cross-reference
// stream, written uncompressed, whose dictionary is the trailer. /Size, /Root, /ID and
// /Prev carry the file's values forward, and so does /Encrypt: the objects of an encrypted
// file come to `build` encrypted already (a cross-reference stream never is).
//
// The changed objects are the document-information dictionary, which keeps its object
// number and generation when the file had it as an indirect object of its own (else it
// takes the next free number), and any others the caller gives (the XMP metadata stream,
// the catalog that names a new one); /Size grows past every number written.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Tagora {

struct RevisionBase
{
    enum class Xref
    {
        Table,
        Stream
    };

    std::int64_t length = 0;    // bytes of the file the revision follows
    bool endsWithEol = true;    // the file's last byte is CR or LF
    std::int64_t startxref = 0; // offset of the file's last cross-reference section
    Xref xref = Xref::Table;
    int size = 1;           // the next free object number
    std::string root;       // the catalog reference, "1 0 R"
    std::string id;         // the /ID array in PDF syntax, or empty
    std::string encrypt;    // the /Encrypt value in PDF syntax, or empty
    int infoNumber = 0;     // the Info object's number and generation; 0 when the
    int infoGeneration = 0; // file has no indirect Info object
};

class IncrementalUpdate
{
public:
    // Another object the revision writes anew: its number, generation and body in PDF
    // syntax ("<< ... >>\nstream\n...\nendstream").
    struct Object
    {
        int number = 0;
        int generation = 0;
        std::string body;
    };

    // The number and generation the revision's Info object takes.
    static std::pair<int, int> infoObject(const RevisionBase &base);
    // The first number that a new object of the revision other than Info may take: after
    // the Info object's when that takes a new one too.
    static int freeNumber(const RevisionBase &base);

    // The bytes to append at `base.length` so that `info` (a dictionary in PDF syntax)
    // becomes the document-information dictionary, and `others` replace the objects of
    // their numbers.
    static std::string build(const RevisionBase &base, const std::string &info,
                             const std::vector<Object> &others = {});
};

} // namespace Tagora

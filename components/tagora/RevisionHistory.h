// SPDX-License-Identifier: Apache-2.0
// RevisionHistory: the revisions of a PDF file, oldest first, each as readers saw the
// file when that revision ended.
//
// Every save that appends (ours, or another tool's incremental update) leaves the file as
// it was before it as a prefix: revision 1 is the original, and revision N ends where the
// file ended after the N-th save. A revision is found by its end ("%%EOF" and its end of
// line) and counts only when the bytes up to it open in qpdf without a warning (the first
// "%%EOF" of a linearized file ends no revision). Each is read through qpdf as a file of
// its own length, so its Info entries and its XMP packet are decrypted as the file's are.
//
// What a revision changed is told by the objects its cross-reference section gives a new
// place to: a revision that changed only the document information gives one to its Info
// dictionary, its XMP metadata stream and its cross-reference stream, and to its catalog
// when that differs from the one before in /Metadata alone (a packet made for a document
// that had none), nothing else.
#pragma once

#include "InfoDictionary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tagora {

// The XMP equivalents of Title, Author, Subject and Keywords, as a packet holds them.
struct XmpFields
{
    std::optional<std::u16string> title;       // dc:title, x-default
    std::optional<std::u16string> author;      // dc:creator
    std::optional<std::u16string> description; // dc:description, x-default
    std::optional<std::u16string> keywords;    // pdf:Keywords

    bool operator==(const XmpFields &) const = default;
};

struct Revision
{
    std::int64_t end = 0;           // the file's length when the revision ended
    std::vector<InfoEntry> info;    // the Info entries it left, in order
    std::optional<std::string> xmp; // its XMP packet, decoded; none without one
    XmpFields xmpFields;            // read from `xmp`
    // What else than the document information the revision gave a new place to, as
    // "object 12 0 (a page)" texts; empty for revision 1 (it holds everything) and for a
    // revision that changed only the document information.
    std::vector<std::u16string> otherChanges;

    // The text of its Info entry named exactly `name`, or none.
    std::optional<std::u16string> text(std::u16string_view name) const
    {
        for (const InfoEntry &entry : info) {
            if (entry.name == name)
                return entry.text;
        }
        return std::nullopt;
    }
};

// One value a revision changed: an Info entry ("Title") or an XMP equivalent
// ("XMP dc:title"), with its text before and after (none: absent).
struct EntryChange
{
    std::u16string name;
    std::optional<std::u16string> before;
    std::optional<std::u16string> after;
};

namespace RevisionHistory {

// The revisions of the file at `path`, oldest first, opened with `password` (the user
// password of an encrypted file; empty by default). Throws AutomationError as
// TagoraInfo::ReadInfo does (missing, not a PDF, damaged, a password).
std::vector<Revision> read(const std::u16string &path, const std::string &password = {});

// What `after` changed from `before` (none: the empty document): Info entries in the
// order of `after`'s entries then those it dropped, then the XMP equivalents.
std::vector<EntryChange> changes(const Revision *before, const Revision &after);

// The values that earlier revisions hold and the last one no longer shows, as "Name:
// value" texts, each once, oldest first: what `compact` would remove for good.
std::vector<std::u16string> hiddenValues(const std::vector<Revision> &revisions);

} // namespace RevisionHistory

} // namespace Tagora

// SPDX-License-Identifier: Apache-2.0
// mdlFunctions: the questions the component asks about the host's open publication.
//
// The component never copies the host's tree. Each routine asks the host's tree
// object (MainForm's PluginObject) through late-bound calls by member name:
//   tree:       NodeItem(key) -> node or Nothing; GetNodeParameters(key) -> parameters
//   node:       Child, Next -> node or Nothing; Text; Key
//   parameters: Item("BookPath") -> parameter; parameter: Contents
// The books are the children of the node keyed "Publication", in sibling order; a
// book's index is its position among them, 0 for the first. A node in hand is a
// counted reference: the host's dropping it meanwhile does not pull it away.
//
// The three trapped routines report any failure of the host (a missing member, an
// index past the last book ...) with the trap's message box under their own source
// text and return the result stated for them. No routine keeps state between calls.
#pragma once

#include <cstdint>
#include <string>

namespace Automation {
class Object;
}
namespace Platform {
class DropDownList;
}

namespace mdlFunctions {

// True when there is no usable publication: no host object, no "Publication" node,
// or a publication without books. After a failure: false (the publication is taken
// as valid). Trapped as ".mdlFunctions.IsInvalidPublication".
bool IsInvalidPublication(Automation::Object *host);

// Empties `books`, appends each book's Text in tree order and selects position 0;
// true when done. After a failure: false, and the entries added so far stay.
// Trapped as ".mdlFunctions.FillBooksList".
bool FillBooksList(Platform::DropDownList &books, Automation::Object *host);

// The path of the published PDF of the book at `index` (a negative index means the
// first book): the book's "BookPath" parameter when a regular file exists there and
// the text is not exactly "None", else the empty string. The path is returned as the
// host gave it. After a failure: empty, or the unchecked path when only the
// existence test failed. Trapped as ".mdlFunctions.GetPdfPath".
std::u16string GetPdfPath(Automation::Object *host, std::int32_t index);

// True when the file cannot be opened exclusively for writing: missing, a folder,
// read-only, no permission, or held under a lock by another program. Nothing is
// written and no message is shown, whatever goes wrong.
bool IsFileLocked(const std::u16string &path);

} // namespace mdlFunctions

// SPDX-License-Identifier: Apache-2.0
// PublicationReader: reads a publication file into the host's tree.
//
// The file is XML, in UTF-8:
//   <publication title="Sample publication">
//     <book name="User guide" pdf="books/user-guide.pdf">
//       <node name="Chapter 1"><node name="Section 1.1"/></node>
//     </book>
//     <book name="Release notes"/>
//   </publication>
// A book's pdf path is relative to the file's folder (an absolute path stays as it
// is); a book without one is not published. Nodes nest to any depth below a book.
// The reader is a small parser of this format alone: elements, attributes, comments,
// processing instructions, the predefined entities and character references; a
// document type declaration is skipped, and entities it would declare are unknown.
//
// On failure the tree is left without a publication and the message names the file,
// the line and the reason: "FILE, line N: REASON" ("FILE: REASON" when the file
// cannot be read at all).
#pragma once

#include <string>

namespace Host {

class PublicationTree;

namespace PublicationReader {

// Reads the file at `path`; an empty string on success, else the message.
std::u16string readFile(const std::u16string &path, PublicationTree &tree);

// Reads `xml`; pdf paths are taken relative to `folder`, and `fileName` names the
// source in messages and becomes the tree's FileName.
std::u16string read(const std::string &xml, const std::u16string &folder,
                    const std::u16string &fileName, PublicationTree &tree);

} // namespace PublicationReader

} // namespace Host

// SPDX-License-Identifier: Apache-2.0
// PublicationReader: reads a publication file into the host's tree.
//
// The file is XML:
//   <publication title="Sample publication">
//     <book name="User guide" pdf="books/user-guide.pdf">
//       <node name="Chapter 1"><node name="Section 1.1"/></node>
//     </book>
//     <book name="Release notes"/>
//   </publication>
// A book's pdf path is relative to the file's folder (an absolute path stays as it
// is); a book without one is not published. Nodes nest to any depth below a book.
//
// On failure the tree is left without a publication and the message names the file,
// the line and the reason: "FILE, line N: REASON" ("FILE: REASON" when the file
// cannot be read at all).
#pragma once

#include <QString>

class QIODevice;

namespace Host {

class PublicationTree;

namespace PublicationReader {

// Reads the file at `path`; an empty string on success, else the message.
QString readFile(const QString &path, PublicationTree &tree);

// Reads from `device`; pdf paths are taken relative to `folder`, and `fileName`
// names the source in messages and becomes the tree's FileName.
QString read(QIODevice *device, const QString &folder, const QString &fileName,
             PublicationTree &tree);

} // namespace PublicationReader

} // namespace Host

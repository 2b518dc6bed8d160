// SPDX-License-Identifier: Apache-2.0
// RevisionWriter: appends a revision to a file so that the file ends up either as it was
// or with the whole revision, never with part of it.
#pragma once

#include <QByteArray>

namespace Tagora::RevisionWriter {

// The file open on `fd` holds `length` bytes. Reserves the room for `revision` first
// (a full disk fails here, before any byte changes), writes it after byte `length` and
// syncs it to the disk. Returns 0, or the errno of the failure; the file then holds
// its `length` bytes again, synced.
int append(int fd, qint64 length, const QByteArray &revision);

// Cuts the file open on `fd` back to its first `length` bytes and syncs it: the undoing
// of an append that was written but must not stay. Returns 0 or the errno.
int cutBack(int fd, qint64 length);

} // namespace Tagora::RevisionWriter

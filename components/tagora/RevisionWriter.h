// SPDX-License-Identifier: Apache-2.0
// RevisionWriter: appends a revision to a file so that the file ends up either as it was
// or with the whole revision, never with part of it.
#pragma once

#include "File.h"

#include <cstdint>
#include <string>

namespace Tagora::RevisionWriter {

// `file` holds `length` bytes. Reserves the room for `revision` first (a full disk fails
// here, before any byte changes), writes it after byte `length` and flushes it to the
// disk. Throws AutomationError; the file then holds its `length` bytes again, flushed.
void append(File &file, std::int64_t length, const std::string &revision);

// Cuts `file` back to its first `length` bytes and flushes it: the undoing of an append
// that was written but must not stay. What can still be done then is done; it never
// throws.
void cutBack(File &file, std::int64_t length) noexcept;

} // namespace Tagora::RevisionWriter

// SPDX-License-Identifier: Apache-2.0
// ReplacementFile: a new file beside a target that, once written and proved, takes the
// target's place in one step.
//
// The new file is created in the target's folder (so the rename cannot cross file
// systems), open for reading and writing, with the target's permission bits and, where
// the system allows it, its owner and group. `commit` flushes it, renames it over the
// target and flushes the folder: the target holds either the old bytes or the new ones,
// never a mixture. A file that is not committed is removed when the object goes. Each
// platform implements it beside File.h.
#pragma once

#include "File.h"

#include <memory>
#include <string>

namespace Tagora {

class ReplacementFile
{
public:
    // Creates the new file for `target`, a file, not a symbolic link. Throws
    // AutomationError (Read when the target cannot be examined, CreateCopy).
    static std::unique_ptr<ReplacementFile> beside(const std::u16string &target);

    virtual ~ReplacementFile() = default;

    // The new file.
    virtual const std::shared_ptr<File> &file() const = 0;
    // Flushes the new file and puts it in the target's place. Throws AutomationError
    // (Write, ReplaceWithCopy); the target is then unchanged.
    virtual void commit() = 0;
};

} // namespace Tagora

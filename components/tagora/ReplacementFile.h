// SPDX-License-Identifier: Apache-2.0
// ReplacementFile: a new file beside a target that, once written and proved, takes the
// target's place in one step.
//
// The new file is created in the target's folder (so the rename cannot cross file
// systems), open for reading and writing, with the target's permission bits and, where
// the system allows it, its owner and group. `commit` flushes it, renames it over the
// target and flushes the folder: the target holds either the old bytes or the new ones,
// never a mixture. A file that is not committed is removed when the object goes.
//
// A process killed in the middle leaves nothing where the system can help: on Linux the
// new file has no name until it is committed (O_TMPFILE); on Windows it is marked for
// deletion until then. Elsewhere it has a name of our own beside the target, which the
// next save of that file removes (`removeLeftovers`) once no live writer holds it. Each
// platform implements it beside File.h.
#pragma once

#include "File.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tagora {

class ReplacementFile
{
public:
    // Creates the new file for `target`, a file, not a symbolic link. Throws
    // AutomationError (Read when the target cannot be examined, CreateCopy).
    static std::unique_ptr<ReplacementFile> beside(const std::u16string &target);

    // Removes the new files that saves of `target` left beside it when they were killed
    // (by their names, which no other program gives, and only when no process holds them);
    // called by a save that holds the target's lock. Fails silently.
    static void removeLeftovers(const std::u16string &target) noexcept;

    virtual ~ReplacementFile() = default;

    // The new file.
    virtual const std::shared_ptr<File> &file() const = 0;
    // Flushes the new file and puts it in the target's place. Throws AutomationError
    // (Write, ReplaceWithCopy naming the program in the way where the system can tell);
    // the target is then unchanged. `held`: the target as the save holds it; when the name
    // leads elsewhere or the file changed (another writer came in), FileChanged, so that
    // the copy never goes over what another save wrote.
    virtual void commit(const FileIdentity &held) = 0;
};

} // namespace Tagora

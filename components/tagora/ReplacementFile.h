// SPDX-License-Identifier: Apache-2.0
// ReplacementFile: a new file beside a target that, once written and proved, takes the
// target's place in one step.
//
// The new file is created in the target's folder (so the rename cannot cross file
// systems), open for reading and writing, with the target's permission bits and, where
// the system allows it, its owner and group. `commit` syncs it, renames it over the
// target and syncs the folder: the target holds either the old bytes or the new ones,
// never a mixture. A file that is not committed is removed by the destructor.
#pragma once

#include <QString>

#include <sys/stat.h>

namespace Tagora {

class ReplacementFile
{
public:
    // Creates the new file for `target`, whose status is `original`. Throws
    // AutomationError (PermissionDenied when the folder is not writable).
    ReplacementFile(const QString &target, const struct stat &original);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    int handle() const { return m_fd; }
    // Syncs the new file and puts it in the target's place. Throws AutomationError;
    // the target is then unchanged.
    void commit();

private:
    QString m_target;
    QString m_path;
    int m_fd = -1;
};

} // namespace Tagora

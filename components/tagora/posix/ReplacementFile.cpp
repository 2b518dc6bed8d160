// SPDX-License-Identifier: Apache-2.0
// The replacement of a whole file on POSIX: mkostemp beside the target, its mode and
// owner, fsync, rename, fsync of the folder.
#include "tagora/ReplacementFile.h"

#include "Descriptor.h"
#include "SystemError.h"
#include "automation/Text.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tagora {

namespace {

using Posix::raiseErrno;

void syncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

class PosixReplacement final : public ReplacementFile
{
public:
    explicit PosixReplacement(const std::u16string &target) : m_target(Automation::utf8(target))
    {
        struct stat original = {};
        if (::stat(m_target.c_str(), &original) != 0)
            raiseErrno(FileOperation::Read, errno);
        const std::size_t slash = m_target.rfind('/');
        m_folder = slash == std::string::npos ? "." : m_target.substr(0, slash == 0 ? 1 : slash);
        std::string name = m_folder + "/." + m_target.substr(slash + 1) + ".XXXXXX";
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            raiseErrno(FileOperation::CreateCopy, errno);
        m_path = name;
        m_file = std::make_shared<Posix::Descriptor>(fd);
        ::fchmod(fd, original.st_mode & 0777);
        // Only root can give a file away; a member of the group can still set the group.
        [[maybe_unused]] const bool owned = ::fchown(fd, original.st_uid, original.st_gid) == 0 ||
                                            ::fchown(fd, uid_t(-1), original.st_gid) == 0;
    }

    ~PosixReplacement() override
    {
        if (!m_committed)
            ::unlink(m_path.c_str());
    }
    PosixReplacement(const PosixReplacement &) = delete;
    PosixReplacement &operator=(const PosixReplacement &) = delete;

    const std::shared_ptr<File> &file() const override { return m_file; }

    void commit() override
    {
        m_file->flush();
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            raiseErrno(FileOperation::ReplaceWithCopy, errno);
        m_committed = true;
        syncFolder(m_folder);
    }

private:
    std::string m_target;
    std::string m_folder;
    std::string m_path;
    std::shared_ptr<File> m_file;
    bool m_committed = false;
};

} // namespace

std::unique_ptr<ReplacementFile> ReplacementFile::beside(const std::u16string &target)
{
    return std::make_unique<PosixReplacement>(target);
}

} // namespace Tagora

// SPDX-License-Identifier: Apache-2.0
// The replacement of a whole file on POSIX: an unnamed file in the target's folder
// (O_TMPFILE) where the file system offers it, else ".NAME.orvfields-XXXXXX"; its mode
// and owner, fsync, a name at commit, rename, fsync of the folder. The new file is
// flock()ed as long as its writer lives, so the next save tells a leftover from a file
// being written.
#include "tagora/ReplacementFile.h"

#include "Descriptor.h"
#include "SystemError.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "tagora/TagoraError.h"

#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tagora {

namespace {

using Posix::raiseErrno;

constexpr std::string_view Letters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t UniqueLength = 6;

struct Place
{
    std::string folder; // "." for a bare name
    std::string prefix; // ".NAME.orvfields-": the new files' names, but for their end
};

Place placeOf(const std::string &target)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    return {folder,
            "." + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".orvfields-"};
}

std::string uniqueEnd()
{
    static thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, Letters.size() - 1);
    std::string end(UniqueLength, ' ');
    for (char &c : end)
        c = Letters[pick(random)];
    return end;
}

// Calls `make(path)` with new names until it does not fail with EEXIST; its result.
template <typename Make> int withNewName(const Place &place, std::string &path, Make make)
{
    for (int attempt = 0;; ++attempt) {
        path = place.folder + '/' + place.prefix + uniqueEnd();
        const int result = make(path);
        if (result >= 0 || errno != EEXIST || attempt == 100)
            return result;
    }
}

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
    explicit PosixReplacement(const std::u16string &target)
        : m_target(Automation::utf8(target)), m_place(placeOf(m_target))
    {
        struct stat original = {};
        if (::stat(m_target.c_str(), &original) != 0)
            raiseErrno(FileOperation::Read, errno);
        int fd = ::open(m_place.folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            fd = withNewName(m_place, m_path, [](const std::string &path) {
                return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            });
        }
        if (fd < 0)
            raiseErrno(FileOperation::CreateCopy, errno);
        m_file = std::make_shared<Posix::Descriptor>(fd);
        ::flock(fd, LOCK_EX | LOCK_NB);
        ::fchmod(fd, original.st_mode & 0777);
        // Only root can give a file away; a member of the group can still set the group.
        [[maybe_unused]] const bool owned = ::fchown(fd, original.st_uid, original.st_gid) == 0 ||
                                            ::fchown(fd, uid_t(-1), original.st_gid) == 0;
    }

    ~PosixReplacement() override
    {
        if (!m_committed && !m_path.empty())
            ::unlink(m_path.c_str());
    }
    PosixReplacement(const PosixReplacement &) = delete;
    PosixReplacement &operator=(const PosixReplacement &) = delete;

    const std::shared_ptr<File> &file() const override { return m_file; }

    // Nothing stands in a rename's way here: readers keep the old file.
    void commit(const FileIdentity &held) override
    {
        m_file->flush();
        if (!stillNamed(Automation::utf16(m_target), held))
            Automation::raise(FileChanged, u"another program wrote the file while its new copy "
                                           u"was made");
        if (m_path.empty())
            giveName();
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            raiseErrno(FileOperation::ReplaceWithCopy, errno);
        m_committed = true;
        syncFolder(m_place.folder);
    }

private:
    // A name for the unnamed file: rename() needs one, and link() cannot replace.
    void giveName()
    {
        const int fd = std::static_pointer_cast<Posix::Descriptor>(m_file)->handle();
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        int linked = withNewName(m_place, m_path, [&](const std::string &path) {
            return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
        });
        // Without /proc, the call that needs the right to search any folder.
        if (linked != 0 && errno == ENOENT)
            linked = withNewName(m_place, m_path, [&](const std::string &path) {
                return ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
            });
        if (linked != 0) {
            const int error = errno;
            m_path.clear();
            raiseErrno(FileOperation::ReplaceWithCopy, error);
        }
    }

    std::string m_target;
    Place m_place;
    std::string m_path; // empty while the new file has no name
    std::shared_ptr<File> m_file;
    bool m_committed = false;
};

} // namespace

std::unique_ptr<ReplacementFile> ReplacementFile::beside(const std::u16string &target)
{
    return std::make_unique<PosixReplacement>(target);
}

void ReplacementFile::removeLeftovers(const std::u16string &target) noexcept
{
    try {
        const Place place = placeOf(Automation::utf8(target));
        DIR *folder = ::opendir(place.folder.c_str());
        if (!folder)
            return;
        while (const dirent *entry = ::readdir(folder)) {
            const std::string_view name(entry->d_name);
            if (name.size() != place.prefix.size() + UniqueLength ||
                !name.starts_with(place.prefix) ||
                name.substr(place.prefix.size()).find_first_not_of(Letters) != name.npos)
                continue;
            const int fd = ::openat(::dirfd(folder), entry->d_name,
                                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                continue;
            struct stat st = {};
            // A writer that lives holds its lock.
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
                ::unlinkat(::dirfd(folder), entry->d_name, 0);
            ::close(fd);
        }
        ::closedir(folder);
    } catch (...) {
    }
}

} // namespace Tagora

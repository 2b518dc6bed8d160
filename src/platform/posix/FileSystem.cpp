// SPDX-License-Identifier: Apache-2.0
// The file questions on POSIX (FileSystem.h).
#include "platform/FileSystem.h"
#include "automation/Text.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

bool isRegularFile(const std::string &path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// An exclusive record lock over the whole file.
struct flock wholeFile(short type)
{
    struct flock lock
    {
    };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    lock.l_pid = 0;
    return lock;
}

} // namespace

bool FileExists(const std::u16string &path)
{
    return !path.empty() && isRegularFile(Automation::utf8(path));
}

bool FileLocked(const std::u16string &path)
{
    const std::string name = Automation::utf8(path);
    struct stat st
    {
    };
    if (path.empty() || ::stat(name.c_str(), &st) != 0)
        return true;
    // No write bit at all: read-only, also for root, who could open it anyway.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    const int fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return true;
    bool locked = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        locked = true;
    } else {
        ::flock(fd, LOCK_UN);
        // A record lock of another open file (the classic kind or ours) shows here.
        struct flock probe = wholeFile(F_WRLCK);
        locked = ::fcntl(fd, F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
    }
    if (::close(fd) != 0)
        locked = true;
    return locked;
}

// Hidden files (a name starting with a dot) and anything but regular files (folders,
// sockets, broken links) are left out; the names come sorted, the same from one run to
// the next.
std::vector<std::u16string> ListFiles(const std::u16string &folder)
{
    std::vector<std::u16string> names;
    const std::string path = Automation::utf8(folder);
    DIR *dir = ::opendir(path.empty() ? "." : path.c_str());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.front() == '.')
            continue;
        if (isRegularFile(path.empty() ? name : path + '/' + name))
            names.push_back(Automation::utf16(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::u16string PathSeparator()
{
    return u"/";
}

} // namespace Platform

// SPDX-License-Identifier: Apache-2.0
// The automation runtime on POSIX: files, the lock file, dlopen and dladdr, and the
// XDG folders of the registry.

#include "automation/System.h"
#include "automation/Registry.h"
#include "automation/ServerModule.h"
#include "automation/Text.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace Automation {

namespace {

const std::u16string RelativePath = u"/orvane/registry.ini";

std::u16string reason(int error)
{
    return utf16(std::strerror(error));
}

std::u16string folderOf(const std::u16string &path)
{
    const std::size_t slash = path.rfind(u'/');
    if (slash == std::u16string::npos)
        return u".";
    return slash == 0 ? u"/" : path.substr(0, slash);
}

// mkdir -p; true when the folder exists afterwards.
bool makeFolders(const std::u16string &folder)
{
    const std::string path = utf8(System::absolutePath(folder));
    for (std::size_t at = 1; at != std::string::npos;) {
        at = path.find('/', at + 1);
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeAll(int fd, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

class PosixFileLock final : public System::FileLock
{
public:
    PosixFileLock(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}
    ~PosixFileLock() override
    {
        // Removed while still held, so that nobody locks a file about to disappear.
        ::unlink(m_path.c_str());
        ::close(m_fd);
    }

private:
    std::string m_path;
    int m_fd;
};

} // namespace

namespace System {

std::u16string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? utf16(value) : std::u16string();
}

bool isAbsolutePath(const std::u16string &path)
{
    return !path.empty() && path.front() == u'/';
}

std::u16string absolutePath(const std::u16string &path)
{
    std::u16string full = path;
    if (!isAbsolutePath(path)) {
        std::vector<char> buffer(4096);
        while (!::getcwd(buffer.data(), buffer.size()) && errno == ERANGE)
            buffer.resize(buffer.size() * 2);
        full = utf16(buffer.data()) + u'/' + path;
    }
    // "." and ".." resolved as text, links left alone.
    std::vector<std::u16string> parts;
    for (std::size_t at = 0; at <= full.size();) {
        std::size_t next = full.find(u'/', at);
        if (next == std::u16string::npos)
            next = full.size();
        const std::u16string part = full.substr(at, next - at);
        if (part == u"..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        at = next + 1;
    }
    std::u16string clean;
    for (const std::u16string &part : parts)
        clean += u'/' + part;
    return clean.empty() ? u"/" : clean;
}

bool fileExists(const std::u16string &path)
{
    struct stat info
    {
    };
    return ::stat(utf8(path).c_str(), &info) == 0;
}

bool isRegularFile(const std::u16string &path)
{
    struct stat info
    {
    };
    return ::stat(utf8(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::u16string homeFolder()
{
    std::u16string home = environment("HOME");
    while (home.size() > 1 && home.back() == u'/')
        home.pop_back();
    return home.empty() ? u"/" : home;
}

std::optional<std::string> readFile(const std::u16string &path, std::u16string &error)
{
    const int fd = ::open(utf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = reason(errno);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = reason(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return bytes;
}

bool replaceFile(const std::u16string &path, const std::string &bytes, std::u16string &error)
{
    const std::string target = utf8(path);
    if (!makeFolders(folderOf(path))) {
        error = reason(errno);
        return false;
    }
    // A new name beside the file: created with the usual permissions (0666 less the
    // umask), or given the file's own.
    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0; ++attempt) {
        temporary = target + '.' + std::to_string(::getpid()) + '.' + std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100)) {
            error = reason(errno);
            return false;
        }
    }
    int failure = 0;
    struct stat existing
    {
    };
    if (::stat(target.c_str(), &existing) == 0 && ::fchmod(fd, existing.st_mode & 07777) != 0)
        failure = errno;
    if (!failure && !writeAll(fd, bytes))
        failure = errno;
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (!failure && ::rename(temporary.c_str(), target.c_str()) != 0)
        failure = errno;
    if (failure) {
        ::unlink(temporary.c_str());
        error = reason(failure);
        return false;
    }
    return true;
}

std::unique_ptr<FileLock> lockFile(const std::u16string &path, int timeoutMs)
{
    const std::string file = utf8(path);
    if (!makeFolders(folderOf(path)))
        return nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return nullptr;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Still the file at that path? Its last holder may have removed it meanwhile.
            struct stat held
            {
            }, named{};
            if (::fstat(fd, &held) == 0 && ::stat(file.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino)
                return std::make_unique<PosixFileLock>(file, fd);
            ::close(fd);
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR)
            return nullptr;
        if (std::chrono::steady_clock::now() >= deadline)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void *loadLibrary(const std::u16string &path, std::u16string &error)
{
    void *library = ::dlopen(utf8(path).c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!library) {
        const char *why = ::dlerror();
        error = u"Cannot load library " + path + u": (" + utf16(why ? why : "") + u")";
    }
    return library;
}

Function symbolOf(void *library, const char *name)
{
    return reinterpret_cast<Function>(::dlsym(library, name));
}

} // namespace System

std::u16string libraryPathOf(const void *address)
{
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    return System::absolutePath(utf16(info.dli_fname));
}

std::u16string userRegistryPath()
{
    std::u16string config = System::environment("XDG_CONFIG_HOME");
    // A relative XDG folder does not count.
    if (!System::isAbsolutePath(config))
        config =
            (System::homeFolder() == u"/" ? std::u16string() : System::homeFolder()) + u"/.config";
    return config + RelativePath;
}

std::u16string systemRegistryPath()
{
    std::vector<std::u16string> folders;
    const std::u16string list = System::environment("XDG_CONFIG_DIRS");
    for (std::size_t at = 0; at <= list.size();) {
        std::size_t next = list.find(u':', at);
        if (next == std::u16string::npos)
            next = list.size();
        std::u16string folder = list.substr(at, next - at);
        if (System::isAbsolutePath(folder))
            folders.push_back(std::move(folder));
        at = next + 1;
    }
    if (folders.empty())
        folders.emplace_back(u"/etc/xdg");
    for (const std::u16string &folder : folders) {
        if (System::fileExists(folder + RelativePath))
            return folder + RelativePath;
    }
    // None yet: the first folder is where a system registration creates it.
    return folders.front() + RelativePath;
}

} // namespace Automation

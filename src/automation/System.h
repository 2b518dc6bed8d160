// SPDX-License-Identifier: Apache-2.0
// System: what the automation runtime's registry and loader need of the operating
// system, and nothing else. The POSIX implementation is in posix/System.cpp; a build
// with real COM (com/) has no INI registry and no loader of its own, so it needs none
// of this.
//
// Paths are UTF-16 texts, converted at the system call. Failures come back as the
// system's own reason ("No such file or directory"), for messages that name them.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace Automation::System {

// The value of an environment variable; empty when it is not set.
std::u16string environment(const char *name);

bool isAbsolutePath(const std::u16string &path);
// The path made absolute against the working folder, "." and ".." resolved.
std::u16string absolutePath(const std::u16string &path);
bool fileExists(const std::u16string &path);    // a file or a folder
bool isRegularFile(const std::u16string &path); // a file, links followed
// The home folder of the user.
std::u16string homeFolder();

// The whole file, or nothing with the reason in `error`.
std::optional<std::string> readFile(const std::u16string &path, std::u16string &error);
// Replaces the file's bytes at once: readers see the old file or the new one, never a
// part (a copy is written and synced beside it, then renamed over it). Creates the
// folder when needed; a new file gets the usual permissions, an existing one keeps
// its own. False with the reason in `error`.
bool replaceFile(const std::u16string &path, const std::string &bytes, std::u16string &error);

// An exclusive lock on a lock file, held while the object lives; the file is
// removed with the lock. A lock whose holder died is taken over at once.
class FileLock
{
public:
    virtual ~FileLock() = default;
};
// Waits up to `timeoutMs` for the lock; nothing when another process keeps it.
std::unique_ptr<FileLock> lockFile(const std::u16string &path, int timeoutMs);

// Loads a shared library for good (it is never unloaded); nullptr with the reason in
// `error` ("Cannot load library PATH: (REASON)").
void *loadLibrary(const std::u16string &path, std::u16string &error);
// A function the library exports, or nullptr; cast it to its own type.
using Function = void (*)();
Function symbolOf(void *library, const char *name);

} // namespace Automation::System

// SPDX-License-Identifier: Apache-2.0
// The folder the component's library was loaded from, as the loader knows it. On
// Windows the language files are installed beside the library: the data folder is the
// module folder.
#include "platform/ModuleFolder.h"

#include "Win32.h"

#include <filesystem>

namespace Platform {

namespace {

std::u16string &replacement()
{
    static std::u16string folder;
    return folder;
}

// Any object of this module tells which module it is.
const char marker = 0;

// The module's full path; paths longer than MAX_PATH are read whole.
std::wstring modulePath(HMODULE module)
{
    constexpr std::size_t LongestPath = 32768;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= LongestPath)
            return {};
        path.resize(path.size() * 2);
    }
}

} // namespace

// Asked once: every message to a control compares a window's module with it.
HMODULE ThisModule()
{
    static const HMODULE module = [] {
        HMODULE found = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&marker), &found);
        return found;
    }();
    return module;
}

std::u16string ModuleFolder()
{
    if (!replacement().empty())
        return replacement();
    const std::wstring path = modulePath(ThisModule());
    if (path.empty())
        return {};
    return u16(std::filesystem::path(path).parent_path().wstring());
}

std::u16string DataFolder()
{
    return ModuleFolder();
}

void setModuleFolder(const std::u16string &folder)
{
    replacement() = folder;
}

} // namespace Platform

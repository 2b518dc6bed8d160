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
    const std::wstring path = Win32Base::modulePath(ThisModule());
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

// SPDX-License-Identifier: Apache-2.0
// Win32Base: what every Windows folder of the project needs, above nothing but the
// system: texts between the portable UTF-16 strings and Windows' wide strings (16 bits a
// unit both), and the path of a module. Header only; the Windows rows of the layer table
// may include it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace Win32Base {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring wide(std::u16string_view text)
{
    return std::wstring(reinterpret_cast<const wchar_t *>(text.data()), text.size());
}

inline std::u16string u16(std::wstring_view text)
{
    return std::u16string(reinterpret_cast<const char16_t *>(text.data()), text.size());
}

// The full path of `module` (nullptr: the program), also when longer than MAX_PATH;
// empty when the system cannot tell.
inline std::wstring modulePath(HMODULE module)
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

} // namespace Win32Base

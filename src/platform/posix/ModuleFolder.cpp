// SPDX-License-Identifier: Apache-2.0
// The folder the library was loaded from, as the dynamic loader knows it.
#include "platform/ModuleFolder.h"
#include "automation/Text.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace Platform {

namespace {

std::u16string &replacement()
{
    static std::u16string folder;
    return folder;
}

// Any object of this library tells where the library was loaded from.
const char marker = 0;

// An absolute path without "." and ".." steps, doubled or trailing separators.
std::string cleaned(const std::string &path)
{
    std::filesystem::path absolute(path);
    if (absolute.is_relative()) {
        std::error_code error;
        absolute = std::filesystem::current_path(error) / absolute;
    }
    std::string clean = absolute.lexically_normal().string();
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

} // namespace

std::u16string ModuleFolder()
{
    if (!replacement().empty())
        return replacement();
    Dl_info info{};
    if (::dladdr(&marker, &info) == 0 || !info.dli_fname)
        return {};
    return Automation::utf16(cleaned(std::filesystem::path(info.dli_fname).parent_path().string()));
}

std::u16string DataFolder()
{
    return Automation::utf16(
        cleaned(Automation::utf8(ModuleFolder()) + '/' + ORVFIELDS_COMPONENT_TO_DATA));
}

void setModuleFolder(const std::u16string &folder)
{
    replacement() = folder;
}

} // namespace Platform

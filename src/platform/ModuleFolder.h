// SPDX-License-Identifier: Apache-2.0
// ModuleFolder: the folder the component's library was loaded from, where its
// language files are looked up; DataFolder: where an installed tree keeps them.
#pragma once

#include <string>

namespace Platform {

// The platform's answer (dladdr, GetModuleFileNameW), or the folder set below.
std::u16string ModuleFolder();

// The component's data folder of an installed tree (share/orvfields on Linux; the
// module folder itself on Windows), found from ModuleFolder. It need not exist.
std::u16string DataFolder();

// Replaces the answer of ModuleFolder (tests point it at a folder of their own); an
// empty path restores the real folder.
void setModuleFolder(const std::u16string &folder);

} // namespace Platform

// SPDX-License-Identifier: Apache-2.0
// ModuleFolder: the folder the component's library was loaded from, where its
// language files are looked up.
#pragma once

#include <QString>

namespace Platform {

QString ModuleFolder();

// Replaces the answer of ModuleFolder (tests point it at a folder of their own);
// an empty path restores the real folder.
void setModuleFolder(const QString &folder);

} // namespace Platform

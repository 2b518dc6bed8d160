// SPDX-License-Identifier: Apache-2.0
// ModuleFolder: the folder the component's library was loaded from, where its
// language files are looked up; DataFolder: where an installed tree keeps them.
#pragma once

#include <QString>

namespace Platform {

QString ModuleFolder();

// The component's data folder of an installed tree (share/orvfields), found from
// ModuleFolder by the relative path between the two installed folders. It need not
// exist: the build tree has none.
QString DataFolder();

// Replaces the answer of ModuleFolder (tests point it at a folder of their own);
// an empty path restores the real folder.
void setModuleFolder(const QString &folder);

} // namespace Platform

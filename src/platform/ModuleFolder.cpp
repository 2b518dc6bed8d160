// SPDX-License-Identifier: Apache-2.0
#include "ModuleFolder.h"

#include "automation/ServerModule.h"

#include <QDir>
#include <QFileInfo>

namespace Platform {

namespace {

QString &replacement()
{
    static QString folder;
    return folder;
}

} // namespace

QString ModuleFolder()
{
    if (!replacement().isEmpty())
        return replacement();
    // Any function of this library tells where the library was loaded from.
    const QString library =
        Automation::libraryPathOf(reinterpret_cast<const void *>(&ModuleFolder));
    return QFileInfo(library).absolutePath();
}

QString DataFolder()
{
    return QDir::cleanPath(ModuleFolder() + u'/' + QStringLiteral(ORVFIELDS_COMPONENT_TO_DATA));
}

void setModuleFolder(const QString &folder)
{
    replacement() = folder;
}

} // namespace Platform

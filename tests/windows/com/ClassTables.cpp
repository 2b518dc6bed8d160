// SPDX-License-Identifier: Apache-2.0
// classtables: the component's class tables, as the Windows type library must state
// them (typelib-dump prints the type library in the same format): the library line of
// the server module, then each class as ClassInfo::describe writes it.
#include "automation/ClassInfo.h"
#include "plugin/ModuleEntry.h"

#include <cstdio>

int main()
{
    const Automation::ServerModule &module = Plugin::serverModule();
    std::printf("library %s %d.%d %s \"%s\"\n", module.libraryName.c_str(), module.majorVersion,
                module.minorVersion, module.libId.c_str(), module.helpString.c_str());
    for (const Automation::ServerClass &cls : module.classes)
        std::printf("%s", cls.table().describe().c_str());
    return 0;
}

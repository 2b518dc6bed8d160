// SPDX-License-Identifier: Apache-2.0
#include "ModuleEntry.h"

#include "ErrorObject.h"
#include "MainForm.h"
#include "fieldlist/VrnFieldList.h"

#include <string>

namespace Plugin {

Automation::ServerModule &serverModule()
{
    static Automation::ServerModule orvFields{
        "OrvFields",
        "{34C7F194-98F5-436D-AD9E-C5666118E35D}",
        1,
        0,
        "Plugin Orvane for PDF fields management",
        {
            Automation::serverClass<MainForm>(),
            Automation::serverClass<ErrorObject>(),
            // Made by its programmatic identifier, the list has no parent: a window of
            // its own, not shown.
            Automation::serverClass<FieldList::VrnFieldList>(nullptr, std::string("VrnFieldList")),
        },
    };
    return orvFields;
}

} // namespace Plugin

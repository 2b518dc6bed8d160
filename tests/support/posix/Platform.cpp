// SPDX-License-Identifier: Apache-2.0
// On Linux a host calls the runtime directly.
#include "support/Platform.h"

#include "automation/Dispatch.h"

namespace Support {

Automation::Variant hostCall(Automation::Object *object, const MemberId &member,
                             Automation::Invoke kind, std::vector<Automation::Variant> &args)
{
    if (const auto *name = std::get_if<std::u16string>(&member))
        return Automation::invoke(object, *name, kind, args);
    return Automation::invoke(object, std::get<Automation::DispId>(member), kind, args);
}

int codePageOfLocaleZero()
{
    return 0;
}

bool othersMayReplaceAnOpenFile()
{
    return true;
}

} // namespace Support

// SPDX-License-Identifier: Apache-2.0
// A host on Linux calls the runtime directly.
#include "support/HostCall.h"

#include "automation/Dispatch.h"

namespace Support {

Automation::Variant hostCall(Automation::Object *object, const MemberId &member,
                             Automation::Invoke kind, std::vector<Automation::Variant> &args)
{
    if (const auto *name = std::get_if<std::u16string>(&member))
        return Automation::invoke(object, *name, kind, args);
    return Automation::invoke(object, std::get<Automation::DispId>(member), kind, args);
}

} // namespace Support

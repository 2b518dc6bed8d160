// SPDX-License-Identifier: Apache-2.0
// The automation error a call raises, for the suites of both builds and the Windows
// test programs.
#pragma once

#include "automation/AutomationError.h"
#include "automation/Text.h"

#include <cstdint>
#include <string>

namespace Support {

// The number of the automation error `body` raises, its description in `description`;
// 0 when it returns.
template <typename Body> std::int32_t errorOf(Body &&body, std::u16string *description = nullptr)
{
    try {
        body();
    } catch (const Automation::AutomationError &error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

// The same error as "number description"; empty when `body` returns.
template <typename Body> std::string failure(Body &&body)
{
    std::u16string description;
    const std::int32_t number = errorOf(body, &description);
    return number ? std::to_string(number) + ' ' + Automation::utf8(description) : std::string();
}

} // namespace Support

// SPDX-License-Identifier: Apache-2.0
#include "tagora/LocalTime.h"

#include <windows.h>

namespace Tagora {

LocalTime localTimeNow()
{
    SYSTEMTIME local = {};
    GetLocalTime(&local);
    // The bias is what is added to local time to make UTC, in minutes.
    TIME_ZONE_INFORMATION zone = {};
    LONG bias = 0;
    switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_DAYLIGHT:
        bias = zone.Bias + zone.DaylightBias;
        break;
    case TIME_ZONE_ID_STANDARD:
        bias = zone.Bias + zone.StandardBias;
        break;
    case TIME_ZONE_ID_UNKNOWN: // a zone without daylight saving time
        bias = zone.Bias;
        break;
    default: // TIME_ZONE_ID_INVALID: nothing known, UTC
        break;
    }
    return {local.wYear,   local.wMonth,  local.wDay, local.wHour,
            local.wMinute, local.wSecond, int(-bias)};
}

} // namespace Tagora

// SPDX-License-Identifier: Apache-2.0
// LocalTime: the time on the wall, as a document's modification date records it.
#pragma once

namespace Tagora {

struct LocalTime
{
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int utcOffsetMinutes = 0; // east of Greenwich positive
};

// Now, in the system's time zone. Each platform implements it.
LocalTime localTimeNow();

} // namespace Tagora

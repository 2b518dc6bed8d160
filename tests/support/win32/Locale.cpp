// SPDX-License-Identifier: Apache-2.0
#include "support/Locale.h"

#include <windows.h>

namespace Support {

int codePageOfLocaleZero()
{
    return int(GetACP());
}

} // namespace Support

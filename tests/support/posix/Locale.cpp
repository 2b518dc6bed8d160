// SPDX-License-Identifier: Apache-2.0
#include "support/Locale.h"

namespace Support {

int codePageOfLocaleZero()
{
    return 0;
}

} // namespace Support

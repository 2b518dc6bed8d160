// SPDX-License-Identifier: Apache-2.0
#include "DoEvents.h"

#include <QCoreApplication>

namespace Platform {

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace Platform

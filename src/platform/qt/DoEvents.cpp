// SPDX-License-Identifier: Apache-2.0
#include "platform/DoEvents.h"

#include <QCoreApplication>

namespace Platform {

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace Platform

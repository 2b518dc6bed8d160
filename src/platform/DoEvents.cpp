#include "DoEvents.h"

#include <QCoreApplication>

namespace Platform {

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace Platform

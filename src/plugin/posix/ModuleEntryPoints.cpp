// SPDX-License-Identifier: Apache-2.0
// The four entry points of libOrvFields.so (ClassFactory.h), and the message box the
// component shows on Linux.

#include "automation/ClassFactory.h"
#include "automation/ServerModule.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtToolkit.h"
#include "plugin/ModuleEntry.h"

#define ORV_EXPORT __attribute__((visibility("default")))

namespace {

// The component's messages are windows over the host's, from the moment it loads.
[[maybe_unused]] const bool widgetMessageBoxes =
    (Platform::setDefaultMessageBox(&Platform::WidgetMessageBox), true);

} // namespace

extern "C" {

ORV_EXPORT Automation::HRESULT DllRegisterServer()
{
    return Automation::registerServer(
        Plugin::serverModule(),
        Automation::libraryPathOf(reinterpret_cast<const void *>(&DllRegisterServer)));
}

ORV_EXPORT Automation::HRESULT DllUnregisterServer()
{
    return Automation::unregisterServer(Plugin::serverModule());
}

ORV_EXPORT Automation::HRESULT DllGetClassObject(const char *clsid, const char *iid, void **factory)
{
    return Automation::getClassObject(Plugin::serverModule(), clsid, iid, factory);
}

ORV_EXPORT Automation::HRESULT DllCanUnloadNow()
{
    return Automation::canUnloadNow(Plugin::serverModule());
}

} // extern "C"

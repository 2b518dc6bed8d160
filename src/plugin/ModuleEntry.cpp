// SPDX-License-Identifier: Apache-2.0
// The four entry points of libOrvFields.so, and the table of its classes.

#include "ErrorObject.h"
#include "MainForm.h"
#include "automation/ClassFactory.h"
#include "automation/ServerModule.h"
#include "fieldlist/VrnFieldList.h"
#include "platform/MessageBox.h"
#include "platform/WidgetMessageBox.h"

namespace {

// The component's messages are windows over the host's, from the moment it loads.
[[maybe_unused]] const bool widgetMessageBoxes =
    (Platform::setDefaultMessageBox(&Platform::WidgetMessageBox), true);

template <typename T> QObject *create()
{
    return new T;
}

Automation::ServerModule &module()
{
    static Automation::ServerModule orvFields{
        QStringLiteral("OrvFields"),
        QStringLiteral("{34C7F194-98F5-436D-AD9E-C5666118E35D}"),
        1,
        0,
        QStringLiteral("Plugin Orvane for PDF fields management"),
        {
            {&Plugin::MainForm::staticMetaObject, &create<Plugin::MainForm>},
            {&Plugin::ErrorObject::staticMetaObject, &create<Plugin::ErrorObject>},
            {&FieldList::VrnFieldList::staticMetaObject, &create<FieldList::VrnFieldList>},
        },
    };
    return orvFields;
}

} // namespace

extern "C" {

Q_DECL_EXPORT Automation::HRESULT DllRegisterServer()
{
    return Automation::registerServer(
        module(), Automation::libraryPathOf(reinterpret_cast<const void *>(&DllRegisterServer)));
}

Q_DECL_EXPORT Automation::HRESULT DllUnregisterServer()
{
    return Automation::unregisterServer(module());
}

Q_DECL_EXPORT Automation::HRESULT DllGetClassObject(const char *clsid, const char *iid,
                                                    void **factory)
{
    return Automation::getClassObject(module(), clsid, iid, factory);
}

Q_DECL_EXPORT Automation::HRESULT DllCanUnloadNow()
{
    return Automation::canUnloadNow(module());
}

} // extern "C"

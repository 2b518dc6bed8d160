// SPDX-License-Identifier: Apache-2.0
// ServerModule: the server side of ClassFactory.h, shared by every in-process
// server. A library describes its classes and type library in one ServerModule and
// forwards its four exported entry points to the functions below. Nothing of the
// library's own logic runs here: registration writes registry keys, and class
// objects only construct instances.
#pragma once

#include "ClassFactory.h"

#include <QList>
#include <QString>

namespace Automation {

struct ServerClass
{
    const QMetaObject *meta; // carries ProgID, ClassID, Interface ... (TypeInfo.h)
    QObject *(*create)();
};

struct ServerModule
{
    QString libraryName; // type library name, e.g. "OrvFields"
    QString libId;
    int majorVersion = 1;
    int minorVersion = 0;
    QString helpString;
    QList<ServerClass> classes;

    // Instances alive and server locks, for DllCanUnloadNow.
    int liveObjects = 0;
    int locks = 0;
};

// Writes the module's keys (classes with the apartment threading model, programmatic
// identifiers, interfaces, type library) for the library at `libraryPath`.
HRESULT registerServer(const ServerModule &module, const QString &libraryPath);
// Removes every key the module's registration wrote.
HRESULT unregisterServer(const ServerModule &module);
HRESULT getClassObject(ServerModule &module, const char *clsid, const char *iid, void **factory);
HRESULT canUnloadNow(const ServerModule &module);

// The file a function or object of a loaded library was loaded from.
QString libraryPathOf(const void *address);

} // namespace Automation

// SPDX-License-Identifier: Apache-2.0
// ComServer: the four entry points of an in-process COM server, over a ServerModule
// (ServerModule.h, whose registerServer, unregisterServer, canUnloadNow and
// libraryPathOf this folder implements on Windows).
//
//  - registerServer writes, per machine (HKEY_LOCAL_MACHINE\Software\Classes, seen in
//    HKEY_CLASSES_ROOT), for every class: "<ProgID>" = ProgID with "CLSID" = {class};
//    "CLSID\{class}" = class name with "InprocServer32" = the library's path and
//    ThreadingModel = Apartment, "ProgID", "TypeLib" = {library}, "Version" = "1.0",
//    "Programmable", and "Control" for a control; then registers the type library
//    that the library carries as resource 1 (RegisterTypeLib: the "TypeLib" and
//    "Interface" keys). A failure removes what was written: SELFREG_E_CLASS or
//    SELFREG_E_TYPELIB.
//  - unregisterServer removes every key registerServer wrote and unregisters the type
//    library; keys already gone are no failure.
//  - getClassObject hands out a class object whose CreateInstance refuses aggregation
//    (CLASS_E_NOAGGREGATION), makes the portable object through the module's class and
//    answers its COM object (Com::toDispatch) for the interface asked for.
//  - canUnloadNow is S_OK only with no live object and no lock (LockServer).
#pragma once

#include "Com.h"
#include "automation/ServerModule.h"

#include <objbase.h>

namespace Automation::Com {

HRESULT getClassObject(ServerModule &module, REFCLSID clsid, REFIID iid, void **factory);

} // namespace Automation::Com

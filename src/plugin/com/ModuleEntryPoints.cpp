// SPDX-License-Identifier: Apache-2.0
// The entry points of OrvFields.dll, exported undecorated by OrvFields.def: the
// component as an in-process COM server, its classes those of the server module
// (ModuleEntry.cpp), its COM objects those of ComClasses.cpp.
#include "ComClasses.h"
#include "platform/MessageBox.h"
#include "platform/win32/Win32Toolkit.h"
#include "plugin/ModuleEntry.h"

// <windows.h> after the portable headers (Win32Toolkit.h).
#include "automation/com/ComObject.h"
#include "automation/com/ComServer.h"

namespace {

// The component's messages are real message boxes from the moment it loads.
[[maybe_unused]] const bool windowsMessageBoxes = (Platform::installWin32MessageBox(), true);

HINSTANCE &thisModule()
{
    static HINSTANCE module = nullptr;
    return module;
}

} // namespace

extern "C" {

// The loader lock is held here: keep the module handle and do nothing else.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        thisModule() = instance;
    return TRUE;
}

HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return Automation::registerServer(
        Plugin::serverModule(),
        Automation::libraryPathOf(reinterpret_cast<const void *>(&DllRegisterServer)));
}

HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return Automation::unregisterServer(Plugin::serverModule());
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **factory)
{
    // Once: the type library is the module's, and the component's classes have COM
    // objects of their own.
    static const bool ready =
        (Automation::Com::setModule(thisModule()), Plugin::registerComClasses(), true);
    static_cast<void>(ready);
    return Automation::Com::getClassObject(Plugin::serverModule(), clsid, iid, factory);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return Automation::canUnloadNow(Plugin::serverModule());
}

} // extern "C"

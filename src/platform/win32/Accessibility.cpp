// SPDX-License-Identifier: Apache-2.0
// Accessible names on Win32: the name screen readers are given for a control's window
// (IAccPropServices), and the name last given, as Windows code asks it.
#include "WindowPart.h"

#include <initguid.h>
#include <oleacc.h>

#include <atomic>

namespace Platform {

namespace Win32 {

namespace {

// A system without the service (wine has the class but implements none of it) is
// asked once: a list names its rows at every redraw, and each question costs the
// creation of the service.
std::atomic<bool> accessibleNamesUnsupported{false};

} // namespace

bool annotate(HWND window, const std::u16string &name)
{
    IAccPropServices *services = nullptr;
    if (!window || accessibleNamesUnsupported)
        return false;
    HRESULT result = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IAccPropServices, reinterpret_cast<void **>(&services));
    if (SUCCEEDED(result)) {
        result = services->SetHwndPropStr(window, DWORD(OBJID_CLIENT), CHILDID_SELF,
                                          PROPID_ACC_NAME, wide(name).c_str());
        services->Release();
    }
    if (result == E_NOTIMPL || result == REGDB_E_CLASSNOTREG)
        accessibleNamesUnsupported = true;
    return SUCCEEDED(result);
}

void clearAnnotation(HWND window)
{
    IAccPropServices *services = nullptr;
    if (accessibleNamesUnsupported ||
        FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void **>(&services))))
        return;
    services->ClearHwndProps(window, DWORD(OBJID_CLIENT), CHILDID_SELF, &PROPID_ACC_NAME, 1);
    services->Release();
}

} // namespace Win32

std::u16string accessibleNameOf(const Control &control)
{
    const auto *part = dynamic_cast<const Win32::WindowPart *>(&control);
    return part ? part->accessibleText : std::u16string();
}

} // namespace Platform

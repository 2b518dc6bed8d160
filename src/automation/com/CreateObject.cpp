// SPDX-License-Identifier: Apache-2.0
// createObject and classIdOf of Registry.h on Windows: the system's registry through
// COM, in process. The INI registry of the Linux build does not exist here.
#include "Com.h"
#include "automation/Registry.h"

#include <cstdio>

namespace Automation {

namespace {

std::u16string hexadecimal(::HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return utf16(text);
}

CLSID registeredClass(const std::u16string &progId)
{
    CLSID clsid;
    const ::HRESULT hr = CLSIDFromProgID(Com::wide(progId).c_str(), &clsid);
    if (FAILED(hr))
        raise(CannotCreateObject,
              u"'" + progId + u"' is not registered (HRESULT " + hexadecimal(hr) + u")");
    return clsid;
}

} // namespace

std::u16string classIdOf(const std::u16string &progId)
{
    return utf16(Com::guidText(registeredClass(progId)));
}

Ref<Object> createObject(const std::u16string &progId)
{
    IDispatch *created = nullptr;
    const ::HRESULT hr = CoCreateInstance(registeredClass(progId), nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IDispatch, reinterpret_cast<void **>(&created));
    if (FAILED(hr) || !created)
        raise(CannotCreateObject, progId + u": the class's server failed to create it (HRESULT " +
                                      hexadecimal(hr) + u")");
    // The pointer's reference goes to the object that stands for it.
    Ref<Object> object = Com::fromDispatch(created);
    created->Release();
    return object;
}

} // namespace Automation

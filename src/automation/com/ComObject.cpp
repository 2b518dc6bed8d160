// SPDX-License-Identifier: Apache-2.0
#include "ComObject.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace Automation::Com {

namespace {

// Any object of this module tells which module it is.
const char marker = 0;

HINSTANCE &typeLibraryModule()
{
    static HINSTANCE module = nullptr;
    return module;
}

ITypeLib *loadTypeLibrary()
{
    HINSTANCE module = typeLibraryModule();
    if (!module)
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&marker), &module);
    const std::wstring path = modulePath(module);
    ITypeLib *library = nullptr;
    if (path.empty() || FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library)))
        return nullptr;
    return library;
}

// The text of the error information a failed method left, moved into EXCEPINFO.
void fillFromErrorInfo(EXCEPINFO &exception)
{
    IErrorInfo *info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info)
        return;
    if (!exception.bstrDescription)
        info->GetDescription(&exception.bstrDescription);
    if (!exception.bstrSource)
        info->GetSource(&exception.bstrSource);
    info->Release();
}

ITypeInfo *loadTypeInfo(const GUID &iid, bool vtable)
{
    static std::mutex mutex;
    static std::map<std::pair<std::string, bool>, ITypeInfo *> loaded;
    const std::lock_guard<std::mutex> hold(mutex);
    static ITypeLib *library = loadTypeLibrary();
    if (!library)
        return nullptr;
    ITypeInfo *&info = loaded[{guidText(iid), vtable}];
    if (info)
        return info;
    if (FAILED(library->GetTypeInfoOfGuid(iid, &info)) || !info)
        return info = nullptr;
    TYPEATTR *attributes = nullptr;
    if (vtable && SUCCEEDED(info->GetTypeAttr(&attributes))) {
        const bool dual =
            attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL);
        info->ReleaseTypeAttr(attributes);
        HREFTYPE reference = 0;
        ITypeInfo *half = nullptr;
        if (dual && SUCCEEDED(info->GetRefTypeOfImplType(UINT(-1), &reference)) &&
            SUCCEEDED(info->GetRefTypeInfo(reference, &half))) {
            info->Release();
            info = half;
        }
    }
    return info;
}

} // namespace

void setModule(HINSTANCE module)
{
    typeLibraryModule() = module;
}

ITypeInfo *typeInfoOf(const GUID &iid, bool vtable) noexcept
{
    try {
        return loadTypeInfo(iid, vtable);
    } catch (...) {
        return nullptr;
    }
}

HRESULT invokeThroughTypeInfo(ITypeInfo *info, void *self, DISPID id, WORD flags,
                              DISPPARAMS *parameters, VARIANT *result, EXCEPINFO *exception,
                              UINT *argumentError)
{
    EXCEPINFO unused{};
    EXCEPINFO &reported = exception ? *exception : unused;
    SetErrorInfo(0, nullptr);
    HRESULT hr = info->Invoke(self, id, flags, parameters, result, &reported, argumentError);
    // A method's own failure: the number as scode, the text from the error
    // information, whichever way the system's Invoke handed it on.
    if (FAILED(hr) && HRESULT_FACILITY(hr) != FACILITY_DISPATCH) {
        reported.scode = hr;
        hr = DISP_E_EXCEPTION;
    }
    if (hr == DISP_E_EXCEPTION)
        fillFromErrorInfo(reported);
    if (!exception) {
        SysFreeString(unused.bstrDescription);
        SysFreeString(unused.bstrSource);
        SysFreeString(unused.bstrHelpFile);
    }
    return hr;
}

} // namespace Automation::Com

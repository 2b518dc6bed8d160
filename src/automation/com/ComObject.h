// SPDX-License-Identifier: Apache-2.0
// ComObject: the COM object of a class with a type library interface (the component's
// MainForm, ErrorObject, VrnFieldList), over the portable object it stands for.
//
// A class derives from ComObject<Interface, T>, where Interface is the dual interface
// widl generated from the IDL, and implements the interface's vtable methods as thin
// forwards to the portable object: each converts its arguments (BSTR, VARIANT_BOOL,
// VARIANT, IDispatch*), calls the object inside `run` or `read`, and converts the
// result back. `run` and `read` catch everything: no C++ exception leaves a method.
//
// IDispatch comes from the type library that the module carries as resource 1:
// GetIDsOfNames is DispGetIDsOfNames (names in any letter case) and Invoke is the
// interface's ITypeInfo::Invoke, which converts the caller's VARIANTs to the declared
// types and calls the vtable method. ISupportErrorInfo answers for the interface, so a
// caller reads the description and source that `run` set.
//
// The COM object holds one counted reference to the portable object, and is counted
// among the server's live objects while it lives.
#pragma once

#include "Com.h"

#include <atomic>
#include <utility>

namespace Automation::Com {

// The type library module: the DLL whose resource 1 is the type library (DllMain sets
// it; without it, the module this code is linked into).
void setModule(HINSTANCE module);
// The interface's description in the module's type library: the dispatch half of a
// dual interface for IDispatch::GetTypeInfo, or the vtable half for Invoke. Loaded
// once; nullptr when the library or the interface cannot be read.
ITypeInfo *typeInfoOf(const GUID &iid, bool vtable) noexcept;
// IDispatch::Invoke through the interface's type information: `self` is the interface
// pointer the vtable half describes. The error information a failed method set fills
// the caller's EXCEPINFO when the system's Invoke left it empty.
HRESULT invokeThroughTypeInfo(ITypeInfo *info, void *self, DISPID id, WORD flags,
                              DISPPARAMS *parameters, VARIANT *result, EXCEPINFO *exception,
                              UINT *argumentError);

// COM objects are deleted by their own Release, never through an interface pointer:
// interfaces have no virtual destructor, by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <class Interface, class T> class ComObject : public Interface, public ISupportErrorInfo
{
public:
    using DualInterface = Interface;

    ComObject(const ComObject &) = delete;
    ComObject &operator=(const ComObject &) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, __uuidof(Interface)))
            *out = static_cast<Interface *>(this);
        else if (IsEqualIID(iid, IID_ISupportErrorInfo))
            *out = static_cast<ISupportErrorInfo *>(this);
        else if (!(*out = otherInterface(iid)))
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo **info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        ITypeInfo *described = typeInfoOf(__uuidof(Interface), false);
        if (!described)
            return TYPE_E_ELEMENTNOTFOUND;
        described->AddRef();
        *info = described;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *ids) override
    {
        ITypeInfo *described = typeInfoOf(__uuidof(Interface), true);
        if (!described)
            return TYPE_E_ELEMENTNOTFOUND;
        return DispGetIDsOfNames(described, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS *parameters,
                                     VARIANT *result, EXCEPINFO *exception,
                                     UINT *argumentError) override
    {
        ITypeInfo *described = typeInfoOf(__uuidof(Interface), true);
        if (!described)
            return TYPE_E_ELEMENTNOTFOUND;
        return invokeThroughTypeInfo(described, static_cast<Interface *>(this), id, flags,
                                     parameters, result, exception, argumentError);
    }

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override
    {
        return IsEqualIID(iid, __uuidof(Interface)) ? S_OK : S_FALSE;
    }

protected:
    // `source` names the class for error information ("OrvFields.MainForm").
    ComObject(Ref<T> object, std::u16string source)
        : m_object(std::move(object)), m_source(std::move(source))
    {
        rememberWrapper(m_object.get(), static_cast<Interface *>(this));
        if (LiveCount *live = liveCount())
            live->fetch_add(1);
    }
    virtual ~ComObject()
    {
        forgetWrapper(m_object.get(), static_cast<Interface *>(this));
        // The portable object goes before the count says the server may unload.
        m_object.reset();
        if (LiveCount *live = liveCount())
            live->fetch_sub(1);
    }

    T &object() const { return *m_object; }
    const Ref<T> &reference() const { return m_object; }

    // A further interface the class offers, with no reference added; nullptr if none.
    virtual void *otherInterface(REFIID) { return nullptr; }

    // Runs a method's body: S_OK or the failure's HRESULT with its error information.
    template <class Body> HRESULT run(Body &&body) noexcept
    {
        return guarded(m_source, __uuidof(Interface), std::forward<Body>(body));
    }
    // A property read: *out is cleared first, then set to value()'s result.
    template <class Out, class Value> HRESULT read(Out *out, Value &&value) noexcept
    {
        if (!out)
            return E_POINTER;
        *out = Out();
        return run([&] { *out = value(); });
    }

private:
    std::atomic<ULONG> m_references{1};
    Ref<T> m_object;
    std::u16string m_source;
};
#pragma GCC diagnostic pop

} // namespace Automation::Com

// SPDX-License-Identifier: Apache-2.0
#include "ObjectDispatch.h"

#include "Com.h"
#include "automation/ClassInfo.h"

#include <atomic>
#include <new>
#include <vector>

namespace Automation::Com {

namespace {

// A by-reference argument takes the value the member left in its parameter.
void writeBack(VARIANT &argument, const Variant &value)
{
    switch (V_VT(&argument) & ~VT_BYREF) {
    case VT_VARIANT: {
        VARIANT changed;
        toVariant(value, changed);
        VariantClear(V_VARIANTREF(&argument));
        *V_VARIANTREF(&argument) = changed;
        break;
    }
    case VT_BSTR: {
        BSTR changed = toBstr(value.toText());
        SysFreeString(*V_BSTRREF(&argument));
        *V_BSTRREF(&argument) = changed;
        break;
    }
    case VT_BOOL:
        *V_BOOLREF(&argument) = toVariantBool(value.toBoolean());
        break;
    case VT_I2:
        *V_I2REF(&argument) = value.toInteger();
        break;
    case VT_I4:
        *V_I4REF(&argument) = value.toLong();
        break;
    case VT_R8:
        *V_R8REF(&argument) = value.toDouble();
        break;
    case VT_DISPATCH: {
        IDispatch *changed = toDispatch(value.toObject());
        if (*V_DISPATCHREF(&argument))
            (*V_DISPATCHREF(&argument))->Release();
        *V_DISPATCHREF(&argument) = changed;
        break;
    }
    default:
        break;
    }
}

// COM objects are deleted by their own Release, never through an interface pointer:
// interfaces have no virtual destructor, by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ObjectDispatch final : public IDispatch
{
public:
    explicit ObjectDispatch(const Ref<Object> &object) : m_object(object)
    {
        rememberWrapper(m_object.get(), this);
        if (LiveCount *live = liveCount())
            live->fetch_add(1);
    }
    ObjectDispatch(const ObjectDispatch &) = delete;
    ObjectDispatch &operator=(const ObjectDispatch &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !offers(iid))
            return E_NOINTERFACE;
        *out = static_cast<IDispatch *>(this);
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

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **info) override
    {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *ids) override
    {
        if (!names || !ids)
            return E_POINTER;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            // Parameters are not reached by name.
            if (i > 0) {
                hr = DISP_E_UNKNOWNNAME;
                continue;
            }
            try {
                ids[i] = m_object->idOfName(fromWide(names[i]));
            } catch (...) {
                hr = DISP_E_UNKNOWNNAME;
            }
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags,
                                     DISPPARAMS *parameters, VARIANT *result, EXCEPINFO *exception,
                                     UINT *) override
    {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        DISPPARAMS &call = parameters ? *parameters : none;
        const bool assignment = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
        if (assignment ? (call.cNamedArgs != 1 || call.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                       : call.cNamedArgs != 0)
            return DISP_E_NONAMEDARGS;
        if (call.cArgs < call.cNamedArgs)
            return E_INVALIDARG;
        if (result)
            VariantInit(result);

        std::vector<Variant> args;
        std::vector<Variant> before;
        try {
            // Positional arguments come last to first; an assignment's value is the
            // named argument, at the front.
            for (UINT i = call.cArgs; i > call.cNamedArgs; --i)
                args.push_back(fromVariant(call.rgvarg[i - 1]));
            if (assignment)
                args.push_back(fromVariant(call.rgvarg[0]));
            before = args;

            Automation::Invoke kind = Automation::Invoke::PropertyGet;
            if (flags & DISPATCH_PROPERTYPUTREF)
                kind = (flags & DISPATCH_PROPERTYPUT) && !args.back().isObject()
                           ? Automation::Invoke::PropertyPut
                           : Automation::Invoke::PropertyPutRef;
            else if (flags & DISPATCH_PROPERTYPUT)
                kind = Automation::Invoke::PropertyPut;
            else if (flags & DISPATCH_METHOD)
                kind = Automation::Invoke::Method;
            // The call keeps the object alive, whatever the member releases.
            const Ref<Object> held = m_object;
            const Variant value = held->invoke(id, kind, args);

            for (UINT i = call.cArgs, k = 0; i > call.cNamedArgs; --i, ++k) {
                if ((V_VT(&call.rgvarg[i - 1]) & VT_BYREF) && !(args[k] == before[k]))
                    writeBack(call.rgvarg[i - 1], args[k]);
            }
            if (result)
                toVariant(value, *result);
            return S_OK;
        } catch (const AutomationError &error) {
            return raised(error.number(), error.description(), exception);
        } catch (const std::bad_alloc &) {
            return raised(OutOfMemory, {}, exception);
        } catch (...) {
            return raised(GeneralFailure, {}, exception);
        }
    }

private:
    ~ObjectDispatch()
    {
        forgetWrapper(m_object.get(), this);
        m_object.reset();
        if (LiveCount *live = liveCount())
            live->fetch_sub(1);
    }

    bool offers(REFIID iid) const noexcept
    {
        try {
            return m_object->supports(guidText(iid));
        } catch (...) {
            return false;
        }
    }

    // DISP_E_EXCEPTION, with the error in the caller's EXCEPINFO.
    HRESULT raised(std::int32_t number, const std::u16string &description,
                   EXCEPINFO *exception) const noexcept
    {
        if (exception) {
            *exception = EXCEPINFO();
            exception->scode = hresultOf(number);
            try {
                const ClassInfo *info = m_object->classInfo();
                const std::string source = !info                  ? std::string()
                                           : info->progId.empty() ? info->className
                                                                  : info->progId;
                exception->bstrDescription =
                    toBstr(description.empty() ? standardDescription(number) : description);
                exception->bstrSource = toBstr(utf16(source));
            } catch (...) {
                // The number alone, then.
            }
        }
        return DISP_E_EXCEPTION;
    }

    std::atomic<ULONG> m_references{1};
    Ref<Object> m_object;
};
#pragma GCC diagnostic pop

} // namespace

IDispatch *makeObjectDispatch(const Ref<Object> &object)
{
    return new ObjectDispatch(object);
}

} // namespace Automation::Com

// SPDX-License-Identifier: Apache-2.0
#include "DispatchObject.h"

#include "Com.h"

#include <vector>

namespace Automation::Com {

namespace {

// The VARIANTs of a call, cleared however it ends.
class Arguments
{
public:
    explicit Arguments(std::size_t count) : m_values(count)
    {
        for (VARIANT &value : m_values)
            VariantInit(&value);
    }
    Arguments(const Arguments &) = delete;
    Arguments &operator=(const Arguments &) = delete;
    ~Arguments()
    {
        for (VARIANT &value : m_values)
            VariantClear(&value);
    }
    VARIANT *data() { return m_values.data(); }
    VARIANT &operator[](std::size_t i) { return m_values[i]; }

private:
    std::vector<VARIANT> m_values;
};

// The error of a failed call, with what the object said of it.
[[noreturn]] void raiseFailure(HRESULT hr, EXCEPINFO &exception)
{
    if (hr != DISP_E_EXCEPTION)
        raise(numberOf(hr));
    if (exception.pfnDeferredFillIn)
        exception.pfnDeferredFillIn(&exception);
    const std::u16string description = fromBstr(exception.bstrDescription);
    const HRESULT reported = exception.scode ? exception.scode
                             : exception.wCode
                                 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, exception.wCode)
                                 : E_FAIL;
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    raise(numberOf(reported), description);
}

} // namespace

DispatchObject::DispatchObject(IDispatch *object) : m_object(object), m_dispatch(object)
{
    m_object->AddRef();
}

DispatchObject::DispatchObject(IUnknown *object) : m_object(object), m_dispatch(nullptr)
{
    m_object->AddRef();
}

DispatchObject::~DispatchObject()
{
    m_object->Release();
}

IDispatch *DispatchObject::callable() const
{
    IDispatch *dispatch = m_dispatch;
    if (dispatch)
        dispatch->AddRef();
    else if (FAILED(
                 m_object->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch))) ||
             !dispatch)
        raise(MemberNotFound);
    return dispatch;
}

DispId DispatchObject::idOfName(std::u16string_view name) const
{
    std::wstring spelled = wide(name);
    LPOLESTR names[] = {spelled.data()};
    DISPID id = DISPID_UNKNOWN;
    IDispatch *object = callable();
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    object->Release();
    if (FAILED(hr))
        raise(MemberNotFound);
    return id;
}

Variant DispatchObject::invoke(DispId id, Invoke kind, std::vector<Variant> &args)
{
    // Last argument first, as IDispatch takes them.
    Arguments values(args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
        toVariant(args[args.size() - 1 - i], values[i]);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{values.data(), nullptr, UINT(args.size()), 0};
    WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if (kind == Invoke::PropertyPut || kind == Invoke::PropertyPutRef) {
        if (args.empty())
            raise(WrongArgumentCount);
        flags = kind == Invoke::PropertyPut ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
        parameters.rgdispidNamedArgs = &put;
        parameters.cNamedArgs = 1;
    }
    Arguments result(1);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    // The object may release the last reference the caller had; the call keeps it.
    IDispatch *object = callable();
    const HRESULT hr =
        object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                       flags & DISPATCH_METHOD ? &result[0] : nullptr, &exception, &argumentError);
    object->Release();
    if (FAILED(hr))
        raiseFailure(hr, exception);
    return fromVariant(result[0]);
}

bool DispatchObject::supports(std::string_view iid) const
{
    GUID guid;
    if (!guidOf(iid, guid))
        return false;
    IUnknown *offered = nullptr;
    if (FAILED(m_object->QueryInterface(guid, reinterpret_cast<void **>(&offered))) || !offered)
        return false;
    offered->Release();
    return true;
}

Ref<Object> DispatchObject::interfaceOf(std::string_view iid)
{
    GUID guid;
    void *offered = nullptr;
    if (!guidOf(iid, guid) || FAILED(m_object->QueryInterface(guid, &offered)) || !offered)
        return {};
    Ref<Object> object(new DispatchObject(static_cast<IDispatch *>(offered)));
    static_cast<IDispatch *>(offered)->Release();
    return object;
}

} // namespace Automation::Com

// SPDX-License-Identifier: Apache-2.0
#include "ConnectionPoint.h"

#include <olectl.h>

namespace Automation::Com {

namespace {

VARTYPE typeOf(ValueType type)
{
    switch (type) {
    case ValueType::Boolean:
        return VT_BOOL;
    case ValueType::Integer:
        return VT_I2;
    case ValueType::Long:
        return VT_I4;
    case ValueType::Double:
        return VT_R8;
    case ValueType::String:
        return VT_BSTR;
    case ValueType::Object:
        return VT_DISPATCH;
    default:
        return VT_VARIANT;
    }
}

// One argument in the declared type: `value` holds it; a by-reference parameter passes
// `argument` as a pointer into it.
void prepare(const Parameter &parameter, const Variant &given, VARIANT &value, VARIANT &argument)
{
    toVariant(given, value);
    const VARTYPE type = typeOf(parameter.type);
    if (type != VT_VARIANT && V_VT(&value) != type &&
        FAILED(VariantChangeType(&value, &value, 0, type)))
        raise(TypeMismatch);
    VariantInit(&argument);
    if (!parameter.byReference) {
        VariantCopy(&argument, &value);
        return;
    }
    V_VT(&argument) = VARTYPE(VT_BYREF | type);
    if (type == VT_VARIANT)
        V_VARIANTREF(&argument) = &value;
    else
        V_BYREF(&argument) = &V_NONE(&value);
}

} // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer &owner, const GUID &iid)
    : m_owner(owner), m_iid(iid)
{}

ConnectionPoint::~ConnectionPoint()
{
    for (const Sink &sink : m_sinks)
        sink.dispatch->Release();
}

void ConnectionPoint::fire(const Event &event, std::vector<Variant> &args) noexcept
{
    // A sink may disconnect itself, or another, while it runs: the list is copied.
    const std::vector<Sink> sinks = m_sinks;
    for (const Sink &sink : sinks)
        sink.dispatch->AddRef();
    const std::size_t count = event.parameters.size();
    for (const Sink &sink : sinks) {
        // Zeroed VARIANTs are empty ones; each is cleared however the call ends.
        std::vector<VARIANT> values(count), arguments(count);
        try {
            // IDispatch takes the last argument first.
            for (std::size_t i = 0; i < count; ++i)
                prepare(event.parameters[i], i < args.size() ? args[i] : Variant(),
                        values[count - 1 - i], arguments[count - 1 - i]);
            DISPPARAMS parameters{arguments.data(), nullptr, UINT(count), 0};
            EXCEPINFO exception{};
            sink.dispatch->Invoke(event.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                  &parameters, nullptr, &exception, nullptr);
            SysFreeString(exception.bstrDescription);
            SysFreeString(exception.bstrSource);
            SysFreeString(exception.bstrHelpFile);
            for (std::size_t i = 0; i < count && i < args.size(); ++i) {
                if (event.parameters[i].byReference)
                    args[i] = fromVariant(values[count - 1 - i]);
            }
        } catch (...) {
            // The sink's failure stays with the sink.
        }
        for (std::size_t i = 0; i < count; ++i) {
            // A by-reference argument points into its value: only the value owns.
            if (!(V_VT(&arguments[i]) & VT_BYREF))
                VariantClear(&arguments[i]);
            VariantClear(&values[i]);
        }
    }
    for (const Sink &sink : sinks)
        sink.dispatch->Release();
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint))
        return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint *>(this);
    AddRef();
    return S_OK;
}

ULONG ConnectionPoint::AddRef()
{
    return m_owner.AddRef();
}

ULONG ConnectionPoint::Release()
{
    return m_owner.Release();
}

HRESULT ConnectionPoint::GetConnectionInterface(IID *iid)
{
    if (!iid)
        return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer **container)
{
    if (!container)
        return E_POINTER;
    m_owner.AddRef();
    *container = &m_owner;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown *sink, DWORD *cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    IDispatch *dispatch = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void **>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    try {
        m_sinks.push_back({++m_lastCookie, dispatch});
    } catch (...) {
        dispatch->Release();
        return E_OUTOFMEMORY;
    }
    *cookie = m_lastCookie;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie)
{
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->cookie == cookie) {
            IDispatch *dispatch = it->dispatch;
            m_sinks.erase(it);
            dispatch->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections **connections)
{
    if (connections)
        *connections = nullptr;
    return E_NOTIMPL;
}

} // namespace Automation::Com

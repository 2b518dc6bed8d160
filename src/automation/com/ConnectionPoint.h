// SPDX-License-Identifier: Apache-2.0
// ConnectionPoint: the one connection point of an object's source dispinterface (its
// events, ClassInfo's `events`), through which clients connect their IDispatch.
//
// The point lives inside the object that raises the events and shares its reference
// count (`owner`). Advise keeps a reference to the client's sink until Unadvise with
// its cookie; `fire` calls every sink's IDispatch::Invoke (DISPATCH_METHOD) with the
// event's dispatch identifier and arguments, in the order they connected. A
// by-reference parameter (a Cancel) goes as VT_BYREF and what the sink left in it comes
// back into `args`, for the next sink and for the raiser. A sink that fails is its own
// business: the raiser goes on.
#pragma once

#include "Com.h"
#include "automation/ClassInfo.h"

#include <ocidl.h>

#include <vector>

namespace Automation::Com {

// COM objects are deleted by their own Release, never through an interface pointer:
// interfaces have no virtual destructor, by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ConnectionPoint final : public IConnectionPoint
{
public:
    ConnectionPoint(IConnectionPointContainer &owner, const GUID &iid);
    ConnectionPoint(const ConnectionPoint &) = delete;
    ConnectionPoint &operator=(const ConnectionPoint &) = delete;
    ~ConnectionPoint();

    const GUID &iid() const { return m_iid; }
    // Raises `event` to every connected sink; `args` in the event's parameter order.
    void fire(const Event &event, std::vector<Variant> &args) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID *iid) override;
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer **container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown *sink, DWORD *cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections **connections) override;

private:
    struct Sink
    {
        DWORD cookie;
        IDispatch *dispatch;
    };

    IConnectionPointContainer &m_owner;
    GUID m_iid;
    std::vector<Sink> m_sinks;
    DWORD m_lastCookie = 0;
};
#pragma GCC diagnostic pop

} // namespace Automation::Com

// SPDX-License-Identifier: Apache-2.0
// DispatchObject: another program's automation object (the host's publication tree
// and its nodes), reached late-bound through its IDispatch.
//
//  - idOfName is IDispatch::GetIDsOfNames: an unknown name is error 438;
//  - invoke is IDispatch::Invoke with DISPATCH_METHOD | DISPATCH_PROPERTYGET for a call
//    or a read (a script engine's way: either a method or a property answers),
//    DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF with the named argument
//    DISPID_PROPERTYPUT for an assignment. Arguments go by value: nothing is written
//    back. A failure is raised with its automation number (Com::numberOf) and, for an
//    exception the object reports, its description;
//  - supports(iid) is QueryInterface: the object offers the interface when it answers
//    (the tree-view node interface {C74190B8-8589-11D1-B16A-00C0F0283628} ...);
//  - interfaceOf(iid) is the pointer QueryInterface answers, as an object of its own
//    that calls go through: the interfaces asked for are dual, and an object's own
//    IDispatch may be another of its interfaces, with other members behind the same
//    dispatch identifiers.
// An object handed as IUnknown is called through the IDispatch it answers for (438 when
// it has none); either way the object gives back the very pointer it was made with.
#pragma once

#include "automation/Object.h"

#include <oaidl.h>

namespace Automation::Com {

class DispatchObject final : public Object
{
public:
    // Holds one reference to `object`, which must not be null.
    explicit DispatchObject(IDispatch *object);
    explicit DispatchObject(IUnknown *object);

    IUnknown *unknown() const { return m_object; }
    // The pointer as an IDispatch, or nullptr when it came as IUnknown.
    IDispatch *dispatch() const { return m_dispatch; }

    DispId idOfName(std::u16string_view name) const override;
    Variant invoke(DispId id, Invoke kind, std::vector<Variant> &args) override;
    bool supports(std::string_view iid) const override;
    Ref<Object> interfaceOf(std::string_view iid) override;

protected:
    ~DispatchObject() override;

private:
    // The IDispatch to call, with a reference the caller releases; 438 when there is none.
    IDispatch *callable() const;

    IUnknown *m_object;
    IDispatch *m_dispatch; // m_object itself, or nullptr
};

} // namespace Automation::Com

// SPDX-License-Identifier: Apache-2.0
#include "ComClasses.h"

#include "automation/ClassInfo.h"
#include "fieldlist/VrnFieldList.h"
#include "plugin/ErrorObject.h"
#include "plugin/MainForm.h"

// <windows.h> after the portable headers (Com.h).
#include "automation/com/ComObject.h"
#include "automation/com/ConnectionPoint.h"

// The interfaces widl generated from OrvFields.idl, in the build folder.
#include <OrvFields_h.h>

#include <ocidl.h>
#include <olectl.h>

#include <string_view>

namespace Plugin {

namespace {

using Automation::Ref;
using Automation::Variant;
using Automation::Com::ComObject;
using Automation::Com::fromBstr;
using Automation::Com::fromDispatch;
using Automation::Com::fromVariant;
using Automation::Com::fromVariantBool;
using Automation::Com::toBstr;
using Automation::Com::toDispatch;
using Automation::Com::toVariant;
using Automation::Com::toVariantBool;

std::u16string sourceOf(const Automation::ClassInfo &table)
{
    return Automation::utf16(table.progId);
}

// An object as one of its interfaces, with one reference for the caller.
template <class Interface> Interface *toInterface(const Ref<Automation::Object> &object)
{
    IDispatch *dispatch = toDispatch(object);
    if (!dispatch)
        return nullptr;
    Interface *typed = nullptr;
    dispatch->QueryInterface(__uuidof(Interface), reinterpret_cast<void **>(&typed));
    dispatch->Release();
    if (!typed)
        Automation::raise(Automation::TypeMismatch);
    return typed;
}

// [in, out] BSTR: the method's text back into the caller's, reallocated only when it
// changed.
void writeBack(BSTR *text, const std::u16string &before, const std::u16string &after)
{
    if (after == before)
        return;
    BSTR changed = toBstr(after);
    SysFreeString(*text);
    *text = changed;
}

class ComErrorObject final : public ComObject<_ErrorObject, ErrorObject>
{
public:
    explicit ComErrorObject(const Ref<ErrorObject> &object)
        : ComObject(object, sourceOf(ErrorObject::staticClassInfo()))
    {}

    HRESULT STDMETHODCALLTYPE get_Description(BSTR *RHS) override
    {
        return read(RHS, [&] { return toBstr(object().Description()); });
    }
    HRESULT STDMETHODCALLTYPE get_Number(LONG *RHS) override
    {
        return read(RHS, [&] { return LONG(object().Number()); });
    }
    HRESULT STDMETHODCALLTYPE get_Source(BSTR *RHS) override
    {
        return read(RHS, [&] { return toBstr(object().Source()); });
    }
};

class ComMainForm final : public ComObject<_MainForm, MainForm>
{
public:
    explicit ComMainForm(const Ref<MainForm> &object)
        : ComObject(object, sourceOf(MainForm::staticClassInfo()))
    {}

    HRESULT STDMETHODCALLTYPE get_CreateLogFile(VARIANT_BOOL *RHS) override
    {
        return read(RHS, [&] { return toVariantBool(object().CreateLogFile()); });
    }
    HRESULT STDMETHODCALLTYPE put_CreateLogFile(VARIANT_BOOL RHS) override
    {
        return run([&] { object().setCreateLogFile(fromVariantBool(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_CreatorField(BSTR *RHS) override
    {
        return read(RHS, [&] { return toBstr(object().CreatorField()); });
    }
    HRESULT STDMETHODCALLTYPE put_CreatorField(BSTR RHS) override
    {
        return run([&] { object().setCreatorField(fromBstr(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_PluginState(IDispatch **RHS) override
    {
        return read(RHS, [&] { return toDispatch(object().PluginState()); });
    }
    HRESULT STDMETHODCALLTYPE putref_PluginState(IDispatch *RHS) override
    {
        return run([&] { object().setPluginState(fromDispatch(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_PluginPercent(IDispatch **RHS) override
    {
        return read(RHS, [&] { return toDispatch(object().PluginPercent()); });
    }
    HRESULT STDMETHODCALLTYPE putref_PluginPercent(IDispatch *RHS) override
    {
        return run([&] { object().setPluginPercent(fromDispatch(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_PluginObject(IDispatch **RHS) override
    {
        return read(RHS, [&] { return toDispatch(object().PluginObject()); });
    }
    HRESULT STDMETHODCALLTYPE putref_PluginObject(IDispatch *RHS) override
    {
        return run([&] { object().setPluginObject(fromDispatch(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_PluginVariable(VARIANT *RHS) override
    {
        if (!RHS)
            return E_POINTER;
        VariantInit(RHS);
        return run([&] { toVariant(object().PluginVariable(), *RHS); });
    }
    HRESULT STDMETHODCALLTYPE put_PluginVariable(VARIANT RHS) override
    {
        return run([&] { object().setPluginVariable(fromVariant(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE putref_PluginVariable(VARIANT RHS) override
    {
        return run([&] { object().setPluginVariable(fromVariant(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch **RHS) override
    {
        return read(RHS, [&] { return toDispatch(object().Parent()); });
    }
    HRESULT STDMETHODCALLTYPE putref_Parent(IDispatch *RHS) override
    {
        return run([&] { object().setParent(fromDispatch(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_InputNeed(BSTR *RHS) override
    {
        return read(RHS, [&] { return toBstr(object().InputNeed()); });
    }
    HRESULT STDMETHODCALLTYPE put_Language(LONG RHS) override
    {
        return run([&] { object().setLanguage(std::int32_t(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_Language(LONG *RHS) override
    {
        return read(RHS, [&] { return LONG(object().Language()); });
    }
    HRESULT STDMETHODCALLTYPE get_LastError(_ErrorObject **RHS) override
    {
        return read(RHS, [&] { return toInterface<_ErrorObject>(object().LastError()); });
    }
    HRESULT STDMETHODCALLTYPE get_Reload(VARIANT_BOOL *RHS) override
    {
        return read(RHS, [&] { return toVariantBool(object().Reload()); });
    }
    HRESULT STDMETHODCALLTYPE LoadSettings(BSTR *ApplicationName) override
    {
        if (!ApplicationName)
            return E_POINTER;
        return run([&] {
            const std::u16string before = fromBstr(*ApplicationName);
            std::u16string name = before;
            object().LoadSettings(name);
            writeBack(ApplicationName, before, name);
        });
    }
    HRESULT STDMETHODCALLTYPE SaveSettings(BSTR *ApplicationName) override
    {
        if (!ApplicationName)
            return E_POINTER;
        return run([&] {
            const std::u16string before = fromBstr(*ApplicationName);
            std::u16string name = before;
            object().SaveSettings(name);
            writeBack(ApplicationName, before, name);
        });
    }
    HRESULT STDMETHODCALLTYPE Show() override
    {
        return run([&] { object().Show(); });
    }
};

// Deleted by its own Release, never through an interface pointer (interfaces have no
// virtual destructor, by design).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ComVrnFieldList final : public ComObject<_VrnFieldList, FieldList::VrnFieldList>,
                              public IConnectionPointContainer,
                              public IProvideClassInfo2,
                              private FieldList::VrnFieldList::Events
{
public:
    explicit ComVrnFieldList(const Ref<FieldList::VrnFieldList> &object)
        : ComObject(object, sourceOf(FieldList::VrnFieldList::staticClassInfo())),
          m_events(*this, __uuidof(__VrnFieldList))
    {
        object->setEvents(this);
    }
    ~ComVrnFieldList() override { object().setEvents(nullptr); }

    // Every interface's IUnknown is the object's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        return ComObject::QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ComObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return ComObject::Release(); }

    HRESULT STDMETHODCALLTYPE get_Count(LONG *RHS) override
    {
        return read(RHS, [&] { return LONG(object().Count()); });
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL *RHS) override
    {
        return read(RHS, [&] { return toVariantBool(object().Enabled()); });
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL RHS) override
    {
        return run([&] { object().setListEnabled(fromVariantBool(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_LinesCount(LONG *RHS) override
    {
        return read(RHS, [&] { return LONG(object().LinesCount()); });
    }
    HRESULT STDMETHODCALLTYPE put_LinesCount(LONG RHS) override
    {
        return run([&] { object().setLinesCount(std::int32_t(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_LockOnEnter(VARIANT_BOOL *RHS) override
    {
        return read(RHS, [&] { return toVariantBool(object().LockOnEnter()); });
    }
    HRESULT STDMETHODCALLTYPE put_LockOnEnter(VARIANT_BOOL RHS) override
    {
        return run([&] { object().setLockOnEnter(fromVariantBool(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE get_SelectedIndex(LONG *RHS) override
    {
        return read(RHS, [&] { return LONG(object().SelectedIndex()); });
    }
    HRESULT STDMETHODCALLTYPE put_SelectedIndex(LONG RHS) override
    {
        return run([&] { object().setSelectedIndex(std::int32_t(RHS)); });
    }
    HRESULT STDMETHODCALLTYPE AddElem(BSTR fieldName, BSTR fieldValue,
                                      VARIANT_BOOL Editable) override
    {
        return run([&] {
            object().AddElem(fromBstr(fieldName), fromBstr(fieldValue), fromVariantBool(Editable));
        });
    }
    HRESULT STDMETHODCALLTYPE Clear() override
    {
        return run([&] { object().Clear(); });
    }
    HRESULT STDMETHODCALLTYPE EnsureVisible(LONG Index) override
    {
        return run([&] { object().EnsureVisible(std::int32_t(Index)); });
    }
    HRESULT STDMETHODCALLTYPE RemoveElem(LONG Index) override
    {
        return run([&] { object().RemoveElem(std::int32_t(Index)); });
    }

    // IConnectionPointContainer: the one point, for __VrnFieldList.
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints **points) override
    {
        if (points)
            *points = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint **point) override
    {
        if (!point)
            return E_POINTER;
        *point = nullptr;
        if (!IsEqualIID(iid, m_events.iid()))
            return CONNECT_E_NOCONNECTION;
        m_events.AddRef();
        *point = &m_events;
        return S_OK;
    }

    // IProvideClassInfo2: the coclass, whose default source is the events' interface.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo **info) override
    {
        if (!info)
            return E_POINTER;
        *info = Automation::Com::typeInfoOf(__uuidof(::VrnFieldList), false);
        if (!*info)
            return E_FAIL;
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID *guid) override
    {
        if (!guid)
            return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID)
            return E_INVALIDARG;
        *guid = m_events.iid();
        return S_OK;
    }

protected:
    void *otherInterface(REFIID iid) override
    {
        if (IsEqualIID(iid, IID_IConnectionPointContainer))
            return static_cast<IConnectionPointContainer *>(this);
        if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2))
            return static_cast<IProvideClassInfo2 *>(this);
        return nullptr;
    }

private:
    // The events, raised to the connected clients as the class table declares them.
    void fire(std::string_view name, std::vector<Variant> &args)
    {
        for (const Automation::Event &event : FieldList::VrnFieldList::staticClassInfo().events) {
            if (event.name == name)
                m_events.fire(event, args);
        }
    }
    void fire(std::string_view name, std::vector<Variant> &&args) { fire(name, args); }

    void AddField(const std::u16string &Name, const std::u16string &Value) override
    {
        fire("AddField", {Name, Value});
    }
    void Change() override { fire("Change", {}); }
    void ChangingFieldName(const std::u16string &OldName, const std::u16string &NewName,
                           bool &Cancel) override
    {
        std::vector<Variant> args{OldName, NewName, Cancel};
        fire("ChangingFieldName", args);
        Cancel = args[2].toBoolean();
    }
    void ChangingFieldValue(const std::u16string &OldValue, const std::u16string &NewValue,
                            bool &Cancel) override
    {
        std::vector<Variant> args{OldValue, NewValue, Cancel};
        fire("ChangingFieldValue", args);
        Cancel = args[2].toBoolean();
    }
    void ChangeFieldName(const std::u16string &OldName, const std::u16string &NewName) override
    {
        fire("ChangeFieldName", {OldName, NewName});
    }
    void ChangeFieldValue(const std::u16string &Name, const std::u16string &Value) override
    {
        fire("ChangeFieldValue", {Name, Value});
    }
    void RemoveField(const std::u16string &Name, const std::u16string &Value) override
    {
        fire("RemoveField", {Name, Value});
    }
    void SelectedChange() override { fire("SelectedChange", {}); }

    Automation::Com::ConnectionPoint m_events;
};
#pragma GCC diagnostic pop

template <class Com, class T> IDispatch *wrap(const Ref<Automation::Object> &object)
{
    Com *made = new Com(Automation::refAs<T>(object));
    return static_cast<IDispatch *>(static_cast<typename Com::DualInterface *>(made));
}

} // namespace

void registerComClasses()
{
    using Automation::Com::registerWrapper;
    registerWrapper(MainForm::staticClassInfo(), &wrap<ComMainForm, MainForm>);
    registerWrapper(ErrorObject::staticClassInfo(), &wrap<ComErrorObject, ErrorObject>);
    registerWrapper(FieldList::VrnFieldList::staticClassInfo(),
                    &wrap<ComVrnFieldList, FieldList::VrnFieldList>);
}

} // namespace Plugin

// SPDX-License-Identifier: Apache-2.0
// comcheck DLL: OrvFields.dll as a C++ client sees it. Through its vtables, loaded from
// its file: class objects, DllCanUnloadNow, reference setters and the order MainForm
// lets go of them, error information, the field list's events. Through the runtime's
// COM bridges (the component registered): a host's objects through DispatchObject, a
// host interface through its own pointer, a by-reference call. How values cross
// IDispatch::Invoke is tst_automation's (under wine).
// Prints each failed check, then "comcheck: N checks, F failed"; exits with F.
#include "../../support/Errors.h"
#include "../Checks.h"
#include "automation/ClassInfo.h"
#include "automation/Dispatch.h"
#include "automation/Registry.h"
#include "automation/Text.h"

#include "automation/com/Com.h"
#include "automation/com/DispatchObject.h"
#include "publication/mdlTreeview.h"

#include <ole2.h>
#include <olectl.h>
#include <windows.h>

// The interfaces widl generated from OrvFields.idl, in the build folder.
#include <OrvFields_h.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Checks::check;
using Checks::narrow;
using Support::errorOf;

// What the component did to the test's objects, in order, each followed by a space.
std::string journal;

// COM objects of the test's own live on its stack and are never deleted by Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TestDispatch : public IDispatch
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (owner)
            return owner->QueryInterface(iid, out);
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !(IsEqualIID(iid, IID_IDispatch) && dispatchable))
            return E_NOINTERFACE;
        *out = static_cast<IDispatch *>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *,
                                     EXCEPINFO *, UINT *) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

    ULONG references = 1;
    bool dispatchable = true;   // false: an object that offers IUnknown alone
    IDispatch *owner = nullptr; // another interface of this object, which answers for it
};

// A host object that writes its releases in the journal.
class Probe final : public TestDispatch
{
public:
    explicit Probe(std::string probeName) : name(std::move(probeName)) {}
    ULONG STDMETHODCALLTYPE Release() override
    {
        journal += name + " ";
        return --references;
    }

    std::string name;
};

// A client of the field list's events: each event's dispatch identifier and arguments in
// the journal.
class Sink final : public TestDispatch
{
public:
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *parameters,
                                     VARIANT *, EXCEPINFO *, UINT *) override
    {
        std::string line = std::to_string(id) + "(";
        for (UINT i = parameters->cArgs; i > 0; --i) {
            const VARIANT &argument = parameters->rgvarg[i - 1];
            line += i == parameters->cArgs ? "" : ",";
            line += V_VT(&argument) == VT_BSTR ? narrow(V_BSTR(&argument)) : "?";
        }
        journal += line + ") ";
        return S_OK;
    }
};

// A host's tree whose own IDispatch is another of its dual interfaces, one without
// SelectedNode's dispatch identifier 0x60030017.
class Tree final : public TestDispatch
{
public:
    Tree() { other.owner = this; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        GUID tree{};
        Automation::Com::guidOf(mdlTreeview::HostTreeInterface, tree);
        *out = static_cast<IDispatch *>(IsEqualIID(iid, IID_IDispatch) ? &other
                                        : IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, tree)
                                            ? this
                                            : nullptr);
        return *out ? S_OK : E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *result,
                                     EXCEPINFO *, UINT *) override
    {
        if (id != mdlTreeview::SelectedNodeId)
            return DISP_E_MEMBERNOTFOUND;
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocString(L"SelectedNode");
        return S_OK;
    }

    TestDispatch other;
};
#pragma GCC diagnostic pop

using GetClassObject = HRESULT(STDAPICALLTYPE *)(REFCLSID, REFIID, void **);
using CanUnloadNow = HRESULT(STDAPICALLTYPE *)();

GetClassObject getClassObject = nullptr;
CanUnloadNow canUnloadNow = nullptr;

// An exported function as its own type (through the one type a cast is silent about).
template <class Function> Function entry(HMODULE library, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

template <class Interface> Interface *create(const CLSID &clsid)
{
    IClassFactory *factory = nullptr;
    Interface *made = nullptr;
    if (SUCCEEDED(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void **>(&factory)))) {
        factory->CreateInstance(nullptr, __uuidof(Interface), reinterpret_cast<void **>(&made));
        factory->Release();
    }
    return made;
}

void classObjects()
{
    IClassFactory *factory = nullptr;
    check(getClassObject(__uuidof(MainForm), IID_IClassFactory,
                         reinterpret_cast<void **>(&factory)) == S_OK &&
              factory,
          "MainForm's class object");
    if (!factory)
        return;
    Probe outer("outer");
    IUnknown *aggregated = nullptr;
    check(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void **>(&aggregated)) ==
                  CLASS_E_NOAGGREGATION &&
              !aggregated,
          "aggregation is refused");
    factory->LockServer(TRUE);
    check(canUnloadNow() == S_FALSE, "a lock keeps the server");
    factory->LockServer(FALSE);
    check(canUnloadNow() == S_OK, "the server can unload once unlocked");
    factory->Release();
    void *none = nullptr;
    check(getClassObject(IID_IDispatch, IID_IClassFactory, &none) == CLASS_E_CLASSNOTAVAILABLE,
          "an unknown class is not available");
}

void referencesAndTerminate()
{
    _MainForm *form = create<_MainForm>(__uuidof(MainForm));
    check(form != nullptr, "MainForm created through its class object");
    if (!form)
        return;
    check(canUnloadNow() == S_FALSE, "a live MainForm keeps the server");
    Probe state("PluginState"), percent("PluginPercent"), object("PluginObject"),
        variable("PluginVariable"), parent("Parent");
    form->putref_PluginState(&state);
    form->putref_PluginPercent(&percent);
    form->putref_PluginObject(&object);
    variable.dispatchable = false;
    VARIANT value;
    V_VT(&value) = VT_UNKNOWN;
    V_UNKNOWN(&value) = &variable;
    form->putref_PluginVariable(value);
    form->putref_Parent(&parent);
    for (Probe *probe : {&state, &percent, &object, &variable, &parent})
        check(probe->references == 2, probe->name + " holds one counted reference");

    _ErrorObject *error = nullptr;
    form->get_LastError(&error);

    journal.clear();
    form->Release();
    check(journal == "PluginState PluginPercent PluginObject PluginVariable Parent ",
          "Class_Terminate's order of release: " + journal);
    for (Probe *probe : {&state, &percent, &object, &variable, &parent})
        check(probe->references == 1, probe->name + " released");
    check(canUnloadNow() == S_FALSE, "the error record alone keeps the server");
    if (error)
        error->Release();
    check(canUnloadNow() == S_OK, "no object left: the server can unload");
}

void events()
{
    _VrnFieldList *list = create<_VrnFieldList>(__uuidof(VrnFieldList));
    check(list != nullptr, "VrnFieldList created through its class object");
    if (!list)
        return;

    ISupportErrorInfo *supports = nullptr;
    list->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void **>(&supports));
    check(supports && supports->InterfaceSupportsErrorInfo(__uuidof(_VrnFieldList)) == S_OK,
          "error information for _VrnFieldList's vtable clients");
    if (supports)
        supports->Release();
    IConnectionPointContainer *container = nullptr;
    IConnectionPoint *point = nullptr;
    list->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(&container));
    if (container) {
        container->FindConnectionPoint(__uuidof(__VrnFieldList), &point);
        container->Release();
    }
    check(point != nullptr, "a connection point for __VrnFieldList");
    Sink sink;
    DWORD cookie = 0;
    if (point)
        check(point->Advise(&sink, &cookie) == S_OK, "a client connects");
    journal.clear();
    BSTR name = SysAllocString(L"Title");
    BSTR text = SysAllocString(L"Report");
    list->AddElem(name, text, VARIANT_FALSE);
    list->RemoveElem(1);
    list->Clear();
    // AddElem: Change (2), AddField (1), SelectedChange (8) twice (the new selection, then
    // the row's own); RemoveElem of the selected row: SelectedChange, Change, RemoveField
    // (7); Clear: Change.
    check(journal == "2() 1(Title,Report) 8() 8() 8() 2() 7(Title,Report) 2() ",
          "events of AddElem, RemoveElem, Clear: " + journal);
    if (point) {
        point->Unadvise(cookie);
        point->Release();
    }
    journal.clear();
    list->AddElem(name, text, VARIANT_FALSE);
    check(journal.empty(), "no event after the client disconnects");
    SysFreeString(name);
    SysFreeString(text);
    list->Release();
    check(sink.references == 1, "the component lets go of the client");
}

// A host's node, made of a portable object as a client's publication tree is.
class Node final : public Automation::Object
{
public:
    static constexpr char TreeViewNode[] = "{C74190B8-8589-11D1-B16A-00C0F0283628}";

    static const Automation::ClassInfo &staticClassInfo()
    {
        static const Automation::ClassInfo info =
            Automation::ClassBuilder<Node>("Node", "", "", "INode", TreeViewNode)
                .get("Text", 1, &Node::Text)
                .put("Text", 1, &Node::setText)
                .method("Fail", 2, &Node::Fail)
                .build();
        return info;
    }
    const Automation::ClassInfo *classInfo() const override { return &staticClassInfo(); }

    std::u16string Text() const { return m_text; }
    void setText(const std::u16string &text) { m_text = text; }
    void Fail() { Automation::raise(Automation::InvalidProcedureCall, u"no such book"); }

private:
    std::u16string m_text = u"Book";
};

void bridges()
{
    using namespace Automation;
    // A host object as the component reaches it: its IDispatch, called late-bound.
    const Ref<Node> node = make<Node>();
    IDispatch *dispatch = Com::toDispatch(node);
    const Ref<Object> hostObject(new Com::DispatchObject(dispatch));
    dispatch->Release();
    check(get(hostObject, u"TEXT").toText() == u"Book", "a host's property read by name, any case");
    put(hostObject.get(), u"text", Variant(std::u16string(u"Annual report")));
    check(node->Text() == u"Annual report", "a host's property assigned");
    std::u16string description;
    check(errorOf([&] { call(hostObject, u"Fail"); }, &description) == 5 &&
              description == u"no such book",
          "a host's error comes back with its number and text");
    check(errorOf([&] { get(hostObject, u"NoSuchMember"); }) == 438,
          "a host's unknown member: 438");
    check(hostObject->supports(Node::TreeViewNode) &&
              !hostObject->supports("{00000000-0000-0000-0000-00000000ABCD}"),
          "a host's interfaces by QueryInterface");
    // SelectedNode as mdlTreeview reads it, from the tree as a host hands it over.
    Tree tree;
    const Ref<Object> hostTree = Com::fromDispatch(&tree.other);
    check(get(queryInterface(hostTree, mdlTreeview::HostTreeInterface).get(),
              mdlTreeview::SelectedNodeId)
                  .toText() == u"SelectedNode",
          "SelectedNode is read through the host's tree interface");

    // The component by its programmatic identifier, a typed [in, out] BSTR.
    const Ref<Object> form = createObject(u"OrvFields.MainForm");
    std::vector<Variant> settings{Variant(std::u16string(u"Orvane"))};
    check(form && errorOf([&] { callRef(form.get(), u"LoadSettings", settings); }) == 0 &&
              settings[0].toText() == u"Orvane",
          "LoadSettings by reference from C++");
    // The type library's coercion fails with DISP_E_TYPEMISMATCH, which DispatchObject maps.
    check(errorOf([&] { put(form.get(), u"Language", Variant(std::u16string(u"x"))); }) == 13,
          "a value that does not convert: 13");
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: comcheck OrvFields.dll\n");
        return 2;
    }
    OleInitialize(nullptr);
    HMODULE library = LoadLibraryW(argv[1]);
    getClassObject = entry<GetClassObject>(library, "DllGetClassObject");
    canUnloadNow = entry<CanUnloadNow>(library, "DllCanUnloadNow");
    check(getClassObject && canUnloadNow, "the DLL exports its entry points undecorated");
    if (getClassObject && canUnloadNow) {
        classObjects();
        referencesAndTerminate();
        events();
        bridges();
    }
    const int failures = Checks::summary("comcheck");
    std::fflush(stdout);
    OleUninitialize();
    return failures;
}

// SPDX-License-Identifier: Apache-2.0
// typelib-dump FILE: the type library in FILE (a .tlb, or a DLL that holds one as
// resource 1) as the system's reader sees it, in the format of ClassInfo::describe, to
// compare line for line with the class tables (ClassTables.cpp); an interface whose flags
// are not those of the component's dual interfaces says so on a line of its own.
#include "../Checks.h"

#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Checks::narrow;

std::string bstrText(BSTR text)
{
    std::string out = narrow(text);
    SysFreeString(text);
    return out;
}

std::string guidText(const GUID &guid)
{
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return narrow(text);
}

std::string nameOf(ITypeInfo *info, MEMBERID id = MEMBERID_NIL)
{
    BSTR name = nullptr;
    if (FAILED(info->GetDocumentation(id, &name, nullptr, nullptr, nullptr)))
        return "?";
    return bstrText(name);
}

// The automation name of a type: Boolean, Long ..., an interface's name, Object for
// IDispatch.
std::string typeName(ITypeInfo *info, const TYPEDESC &type)
{
    const std::pair<VARTYPE, const char *> names[] = {
        {VT_BOOL, "Boolean"}, {VT_I2, "Integer"},      {VT_I4, "Long"},        {VT_R8, "Double"},
        {VT_BSTR, "String"},  {VT_VARIANT, "Variant"}, {VT_DISPATCH, "Object"}};
    for (const auto &[vt, name] : names)
        if (type.vt == vt)
            return name;
    if (type.vt != VT_PTR)
        return "?vt" + std::to_string(type.vt);
    if (type.lptdesc->vt != VT_USERDEFINED)
        return "?pointer to " + typeName(info, *type.lptdesc);
    ITypeInfo *referred = nullptr;
    if (FAILED(info->GetRefTypeInfo(type.lptdesc->hreftype, &referred)))
        return "?";
    std::string name = nameOf(referred);
    referred->Release();
    return name;
}

// "(ByRef Cancel As Boolean, ...)" and the result's type, from the parameters.
void describeParameters(ITypeInfo *info, const FUNCDESC &function, std::string &list,
                        std::string &result)
{
    std::vector<BSTR> names(std::size_t(function.cParams) + 1, nullptr);
    UINT count = 0;
    info->GetNames(function.memid, names.data(), UINT(names.size()), &count);
    for (SHORT i = 0; i < function.cParams; ++i) {
        const ELEMDESC &element = function.lprgelemdescParam[i];
        const USHORT flags = element.paramdesc.wParamFlags;
        const bool pointer = element.tdesc.vt == VT_PTR;
        if (flags & PARAMFLAG_FRETVAL) {
            result = typeName(info, pointer ? *element.tdesc.lptdesc : element.tdesc);
            continue;
        }
        const bool byReference = (flags & PARAMFLAG_FOUT) && pointer;
        const std::string name =
            std::size_t(i) + 1 < count ? narrow(names[std::size_t(i) + 1]) : "?";
        list += (list.empty() ? "" : ", ") + std::string(byReference ? "ByRef " : "") + name +
                " As " + typeName(info, byReference ? *element.tdesc.lptdesc : element.tdesc);
    }
    for (BSTR name : names)
        SysFreeString(name);
}

void describeMembers(ITypeInfo *info, const TYPEATTR &attributes, bool events)
{
    for (WORD i = 0; i < attributes.cFuncs; ++i) {
        FUNCDESC *function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function)))
            continue;
        std::string list, result;
        describeParameters(info, *function, list, result);
        const std::string name = nameOf(info, function->memid);
        char id[16];
        std::snprintf(id, sizeof id, "  0x%08lX", static_cast<unsigned long>(function->memid));
        std::string line = id;
        const INVOKEKIND kind = function->invkind;
        if (events)
            line += " event " + name + "(" + list + ")";
        else if (kind == INVOKE_PROPERTYGET)
            line += " get " + name + " As " + result;
        else if (kind == INVOKE_PROPERTYPUT || kind == INVOKE_PROPERTYPUTREF)
            line += std::string(kind == INVOKE_PROPERTYPUT ? " put " : " putref ") + name + " As " +
                    list.substr(list.rfind(" As ") + 4);
        else
            line += " method " + name + "(" + list + ")" + (result.empty() ? "" : " As " + result);
        std::printf("%s\n", line.c_str());
        info->ReleaseFuncDesc(function);
    }
}

// The interface behind a coclass's implemented type: for a dual interface, its vtable
// half, which lists the members in slot order without IDispatch's own.
ITypeInfo *implementedType(ITypeInfo *coclass, UINT index)
{
    HREFTYPE reference = 0;
    ITypeInfo *type = nullptr;
    if (FAILED(coclass->GetRefTypeOfImplType(index, &reference)) ||
        FAILED(coclass->GetRefTypeInfo(reference, &type)))
        return nullptr;
    TYPEATTR *attributes = nullptr;
    type->GetTypeAttr(&attributes);
    const bool dual =
        attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL);
    type->ReleaseTypeAttr(attributes);
    if (dual && SUCCEEDED(type->GetRefTypeOfImplType(UINT(-1), &reference))) {
        ITypeInfo *vtable = nullptr;
        if (SUCCEEDED(type->GetRefTypeInfo(reference, &vtable))) {
            type->Release();
            return vtable;
        }
    }
    return type;
}

void describeClass(const std::string &libraryName, ITypeInfo *coclass, const TYPEATTR &attributes)
{
    const std::string name = nameOf(coclass);
    std::printf("class %s (%s.%s)\n  ClassID %s\n", name.c_str(), libraryName.c_str(), name.c_str(),
                guidText(attributes.guid).c_str());
    // The default interface, then the events (the class's source): the class tables' order.
    for (const bool events : {false, true}) {
        for (UINT i = 0; i < attributes.cImplTypes; ++i) {
            INT flags = 0;
            coclass->GetImplTypeFlags(i, &flags);
            ITypeInfo *type = nullptr;
            if (bool(flags & IMPLTYPEFLAG_FSOURCE) != events || !(flags & IMPLTYPEFLAG_FDEFAULT) ||
                !(type = implementedType(coclass, i)))
                continue;
            TYPEATTR *typeAttributes = nullptr;
            type->GetTypeAttr(&typeAttributes);
            std::printf("  %s %s %s\n", events ? "events" : "interface", nameOf(type).c_str(),
                        guidText(typeAttributes->guid).c_str());
            const WORD dual = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                              TYPEFLAG_FOLEAUTOMATION;
            if (!events && (typeAttributes->wTypeFlags & dual) != dual)
                std::printf("  interface flags 0x%04X\n", typeAttributes->wTypeFlags);
            if (!events && (attributes.wTypeFlags & TYPEFLAG_FCONTROL))
                std::printf("  control\n");
            describeMembers(type, *typeAttributes, events);
            type->ReleaseTypeAttr(typeAttributes);
            type->Release();
        }
    }
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: typelib-dump FILE\n");
        return 2;
    }
    ITypeLib *library = nullptr;
    const HRESULT hr = LoadTypeLibEx(argv[1], REGKIND_NONE, &library);
    if (FAILED(hr)) {
        std::fprintf(stderr, "cannot load a type library from %s: 0x%08lX\n",
                     narrow(argv[1]).c_str(), static_cast<unsigned long>(hr));
        return 1;
    }
    TLIBATTR *libraryAttributes = nullptr;
    library->GetLibAttr(&libraryAttributes);
    BSTR name = nullptr, help = nullptr;
    library->GetDocumentation(-1, &name, &help, nullptr, nullptr);
    const std::string libraryName = bstrText(name);
    std::printf("library %s %u.%u %s \"%s\"\n", libraryName.c_str(),
                libraryAttributes->wMajorVerNum, libraryAttributes->wMinorVerNum,
                guidText(libraryAttributes->guid).c_str(), bstrText(help).c_str());
    library->ReleaseTLibAttr(libraryAttributes);

    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        ITypeInfo *info = nullptr;
        if (FAILED(library->GetTypeInfo(i, &info)))
            continue;
        TYPEATTR *attributes = nullptr;
        info->GetTypeAttr(&attributes);
        if (attributes->typekind == TKIND_COCLASS)
            describeClass(libraryName, info, *attributes);
        info->ReleaseTypeAttr(attributes);
        info->Release();
    }
    library->Release();
    return 0;
}

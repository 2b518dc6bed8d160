// SPDX-License-Identifier: Apache-2.0
// A host on Windows reaches the object through its IDispatch, as a script engine does.
#include "support/Platform.h"

#include "automation/com/Com.h"

namespace Support {

using Automation::Invoke;
using Automation::Variant;
namespace Com = Automation::Com;

Variant hostCall(Automation::Object *object, const MemberId &member, Invoke kind,
                 std::vector<Variant> &args)
{
    IDispatch *dispatch = Com::toDispatch(Automation::Ref<Automation::Object>(object));
    if (!dispatch)
        Automation::raise(Automation::ObjectNotSet);
    DISPID id = 0;
    HRESULT hr = S_OK;
    if (const auto *name = std::get_if<std::u16string>(&member)) {
        std::wstring spelled = Com::wide(*name);
        LPOLESTR names[] = {spelled.data()};
        hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    } else {
        id = std::get<Automation::DispId>(member);
    }
    // The values, and the references to them that go in last to first.
    std::vector<VARIANT> values(args.size()), references(args.size());
    for (std::size_t i = 0; i < args.size() && SUCCEEDED(hr); ++i) {
        Com::toVariant(args[i], values[i]);
        VARIANT &reference = references[args.size() - 1 - i];
        V_VT(&reference) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&reference) = &values[i];
    }
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{references.data(), nullptr, UINT(args.size()), 0};
    WORD flags = kind == Invoke::Method ? DISPATCH_METHOD : DISPATCH_PROPERTYGET;
    if (kind == Invoke::PropertyPut || kind == Invoke::PropertyPutRef) {
        flags = kind == Invoke::PropertyPut ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
        parameters.rgdispidNamedArgs = &put;
        parameters.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    if (SUCCEEDED(hr))
        hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, &result,
                              &exception, &argumentError);
    dispatch->Release();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (SUCCEEDED(hr))
            args[i] = Com::fromVariant(values[i]);
        VariantClear(&values[i]);
    }
    const std::u16string description = Com::fromBstr(exception.bstrDescription);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr))
        Automation::raise(Com::numberOf(hr == DISP_E_EXCEPTION ? exception.scode : hr),
                          description);
    const Variant value = Com::fromVariant(result);
    VariantClear(&result);
    return value;
}

int codePageOfLocaleZero()
{
    return int(GetACP());
}

bool othersMayReplaceAnOpenFile()
{
    return false;
}

} // namespace Support

// SPDX-License-Identifier: Apache-2.0
#include "Com.h"

#include "DispatchObject.h"
#include "ObjectDispatch.h"
#include "automation/ClassInfo.h"

#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <new>

namespace Automation::Com {

namespace {

struct Identities
{
    std::mutex mutex;
    std::map<const Object *, IUnknown *> wrapperOf;
    std::map<IUnknown *, const Object *> objectOf;
    std::map<const ClassInfo *, Wrapper> wrappers;
};

Identities &identities()
{
    static Identities table;
    return table;
}

std::atomic<LiveCount *> &serverCount()
{
    static std::atomic<LiveCount *> live{nullptr};
    return live;
}

Variant fromWhole(long long value)
{
    if (value >= std::numeric_limits<std::int16_t>::min() &&
        value <= std::numeric_limits<std::int16_t>::max())
        return Variant(std::int16_t(value));
    if (value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max())
        return Variant(std::int32_t(value));
    return Variant(double(value));
}

} // namespace

std::wstring wide(std::u16string_view text)
{
    return std::wstring(reinterpret_cast<const wchar_t *>(text.data()), text.size());
}

std::u16string fromWide(const wchar_t *text)
{
    return text ? std::u16string(reinterpret_cast<const char16_t *>(text)) : std::u16string();
}

std::u16string fromBstr(BSTR text)
{
    if (!text)
        return {};
    return std::u16string(reinterpret_cast<const char16_t *>(text), SysStringLen(text));
}

BSTR toBstr(std::u16string_view text)
{
    BSTR made =
        SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.data()), UINT(text.size()));
    if (!made)
        raise(OutOfMemory);
    return made;
}

std::string guidText(const GUID &guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return utf8(fromWide(text));
}

bool guidOf(std::string_view text, GUID &guid)
{
    std::wstring spelled = wide(utf16(text));
    return SUCCEEDED(CLSIDFromString(spelled.data(), &guid));
}

Variant fromVariant(const VARIANT &value)
{
    VARTYPE type = V_VT(&value);
    if (type & VT_ARRAY)
        raise(TypeMismatch);
    if (type == (VT_BYREF | VT_VARIANT))
        return V_VARIANTREF(&value) ? fromVariant(*V_VARIANTREF(&value)) : Variant();
    const bool byReference = type & VT_BYREF;
    type = VARTYPE(type & ~VT_BYREF);
    if (byReference && !V_BYREF(&value))
        return Variant();
    switch (type) {
    case VT_EMPTY:
    case VT_NULL:
        return Variant();
    case VT_ERROR:
        // A parameter left out (DISP_E_PARAMNOTFOUND) reads as Empty.
        return Variant();
    case VT_BOOL:
        return Variant(fromVariantBool(byReference ? *V_BOOLREF(&value) : V_BOOL(&value)));
    case VT_I2:
        return Variant(std::int16_t(byReference ? *V_I2REF(&value) : V_I2(&value)));
    case VT_I4:
        return Variant(std::int32_t(byReference ? *V_I4REF(&value) : V_I4(&value)));
    case VT_R8:
        return Variant(byReference ? *V_R8REF(&value) : V_R8(&value));
    case VT_BSTR:
        return Variant(fromBstr(byReference ? *V_BSTRREF(&value) : V_BSTR(&value)));
    case VT_DISPATCH:
        return Variant(fromDispatch(byReference ? *V_DISPATCHREF(&value) : V_DISPATCH(&value)));
    case VT_UNKNOWN:
        return Variant(fromDispatch(byReference ? *V_UNKNOWNREF(&value) : V_UNKNOWN(&value)));
    case VT_I1:
        return fromWhole(byReference ? *V_I1REF(&value) : V_I1(&value));
    case VT_UI1:
        return fromWhole(byReference ? *V_UI1REF(&value) : V_UI1(&value));
    case VT_UI2:
        return fromWhole(byReference ? *V_UI2REF(&value) : V_UI2(&value));
    case VT_UI4:
        return fromWhole(byReference ? *V_UI4REF(&value) : V_UI4(&value));
    case VT_INT:
        return fromWhole(byReference ? *V_INTREF(&value) : V_INT(&value));
    case VT_UINT:
        return fromWhole(byReference ? *V_UINTREF(&value) : V_UINT(&value));
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL: {
        VARIANT number;
        VariantInit(&number);
        if (FAILED(VariantChangeType(&number, const_cast<VARIANT *>(&value), 0, VT_R8)))
            raise(TypeMismatch);
        return Variant(V_R8(&number));
    }
    default:
        raise(TypeMismatch);
    }
}

void toVariant(const Variant &value, VARIANT &out)
{
    VariantInit(&out);
    switch (value.type()) {
    case Variant::Type::Empty:
        return;
    case Variant::Type::Boolean:
        V_VT(&out) = VT_BOOL;
        V_BOOL(&out) = toVariantBool(value.toBoolean());
        return;
    case Variant::Type::Integer:
        V_VT(&out) = VT_I2;
        V_I2(&out) = value.toInteger();
        return;
    case Variant::Type::Long:
        V_VT(&out) = VT_I4;
        V_I4(&out) = value.toLong();
        return;
    case Variant::Type::Double:
        V_VT(&out) = VT_R8;
        V_R8(&out) = value.toDouble();
        return;
    case Variant::Type::String:
        V_BSTR(&out) = toBstr(value.toText());
        V_VT(&out) = VT_BSTR;
        return;
    case Variant::Type::Object:
        V_DISPATCH(&out) = toDispatch(value.toObject());
        V_VT(&out) = VT_DISPATCH;
        return;
    }
}

Ref<Object> fromDispatch(IUnknown *object)
{
    if (!object)
        return {};
    IUnknown *self = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&self)))) {
        Ref<Object> known;
        {
            Identities &table = identities();
            const std::lock_guard<std::mutex> hold(table.mutex);
            const auto it = table.objectOf.find(self);
            if (it != table.objectOf.end())
                known = Ref<Object>(const_cast<Object *>(it->second));
        }
        self->Release();
        if (known)
            return known;
    }
    IDispatch *dispatch = nullptr;
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch))) ||
        !dispatch)
        raise(TypeMismatch);
    Ref<Object> foreign(new DispatchObject(dispatch));
    dispatch->Release();
    return foreign;
}

IDispatch *toDispatch(const Ref<Object> &object)
{
    if (!object)
        return nullptr;
    if (const auto *foreign = dynamic_cast<const DispatchObject *>(object.get())) {
        foreign->dispatch()->AddRef();
        return foreign->dispatch();
    }
    Wrapper wrap = nullptr;
    {
        Identities &table = identities();
        const std::lock_guard<std::mutex> hold(table.mutex);
        const auto it = table.wrapperOf.find(object.get());
        if (it != table.wrapperOf.end()) {
            IDispatch *existing = nullptr;
            it->second->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&existing));
            if (existing)
                return existing;
        }
        const auto made = table.wrappers.find(object->classInfo());
        if (made != table.wrappers.end())
            wrap = made->second;
    }
    return wrap ? wrap(object) : makeObjectDispatch(object);
}

void registerWrapper(const ClassInfo &table, Wrapper wrap)
{
    Identities &all = identities();
    const std::lock_guard<std::mutex> hold(all.mutex);
    all.wrappers[&table] = wrap;
}

void rememberWrapper(const Object *object, IUnknown *self)
{
    Identities &table = identities();
    const std::lock_guard<std::mutex> hold(table.mutex);
    table.wrapperOf[object] = self;
    table.objectOf[self] = object;
}

void forgetWrapper(const Object *object, IUnknown *self)
{
    Identities &table = identities();
    const std::lock_guard<std::mutex> hold(table.mutex);
    const auto it = table.wrapperOf.find(object);
    if (it != table.wrapperOf.end() && it->second == self)
        table.wrapperOf.erase(it);
    table.objectOf.erase(self);
}

void countObjectsIn(LiveCount *live)
{
    serverCount().store(live);
}

LiveCount *liveCount()
{
    return serverCount().load();
}

HRESULT hresultOf(std::int32_t number)
{
    if (number < 0)
        return HRESULT(number);
    if (number > 0 && number <= 0xFFFF)
        return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
    return E_FAIL;
}

std::int32_t numberOf(HRESULT hr)
{
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL && FAILED(hr))
        return HRESULT_CODE(hr);
    switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
        return MemberNotFound;
    case DISP_E_TYPEMISMATCH:
        return TypeMismatch;
    case DISP_E_BADPARAMCOUNT:
        return WrongArgumentCount;
    case DISP_E_PARAMNOTOPTIONAL:
        return ArgumentNotOptional;
    case DISP_E_OVERFLOW:
        return Overflow;
    case E_OUTOFMEMORY:
        return OutOfMemory;
    default:
        return std::int32_t(hr);
    }
}

HRESULT setErrorInfo(std::int32_t number, const std::u16string &description,
                     const std::u16string &source, const GUID &iid)
{
    const HRESULT hr = hresultOf(number);
    ICreateErrorInfo *create = nullptr;
    if (FAILED(CreateErrorInfo(&create)))
        return hr;
    const std::wstring text = wide(description.empty() ? standardDescription(number) : description);
    const std::wstring from = wide(source);
    create->SetGUID(iid);
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    create->SetSource(const_cast<LPOLESTR>(from.c_str()));
    IErrorInfo *info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void **>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
    return hr;
}

} // namespace Automation::Com

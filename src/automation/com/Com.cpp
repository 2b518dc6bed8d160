// SPDX-License-Identifier: Apache-2.0
#include "Com.h"

#include "DispatchObject.h"
#include "ObjectDispatch.h"
#include "automation/ClassInfo.h"

#include <cstring>
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

using Type = Variant::Type;

// Values are read and written where a VARIANT, a by-reference pointer or an array's
// element holds them, through memcpy: an array's data need not be aligned for its type.
template <class T> T at(const void *data)
{
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

template <class T> void put(void *data, T value)
{
    std::memcpy(data, &value, sizeof value);
}

// Where a VARIANT's value lies: where each of its typed fields starts, but a DECIMAL
// fills the whole VARIANT.
const void *valueOf(const VARIANT &value)
{
    return V_VT(&value) == VT_DECIMAL ? static_cast<const void *>(&V_DECIMAL(&value))
                                      : static_cast<const void *>(&V_UI1(&value));
}

// The value of type `type` at `data`.
Variant valueAt(VARTYPE type, const void *data)
{
    switch (type) {
    case VT_EMPTY:
        return Variant();
    case VT_NULL:
        return Variant::null();
    case VT_I1:
        return Variant::whole(Type::SByte, at<CHAR>(data));
    case VT_UI1:
        return Variant::whole(Type::Byte, at<BYTE>(data));
    case VT_I2:
        return Variant::whole(Type::Integer, at<SHORT>(data));
    case VT_UI2:
        return Variant::whole(Type::UShort, at<USHORT>(data));
    case VT_I4:
        return Variant::whole(Type::Long, at<LONG>(data));
    case VT_UI4:
        return Variant::whole(Type::ULong, at<ULONG>(data));
    case VT_INT:
        return Variant::whole(Type::Int, at<INT>(data));
    case VT_UINT:
        return Variant::whole(Type::UInt, at<UINT>(data));
    case VT_I8:
        return Variant::whole(Type::LongLong, at<LONGLONG>(data));
    case VT_UI8:
        return Variant::whole(Type::ULongLong, at<ULONGLONG>(data));
    case VT_BOOL:
        return Variant::whole(Type::Boolean, at<VARIANT_BOOL>(data));
    case VT_ERROR:
        return Variant::whole(Type::Error, at<SCODE>(data));
    case VT_CY:
        return Variant::whole(Type::Currency, at<CY>(data).int64);
    case VT_R4:
        return Variant::real(Type::Single, at<FLOAT>(data));
    case VT_R8:
        return Variant::real(Type::Double, at<DOUBLE>(data));
    case VT_DATE:
        return Variant::real(Type::Date, at<DATE>(data));
    case VT_DECIMAL: {
        const DECIMAL value = at<DECIMAL>(data);
        return Variant::decimal(
            {value.Hi32, value.Lo64, value.scale, (value.sign & DECIMAL_NEG) != 0});
    }
    case VT_BSTR:
        return Variant(fromBstr(at<BSTR>(data)));
    case VT_DISPATCH:
        return Variant(fromDispatch(at<IDispatch *>(data)));
    case VT_UNKNOWN:
        return Variant::unknown(fromUnknown(at<IUnknown *>(data)));
    case VT_VARIANT:
        return fromVariant(*static_cast<const VARIANT *>(data));
    default:
        raise(TypeMismatch);
    }
}

// Writes `value` as type `type` at `data`, which holds nothing yet.
void storeAt(VARTYPE type, const Variant &value, void *data)
{
    switch (type) {
    case VT_I1:
        return put(data, value.wholeValue<CHAR>());
    case VT_UI1:
        return put(data, value.wholeValue<BYTE>());
    case VT_I2:
        return put(data, value.wholeValue<SHORT>());
    case VT_UI2:
        return put(data, value.wholeValue<USHORT>());
    case VT_I4:
        return put(data, value.wholeValue<LONG>());
    case VT_UI4:
        return put(data, value.wholeValue<ULONG>());
    case VT_INT:
        return put(data, value.wholeValue<INT>());
    case VT_UINT:
        return put(data, value.wholeValue<UINT>());
    case VT_I8:
        return put(data, value.wholeValue<LONGLONG>());
    case VT_UI8:
        return put(data, value.wholeValue<ULONGLONG>());
    case VT_BOOL:
        return put(data, value.wholeValue<VARIANT_BOOL>());
    case VT_ERROR:
        return put(data, value.wholeValue<SCODE>());
    case VT_CY: {
        CY units;
        units.int64 = value.wholeValue<LONGLONG>();
        return put(data, units);
    }
    case VT_R4:
        return put(data, FLOAT(value.realValue()));
    case VT_R8:
    case VT_DATE:
        return put(data, DOUBLE(value.realValue()));
    case VT_DECIMAL: {
        const Variant::Decimal &decimal = value.decimalValue();
        DECIMAL stored{};
        stored.scale = decimal.scale;
        stored.sign = decimal.negative ? DECIMAL_NEG : 0;
        stored.Hi32 = decimal.high;
        stored.Lo64 = decimal.low;
        return put(data, stored);
    }
    case VT_BSTR:
        return put(data, toBstr(value.toText()));
    case VT_DISPATCH:
        return put(data, toDispatch(value.toObject()));
    case VT_UNKNOWN:
        return put(data, toUnknown(value.toObject()));
    case VT_VARIANT:
        return toVariant(value, *static_cast<VARIANT *>(data));
    default:
        return; // Empty, Null: no value
    }
}

// An array's elements, first index fastest, as SafeArrayAccessData lays them out.
Variant fromArray(SAFEARRAY *array, VARTYPE element)
{
    Variant::Array result;
    result.element = Type(element);
    if (!array) // not yet dimensioned
        return Variant::array(std::move(result));
    std::size_t count = 1;
    for (UINT dimension = 1; dimension <= SafeArrayGetDim(array); ++dimension) {
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(array, dimension, &lower);
        SafeArrayGetUBound(array, dimension, &upper);
        result.bounds.push_back({lower, ULONG(upper - lower + 1)});
        count *= result.bounds.back().count;
    }
    char *data = nullptr;
    if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void **>(&data))))
        raise(TypeMismatch);
    const UINT size = SafeArrayGetElemsize(array);
    try {
        for (std::size_t i = 0; i < count; ++i)
            result.values.push_back(valueAt(element, data + i * size));
    } catch (...) {
        SafeArrayUnaccessData(array);
        throw;
    }
    SafeArrayUnaccessData(array);
    return Variant::array(std::move(result));
}

SAFEARRAY *toArray(const Variant::Array &array)
{
    if (array.bounds.empty())
        return nullptr;
    std::vector<SAFEARRAYBOUND> bounds;
    for (const Variant::Array::Bound &bound : array.bounds)
        bounds.push_back({bound.count, bound.lower});
    SAFEARRAY *made = SafeArrayCreate(VARTYPE(array.element), UINT(bounds.size()), bounds.data());
    char *data = nullptr;
    if (!made || FAILED(SafeArrayAccessData(made, reinterpret_cast<void **>(&data)))) {
        SafeArrayDestroy(made);
        raise(TypeMismatch);
    }
    const UINT size = SafeArrayGetElemsize(made);
    try {
        for (std::size_t i = 0; i < array.values.size(); ++i)
            storeAt(VARTYPE(array.element), array.values[i], data + i * size);
    } catch (...) {
        SafeArrayUnaccessData(made);
        SafeArrayDestroy(made);
        throw;
    }
    SafeArrayUnaccessData(made);
    return made;
}

// The portable object that one of the component's COM objects stands for, or nothing.
Ref<Object> knownObject(IUnknown *object)
{
    IUnknown *self = nullptr;
    if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&self))) || !self)
        return {};
    Ref<Object> known;
    {
        Identities &table = identities();
        const std::lock_guard<std::mutex> hold(table.mutex);
        const auto it = table.objectOf.find(self);
        if (it != table.objectOf.end())
            known = Ref<Object>(const_cast<Object *>(it->second));
    }
    self->Release();
    return known;
}

} // namespace

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
    const VARTYPE type = V_VT(&value) & VARTYPE(~VT_BYREF);
    const bool byReference = V_VT(&value) & VT_BYREF;
    if (byReference && !V_BYREF(&value))
        return Variant();
    if (type & VT_ARRAY)
        return fromArray(byReference ? *V_ARRAYREF(&value) : V_ARRAY(&value),
                         VARTYPE(type & ~VT_ARRAY));
    if (type == VT_VARIANT && !byReference)
        raise(TypeMismatch);
    return valueAt(type, byReference ? V_BYREF(&value) : valueOf(value));
}

void toVariant(const Variant &value, VARIANT &out)
{
    VariantInit(&out);
    if (value.type() == Type::Array) {
        const Variant::Array &array = value.arrayValue();
        V_ARRAY(&out) = toArray(array);
        V_VT(&out) = VT_ARRAY | VARTYPE(array.element);
        return;
    }
    const VARTYPE type = VARTYPE(value.type());
    // A DECIMAL overwrites the type's place: the type goes in last.
    storeAt(type, value,
            type == VT_DECIMAL ? static_cast<void *>(&V_DECIMAL(&out))
                               : static_cast<void *>(&V_UI1(&out)));
    V_VT(&out) = type;
}

Ref<Object> fromDispatch(IDispatch *object)
{
    if (!object)
        return {};
    if (Ref<Object> known = knownObject(object))
        return known;
    return Ref<Object>(new DispatchObject(object));
}

Ref<Object> fromUnknown(IUnknown *object)
{
    if (!object)
        return {};
    if (Ref<Object> known = knownObject(object))
        return known;
    return Ref<Object>(new DispatchObject(object));
}

IDispatch *toDispatch(const Ref<Object> &object)
{
    if (!object)
        return nullptr;
    if (const auto *foreign = dynamic_cast<const DispatchObject *>(object.get())) {
        IDispatch *dispatch = foreign->dispatch();
        if (dispatch)
            dispatch->AddRef();
        else if (FAILED(foreign->unknown()->QueryInterface(IID_IDispatch,
                                                           reinterpret_cast<void **>(&dispatch))) ||
                 !dispatch)
            raise(TypeMismatch);
        return dispatch;
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

IUnknown *toUnknown(const Ref<Object> &object)
{
    if (const auto *foreign = dynamic_cast<const DispatchObject *>(object.get())) {
        foreign->unknown()->AddRef();
        return foreign->unknown();
    }
    return toDispatch(object);
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

// SPDX-License-Identifier: Apache-2.0
// Com: the automation runtime over COM, for the Windows build.
//
// The portable code calls objects through Automation::Object and passes values as
// Automation::Variant; COM passes IDispatch pointers, VARIANTs and BSTRs. This header
// converts between the two, both ways, and keeps each object's identity across the
// boundary:
//  - a foreign IDispatch or IUnknown (the host's objects) becomes a DispatchObject
//    (DispatchObject.h) that calls it late-bound; given back to COM it is the same
//    pointer again;
//  - a portable object becomes the COM object registered for its class table (the
//    component's classes, with their type library interfaces: ComObject.h) or else a
//    generic IDispatch over its class table (ObjectDispatch.h); one object has one COM
//    object at a time, and that COM object given back becomes the portable object
//    itself.
//
// <windows.h> defines macros that spell names the platform's portable headers
// declare (COLOR_WINDOW, ANSI_CHARSET ...): include those headers first.
//
// Errors cross as HRESULTs: an automation error number n (5, 13, 438 ...) is
// 0x800A0000 | n (FACILITY_CONTROL), which script callers read back as Err.Number = n;
// numbers that are HRESULTs already (negative) cross unchanged. `guarded` runs a COM
// method's body, turns whatever it throws into the HRESULT and the error information
// (description, source) of the thread, and never lets a C++ exception out.
#pragma once

#include "automation/AutomationError.h"
#include "automation/Object.h"
#include "automation/ServerModule.h"
#include "automation/Text.h"
#include "automation/Variant.h"

// The wide functions, and no min and max macros, as in the platform's Win32 code.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "win32base/Win32Base.h"

#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace Automation {
class ClassInfo;
}

namespace Automation::Com {

// COM's own, not the portable contract's (ClassFactory.h): the two differ in type.
using HRESULT = ::HRESULT;

using Win32Base::wide;
std::u16string fromWide(const wchar_t *text);
// A BSTR holds its length: embedded nulls stay. A null BSTR is the empty text.
std::u16string fromBstr(BSTR text);
// A new BSTR the caller frees; error 7 when there is no memory for it.
BSTR toBstr(std::u16string_view text);

inline VARIANT_BOOL toVariantBool(bool value)
{
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}
inline bool fromVariantBool(VARIANT_BOOL value)
{
    return value != VARIANT_FALSE;
}

using Win32Base::modulePath;

// "{XXXXXXXX-...}" in capitals, as the class tables write identifiers.
std::string guidText(const GUID &guid);
// The identifier a text names; false when it names none.
bool guidOf(std::string_view text, GUID &guid);

// Values, kept as they were stored (VariantCopy): every type a VARIANT holds but
// VT_RECORD (error 13), arrays with their element type, dimensions and lower bounds,
// objects as the very pointer given. fromVariant reads a by-reference value as the
// value it points to, as a script engine does. toVariant writes into a VARIANT that
// holds nothing to free (VariantInit'ed or cleared); objects are given with one
// reference.
Variant fromVariant(const VARIANT &value);
void toVariant(const Variant &value, VARIANT &out);

// Objects. fromDispatch and fromUnknown of nullptr are Nothing; the component's own COM
// objects become the portable objects they stand for, others a DispatchObject over the
// pointer given. toDispatch and toUnknown of Nothing are nullptr, else a pointer with one
// reference the caller owns: the pointer the object came as, or the component's COM
// object for it; toDispatch of an object that has no IDispatch is error 13.
Ref<Object> fromDispatch(IDispatch *object);
Ref<Object> fromUnknown(IUnknown *object);
IDispatch *toDispatch(const Ref<Object> &object);
IUnknown *toUnknown(const Ref<Object> &object);

// The COM object for the objects of one class table: `wrap` makes a new one, holding
// one reference, over the object. Objects of a class with none get the generic
// IDispatch.
using Wrapper = IDispatch *(*)(const Ref<Object> &object);
void registerWrapper(const ClassInfo &table, Wrapper wrap);

// The identity of a COM object over a portable object (ComObject and ObjectDispatch
// call these as they come and go): `self` is its canonical IUnknown.
void rememberWrapper(const Object *object, IUnknown *self);
void forgetWrapper(const Object *object, IUnknown *self);

// The objects alive among a server's COM objects (DllCanUnloadNow): the COM objects
// count themselves here once a server module is set.
void countObjectsIn(LiveCount *live);
LiveCount *liveCount();

// Errors.
HRESULT hresultOf(std::int32_t number);
// The automation number of an HRESULT: FACILITY_CONTROL's code, 438, 13, 450, 449, 6 for
// the dispatch errors that script callers see as those, else the HRESULT itself.
std::int32_t numberOf(HRESULT hr);
// Sets the thread's error information for `iid` and answers the HRESULT of `number`.
HRESULT setErrorInfo(std::int32_t number, const std::u16string &description,
                     const std::u16string &source, const GUID &iid);

// Runs `body` (no arguments, no result) as a COM method runs: S_OK, or the failure it
// raised as an HRESULT with the error information set for `iid`, `source` naming the
// class ("OrvFields.MainForm").
template <class Body>
HRESULT guarded(const std::u16string &source, const GUID &iid, Body &&body) noexcept
{
    try {
        body();
        return S_OK;
    } catch (const AutomationError &error) {
        return setErrorInfo(error.number(), error.description(), source, iid);
    } catch (const std::bad_alloc &) {
        return setErrorInfo(OutOfMemory, {}, source, iid);
    } catch (const std::exception &error) {
        return setErrorInfo(GeneralFailure, utf16(error.what()), source, iid);
    } catch (...) {
        return setErrorInfo(GeneralFailure, {}, source, iid);
    }
}

} // namespace Automation::Com

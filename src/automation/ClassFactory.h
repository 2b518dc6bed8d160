// SPDX-License-Identifier: Apache-2.0
// The binary contract between a host and an in-process automation server on Linux.
//
// A server library exports four C functions:
//   HRESULT DllRegisterServer(void);
//   HRESULT DllUnregisterServer(void);
//   HRESULT DllGetClassObject(const char *clsid, const char *iid, void **factory);
//   HRESULT DllCanUnloadNow(void);
// DllGetClassObject hands out the IClassFactory of a class (iid must be
// IID_IClassFactory). The factory lives as long as the library. CreateInstance gives
// the caller one counted reference to a new Automation::Object, which the caller
// releases (a Ref adopts it); ClassTable answers the class's table (ClassInfo.h)
// without creating an instance, for type descriptions.
//
// Both sides share libOrvAutomation, so Object, ClassInfo and the exceptions a member
// raises are the same types on either side of the library boundary. On Windows the
// contract is COM's own, and none of this is used.
#pragma once

#include <cstdint>

namespace Automation {

class ClassInfo;
class Object;

using HRESULT = std::int32_t;

namespace Hr {
constexpr HRESULT Ok = 0;
constexpr HRESULT False = 1;
constexpr HRESULT NoInterface = HRESULT(0x80004002u);
constexpr HRESULT Pointer = HRESULT(0x80004003u);
constexpr HRESULT Fail = HRESULT(0x80004005u);
constexpr HRESULT ClassNotAvailable = HRESULT(0x80040111u);
constexpr HRESULT SelfRegClass = HRESULT(0x80040201u); // SELFREG_E_CLASS
} // namespace Hr

inline constexpr char IID_IClassFactory[] = "{00000001-0000-0000-C000-000000000046}";

class IClassFactory
{
public:
    virtual ~IClassFactory() = default;
    // Creates an instance and stores it, with one reference the caller owns, in
    // *object; Hr::Fail when the class's constructor failed.
    virtual HRESULT CreateInstance(Object **object) = 0;
    // Keeps the library loaded (DllCanUnloadNow answers Hr::False) while locked.
    virtual HRESULT LockServer(bool lock) = 0;
    // The class's table; it lives as long as the library.
    virtual const ClassInfo *ClassTable() const = 0;
};

using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
using DllGetClassObjectFn = HRESULT (*)(const char *clsid, const char *iid, void **factory);
using DllCanUnloadNowFn = HRESULT (*)();

} // namespace Automation

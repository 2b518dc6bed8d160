// SPDX-License-Identifier: Apache-2.0
// The binary contract between a host and an in-process automation server.
//
// A server library exports four C functions:
//   HRESULT DllRegisterServer(void);
//   HRESULT DllUnregisterServer(void);
//   HRESULT DllGetClassObject(const char *clsid, const char *iid, void **factory);
//   HRESULT DllCanUnloadNow(void);
// DllGetClassObject hands out an IClassFactory for the class (iid must be
// IID_IClassFactory); the factory creates instances and, without creating one,
// tells the class's meta-object (for type descriptions).
#pragma once

#include <QObject>
#include <QtGlobal>

namespace Automation {

using HRESULT = qint32;

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
    // Creates an instance; the caller owns it.
    virtual HRESULT CreateInstance(QObject **object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
    virtual const QMetaObject *ClassMetaObject() const = 0;
};

using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
using DllGetClassObjectFn = HRESULT (*)(const char *clsid, const char *iid, void **factory);
using DllCanUnloadNowFn = HRESULT (*)();

} // namespace Automation

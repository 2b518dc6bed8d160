// SPDX-License-Identifier: Apache-2.0
// ServerModule: the server side of ClassFactory.h, shared by every in-process
// server. A library lists its classes and type library in one ServerModule and
// forwards its four exported entry points to the functions below. Nothing of the
// library's own logic runs here: registration writes registry keys, and class
// objects only construct instances.
//
// A class takes part through its table and a way to construct it:
//
//   class MainForm : public Automation::Object
//   {
//   public:
//       static const Automation::ClassInfo &staticClassInfo();   // the one table
//       const Automation::ClassInfo *classInfo() const override { return &staticClassInfo(); }
//       ...
//   };
//   ServerModule module{..., {serverClass<MainForm>(), ...}};
//
// The module counts the objects it created and that are still alive (Counted below)
// and the locks its factories hold, so that DllCanUnloadNow tells the truth however
// the host holds its references.
#pragma once

#include "ClassFactory.h"
#include "ClassInfo.h"
#include "Object.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Automation {

using LiveCount = std::atomic<std::int32_t>;

// A T that the module created: counted as alive from the end of its construction to
// the start of its destruction. It is a T in every other way (class table, casts).
template <class T> class Counted final : public T
{
public:
    template <class... A>
    explicit Counted(LiveCount &live, A &&...args) : T(std::forward<A>(args)...), m_live(live)
    {
        m_live.fetch_add(1);
    }
    ~Counted() override { m_live.fetch_sub(1); }

private:
    LiveCount &m_live;
};

struct ServerClass
{
    const ClassInfo &(*table)();
    // A new instance counted in `live`; it may throw.
    std::function<Ref<Object>(LiveCount &live)> create;
};

// The class T, constructed with `args` (copied, given to every instance).
template <class T, class... A> ServerClass serverClass(A... args)
{
    return {&T::staticClassInfo, [args...](LiveCount &live) {
                return Ref<Object>(new Counted<T>(live, args...));
            }};
}

struct ServerModule
{
    std::string libraryName; // type library name, e.g. "OrvFields"
    std::string libId;
    int majorVersion = 1;
    int minorVersion = 0;
    std::string helpString;
    std::vector<ServerClass> classes;

    // Instances alive and server locks, for DllCanUnloadNow.
    LiveCount liveObjects{0};
    LiveCount locks{0};
};

// Writes the module's keys (classes with the apartment threading model, programmatic
// identifiers, interfaces, type library) for the library at `libraryPath`.
HRESULT registerServer(const ServerModule &module, const std::u16string &libraryPath);
// Removes every key the module's registration wrote.
HRESULT unregisterServer(const ServerModule &module);
HRESULT getClassObject(ServerModule &module, const char *clsid, const char *iid, void **factory);
HRESULT canUnloadNow(const ServerModule &module);

// The file a function or object of a loaded library was loaded from; empty when the
// address belongs to none.
std::u16string libraryPathOf(const void *address);

} // namespace Automation

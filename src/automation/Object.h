// SPDX-License-Identifier: Apache-2.0
// Object: an automation object, reached late-bound and held by counted references.
//
// Every object a host or the component reaches by member name or dispatch identifier
// derives from Object. Its members are those of its class table (ClassInfo.h), which
// the default `idOfName`, `invoke`, `supports` and `interfaceOf` read; an object that
// stands for another program's object (a host's, reached through the platform's
// automation) overrides them instead.
//
// Objects are counted: `Ref<T>` holds one reference, and the object deletes itself
// when the last one goes. They are always made with `make<T>(...)` (or `new` handed
// straight to a Ref), never on the stack. A reference kept by an object is kept alive
// by it: releasing means dropping the Ref. There are no weak references.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace Automation {

class ClassInfo;
class Variant;
template <class T> class Ref;

using DispId = std::int32_t;

// How a member is reached, as in IDispatch::Invoke.
enum class Invoke
{
    Method,         // call; on a property without arguments, reads it
    PropertyGet,    // read; on a method, calls it (parameterised properties)
    PropertyPut,    // assign a value
    PropertyPutRef, // assign an object reference
};

class Object
{
public:
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

    void addRef() const noexcept { m_references.fetch_add(1, std::memory_order_relaxed); }
    void release() const noexcept
    {
        if (m_references.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }

    // The class table, or nullptr for an object that answers late-bound calls itself.
    virtual const ClassInfo *classInfo() const { return nullptr; }
    // The dispatch identifier of a member name, letter case ignored; error 438 when the
    // object has no such member.
    virtual DispId idOfName(std::u16string_view name) const;
    // Calls a member. By-reference parameters write their values back into `args`.
    // Errors 438 (no such member for this kind of access), 450 (argument count), 13
    // (a value that does not convert), and whatever the member raises.
    virtual Variant invoke(DispId id, Invoke kind, std::vector<Variant> &args);
    // Whether the object offers the interface with this identifier ("{...}").
    virtual bool supports(std::string_view iid) const;
    // The object as that interface, which calls then go through; nothing when it offers
    // none. An object of this program is itself; one that stands for another program's
    // object is the interface that object answers for the identifier.
    virtual Ref<Object> interfaceOf(std::string_view iid);

protected:
    Object() = default;
    virtual ~Object() = default;

private:
    mutable std::atomic<std::int32_t> m_references{0};
};

// A counted reference to an object, or to nothing.
template <class T> class Ref
{
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    Ref(T *object) noexcept : m_object(object) { acquire(); }
    Ref(const Ref &other) noexcept : m_object(other.m_object) { acquire(); }
    Ref(Ref &&other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U *, T *>>>
    Ref(const Ref<U> &other) noexcept : m_object(other.get())
    {
        acquire();
    }
    ~Ref() { drop(); }

    Ref &operator=(Ref other) noexcept
    {
        std::swap(m_object, other.m_object);
        return *this;
    }

    T *get() const noexcept { return m_object; }
    T *operator->() const noexcept { return m_object; }
    T &operator*() const noexcept { return *m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }
    void reset() noexcept { Ref().swap(*this); }
    void swap(Ref &other) noexcept { std::swap(m_object, other.m_object); }

    friend bool operator==(const Ref &a, const Ref &b) noexcept { return a.m_object == b.m_object; }

private:
    void acquire() noexcept
    {
        if (m_object)
            m_object->addRef();
    }
    void drop() noexcept
    {
        if (m_object)
            std::exchange(m_object, nullptr)->release();
    }

    T *m_object = nullptr;
};

template <class T, class... Args> Ref<T> make(Args &&...args)
{
    return Ref<T>(new T(std::forward<Args>(args)...));
}

// The object as a T, or nothing when it is not one.
template <class T, class U> Ref<T> refAs(const Ref<U> &object)
{
    return Ref<T>(dynamic_cast<T *>(object.get()));
}

} // namespace Automation

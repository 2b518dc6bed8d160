// SPDX-License-Identifier: Apache-2.0
// ClassInfo: the automation identity and member table of a class, in one place.
//
// An automation class states everything a client sees in one table: its programmatic
// identifier, class identifier, default interface and its identifier, further
// interfaces, whether it is a control, and its members in slot order, one entry per
// accessor, each with its dispatch identifier:
//
//   const ClassInfo &MainForm::classInfo() const
//   {
//       static const ClassInfo info =
//           ClassBuilder<MainForm>("MainForm", "OrvFields.MainForm", "{DF1F...}",
//                                  "_MainForm", "{8792...}")
//               .get("CreateLogFile", 0x40030004, &MainForm::CreateLogFile)
//               .put("CreateLogFile", 0x40030004, &MainForm::setCreateLogFile)
//               ...
//               .method("Show", 0x60030008, &MainForm::Show)
//               .build();
//       return info;
//   }
//
// Only the members in the table are reachable late-bound; everything else stays
// invisible, as behind a COM interface. The same table is what the Linux automation
// answers from and what the Windows type library is checked against (name, kind,
// type and dispatch identifier of every slot), so the two cannot drift apart. Events
// (a control's source interface) are listed for that check too; they reach their
// handlers as C++ callbacks.
//
// Member types are bool (Boolean), std::int16_t (Integer), std::int32_t (Long),
// double, std::u16string (String), Variant, and Ref<T> (an object; its interface
// name is T::InterfaceName when T declares one, else "Object"). A method parameter
// taken as a non-const reference (std::u16string &) is passed by reference: the value
// the method leaves in it goes back to the caller.
#pragma once

#include "AutomationError.h"
#include "Object.h"
#include "Variant.h"

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace Automation {

enum class ValueType
{
    None, // no result
    Boolean,
    Integer,
    Long,
    Double,
    String,
    Variant,
    Object,
};

// "Boolean", "Integer" ..., or the interface name for an object.
std::string typeName(ValueType type, const std::string &interfaceName = {});

enum class Access
{
    Get,
    Put,
    PutRef,
    Method,
};

struct Parameter
{
    std::string name;
    ValueType type = ValueType::Variant;
    std::string interfaceName; // for objects
    bool byReference = false;
};

struct Member
{
    std::string name;
    DispId id = 0;
    Access access = Access::Method;
    ValueType type = ValueType::None; // the property's type, or the method's result
    std::string interfaceName;        // for objects
    std::vector<Parameter> parameters;
    std::function<Variant(Object &, std::vector<Variant> &)> call;
};

struct Event
{
    std::string name;
    DispId id = 0;
    std::vector<Parameter> parameters;
};

class ClassInfo
{
public:
    std::string className;
    std::string progId;
    std::string classId;
    std::string interfaceName;
    std::string interfaceId;
    std::vector<std::string> implemented; // further interface identifiers
    bool control = false;
    std::vector<Member> members; // slot order
    std::string eventInterfaceName;
    std::string eventInterfaceId;
    std::vector<Event> events; // in their order of declaration

    // The dispatch identifier of a member name, letter case ignored.
    std::optional<DispId> idOf(std::u16string_view name) const;
    // The slot for this identifier and kind of access, or nullptr.
    const Member *find(DispId id, Access access) const;
    bool supports(std::string_view iid) const; // default or further interface

    // Calls the member as Object::invoke does.
    Variant invoke(Object &object, DispId id, Invoke kind, std::vector<Variant> &args) const;

    // A readable description: identity, then the members in slot order with their
    // dispatch identifiers, kinds and types, then the events.
    std::string describe() const;
};

std::string formatDispId(DispId id); // "0x60030008"

namespace detail {

template <class T, class = void> struct InterfaceNameOf
{
    static std::string get() { return "Object"; }
};
template <class T> struct InterfaceNameOf<T, std::void_t<decltype(T::InterfaceName)>>
{
    static std::string get() { return T::InterfaceName; }
};

template <class T> struct TypeOf;
template <> struct TypeOf<bool>
{
    static constexpr ValueType type = ValueType::Boolean;
};
template <> struct TypeOf<std::int16_t>
{
    static constexpr ValueType type = ValueType::Integer;
};
template <> struct TypeOf<std::int32_t>
{
    static constexpr ValueType type = ValueType::Long;
};
template <> struct TypeOf<double>
{
    static constexpr ValueType type = ValueType::Double;
};
template <> struct TypeOf<std::u16string>
{
    static constexpr ValueType type = ValueType::String;
};
template <> struct TypeOf<Variant>
{
    static constexpr ValueType type = ValueType::Variant;
};
template <class C> struct TypeOf<Ref<C>>
{
    static constexpr ValueType type = ValueType::Object;
};

template <class T> Parameter parameterOf(std::string name)
{
    using Value = std::remove_cvref_t<T>;
    Parameter parameter{std::move(name),
                        TypeOf<Value>::type,
                        {},
                        std::is_lvalue_reference_v<T> &&
                            !std::is_const_v<std::remove_reference_t<T>>};
    if constexpr (IsRef<Value>::value)
        parameter.interfaceName = InterfaceNameOf<typename IsRef<Value>::Class>::get();
    return parameter;
}

template <class T> std::string interfaceOf()
{
    if constexpr (IsRef<T>::value)
        return InterfaceNameOf<typename IsRef<T>::Class>::get();
    else
        return {};
}

// Calls `function` with `args` converted to its parameter types, then writes the
// by-reference ones back.
template <class R, class... A, class Self, class Function, std::size_t... I>
Variant callWith(Self &self, Function function, std::vector<Variant> &args,
                 std::index_sequence<I...>)
{
    std::tuple<std::remove_cvref_t<A>...> values{args[I].template to<std::remove_cvref_t<A>>()...};
    Variant result;
    if constexpr (std::is_void_v<R>)
        std::invoke(function, self, std::get<I>(values)...);
    else
        result = Variant(std::invoke(function, self, std::get<I>(values)...));
    (
        [&] {
            if constexpr (std::is_lvalue_reference_v<A> &&
                          !std::is_const_v<std::remove_reference_t<A>>)
                args[I] = Variant(std::get<I>(values));
        }(),
        ...);
    return result;
}

} // namespace detail

template <class Self> class ClassBuilder
{
public:
    ClassBuilder(std::string className, std::string progId, std::string classId,
                 std::string interfaceName, std::string interfaceId)
    {
        m_info.className = std::move(className);
        m_info.progId = std::move(progId);
        m_info.classId = std::move(classId);
        m_info.interfaceName = std::move(interfaceName);
        m_info.interfaceId = std::move(interfaceId);
    }

    ClassBuilder &implements(std::string iid)
    {
        m_info.implemented.push_back(std::move(iid));
        return *this;
    }
    ClassBuilder &control()
    {
        m_info.control = true;
        return *this;
    }

    // A getter, const or not.
    template <class Getter> ClassBuilder &get(std::string name, DispId id, Getter getter)
    {
        using Value = std::remove_cvref_t<std::invoke_result_t<Getter, Self &>>;
        return add({std::move(name),
                    id,
                    Access::Get,
                    detail::TypeOf<Value>::type,
                    detail::interfaceOf<Value>(),
                    {},
                    [getter](Object &object, std::vector<Variant> &args) {
                        expectArguments(args, 0);
                        return Variant(std::invoke(getter, static_cast<Self &>(object)));
                    }});
    }
    template <class A> ClassBuilder &put(std::string name, DispId id, void (Self::*setter)(A))
    {
        return assign(std::move(name), id, Access::Put, setter);
    }
    template <class A> ClassBuilder &putRef(std::string name, DispId id, void (Self::*setter)(A))
    {
        return assign(std::move(name), id, Access::PutRef, setter);
    }
    template <class R, class... A>
    ClassBuilder &method(std::string name, DispId id, R (Self::*function)(A...),
                         std::vector<std::string> parameterNames = {})
    {
        return addMethod<R, A...>(std::move(name), id, function, std::move(parameterNames));
    }
    template <class R, class... A>
    ClassBuilder &method(std::string name, DispId id, R (Self::*function)(A...) const,
                         std::vector<std::string> parameterNames = {})
    {
        return addMethod<R, A...>(std::move(name), id, function, std::move(parameterNames));
    }

    ClassBuilder &events(std::string interfaceName, std::string iid)
    {
        m_info.eventInterfaceName = std::move(interfaceName);
        m_info.eventInterfaceId = std::move(iid);
        return *this;
    }
    // One event; its arguments' names and types as a handler receives them.
    template <class... A>
    ClassBuilder &event(std::string name, DispId id, std::vector<std::string> names)
    {
        names.resize(sizeof...(A));
        std::size_t i = 0;
        m_info.events.push_back({std::move(name), id, {detail::parameterOf<A>(names[i++])...}});
        return *this;
    }

    ClassInfo build() { return std::move(m_info); }

private:
    template <class R, class... A, class Function>
    ClassBuilder &addMethod(std::string name, DispId id, Function function,
                            std::vector<std::string> parameterNames)
    {
        parameterNames.resize(sizeof...(A));
        std::size_t i = 0;
        std::vector<Parameter> parameters{detail::parameterOf<A>(parameterNames[i++])...};
        using Value = std::remove_cvref_t<R>;
        ValueType type = ValueType::None;
        if constexpr (!std::is_void_v<R>)
            type = detail::TypeOf<Value>::type;
        return add({std::move(name), id, Access::Method, type, detail::interfaceOf<Value>(),
                    std::move(parameters), [function](Object &object, std::vector<Variant> &args) {
                        expectArguments(args, sizeof...(A));
                        return detail::callWith<R, A...>(static_cast<Self &>(object), function,
                                                         args, std::index_sequence_for<A...>());
                    }});
    }

    static void expectArguments(const std::vector<Variant> &args, std::size_t count)
    {
        if (args.size() != count)
            raise(WrongArgumentCount);
    }

    template <class A>
    ClassBuilder &assign(std::string name, DispId id, Access access, void (Self::*setter)(A))
    {
        using Value = std::remove_cvref_t<A>;
        return add({std::move(name),
                    id,
                    access,
                    detail::TypeOf<Value>::type,
                    detail::interfaceOf<Value>(),
                    {},
                    [setter](Object &object, std::vector<Variant> &args) {
                        expectArguments(args, 1);
                        (static_cast<Self &>(object).*setter)(args[0].template to<Value>());
                        return Variant();
                    }});
    }

    ClassBuilder &add(Member member)
    {
        m_info.members.push_back(std::move(member));
        return *this;
    }

    ClassInfo m_info;
};

} // namespace Automation

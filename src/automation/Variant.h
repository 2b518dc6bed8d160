// SPDX-License-Identifier: Apache-2.0
// Variant: a value as it crosses a late-bound call.
//
//  - Empty converts to 0, "" and false.
//  - An object reference may be Nothing (a Variant of type Object holding no object).
//  - A Boolean that crosses as a number is -1 (true) or 0 (false); any non-zero number
//    converts to true; as text it reads "True" or "False".
// Conversions follow the automation runtime: a text that is not a number gives error
// 13 (type mismatch), a number outside the target's range error 6 (overflow), and
// fractions are rounded to the nearest whole number, halves to even. A text reads as a
// number with blanks around it, "&H" and "&O" prefixes for hexadecimal and octal.
#pragma once

#include "Object.h"

#include <cstdint>
#include <string>
#include <variant>

namespace Automation {

// Error 13, for the template below.
[[noreturn]] void raiseTypeMismatch();

class Variant
{
public:
    enum class Type
    {
        Empty,
        Boolean,
        Integer, // 16-bit
        Long,    // 32-bit
        Double,
        String,
        Object,
    };

    Variant() = default;
    Variant(bool value) : m_value(value) {}
    Variant(std::int16_t value) : m_value(value) {}
    Variant(std::int32_t value) : m_value(value) {}
    Variant(double value) : m_value(value) {}
    Variant(std::u16string value) : m_value(std::move(value)) {}
    Variant(const char16_t *value) : m_value(std::u16string(value)) {}
    template <class T> Variant(const Ref<T> &object) : m_value(Ref<Object>(object)) {}
    Variant(std::nullptr_t) : m_value(Ref<Object>()) {}
    // Nothing: an object reference to no object.
    static Variant nothing() { return Variant(nullptr); }

    Type type() const { return Type(m_value.index()); }
    bool isEmpty() const { return type() == Type::Empty; }
    bool isObject() const { return type() == Type::Object; }
    bool isNumber() const;
    // Nothing, or Empty.
    bool isNothing() const;

    bool toBoolean() const;
    std::int16_t toInteger() const;
    std::int32_t toLong() const;
    double toDouble() const;
    std::u16string toText() const;
    // The object a variant holds; nothing for Nothing and Empty; error 13 otherwise.
    Ref<Object> toObject() const;

    // Converted to T (bool, std::int16_t, std::int32_t, double, std::u16string,
    // Variant, Ref<Object> or Ref of a class derived from Object, which must be one: 13).
    template <class T> T to() const;

    friend bool operator==(const Variant &a, const Variant &b) { return a.m_value == b.m_value; }

private:
    std::variant<std::monostate, bool, std::int16_t, std::int32_t, double, std::u16string,
                 Ref<Object>>
        m_value;
};

constexpr std::int32_t fromBoolean(bool value)
{
    return value ? -1 : 0;
}

namespace detail {
template <class T> struct IsRef : std::false_type
{
};
template <class T> struct IsRef<Ref<T>> : std::true_type
{
    using Class = T;
};
} // namespace detail

template <class T> T Variant::to() const
{
    if constexpr (std::is_same_v<T, Variant>)
        return *this;
    else if constexpr (std::is_same_v<T, bool>)
        return toBoolean();
    else if constexpr (std::is_same_v<T, std::int16_t>)
        return toInteger();
    else if constexpr (std::is_same_v<T, std::int32_t>)
        return toLong();
    else if constexpr (std::is_same_v<T, double>)
        return toDouble();
    else if constexpr (std::is_same_v<T, std::u16string>)
        return toText();
    else if constexpr (detail::IsRef<T>::value) {
        using Class = typename detail::IsRef<T>::Class;
        const Ref<Object> object = toObject();
        if constexpr (std::is_same_v<Class, Object>)
            return object;
        else {
            Ref<Class> typed = refAs<Class>(object);
            if (object && !typed)
                raiseTypeMismatch();
            return typed;
        }
    } else
        static_assert(sizeof(T) == 0, "not an automation type");
}

} // namespace Automation

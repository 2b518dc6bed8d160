// SPDX-License-Identifier: Apache-2.0
// Variant: a value as it crosses a late-bound call.
//
// It holds whatever an automation VARIANT holds and keeps it as it was given: its type
// (numbered as VarType numbers it), its value, an array with its element type,
// dimensions and lower bounds, an object with its reference. A copy is a whole copy,
// as VariantCopy makes it.
//  - Empty converts to 0, "" and false, and to Nothing.
//  - Null, an Error value (0x80020004 stands for a parameter left out), an array and an
//    object convert to no value: error 13.
//  - An object reference may be Nothing (a Variant of type Object holding no object).
//    Unknown is an object reference given as IUnknown.
//  - A Boolean that crosses as a number is -1 (true) or 0 (false); any non-zero number
//    converts to true; as text it reads "True" or "False".
//  - Currency is a whole number of ten-thousandths; Date the days since 30 December
//    1899, the time of day in the fraction (counted forward from the day's start, on
//    either side of 0); Decimal a 96-bit whole number with a sign and a power of ten.
// Conversions follow VariantChangeType in the invariant locale, so that a value reads
// the same on every machine: a text that is not a number gives error 13 (type
// mismatch), a number outside the target's range error 6 (overflow), and fractions are
// rounded to the nearest whole number, halves to even. A text reads as a number with
// blanks around it, "&H" and "&O" prefixes for hexadecimal and octal. Numbers read as
// text with up to 15 significant digits (a Single's 7) and a point, dates as
// "MM/DD/YYYY hh:mm:ss" (the date alone at midnight, the time alone on day 0).
#pragma once

#include "Object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace Automation {

// Error 13, for the template below.
[[noreturn]] void raiseTypeMismatch();

class Variant
{
public:
    enum class Type : std::uint16_t
    {
        Empty = 0,
        Null = 1,
        Integer = 2, // 16-bit
        Long = 3,    // 32-bit
        Single = 4,
        Double = 5,
        Currency = 6,
        Date = 7,
        String = 8,
        Object = 9,
        Error = 10,
        Boolean = 11,
        Variant = 12, // the elements of an array of variants
        Unknown = 13,
        Decimal = 14,
        SByte = 16,
        Byte = 17,
        UShort = 18,
        ULong = 19,
        LongLong = 20,
        ULongLong = 21,
        Int = 22,  // the machine's int: 32-bit
        UInt = 23, // and its unsigned one
        Array = 0x2000,
    };

    struct Decimal
    {
        std::uint32_t high = 0; // the 96-bit whole number's top 32 bits
        std::uint64_t low = 0;  // and its 64 others
        std::uint8_t scale = 0; // divided by 10 to this power, 0 to 28
        bool negative = false;
        friend bool operator==(const Decimal &, const Decimal &) = default;
    };

    struct Array; // below the class

    Variant() = default;
    Variant(bool value) : m_type(Type::Boolean), m_value(std::int64_t(value ? -1 : 0)) {}
    Variant(std::int16_t value) : m_type(Type::Integer), m_value(std::int64_t(value)) {}
    Variant(std::int32_t value) : m_type(Type::Long), m_value(std::int64_t(value)) {}
    Variant(double value) : m_type(Type::Double), m_value(value) {}
    Variant(std::u16string value) : m_type(Type::String), m_value(std::move(value)) {}
    Variant(const char16_t *value) : Variant(std::u16string(value)) {}
    template <class T>
    Variant(const Ref<T> &object) : m_type(Type::Object), m_value(Ref<Object>(object))
    {}
    Variant(std::nullptr_t) : m_type(Type::Object), m_value(Ref<Object>()) {}
    // Nothing: an object reference to no object.
    static Variant nothing() { return Variant(nullptr); }
    static Variant null();
    // The types with no C++ type of their own, by their value: a whole number for the
    // whole types, Boolean (-1 or 0; another non-zero number is true too), Currency
    // (ten-thousandths) and Error (an HRESULT), error 6 outside the type's range; a
    // real number for Single, Double and Date.
    template <class Int> static Variant whole(Type type, Int value);
    static Variant real(Type type, double value);
    static Variant decimal(const Decimal &value);
    static Variant unknown(const Ref<Object> &object);
    static Variant array(Array value);

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Type::Empty; }
    // Object or Unknown.
    bool isObject() const { return m_type == Type::Object || m_type == Type::Unknown; }
    bool isNumber() const; // a whole or real number, Currency or Decimal
    // Nothing, or Empty.
    bool isNothing() const;

    bool toBoolean() const;
    std::int16_t toInteger() const;
    std::int32_t toLong() const;
    double toDouble() const;
    std::u16string toText() const;
    // The object a variant holds; nothing for Nothing and Empty; error 13 otherwise.
    Ref<Object> toObject() const;

    // The value as stored, for the bridges to other representations: of Boolean, the
    // whole types, Currency and Error (cast to Int), of Single, Double and Date, of
    // Decimal, of an array; error 13 for another type.
    template <class Int> Int wholeValue() const;
    double realValue() const;
    const Decimal &decimalValue() const;
    const Array &arrayValue() const;

    // Converted to T (bool, std::int16_t, std::int32_t, double, std::u16string,
    // Variant, Ref<Object> or Ref of a class derived from Object, which must be one: 13).
    template <class T> T to() const;

    friend bool operator==(const Variant &a, const Variant &b);

private:
    static Variant signedWhole(Type type, std::int64_t value);
    static Variant unsignedWhole(Type type, std::uint64_t value);

    Type m_type = Type::Empty;
    // The value in its kind's widest form: every whole type but ULongLong, Boolean,
    // Currency and Error as std::int64_t; Single, Double and Date as double; Object and
    // Unknown as their reference. Arrays are shared between copies, and never changed.
    std::variant<std::monostate, std::int64_t, std::uint64_t, double, Decimal, std::u16string,
                 Ref<Object>, std::shared_ptr<const Array>>
        m_value;
};

struct Variant::Array
{
    struct Bound
    {
        std::int32_t lower = 0;
        std::uint32_t count = 0;
        friend bool operator==(const Bound &, const Bound &) = default;
    };
    Type element = Type::Variant;
    // One per dimension, the first first; none for one not yet dimensioned (Dim a()).
    std::vector<Bound> bounds;
    // The first index varying fastest, as in a SAFEARRAY; each of the element type.
    std::vector<Variant> values;
    friend bool operator==(const Array &, const Array &) = default;
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

template <class Int> Variant Variant::whole(Type type, Int value)
{
    static_assert(std::is_integral_v<Int>);
    if constexpr (std::is_signed_v<Int>)
        return signedWhole(type, value);
    else
        return unsignedWhole(type, value);
}

template <class Int> Int Variant::wholeValue() const
{
    if (const auto *value = std::get_if<std::int64_t>(&m_value))
        return Int(*value);
    if (const auto *value = std::get_if<std::uint64_t>(&m_value))
        return Int(*value);
    raiseTypeMismatch();
}

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

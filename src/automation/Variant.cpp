// SPDX-License-Identifier: Apache-2.0
#include "Variant.h"

#include "AutomationError.h"
#include "Text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Automation {

namespace {

// Reads a numeric text as the runtime does: surrounding blanks allowed, "&H" and "&O"
// prefixes for hexadecimal and octal whole numbers.
double parseNumber(std::u16string_view text)
{
    const std::string t = utf8(trimmed(text));
    int base = 0;
    if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h'))
        base = 16;
    else if (t.size() > 2 && t[0] == '&' && (t[1] == 'O' || t[1] == 'o'))
        base = 8;
    const char *first = t.data() + (base ? 2 : 0);
    const char *last = t.data() + t.size();
    if (first != last && *first == '+')
        ++first; // from_chars takes a minus sign only
    std::from_chars_result read{};
    double result = 0;
    if (base) {
        long long whole = 0;
        read = std::from_chars(first, last, whole, base);
        result = double(whole);
    } else {
        read = std::from_chars(first, last, result);
    }
    if (first == last || read.ec != std::errc() || read.ptr != last)
        raise(TypeMismatch);
    return result;
}

template <typename Int> Int toWhole(double value)
{
    // nearbyint rounds in the current mode, which is to-nearest-even by default.
    const double d = std::nearbyint(value);
    if (!(d >= double(std::numeric_limits<Int>::min()) &&
          d <= double(std::numeric_limits<Int>::max())))
        raise(Overflow);
    return Int(d);
}

} // namespace

void raiseTypeMismatch()
{
    raise(TypeMismatch);
}

bool Variant::isNumber() const
{
    switch (type()) {
    case Type::Integer:
    case Type::Long:
    case Type::Double:
        return true;
    default:
        return false;
    }
}

bool Variant::isNothing() const
{
    return isEmpty() || (isObject() && !std::get<Ref<Object>>(m_value));
}

double Variant::toDouble() const
{
    switch (type()) {
    case Type::Empty:
        return 0;
    case Type::Boolean:
        return std::get<bool>(m_value) ? -1 : 0;
    case Type::Integer:
        return std::get<std::int16_t>(m_value);
    case Type::Long:
        return std::get<std::int32_t>(m_value);
    case Type::Double:
        return std::get<double>(m_value);
    case Type::String:
        return parseNumber(std::get<std::u16string>(m_value));
    case Type::Object:
        break;
    }
    raise(TypeMismatch);
}

bool Variant::toBoolean() const
{
    if (type() == Type::Boolean)
        return std::get<bool>(m_value);
    if (type() == Type::String) {
        const std::u16string_view t = trimmed(std::get<std::u16string>(m_value));
        if (equalIgnoringCase(t, u"True"))
            return true;
        if (equalIgnoringCase(t, u"False"))
            return false;
    }
    return toDouble() != 0;
}

std::int16_t Variant::toInteger() const
{
    if (type() == Type::Integer)
        return std::get<std::int16_t>(m_value);
    return toWhole<std::int16_t>(toDouble());
}

std::int32_t Variant::toLong() const
{
    if (type() == Type::Long)
        return std::get<std::int32_t>(m_value);
    return toWhole<std::int32_t>(toDouble());
}

std::u16string Variant::toText() const
{
    switch (type()) {
    case Type::Empty:
        return {};
    case Type::Boolean:
        return std::get<bool>(m_value) ? u"True" : u"False";
    case Type::Integer:
        return decimal(std::get<std::int16_t>(m_value));
    case Type::Long:
        return decimal(std::get<std::int32_t>(m_value));
    case Type::Double: {
        char buffer[32];
        const auto written =
            std::to_chars(buffer, buffer + sizeof buffer, std::get<double>(m_value),
                          std::chars_format::general, 15);
        return utf16(std::string_view(buffer, std::size_t(written.ptr - buffer)));
    }
    case Type::String:
        return std::get<std::u16string>(m_value);
    case Type::Object:
        break;
    }
    raise(TypeMismatch);
}

Ref<Object> Variant::toObject() const
{
    if (isEmpty())
        return {};
    if (!isObject())
        raise(TypeMismatch);
    return std::get<Ref<Object>>(m_value);
}

} // namespace Automation

// SPDX-License-Identifier: Apache-2.0
#include "Variant.h"

#include "AutomationError.h"
#include "Text.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace Automation {

using Type = Variant::Type;

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

template <typename Int> Int inRange(std::int64_t value)
{
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        raise(Overflow);
    return Int(value);
}

struct Range
{
    std::int64_t min;
    std::uint64_t max;
};

constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::uint64_t int64Max = std::numeric_limits<std::int64_t>::max();

// The values a type stored as a whole number takes; max 0 for the others. An Error is
// an HRESULT, given signed or as its bits.
Range rangeOf(Type type)
{
    switch (type) {
    case Type::SByte:
        return {-128, 127};
    case Type::Byte:
        return {0, 255};
    case Type::Integer:
    case Type::Boolean:
        return {-32768, 32767};
    case Type::UShort:
        return {0, 65535};
    case Type::Long:
    case Type::Int:
        return {-2147483648LL, 2147483647};
    case Type::Error:
        return {-2147483648LL, 4294967295U};
    case Type::ULong:
    case Type::UInt:
        return {0, 4294967295U};
    case Type::LongLong:
    case Type::Currency:
        return {int64Min, int64Max};
    case Type::ULongLong:
        return {0, std::numeric_limits<std::uint64_t>::max()};
    default:
        return {0, 0};
    }
}

bool isWholeNumber(Type type)
{
    return rangeOf(type).max != 0 && type != Type::Boolean && type != Type::Error &&
           type != Type::Currency;
}

// Whole and fractional part of a number of ten-thousandths, the fraction's trailing
// zeros dropped ("-12.5").
std::string currencyText(std::int64_t units)
{
    const std::uint64_t magnitude = units < 0 ? 0 - std::uint64_t(units) : std::uint64_t(units);
    std::string text = (units < 0 ? "-" : "") + std::to_string(magnitude / 10000);
    if (std::uint64_t fraction = magnitude % 10000) {
        text += '.';
        for (std::uint64_t digit = 1000; fraction; digit /= 10) {
            text += char('0' + fraction / digit);
            fraction %= digit;
        }
    }
    return text;
}

// Rounded to a whole number, halves to even, exactly.
std::int64_t roundCurrency(std::int64_t units)
{
    std::int64_t whole = units / 10000;
    const std::int64_t rest = units % 10000; // of the sign of units
    const bool odd = whole % 2 != 0;
    if (rest > 5000 || (rest == 5000 && odd))
        ++whole;
    else if (rest < -5000 || (rest == -5000 && odd))
        --whole;
    return whole;
}

// The decimal's exact digits, the point where its scale puts it, trailing zeros of the
// fraction dropped ("-1234.567", "0.0005").
std::string decimalText(const Variant::Decimal &value)
{
    std::uint32_t limbs[3] = {value.high, std::uint32_t(value.low >> 32), std::uint32_t(value.low)};
    std::string digits;
    while (limbs[0] || limbs[1] || limbs[2]) {
        std::uint64_t rest = 0;
        for (std::uint32_t &limb : limbs) {
            const std::uint64_t part = (rest << 32) | limb;
            limb = std::uint32_t(part / 10);
            rest = part % 10;
        }
        digits.insert(digits.begin(), char('0' + rest));
    }
    if (digits.size() <= value.scale)
        digits.insert(0, value.scale + 1 - digits.size(), '0');
    std::string text = digits.substr(0, digits.size() - value.scale);
    std::string fraction = digits.substr(text.size());
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (!fraction.empty())
        text += '.' + fraction;
    return (value.negative && text != "0" ? "-" : "") + text;
}

// A real number with 15 significant digits (a Single's 7), as "%.15G" writes it ("0.25",
// "1E+20").
std::string realText(double value, bool single)
{
    char buffer[40];
    const auto written = single ? std::to_chars(buffer, buffer + sizeof buffer, float(value),
                                                std::chars_format::general, 7)
                                : std::to_chars(buffer, buffer + sizeof buffer, value,
                                                std::chars_format::general, 15);
    std::string text(buffer, written.ptr);
    if (const std::size_t e = text.find('e'); e != std::string::npos)
        text[e] = 'E';
    return text;
}

// "MM/DD/YYYY hh:mm:ss", as the invariant locale writes a date: the date alone at
// midnight, the time alone on day 0 (30 December 1899). Seconds are rounded (to the
// next day's 00:00:00).
std::string dateText(double date)
{
    // 1 January 100 to 31 December 9999, as dates go.
    if (!(date > -657435.0 && date < 2958466.0))
        raise(Overflow);
    const double whole = std::trunc(date);
    long long day = static_cast<long long>(whole);
    int seconds = int(std::lround(std::fabs(date - whole) * 86400));
    if (seconds == 86400) {
        seconds = 0;
        ++day;
    }
    char text[32] = "";
    int length = 0;
    if (day != 0) {
        // Day 0 is 25569 days before 1 January 1970.
        const std::chrono::year_month_day civil{
            std::chrono::sys_days{std::chrono::days{day - 25569}}};
        length = std::snprintf(text, sizeof text, "%02u/%02u/%04d", unsigned(civil.month()),
                               unsigned(civil.day()), int(civil.year()));
    }
    if (date != whole || day == 0)
        std::snprintf(text + length, sizeof text - std::size_t(length), "%s%02d:%02d:%02d",
                      length ? " " : "", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

// A Variant to a whole number of type Int: whole types and Currency exactly, the others
// through their real value.
template <class Int> Int wholeOf(const Variant &value)
{
    const Type type = value.type();
    if (type == Type::ULongLong) {
        const auto whole = value.wholeValue<std::uint64_t>();
        if (whole > std::uint64_t(std::numeric_limits<Int>::max()))
            raise(Overflow);
        return Int(whole);
    }
    if (isWholeNumber(type) || type == Type::Boolean)
        return inRange<Int>(value.wholeValue<std::int64_t>());
    if (type == Type::Currency)
        return inRange<Int>(roundCurrency(value.wholeValue<std::int64_t>()));
    return toWhole<Int>(value.toDouble());
}

} // namespace

void raiseTypeMismatch()
{
    raise(TypeMismatch);
}

Variant Variant::null()
{
    Variant value;
    value.m_type = Type::Null;
    return value;
}

Variant Variant::signedWhole(Type type, std::int64_t value)
{
    const Range range = rangeOf(type);
    if (range.max == 0)
        raise(TypeMismatch);
    if (value < range.min || (value > 0 && std::uint64_t(value) > range.max))
        raise(Overflow);
    if (type == Type::ULongLong)
        return unsignedWhole(type, std::uint64_t(value));
    Variant made;
    made.m_type = type;
    made.m_value = type == Type::Error ? std::int64_t(std::int32_t(value)) : value;
    return made;
}

Variant Variant::unsignedWhole(Type type, std::uint64_t value)
{
    const Range range = rangeOf(type);
    if (range.max == 0)
        raise(TypeMismatch);
    if (value > range.max)
        raise(Overflow);
    Variant made;
    made.m_type = type;
    if (type == Type::ULongLong)
        made.m_value = value;
    else if (type == Type::Error)
        made.m_value = std::int64_t(std::int32_t(std::uint32_t(value)));
    else
        made.m_value = std::int64_t(value);
    return made;
}

Variant Variant::real(Type type, double value)
{
    if (type != Type::Single && type != Type::Double && type != Type::Date)
        raise(TypeMismatch);
    if (type == Type::Single) {
        if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
            raise(Overflow);
        value = float(value);
    }
    Variant made(value);
    made.m_type = type;
    return made;
}

Variant Variant::decimal(const Decimal &value)
{
    Variant made;
    made.m_type = Type::Decimal;
    made.m_value = value;
    return made;
}

Variant Variant::unknown(const Ref<Object> &object)
{
    Variant made(object);
    made.m_type = Type::Unknown;
    return made;
}

Variant Variant::array(Array value)
{
    std::size_t count = value.bounds.empty() ? 0 : 1;
    for (const Array::Bound &bound : value.bounds)
        count *= bound.count;
    if (value.values.size() != count)
        raise(InvalidProcedureCall);
    Variant made;
    made.m_type = Type::Array;
    made.m_value = std::make_shared<const Array>(std::move(value));
    return made;
}

double Variant::realValue() const
{
    if (const auto *value = std::get_if<double>(&m_value))
        return *value;
    raise(TypeMismatch);
}

const Variant::Decimal &Variant::decimalValue() const
{
    if (const auto *value = std::get_if<Decimal>(&m_value))
        return *value;
    raise(TypeMismatch);
}

const Variant::Array &Variant::arrayValue() const
{
    if (const auto *value = std::get_if<std::shared_ptr<const Array>>(&m_value))
        return **value;
    raise(TypeMismatch);
}

bool operator==(const Variant &a, const Variant &b)
{
    if (a.m_type != b.m_type)
        return false;
    if (a.m_type == Type::Array)
        return a.arrayValue() == b.arrayValue();
    return a.m_value == b.m_value;
}

bool Variant::isNumber() const
{
    return isWholeNumber(m_type) || m_type == Type::Single || m_type == Type::Double ||
           m_type == Type::Currency || m_type == Type::Decimal;
}

bool Variant::isNothing() const
{
    return isEmpty() || (isObject() && !std::get<Ref<Object>>(m_value));
}

double Variant::toDouble() const
{
    switch (m_type) {
    case Type::Empty:
        return 0;
    case Type::Single:
    case Type::Double:
    case Type::Date:
        return std::get<double>(m_value);
    case Type::ULongLong:
        return double(std::get<std::uint64_t>(m_value));
    case Type::Currency:
        return double(std::get<std::int64_t>(m_value)) / 10000;
    case Type::Decimal: {
        const std::string text = decimalText(std::get<Decimal>(m_value));
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return value;
    }
    case Type::String:
        return parseNumber(std::get<std::u16string>(m_value));
    default:
        if (isWholeNumber(m_type) || m_type == Type::Boolean)
            return double(std::get<std::int64_t>(m_value));
        // Null, Error, objects, arrays
        raise(TypeMismatch);
    }
}

bool Variant::toBoolean() const
{
    if (m_type == Type::Boolean)
        return std::get<std::int64_t>(m_value) != 0;
    if (m_type == Type::String) {
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
    return wholeOf<std::int16_t>(*this);
}

std::int32_t Variant::toLong() const
{
    return wholeOf<std::int32_t>(*this);
}

std::u16string Variant::toText() const
{
    switch (m_type) {
    case Type::Empty:
        return {};
    case Type::Boolean:
        return std::get<std::int64_t>(m_value) ? u"True" : u"False";
    case Type::Single:
    case Type::Double:
        return utf16(realText(std::get<double>(m_value), m_type == Type::Single));
    case Type::Date:
        return utf16(dateText(std::get<double>(m_value)));
    case Type::Currency:
        return utf16(currencyText(std::get<std::int64_t>(m_value)));
    case Type::Decimal:
        return utf16(decimalText(std::get<Decimal>(m_value)));
    case Type::ULongLong:
        return utf16(std::to_string(std::get<std::uint64_t>(m_value)));
    case Type::String:
        return std::get<std::u16string>(m_value);
    default:
        if (isWholeNumber(m_type))
            return Automation::decimal(std::get<std::int64_t>(m_value));
        // Null, Error, objects, arrays
        raise(TypeMismatch);
    }
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

// SPDX-License-Identifier: Apache-2.0
#include "LeadingNumber.h"

#include "automation/Variant.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

namespace Dialog {

namespace {

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The value of a hexadecimal digit, -1 for any other character.
int digitValue(char16_t c)
{
    if (isDigit(c))
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// A whole number in `base` from the digits at `from`; 0 when there are none.
double radixNumber(const std::u16string &text, std::size_t from, int base)
{
    double value = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        const int digit = digitValue(text[i]);
        if (digit < 0 || digit >= base)
            break;
        value = value * base + digit;
    }
    return value;
}

// Reads the decimal number `number` holds whole ([sign] digits [. digits] [E [sign]
// digits], plain ASCII), whatever the user's decimal point.
double decimalNumber(const std::string &number)
{
    const bool negative = number.front() == '-';
    const std::size_t start = number.front() == '+' || negative ? 1 : 0;
    double value = 0;
    const auto [end, error] =
        std::from_chars(number.data() + start, number.data() + number.size(), value);
    static_cast<void>(end);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: the size of the number decides, its
        // whole digits (without leading zeros) plus its exponent.
        const std::size_t e = number.find_first_of("Ee");
        const std::string mantissa = number.substr(start, e - start);
        const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
        const std::size_t first = mantissa.find_first_not_of('0');
        long long magnitude = first < point ? static_cast<long long>(point - first) : 0;
        if (e != std::string::npos) {
            long long exponent = 0;
            std::from_chars(number.data() + e + 1 + (number[e + 1] == '+' ? 1 : 0),
                            number.data() + number.size(), exponent);
            magnitude += std::clamp(exponent, -100000LL, 100000LL);
        }
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

} // namespace

double LeadingNumber(std::u16string text)
{
    std::erase_if(text, [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; });

    if (text.size() >= 2 && text[0] == u'&') {
        const char16_t prefix = text[1];
        if (prefix == u'H' || prefix == u'h')
            return radixNumber(text, 2, 16);
        if (prefix == u'O' || prefix == u'o')
            return radixNumber(text, 2, 8);
        return 0;
    }

    // The longest prefix of the decimal form: [sign] digits [. digits] [E [sign] digits].
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    std::size_t digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    std::size_t end = i;
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        std::size_t j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        const std::size_t exponentStart = j;
        while (j < n && isDigit(text[j]))
            ++j;
        if (j > exponentStart)
            end = j;
    }
    return decimalNumber(std::string(text.begin(), text.begin() + std::ptrdiff_t(end)));
}

std::int32_t GeneratedNumber(const std::u16string &fieldName, const std::u16string &word)
{
    if (word.empty() || fieldName.find(word) == std::u16string::npos)
        return 0;
    // Every occurrence in the name as given, left to right, without overlaps.
    std::u16string rest;
    std::size_t from = 0;
    for (std::size_t at = fieldName.find(word); at != std::u16string::npos;
         at = fieldName.find(word, from)) {
        rest.append(fieldName, from, at - from);
        from = at + word.size();
    }
    rest.append(fieldName, from);
    // The automation runtime's conversion: halves to even, error 6 out of range.
    return Automation::Variant(LeadingNumber(rest)).toLong();
}

} // namespace Dialog

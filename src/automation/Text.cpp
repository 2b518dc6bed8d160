// SPDX-License-Identifier: Apache-2.0
#include "Text.h"

#include <algorithm>
#include <iterator>

namespace Automation {

namespace {

struct CaseRun
{
    char16_t first;
    char16_t last;
    int stride;
    int delta;
};

#include "CaseTables.inc"

template <std::size_t N> char16_t mapped(const CaseRun (&runs)[N], char16_t c)
{
    const auto run =
        std::upper_bound(std::begin(runs), std::end(runs), c,
                         [](char16_t value, const CaseRun &r) { return value < r.first; });
    if (run == std::begin(runs))
        return c;
    const CaseRun &r = *std::prev(run);
    if (c > r.last || (c - r.first) % r.stride != 0)
        return c;
    return char16_t(int(c) + r.delta);
}

constexpr char16_t Replacement = 0xFFFD;

} // namespace

std::string utf8(std::u16string_view text, char32_t lone)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = lone;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string utf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int length = lead < 0x80                   ? 1
                     : lead >= 0xC2 && lead < 0xE0 ? 2
                     : lead >= 0xE0 && lead < 0xF0 ? 3
                     : lead >= 0xF0 && lead < 0xF5 ? 4
                                                   : 0;
        char32_t c = length == 1   ? lead
                     : length == 2 ? lead & 0x1F
                     : length == 3 ? lead & 0x0F
                                   : lead & 0x07;
        bool valid = length > 0 && i + std::size_t(length) <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + std::size_t(k)]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        valid = valid && !(length == 3 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) &&
                !(length == 4 && (c < 0x10000 || c > 0x10FFFF));
        if (!valid) {
            out += Replacement;
            ++i;
            continue;
        }
        i += std::size_t(length);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::u16string lowerCase(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t &c : out)
        c = mapped(LowerCaseRuns, c);
    return out;
}

std::u16string foldCase(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t &c : out)
        c = mapped(FoldCaseRuns, c);
    return out;
}

bool equalIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && mapped(FoldCaseRuns, a[i]) != mapped(FoldCaseRuns, b[i]))
            return false;
    }
    return true;
}

std::u16string_view trimmed(std::u16string_view text)
{
    auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::u16string decimal(std::int64_t number)
{
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace Automation

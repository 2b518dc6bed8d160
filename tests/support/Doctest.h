// SPDX-License-Identifier: Apache-2.0
// What every suite of the portable core includes: doctest, the component's UTF-16 texts
// printed as UTF-8 in failure reports, and the automation error a call raises
// (support/Errors.h). These
// suites build with both compilers and run natively and under wine.
#pragma once

#include "automation/Text.h"
#include "support/Errors.h"

#include <doctest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace doctest {
template <> struct StringMaker<std::u16string>
{
    static String convert(const std::u16string &text)
    {
        return ('"' + Automation::utf8(text) + '"').c_str();
    }
};
// A list of texts as {"a", "b"}.
template <typename Text> struct StringMaker<std::vector<Text>>
{
    static String convert(const std::vector<Text> &texts)
    {
        String shown = "{";
        for (std::size_t i = 0; i < texts.size(); ++i)
            shown += (i ? ", " : "") + StringMaker<Text>::convert(texts[i]);
        return shown + "}";
    }
};
} // namespace doctest

namespace Support {

inline std::string utf8(const std::u16string &text)
{
    return Automation::utf8(text);
}

inline std::u16string u16(const std::string &utf8Text)
{
    return Automation::utf16(utf8Text);
}

} // namespace Support

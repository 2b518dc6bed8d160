// SPDX-License-Identifier: Apache-2.0
// The dialog's part that stands alone: the number read from a generated field name.
#include "dialog/LeadingNumber.h"
#include "support/Doctest.h"

#include <optional>

TEST_CASE("the number of a generated field name")
{
    const struct
    {
        const char *what;
        std::u16string name;
        std::optional<std::int32_t> number; // none: overflow
    } rows[] = {
        {"blanks, tabs and line feeds anywhere", u"Field 1\t2\n3", 123},
        {"half below", u"Field2.5", 2},
        {"half above", u"Field3.5", 4},
        {"no number after the word", u"MyField", 0},
        {"word not found, other case", u"field9", 0},
        {"word twice", u"FieldField4", 4},
        {"word in the middle", u"2Field5", 25},
        {"word made by a removal stays", u"FiFieldeld7", 0},
        {"letters stop the number", u"Field6b7", 6},
        {"sign", u"Field-3", -3},
        {"sign alone", u"Field-", 0},
        {"exponent", u"Field1E2", 100},
        {"small exponent letter", u"Field15e-1", 2},
        {"exponent without digits", u"Field3E", 3},
        {"hexadecimal", u"Field&H1F", 31},
        {"hexadecimal, small letters", u"Field&hff", 255},
        {"octal", u"Field&O17", 15},
        {"octal stops at 8", u"Field&O78", 7},
        {"ampersand alone", u"Field&", 0},
        {"just past the largest", u"Field2147483647.5", std::nullopt},
        {"beyond a double", u"Field1E999", std::nullopt},
        {"beyond a double, digits alone", u"Field1" + std::u16string(400, u'0'), std::nullopt},
        {"hexadecimal past 32 bits", u"Field&H80000000", std::nullopt},
        {"tiny", u"Field1E-999", 0},
    };
    for (const auto &row : rows) {
        CAPTURE(row.what);
        std::int32_t read = 0;
        const std::int32_t error =
            Support::errorOf([&] { read = Dialog::GeneratedNumber(row.name, u"Field"); });
        CHECK(error == (row.number ? 0 : 6));
        CHECK(read == row.number.value_or(0));
    }
}

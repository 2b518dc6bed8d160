// SPDX-License-Identifier: Apache-2.0
// Late binding over class tables (member lookup, access kinds, conversions, errors), as a
// host calls: on Windows every call and every value crosses the COM bridge
// (support/Platform.h). The Linux build's INI registry is posix/Registry.cpp's.

#include "Sample.h"
#include "automation/Dispatch.h"
#include "automation/Registry.h"
#include "support/Doctest.h"
#include "support/Platform.h"

#include <functional>

using namespace Automation;
using Support::errorOf;
using Support::failure;
using Support::hostCall;
using Support::MemberId;
using Test::Sample;
using namespace std::string_literals;

namespace {

class Other : public Object
{
};

Variant read(Object *object, const MemberId &member, std::vector<Variant> args = {})
{
    return hostCall(object, member, Invoke::PropertyGet, args);
}
void assign(Object *object, const std::u16string &name, const Variant &value,
            Invoke kind = Invoke::PropertyPut)
{
    std::vector<Variant> args{value};
    hostCall(object, name, kind, args);
}
Variant run(Object *object, const MemberId &member, std::vector<Variant> args = {})
{
    return hostCall(object, member, Invoke::Method, args);
}

// A value's type, then its text, Long and Boolean, or the error each conversion raised.
std::string described(const Variant &value)
{
    std::string text = std::to_string(int(value.type()));
    const auto add = [&](const std::function<std::string()> &convert) {
        std::string result;
        const std::string error = failure([&] { result = convert(); });
        text += '|' + (error.empty() ? result : error.substr(0, error.find(' ')));
    };
    add([&] { return Support::utf8(value.toText()); });
    add([&] { return std::to_string(value.toLong()); });
    add([&] { return std::string(value.toBoolean() ? "T" : "F"); });
    return text;
}

} // namespace

TEST_CASE("members by name or identifier; by-reference arguments; a member's own error")
{
    const Ref<Sample> s = make<Sample>();
    assign(s.get(), u"name", u"abc");
    CHECK(read(s.get(), u"NAME").toText() == u"abc");
    CHECK(read(s.get(), DispId(0x40030002)).toText() == u"abc");
    CHECK(idOfName(s.get(), u"count") == DispId(0x68030000));
    CHECK(run(s.get(), DispId(0x60030002), {u"k", 3}).toText() == u"k:3");
    // By-reference parameters are written back; by value the caller's copy stays.
    std::vector<Variant> args{u"n=", 5, 21};
    hostCall(s.get(), u"Swap", Invoke::Method, args);
    CHECK(args == std::vector<Variant>{u"n=5", 42, 21});
    // A member's own error passes through, its text with it.
    CHECK(failure([&] { run(s.get(), u"Fail"); }) == "5 no good");
}

TEST_CASE("missing members and kinds of access")
{
    const Ref<Sample> s = make<Sample>();
    Object *p = s.get();
    const Ref<Object> other = make<Other>();
    CHECK(errorOf([&] { read(p, u"Nope"); }) == MemberNotFound);
    CHECK(errorOf([&] { read(p, DispId(0x12345)); }) == MemberNotFound);
    CHECK(errorOf([&] { run(p, u"Hidden"); }) == MemberNotFound);          // not in the table
    CHECK(errorOf([&] { read(other.get(), u"Name"); }) == MemberNotFound); // no table
    CHECK(errorOf([&] { read(nullptr, u"Name"); }) == ObjectNotSet);

    CHECK(errorOf([&] { assign(p, u"Count", 3); }) == MemberNotFound); // read-only
    CHECK(errorOf([&] { assign(p, u"Name", other, Invoke::PropertyPutRef); }) ==
          MemberNotFound);                                             // a value
    CHECK(errorOf([&] { assign(p, u"Child", 1); }) == MemberNotFound); // needs a reference
    assign(p, u"Child", other, Invoke::PropertyPutRef);
    CHECK(read(p, u"Child").toObject() == other);
    assign(p, u"Child", nullptr, Invoke::PropertyPutRef);
    CHECK(read(p, u"Child").isNothing());
    // A variant property takes both a value and a reference.
    assign(p, u"Holder", 42);
    CHECK(s->holder.toLong() == 42);
    assign(p, u"Holder", other, Invoke::PropertyPutRef);
    CHECK(s->holder.toObject() == other);
    // A reference assignment wants an object.
    CHECK(errorOf([&] { assign(p, u"Child", 5, Invoke::PropertyPutRef); }) == TypeMismatch);
}

TEST_CASE("argument counts and conversions of arguments")
{
    const Ref<Sample> s = make<Sample>();
    Object *p = s.get();
    CHECK(errorOf([&] { run(p, u"Item", {u"k"}); }) == WrongArgumentCount);
    CHECK(errorOf([&] { run(p, u"Item", {1, 2, 3}); }) == WrongArgumentCount);
    CHECK(errorOf([&] { read(p, u"Name", {1}); }) == WrongArgumentCount);
    CHECK(errorOf([&] { run(p, u"Item", {u"k", u"x"}); }) == TypeMismatch);
    CHECK(run(p, u"Item", {u"k", u" 12 "}).toText() == u"k:12");
    CHECK(errorOf([&] { assign(p, u"Small", 40000); }) == Overflow);
    assign(p, u"Small", u"&H7FFF");
    CHECK(s->small == 32767);
    // An object parameter of a given class refuses objects of another.
    CHECK(run(p, u"Adopt", {make<Sample>()}).toBoolean());
    CHECK(!run(p, u"Adopt", {Variant::nothing()}).toBoolean());
    CHECK(errorOf([&] { run(p, u"Adopt", {make<Other>()}); }) == TypeMismatch);
}

TEST_CASE("values cross as they were given and convert in the invariant locale")
{
    // Each kind as VariantChangeType converts it in the invariant locale: Booleans as -1
    // and 0, halves to even, Decimal exact, 13 for Null, Error, objects and arrays. Stored in a
    // variant property and read back, each comes back as it was, object and array elements
    // included.
    const Ref<Sample> s = make<Sample>();
    using Type = Variant::Type;
    const Variant::Array bytes{
        Type::Byte, {{1, 2}}, {Variant::whole(Type::Byte, 1), Variant::whole(Type::Byte, 2)}};
    const Variant::Array grid{Type::Variant,
                              {{1, 2}, {-1, 3}},
                              {1, u"x", 2.5, Variant::null(), Variant::real(Type::Date, 1), s}};
    const std::pair<Variant, std::string> kinds[] = {
        {Variant(), "0||0|F"},
        {Variant(true), "11|True|-1|T"},
        {Variant::whole(Type::Boolean, 1), "11|True|1|T"},
        {Variant(2.5), "5|2.5|2|T"},
        {Variant(3.5), "5|3.5|4|T"},
        {Variant(-2.5), "5|-2.5|-2|T"},
        {Variant(1e20), "5|1E+20|6|T"},
        {Variant(u"&O17"), "8|&O17|15|T"},
        {Variant(u"False"), "8|False|13|F"},
        {Variant(u"Cr\u00e9ateur \u2713 \U0001F4D6\0."s), "8|Créateur ✓ 📖\0.|13|13"s},
        {Variant::whole(Type::SByte, -3), "16|-3|-3|T"},
        {Variant::whole(Type::Byte, 200), "17|200|200|T"},
        {Variant::whole(Type::Integer, -2), "2|-2|-2|T"},
        {Variant::whole(Type::UShort, 65535), "18|65535|65535|T"},
        {Variant(std::int32_t(-4)), "3|-4|-4|T"},
        {Variant::whole(Type::ULong, 4000000000u), "19|4000000000|6|T"},
        {Variant::whole(Type::Int, -5), "22|-5|-5|T"},
        {Variant::whole(Type::UInt, 6u), "23|6|6|T"},
        {Variant::whole(Type::ULongLong, ~0ULL), "21|18446744073709551615|6|T"},
        {Variant::whole(Type::LongLong, -9007199254740993LL), "20|-9007199254740993|6|T"},
        {Variant::real(Type::Single, 1.0 / 3), "4|0.3333333|0|T"},
        {Variant::whole(Type::Currency, -15000), "6|-1.5|-2|T"},
        {Variant::real(Type::Date, 45306.4375), "7|01/15/2024 10:30:00|45306|T"},
        {Variant::real(Type::Date, 45306), "7|01/15/2024|45306|T"},
        {Variant::real(Type::Date, -1.5), "7|12/29/1899 12:00:00|-2|T"},
        {Variant::real(Type::Date, 0.4375), "7|10:30:00|0|T"},
        {Variant::decimal({0, 1234567, 3, true}), "14|-1234.567|-1235|T"},
        {Variant::decimal({1, 0, 28, false}), "14|0.0000000018446744073709551616|0|T"},
        {Variant::null(), "1|13|13|13"},
        {Variant::whole(Type::Error, 0x80020004), "10|13|13|13"},
        {Variant(s), "9|13|13|13"},
        {Variant::nothing(), "9|13|13|13"},
        {Variant::unknown(s), "13|13|13|13"},
        {Variant::array(bytes), "8192|13|13|13"},
        {Variant::array(grid), "8192|13|13|13"},
        {Variant::array({Type::Variant, {}, {}}), "8192|13|13|13"}, // Dim a()
    };
    for (const auto &[value, expected] : kinds) {
        CAPTURE(expected);
        assign(s.get(), u"Holder", value);
        const Variant back = read(s.get(), u"Holder");
        CHECK(described(back) == expected);
        CHECK(back == value);
    }

    CHECK(errorOf([] { Variant::whole(Type::Byte, 256); }) == Overflow);
    CHECK(Variant::unknown(s).toObject() == s);
    Variant::Array other = bytes;
    other.values.pop_back();
    CHECK(errorOf([&] { Variant::array(other); }) == InvalidProcedureCall);
}

TEST_CASE("interfaces, and a class nobody registered")
{
    const Ref<Object> s = make<Sample>();
    CHECK(queryInterface(s, "{00000000-0000-0000-0000-0000000000b2}") == s);
    CHECK(!queryInterface(nullptr, "{anything}"));
    CHECK(errorOf([&] { queryInterface(s, "{00000000-0000-0000-0000-0000000000C3}"); }) ==
          TypeMismatch);
    CHECK(errorOf([] { createObject(u"Nobody.Here"); }) == CannotCreateObject);
}

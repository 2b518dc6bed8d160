// SPDX-License-Identifier: Apache-2.0
// The XMP packet of a metadata stream: what it reads in the forms RDF allows, what it
// writes back, and the bytes around and inside the packet's wrapper.
#include "support/Doctest.h"
#include "tagora/XmpPacket.h"

#include <regex>
#include <vector>

using Support::u16;
using Tagora::XmpPacket;

namespace {

std::string wrapped(const std::string &descriptions, char end = 'w', int padding = 2000)
{
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">" +
           descriptions + "</rdf:RDF></x:xmpmeta>" + std::string(std::size_t(padding), ' ') +
           "<?xpacket end=\"" + end + "\"?>";
}

const std::string Attributes =
    R"(<rdf:Description rdf:about="" xmlns:pdf="http://ns.adobe.com/pdf/1.3/" xmlns:pdfx="http://ns.adobe.com/pdfx/1.3/" pdf:Keywords="a, b" pdfx:Custom="cv"/>)";
const std::string Elements =
    R"(<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title><rdf:Alt><rdf:li xml:lang="de">Titel</rdf:li><rdf:li xml:lang="x-default">Title</rdf:li></rdf:Alt></dc:title><dc:description><rdf:Alt><rdf:li xml:lang="en">English only</rdf:li></rdf:Alt></dc:description><dc:creator><rdf:Seq><rdf:li>Ann</rdf:li><rdf:li>Bob</rdf:li></rdf:Seq></dc:creator></rdf:Description>)";
const std::string Unclosed =
    R"(<rdf:Description xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title></rdf:Description>)";

using Getter = std::optional<std::u16string> (XmpPacket::*)() const;
using Setter = void (XmpPacket::*)(const std::u16string &);
const std::pair<Getter, Setter> Fields[] = {
    {&XmpPacket::title, &XmpPacket::setTitle},
    {&XmpPacket::description, &XmpPacket::setDescription},
    {&XmpPacket::author, &XmpPacket::setAuthor},
    {&XmpPacket::keywords, &XmpPacket::setKeywords},
};

using Texts = std::vector<std::u16string>;

// Title, description, author, keywords and pdfx:Custom, "-" for none.
Texts fields(const XmpPacket &packet)
{
    Texts shown;
    for (const auto &[get, set] : Fields)
        shown.push_back((packet.*get)().value_or(u"-"));
    shown.push_back(packet.pdfx(u"Custom").value_or(u"-"));
    return shown;
}

} // namespace

TEST_CASE("reads the forms RDF allows, refuses what is not a packet")
{
    const Texts elements{u"Title", u"English only", u"Ann; Bob", u"-", u"-"};
    const struct
    {
        const char *name;
        std::string data;
        Texts expected; // empty: refused
    } rows[] = {
        {"attributes", wrapped(Attributes), {u"-", u"-", u"-", u"a, b", u"cv"}},
        {"elements, x-default not first", wrapped(Elements), elements},
        {"bytes around the wrapper", "junk\n" + wrapped(Elements, 'r', 0) + "\n%", elements},
        {"empty", "", {}},
        {"other XML", "<html><body>x</body></html>", {}},
        {"unclosed element", wrapped(Unclosed), {}},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        std::u16string reason;
        const std::optional<XmpPacket> packet = XmpPacket::parse(row.data, &reason);
        CHECK((packet ? fields(*packet) : Texts()) == row.expected);
        CHECK(reason.empty() == bool(packet));
    }
}

TEST_CASE("writes what reads back")
{
    // Every field, and pdfx:Custom, which exists; pdfx:Other does not and stays so.
    const struct
    {
        std::u16string text;
        std::u16string reads; // "-": removed
    } rows[] = {
        {u"Grüße – 日本語 😀", u"Grüße – 日本語 😀"},
        {u"a\r\nb\t<&>\"'; c", u"a\r\nb\t<&>\"'; c"},
        {u"a\u0001b\uFFFE", u"a b "}, // no XML character
        {u"", u"-"},                  // empty removes
    };
    for (const auto &row : rows) {
        CAPTURE(row.text);
        std::optional<XmpPacket> packet = XmpPacket::parse(wrapped(Attributes + Elements));
        REQUIRE(packet);
        for (const auto &[get, set] : Fields)
            (*packet.*set)(row.text);
        CHECK(packet->setPdfx(u"Custom", row.text));
        CHECK(!packet->setPdfx(u"Other", u"v"));
        CHECK(packet->setModifyDate(u"D:20261206052400+01'00'"));
        const std::string data = packet->serialize();
        const std::optional<XmpPacket> again = XmpPacket::parse(data);
        REQUIRE(again);
        CHECK(fields(*again) == Texts(5, row.reads));
        CHECK(!again->pdfx(u"Other"));
        // The author is one item of an ordered array, whatever it holds.
        if (!row.text.empty())
            CHECK(data.find("<dc:creator>") != std::string::npos);
        CHECK(data.find("2026-12-06T05:24:00+01:00</xmp:MetadataDate>") != std::string::npos);
    }
}

TEST_CASE("keeps the wrapper")
{
    // A packet that fits keeps its length (a reader may rewrite it in place); the bytes
    // around it stay.
    const struct
    {
        std::string before;
        std::string packet;
        std::size_t titleLength;
        std::string expected; // same length or not, end, padded or not
    } rows[] = {
        {"<?xml?>\n", wrapped(Attributes), 10, "same w padded"},
        {"", wrapped(Attributes, 'r'), 10, "same r padded"},
        {"x", wrapped(Attributes, 'w', 0), 3000, "other w padded"},
        {"", wrapped(Attributes, 'r', 100), 3000, "other r bare"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.expected);
        std::optional<XmpPacket> parsed = XmpPacket::parse(row.before + row.packet + "\n");
        REQUIRE(parsed);
        const std::u16string title(row.titleLength, u'é');
        parsed->setTitle(title);
        const std::string data = parsed->serialize();
        CHECK(data.rfind(row.before + "<?xpacket begin=", 0) == 0);
        std::smatch end;
        REQUIRE(std::regex_search(data, end, std::regex("<\\?xpacket end=\"(.)\"\\?>\n$")));
        CHECK((data.size() == row.before.size() + row.packet.size() + 1 ? "same " : "other ") +
                  end.str(1) +
                  (data.find(std::string(100, ' ')) != std::string::npos ? " padded" : " bare") ==
              row.expected);
        CHECK(XmpPacket::parse(data)->title().value_or(u"-") == title);
    }
}

TEST_CASE("a new packet holds the custom fields in order, whatever their names")
{
    using Fields = std::vector<XmpPacket::Field>;
    const Fields rows[] = {
        {},
        {{u"z <&> /[1] \"x\"", u""}, {u"日本語 😀", u"値"}, {u"a", u"1"}, {u"a", u"again"}},
    };
    for (const Fields &fields : rows) {
        CAPTURE(fields.size());
        std::optional<XmpPacket> packet = XmpPacket::create();
        REQUIRE(packet);
        CHECK(packet->customFields() == Fields());
        packet->setCustomFields(fields);
        packet->setTitle(u"T");
        const std::string data = packet->serialize();
        CHECK(data.find("<?xpacket end=\"w\"?>") != std::string::npos);
        const std::optional<XmpPacket> again = XmpPacket::parse(data);
        REQUIRE(again);
        CHECK(again->customFields() == fields);
        CHECK(again->title() == u"T");
    }
    // A packet of another tool has no such array.
    CHECK(!XmpPacket::parse(wrapped(Attributes))->customFields());
}

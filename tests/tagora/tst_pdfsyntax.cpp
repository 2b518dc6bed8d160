// SPDX-License-Identifier: Apache-2.0
// The byte-level pieces of the PDF information library, each checked against qpdf's
// own reading of what they produce.
#include "support/Doctest.h"
#include "support/Files.h"
#include "tagora/CachedFileInput.h"
#include "tagora/DictionaryScanner.h"
#include "tagora/PdfText.h"

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <random>
#include <stdexcept>

using namespace Tagora;

TEST_CASE("a string's syntax keeps every byte; dates have the PDF form, and read as ISO 8601")
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    for (const std::string &sample :
         {bytes, "((unbalanced" + bytes.substr(0, 40), std::string("\xFE\xFF", 2) + bytes}) {
        const std::string syntax = PdfText::stringSyntax(sample);
        CAPTURE(syntax);
        CHECK(std::all_of(syntax.begin(), syntax.end(),
                          [](char c) { return c >= 0x20 && c <= 0x7E; }));
        CHECK(QPDFObjectHandle::parse(syntax).getStringValue() == sample);
    }
    CHECK(PdfText::date({2024, 3, 9, 7, 5, 3, 2 * 60}) == u"D:20240309070503+02'00'");
    CHECK(PdfText::date({824, 12, 31, 23, 59, 0, -(5 * 60 + 30)}) == u"D:08241231235900-05'30'");
    const std::pair<std::u16string, std::u16string> dates[] = {
        {u"D:20240115093000-05'30'", u"2024-01-15T09:30:00-05:30"},
        {u"D:20240115093000+0100", u"2024-01-15T09:30:00+01:00"},
        {u"D:20240115093000Z00'00'", u"2024-01-15T09:30:00Z"},
        {u"2024", u"2024-01-01T00:00:00"},
        {u"D:20230229", u""},
        {u"D:2024011509300", u""},
        {u"D:20240115+", u""},
        {u"D:20240115093000Z garbage", u""}};
    for (const auto &[pdf, iso] : dates)
        CHECK(PdfText::isoDate(pdf).value_or(u"") == iso);
}

TEST_CASE("the scanner finds keys in file order")
{
    const struct
    {
        std::string dictionary;
        std::vector<std::string> keys; // empty: none found
    } rows[] = {
        {"<</Zeta (z)/Alpha 1/Mid/Name>>", {"/Zeta", "/Alpha", "/Mid"}},
        {"<< /B << /Inner [ /X << /Y 1 >> ] >> /A [1 [2] /Z] >>", {"/B", "/A"}},
        {"<< /R 12 0 R /N 1 /M 2 /S 3 4 R >>", {"/R", "/N", "/M", "/S"}},
        {"<< /S (a >> /Fake) /H <41> % /Comment 1\n /E#20x true >>", {"/S", "/H", "/E x"}},
        {"<< /A 1 /B >>", {}},
        {"<< 1 2 >>", {}},
        {"<< /A [1 2", {}},
    };
    for (const auto &row : rows) {
        CAPTURE(row.dictionary);
        DictionaryScanner scanner(
            std::make_shared<BufferInputSource>("test", "junk " + row.dictionary));
        const auto found = scanner.keys(5);
        std::vector<std::string> names;
        for (const auto &key : found.value_or(std::vector<DictionaryScanner::Key>()))
            names.push_back(key.name);
        CHECK(names == row.keys);
        CHECK(bool(found) == !row.keys.empty());
    }
}

TEST_CASE("the cached input reads like qpdf's buffer")
{
    // Lines of every length and ending, across several blocks, ending without an EOL.
    std::mt19937 random(7);
    auto below = [&](std::int64_t end) {
        return std::int64_t(random() % std::uint64_t(end));
    };
    std::string bytes;
    const char *ends[] = {"\n", "\r\n", "\r", "\n\n\r"};
    while (bytes.size() < 300 * 1024)
        bytes += std::string(std::size_t(1 + below(39999)), char('a' + below(26))) + ends[below(4)];
    bytes += "last";
    const Support::TempFolder dir;
    const auto path = Support::writeFile(dir / "input.bin", bytes);

    CachedFileInput cached("input", File::openForReading(path.u16string()));
    BufferInputSource reference("input", bytes);
    const auto size = qpdf_offset_t(bytes.size());
    CHECK(cached.size() == size);
    for (int step = 0; step < 3000; ++step) {
        switch (below(5)) {
        case 0: {
            const qpdf_offset_t offset = below(size + 10);
            cached.seek(offset, SEEK_SET);
            reference.seek(offset, SEEK_SET);
            break;
        }
        case 1: {
            const qpdf_offset_t back = -below(std::min<qpdf_offset_t>(reference.tell(), 5000) + 1);
            cached.seek(back, SEEK_CUR);
            reference.seek(back, SEEK_CUR);
            break;
        }
        case 2: {
            const auto length = std::size_t(below(70000));
            std::string a(length, '\0'), b(length, '\0');
            REQUIRE(cached.read(a.data(), length) == reference.read(b.data(), length));
            REQUIRE(a == b);
            REQUIRE(cached.getLastOffset() == reference.getLastOffset());
            break;
        }
        case 3:
            REQUIRE(cached.findAndSkipNextEOL() == reference.findAndSkipNextEOL());
            break;
        default:
            if (reference.tell() > 0) {
                cached.unreadCh('x');
                reference.unreadCh('x');
            }
        }
        REQUIRE(cached.tell() == reference.tell());
    }
    cached.seek(-4, SEEK_END);
    std::string end(10, '\0');
    end.resize(cached.read(end.data(), end.size()));
    CHECK(end == "last");
    for (InputSource *input :
         {static_cast<InputSource *>(&cached), static_cast<InputSource *>(&reference)}) {
        input->seek(size + 5, SEEK_SET);
        CHECK(input->findAndSkipNextEOL() == size);
        CHECK(input->tell() == size);
    }
    CHECK_THROWS_AS(cached.seek(-1, SEEK_SET), std::runtime_error);
}

// SPDX-License-Identifier: Apache-2.0
// The CSV syntax of orvfields' import and export: the bytes written, tables read back
// whole with the lines their records start on, files of other line ends and separators,
// and each malformed table refused with its line.
#include "cli/Csv.h"
#include "support/Doctest.h"

#include <string>
#include <utility>
#include <vector>

using namespace Cli;

namespace {

const std::string bom = "\xEF\xBB\xBF";

// A table as "; bom 1[a|b] 3[c]": separator, mark, and each record's line and cells.
std::string shown(const Csv::Table &table)
{
    std::string text(1, table.separator);
    text += table.byteOrderMark ? " bom" : "";
    for (const auto &row : table.rows) {
        text += ' ' + std::to_string(row.line) + '[';
        for (std::size_t k = 0; k < row.cells.size(); ++k)
            text += (k ? "|" : "") + row.cells[k];
        text += ']';
    }
    return text;
}

} // namespace

TEST_CASE("write quotes what a spreadsheet would split or trim, and ends records with CRLF")
{
    CHECK(Csv::write({{"SourceFile", "Title"}, {"a,b.pdf", "say \"hi\""}}) ==
          "SourceFile,Title\r\n\"a,b.pdf\",\"say \"\"hi\"\"\"\r\n");
    CHECK(Csv::write({{"a,b", "c;d", " e", "f ", "g h"}}, ';', true) ==
          bom + "\"a,b\";\"c;d\";\" e\";\"f \";g h\r\n");
    CHECK(Csv::write({{"two\nlines", "cr\r", ""}, {""}, {}}) ==
          "\"two\nlines\",\"cr\r\",\r\n\"\"\r\n\r\n");
}

TEST_CASE("what write gives, read gives back, each record with the line it starts on")
{
    const std::vector<std::vector<std::string>> rows = {
        {"Source;File", "Title,x", "Author"},
        {"a,b;c", "say \"hi\"", "\""},
        {"two\nlines", "cr\rlf", "crlf\r\nhere"},
        {" lead", "trail ", ""},
        {"", "", ""},
        {"日本語", "Zoë", "😀"},
        {""},
        {"short"},
    };
    const int lines[] = {1, 2, 3, 7, 8, 9, 10, 11};
    // (The byte-order mark both ways: the cases of write's bytes and of read's tables.)
    for (const char separator : {',', ';'}) {
        CAPTURE(separator);
        const Csv::Table table = Csv::read(Csv::write(rows, separator));
        CHECK(table.separator == separator);
        REQUIRE(table.rows.size() == rows.size());
        for (std::size_t k = 0; k < rows.size(); ++k) {
            CHECK(table.rows[k].cells == rows[k]);
            CHECK(table.rows[k].line == lines[k]);
        }
    }
}

TEST_CASE("read takes any line end, skips empty lines, and finds the separator in the header")
{
    const std::pair<std::string, std::string> cases[] = {
        {"a,b\rc,d\r", ", 1[a|b] 2[c|d]"},
        {"\n\r\na,b\r\n\r\n\rc,d\n\n", ", 3[a|b] 6[c|d]"},
        {"\"x\ny\",z\nw\n", ", 1[x\ny|z] 3[w]"},
        {"a,\n,b\n,\n\"\"\n", ", 1[a|] 2[|b] 3[|] 4[]"},
        {"a;b,c\n1;2\n", "; 1[a|b,c] 2[1|2]"},
        {"\"x,y\";z\n", "; 1[x,y|z]"},
        {"abc\nd;e,f\n", ", 1[abc] 2[d;e|f]"},
        {"a,b,c\nd\n", ", 1[a|b|c] 2[d]"},
        {bom + "a;b", "; bom 1[a|b]"},
        {bom, ", bom"},
        {"", ","},
    };
    for (const auto &c : cases) {
        CAPTURE(c.first);
        CHECK(shown(Csv::read(c.first)) == c.second);
    }
}

TEST_CASE("a malformed table is refused with the line where it goes wrong")
{
    const std::pair<std::string, const char *> cases[] = {
        {"a,b\nc,\"d\n\ne", "line 2: a quoted cell is not closed"},
        {"\"a\"\"", "line 1: a quoted cell is not closed"},
        {"a,b\nc,d\"e\n", "line 2: a quote inside a cell that does not start with one"},
        {"\"x\ny\",1\n\"a\"b\n", "line 3: text after the closing quote"},
        {"a\r\n\"b\" ,c", "line 2: text after the closing quote"},
        {"a\nb\xFF\n", "line 2: not UTF-8"},
        {"\"a\rb\",\xE0\x80\xAF", "line 2: not UTF-8"},
        {"a,\xE6\x97", "line 1: not UTF-8"},
        {bom + "\x80", "line 1: not UTF-8"},
    };
    for (const auto &c : cases) {
        CAPTURE(c.first);
        CHECK_THROWS_WITH_AS(Csv::read(c.first), c.second, Csv::Error);
    }
}

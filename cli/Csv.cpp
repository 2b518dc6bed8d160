// SPDX-License-Identifier: Apache-2.0
#include "Csv.h"

#include "automation/Text.h"

#include <algorithm>
#include <cstddef>

namespace Cli::Csv {

namespace {

constexpr std::string_view byteOrderMarkBytes = "\xEF\xBB\xBF";

// The length of the line end at `i` (CRLF, LF or a lone CR), 0 when there is none.
std::size_t lineEnd(std::string_view data, std::size_t i)
{
    if (i >= data.size())
        return 0;
    if (data[i] == '\n')
        return 1;
    if (data[i] != '\r')
        return 0;
    return i + 1 < data.size() && data[i + 1] == '\n' ? 2 : 1;
}

// The whole data, before parsing, as the automation runtime converts it (strictly: no
// overlong forms, surrogates or code points past U+10FFFF). The line named is the bad
// byte's own, also inside a cell of several lines.
void checkUtf8(std::string_view data)
{
    const std::string converted = Automation::utf8(Automation::utf16(data));
    if (converted == data)
        return;
    const std::size_t bad = std::size_t(
        std::mismatch(data.begin(), data.end(), converted.begin(), converted.end()).first -
        data.begin());
    int line = 1;
    for (std::size_t i = 0; i < bad;) {
        const std::size_t end = lineEnd(data, i);
        line += end ? 1 : 0;
        i += end ? end : 1;
    }
    throw Error(line, "not UTF-8");
}

// Either separator, so that read() finds the right one in the header.
bool needsQuotes(const std::string &cell)
{
    return cell.find_first_of(",;\"\r\n") != std::string::npos || cell.starts_with(' ') ||
           cell.ends_with(' ');
}

} // namespace

Error::Error(int line, const std::string &problem)
    : std::runtime_error("line " + std::to_string(line) + ": " + problem)
{}

Table read(std::string_view data)
{
    Table table;
    if (data.starts_with(byteOrderMarkBytes)) {
        data.remove_prefix(byteOrderMarkBytes.size());
        table.byteOrderMark = true;
    }
    checkUtf8(data);
    char separator = 0; // none until the first record shows it
    int line = 1;
    std::size_t i = 0;
    while (i < data.size()) {
        Row row{line, {}};
        bool quoted = false;
        for (;;) {
            std::string cell;
            quoted = i < data.size() && data[i] == '"';
            if (quoted) {
                const int opened = line;
                for (++i;; ++i) {
                    if (i == data.size())
                        throw Error(opened, "a quoted cell is not closed");
                    if (data[i] == '"' && (i + 1 == data.size() || data[i + 1] != '"'))
                        break;
                    if (data[i] == '"') {
                        ++i; // "" is one quote
                    } else if (const std::size_t end = lineEnd(data, i)) {
                        cell += data.substr(i, end);
                        i += end - 1;
                        ++line;
                        continue;
                    }
                    cell += data[i];
                }
                ++i;
            }
            for (; i < data.size() && !lineEnd(data, i); ++i) {
                const char c = data[i];
                if (!separator && (c == ',' || c == ';'))
                    separator = c;
                if (separator && c == separator)
                    break;
                if (quoted)
                    throw Error(line, "text after the closing quote");
                if (c == '"')
                    throw Error(line, "a quote inside a cell that does not start with one");
                cell += c;
            }
            row.cells.push_back(std::move(cell));
            if (i == data.size() || lineEnd(data, i))
                break;
            ++i; // the separator
        }
        if (const std::size_t end = lineEnd(data, i)) {
            i += end;
            ++line;
        }
        if (row.cells.size() == 1 && row.cells.front().empty() && !quoted)
            continue; // an empty line
        table.rows.push_back(std::move(row));
        if (!separator)
            separator = ',';
    }
    table.separator = separator ? separator : ',';
    return table;
}

std::string write(const std::vector<std::vector<std::string>> &rows, char separator,
                  bool byteOrderMark)
{
    std::string out(byteOrderMark ? byteOrderMarkBytes : std::string_view());
    for (const auto &row : rows) {
        for (std::size_t k = 0; k < row.size(); ++k) {
            const std::string &cell = row[k];
            if (k > 0)
                out += separator;
            if (!needsQuotes(cell) && !(cell.empty() && row.size() == 1)) {
                out += cell;
                continue;
            }
            out += '"';
            for (const char c : cell)
                out += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

} // namespace Cli::Csv

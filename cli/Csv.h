// SPDX-License-Identifier: Apache-2.0
// Csv: the table syntax of `orvfields` CSV import and export, as spreadsheets write and
// read it (RFC 4180 with a separator of ',' or ';' and an optional UTF-8 byte-order
// mark). Only the syntax: what the header and the cells mean is the caller's, and so are
// records of other lengths than the header's.
//
// read() takes cells quoted in double quotes (holding the separator, CR, LF and "" for a
// quote) or bare; a record ends at CRLF, LF, a lone CR (old Mac files) or the end of the
// data. A UTF-8 byte-order mark at the start is dropped and remembered. The separator is
// the first ',' or ';' outside quotes in the first record; ',' when it has neither. An
// empty line is skipped (a line of "" is a record of one empty cell). Cells are the bytes
// as given; data that is not UTF-8 is refused. A malformed table throws Error, whose
// what() begins with the line: "line 4: a quoted cell is not closed".
//
// write() quotes a cell (doubling its quotes) when it holds ',', ';', a quote, CR or LF,
// or begins or ends with a space, so that a spreadsheet keeps it as it is and read() finds
// the separator from the header whichever it is; a row of one empty cell is written as ""
// so that it is not taken for an empty line. Every record ends with CRLF; with
// `byteOrderMark`, the mark comes first, which spreadsheets need to take the file as UTF-8.
// A row with no cells is an empty line, which read() skips.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Cli::Csv {

struct Row
{
    int line = 0; // where the record starts in the data, from 1
    std::vector<std::string> cells;
};

struct Table
{
    char separator = ',';
    bool byteOrderMark = false;
    std::vector<Row> rows; // every record, the header first
};

class Error : public std::runtime_error
{
public:
    Error(int line, const std::string &problem);
};

Table read(std::string_view data);
std::string write(const std::vector<std::vector<std::string>> &rows, char separator = ',',
                  bool byteOrderMark = false);

} // namespace Cli::Csv

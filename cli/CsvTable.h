// SPDX-License-Identifier: Apache-2.0
// CsvTable: the fields of many files as one table, as spreadsheets keep a catalogue:
// what `orvfields read --csv` prints and `orvfields write --from-csv` takes (Csv.h is the
// syntax).
//
// One row a file. The column SourceFile names the file; Title, Author, Subject and
// Keywords are the standard fields; every other column is the custom field of its name.
// read --csv writes SourceFile first, then the four, then one column for each custom
// name met in any file, in the order first met (letter case ignored: the first spelling
// names the column).
//
// Read back, each row edits its file: an empty cell leaves the field as it is, a cell
// holding only "-" removes it, any other text sets it (a custom field the file lacks is
// added last). Column names are matched ignoring letter case and may come in any order;
// a SourceFile that is not absolute is taken from the table's folder. A table whose
// header cannot be used (no SourceFile, a column named twice, one of the entries
// orvfields never writes) is refused as a whole; a row that cannot be used is reported by
// its line, and the other rows go on. Columns without a name, and cells past the header's,
// are what spreadsheets leave of emptied columns: they must be empty.
#pragma once

#include "Options.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Cli::CsvTable {

// A file's fields, as one row of read --csv.
struct FileFields
{
    std::u16string file;
    std::array<std::u16string, 4> standard; // Title, Author, Subject, Keywords
    std::vector<std::pair<std::u16string, std::u16string>> custom;
};

// The table of read --csv, rows in the order given.
std::string write(const std::vector<FileFields> &rows);

// A row of write --from-csv: the file it names and what it does to it; `problem`, when
// not empty, says why the row cannot be used.
struct FileEdits
{
    std::u16string file;
    int line = 0; // of the table, where the row starts
    std::vector<Edit> edits;
    std::string problem;
};

// The rows of the table at `table` (its data `data`), blank rows left out. Throws
// UsageError naming the table when its syntax or its header cannot be used.
std::vector<FileEdits> read(std::string_view data, const std::u16string &table);

} // namespace Cli::CsvTable

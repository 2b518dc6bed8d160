// SPDX-License-Identifier: Apache-2.0
#include "CsvTable.h"

#include "Csv.h"
#include "Report.h"
#include "automation/Text.h"
#include "fields/FieldSet.h"

#include <filesystem>
#include <map>
#include <optional>

namespace Cli::CsvTable {

namespace {

constexpr std::u16string_view SourceFile = u"SourceFile";
constexpr std::array<std::u16string_view, 4> Standard = {u"Title", u"Author", u"Subject",
                                                         u"Keywords"};
constexpr std::array<Edit::Kind, 4> StandardEdits = {Edit::Title, Edit::Author, Edit::Subject,
                                                     Edit::Keywords};

// What a column of a table read back holds.
struct Column
{
    enum
    {
        Source,
        Standard,
        Custom,
        Unnamed // a spreadsheet's empty column: its cells must be empty too
    } kind;
    int standard = 0;    // Standard: 0 to 3
    std::u16string name; // Custom
};

std::vector<Column> columnsOf(const std::vector<std::string> &header, const std::string &table)
{
    const auto refuse = [&](const std::string &why) {
        throw UsageError{"--from-csv " + table + ": " + why};
    };
    std::vector<Column> columns;
    std::map<std::u16string, std::size_t> named; // lower case: column number from 1
    for (const std::string &cell : header) {
        const std::u16string name(Automation::trimmed(Automation::utf16(cell)));
        const std::string shown = "column " + std::to_string(columns.size() + 1);
        if (name.empty()) {
            columns.push_back({Column::Unnamed, 0, {}});
            continue;
        }
        const auto [at, added] = named.emplace(Automation::lowerCase(name), columns.size() + 1);
        if (!added)
            refuse(shown + " is named " + cell + " like column " + std::to_string(at->second));
        const int entry = Fields::FieldSet::standardEntry(name);
        if (entry >= 4)
            refuse(shown + ", " + cell + ", is an entry orvfields never writes");
        if (Automation::lowerCase(name) == Automation::lowerCase(SourceFile))
            columns.push_back({Column::Source, 0, {}});
        else if (entry >= 0)
            columns.push_back({Column::Standard, entry, {}});
        else
            columns.push_back({Column::Custom, 0, name});
    }
    if (!named.contains(Automation::lowerCase(SourceFile)))
        refuse("the header has no SourceFile column");
    return columns;
}

FileEdits editsOf(const Csv::Row &row, const std::vector<Column> &columns,
                  const std::filesystem::path &folder)
{
    FileEdits result;
    result.line = row.line;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        const std::u16string cell = Automation::utf16(row.cells[i]);
        // Cells past the header's, like those of an unnamed column, may only be empty.
        const Column &column = i < columns.size() ? columns[i] : Column{Column::Unnamed, 0, {}};
        if (column.kind == Column::Unnamed && !cell.empty()) {
            result.problem =
                "cell " + std::to_string(i + 1) + " has a value but its column no name";
            return result;
        }
        if (column.kind == Column::Source) {
            result.file = cell;
        } else if (cell.empty()) {
            continue; // left as it is
        } else if (column.kind == Column::Standard) {
            result.edits.push_back({StandardEdits[std::size_t(column.standard)],
                                    {},
                                    cell == u"-" ? std::u16string() : cell});
        } else {
            result.edits.push_back(
                {cell == u"-" ? Edit::Remove : Edit::Set, column.name, cell == u"-" ? u"" : cell});
        }
    }
    if (result.file.empty())
        result.problem = "the row names no file (its SourceFile is empty)";
    else
        result.file = (folder / std::filesystem::path(result.file)).u16string();
    return result;
}

} // namespace

std::string write(const std::vector<FileFields> &rows)
{
    std::vector<std::u16string> customNames;
    std::map<std::u16string, std::size_t> columnOf; // lower case: custom column
    for (const FileFields &row : rows) {
        for (const auto &[name, value] : row.custom) {
            if (columnOf.emplace(Automation::lowerCase(name), customNames.size()).second)
                customNames.push_back(name);
        }
    }
    std::vector<std::vector<std::string>> table(1);
    table[0].push_back(utf8(SourceFile));
    for (const std::u16string_view name : Standard)
        table[0].push_back(utf8(name));
    for (const std::u16string &name : customNames)
        table[0].push_back(utf8(name));
    for (const FileFields &row : rows) {
        std::vector<std::string> &cells = table.emplace_back();
        cells.push_back(utf8(row.file));
        for (const std::u16string &value : row.standard)
            cells.push_back(utf8(value));
        cells.resize(cells.size() + customNames.size());
        for (const auto &[name, value] : row.custom)
            cells[1 + Standard.size() + columnOf.at(Automation::lowerCase(name))] = utf8(value);
    }
    return Csv::write(table);
}

std::vector<FileEdits> read(std::string_view data, const std::u16string &table)
{
    Csv::Table parsed;
    try {
        parsed = Csv::read(data);
    } catch (const Csv::Error &error) {
        throw UsageError{"--from-csv " + utf8(table) + ", " + error.what()};
    }
    if (parsed.rows.empty())
        throw UsageError{"--from-csv " + utf8(table) + ": the table is empty"};
    const std::vector<Column> columns = columnsOf(parsed.rows.front().cells, utf8(table));
    const std::filesystem::path folder = std::filesystem::path(table).parent_path();
    std::vector<FileEdits> rows;
    for (std::size_t i = 1; i < parsed.rows.size(); ++i) {
        const Csv::Row &row = parsed.rows[i];
        // Spreadsheets keep rows whose cells were all emptied.
        bool blank = true;
        for (const std::string &cell : row.cells)
            blank = blank && cell.empty();
        if (!blank)
            rows.push_back(editsOf(row, columns, folder));
    }
    return rows;
}

} // namespace Cli::CsvTable

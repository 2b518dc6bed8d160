// SPDX-License-Identifier: Apache-2.0
// Options: the command line of orvfields.
//
//   orvfields read [--json|--csv] [-j N] [-q] [--no-progress] FILE...
//   orvfields write [--json] [-j N] [-q] [--no-progress] [--dry-run] [--wait SECONDS]
//                   [--drop-history] [--xmp create|update|keep] [--from-json FILE|-]
//                   [--clear-custom] [EDIT]... FILE...
//   orvfields write [OPTIONS] --from-csv TABLE|- [EDIT]...
//   orvfields history [--json] [-j N] [--no-progress] FILE...
//   orvfields revert [--json] [-j N] [-q] [--no-progress] [--wait SECONDS] [--to N]
//                    [--truncate] FILE...
//   orvfields compact [--json] [-j N] [-q] [--no-progress] [--wait SECONDS] FILE...
//
// Options and files may come in any order; "--" ends the options. Each command has its
// own options and its own --help. Edits keep the order in which they were given, and
// are checked with the dialog's naming rules before any file is touched.
//
// The conventions are those the command line has always had: short options may be
// run together ("-qj4"), a value follows its option as the next argument or after "="
// (the next argument even when it starts with "-"), and "-" alone is a file.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Cli {

// A command line that cannot be run: the message (UTF-8) names what is wrong.
struct UsageError
{
    explicit UsageError(std::string message) : text(std::move(message)) {}

    std::string text;
    std::string usage; // the lines it ends with; empty: Options::usage()
};

struct Edit
{
    enum Kind
    {
        Title,
        Author,
        Subject,
        Keywords,
        Set,
        Remove
    } kind;
    std::u16string name; // Set and Remove
    std::u16string value;
};

struct Options
{
    enum class Action
    {
        Run,
        Help,
        Version
    };
    Action action = Action::Run;
    std::string help; // the text --help prints, for the command given if any

    enum class Command
    {
        Read,
        Write,
        History,
        Revert,
        Compact
    };
    Command command = Command::Read;

    bool json = false;
    bool csv = false; // read: one table of every file
    bool quiet = false;
    bool progress = true;
    bool dryRun = false;
    bool clearCustom = false;
    int jobs = 0;             // files read or written at once; 0: one per processor
    int wait = 5000;          // milliseconds a write waits for another writer
    bool dropHistory = false; // write the file anew: compact, write --drop-history
    int revision = 0;         // revert --to; 0: the one before the last
    bool truncate = false;    // revert by cutting the file back
    // write: when a file without XMP metadata gets a packet (the library's modes).
    enum class Xmp
    {
        Keep,
        Update,
        Create
    } xmp = Xmp::Update;
    std::optional<std::u16string> fromJson; // a file, or "-" for standard input
    std::optional<std::u16string> fromCsv;  // a table naming the files, or "-"
    std::string password;                   // UTF-8: the user password of encrypted files
    std::vector<std::u16string> files;      // none with fromCsv: the table names them
    std::vector<Edit> edits;

    // Reads the arguments that follow the program's name. Throws UsageError.
    static Options parse(const std::vector<std::u16string> &arguments);
    // The lines a usage error ends with, unless it names its own.
    static std::string usage();
};

} // namespace Cli

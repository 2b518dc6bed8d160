// SPDX-License-Identifier: Apache-2.0
// Options: the command line of orvfields, read with QCommandLineParser.
//
//   orvfields read [--json] [-j N] [-q] [--no-progress] FILE...
//   orvfields write [--json] [-j N] [-q] [--no-progress] [--dry-run] [--wait SECONDS]
//                   [--from-json FILE|-] [--clear-custom] [EDIT]... FILE...
//
// Options and files may come in any order; "--" ends the options. Each command has its
// own options and its own --help. Edits keep the order in which they were given, and
// are checked with the dialog's naming rules before any file is touched. Arguments that
// are not valid UTF-8 are refused: they would be changed silently.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Cli {

// A command line that cannot be run: the message names what is wrong.
struct UsageError
{
    QString text;
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
    QString name; // Set and Remove
    QString value;
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
    QString help; // the text --help prints, for the command given if any

    bool write = false;
    bool json = false;
    bool quiet = false;
    bool progress = true;
    bool dryRun = false;
    bool clearCustom = false;
    int jobs = 0;                    // files read or written at once; 0: one per processor
    int wait = 5000;                 // milliseconds a write waits for another writer
    std::optional<QString> fromJson; // a file, or "-" for standard input
    QStringList files;
    QList<Edit> edits;

    // Reads the arguments that follow the program's name. Throws UsageError.
    static Options parse(int argc, const char *const *argv);
    // The lines a usage error ends with.
    static QString usage();
};

} // namespace Cli

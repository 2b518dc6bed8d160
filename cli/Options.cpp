// SPDX-License-Identifier: Apache-2.0
#include "Options.h"

#include "Report.h"
#include "fields/FieldSet.h"

#include <array>
#include <charconv>
#include <span>

namespace Cli {

namespace {

constexpr char Usage[] = "usage: orvfields read [OPTIONS] FILE...\n"
                         "       orvfields write [OPTIONS] FILE... [EDITS]\n"
                         "       orvfields write [OPTIONS] --from-csv TABLE [EDITS]\n";
constexpr char TryHelp[] = "Try 'orvfields --help' or 'orvfields COMMAND --help'.\n";

constexpr char GeneralHelp[] =
    "Usage: orvfields read [OPTIONS] FILE...\n"
    "       orvfields write [OPTIONS] FILE... [EDITS]\n"
    "       orvfields write [OPTIONS] --from-csv TABLE [EDITS]\n"
    "       orvfields history|revert|compact [OPTIONS] FILE...\n"
    "Reads and changes the document information of PDF files: Title, Author, Subject,\n"
    "Keywords and custom fields, with the rules of the OrvFields dialog.\n"
    "\n"
    "Commands:\n"
    "  read     Print the fields of each file.\n"
    "  write    Change the fields of each file, then print them.\n"
    "  history  List the revisions of each file and the values each changed.\n"
    "  revert   Give each file back the fields of an earlier revision, then print\n"
    "           them.\n"
    "  compact  Write each file anew without the values of its earlier revisions,\n"
    "           then print its fields.\n"
    "'orvfields COMMAND --help' lists the options of a command.\n";

constexpr char ReadHelp[] =
    "Usage: orvfields read [OPTIONS] FILE...\n"
    "Prints the document information of each file: Title, Author, Subject, Keywords,\n"
    "the custom fields in file order, then Creator, Producer, CreationDate and\n"
    "ModDate, which orvfields never changes. Text output is one \"Name: value\" a line,\n"
    "control characters escaped; several files each start with \"==> FILE <==\".\n";

constexpr char WriteHelp[] =
    "Usage: orvfields write [OPTIONS] FILE... [EDITS]\n"
    "       orvfields write [OPTIONS] --from-csv TABLE [EDITS]\n"
    "Changes the fields of each file, then prints them as read does. Each file is\n"
    "one locked read-modify-write that changes only what it is asked to; edits are\n"
    "applied in this order: --clear-custom, --from-json or the file's row of\n"
    "--from-csv, then the others as given.\n"
    "An empty text removes a standard field; custom values cannot be empty.\n";

constexpr char HistoryHelp[] =
    "Usage: orvfields history [OPTIONS] FILE...\n"
    "Lists the revisions of each file, oldest first, 1 being the original: where each\n"
    "ends, its ModDate and Producer, then a line for each value it changed\n"
    "(Title: \"old\" -> \"new\", (none) for an absent value). Last come the values that\n"
    "older revisions still hold and the current one no longer shows.\n";

constexpr char RevertHelp[] =
    "Usage: orvfields revert [OPTIONS] FILE...\n"
    "Gives each file back the document information (Info and XMP) of an earlier\n"
    "revision, then prints its fields as read does. The restored fields are appended\n"
    "as a new revision: the earlier ones stay, and so do their signatures.\n";

constexpr char CompactHelp[] =
    "Usage: orvfields compact [OPTIONS] FILE...\n"
    "Writes each file anew with only its current state, so that the values its\n"
    "earlier revisions held are gone from it, then prints its fields as read does.\n"
    "The history goes with them: signatures of earlier revisions no longer hold.\n";

// The options of read (and of no command), then those of the commands after it: the
// columns differ.
constexpr char OptionsHead[] =
    "\n"
    "Options:\n"
    "  -h, --help      Show this help and exit.\n"
    "  --version       Show the version and exit.\n"
    "  --json          Print one JSON object a line for each file, in the order of\n"
    "                  the files (the schema is in the README).\n"
    "  -j, --jobs <N>  Work on N files at once (default: one per processor); the\n"
    "                  output keeps the order of the files.\n"
    "  --password <TEXT>\n"
    "                  The user password of encrypted files (default: empty).\n";
constexpr char CsvOption[] =
    "  --csv           Print one table of every file's fields for a spreadsheet\n"
    "                  (RFC 4180, comma-separated): SourceFile, Title, Author,\n"
    "                  Subject, Keywords, then a column for each custom name.\n";
constexpr char QuietOption[] = "  -q, --quiet     Print no fields; failures are still reported.\n";
constexpr char ProgressOption[] =
    "  --no-progress   Show no progress on standard error (shown only on a terminal,\n"
    "                  for several files).\n";

constexpr char CommonFile[] = "\n"
                              "Arguments:\n"
                              "  FILE            The PDF files.\n";

constexpr char WideOptions[] =
    "\n"
    "Options:\n"
    "  -h, --help          Show this help and exit.\n"
    "  --version           Show the version and exit.\n"
    "  --json              Print one JSON object a line for each file, in the order\n"
    "                      of the files (the schema is in the README).\n"
    "  -j, --jobs <N>      Work on N files at once (default: one per processor); the\n"
    "                      output keeps the order of the files.\n"
    "  --password <TEXT>   The user password of encrypted files (default: empty).\n"
    "  -q, --quiet         Print no fields; failures are still reported.\n"
    "  --no-progress       Show no progress on standard error (shown only on a\n"
    "                      terminal, for several files).\n";

constexpr char EditOptions[] =
    "  --title <TEXT>      Set the title.\n"
    "  --author <TEXT>     Set the author.\n"
    "  --subject <TEXT>    Set the subject.\n"
    "  --keywords <TEXT>   Set the keywords.\n"
    "  --set <NAME=VALUE>  Change the custom field NAME (letter case ignored), or\n"
    "                      add it last.\n"
    "  --remove <NAME>     Remove the custom field NAME (letter case ignored).\n"
    "  --clear-custom      Remove every custom field first.\n"
    "  --from-json <FILE>  Give each file the fields of a JSON object of the schema\n"
    "                      that read --json prints (from standard input for -),\n"
    "                      before the other edits.\n"
    "  --from-csv <TABLE>  Edit the files a table names, one row a file, as read\n"
    "                      --csv prints it (from standard input for -): SourceFile\n"
    "                      is taken from the table's folder; an empty cell leaves\n"
    "                      the field as it is, a cell holding only - removes it,\n"
    "                      other text sets it. Comma or semicolon separators, UTF-8\n"
    "                      with or without a byte-order mark. A row that fails is\n"
    "                      reported with its line; the other rows go on.\n"
    "  --dry-run           Print what the write would leave; write nothing.\n";

constexpr char WaitOption[] =
    "  --wait <SECONDS>    Wait up to SECONDS for another writer of a file (default:\n"
    "                      5).\n";

constexpr char XmpOption[] =
    "  --xmp <MODE>        When a file without XMP metadata gets a packet: update\n"
    "                      (the default) for PDF 2.0 files, whose readers look only\n"
    "                      there; create for every file; keep for none. A packet a\n"
    "                      file has follows its Info in every mode.\n";

constexpr char DropHistoryOption[] =
    "  --drop-history      Write the file anew, so that the values its earlier\n"
    "                      revisions held are gone (see compact).\n";

constexpr char RevertOptions[] =
    "  --to <N>            The revision to go back to, 1 being the original (default:\n"
    "                      the one before the last; orvfields history lists them).\n"
    "  --truncate          Cut the file back to the end of that revision instead, as\n"
    "                      if the later ones had never been written; refused when a\n"
    "                      later revision changed more than the document\n"
    "                      information.\n";

constexpr char WriteFile[] = "\n"
                             "Arguments:\n"
                             "  FILE                The PDF files.\n";

constexpr char ExitStatus[] =
    "\nExit status:\n"
    "  0  every file was read or written\n"
    "  1  a file failed: each failure is reported, the other files are done all the same\n"
    "  2  the command line (or the --from-json document) is wrong: no file was read or\n"
    "     written\n";

enum Id
{
    Help,
    Version,
    Json,
    Jobs,
    Quiet,
    NoProgress,
    Title,
    Author,
    Subject,
    Keywords,
    SetField,
    RemoveField,
    ClearCustom,
    FromJson,
    DryRun,
    Wait,
    DropHistory,
    To,
    Truncate,
    Password,
    Csv,
    FromCsv,
    XmpMode,
    IdCount
};

struct OptionInfo
{
    std::u16string_view shortName;
    std::u16string_view longName;
    bool takesValue;
};

constexpr std::array<OptionInfo, IdCount> OptionTable = {{
    {u"h", u"help", false},
    {u"", u"version", false},
    {u"", u"json", false},
    {u"j", u"jobs", true},
    {u"q", u"quiet", false},
    {u"", u"no-progress", false},
    {u"", u"title", true},
    {u"", u"author", true},
    {u"", u"subject", true},
    {u"", u"keywords", true},
    {u"", u"set", true},
    {u"", u"remove", true},
    {u"", u"clear-custom", false},
    {u"", u"from-json", true},
    {u"", u"dry-run", false},
    {u"", u"wait", true},
    {u"", u"drop-history", false}, // write
    {u"", u"to", true},            // revert
    {u"", u"truncate", false},     // revert
    {u"", u"password", true},
    {u"", u"csv", false},     // read
    {u"", u"from-csv", true}, // write
    {u"", u"xmp", true},      // write
}};

using IdSet = unsigned;
static_assert(IdCount <= 32);

constexpr IdSet idSet(std::initializer_list<Id> ids)
{
    IdSet set = 0;
    for (const Id id : ids)
        set |= 1u << id;
    return set;
}

constexpr IdSet Listing = idSet({Help, Version, Json, Jobs, NoProgress, Password});
constexpr IdSet Reporting = Listing | idSet({Quiet});
constexpr IdSet Editing =
    idSet({Title, Author, Subject, Keywords, SetField, RemoveField, ClearCustom, FromJson, DryRun});

struct CommandInfo
{
    std::u16string_view name;
    Options::Command command;
    IdSet options;
    const char *usage; // the usage line of a usage error; none: Usage
};

constexpr CommandInfo Commands[] = {
    {u"read", Options::Command::Read, Reporting | idSet({Csv}), nullptr},
    {u"write", Options::Command::Write,
     Reporting | Editing | idSet({Wait, DropHistory, FromCsv, XmpMode}), nullptr},
    {u"history", Options::Command::History, Listing,
     "usage: orvfields history [OPTIONS] FILE...\n"},
    {u"revert", Options::Command::Revert, Reporting | idSet({Wait, To, Truncate}),
     "usage: orvfields revert [OPTIONS] FILE...\n"},
    {u"compact", Options::Command::Compact, Reporting | idSet({Wait}),
     "usage: orvfields compact [OPTIONS] FILE...\n"},
};

const CommandInfo *commandNamed(std::u16string_view name)
{
    for (const CommandInfo &command : Commands)
        if (command.name == name)
            return &command;
    return nullptr;
}

// The arguments read against a set of options: the options found in order (under the
// name given), the values of each, the other arguments. An unknown option is noted and
// the reading goes on, so that --help still counts after it; a value missing or not
// expected ends in `error` (the last one found).
class Parsed
{
public:
    Parsed(const std::vector<std::u16string> &args, IdSet known) : m_known(known)
    {
        bool positionalOnly = false;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::u16string &argument = args[i];
            if (positionalOnly) {
                m_positional.push_back(argument);
            } else if (argument.starts_with(u"--")) {
                if (argument.size() == 2) {
                    positionalOnly = true;
                    continue;
                }
                const std::u16string name = argument.substr(2, argument.find(u'=') - 2);
                if (note(name))
                    valueOf(name, argument, args, i);
            } else if (argument.size() > 1 && argument[0] == u'-') {
                shortOptions(argument, args, i);
            } else {
                m_positional.push_back(argument);
            }
        }
    }

    bool ok() const { return m_error.empty() && m_unknown.empty(); }
    std::string error() const
    {
        if (!m_error.empty())
            return m_error;
        std::string names;
        for (const std::u16string &name : m_unknown)
            names += (names.empty() ? "" : ", ") + utf8(name);
        return m_unknown.size() == 1 ? "Unknown option '" + names + "'."
                                     : "Unknown options: " + names + ".";
    }
    bool isSet(Id id) const
    {
        for (const auto &[option, name] : m_found)
            if (option == id)
                return true;
        return false;
    }
    // The last value given, or none.
    std::u16string value(Id id) const
    {
        return m_values[id].empty() ? std::u16string() : m_values[id].back();
    }
    const std::vector<std::u16string> &values(Id id) const { return m_values[id]; }
    // Every option found, in order, as often as it was given.
    const std::vector<std::pair<Id, std::u16string>> &found() const { return m_found; }
    const std::vector<std::u16string> &positional() const { return m_positional; }

private:
    int idOf(std::u16string_view name) const
    {
        for (int id = 0; id < IdCount; ++id)
            if ((m_known & (1u << id)) &&
                (name == OptionTable[size_t(id)].longName ||
                 (name.size() == 1 && name == OptionTable[size_t(id)].shortName)))
                return id;
        return -1;
    }

    // Notes an option found, known or not; false when it is not known.
    bool note(const std::u16string &name)
    {
        const int id = name.empty() ? -1 : idOf(name);
        if (id < 0)
            m_unknown.push_back(name);
        else
            m_found.emplace_back(Id(id), name);
        return id >= 0;
    }

    // The value of option `name`, from after the first "=" of `argument` or from the
    // next argument.
    void valueOf(std::u16string_view name, const std::u16string &argument,
                 const std::vector<std::u16string> &args, std::size_t &i)
    {
        const int id = idOf(name);
        if (id < 0)
            return;
        const std::size_t assign = argument.find(u'=');
        if (!OptionTable[size_t(id)].takesValue) {
            if (assign != std::u16string::npos)
                m_error = "Unexpected value after '" + utf8(argument.substr(0, assign)) + "'.";
        } else if (assign != std::u16string::npos) {
            m_values[size_t(id)].push_back(argument.substr(assign + 1));
        } else if (++i < args.size()) {
            m_values[size_t(id)].push_back(args[i]);
        } else {
            m_error = "Missing value after '" + utf8(argument) + "'.";
        }
    }

    // "-qj4": each letter an option, until one takes a value, which is the rest of the
    // argument (after an "=") or the next argument.
    void shortOptions(const std::u16string &argument, const std::vector<std::u16string> &args,
                      std::size_t &i)
    {
        std::u16string name;
        for (std::size_t at = 1; at < argument.size(); ++at) {
            name = argument.substr(at, 1);
            if (!note(name))
                continue;
            const int id = idOf(name);
            const bool more = at + 1 < argument.size();
            if (OptionTable[size_t(id)].takesValue) {
                if (!more)
                    break;
                if (argument[at + 1] == u'=')
                    ++at;
                m_values[size_t(id)].push_back(argument.substr(at + 1));
                return;
            }
            if (more && argument[at + 1] == u'=')
                break;
        }
        valueOf(name, argument, args, i);
    }

    const IdSet m_known;
    std::vector<std::pair<Id, std::u16string>> m_found;
    std::array<std::vector<std::u16string>, IdCount> m_values;
    std::vector<std::u16string> m_unknown;
    std::vector<std::u16string> m_positional;
    std::string m_error;
};

std::string joined(std::initializer_list<const char *> parts)
{
    std::string text;
    for (const char *part : parts)
        text += part;
    return text;
}

std::string helpText(const std::u16string &command)
{
    if (command == u"read")
        return joined({ReadHelp, OptionsHead, CsvOption, QuietOption, ProgressOption, CommonFile,
                       ExitStatus});
    if (command == u"write")
        return joined({WriteHelp, WideOptions, EditOptions, WaitOption, XmpOption,
                       DropHistoryOption, WriteFile, ExitStatus});
    if (command == u"history")
        return joined({HistoryHelp, OptionsHead, ProgressOption, CommonFile, ExitStatus});
    if (command == u"revert")
        return joined({RevertHelp, WideOptions, WaitOption, RevertOptions, WriteFile, ExitStatus});
    if (command == u"compact")
        return joined({CompactHelp, WideOptions, WaitOption, WriteFile, ExitStatus});
    return joined({GeneralHelp, OptionsHead, QuietOption, ProgressOption,
                   command.empty() ? "" : CommonFile, ExitStatus});
}

// The text without blanks at either end and without one leading "+", as numbers have
// always been read here.
std::string numberText(std::u16string_view text)
{
    constexpr std::u16string_view Blanks = u" \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(Blanks);
    if (first == std::u16string_view::npos)
        return {};
    text = text.substr(first, text.find_last_not_of(Blanks) - first + 1);
    if (text.size() > 1 && text[0] == u'+' && text[1] != u'-' && text[1] != u'+')
        text.remove_prefix(1);
    std::string ascii;
    for (const char16_t c : text)
        ascii += c < 0x80 ? char(c) : '\x7F';
    return ascii;
}

template <typename Number> std::optional<Number> numberOf(std::u16string_view text)
{
    const std::string ascii = numberText(text);
    Number value{};
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ascii.empty() || error != std::errc() || end != ascii.data() + ascii.size())
        return std::nullopt;
    return value;
}

int number(const std::u16string &text, const char *option, int low, int high)
{
    const std::optional<int> value = numberOf<int>(text);
    if (!value || *value < low || *value > high)
        throw UsageError{"--" + std::string(option) + " takes a number from " +
                         std::to_string(low) + " to " + std::to_string(high)};
    return *value;
}

Edit editOf(Edit::Kind kind, const std::u16string &option, const std::u16string &value)
{
    Edit edit{kind, std::u16string(), value};
    if (kind == Edit::Set) {
        const std::size_t equals = value.find(u'=');
        if (equals == std::u16string::npos)
            throw UsageError{"--set takes NAME=VALUE: " + utf8(value)};
        edit.name = value.substr(0, equals);
        edit.value = value.substr(equals + 1);
    } else if (kind == Edit::Remove) {
        edit.name = value;
    }
    // The dialog's rules: no reserved names, no empty names or values.
    if ((kind == Edit::Set || kind == Edit::Remove) && edit.name.empty())
        throw UsageError{"--" + utf8(option) + ": the field name can not be empty"};
    if (kind == Edit::Set && !Fields::FieldSet::isValidName(edit.name))
        throw UsageError{"--set " + utf8(edit.name) +
                         ": a standard field, not a custom one (use --title, --author, "
                         "--subject or --keywords)"};
    if (kind == Edit::Set && edit.value.empty())
        throw UsageError{"--set " + utf8(edit.name) +
                         "=: the field value can not be empty (use --remove to delete the "
                         "field)"};
    return edit;
}

// The rest of a command line whose command is known.
void parseCommand(const Parsed &p, Options &options)
{
    if (!p.ok())
        throw UsageError{p.error()};
    options.json = p.isSet(Json);
    options.csv = p.isSet(Csv);
    if (options.csv && options.json)
        throw UsageError{"--csv and --json cannot be combined"};
    if (p.isSet(Password))
        options.password = utf8(p.value(Password));
    options.quiet = p.isSet(Quiet);
    options.progress = !p.isSet(NoProgress);
    if (p.isSet(Jobs))
        options.jobs = number(p.value(Jobs), "jobs", 1, 1024);
    options.files.assign(p.positional().begin() + 1, p.positional().end());
    if (p.isSet(FromCsv)) {
        options.fromCsv = p.value(FromCsv);
        if (!options.files.empty())
            throw UsageError{"--from-csv names the files: give no FILE"};
        if (p.isSet(FromJson))
            throw UsageError{"--from-csv and --from-json cannot be combined"};
    } else if (options.files.empty()) {
        throw UsageError{"no file given"};
    }
    if (p.isSet(Wait)) {
        const std::optional<double> seconds = numberOf<double>(p.value(Wait));
        if (!seconds || !(*seconds >= 0 && *seconds <= 86400))
            throw UsageError{"--wait takes a number of seconds"};
        options.wait = int(*seconds * 1000);
    }
    if (p.isSet(To)) {
        const std::optional<int> revision = numberOf<int>(p.value(To));
        if (!revision || *revision < 1)
            throw UsageError{"--to takes a revision number from 1"};
        options.revision = *revision;
    }
    options.truncate = p.isSet(Truncate);
    options.dropHistory = p.isSet(DropHistory) || options.command == Options::Command::Compact;
    if (options.command != Options::Command::Write)
        return;

    options.dryRun = p.isSet(DryRun);
    if (p.isSet(XmpMode)) {
        const std::u16string mode = p.value(XmpMode);
        if (mode != u"keep" && mode != u"update" && mode != u"create")
            throw UsageError{"--xmp takes create, update or keep"};
        options.xmp = mode == u"keep"     ? Options::Xmp::Keep
                      : mode == u"create" ? Options::Xmp::Create
                                          : Options::Xmp::Update;
    }
    options.clearCustom = p.isSet(ClearCustom);
    if (p.isSet(FromJson))
        options.fromJson = p.value(FromJson);
    // The edits in the order given: each option's values are in order, and so are the
    // options found.
    constexpr std::pair<Id, Edit::Kind> Kinds[] = {
        {Title, Edit::Title},       {Author, Edit::Author}, {Subject, Edit::Subject},
        {Keywords, Edit::Keywords}, {SetField, Edit::Set},  {RemoveField, Edit::Remove}};
    std::array<std::size_t, IdCount> taken{};
    for (const auto &[id, name] : p.found()) {
        for (const auto &[option, kind] : Kinds) {
            if (id == option)
                options.edits.push_back(editOf(kind, name, p.values(id)[taken[size_t(id)]++]));
        }
    }
}

} // namespace

Options Options::parse(const std::vector<std::u16string> &arguments)
{
    // The command first, with every option known; then the command's own options.
    const Parsed all(arguments, ~IdSet(0));
    const std::u16string command = all.positional().empty() ? u"" : all.positional()[0];
    const CommandInfo *info = commandNamed(command);
    const Parsed p(arguments, info ? info->options : Reporting);

    Options options;
    if (p.isSet(Help)) {
        options.action = Action::Help;
        options.help = helpText(command);
        return options;
    }
    if (p.isSet(Version)) {
        options.action = Action::Version;
        return options;
    }
    if (command.empty())
        throw UsageError{"no command given"};
    if (!info)
        throw UsageError{"unknown command " + utf8(command)};
    try {
        options.command = info->command;
        parseCommand(p, options);
    } catch (UsageError &error) {
        if (info->usage)
            error.usage = info->usage + std::string(TryHelp);
        throw;
    }
    return options;
}

std::string Options::usage()
{
    return Usage + std::string(TryHelp);
}

} // namespace Cli

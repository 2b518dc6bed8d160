// SPDX-License-Identifier: Apache-2.0
#include "Options.h"

#include "fields/FieldSet.h"

#include <QCommandLineParser>
#include <QStringDecoder>

namespace Cli {

namespace {

constexpr char Usage[] = "usage: orvfields read [OPTIONS] FILE...\n"
                         "       orvfields write [OPTIONS] FILE... [EDITS]\n";

constexpr char ExitStatus[] =
    "\nExit status:\n"
    "  0  every file was read or written\n"
    "  1  a file failed: each failure is reported, the other files are done all the same\n"
    "  2  the command line (or the --from-json document) is wrong: no file was read or\n"
    "     written\n";

struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"),
                               QStringLiteral("Show the version and exit.")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Print one JSON object a line for each file, in the "
                                           "order of the files (the schema is in the README).")};
    QCommandLineOption jobs{{QStringLiteral("j"), QStringLiteral("jobs")},
                            QStringLiteral("Work on N files at once (default: one per processor); "
                                           "the output keeps the order of the files."),
                            QStringLiteral("N")};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")},
                             QStringLiteral("Print no fields; failures are still reported.")};
    QCommandLineOption noProgress{QStringLiteral("no-progress"),
                                  QStringLiteral("Show no progress on standard error (shown "
                                                 "only on a terminal, for several files).")};
    QCommandLineOption title{QStringLiteral("title"), QStringLiteral("Set the title."),
                             QStringLiteral("TEXT")};
    QCommandLineOption author{QStringLiteral("author"), QStringLiteral("Set the author."),
                              QStringLiteral("TEXT")};
    QCommandLineOption subject{QStringLiteral("subject"), QStringLiteral("Set the subject."),
                               QStringLiteral("TEXT")};
    QCommandLineOption keywords{QStringLiteral("keywords"), QStringLiteral("Set the keywords."),
                                QStringLiteral("TEXT")};
    QCommandLineOption set{QStringLiteral("set"),
                           QStringLiteral("Change the custom field NAME (letter case ignored), "
                                          "or add it last."),
                           QStringLiteral("NAME=VALUE")};
    QCommandLineOption remove{QStringLiteral("remove"),
                              QStringLiteral("Remove the custom field NAME (letter case ignored)."),
                              QStringLiteral("NAME")};
    QCommandLineOption clearCustom{QStringLiteral("clear-custom"),
                                   QStringLiteral("Remove every custom field first.")};
    QCommandLineOption fromJson{
        QStringLiteral("from-json"),
        QStringLiteral("Give each file the fields of a JSON object of the schema that read "
                       "--json prints (from standard input for -), before the other edits."),
        QStringLiteral("FILE")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("Print what the write would leave; write nothing.")};
    QCommandLineOption wait{QStringLiteral("wait"),
                            QStringLiteral("Wait up to SECONDS for another writer of a file "
                                           "(default: 5)."),
                            QStringLiteral("SECONDS")};

    QList<QCommandLineOption> common() const
    {
        return {help, version, json, jobs, quiet, noProgress};
    }
    QList<QCommandLineOption> editing() const
    {
        return {title, author, subject, keywords, set, remove, clearCustom, fromJson, dryRun, wait};
    }
};

// The arguments, refused when one is not valid UTF-8.
QStringList decoded(int argc, const char *const *argv)
{
    QStringList args{QStringLiteral("orvfields")};
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        args << utf8(QByteArrayView(argv[i]));
        if (utf8.hasError())
            throw UsageError{QStringLiteral("argument %1 is not valid UTF-8").arg(i)};
    }
    return args;
}

// Qt's help without its first line, which names the program as Qt sees it.
QString optionsOf(const QCommandLineParser &parser)
{
    const QString text = parser.helpText();
    return text.mid(text.indexOf(u'\n') + 1);
}

QString helpText(const QString &command, const QCommandLineParser &parser)
{
    QString text;
    if (command == QLatin1String("read")) {
        text = QStringLiteral(
            "Usage: orvfields read [OPTIONS] FILE...\n"
            "Prints the document information of each file: Title, Author, Subject, Keywords,\n"
            "the custom fields in file order, then Creator, Producer, CreationDate and\n"
            "ModDate, which orvfields never changes. Text output is one \"Name: value\" a line,\n"
            "control characters escaped; several files each start with \"==> FILE <==\".\n");
    } else if (command == QLatin1String("write")) {
        text = QStringLiteral(
            "Usage: orvfields write [OPTIONS] FILE... [EDITS]\n"
            "Changes the fields of each file, then prints them as read does. Each file is\n"
            "one locked read-modify-write that changes only what it is asked to; edits are\n"
            "applied in this order: --clear-custom, --from-json, then the others as given.\n"
            "An empty text removes a standard field; custom values cannot be empty.\n");
    } else {
        text = QStringLiteral(
            "Usage: orvfields read [OPTIONS] FILE...\n"
            "       orvfields write [OPTIONS] FILE... [EDITS]\n"
            "Reads and changes the document information of PDF files: Title, Author, Subject,\n"
            "Keywords and custom fields, with the rules of the OrvFields dialog.\n"
            "\n"
            "Commands:\n"
            "  read   Print the fields of each file.\n"
            "  write  Change the fields of each file, then print them.\n"
            "'orvfields COMMAND --help' lists the options of a command.\n");
    }
    return text + optionsOf(parser) + QLatin1String(ExitStatus);
}

int number(const QString &text, const QString &option, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError{
            QStringLiteral("--%1 takes a number from %2 to %3").arg(option).arg(low).arg(high)};
    return value;
}

Edit editOf(Edit::Kind kind, const QString &option, const QString &value)
{
    Edit edit{kind, QString(), value};
    if (kind == Edit::Set) {
        const qsizetype equals = value.indexOf(u'=');
        if (equals < 0)
            throw UsageError{QStringLiteral("--set takes NAME=VALUE: %1").arg(value)};
        edit.name = value.left(equals);
        edit.value = value.mid(equals + 1);
    } else if (kind == Edit::Remove) {
        edit.name = value;
    }
    // The dialog's rules: no reserved names, no empty names or values.
    if ((kind == Edit::Set || kind == Edit::Remove) && edit.name.isEmpty())
        throw UsageError{QStringLiteral("--%1: the field name can not be empty").arg(option)};
    if (kind == Edit::Set && !Fields::FieldSet::isValidName(edit.name.toStdU16String()))
        throw UsageError{QStringLiteral("--set %1: a standard field, not a custom one (use "
                                        "--title, --author, --subject or --keywords)")
                             .arg(edit.name)};
    if (kind == Edit::Set && edit.value.isEmpty())
        throw UsageError{QStringLiteral("--set %1=: the field value can not be empty (use "
                                        "--remove to delete the field)")
                             .arg(edit.name)};
    return edit;
}

} // namespace

Options Options::parse(int argc, const char *const *argv)
{
    const QStringList args = decoded(argc, argv);
    // The command first, with every option known; then the command's own options.
    Parser all;
    all.parser.addOptions(all.common() + all.editing());
    all.parser.parse(args);
    const QString command = all.parser.positionalArguments().value(0);

    Options options;
    Parser p;
    p.parser.addOptions(p.common());
    if (command == QLatin1String("write"))
        p.parser.addOptions(p.editing());
    if (!command.isEmpty())
        p.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The PDF files."),
                                       QStringLiteral("FILE..."));
    const bool parsed = p.parser.parse(args);
    if (p.parser.isSet(p.help)) {
        options.action = Action::Help;
        options.help = helpText(command, p.parser);
        return options;
    }
    if (p.parser.isSet(p.version)) {
        options.action = Action::Version;
        return options;
    }
    if (command.isEmpty())
        throw UsageError{QStringLiteral("no command given")};
    if (command != QLatin1String("read") && command != QLatin1String("write"))
        throw UsageError{QStringLiteral("unknown command %1").arg(command)};
    if (!parsed)
        throw UsageError{p.parser.errorText()};

    options.write = command == QLatin1String("write");
    options.json = p.parser.isSet(p.json);
    options.quiet = p.parser.isSet(p.quiet);
    options.progress = !p.parser.isSet(p.noProgress);
    if (p.parser.isSet(p.jobs))
        options.jobs = number(p.parser.value(p.jobs), QStringLiteral("jobs"), 1, 1024);
    options.files = p.parser.positionalArguments().mid(1);
    if (options.files.isEmpty())
        throw UsageError{QStringLiteral("no file given")};
    if (!options.write)
        return options;

    options.dryRun = p.parser.isSet(p.dryRun);
    options.clearCustom = p.parser.isSet(p.clearCustom);
    if (p.parser.isSet(p.fromJson))
        options.fromJson = p.parser.value(p.fromJson);
    if (p.parser.isSet(p.wait)) {
        bool ok = false;
        const double seconds = p.parser.value(p.wait).toDouble(&ok);
        if (!ok || !(seconds >= 0 && seconds <= 86400))
            throw UsageError{QStringLiteral("--wait takes a number of seconds")};
        options.wait = int(seconds * 1000);
    }
    // The edits in the order given: the parser keeps each option's values in order, and
    // the order of the option names.
    const std::pair<const QCommandLineOption *, Edit::Kind> kinds[] = {
        {&p.title, Edit::Title},       {&p.author, Edit::Author}, {&p.subject, Edit::Subject},
        {&p.keywords, Edit::Keywords}, {&p.set, Edit::Set},       {&p.remove, Edit::Remove}};
    QHash<Edit::Kind, int> taken;
    for (const QString &name : p.parser.optionNames()) {
        for (const auto &[option, kind] : kinds) {
            if (option->names().contains(name)) {
                const QString value = p.parser.values(*option).value(taken[kind]++);
                options.edits.append(editOf(kind, name, value));
            }
        }
    }
    return options;
}

QString Options::usage()
{
    return QString::fromLatin1(Usage) +
           QStringLiteral("Try 'orvfields --help' or 'orvfields COMMAND --help'.\n");
}

} // namespace Cli

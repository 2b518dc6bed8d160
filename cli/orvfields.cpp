// SPDX-License-Identifier: Apache-2.0
// orvfields: reads and writes a PDF's document-information fields from the command
// line, through the same field set and PDF library as the dialog, with the dialog's
// rules.
//
//   orvfields read FILE.pdf [--json]
//   orvfields write FILE.pdf [--title T] [--author A] [--subject S] [--keywords K]
//                            [--set NAME=VALUE]... [--remove NAME]... [--json]
//
// Exit status: 0 when every job succeeded, 1 with a one-line message naming the file
// and the reason, 2 for a usage error.

#include "fields/clsFields.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "trap/ErrorTrap.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <unistd.h>

using Fields::clsFields;

namespace {

constexpr char Usage[] =
    "usage: orvfields read FILE.pdf [--json]\n"
    "       orvfields write FILE.pdf [--title T] [--author A] [--subject S] [--keywords K]\n"
    "                                [--set NAME=VALUE]... [--remove NAME]... [--json]\n"
    "  read   prints Title, Author, Subject, Keywords and the custom fields\n"
    "  write  changes them (--set adds a field or changes the value of the one with that\n"
    "         name, letter case ignored; --remove removes one), then prints the result\n";

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
    QString name;
    QString value;
};

struct Command
{
    bool write = false;
    bool json = false;
    QString file;
    QList<Edit> edits;
};

struct UsageError
{
    QString text;
};

// A job that did not succeed, with the one-line message for the user.
struct JobFailed
{
    QString message;
};

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

Command parse(const QStringList &args)
{
    if (args.size() < 2 || (args[0] != QLatin1String("read") && args[0] != QLatin1String("write")))
        throw UsageError{QString()};
    Command command;
    command.write = args[0] == QLatin1String("write");
    clsFields rules; // knows the reserved names
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--json")) {
            command.json = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            if (!command.file.isEmpty())
                throw UsageError{QStringLiteral("one file at a time: %1").arg(arg)};
            command.file = arg;
            continue;
        }
        static const QHash<QString, Edit::Kind> options{
            {QStringLiteral("--title"), Edit::Title},
            {QStringLiteral("--author"), Edit::Author},
            {QStringLiteral("--subject"), Edit::Subject},
            {QStringLiteral("--keywords"), Edit::Keywords},
            {QStringLiteral("--set"), Edit::Set},
            {QStringLiteral("--remove"), Edit::Remove},
        };
        if (!options.contains(arg) || !command.write)
            throw UsageError{QStringLiteral("unknown option %1").arg(arg)};
        if (i + 1 >= args.size())
            throw UsageError{QStringLiteral("%1 needs a value").arg(arg)};
        Edit edit{options.value(arg), QString(), args[++i]};
        if (edit.kind == Edit::Set) {
            const qsizetype equals = edit.value.indexOf(u'=');
            if (equals < 0)
                throw UsageError{QStringLiteral("--set takes NAME=VALUE: %1").arg(edit.value)};
            edit.name = edit.value.left(equals);
            edit.value = edit.value.mid(equals + 1);
        } else if (edit.kind == Edit::Remove) {
            edit.name = edit.value;
        }
        // The dialog's rules: no reserved names, no empty names or values.
        if ((edit.kind == Edit::Set || edit.kind == Edit::Remove) && edit.name.isEmpty())
            throw UsageError{QStringLiteral("%1: the field name can not be empty").arg(arg)};
        if (edit.kind == Edit::Set && !rules.IsValidFieldName(edit.name))
            throw UsageError{QStringLiteral("--set %1: a standard field, not a custom one (use "
                                            "--title, --author, --subject or --keywords)")
                                 .arg(edit.name)};
        if (edit.kind == Edit::Set && edit.value.isEmpty())
            throw UsageError{QStringLiteral("--set %1=: the field value can not be empty (use "
                                            "--remove to delete the field)")
                                 .arg(edit.name)};
        command.edits.append(edit);
    }
    if (command.file.isEmpty())
        throw UsageError{QStringLiteral("no file given")};
    return command;
}

// Runs one operation of the set; a failure its trap reported becomes the message.
template <typename Operation> void runChecked(const QString &file, Operation &&operation)
{
    Trap::ErrorTrap::clearLastFailure();
    operation();
    const Trap::ErrorTrap::Failure failure = Trap::ErrorTrap::lastFailure();
    if (failure.number != 0)
        throw JobFailed{failure.description.contains(file)
                            ? failure.description
                            : QStringLiteral("%1: %2").arg(file, failure.description)};
}

void apply(clsFields &set, const Edit &edit)
{
    switch (edit.kind) {
    case Edit::Title:
        set.setTitle(edit.value);
        break;
    case Edit::Author:
        set.setAuthor(edit.value);
        break;
    case Edit::Subject:
        set.setSubject(edit.value);
        break;
    case Edit::Keywords:
        set.setKeywords(edit.value);
        break;
    case Edit::Set:
        if (const clsFields::FieldRef field = set.Field(edit.name))
            field->setContent(edit.value);
        else
            set.AddField(edit.name, edit.value);
        break;
    case Edit::Remove:
        set.RemoveField(edit.name);
        break;
    }
}

void show(const clsFields &set, const QString &file, bool json)
{
    if (json) {
        QJsonArray custom;
        for (int i = 1; i <= set.Count(); ++i) {
            const clsFields::FieldRef field = set.Field(i);
            custom.append(QJsonObject{{QStringLiteral("name"), field->Name()},
                                      {QStringLiteral("value"), field->Content()}});
        }
        const QJsonObject object{{QStringLiteral("file"), file},
                                 {QStringLiteral("Title"), set.Title()},
                                 {QStringLiteral("Author"), set.Author()},
                                 {QStringLiteral("Subject"), set.Subject()},
                                 {QStringLiteral("Keywords"), set.Keywords()},
                                 {QStringLiteral("custom"), custom}};
        std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
        std::fputc('\n', stdout);
        return;
    }
    QString text = QStringLiteral("Title: %1\nAuthor: %2\nSubject: %3\nKeywords: %4\n")
                       .arg(set.Title(), set.Author(), set.Subject(), set.Keywords());
    for (int i = 1; i <= set.Count(); ++i)
        text += set.Field(i)->Name() + QStringLiteral(": ") + set.Field(i)->Content() + u'\n';
    print(stdout, text);
}

void progressBar(qint16 percent)
{
    const int filled = percent / 5;
    std::fprintf(stderr, "\r[%-20s] %3d%%", QByteArray(filled, '#').constData(), int(percent));
    if (percent >= 100)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

int runCommand(const Command &command)
{
    clsFields set;
    runChecked(command.file, [&] { set.GetDatas(command.file); });
    if (command.write) {
        for (const Edit &edit : command.edits)
            apply(set, edit);
        if (Platform::FileLocked(command.file))
            throw JobFailed{
                QStringLiteral("%1: the file is opened by another application or is read only")
                    .arg(command.file)};
        if (isatty(STDERR_FILENO))
            QObject::connect(&set, &clsFields::WorkPercent, &progressBar);
        // A save that did not fail wrote exactly what the set holds, so the set is shown
        // as the file now reads, without reading the file a third time.
        runChecked(command.file, [&] { set.SaveDatas(command.file); });
    }
    show(set, command.file, command.json);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Failures are reported by this tool, once, in its own words.
    Platform::setMessageBoxHandler([](const QString &, int, const QString &) { return 1; });

    Command command;
    try {
        command = parse(app.arguments().mid(1));
    } catch (const UsageError &error) {
        if (!error.text.isEmpty())
            print(stderr, QStringLiteral("orvfields: %1\n").arg(error.text));
        std::fputs(Usage, stderr);
        return 2;
    }
    try {
        return runCommand(command);
    } catch (const JobFailed &failure) {
        print(stderr, QStringLiteral("orvfields: %1\n").arg(failure.message));
        return 1;
    }
}

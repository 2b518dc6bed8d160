// SPDX-License-Identifier: Apache-2.0
// orvfields: reads and writes a PDF's document-information fields from the command
// line, through the same field set and PDF library as the dialog, with the dialog's
// naming rules.
//
//   orvfields read FILE.pdf [--json]
//   orvfields write FILE.pdf [--title T] [--author A] [--subject S] [--keywords K]
//                            [--set NAME=VALUE]... [--remove NAME]... [--json]
//                            [--wait SECONDS]
//
// A write is one locked read-modify-write: the file's lock is held from the read to the
// end of the save, so a writer that runs at the same time waits (--wait, 5 seconds by
// default) and then builds on what this one wrote. It changes only what it was asked
// to: every other entry stays exactly as it stood, and a write that changes nothing
// writes nothing.
//
// Exit status: 0 when every job succeeded, 1 with a one-line message naming the file
// and the reason, 2 for a usage error.

#include "automation/AutomationError.h"
#include "fields/FieldSet.h"
#include "tagora/TagoraInfo.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <cstdio>
#include <unistd.h>

using Fields::FieldSet;

namespace {

constexpr char Usage[] =
    "usage: orvfields read FILE.pdf [--json]\n"
    "       orvfields write FILE.pdf [--title T] [--author A] [--subject S] [--keywords K]\n"
    "                                [--set NAME=VALUE]... [--remove NAME]... [--json]\n"
    "                                [--wait SECONDS]\n"
    "  read   prints Title, Author, Subject, Keywords and the custom fields\n"
    "  write  changes them (--set adds a field or changes the value of the one with that\n"
    "         name, letter case ignored; --remove removes one), then prints the result;\n"
    "         another writer of the file is waited for up to SECONDS (5)\n";

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
    int wait = 5000; // milliseconds
    QString file;
    QList<Edit> edits;
};

struct UsageError
{
    QString text;
};

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

// The arguments, refused when one is not valid UTF-8 (it would be changed silently).
QStringList arguments(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        args << utf8(QByteArrayView(argv[i]));
        if (utf8.hasError())
            throw UsageError{QStringLiteral("argument %1 is not valid UTF-8").arg(i)};
    }
    return args;
}

Command parse(const QStringList &args)
{
    if (args.size() < 2 || (args[0] != QLatin1String("read") && args[0] != QLatin1String("write")))
        throw UsageError{QString()};
    Command command;
    command.write = args[0] == QLatin1String("write");
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
        if (arg == QLatin1String("--wait") && command.write) {
            bool number = false;
            const double seconds = i + 1 < args.size() ? args[++i].toDouble(&number) : 0;
            if (!number || seconds < 0 || seconds > 86400)
                throw UsageError{QStringLiteral("--wait takes a number of seconds")};
            command.wait = int(seconds * 1000);
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
        if (edit.kind == Edit::Set && !FieldSet::isValidName(edit.name))
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

void apply(FieldSet &set, const Edit &edit)
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
        if (const FieldSet::FieldRef field = set.find(edit.name))
            field->setContent(edit.value);
        else
            set.add(edit.name, edit.value);
        break;
    case Edit::Remove:
        set.remove(edit.name);
        break;
    }
}

// A text on one line: control characters, line and paragraph separators and the
// backslash are written as escapes, so that a field never looks like two.
QString oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\0':
            out += QLatin1String("\\0");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() == 0x85 ||
                c.unicode() == 0x2028 || c.unicode() == 0x2029)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

void show(const FieldSet &set, const QString &file, bool json)
{
    if (json) {
        QJsonArray custom;
        for (int i = 1; i <= set.count(); ++i) {
            const FieldSet::FieldRef field = set.field(i);
            custom.append(QJsonObject{{QStringLiteral("name"), field->Name()},
                                      {QStringLiteral("value"), field->Content()}});
        }
        const QJsonObject object{{QStringLiteral("file"), file},
                                 {QStringLiteral("Title"), set.title()},
                                 {QStringLiteral("Author"), set.author()},
                                 {QStringLiteral("Subject"), set.subject()},
                                 {QStringLiteral("Keywords"), set.keywords()},
                                 {QStringLiteral("custom"), custom}};
        std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
        std::fputc('\n', stdout);
        return;
    }
    QString text = QStringLiteral("Title: %1\nAuthor: %2\nSubject: %3\nKeywords: %4\n")
                       .arg(oneLine(set.title()), oneLine(set.author()), oneLine(set.subject()),
                            oneLine(set.keywords()));
    for (int i = 1; i <= set.count(); ++i)
        text += oneLine(set.field(i)->Name()) + QStringLiteral(": ") +
                oneLine(set.field(i)->Content()) + u'\n';
    print(stdout, text);
}

int runCommand(const Command &command)
{
    Tagora::TagoraInfo library;
    FieldSet set;
    FieldSet::Observer quietly;
    if (!command.write) {
        set.read(library, command.file, quietly);
        show(set, command.file, command.json);
        return 0;
    }
    // Held from the read to the end of the save: no other writer comes in between.
    library.LockFile(command.file, command.wait);
    set.read(library, command.file, quietly);
    const FieldSet before = set;
    for (const Edit &edit : command.edits)
        apply(set, edit);
    set.saveChanges(library, command.file, before);
    library.Commit();
    show(set, command.file, command.json);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Command command;
    try {
        command = parse(arguments(argc, argv));
    } catch (const UsageError &error) {
        if (!error.text.isEmpty())
            print(stderr, QStringLiteral("orvfields: %1\n").arg(error.text));
        std::fputs(Usage, stderr);
        return 2;
    }
    try {
        return runCommand(command);
    } catch (const Automation::AutomationError &failure) {
        // The library's messages name the file and the reason.
        print(stderr, QStringLiteral("orvfields: %1\n").arg(failure.description()));
        return 1;
    }
}

// SPDX-License-Identifier: Apache-2.0
// orvfields: reads and writes the document-information fields of PDF files from the
// command line, through the same field set and PDF library as the dialog, with the
// dialog's naming rules (see Options.h for the command line, Report.h for the output).
//
// Every file is its own transaction: a write takes the file's lock before it reads and
// keeps it to the end of its save, so a writer that runs at the same time waits (--wait)
// and then builds on what this one wrote. A write changes only what it was asked to:
// every other entry stays exactly as it stood, and a write that changes nothing writes
// nothing. A file that fails is reported and the others go on.
//
// The program starts as little as it can, since a read is over in a few milliseconds:
// no application object, only Qt Core, and the PDF library linked in (see
// cli/CMakeLists.txt).

#include "Batch.h"
#include "FieldDocument.h"
#include "Options.h"
#include "Report.h"
#include "automation/AutomationError.h"
#include "fields/FieldSet.h"
#include "tagora/TagoraInfo.h"

#include <QFile>

#include <chrono>
#include <cstdio>
#include <unistd.h>

using namespace Cli;
using Fields::FieldSet;

namespace {

void write(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

void apply(FieldSet &set, const Edit &edit)
{
    const std::u16string value = edit.value.toStdU16String();
    switch (edit.kind) {
    case Edit::Title:
        set.setTitle(value);
        break;
    case Edit::Author:
        set.setAuthor(value);
        break;
    case Edit::Subject:
        set.setSubject(value);
        break;
    case Edit::Keywords:
        set.setKeywords(value);
        break;
    case Edit::Set:
        if (const FieldSet::FieldRef field = set.find(edit.name.toStdU16String()))
            field->setContent(value);
        else
            set.add(edit.name.toStdU16String(), value);
        break;
    case Edit::Remove:
        set.remove(edit.name.toStdU16String());
        break;
    }
}

// The library's warning (metadata it had to leave alone), once a file: its last.
class Warnings : public Tagora::TagoraInfo::Events
{
public:
    explicit Warnings(QByteArray &warnings) : m_warnings(warnings) {}

    void OnLogMessage(const std::u16string &strMessage) override
    {
        const QString message = QString::fromStdU16String(strMessage);
        if (message.startsWith(QLatin1String("warning: ")))
            m_warnings = "orvfields: " + Report::oneLine(message).toUtf8() + '\n';
    }

private:
    QByteArray &m_warnings;
};

class Run
{
public:
    Run(const Options &options, std::optional<FieldDocument> document)
        : m_options(options), m_document(std::move(document))
    {}

    // One file, read or written as one transaction.
    Outcome file(const QString &path) const
    {
        QByteArray warnings;
        Outcome outcome = run(path, warnings);
        outcome.err.prepend(warnings);
        return outcome;
    }

private:
    Outcome run(const QString &path, QByteArray &warnings) const
    {
        try {
            Warnings events(warnings);
            Tagora::TagoraInfo library(&events);
            const std::u16string file = path.toStdU16String();
            FieldSet set;
            FieldSet::Observer quietly;
            if (!m_options.write) {
                set.read(library, file, quietly);
                return {report(path, set, set), {}, false};
            }
            // Held from the read to the end of the save: no other writer comes in between.
            if (!m_options.dryRun)
                library.LockFile(file, m_options.wait);
            set.read(library, file, quietly);
            const FieldSet before = set;
            if (m_options.clearCustom)
                set.clear();
            if (m_document)
                m_document->applyTo(set);
            for (const Edit &edit : m_options.edits)
                apply(set, edit);
            if (m_options.dryRun)
                return {report(path, set, before), {}, false};
            set.saveChanges(library, file, before);
            // During its save the library answers with the entries the save will write.
            FieldSet written;
            written.read(library, file, quietly);
            library.Commit();
            return {report(path, written, written), {}, false};
        } catch (const Automation::AutomationError &failure) {
            return failed(path, failure.number(), QString::fromStdU16String(failure.description()));
        } catch (const std::exception &failure) {
            return failed(path, Automation::GeneralFailure,
                          path + QStringLiteral(": ") + QString::fromLocal8Bit(failure.what()));
        }
    }

    QByteArray report(const QString &path, const FieldSet &set, const FieldSet &read) const
    {
        if (m_options.quiet)
            return {};
        if (m_options.json)
            return Report::json(path, set, read);
        const QByteArray header = m_options.files.size() > 1
                                      ? "==> " + Report::oneLine(path).toUtf8() + " <==\n"
                                      : QByteArray();
        return header + Report::text(set, read);
    }

    Outcome failed(const QString &path, int number, const QString &message) const
    {
        // The library's messages name the file and the reason.
        if (m_options.json && !m_options.quiet)
            return {Report::jsonFailure(path, number, message), {}, true};
        return {{}, "orvfields: " + Report::oneLine(message).toUtf8() + '\n', true};
    }

    const Options &m_options;
    const std::optional<FieldDocument> m_document;
};

// How many files are done, on standard error: only when it is a terminal that standard
// output does not write to, for several files, and redrawn at most ten times a second.
class Progress
{
public:
    Progress(const Options &options)
        : m_total(options.files.size()),
          m_shown(options.progress && m_total > 1 && ::isatty(STDERR_FILENO) &&
                  (options.quiet || !::isatty(STDOUT_FILENO)))
    {}
    ~Progress() { clear(); }

    void update(qsizetype done)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!m_shown || now - m_drawn < std::chrono::milliseconds(100))
            return;
        m_drawn = now;
        std::fprintf(stderr, "\rorvfields: %lld of %lld files", qlonglong(done),
                     qlonglong(m_total));
        m_drawing = true;
    }
    void clear()
    {
        if (m_drawing)
            std::fputs("\r\033[K", stderr);
        m_drawing = false;
    }

private:
    qsizetype m_total;
    bool m_shown;
    bool m_drawing = false;
    std::chrono::steady_clock::time_point m_drawn;
};

FieldDocument readDocument(const QString &source)
{
    QFile file(source);
    const bool open = source == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : file.open(QIODevice::ReadOnly);
    if (!open)
        throw UsageError{QStringLiteral("--from-json %1: %2").arg(source, file.errorString())};
    return FieldDocument::parse(file.readAll());
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    std::optional<FieldDocument> document;
    try {
        options = Options::parse(argc, argv);
        if (options.fromJson)
            document = readDocument(*options.fromJson);
    } catch (const UsageError &error) {
        write(stderr, "orvfields: " + error.text.toUtf8() + '\n' + Options::usage().toUtf8());
        return 2;
    }
    if (options.action == Options::Action::Help) {
        write(stdout, options.help.toUtf8());
        return 0;
    }
    if (options.action == Options::Action::Version) {
        std::puts("orvfields " ORVFIELDS_VERSION);
        return 0;
    }

    const Run run(options, std::move(document));
    Progress progress(options);
    bool anyFailed = false;
    bool printed = false;
    runBatch(
        options.files, options.jobs > 0 ? options.jobs : processorCount(),
        [&](const QString &file) { return run.file(file); },
        [&](qsizetype index, const Outcome &outcome) {
            anyFailed = anyFailed || outcome.failed;
            if (!outcome.out.isEmpty()) {
                // Text reports of several files are set apart by a blank line.
                if (printed && !options.json)
                    std::fputc('\n', stdout);
                write(stdout, outcome.out);
                printed = true;
            }
            if (!outcome.err.isEmpty()) {
                progress.clear();
                std::fflush(stdout);
                write(stderr, outcome.err);
            }
            progress.update(index + 1);
        });
    progress.clear();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("orvfields: the output cannot be written\n", stderr);
        return 1;
    }
    return anyFailed ? 1 : 0;
}

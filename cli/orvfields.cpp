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
// With --csv, read prints one table of every file instead (CsvTable.h); with --from-csv,
// write takes its files and each one's edits from such a table.
//
// The history of a file is its appended revisions (RevisionHistory.h). revert gives back
// an earlier revision's fields by appending one more, so that signatures of the earlier
// ones still hold, or, with --truncate, cuts the file back to it; compact and
// write --drop-history write the file anew, so that values it no longer shows are gone.
//
// The program starts as little as it can, since a read is over in a few milliseconds:
// the standard library, the PDF library linked in, nothing else (see cli/CMakeLists.txt).
// What touches the system is in Console.h.

#include "Batch.h"
#include "Console.h"
#include "CsvTable.h"
#include "FieldDocument.h"
#include "Options.h"
#include "Report.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "fields/FieldSet.h"
#include "tagora/RevisionHistory.h"
#include "tagora/TagoraError.h"
#include "tagora/TagoraInfo.h"

#include <chrono>

using namespace Cli;
using Console::Stream;
using Fields::FieldSet;

namespace {

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

// The library's message with the file named as it was given, not as it was opened.
std::u16string asGiven(std::u16string message, const std::u16string &opened,
                       const std::u16string &given)
{
    if (opened == given)
        return message;
    for (std::size_t at = 0; (at = message.find(opened, at)) != std::u16string::npos;
         at += given.size())
        message.replace(at, opened.size(), given);
    return message;
}

// The library's warning (metadata it had to leave alone), once a file: its last.
class Warnings : public Tagora::TagoraInfo::Events
{
public:
    Warnings(std::string &warnings, const std::u16string &opened, const std::u16string &given)
        : m_warnings(warnings), m_opened(opened), m_given(given)
    {}

    void OnLogMessage(const std::u16string &strMessage) override
    {
        if (strMessage.starts_with(u"warning: "))
            m_warnings =
                "orvfields: " + utf8(Report::oneLine(asGiven(strMessage, m_opened, m_given))) +
                '\n';
    }

private:
    std::string &m_warnings;
    const std::u16string &m_opened;
    const std::u16string &m_given;
};

// What the files of a run are given besides the options: the --from-json document, the
// rows of the --from-csv table (one a file), and where read --csv puts each file's row.
struct Inputs
{
    std::optional<FieldDocument> document;
    std::vector<CsvTable::FileEdits> rows;
    std::vector<std::optional<CsvTable::FileFields>> *table = nullptr;
};

class Run
{
public:
    Run(const Options &options, Inputs inputs) : m_options(options), m_inputs(std::move(inputs)) {}

    // File `index` of the run, read or written as one transaction.
    Outcome file(std::size_t index, const std::u16string &path) const
    {
        const CsvTable::FileEdits *row = m_options.fromCsv ? &m_inputs.rows[index] : nullptr;
        if (row && !row->problem.empty())
            return failed(row, path, Automation::InvalidProcedureCall,
                          Automation::utf16(row->problem));
        std::string warnings;
        Outcome outcome = run(index, row, path, warnings);
        outcome.err.insert(0, warnings);
        return outcome;
    }

private:
    Outcome run(std::size_t index, const CsvTable::FileEdits *row, const std::u16string &path,
                std::string &warnings) const
    {
        const std::u16string file = Console::systemPath(path);
        try {
            Warnings events(warnings, file, path);
            Tagora::TagoraInfo library(&events);
            library.setPassword(m_options.password);
            FieldSet set;
            FieldSet::Observer quietly;
            switch (m_options.command) {
            case Options::Command::Read:
                break;
            case Options::Command::Write:
                // A file replaced under the save (FileChanged) is read and written again:
                // the lock held from the read means no other writer's change is undone.
                for (int attempt = 1;; ++attempt) {
                    Tagora::TagoraInfo writer(&events);
                    writer.setPassword(m_options.password);
                    writer.setXmpMode(xmpMode());
                    try {
                        return write(writer, row, path, file);
                    } catch (const Automation::AutomationError &failure) {
                        if (failure.number() != Tagora::FileChanged || attempt == 3)
                            throw;
                    }
                }
            case Options::Command::History:
                return {historyReport(path, history(path, file)), {}, false};
            case Options::Command::Revert:
                if (std::optional<Outcome> refused = revert(library, path, file))
                    return *refused;
                break;
            case Options::Command::Compact:
                library.LockFile(file, m_options.wait);
                library.DropHistory(file);
                library.Commit();
                break;
            }
            set.read(library, file, quietly);
            if (m_inputs.table) {
                (*m_inputs.table)[index] = tableRow(path, set);
                return {};
            }
            return {report(path, set, set), {}, false};
        } catch (const Automation::AutomationError &failure) {
            return failed(row, path, failure.number(), asGiven(failure.description(), file, path));
        } catch (const std::exception &failure) {
            return failed(row, path, Automation::GeneralFailure,
                          path + u": " + Automation::utf16(failure.what()));
        }
    }

    static CsvTable::FileFields tableRow(const std::u16string &path, const FieldSet &set)
    {
        CsvTable::FileFields row{
            path, {set.title(), set.author(), set.subject(), set.keywords()}, {}};
        for (int i = 1; i <= set.count(); ++i)
            row.custom.emplace_back(set.field(i)->Name(), set.field(i)->Content());
        return row;
    }

    Tagora::TagoraInfo::XmpMode xmpMode() const
    {
        using Mode = Tagora::TagoraInfo::XmpMode;
        switch (m_options.xmp) {
        case Options::Xmp::Keep:
            return Mode::Keep;
        case Options::Xmp::Create:
            return Mode::Create;
        case Options::Xmp::Update:
            break;
        }
        return Mode::Update;
    }

    Outcome write(Tagora::TagoraInfo &library, const CsvTable::FileEdits *row,
                  const std::u16string &path, const std::u16string &file) const
    {
        FieldSet set;
        FieldSet::Observer quietly;
        // Held from the read to the end of the save: no other writer comes in between.
        if (!m_options.dryRun)
            library.LockFile(file, m_options.wait);
        if (m_options.dropHistory && !m_options.dryRun)
            library.DropHistory(file);
        set.read(library, file, quietly);
        const FieldSet before = set;
        if (m_options.clearCustom)
            set.clear();
        if (m_inputs.document)
            m_inputs.document->applyTo(set);
        for (const Edit &edit : row ? row->edits : std::vector<Edit>())
            apply(set, edit);
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
    }

    // The revisions of the file; the library's failure named by the file as given.
    std::vector<Tagora::Revision> history(const std::u16string &path,
                                          const std::u16string &file) const
    {
        try {
            return Tagora::RevisionHistory::read(file, m_options.password);
        } catch (const Automation::AutomationError &failure) {
            throw Automation::AutomationError(failure.number(),
                                              path + u": " + failure.description());
        }
    }

    // Reverts the file to the revision asked for (the library refuses one the file does not
    // have); by default to the one before the last, which a file needs to have.
    std::optional<Outcome> revert(Tagora::TagoraInfo &library, const std::u16string &path,
                                  const std::u16string &file) const
    {
        // Held from the count of revisions to the end of the save, so that the revision
        // before the last is still that one when the save reverts to it. Cutting back
        // takes the lock itself.
        if (!m_options.truncate)
            library.LockFile(file, m_options.wait);
        int revision = m_options.revision;
        if (revision == 0) {
            const int count = int(history(path, file).size());
            if (count == 1)
                return failed(nullptr, path, Automation::SubscriptOutOfRange,
                              path + u": the file has only its original revision");
            revision = count - 1;
        }
        if (m_options.truncate) {
            library.TruncateToRevision(file, revision, m_options.wait);
            return std::nullopt;
        }
        library.RestoreRevision(file, revision);
        library.Commit();
        return std::nullopt;
    }

    std::string historyReport(const std::u16string &path,
                              const std::vector<Tagora::Revision> &revisions) const
    {
        if (m_options.quiet)
            return {};
        if (m_options.json)
            return Report::historyJson(path, revisions);
        return header(path) + Report::history(revisions);
    }

    std::string header(const std::u16string &path) const
    {
        return m_options.files.size() > 1 ? "==> " + utf8(Report::oneLine(path)) + " <==\n"
                                          : std::string();
    }

    std::string report(const std::u16string &path, const FieldSet &set, const FieldSet &read) const
    {
        if (m_options.quiet)
            return {};
        if (m_options.json)
            return Report::json(path, set, read);
        return header(path) + Report::text(set, read);
    }

    // The library's messages name the file and the reason; a row of a table is named by
    // the table and its line first.
    Outcome failed(const CsvTable::FileEdits *row, const std::u16string &path, int number,
                   std::u16string message) const
    {
        if (row)
            message.insert(0, *m_options.fromCsv + u", line " + Automation::decimal(row->line) +
                                  u": ");
        if (m_options.json && !m_options.quiet)
            return {Report::jsonFailure(path, number, message), {}, true};
        return {{}, "orvfields: " + utf8(Report::oneLine(message)) + '\n', true};
    }

    const Options &m_options;
    const Inputs m_inputs;
};

// How many files are done, on standard error: only when it is a terminal that standard
// output does not write to, for several files, and redrawn at most ten times a second.
class Progress
{
public:
    explicit Progress(const Options &options)
        : m_total(options.files.size()),
          m_shown(options.progress && m_total > 1 && Console::isTerminal(Stream::Err) &&
                  (options.quiet || !Console::isTerminal(Stream::Out)))
    {}
    ~Progress() { clear(); }
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    void update(std::size_t done)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!m_shown || now - m_drawn < std::chrono::milliseconds(100))
            return;
        m_drawn = now;
        const std::string line =
            "orvfields: " + std::to_string(done) + " of " + std::to_string(m_total) + " files";
        Console::write(Stream::Err, '\r' + line);
        m_width = line.size();
    }
    void clear()
    {
        if (m_width > 0)
            Console::write(Stream::Err, Console::erasure(m_width));
        m_width = 0;
    }

private:
    std::size_t m_total;
    bool m_shown;
    std::size_t m_width = 0; // of the line drawn, none when 0
    std::chrono::steady_clock::time_point m_drawn;
};

std::string readInput(const char *option, const std::u16string &source)
{
    std::string bytes;
    std::string reason;
    if (!Console::readAll(source, bytes, reason))
        throw UsageError{std::string(option) + " " + utf8(source) + ": " + reason};
    return bytes;
}

} // namespace

int Cli::usageError(std::string_view message, std::string_view usage)
{
    Console::write(Stream::Err, "orvfields: " + std::string(message) + '\n' +
                                    (usage.empty() ? Options::usage() : std::string(usage)));
    return 2;
}

int Cli::orvfields(const std::vector<std::u16string> &arguments)
{
    Options options;
    Inputs inputs;
    try {
        options = Options::parse(arguments);
        if (options.fromJson)
            inputs.document = FieldDocument::parse(readInput("--from-json", *options.fromJson));
        if (options.fromCsv) {
            inputs.rows =
                CsvTable::read(readInput("--from-csv", *options.fromCsv), *options.fromCsv);
            for (const CsvTable::FileEdits &row : inputs.rows)
                options.files.push_back(row.file);
        }
    } catch (const UsageError &error) {
        return usageError(error.text, error.usage);
    }
    if (options.action == Options::Action::Help) {
        Console::write(Stream::Out, options.help);
        return 0;
    }
    if (options.action == Options::Action::Version) {
        Console::write(Stream::Out, "orvfields " ORVFIELDS_VERSION "\n");
        return 0;
    }

    std::vector<std::optional<CsvTable::FileFields>> table(options.files.size());
    if (options.csv)
        inputs.table = &table;
    const Run run(options, std::move(inputs));
    Progress progress(options);
    bool anyFailed = false;
    bool printed = false;
    const int threads = options.jobs > 0 ? options.jobs : Console::processorCount();
    runBatch(
        options.files, threads,
        [&](std::size_t index, const std::u16string &file) { return run.file(index, file); },
        [&](std::size_t index, const Outcome &outcome) {
            anyFailed = anyFailed || outcome.failed;
            if (!outcome.out.empty()) {
                // Text reports of several files are set apart by a blank line.
                if (printed && !options.json)
                    Console::write(Stream::Out, "\n");
                Console::write(Stream::Out, outcome.out);
                printed = true;
            }
            if (!outcome.err.empty()) {
                progress.clear();
                Console::flushOut();
                Console::write(Stream::Err, outcome.err);
            }
            progress.update(index + 1);
        });
    progress.clear();
    if (options.csv && !options.quiet) {
        std::vector<CsvTable::FileFields> rows;
        for (std::optional<CsvTable::FileFields> &row : table) {
            if (row)
                rows.push_back(std::move(*row));
        }
        Console::write(Stream::Out, CsvTable::write(rows));
    }
    if (!Console::flushOut()) {
        Console::write(Stream::Err, "orvfields: the output cannot be written\n");
        return 1;
    }
    return anyFailed ? 1 : 0;
}

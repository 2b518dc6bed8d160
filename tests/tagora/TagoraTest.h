// SPDX-License-Identifier: Apache-2.0
// What the tests of the PDF information library share: whether a file is under a save's
// lock, a record of a TagoraInfo object's events, reading every entry through a fresh
// object, a save made the way the field set makes it; and the Oracle: what readers that
// are not ours say about a file, beyond what support/TestPdf.h asks of qpdf and pdfinfo.
#pragma once

#include "support/TestPdf.h"
#include "tagora/TagoraError.h"
#include "tagora/TagoraInfo.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryFile>

#include <qpdf/QPDF.hh>

#include <utility>

using namespace Tagora;
using Support::q;
using Support::u;

// Whether another writer holds the file's lock: a save of another object cannot begin.
inline bool lockedForSaves(const QString &path)
{
    return Support::errorOf([&] { TagoraInfo().LockFile(u(path), 0); }) == Tagora::FileLocked;
}

// The events of one object as short texts, in the order they came: "start", "done
// <input> <output>", "fail", "error <n>", each after "locked " when the file `watched`
// was under a save's lock then; and the log messages.
class EventLog : public TagoraInfo::Events
{
public:
    explicit EventLog(TagoraInfo &info, QString watched = {})
        : m_info(info), m_watched(std::move(watched))
    {
        info.setEvents(this);
    }
    ~EventLog() override { m_info.setEvents(nullptr); }
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;

    void OnJobStart(const std::u16string &, const std::u16string &) override { note("start"); }
    void OnJobDone(const std::u16string &input, const std::u16string &output) override
    {
        note("done " + q(input) + ' ' + q(output));
    }
    void OnJobFail(const std::u16string &, const std::u16string &) override { note("fail"); }
    void OnJobError(std::int32_t n) override { note(QStringLiteral("error %1").arg(n)); }
    void OnLogMessage(const std::u16string &message) override { log << q(message); }

    QStringList events;
    QStringList log;

private:
    void note(const QString &event)
    {
        events << (!m_watched.isEmpty() && lockedForSaves(m_watched) ? "locked " : "") + event;
    }

    TagoraInfo &m_info;
    QString m_watched;
};

using Entries = QList<QPair<QString, QString>>;

// The entries of `path` as a new object reads them.
inline Entries readEntries(const QString &path)
{
    TagoraInfo reader;
    Entries entries;
    const int count = reader.ReadInfo(u(path));
    for (int i = 0; i < count; ++i)
        entries.append({q(reader.InfoName(i)), q(reader.InfoValue(i))});
    return entries;
}

// The value of the entry named `name` as a new object reads it.
inline QString readValue(const QString &path, const QString &name)
{
    for (const auto &[entryName, value] : readEntries(path)) {
        if (entryName == name)
            return value;
    }
    return QStringLiteral("(no entry %1)").arg(name);
}

// Entries as "name=value" lines.
inline QStringList lines(const Entries &entries)
{
    QStringList result;
    for (const auto &[name, value] : entries)
        result.append(name + u'=' + value);
    return result;
}

// The way the field set saves: read, remove every entry, write the standard entries
// (empty subject, creator and producer), then each custom entry, and commit.
inline void saveLikeTheFieldSet(TagoraInfo &info, const QString &file, const Entries &custom,
                                const std::u16string &title = u"New title",
                                const std::u16string &author = u"Ünïcode author",
                                const std::u16string &keywords = u"k1, k2")
{
    const std::u16string path = u(file);
    const int count = info.ReadInfo(path);
    for (int i = 0; i < count; ++i)
        info.RemoveInfoEntry(path, info.InfoName(i));
    info.WriteStandardInfo(path, title, author, u"", keywords, u"", u"");
    for (const auto &[name, value] : custom)
        info.WriteInfoEntry(path, u(name), u(value));
    info.Commit();
}

namespace Oracle {

// The output of `qpdf --check` when it reports an error or a warning, else empty.
inline QString qpdfProblems(const QString &path)
{
    const Support::Output check = TestPdf::check(path);
    return check.exitCode == 0 ? QString() : check.text;
}

// The Info keys as the qpdf library reads them (sorted), as UTF-8 texts.
inline QStringList qpdfKeys(const QString &path)
{
    QStringList keys;
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(QFile::encodeName(path).constData());
    for (const std::string &key : pdf.getTrailer().getKey("/Info").getKeys())
        keys << QString::fromUtf8(key.substr(1));
    return keys;
}

// What `exiftool -j -a -G1` says of the file: tags by group and name ("XMP-dc:Title").
inline QJsonObject exiftool(const QString &path)
{
    // Its standard output alone: the JSON.
    QProcess process;
    process.start(QStringLiteral("exiftool"), {"-j", "-a", "-G1", path});
    process.waitForFinished(60000);
    return QJsonDocument::fromJson(process.readAllStandardOutput()).array().at(0).toObject();
}

// What mutool and pikepdf read with the empty password, as "key=value" lines: mutool's
// Info Title ("mutool:Title"), pikepdf's Info entries, its XMP dc:title ("xmp:title") and
// the first /ID element in hex ("id").
inline QStringList otherReaders(const QString &path)
{
    QTemporaryFile script(QDir::temp().filePath("mutool-XXXXXX.js"));
    if (!script.open())
        return {"no script"};
    script.write(
        "print('mutool:Title=' + new PDFDocument(scriptArgs[0]).getMetaData('info:Title'));");
    script.close();
    QStringList lines = Support::run("mutool", {"run", script.fileName(), path})
                            .text.split(u'\n', Qt::SkipEmptyParts);
    // Debian's pikepdf lives with Debian's python, whatever else the PATH offers.
    const char *python = R"(
import pikepdf, sys
with pikepdf.open(sys.argv[1]) as pdf:
    for key, value in pdf.docinfo.items():
        print(key[1:] + '=' + str(value))
    print('xmp:title=' + str(pdf.open_metadata().get('dc:title')))
    print('id=' + bytes(pdf.trailer.ID[0]).hex())
)";
    lines += Support::run("/usr/bin/python3", {"-c", python, path})
                 .text.split(u'\n', Qt::SkipEmptyParts);
    return lines;
}

// Empty when `path` holds the bytes `before` followed by exactly one revision that
// continues the last one of `before` and qpdf finds no problem; else what is wrong.
inline QString appendedRevisionProblems(const QByteArray &before, const QString &path)
{
    const QByteArray after = Support::bytes(path);
    if (!after.startsWith(before))
        return QStringLiteral("the bytes before are not kept");
    const QByteArray added = after.mid(before.size());
    const qsizetype at = before.lastIndexOf("startxref");
    const QByteArray previous = before.mid(at + 9, 24).simplified().split(' ').first();
    const QRegularExpression prev(QStringLiteral("/Prev %1\\b").arg(QLatin1String(previous)));
    if (at < 0 || added.count("%%EOF") != 1 || !prev.match(QString::fromLatin1(added)).hasMatch())
        return QStringLiteral("not one revision after the one at %1:\n%2")
            .arg(QString::fromLatin1(previous), QString::fromLatin1(added.left(2000)));
    return qpdfProblems(path);
}

} // namespace Oracle

// SPDX-License-Identifier: Apache-2.0
// The field set: naming rules and keys, then reading and writing real PDFs through
// the PDF library, checked by independent readers.

#include "fields/clsFields.h"
#include "platform/FileSystem.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestPdf.h"
#include "tagora/TagoraInfo.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using Fields::clsFields;

namespace {

QStringList customNames(const clsFields &set)
{
    QStringList names;
    for (int i = 1; i <= set.Count(); ++i)
        names.append(set.Field(i)->Name());
    return names;
}

// The file's entries in file order, as the library reads them.
TestPdf::Entries readBack(const QString &path)
{
    Tagora::TagoraInfo library;
    TestPdf::Entries entries;
    const int n = library.ReadInfo(path);
    for (int i = 0; i < n; ++i)
        entries.append({library.InfoName(i), library.InfoValue(i)});
    return entries;
}

QStringList namesOf(const TestPdf::Entries &entries)
{
    QStringList names;
    for (const auto &entry : entries)
        names.append(entry.first);
    return names;
}

QList<int> percents(const QSignalSpy &spy)
{
    QList<int> values;
    for (const QList<QVariant> &args : spy)
        values.append(args.first().toInt());
    return values;
}

} // namespace

class tst_Fields : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_dir.reset(new QTemporaryDir); }

    void reservedNamesAreExactAndCaseSensitive()
    {
        MessageBoxRecorder boxes;
        clsFields set;
        for (const char *reserved : {"Title", "Author", "Subject", "Keywords", "Creator",
                                     "Producer", "CreationDate", "ModDate"}) {
            QVERIFY(!set.IsValidFieldName(QString::fromLatin1(reserved)));
            QVERIFY(!set.AddField(QString::fromLatin1(reserved), QStringLiteral("x")));
        }
        QCOMPARE(set.Count(), 0);
        for (const char *allowed : {"title", "TITLE", " Title", "", "ModDate "})
            QVERIFY(set.IsValidFieldName(QString::fromLatin1(allowed)));
        QVERIFY(set.AddField(QStringLiteral("title"), QStringLiteral("lower")));
        QVERIFY(set.AddField(QStringLiteral(" Source"), QStringLiteral("padded")));
        QVERIFY(set.AddField(QStringLiteral("Source"), QStringLiteral("plain")));
        QCOMPARE(customNames(set), QStringList({"title", " Source", "Source"}));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void keysIgnoreCaseAndKeepTheFirstSpelling()
    {
        MessageBoxRecorder boxes;
        clsFields set;
        const clsFields::FieldRef first =
            set.AddField(QStringLiteral("Source"), QStringLiteral("a"));
        const clsFields::FieldRef second =
            set.AddField(QStringLiteral("SOURCE"), QStringLiteral("b"));
        QCOMPARE(second, first);
        QCOMPARE(set.Count(), 1);
        QCOMPARE(first->Name(), QStringLiteral("Source"));
        QCOMPARE(first->Content(), QStringLiteral("a"));
        QCOMPARE(set.Field(QStringLiteral("source")), first);

        // Positions from 1; anything else is none, silently.
        QCOMPARE(set.Field(1), first);
        QVERIFY(!set.Field(0));
        QVERIFY(!set.Field(2));
        QVERIFY(!set.Field(-1));
        QVERIFY(!set.Field(QVariant()));
        QVERIFY(!set.Field(QStringLiteral("missing")));
        QVERIFY(boxes.boxes.isEmpty());

        // Handed out by reference: the set sees the change.
        set.Field(1)->setContent(QStringLiteral("changed"));
        QCOMPARE(set.Field(QStringLiteral("SOURCE"))->Content(), QStringLiteral("changed"));
    }

    void removeClearAndOrder()
    {
        MessageBoxRecorder boxes;
        clsFields set;
        set.setTitle(QStringLiteral("T"));
        set.setKeywords(QStringLiteral("K"));
        for (const char *name : {"A", "B", "C", "title"})
            set.AddField(QString::fromLatin1(name), QStringLiteral("v"));

        const clsFields::FieldRef removed = set.RemoveField(QStringLiteral("a"));
        QVERIFY(removed);
        QCOMPARE(removed->Name(), QStringLiteral("A"));
        QCOMPARE(customNames(set), QStringList({"B", "C", "title"}));
        set.AddField(removed->Name(), removed->Content());
        QCOMPARE(customNames(set), QStringList({"B", "C", "title", "A"})); // back at the end
        QVERIFY(!set.RemoveField(QStringLiteral("missing")));
        // Standard fields are never removed; the custom "title" is.
        QCOMPARE(set.RemoveField(QStringLiteral("Title"))->Name(), QStringLiteral("title"));
        QVERIFY(!set.RemoveField(QStringLiteral("Title")));
        QCOMPARE(set.Title(), QStringLiteral("T"));

        set.Clear();
        QCOMPARE(set.Count(), 0);
        QCOMPARE(set.Title(), QStringLiteral("T"));
        QVERIFY(!set.Field(QStringLiteral("B"))); // the keys went with the fields
        set.ClearAll();
        QCOMPARE(set.Title() + set.Author() + set.Subject() + set.Keywords(), QString());
        set.ClearAll();
        QVERIFY(boxes.boxes.isEmpty());
    }

    void readSortsTheEntries()
    {
        MessageBoxRecorder boxes;
        const QString path = m_dir->filePath(QStringLiteral("in.pdf"));
        // qpdf writes the keys sorted: " Title", Author, CreationDate, Creator, Custom,
        // Empty, ModDate, Producer, Source, TITLE, source.
        TestPdf::make(path, {{"TITLE", "Upper title"},
                             {" Title", "padded"},
                             {"Author", "Zoë — 日本語"},
                             {"Creator", "maker"},
                             {"Producer", "press"},
                             {"CreationDate", "D:20200101000000Z"},
                             {"ModDate", "D:20200102000000Z"},
                             {"Empty", ""},
                             {"Custom", "value"},
                             {"Source", "first"},
                             {"source", "second"}});
        clsFields set;
        set.AddField(QStringLiteral("Stale"), QStringLiteral("from before"));
        QSignalSpy ended(&set, &clsFields::WorkEnded);
        QSignalSpy progress(&set, &clsFields::WorkPercent);
        set.GetDatas(path);

        QCOMPARE(set.Title(), QStringLiteral("Upper title"));
        QCOMPARE(set.Author(), QStringLiteral("Zoë — 日本語"));
        QCOMPARE(customNames(set), QStringList({" Title", "Custom", "Source"}));
        QCOMPARE(set.Field(QStringLiteral("source"))->Content(), QStringLiteral("first"));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().toBool(), true);
        QCOMPARE(progress.count(), 0);
        QVERIFY(boxes.boxes.isEmpty());
    }

    void writeReplacesEveryEntry()
    {
        MessageBoxRecorder boxes;
        const QString path = m_dir->filePath(QStringLiteral("book.pdf"));
        TestPdf::make(path,
                      {{"Title", "Old"},
                       {"Creator", "maker"},
                       {"Producer", "press"},
                       {"CreationDate", "D:20200101000000Z"},
                       {"Empty", ""},
                       {"Source", "first"},
                       {"source", "second"},
                       {"Drop", "me"}},
                      true);
        const QByteArray original = TestPdf::bytes(path);
        clsFields set;
        set.GetDatas(path);
        set.setTitle(QStringLiteral("Nouveau titre — été"));
        set.setAuthor(QStringLiteral("Zoë — 日本語"));
        set.RemoveField(QStringLiteral("Drop"));
        set.AddField(QStringLiteral("My Field"), QStringLiteral("with space"));
        set.SaveDatas(path);
        QVERIFY2(boxes.boxes.isEmpty(), qPrintable(boxes.prompts().join(u'\n')));

        const TestPdf::Entries entries = readBack(path);
        const QStringList names = namesOf(entries);
        for (const char *gone : {"Empty", "source", "Drop"})
            QVERIFY2(!names.contains(QString::fromLatin1(gone)), gone);
        QCOMPARE(names.count(QStringLiteral("Source")), 1);
        // The custom fields are written in the set's order, after the standard ones.
        QVERIFY(names.indexOf(QStringLiteral("Source")) <
                names.indexOf(QStringLiteral("My Field")));
        QVERIFY(names.contains(QStringLiteral("ModDate")));

        const QMap<QString, QString> info = TestPdf::pdfinfo(path);
        QCOMPARE(info.value(QStringLiteral("Title")), QStringLiteral("Nouveau titre — été"));
        QCOMPARE(info.value(QStringLiteral("Author")), QStringLiteral("Zoë — 日本語"));
        QCOMPARE(info.value(QStringLiteral("Source")), QStringLiteral("first"));
        QCOMPARE(info.value(QStringLiteral("My Field")), QStringLiteral("with space"));
        QCOMPARE(info.value(QStringLiteral("Creator")),
                 QStringLiteral("maker")); // kept by the library
        QVERIFY(!info.contains(QStringLiteral("Subject")));

        const Support::Output check = TestPdf::check(path);
        QVERIFY2(check.exitCode == 0, qPrintable(check.text));
        QVERIFY(TestPdf::bytes(path).startsWith(original)); // an appended revision
    }

    void progressIsRoundedHalfToEven_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("fields");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("3+2") << 3 << 2 << QList<int>{20, 40, 60, 80, 100};
        QTest::newRow("3+0") << 3 << 0 << QList<int>{33, 67, 100};
        QTest::newRow("0+3") << 0 << 3 << QList<int>{33, 67, 100};
        QTest::newRow("4+2") << 4 << 2 << QList<int>{17, 33, 50, 67, 83, 100};
        QTest::newRow("5+2") << 5 << 2 << QList<int>{14, 29, 43, 57, 71, 86, 100};
        QTest::newRow("6+2") << 6 << 2 << QList<int>{12, 25, 38, 50, 62, 75, 88, 100};
        QTest::newRow("4+5") << 4 << 5 << QList<int>{11, 22, 33, 44, 56, 67, 78, 89, 100};
        QTest::newRow("none") << 0 << 0 << QList<int>{};
    }

    void progressIsRoundedHalfToEven()
    {
        QFETCH(int, entries);
        QFETCH(int, fields);
        QFETCH(QList<int>, expected);
        MessageBoxRecorder boxes;
        const QString path = m_dir->filePath(QStringLiteral("p.pdf"));
        TestPdf::Entries info;
        for (int i = 0; i < entries; ++i)
            info.append({QStringLiteral("Entry%1").arg(i), QStringLiteral("v")});
        TestPdf::make(path, info);
        clsFields set;
        for (int i = 0; i < fields; ++i)
            set.AddField(QStringLiteral("Field%1").arg(i), QStringLiteral("v"));
        set.setTitle(QStringLiteral("written in every case"));
        QSignalSpy progress(&set, &clsFields::WorkPercent);
        QSignalSpy ended(&set, &clsFields::WorkEnded);
        set.SaveDatas(path);
        QCOMPARE(percents(progress), expected);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(TestPdf::pdfinfo(path).value(QStringLiteral("Title")),
                 QStringLiteral("written in every case"));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void failuresEndTheWorkAndReachTheCaller()
    {
        MessageBoxRecorder boxes;
        // Not a PDF: the read fails, nothing is written, the set reports and ends.
        const QString text = m_dir->filePath(QStringLiteral("notes.pdf"));
        {
            QFile file(text);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("just some text\n");
        }
        clsFields set;
        set.AddField(QStringLiteral("Kept"), QStringLiteral("v"));
        QSignalSpy ended(&set, &clsFields::WorkEnded);
        QSignalSpy progress(&set, &clsFields::WorkPercent);
        QSignalSpy errors(&set, &clsFields::WorkError);
        set.SaveDatas(text);
        QCOMPARE(TestPdf::bytes(text), QByteArray("just some text\n"));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(progress.count(), 0);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes.first().prompt.startsWith(
                     QStringLiteral("(OrvFields.clsFields.SaveDatas) Error %1 : ")
                         .arg(errors.first().first().toInt())),
                 qPrintable(boxes.boxes.first().prompt));
        QVERIFY(boxes.boxes.first().prompt.contains(text));
        QVERIFY(boxes.boxes.first().prompt.endsWith(QStringLiteral(" Line 2")));

        // A missing file: the read empties the set, reports, and ends.
        boxes.boxes.clear();
        set.setTitle(QStringLiteral("old"));
        set.GetDatas(m_dir->filePath(QStringLiteral("missing.pdf")));
        QCOMPARE(set.Count(), 0);
        QCOMPARE(set.Title(), QString());
        QCOMPARE(ended.count(), 2);
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes.first().prompt.startsWith(
            QStringLiteral("(OrvFields.clsFields.GetDatas) Error ")));

        // No room for the save's one write: the file is as it was, the user is told.
        boxes.boxes.clear();
        const QString full = m_dir->filePath(QStringLiteral("full.pdf"));
        TestPdf::make(full, {{"Title", "T"}});
        const QByteArray original = TestPdf::bytes(full);
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit previous = {};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        struct rlimit lowered = previous;
        lowered.rlim_cur = rlim_t(original.size() + 10);
        ::setrlimit(RLIMIT_FSIZE, &lowered);
        set.SaveDatas(full);
        ::setrlimit(RLIMIT_FSIZE, &previous);
        QCOMPARE(TestPdf::bytes(full), original);
        QCOMPARE(ended.count(), 3);
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes.first().prompt.startsWith(
                     QStringLiteral("(OrvFields.clsFields.SaveDatas) Error 61 : ") + full),
                 qPrintable(boxes.boxes.first().prompt));
        QVERIFY(boxes.boxes.first().prompt.endsWith(QStringLiteral(" Line 10")));
    }

    void aLockedFileStopsTheWriteBeforeAnyChange()
    {
        MessageBoxRecorder boxes;
        const QString path = m_dir->filePath(QStringLiteral("locked.pdf"));
        TestPdf::make(path, {{"Title", "T"}, {"Other", "o"}});
        const QByteArray original = TestPdf::bytes(path);
        QProcess holder;
        holder.start(QStringLiteral("flock"),
                     {path, QStringLiteral("sleep"), QStringLiteral("30")});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(Platform::FileLocked(path), 5000);

        clsFields set;
        set.GetDatas(path); // reading needs no lock
        QCOMPARE(set.Title(), QStringLiteral("T"));
        QSignalSpy progress(&set, &clsFields::WorkPercent);
        QSignalSpy errors(&set, &clsFields::WorkError);
        set.SaveDatas(path);
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(TestPdf::bytes(path), original);
        QCOMPARE(progress.count(), 0); // stopped at the first removal
        QCOMPARE(errors.count(), 1);
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes.first().prompt.endsWith(QStringLiteral(" Line 6")));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_Fields)
#include "tst_fields.moc"

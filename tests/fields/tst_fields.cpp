// SPDX-License-Identifier: Apache-2.0
// The field set: naming rules and keys, then reading and writing real PDFs through
// the PDF library, checked by independent readers.

#include "automation/Text.h"
#include "automation/Variant.h"
#include "fields/clsFields.h"
#include "platform/FileSystem.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestPdf.h"
#include "tagora/TagoraInfo.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Automation::Variant;
using Fields::clsFields;
using Support::q;
using Support::u;

namespace {

QStringList customNames(const clsFields &set)
{
    QStringList names;
    for (int i = 1; i <= set.Count(); ++i)
        names.append(q(set.Field(i)->Name()));
    return names;
}

// The names of the file's entries in file order, as the library reads them.
QStringList namesIn(const QString &path)
{
    Tagora::TagoraInfo library;
    QStringList names;
    const int n = library.ReadInfo(u(path));
    for (int i = 0; i < n; ++i)
        names.append(q(library.InfoName(i)));
    return names;
}

// The events a set raises, in order.
struct Recorder : clsFields::Events
{
    explicit Recorder(clsFields &set) { set.setEvents(this); }
    void WorkEnded(bool result) override { ended.append(result); }
    void WorkPercent(std::int16_t percent) override { percents.append(percent); }
    void WorkError(std::int32_t number) override { errors.append(number); }

    QList<bool> ended;
    QList<int> percents;
    QList<int> errors;
};

} // namespace

class tst_Fields : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_boxes.reset(new MessageBoxRecorder);
    }
    void cleanup()
    {
        QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->takePrompts().join(u'\n')));
        m_boxes.reset();
    }

    void namesAndKeys()
    {
        // The eight reserved names are refused as written exactly; any other spelling
        // is a custom field. Keys ignore letter case and keep the first spelling.
        clsFields set;
        for (const char *reserved : {"Title", "Author", "Subject", "Keywords", "Creator",
                                     "Producer", "CreationDate", "ModDate"})
            QVERIFY(!set.AddField(Automation::utf16(reserved), u"x"));
        QVERIFY(set.IsValidFieldName({}));
        for (const char *name : {"title", " Source", "Source", "SOURCE", "ModDate "})
            set.AddField(Automation::utf16(name), Automation::utf16(name));
        QCOMPARE(customNames(set), QStringList({"title", " Source", "Source", "ModDate "}));
        const clsFields::FieldRef source = set.Field(u"source");
        QVERIFY(source);
        QCOMPARE(source->Content(), u"Source");

        // Positions from 1; anything else is none, silently.
        QCOMPARE(set.Field(3), source);
        for (const Variant &none :
             {Variant(0), Variant(5), Variant(), Variant(true), Variant(u"missing")})
            QVERIFY2(!set.Field(none), qPrintable(q(none.toText())));
        // Handed out by reference: the set sees the change.
        set.Field(3)->setContent(u"changed");
        QCOMPARE(set.Field(u"SOURCE")->Content(), u"changed");
    }

    void removeClearAndOrder()
    {
        clsFields set;
        set.setTitle(u"T");
        for (const char16_t *name : {u"A", u"B", u"C", u"title"})
            set.AddField(name, u"v");

        const clsFields::FieldRef removed = set.RemoveField(u"a");
        QVERIFY(removed);
        QCOMPARE(removed->Name(), u"A");
        set.AddField(removed->Name(), removed->Content());
        QCOMPARE(customNames(set), QStringList({"B", "C", "title", "A"})); // back at the end
        QVERIFY(!set.RemoveField(u"missing"));
        // Standard fields are never removed; the custom "title" is.
        QCOMPARE(set.RemoveField(u"Title")->Name(), u"title");
        QVERIFY(!set.RemoveField(u"Title"));
        QCOMPARE(set.Title(), u"T");

        set.Clear();
        QCOMPARE(set.Count(), 0);
        QCOMPARE(set.Title(), u"T");
        QVERIFY(!set.Field(u"B")); // the keys went with the fields
        set.setKeywords(u"K");
        set.ClearAll();
        QCOMPARE(set.Title() + set.Author() + set.Subject() + set.Keywords(), u"");
    }

    void readSortsTheEntriesAndWriteReplacesThem()
    {
        // qpdf writes the keys sorted: " Title", Author, CreationDate, Creator, Custom,
        // Drop, Empty, ModDate, Producer, Source, TITLE, source.
        const QString path = m_dir->filePath(QStringLiteral("in.pdf"));
        TestPdf::make(path,
                      {{"TITLE", "Upper title"},
                       {" Title", "padded"},
                       {"Author", "Zoë — 日本語"},
                       {"Creator", "maker"},
                       {"Producer", "press"},
                       {"CreationDate", "D:20200101000000Z"},
                       {"ModDate", "D:20200102000000Z"},
                       {"Empty", ""},
                       {"Custom", "value"},
                       {"Drop", "me"},
                       {"Source", "first"},
                       {"source", "second"}},
                      true);
        clsFields set;
        set.AddField(u"Stale", u"from before");
        Recorder events(set);
        set.GetDatas(u(path));
        QCOMPARE(set.Title(), u"Upper title");
        QCOMPARE(set.Author(), u"Zoë — 日本語");
        QCOMPARE(customNames(set), QStringList({" Title", "Custom", "Drop", "Source"}));
        QCOMPARE(set.Field(u"source")->Content(), u"first");
        QCOMPARE(events.ended, QList<bool>{true});
        QCOMPARE(events.percents, QList<int>());

        // Every entry the file lists is removed, then the set is written.
        set.setTitle(u"Nouveau titre — été");
        set.RemoveField(u"Drop");
        set.AddField(u"My Field", u"with space");
        set.SaveDatas(u(path));
        const QStringList names = namesIn(path);
        for (const char *gone : {"Empty", "source", "Drop", "TITLE"})
            QVERIFY2(!names.contains(QString::fromLatin1(gone)), gone);
        QCOMPARE(names.count(QStringLiteral("Source")), 1);
        // The custom fields are written in the set's order, after the standard ones.
        QVERIFY(names.indexOf(QStringLiteral("Title")) < names.indexOf(QStringLiteral(" Title")));
        QVERIFY(names.indexOf(QStringLiteral("Source")) <
                names.indexOf(QStringLiteral("My Field")));
        const QMap<QString, QString> info = TestPdf::pdfinfo(path);
        for (const auto &[name, value] : TestPdf::Entries{{"Title", "Nouveau titre — été"},
                                                          {"Author", "Zoë — 日本語"},
                                                          {"Source", "first"},
                                                          {"My Field", "with space"}})
            QCOMPARE(info.value(name), value);
        QVERIFY(!info.contains(QStringLiteral("Subject")));
        const Support::Output check = TestPdf::check(path);
        QVERIFY2(check.exitCode == 0, qPrintable(check.text));
    }

    void progressIsRoundedHalfToEven_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("fields");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("0+3") << 0 << 3 << QList<int>{33, 67, 100};
        QTest::newRow("6+2") << 6 << 2 << QList<int>{12, 25, 38, 50, 62, 75, 88, 100};
        QTest::newRow("none") << 0 << 0 << QList<int>{};
    }
    void progressIsRoundedHalfToEven()
    {
        QFETCH(int, entries);
        QFETCH(int, fields);
        QFETCH(QList<int>, expected);
        const QString path = m_dir->filePath(QStringLiteral("p.pdf"));
        TestPdf::Entries info;
        for (int i = 0; i < entries; ++i)
            info.append({QStringLiteral("Entry%1").arg(i), QStringLiteral("v")});
        TestPdf::make(path, info);
        clsFields set;
        for (int i = 0; i < fields; ++i)
            set.AddField(u(QStringLiteral("Field%1").arg(i)), u"v");
        set.setTitle(u"written in every case");
        Recorder events(set);
        set.SaveDatas(u(path));
        QCOMPARE(events.percents, expected);
        QCOMPARE(events.ended.size(), 1);
        QCOMPARE(TestPdf::pdfinfo(path).value(QStringLiteral("Title")),
                 QStringLiteral("written in every case"));
    }

    void failuresEndTheWorkAndReachTheCaller()
    {
        // Not a PDF: the read fails, nothing is written, the set reports and ends.
        const QString text =
            Support::writeFile(m_dir->filePath(QStringLiteral("notes.pdf")), "just some text\n");
        clsFields set;
        set.AddField(u"Kept", u"v");
        Recorder events(set);
        set.SaveDatas(u(text));
        QCOMPARE(TestPdf::bytes(text), QByteArray("just some text\n"));
        QCOMPARE(events.ended.size(), 1);
        QCOMPARE(events.percents.size(), 0);
        QCOMPARE(events.errors.size(), 1);
        QString prompt = box();
        QVERIFY2(prompt.startsWith(QStringLiteral("(OrvFields.clsFields.SaveDatas) Error %1 : ")
                                       .arg(events.errors.first())) &&
                     prompt.contains(text) && prompt.endsWith(QStringLiteral(" Line 2")),
                 qPrintable(prompt));

        // A missing file: the read empties the set, reports, and ends.
        set.setTitle(u"old");
        set.GetDatas(u(m_dir->filePath(QStringLiteral("missing.pdf"))));
        QCOMPARE(set.Count(), 0);
        QCOMPARE(set.Title(), u"");
        QCOMPARE(events.ended.size(), 2);
        QVERIFY(box().startsWith(QStringLiteral("(OrvFields.clsFields.GetDatas) Error ")));

        // No room for the save's one write: the file is as it was, the user is told.
        const QString full = m_dir->filePath(QStringLiteral("full.pdf"));
        TestPdf::make(full, {{"Title", "T"}});
        const QByteArray original = TestPdf::bytes(full);
        {
            const Support::FileSizeLimit limit(original.size() + 10);
            set.SaveDatas(u(full));
        }
        QCOMPARE(TestPdf::bytes(full), original);
        QCOMPARE(events.ended.size(), 3);
        prompt = box();
        QVERIFY2(prompt.startsWith(QStringLiteral("(OrvFields.clsFields.SaveDatas) Error 61 : ") +
                                   full) &&
                     prompt.endsWith(QStringLiteral(" Line 10")),
                 qPrintable(prompt));
    }

    void aLockedFileStopsTheWriteBeforeAnyChange()
    {
        const QString path = m_dir->filePath(QStringLiteral("locked.pdf"));
        TestPdf::make(path, {{"Title", "T"}, {"Other", "o"}});
        const QByteArray original = TestPdf::bytes(path);
        QProcess holder;
        holder.start(QStringLiteral("flock"),
                     {path, QStringLiteral("sleep"), QStringLiteral("30")});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(Platform::FileLocked(u(path)), 5000);

        clsFields set;
        set.GetDatas(u(path)); // reading needs no lock
        QCOMPARE(set.Title(), u"T");
        Recorder events(set);
        set.SaveDatas(u(path));
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(TestPdf::bytes(path), original);
        QCOMPARE(events.percents.size(), 0); // stopped at the first removal
        QCOMPARE(events.errors.size(), 1);
        QVERIFY(box().endsWith(QStringLiteral(" Line 6")));
    }

private:
    // The prompt of the one message box shown since the last call.
    QString box()
    {
        const QStringList prompts = m_boxes->takePrompts();
        return prompts.size() == 1 ? prompts.first()
                                   : QStringLiteral("%1 boxes").arg(prompts.size());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
};

QTEST_GUILESS_MAIN(tst_Fields)
#include "tst_fields.moc"

// The PDF information library on real files: what it reads, what it writes, and what
// independent readers (qpdf, pdfinfo) find in the files afterwards.
#include "AutomationError.h"
#include "Dispatch.h"
#include "FileSystem.h"
#include "Oracle.h"
#include "PdfMaker.h"
#include "TagoraTest.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>

#include <qpdf/QPDF.hh>

class TestTagoraInfo : public QObject
{
    Q_OBJECT

private slots:
    void readsEntriesInFileOrder_data();
    void readsEntriesInFileOrder();
    void readsEncodingsAndNonStringValues();
    void writesTextsThatReadersShowExactly_data();
    void writesTextsThatReadersShowExactly();
    void writesNamesThatReadBackIdentical();
    void oneObjectAppendsExactlyOneRevision_data();
    void oneObjectAppendsExactlyOneRevision();
    void anotherObjectAppendsAfterEarlierRevisions();
    void keepsProvenanceAndStampsModDate();
    void writesFilesWithoutAnInfoObject_data();
    void writesFilesWithoutAnInfoObject();
    void rewritesFilesThatCannotTakeARevision_data();
    void rewritesFilesThatCannotTakeARevision();
    void keepsEncryptionAndPermissions_data();
    void keepsEncryptionAndPermissions();
    void writesTheTargetOfASymbolicLink_data();
    void writesTheTargetOfASymbolicLink();
    void reportsAfterLettingGoOfTheFile();
    void answersLateBoundCalls();

private:
    QString make(const QString &name, const PdfMaker &maker = PdfMaker());

    QTemporaryDir m_dir;
};

QString TestTagoraInfo::make(const QString &name, const PdfMaker &maker)
{
    const QString path = m_dir.filePath(name);
    if (!maker.write(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The way the field set saves: read, remove every entry, write the standard entries
// with empty creator and producer, then each custom entry.
static void saveLikeTheFieldSet(TagoraInfo &info, const QString &path, const Entries &custom)
{
    const int count = info.ReadInfo(path);
    for (int i = 0; i < count; ++i)
        info.RemoveInfoEntry(path, info.InfoName(i));
    info.WriteStandardInfo(path, QStringLiteral("New title"), QStringLiteral("Ünïcode author"),
                           QString(), QStringLiteral("k1, k2"), QString(), QString());
    for (const auto &[name, value] : custom)
        info.WriteInfoEntry(path, name, value);
}

static void saveLikeTheFieldSet(const QString &path, const Entries &custom)
{
    TagoraInfo info;
    saveLikeTheFieldSet(info, path, custom);
}

void TestTagoraInfo::readsEntriesInFileOrder_data()
{
    QTest::addColumn<int>("xref");
    QTest::addColumn<int>("where");
    QTest::newRow("own object, table")
        << int(PdfMaker::Xref::Table) << int(PdfMaker::Info::Indirect);
    QTest::newRow("own object, stream")
        << int(PdfMaker::Xref::Stream) << int(PdfMaker::Info::Indirect);
    QTest::newRow("object stream")
        << int(PdfMaker::Xref::Stream) << int(PdfMaker::Info::InObjectStream);
    QTest::newRow("direct, table") << int(PdfMaker::Xref::Table) << int(PdfMaker::Info::Direct);
    QTest::newRow("direct, stream") << int(PdfMaker::Xref::Stream) << int(PdfMaker::Info::Direct);
}

void TestTagoraInfo::readsEntriesInFileOrder()
{
    QFETCH(int, xref);
    QFETCH(int, where);
    PdfMaker maker;
    maker.xref = PdfMaker::Xref(xref);
    maker.info = PdfMaker::Info(where);
    // qpdf alone would answer Alpha, Source, Zeta, source.
    maker.infoBody = "<< /Zeta (z) /source (second) /Source (first) /Alpha [1 /x] >>";
    const QString path = make(QStringLiteral("order.pdf"), maker);
    QCOMPARE(Oracle::qpdfProblems(path), QString());

    TagoraInfo info;
    EventLog log(info);
    QCOMPARE(info.ReadInfo(path), 4);
    QCOMPARE(log.take(), (QStringList{"start", "done"}));
    const Entries expected{
        {"Zeta", "z"}, {"source", "second"}, {"Source", "first"}, {"Alpha", "[ 1 /x ]"}};
    QCOMPARE(readEntries(path), expected);
}

void TestTagoraInfo::readsEncodingsAndNonStringValues()
{
    PdfMaker maker;
    maker.infoBody =
        "<< /Doc (\\205 \\240 caf\\351) /Be <FEFF0041D83DDE00> /U8 (\357\273\277\303\234ber)"
        " /My#20Key#23 (v) /Caf#C3#A9 (x) /N 12 /R -3.5 /B false /Nm /Some#20Name"
        " /D << /K (v) >> /Ref 6 0 R /Gone null /Dangling 99 0 R >>";
    const QString path = make(QStringLiteral("values.pdf"), maker);
    const Entries expected{
        {"Doc", "– € café"},
        {"Be", "A😀"},
        {"U8", "Über"},
        {"My Key#", "v"},
        {"Café", "x"},
        {"N", "12"},
        {"R", "-3.5"},
        {"B", "false"},
        {"Nm", "Some Name"},
        {"D", "<< /K (v) >>"},
        {"Ref", "Referenced value"},
    };
    QCOMPARE(readEntries(path), expected);

    // Writing another entry keeps the values that are not texts as they were.
    TagoraInfo writer;
    writer.WriteInfoEntry(path, QStringLiteral("Title"), QStringLiteral("T"));
    QCOMPARE(readEntries(path), (expected + Entries{{"Title", "T"}}));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
}

void TestTagoraInfo::writesTextsThatReadersShowExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QStringLiteral("A (parenthesised) \\ title");
    QTest::newRow("pdfdoc") << QStringLiteral("Émile – 50 € œuvre");
    QTest::newRow("greek") << QStringLiteral("Ελληνικά κείμενα");
    QTest::newRow("cjk") << QStringLiteral("日本語のタイトル");
    QTest::newRow("emoji") << QStringLiteral("Smile 😀");
    QTest::newRow("mark-lookalike") << QStringLiteral("þÿ starts like a mark");
}

void TestTagoraInfo::writesTextsThatReadersShowExactly()
{
    QFETCH(QString, text);
    for (const auto xref : {PdfMaker::Xref::Table, PdfMaker::Xref::Stream}) {
        PdfMaker maker;
        maker.xref = xref;
        const QString path = make(QStringLiteral("text.pdf"), maker);
        TagoraInfo info;
        info.WriteInfoEntry(path, QStringLiteral("Title"), text);
        info.WriteInfoEntry(path, QStringLiteral("Custom field"), text);
        QCOMPARE(Oracle::qpdfProblems(path), QString());
        const QMap<QString, QString> shown = Oracle::pdfinfoEntries(path);
        QCOMPARE(shown.value("Title"), text);
        QCOMPARE(shown.value("Custom field"), text);
        QCOMPARE(shown.value("Author"), QStringLiteral("An author"));
        QCOMPARE(readEntries(path).constFirst().second, text);
    }
}

void TestTagoraInfo::writesNamesThatReadBackIdentical()
{
    const QStringList names{"With space", "Hash#sign", "(x)/[y]<z>{w}%", "Café", "名前", ""};
    const QString path = make(QStringLiteral("names.pdf"));
    TagoraInfo info;
    for (const QString &name : names)
        info.WriteInfoEntry(path, name, QStringLiteral("value of ") + name);
    QCOMPARE(Oracle::qpdfProblems(path), QString());

    Entries expected{{"Title", "A title"}, {"Author", "An author"}};
    for (const QString &name : names)
        expected.append({name, QStringLiteral("value of ") + name});
    QCOMPARE(readEntries(path), expected);
    QStringList sorted = QStringList{"Title", "Author"} + names;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    QCOMPARE(Oracle::qpdfKeys(path), sorted);

    // Removing by the name as read finds it again.
    TagoraInfo remover;
    remover.ReadInfo(path);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(remover.RemoveInfoEntry(path, remover.InfoName(i + 2)), 1);
    QCOMPARE(remover.RemoveInfoEntry(path, QStringLiteral("café")), 0);
    QCOMPARE(readEntries(path).size(), 2);
}

void TestTagoraInfo::oneObjectAppendsExactlyOneRevision_data()
{
    QTest::addColumn<int>("xref");
    QTest::newRow("classic table") << int(PdfMaker::Xref::Table);
    QTest::newRow("cross-reference stream") << int(PdfMaker::Xref::Stream);
}

void TestTagoraInfo::oneObjectAppendsExactlyOneRevision()
{
    QFETCH(int, xref);
    PdfMaker maker;
    maker.xref = PdfMaker::Xref(xref);
    maker.infoBody = "<< /Title (Old) /Custom (c) /Creator (Maker) >>";
    const QString path = make(QStringLiteral("revision.pdf"), maker);
    const QByteArray original = Oracle::contents(path);

    const Entries custom{{"Second", "2"}, {"First", "1 – ✓"}};
    saveLikeTheFieldSet(path, custom);

    const QByteArray result = Oracle::contents(path);
    QVERIFY(result.startsWith(original));
    const QByteArray appended = result.mid(original.size());
    QCOMPARE(appended.count("%%EOF"), 1);
    QCOMPARE(appended.count(" obj"), xref == int(PdfMaker::Xref::Table) ? 1 : 2);
    QCOMPARE(appended.contains("\nxref\n"), xref == int(PdfMaker::Xref::Table));
    QCOMPARE(appended.contains("/Type /XRef"), xref == int(PdfMaker::Xref::Stream));
    QVERIFY(appended.contains("/Prev " + QByteArray::number(Oracle::lastStartxref(original))));
    QCOMPARE(Oracle::qpdfProblems(path), QString());

    const Entries entries = readEntries(path);
    QStringList names;
    for (const auto &entry : entries)
        names << entry.first;
    QCOMPARE(names,
             (QStringList{"Title", "Author", "Keywords", "Creator", "ModDate", "Second", "First"}));
    const QMap<QString, QString> shown = Oracle::pdfinfoEntries(path);
    QCOMPARE(shown.value("Author"), QStringLiteral("Ünïcode author"));
    QCOMPARE(shown.value("First"), QStringLiteral("1 – ✓"));
    QVERIFY(!shown.contains("Custom"));
}

void TestTagoraInfo::anotherObjectAppendsAfterEarlierRevisions()
{
    const QString path = make(QStringLiteral("two-saves.pdf"));
    saveLikeTheFieldSet(path, {{"Round", "one"}});
    const QByteArray afterFirst = Oracle::contents(path);

    saveLikeTheFieldSet(path, {{"Round", "two"}});
    const QByteArray afterSecond = Oracle::contents(path);
    QVERIFY(afterSecond.startsWith(afterFirst));
    QCOMPARE(afterSecond.mid(afterFirst.size()).count("%%EOF"), 1);
    QVERIFY(afterSecond.contains("/Prev " + QByteArray::number(Oracle::lastStartxref(afterFirst))));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    QCOMPARE(Oracle::pdfinfoEntries(path).value("Round"), QStringLiteral("two"));
}

void TestTagoraInfo::keepsProvenanceAndStampsModDate()
{
    PdfMaker maker;
    maker.infoBody = "<< /Title (T) /Subject (S) /Creator (Writer 1.0) /Producer (Press 2.0)"
                     " /CreationDate (D:19991231235959+01'00') /ModDate (D:20000101000000Z) >>";
    const QString path = make(QStringLiteral("provenance.pdf"), maker);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    saveLikeTheFieldSet(path, {});

    const QMap<QString, QString> shown = Oracle::pdfinfoEntries(path);
    QCOMPARE(shown.value("Creator"), QStringLiteral("Writer 1.0"));
    QCOMPARE(shown.value("Producer"), QStringLiteral("Press 2.0"));
    QCOMPARE(shown.value("CreationDate"), QStringLiteral("D:19991231235959+01'00'"));
    QVERIFY(!shown.contains("Subject"));
    const QRegularExpressionMatch date =
        QRegularExpression(QStringLiteral(R"(^D:(\d{14})([+-])(\d\d)'(\d\d)'$)"))
            .match(shown.value("ModDate"));
    QVERIFY2(date.hasMatch(), qPrintable(shown.value("ModDate")));
    const int offset = (date.captured(3).toInt() * 60 + date.captured(4).toInt()) * 60 *
                       (date.captured(2) == "-" ? -1 : 1);
    QDateTime moment = QDateTime::fromString(date.captured(1), QStringLiteral("yyyyMMddHHmmss"));
    moment.setTimeZone(QTimeZone(offset));
    QVERIFY(moment >= before && moment <= QDateTime::currentDateTime().addSecs(1));

    // Given texts replace the creator and producer; an object that never read the file
    // keeps the creation date it found when it first wrote.
    TagoraInfo info;
    info.RemoveInfoEntry(path, QStringLiteral("CreationDate"));
    info.WriteStandardInfo(path, "T", "", "", "", QStringLiteral("New maker"),
                           QStringLiteral("New press"));
    const QMap<QString, QString> rewritten = Oracle::pdfinfoEntries(path);
    QCOMPARE(rewritten.value("Creator"), QStringLiteral("New maker"));
    QCOMPARE(rewritten.value("Producer"), QStringLiteral("New press"));
    QCOMPARE(rewritten.value("CreationDate"), QStringLiteral("D:19991231235959+01'00'"));
}

void TestTagoraInfo::writesFilesWithoutAnInfoObject_data()
{
    QTest::addColumn<int>("xref");
    QTest::addColumn<int>("where");
    QTest::newRow("missing, table") << int(PdfMaker::Xref::Table) << int(PdfMaker::Info::Missing);
    QTest::newRow("missing, stream") << int(PdfMaker::Xref::Stream) << int(PdfMaker::Info::Missing);
    QTest::newRow("direct, table") << int(PdfMaker::Xref::Table) << int(PdfMaker::Info::Direct);
    QTest::newRow("in object stream")
        << int(PdfMaker::Xref::Stream) << int(PdfMaker::Info::InObjectStream);
}

void TestTagoraInfo::writesFilesWithoutAnInfoObject()
{
    QFETCH(int, xref);
    QFETCH(int, where);
    PdfMaker maker;
    maker.xref = PdfMaker::Xref(xref);
    maker.info = PdfMaker::Info(where);
    const QString path = make(QStringLiteral("no-info-object.pdf"), maker);
    const QByteArray original = Oracle::contents(path);
    const bool had = maker.info != PdfMaker::Info::Missing;
    QCOMPARE(readEntries(path).size(), had ? 2 : 0);

    TagoraInfo info;
    info.WriteInfoEntry(path, QStringLiteral("Added"), QStringLiteral("yes"));
    info.WriteInfoEntry(path, QStringLiteral("Title"), QStringLiteral("Replaced"));
    QVERIFY(Oracle::contents(path).startsWith(original));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    const Entries expected =
        had ? Entries{{"Title", "Replaced"}, {"Author", "An author"}, {"Added", "yes"}}
            : Entries{{"Added", "yes"}, {"Title", "Replaced"}};
    QCOMPARE(readEntries(path), expected);
}

void TestTagoraInfo::rewritesFilesThatCannotTakeARevision_data()
{
    QTest::addColumn<QByteArray>("bytes");
    PdfMaker maker;
    maker.infoBody = "<< /Zeta (z) /Title (T) >>";
    const QByteArray clean = maker.bytes();
    QTest::newRow("garbage after the end") << clean + "garbage\n";
    QByteArray noEnd = clean;
    noEnd.replace(noEnd.lastIndexOf("%%EOF"), 5, "%%EOX");
    QTest::newRow("no end of revision") << noEnd;
    QByteArray wrongStart = clean;
    wrongStart.insert(wrongStart.lastIndexOf("startxref") + 10, '9');
    QTest::newRow("startxref beyond the end (repaired)") << wrongStart;
    // The Info object's entry points three bytes into the object.
    const QByteArray entry = QByteArray::number(clean.indexOf("5 0 obj")).rightJustified(10, '0');
    const QByteArray moved =
        QByteArray::number(clean.indexOf("5 0 obj") + 3).rightJustified(10, '0');
    QByteArray wrongOffset = clean;
    wrongOffset.replace(wrongOffset.lastIndexOf(entry + " 00000 n"), 10, moved);
    QTest::newRow("Info object misplaced (repaired)") << wrongOffset;
}

void TestTagoraInfo::rewritesFilesThatCannotTakeARevision()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("damaged.pdf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();

    TagoraInfo info;
    info.WriteInfoEntry(path, QStringLiteral("Added"), QStringLiteral("first"));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    const QByteArray rewritten = Oracle::contents(path);
    QVERIFY(!rewritten.startsWith(bytes));
    // The file is clean now: further jobs of the object append one revision to it.
    info.WriteInfoEntry(path, QStringLiteral("Added"), QStringLiteral("second"));
    info.WriteInfoEntry(path, QStringLiteral("More"), QStringLiteral("third"));
    const QByteArray result = Oracle::contents(path);
    QVERIFY(result.startsWith(rewritten));
    QCOMPARE(result.mid(rewritten.size()).count("%%EOF"), 1);
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    QCOMPARE(readEntries(path),
             (Entries{{"Zeta", "z"}, {"Title", "T"}, {"Added", "second"}, {"More", "third"}}));
}

void TestTagoraInfo::keepsEncryptionAndPermissions_data()
{
    QTest::addColumn<bool>("aes256");
    QTest::newRow("AES-128") << false;
    QTest::newRow("AES-256") << true;
}

void TestTagoraInfo::keepsEncryptionAndPermissions()
{
    QFETCH(bool, aes256);
    QDir(m_dir.path()).mkdir(QTest::currentDataTag());
    const QDir folder(m_dir.filePath(QTest::currentDataTag()));
    const QString plain = folder.filePath(QStringLiteral("plain.pdf"));
    QVERIFY(PdfMaker().write(plain));
    const QString path = folder.filePath(QStringLiteral("encrypted.pdf"));
    QVERIFY(PdfMaker::encrypt(plain, path, "", "owner", true, aes256));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);

    TagoraInfo info;
    saveLikeTheFieldSet(info, path, {{"Zed", "ζ"}, {"Alpha", "α"}});
    QVERIFY(Oracle::pdfinfoEncrypted(path));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    const QMap<QString, QString> shown = Oracle::pdfinfoEntries(path);
    QCOMPARE(shown.value("Author"), QStringLiteral("Ünïcode author"));
    QCOMPARE(shown.value("Zed"), QStringLiteral("ζ"));
    // qpdf's writer sorts the keys; the object that wrote them reads its own order.
    QCOMPARE(info.ReadInfo(path), 6);
    QCOMPARE(info.InfoName(4), QStringLiteral("Zed"));
    QCOMPARE(info.InfoName(5), QStringLiteral("Alpha"));
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    // Nothing left behind in the folder.
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestTagoraInfo::writesTheTargetOfASymbolicLink_data()
{
    QTest::addColumn<bool>("encrypted");
    QTest::newRow("appended revision") << false;
    QTest::newRow("whole file written") << true;
}

void TestTagoraInfo::writesTheTargetOfASymbolicLink()
{
    QFETCH(bool, encrypted);
    QDir(m_dir.path()).mkdir(QStringLiteral("books"));
    const QString target = m_dir.filePath(QStringLiteral("books/target.pdf"));
    QFile::remove(target);
    const QString plain = make(QStringLiteral("books/plain.pdf"));
    QVERIFY(encrypted ? PdfMaker::encrypt(plain, target, "", "o", true, true)
                      : QFile::copy(plain, target));
    const QString link = m_dir.filePath(QStringLiteral("link.pdf"));
    QFile::remove(link);
    QVERIFY(QFile::link(QStringLiteral("books/target.pdf"), link));

    TagoraInfo info;
    info.WriteInfoEntry(link, QStringLiteral("Via"), QStringLiteral("link"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), QFileInfo(target).absoluteFilePath());
    QCOMPARE(Oracle::pdfinfoEntries(target).value("Via"), QStringLiteral("link"));
    info.WriteInfoEntry(link, QStringLiteral("Via"), QStringLiteral("link again"));
    QCOMPARE(Oracle::pdfinfoEntries(target).value("Via"), QStringLiteral("link again"));
}

void TestTagoraInfo::reportsAfterLettingGoOfTheFile()
{
    // Handlers yield to the message loop, where the dialog may test the lock.
    const QString path = make(QStringLiteral("report.pdf"));
    TagoraInfo info;
    QStringList seen;
    connect(&info, &TagoraInfo::OnLogMessage, this, [&](const QString &message) {
        seen << (Platform::FileLocked(path) ? "locked: " : "free: ") + message;
    });
    connect(&info, &TagoraInfo::OnJobDone, this, [&](const QString &input, const QString &output) {
        seen << (Platform::FileLocked(path) ? "locked: " : "free: ") + input + " " + output;
    });
    info.WriteInfoEntry(path, QStringLiteral("Title"), QStringLiteral("New"));
    info.WriteInfoEntry(path, QStringLiteral("Title"), QStringLiteral("Newer"));
    QCOMPARE(seen.size(), 4);
    QVERIFY2(seen.filter(QStringLiteral("locked")).isEmpty(), qPrintable(seen.join('\n')));
    QCOMPARE(seen[1], QStringLiteral("free: ") + path + " WriteInfoEntry Title");
}

void TestTagoraInfo::answersLateBoundCalls()
{
    const QString path = make(QStringLiteral("late.pdf"));
    TagoraInfo info;
    QCOMPARE(Automation::call(&info, u"readinfo", {path}).toInt(), 2);
    QCOMPARE(Automation::call(&info, u"InfoValue", {1}).toString(), QStringLiteral("An author"));
    Automation::call(&info, u"WriteStandardInfo", {path, "T", "A", "S", "K", "", ""});
    QCOMPARE(Oracle::pdfinfoEntries(path).value("Keywords"), QStringLiteral("K"));
    try {
        Automation::call(&info, u"InfoName", {2});
        QFAIL("no error outside the loaded entries");
    } catch (const Automation::AutomationError &error) {
        QCOMPARE(error.number(), int(Automation::SubscriptOutOfRange));
    }
}

QTEST_GUILESS_MAIN(TestTagoraInfo)
#include "tst_tagorainfo.moc"

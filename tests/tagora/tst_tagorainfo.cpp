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

#include <fcntl.h>
#include <sys/stat.h>

using Xref = PdfMaker::Xref;
using Where = PdfMaker::Info;

class TestTagoraInfo : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWritesInfoWhereverItLives_data();
    void readsAndWritesInfoWhereverItLives();
    void readsEncodingsAndNonStringValues();
    void writesTextsThatReadersShowExactly_data();
    void writesTextsThatReadersShowExactly();
    void writesNamesThatReadBackIdentical();
    void oneObjectAppendsExactlyOneRevision_data();
    void oneObjectAppendsExactlyOneRevision();
    void anotherObjectAppendsAfterEarlierRevisions();
    void writesAfterWhatAnotherProgramChangedSinceTheRead();
    void keepsProvenanceAndStampsModDate();
    void rewritesFilesThatCannotTakeARevision_data();
    void rewritesFilesThatCannotTakeARevision();
    void keepsEncryptionAndPermissions_data();
    void keepsEncryptionAndPermissions();
    void writesTheTargetOfASymbolicLink_data();
    void writesTheTargetOfASymbolicLink();
    void reportsAfterLettingGoOfTheFile();

private:
    QString make(const QString &name, const PdfMaker &maker = PdfMaker());

    QTemporaryDir m_dir;
};

QString TestTagoraInfo::make(const QString &name, const PdfMaker &maker)
{
    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    if (!maker.write(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The way the field set saves: read, remove every entry, write the standard entries
// with empty creator and producer, then each custom entry.
static void saveLikeTheFieldSet(const QString &path, const Entries &custom,
                                TagoraInfo *object = nullptr)
{
    TagoraInfo own;
    TagoraInfo &info = object ? *object : own;
    const int count = info.ReadInfo(path);
    for (int i = 0; i < count; ++i)
        info.RemoveInfoEntry(path, info.InfoName(i));
    info.WriteStandardInfo(path, "New title", "Ünïcode author", "", "k1, k2", "", "");
    for (const auto &[name, value] : custom)
        info.WriteInfoEntry(path, name, value);
}

void TestTagoraInfo::readsAndWritesInfoWhereverItLives_data()
{
    QTest::addColumn<Xref>("xref");
    QTest::addColumn<Where>("where");
    QTest::newRow("own object, table") << Xref::Table << Where::Indirect;
    QTest::newRow("own object, stream") << Xref::Stream << Where::Indirect;
    QTest::newRow("object stream") << Xref::Stream << Where::InObjectStream;
    QTest::newRow("direct, table") << Xref::Table << Where::Direct;
    QTest::newRow("direct, stream") << Xref::Stream << Where::Direct;
    QTest::newRow("missing, table") << Xref::Table << Where::Missing;
    QTest::newRow("missing, stream") << Xref::Stream << Where::Missing;
}

void TestTagoraInfo::readsAndWritesInfoWhereverItLives()
{
    QFETCH(Xref, xref);
    QFETCH(Where, where);
    PdfMaker maker;
    maker.xref = xref;
    maker.info = where;
    // qpdf alone would answer Alpha, Source, Zeta, source.
    maker.infoBody = "<< /Zeta (z) /source (second) /Source (first) /Alpha [1 /x] >>";
    const QString path = make("where.pdf", maker);
    const QByteArray original = Oracle::contents(path);
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    Entries expected;
    if (where != Where::Missing)
        expected = {
            {"Zeta", "z"}, {"source", "second"}, {"Source", "first"}, {"Alpha", "[ 1 /x ]"}};

    TagoraInfo info;
    EventLog log(info);
    QCOMPARE(info.ReadInfo(path), expected.size());
    QCOMPARE(log.take(), (QStringList{"start", "done"}));
    QCOMPARE(readEntries(path), expected);

    QCOMPARE(info.WriteInfoEntry(path, "Added", "new"), expected.size() + 1);
    QCOMPARE(info.WriteInfoEntry(path, "Zeta", "changed"),
             expected.size() + 1 + (expected.isEmpty() ? 1 : 0));
    QCOMPARE(log.take(), (QStringList{"start", "done", "start", "done"}));
    QVERIFY(Oracle::contents(path).startsWith(original));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    if (expected.isEmpty())
        expected = {{"Added", "new"}, {"Zeta", "changed"}};
    else
        expected = Entries{{"Zeta", "changed"}} + expected.mid(1) + Entries{{"Added", "new"}};
    QCOMPARE(readEntries(path), expected);
}

void TestTagoraInfo::readsEncodingsAndNonStringValues()
{
    PdfMaker maker;
    maker.infoBody =
        "<< /Doc (\\205 \\240 caf\\351) /Be <FEFF0041D83DDE00> /U8 (\357\273\277\303\234ber)"
        " /My#20Key#23 (v) /Caf#C3#A9 (x) /N 12 /R -3.5 /B false /Nm /Some#20Name"
        " /D << /K (v) >> /Ref 6 0 R /Gone null /Dangling 99 0 R /LE <FFFE4100E900>"
        " /Esc <FEFF001B656E001B00480069> /Odd <FEFF004100> /#E9t#E9 (not UTF-8) >>";
    const QString path = make("values.pdf", maker);
    const Entries expected{{"Doc", "– € café"},
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
                           {"LE", "Aé"},
                           {"Esc", "Hi"},
                           {"Odd", "A"},
                           {"été", "not UTF-8"}};
    QCOMPARE(readEntries(path), expected);
    // Writing another entry keeps the values that are not texts as they were.
    TagoraInfo().WriteInfoEntry(path, "Title", "T");
    QCOMPARE(readEntries(path), (expected + Entries{{"Title", "T"}}));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
}

void TestTagoraInfo::writesTextsThatReadersShowExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("utf16");
    QTest::newRow("ascii") << QStringLiteral("A (parenthesised) \\ title") << false;
    QTest::newRow("pdfdoc") << QStringLiteral("Émile – 50 € œuvre") << false;
    QTest::newRow("greek") << QStringLiteral("Ελληνικά κείμενα") << true;
    QTest::newRow("cjk") << QStringLiteral("日本語のタイトル") << true;
    QTest::newRow("emoji") << QStringLiteral("Smile 😀") << true;
    // In PDFDocEncoding these would start with the bytes of a byte order mark.
    QTest::newRow("mark-lookalike") << QStringLiteral("þÿ starts like a mark") << true;
}

void TestTagoraInfo::writesTextsThatReadersShowExactly()
{
    QFETCH(QString, text);
    QFETCH(bool, utf16);
    const QString path = make("text.pdf");
    const qsizetype length = Oracle::contents(path).size();
    TagoraInfo info;
    info.WriteInfoEntry(path, "Title", text);
    info.WriteInfoEntry(path, "Custom field", text);
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    const QMap<QString, QString> shown = Oracle::pdfinfo(path);
    QCOMPARE(shown.value("Title"), text);
    QCOMPARE(shown.value("Custom field"), text);
    QCOMPARE(shown.value("Author"), QStringLiteral("An author"));
    QCOMPARE(readEntries(path).constFirst().second, text);
    // PDFDocEncoding whenever it holds the text.
    QCOMPARE(Oracle::contents(path).mid(length).contains("<FEFF"), utf16);
}

void TestTagoraInfo::writesNamesThatReadBackIdentical()
{
    const QStringList names{"With space", "Hash#sign", "(x)/[y]<z>{w}%", "Café", "名前", ""};
    const QString path = make("names.pdf");
    TagoraInfo info;
    Entries expected{{"Title", "A title"}, {"Author", "An author"}};
    for (const QString &name : names) {
        info.WriteInfoEntry(path, name, "value of " + name);
        expected.append({name, "value of " + name});
    }
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    QCOMPARE(readEntries(path), expected);
    QStringList sorted = QStringList{"Title", "Author"} + names;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    QCOMPARE(Oracle::qpdfKeys(path), sorted);

    // Removing by the name as read finds it again; names are compared exactly.
    TagoraInfo remover;
    remover.ReadInfo(path);
    for (int i = 2; i < expected.size(); ++i)
        QCOMPARE(remover.RemoveInfoEntry(path, remover.InfoName(i)), 1);
    QCOMPARE(remover.RemoveInfoEntry(path, "title"), 0);
    QCOMPARE(readEntries(path).size(), 2);
}

void TestTagoraInfo::oneObjectAppendsExactlyOneRevision_data()
{
    QTest::addColumn<Xref>("xref");
    QTest::newRow("classic table") << Xref::Table;
    QTest::newRow("cross-reference stream") << Xref::Stream;
}

void TestTagoraInfo::oneObjectAppendsExactlyOneRevision()
{
    QFETCH(Xref, xref);
    PdfMaker maker;
    maker.xref = xref;
    maker.infoBody = "<< /Title (Old) /Custom (c) /Creator (Maker) >>";
    maker.contentBytes = 70000; // offsets beyond two bytes
    const QString path = make("revision.pdf", maker);
    const QByteArray original = Oracle::contents(path);
    saveLikeTheFieldSet(path, {{"Second", "2"}, {"First", "1 – ✓"}});

    const QByteArray result = Oracle::contents(path);
    QVERIFY(result.startsWith(original));
    const QByteArray appended = result.mid(original.size());
    QCOMPARE(appended.count("%%EOF"), 1);
    QCOMPARE(appended.count(" obj"), xref == Xref::Table ? 1 : 2);
    QCOMPARE(appended.contains("/Type /XRef"), xref == Xref::Stream);
    if (xref == Xref::Table) {
        // Readers that seek entries by position need each one to be exactly 20 bytes.
        static const QRegularExpression table(
            R"(\nxref\n(\d+ 1\n\d{10} \d{5} n(\r\n| \n| \r))+trailer\n)");
        QVERIFY(table.match(QString::fromLatin1(appended)).hasMatch());
    }
    QVERIFY(appended.contains("/Prev " + QByteArray::number(Oracle::lastStartxref(original))));
    QCOMPARE(Oracle::qpdfProblems(path), QString());

    QStringList names;
    for (const auto &entry : readEntries(path))
        names << entry.first;
    QCOMPARE(names,
             (QStringList{"Title", "Author", "Keywords", "Creator", "ModDate", "Second", "First"}));
    const QMap<QString, QString> shown = Oracle::pdfinfo(path);
    QCOMPARE(shown.value("Author"), QStringLiteral("Ünïcode author"));
    QCOMPARE(shown.value("First"), QStringLiteral("1 – ✓"));
}

void TestTagoraInfo::anotherObjectAppendsAfterEarlierRevisions()
{
    const QString path = make("two-saves.pdf");
    saveLikeTheFieldSet(path, {{"Round", "one"}});
    const QByteArray afterFirst = Oracle::contents(path);
    saveLikeTheFieldSet(path, {{"Round", "two"}});
    const QByteArray afterSecond = Oracle::contents(path);
    QVERIFY(afterSecond.startsWith(afterFirst));
    QCOMPARE(afterSecond.mid(afterFirst.size()).count("%%EOF"), 1);
    QVERIFY(afterSecond.contains("/Prev " + QByteArray::number(Oracle::lastStartxref(afterFirst))));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    QCOMPARE(Oracle::pdfinfo(path).value("Round"), QStringLiteral("two"));
}

// A write after a read uses what the read found only while the file is the one read:
// a change by another program, even one that keeps the size and the modification
// time, makes the write read the file again and keep that change.
void TestTagoraInfo::writesAfterWhatAnotherProgramChangedSinceTheRead()
{
    const QString path = make("changed-after-read.pdf");
    saveLikeTheFieldSet(path, {{"Round", "one"}});

    TagoraInfo reader;
    reader.ReadInfo(path);
    saveLikeTheFieldSet(path, {{"Other", "theirs"}}); // a longer file now
    reader.WriteInfoEntry(path, "Mine", "ours");
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    QCOMPARE(Oracle::pdfinfo(path).value("Other"), QStringLiteral("theirs"));
    QCOMPARE(Oracle::pdfinfo(path).value("Mine"), QStringLiteral("ours"));

    TagoraInfo second;
    second.ReadInfo(path);
    struct stat before = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    QByteArray bytes = Oracle::contents(path);
    const qsizetype at = bytes.lastIndexOf("(ours)");
    QVERIFY(at > 0);
    bytes.replace(at, 6, "(same)");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    const timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);

    second.WriteInfoEntry(path, "Later", "entry");
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    QCOMPARE(Oracle::pdfinfo(path).value("Mine"), QStringLiteral("same"));
    QCOMPARE(Oracle::pdfinfo(path).value("Later"), QStringLiteral("entry"));
}

void TestTagoraInfo::keepsProvenanceAndStampsModDate()
{
    PdfMaker maker;
    maker.infoBody = "<< /Title (T) /Subject (S) /Creator (Writer 1.0) /Producer (Press 2.0)"
                     " /CreationDate (D:19991231235959+01'00') /ModDate (D:20000101000000Z) >>";
    const QString path = make("provenance.pdf", maker);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    saveLikeTheFieldSet(path, {});

    const QMap<QString, QString> shown = Oracle::pdfinfo(path);
    QCOMPARE(shown.value("Creator"), QStringLiteral("Writer 1.0"));
    QCOMPARE(shown.value("Producer"), QStringLiteral("Press 2.0"));
    QCOMPARE(shown.value("CreationDate"), QStringLiteral("D:19991231235959+01'00'"));
    QVERIFY(!shown.contains("Subject"));
    const QRegularExpressionMatch date =
        QRegularExpression(R"(^D:(\d{14})([+-]\d\d)'(\d\d)'$)").match(shown.value("ModDate"));
    QVERIFY2(date.hasMatch(), qPrintable(shown.value("ModDate")));
    QDateTime moment = QDateTime::fromString(date.captured(1), "yyyyMMddHHmmss");
    const int hours = date.captured(2).toInt();
    moment.setTimeZone(
        QTimeZone((hours * 60 + (hours < 0 ? -1 : 1) * date.captured(3).toInt()) * 60));
    QVERIFY(moment >= before && moment <= QDateTime::currentDateTime().addSecs(1));

    // Given texts replace creator and producer; an object that never read the file keeps
    // the creation date it found when it first wrote.
    TagoraInfo info;
    info.RemoveInfoEntry(path, "CreationDate");
    info.WriteStandardInfo(path, "T", "", "", "", "New maker", "New press");
    const QMap<QString, QString> rewritten = Oracle::pdfinfo(path);
    QCOMPARE(rewritten.value("Creator"), QStringLiteral("New maker"));
    QCOMPARE(rewritten.value("Producer"), QStringLiteral("New press"));
    QCOMPARE(rewritten.value("CreationDate"), QStringLiteral("D:19991231235959+01'00'"));
}

void TestTagoraInfo::rewritesFilesThatCannotTakeARevision_data()
{
    QTest::addColumn<QByteArray>("bytes");
    PdfMaker maker;
    maker.infoBody = "<< /Zeta (z) /Title (T) >>";
    const QByteArray clean = maker.bytes();
    QTest::newRow("garbage after the end") << clean + "garbage\n";
    QByteArray broken = clean;
    QTest::newRow("no end of revision") << broken.replace(broken.lastIndexOf("%%EOF"), 5, "%%EOX");
    broken = clean;
    QTest::newRow("startxref beyond the end")
        << broken.insert(broken.lastIndexOf("startxref") + 10, '9');
    // The Info object's entry points three bytes into the object: qpdf repairs the file.
    const qsizetype info = clean.indexOf("5 0 obj");
    broken = clean;
    broken.replace(
        broken.lastIndexOf(QByteArray::number(info).rightJustified(10, '0') + " 00000 n"), 10,
        QByteArray::number(info + 3).rightJustified(10, '0'));
    QTest::newRow("Info object misplaced") << broken;
}

void TestTagoraInfo::rewritesFilesThatCannotTakeARevision()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath("damaged.pdf");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
            file.write(bytes) == bytes.size());
    file.close();

    TagoraInfo info;
    info.WriteInfoEntry(path, "Added", "first");
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    const QByteArray rewritten = Oracle::contents(path);
    QVERIFY(!rewritten.startsWith(bytes));
    // The file is clean now: further jobs of the object append one revision to it.
    info.WriteInfoEntry(path, "Added", "second");
    info.WriteInfoEntry(path, "More", "third");
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
    QVERIFY(QDir(m_dir.path()).mkpath(QTest::currentDataTag()));
    const QDir folder(m_dir.filePath(QTest::currentDataTag()));
    const QString plain = folder.filePath("plain.pdf");
    const QString path = folder.filePath("encrypted.pdf");
    QVERIFY(PdfMaker().write(plain) && PdfMaker::encrypt(plain, path, "", "owner", true, aes256));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);

    TagoraInfo info;
    saveLikeTheFieldSet(path, {{"Zed", "ζ"}, {"Alpha", "α"}}, &info);
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    const QMap<QString, QString> shown = Oracle::pdfinfo(path);
    QVERIFY(Oracle::pdfinfoEncrypted(path));
    QCOMPARE(shown.value("Author"), QStringLiteral("Ünïcode author"));
    QCOMPARE(shown.value("Zed"), QStringLiteral("ζ"));
    // qpdf's writer sorts the keys; the object that wrote them reads its own order.
    QCOMPARE(info.ReadInfo(path), 6);
    QCOMPARE(info.InfoName(4) + info.InfoName(5), QStringLiteral("ZedAlpha"));
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden).size(), 2); // nothing left behind
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
    QVERIFY(QDir(m_dir.path()).mkpath("books"));
    const QString target = m_dir.filePath("books/target.pdf");
    const QString link = m_dir.filePath("link.pdf");
    QFile::remove(target), QFile::remove(link);
    const QString plain = make("books/plain.pdf");
    QVERIFY(encrypted ? PdfMaker::encrypt(plain, target, "", "o", true, true)
                      : QFile::copy(plain, target));
    QVERIFY(QFile::link("books/target.pdf", link));

    TagoraInfo info;
    for (const QString value : {"link", "link again"}) {
        info.WriteInfoEntry(link, "Via", value);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(), QFileInfo(target).absoluteFilePath());
        QCOMPARE(Oracle::pdfinfo(target).value("Via"), value);
    }
}

void TestTagoraInfo::reportsAfterLettingGoOfTheFile()
{
    // Handlers yield to the message loop, where the dialog may test the lock.
    const QString path = make("report.pdf");
    TagoraInfo info;
    QStringList seen;
    auto note = [&](const QString &what) {
        seen << (Platform::FileLocked(path) ? "locked: " : "free: ") + what;
    };
    connect(&info, &TagoraInfo::OnLogMessage, this, note);
    connect(&info, &TagoraInfo::OnJobDone, this,
            [&](const QString &input, const QString &output) { note(input + " " + output); });
    // Late-bound, as a host reaches it.
    Automation::call(&info, u"writeinfoentry", {path, "Title", "New"});
    Automation::call(&info, u"WriteInfoEntry", {path, "Title", "Newer"});
    QCOMPARE(seen.size(), 4);
    QVERIFY2(seen.filter("locked").isEmpty(), qPrintable(seen.join('\n')));
    QCOMPARE(seen[1], "free: " + path + " WriteInfoEntry Title");
    QCOMPARE(Automation::call(&info, u"ReadInfo", {path}).toInt(), 2);
    QCOMPARE(Automation::call(&info, u"InfoValue", {0}).toString(), QStringLiteral("Newer"));
    QVERIFY_THROWS_EXCEPTION(Automation::AutomationError,
                             Automation::call(&info, u"InfoName", {2}));
}

QTEST_GUILESS_MAIN(TestTagoraInfo)
#include "tst_tagorainfo.moc"

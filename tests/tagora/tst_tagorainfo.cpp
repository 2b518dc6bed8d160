// SPDX-License-Identifier: Apache-2.0
// The PDF information library on real files: what it reads, what it writes, and what
// independent readers (qpdf, pdfinfo) find in the files afterwards.
#include "PdfMaker.h"
#include "TagoraTest.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>

using namespace Tagora;

using Xref = PdfMaker::Xref;
using Where = PdfMaker::Info;

namespace {

// An XMP packet as PDF/A files carry it: identification, dates, tools, a property of a
// namespace of its own, and the equivalents of four Info entries.
const QByteArray PdfAPacket =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
    "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" "
    "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\" "
    "xmlns:pdfx=\"http://ns.adobe.com/pdfx/1.3/\" xmlns:c=\"http://example.com/c/\" "
    "pdfaid:part=\"2\" pdfaid:conformance=\"B\" xmp:CreateDate=\"2020-01-02T03:04:05Z\" "
    "xmp:CreatorTool=\"Writer\" pdf:Producer=\"Prod\" pdf:Keywords=\"old, words\" "
    "pdfx:Edition=\"1\" c:Thing=\"kept\"><dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Old"
    "</rdf:li></rdf:Alt></dc:title><dc:creator><rdf:Seq><rdf:li>Old author</rdf:li></rdf:Seq>"
    "</dc:creator><dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">Sujet \xC3\xA9"
    "</rdf:li></rdf:Alt></dc:description></rdf:Description></rdf:RDF></x:xmpmeta>" +
    QByteArray(1000, ' ') + "<?xpacket end=\"w\"?>";

} // namespace

class TestTagoraInfo : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWritesInfoWhereverItLives_data()
    {
        QTest::addColumn<Xref>("xref");
        QTest::addColumn<Where>("where");
        QTest::newRow("own object, table") << Xref::Table << Where::Indirect;
        QTest::newRow("own object, stream") << Xref::Stream << Where::Indirect;
        QTest::newRow("object stream") << Xref::Stream << Where::InObjectStream;
        QTest::newRow("direct, table") << Xref::Table << Where::Direct;
        QTest::newRow("direct, stream") << Xref::Stream << Where::Direct;
        QTest::newRow("missing, table") << Xref::Table << Where::Missing;
    }

    void readsAndWritesInfoWhereverItLives()
    {
        QFETCH(Xref, xref);
        QFETCH(Where, where);
        PdfMaker maker;
        maker.xref = xref;
        maker.info = where;
        // qpdf alone would answer Alpha, Source, Zeta, source.
        maker.infoBody = "<< /Zeta (z) /source (second) /Source (first) /Alpha [1 /x] >>";
        const QString path = make("where.pdf", maker.bytes());
        const QByteArray original = Support::bytes(path);
        Entries expected;
        if (where != Where::Missing)
            expected = {
                {"Zeta", "z"}, {"source", "second"}, {"Source", "first"}, {"Alpha", "[ 1 /x ]"}};

        // One save: the first change locks the file, nothing reaches it before the
        // commit, a read meanwhile answers with the pending entries.
        TagoraInfo info;
        const EventLog notes(info, path);
        QCOMPARE(info.ReadInfo(u(path)), expected.size());
        // An entry it holds keeps its place; a new one goes last.
        QCOMPARE(info.WriteInfoEntry(u(path), u"Added", u"new"), expected.size() + 1);
        const Entries before = expected;
        if (expected.isEmpty())
            expected = {{"Added", "new"}, {"Zeta", "changed"}};
        else
            expected = Entries{{"Zeta", "changed"}} + expected.mid(1) + Entries{{"Added", "new"}};
        QCOMPARE(info.WriteInfoEntry(u(path), u"Zeta", u"changed"), expected.size());
        QCOMPARE(notes.events,
                 (QStringList{"start", "done " + path + " ReadInfo", "start",
                              "locked done " + path + " WriteInfoEntry Added", "locked start",
                              "locked done " + path + " WriteInfoEntry Zeta"}));
        QCOMPARE(Support::bytes(path), original);
        QCOMPARE(readEntries(path), before);
        QCOMPARE(info.ReadInfo(u(path)), expected.size());
        QCOMPARE(q(info.InfoValue(0)), expected.first().second);
        info.Commit();
        QVERIFY(!lockedForSaves(path));
        QCOMPARE(Oracle::appendedRevisionProblems(original, path), QString());
        QCOMPARE(readEntries(path).mid(0, expected.size()), expected);
    }

    void readsEncodingsAndNonStringValues()
    {
        PdfMaker maker;
        maker.infoBody =
            "<< /Doc (\\205 \\240 caf\\351) /Be <FEFF0041D83DDE00> /U8 (\357\273\277\303\234ber)"
            " /My#20Key#23 (v) /Caf#C3#A9 (x) /N 12 /R -3.5 /B false /Nm /Some#20Name"
            " /D << /K (v) >> /Ref 6 0 R /Gone null /Dangling 99 0 R /LE <FFFE4100E900>"
            " /Esc <FEFF001B656E001B00480069> /Odd <FEFF004100> /#E9t#E9 (not UTF-8) >>";
        const QString path = make("values.pdf", maker.bytes());
        const QStringList expected =
            QStringLiteral("Doc=– € café|Be=A😀|U8=Über|My Key#=v|Café=x|N=12|R=-3.5|B=false|"
                           "Nm=Some Name|D=<< /K (v) >>|Ref=Referenced value|LE=Aé|Esc=Hi|Odd=A|"
                           "été=not UTF-8")
                .split(u'|');
        QCOMPARE(lines(readEntries(path)), expected);
        // Writing another entry keeps the values that are not texts as they were.
        TagoraInfo().WriteInfoEntry(u(path), u"Title", u"T");
        QCOMPARE(lines(readEntries(path)), expected + QStringList{"Title=T"});
        QCOMPARE(Oracle::qpdfProblems(path), QString());
    }

    void writesTextsAndNamesThatReadersShowExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("utf16");
        QTest::newRow("ascii") << QStringLiteral("A (parenthesised) \\ title") << false;
        QTest::newRow("pdfdoc") << QStringLiteral("Émile – 50 € œuvre") << false;
        QTest::newRow("cjk") << QStringLiteral("日本語のタイトル") << true;
        QTest::newRow("emoji") << QStringLiteral("Smile 😀") << true;
        // In PDFDocEncoding these would start with the bytes of a byte order mark.
        QTest::newRow("mark-lookalike") << QStringLiteral("þÿ starts like a mark") << true;
        QTest::newRow("name delimiters") << QStringLiteral("Hash#sign(x)/[y]<z>{w}%") << false;
        QTest::newRow("empty") << QString() << false;
    }

    void writesTextsAndNamesThatReadersShowExactly()
    {
        // The text as the Title, and as the name and the value of a custom entry.
        QFETCH(QString, text);
        QFETCH(bool, utf16);
        const QString path = make("text.pdf");
        const qsizetype length = Support::bytes(path).size();
        TagoraInfo info;
        info.WriteInfoEntry(u(path), u"Title", u(text));
        info.WriteInfoEntry(u(path), u(text), u(text));
        info.Commit();
        QCOMPARE(Oracle::qpdfProblems(path), QString());
        QCOMPARE(readEntries(path),
                 (Entries{{"Title", text}, {"Author", "An author"}, {text, text}}));
        const QMap<QString, QString> shown = TestPdf::pdfinfo(path);
        QCOMPARE(shown.value("Title"), text);
        QCOMPARE(shown.value(text), text);
        QStringList names{"Title", "Author", text};
        std::sort(names.begin(), names.end(),
                  [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
        QCOMPARE(Oracle::qpdfKeys(path), names);
        // PDFDocEncoding whenever it holds the text.
        QCOMPARE(Support::bytes(path).mid(length).contains("<FEFF"), utf16);

        // Removing by the name as read finds it again; names are compared exactly.
        QCOMPARE(info.ReadInfo(u(path)), 3);
        QCOMPARE(info.RemoveInfoEntry(u(path), u"title"), 0);
        QCOMPARE(info.RemoveInfoEntry(u(path), info.InfoName(2)), 1);
        info.Commit();
        QCOMPARE(readEntries(path).mid(0, 2), (Entries{{"Title", text}, {"Author", "An author"}}));
    }

    void aSaveIsOneRevision_data()
    {
        QTest::addColumn<Xref>("xref");
        QTest::newRow("classic table") << Xref::Table;
        QTest::newRow("cross-reference stream") << Xref::Stream;
    }

    void aSaveIsOneRevision()
    {
        // A save appends one revision, which keeps the provenance, stamps ModDate and
        // writes back what it read as it was (a name stays a name); another object's save
        // appends its own after it.
        QFETCH(Xref, xref);
        PdfMaker maker;
        maker.xref = xref;
        maker.infoBody = "<< /Title (T) /Subject (S) /Creator (Writer 1.0) /Producer (Press 2.0)"
                         " /CreationDate (D:19991231235959+01'00') /ModDate (D:20000101000000Z)"
                         " /Trapped /True /N 42 /Hex <466972737420312E30> >>";
        maker.contentBytes = 70000; // offsets beyond two bytes
        const QString path = make("revision.pdf", maker.bytes());
        const QByteArray original = Support::bytes(path);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        TagoraInfo first;
        saveLikeTheFieldSet(first, path,
                            {{"Trapped", "True"}, {"N", "42"}, {"Hex", "First 1.0"}, {"New", "2"}});
        QCOMPARE(Oracle::appendedRevisionProblems(original, path), QString());

        const QByteArray updated = Support::bytes(path);
        const QByteArray appended = updated.mid(original.size());
        QCOMPARE(appended.count(" obj"), xref == Xref::Table ? 1 : 2);
        QCOMPARE(appended.contains("/Type /XRef"), xref == Xref::Stream);
        QVERIFY2(appended.contains("/Trapped /True /N 42 /Hex <466972737420312E30> /New (2)"),
                 appended.constData());
        // Readers that seek entries by position need each one to be exactly 20 bytes.
        static const QRegularExpression table(
            R"(\nxref\n(\d+ 1\n\d{10} \d{5} n(\r\n| \n| \r))+trailer\n)");
        QCOMPARE(table.match(QString::fromLatin1(appended)).hasMatch(), xref == Xref::Table);
        QStringList names;
        for (const auto &entry : readEntries(path))
            names << entry.first;
        QCOMPARE(names, (QStringList{"Title", "Author", "Keywords", "Creator", "Producer",
                                     "CreationDate", "ModDate", "Trapped", "N", "Hex", "New"}));
        const QMap<QString, QString> shown = TestPdf::pdfinfo(path);
        QCOMPARE(shown.value("Author"), QStringLiteral("Ünïcode author"));
        QCOMPARE(shown.value("Creator") + shown.value("Producer"),
                 QStringLiteral("Writer 1.0Press 2.0"));
        QCOMPARE(shown.value("CreationDate"), QStringLiteral("D:19991231235959+01'00'"));
        const QRegularExpressionMatch date =
            QRegularExpression(R"(^D:(\d{14})([+-])(\d\d)'(\d\d)'$)").match(shown.value("ModDate"));
        QVERIFY2(date.hasMatch(), qPrintable(shown.value("ModDate")));
        QDateTime moment = QDateTime::fromString(date.captured(1), "yyyyMMddHHmmss");
        const int offset = date.captured(3).toInt() * 3600 + date.captured(4).toInt() * 60;
        moment.setTimeZone(QTimeZone(date.captured(2) == "-" ? -offset : offset));
        QVERIFY(moment >= before && moment <= QDateTime::currentDateTime().addSecs(1));

        // Given texts replace creator and producer; the creation date the save began
        // with comes back.
        TagoraInfo second;
        second.RemoveInfoEntry(u(path), u"CreationDate");
        second.WriteStandardInfo(u(path), u"T", u"", u"", u"", u"New maker", u"New press");
        second.Commit();
        QCOMPARE(Oracle::appendedRevisionProblems(updated, path), QString());
        const QMap<QString, QString> rewritten = TestPdf::pdfinfo(path);
        QCOMPARE(rewritten.value("Creator") + rewritten.value("Producer"),
                 QStringLiteral("New makerNew press"));
        QCOMPARE(rewritten.value("CreationDate"), QStringLiteral("D:19991231235959+01'00'"));
        // A save that changes nothing writes nothing.
        const QByteArray last = Support::bytes(path);
        TagoraInfo idle;
        idle.WriteInfoEntry(u(path), u"N", u"42");
        idle.RemoveInfoEntry(u(path), u"Absent");
        idle.Commit();
        QCOMPARE(Support::bytes(path), last);
    }

    void neverOverwritesTheDocumentWithItsInfo_data()
    {
        // A damaged file's /Info pointing at another part of the document.
        QTest::addColumn<QByteArray>("info");
        QTest::newRow("the catalog") << QByteArray("1 0 R");
        QTest::newRow("the page tree") << QByteArray("2 0 R");
        QTest::newRow("a page") << QByteArray("3 0 R");
        QTest::newRow("a string") << QByteArray("6 0 R");
        QTest::newRow("a number") << QByteArray("42");
    }

    void neverOverwritesTheDocumentWithItsInfo()
    {
        QFETCH(QByteArray, info);
        const QString path = make("pointing.pdf", PdfMaker{.trailerInfo = info}.bytes());
        TagoraInfo writer;
        writer.WriteInfoEntry(u(path), u"Title", u"Mine");
        writer.Commit();
        QCOMPARE(Oracle::qpdfProblems(path), QString());
        const QMap<QString, QString> shown = TestPdf::pdfinfo(path, false);
        QCOMPARE(shown.value("Pages"), QStringLiteral("1"));
        QCOMPARE(shown.value("Title"), QStringLiteral("Mine"));
    }

    void appendsARevisionToEncryptedFiles_data()
    {
        QTest::addColumn<QStringList>("method"); // qpdf --encrypt's arguments after the passwords
        QTest::addColumn<bool>("xrefStream");
        QTest::addColumn<bool>("xmp");
        const std::pair<const char *, QStringList> methods[] = {{"RC4-40", {"40"}},
                                                                {"RC4-128", {"128", "--use-aes=n"}},
                                                                {"AES-128", {"128", "--use-aes=y"}},
                                                                {"AES-256", {"256"}}};
        for (const auto &[name, method] : methods) {
            for (const bool xrefStream : {false, true}) {
                for (const bool xmp : {false, true})
                    QTest::addRow("%s, %s, %s", name, xrefStream ? "xref stream" : "table",
                                  xmp ? "XMP" : "no XMP")
                        << method << xrefStream << xmp;
            }
        }
        QTest::newRow("RC4-128 crypt filter, XMP")
            << QStringList{"128", "--use-aes=n", "--force-V4"} << false << true;
        QTest::newRow("AES-128, XMP in clear")
            << QStringList{"128", "--use-aes=y", "--cleartext-metadata"} << false << true;
    }

    void appendsARevisionToEncryptedFiles()
    {
        // Made by qpdf with an empty user password, saved twice (new values, then the old
        // ones back): each save appends a small revision that every reader decrypts, the
        // encryption and the first /ID stay.
        QFETCH(QStringList, method);
        QFETCH(bool, xrefStream);
        QFETCH(bool, xmp);
        const PdfMaker maker{.infoBody = "<< /Title (Old title) /Edition (1) >>",
                             .metadata = xmp ? PdfAPacket : QByteArray()};
        const QString plain = make("plain.pdf", maker.bytes());
        const QString path = m_dir.filePath("encrypted.pdf");
        QFile::remove(path);
        const Support::Output made = Support::run(
            "qpdf",
            QStringList{"--allow-weak-crypto", "--encrypt", "", "owner"} + method +
                QStringList{"--",
                            xrefStream ? "--object-streams=generate" : "--object-streams=disable",
                            plain, path});
        QVERIFY2(made.exitCode == 0, qPrintable(made.text));
        const QString id = Oracle::otherReaders(path).filter("id=").value(0);
        QVERIFY(id.size() > 3);
        for (const auto &[title, edition] :
             {std::pair{QStringLiteral("Nouveau titre — ✓"), QStringLiteral("2")},
              std::pair{QStringLiteral("Old title"), QStringLiteral("1")}}) {
            const QByteArray before = Support::bytes(path);
            TagoraInfo info;
            info.WriteInfoEntry(u(path), u"Title", u(title));
            info.WriteInfoEntry(u(path), u"Edition", u(edition));
            info.Commit();
            QCOMPARE(Oracle::appendedRevisionProblems(before, path), QString());
            const QByteArray added = Support::bytes(path).mid(before.size());
            QVERIFY2(added.size() < 8192, qPrintable(QString::number(added.size())));
            QCOMPARE(added.contains("/Type /XRef"), xrefStream);
            const QMap<QString, QString> shown = TestPdf::pdfinfo(path);
            QCOMPARE(shown.value("Title"), title);
            QCOMPARE(shown.value("Edition"), edition);
            QVERIFY(TestPdf::pdfinfo(path, false).value("Encrypted").startsWith("yes"));
            const QStringList others = Oracle::otherReaders(path);
            for (const QString &expected :
                 {"mutool:Title=" + title, "Title=" + title, "Edition=" + edition, id,
                  "xmp:title=" + (xmp ? title : "None")})
                QVERIFY2(others.contains(expected), qPrintable(others.join(" | ")));
        }
    }

    void keepsXmpInStepWithInfo_data()
    {
        QTest::addColumn<Xref>("xref");
        QTest::addColumn<bool>("encrypted");
        QTest::newRow("classic table") << Xref::Table << false;
        QTest::newRow("cross-reference stream") << Xref::Stream << false;
        QTest::newRow("AES-128") << Xref::Table << true;
    }

    void keepsXmpInStepWithInfo()
    {
        // After a save every reader agrees: the XMP equivalents of what the save wrote
        // follow Info, in the same one revision; what it did not write stays.
        QFETCH(Xref, xref);
        QFETCH(bool, encrypted);
        const PdfMaker maker{
            .xref = xref, .infoBody = "<< /Title (Old) /Edition (1) >>", .metadata = PdfAPacket};
        QString path = make("pdfa.pdf", maker.bytes());
        if (encrypted) {
            const QString plain = std::exchange(path, m_dir.filePath("pdfa-encrypted.pdf"));
            // AES-128: exiftool takes seconds to open AES-256.
            QVERIFY(PdfMaker::encrypt(plain, path, "", "owner", true, false));
        }
        const QByteArray original = Support::bytes(path);
        TagoraInfo info;
        saveLikeTheFieldSet(info, path, {{"Edition", "2 – ✓"}, {"Other", "o"}});
        QCOMPARE(Oracle::appendedRevisionProblems(original, path), QString());
        const QJsonObject tags = Oracle::exiftool(path);
        const std::pair<const char *, const char *> agree[] = {
            {"XMP-dc:Title", "PDF:Title"},
            {"XMP-dc:Creator", "PDF:Author"},
            {"XMP-pdf:Keywords", "PDF:Keywords"},
            {"XMP-xmp:ModifyDate", "PDF:ModifyDate"},
            {"XMP-xmp:MetadataDate", "PDF:ModifyDate"}};
        // exiftool lists PDF keywords split at commas.
        auto text = [&](const char *tag) {
            return tags[tag].isArray() ? tags[tag].toVariant().toStringList().join(", ")
                                       : tags[tag].toVariant().toString();
        };
        for (const auto &[xmp, pdf] : agree)
            QVERIFY2(text(xmp) == text(pdf) && tags.contains(pdf), xmp);
        QCOMPARE(tags["XMP-dc:Creator"].toString(), QStringLiteral("Ünïcode author"));
        QVERIFY(!tags.contains("XMP-dc:Description")); // the save emptied Subject
        QCOMPARE(tags["XMP-pdfx:Edition"].toString(), QStringLiteral("2 – ✓"));
        QVERIFY(!tags.contains("XMP-pdfx:Other"));
        const std::pair<const char *, QVariant> kept[] = {
            {"XMP-pdfaid:Part", 2},
            {"XMP-pdfaid:Conformance", "B"},
            {"XMP-xmp:CreateDate", "2020:01:02 03:04:05Z"},
            {"XMP-xmp:CreatorTool", "Writer"},
            {"XMP-pdf:Producer", "Prod"},
            {"XMP-c:Thing", "kept"}};
        for (const auto &[tag, value] : kept)
            QCOMPARE(tags[tag].toVariant(), value);
    }

    void xmpWhereInfoSaysNothing_data()
    {
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<QByteArray>("metadata");
        QTest::addColumn<QString>("read");   // the entries read, "name=value" joined by "|"
        QTest::addColumn<QString>("logged"); // empty: no warning of the XMP
        QTest::newRow("PDF 2.0, XMP only")
            << QByteArray() << PdfAPacket
            << "Title=Old|Author=Old author|Subject=Sujet é|Keywords=old, words"
            << "";
        QTest::newRow("both: Info's") << QByteArray("<< /TITLE (Info's) >>") << PdfAPacket
                                      << "TITLE=Info's|Author=Old author|Subject=Sujet é|"
                                         "Keywords=old, words"
                                      << "";
        QTest::newRow("no XMP") << QByteArray("<< /Title (T) >>") << QByteArray() << "Title=T"
                                << "";
        QTest::newRow("broken packet") << QByteArray("<< /Title (T) >>")
                                       << QByteArray("<x:xmpmeta><rdf:RDF xmlns:rdf="
                                                     "\"http://www.w3.org/1999/02/22-"
                                                     "rdf-syntax-ns#\"><unclosed>")
                                       << "Title=T"
                                       << "warning";
    }

    void xmpWhereInfoSaysNothing()
    {
        // Info lacking a field reads XMP's; a save adds no XMP where there is none and
        // leaves a packet it cannot read as it was, and says so.
        QFETCH(QByteArray, info);
        QFETCH(QByteArray, metadata);
        QFETCH(QString, read);
        QFETCH(QString, logged);
        const PdfMaker maker{.info = info.isEmpty() ? Where::Missing : Where::Indirect,
                             .infoBody = info,
                             .metadata = metadata,
                             .version = "2.0"};
        const QString path = make("xmp.pdf", maker.bytes());
        const QByteArray original = Support::bytes(path);
        QCOMPARE(lines(readEntries(path)).join(u'|'), read);
        TagoraInfo writer;
        const EventLog log(writer);
        writer.WriteInfoEntry(u(path), u"Added", u"a");
        writer.Commit();
        QCOMPARE(log.log.filter("warning: the XMP metadata").size(), logged.isEmpty() ? 0 : 1);
        const QByteArray appended = Support::bytes(path).mid(original.size());
        QCOMPARE(appended.contains("\n8 0 obj"), false); // no XMP written where none was asked
        QCOMPARE(Oracle::appendedRevisionProblems(original, path), QString());
    }

    void rewritesFilesThatCannotTakeARevision_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray clean = PdfMaker{.infoBody = "<< /Zeta (z) /Title (T) >>"}.bytes();
        QTest::newRow("garbage after the end") << clean + "garbage\n";
        QByteArray broken = clean;
        QTest::newRow("no end of revision")
            << broken.replace(broken.lastIndexOf("%%EOF"), 5, "%%EOX");
        broken = clean;
        QTest::newRow("startxref beyond the end")
            << broken.insert(broken.lastIndexOf("startxref") + 10, '9');
        // The Info object's entry points three bytes into the object: qpdf repairs it.
        const QByteArray entry =
            QByteArray::number(clean.indexOf("5 0 obj")).rightJustified(10, '0');
        broken = clean;
        broken.replace(broken.lastIndexOf(entry + " 00000 n"), 10,
                       QByteArray::number(entry.toInt() + 3).rightJustified(10, '0'));
        QTest::newRow("Info object misplaced") << broken;
    }

    void rewritesFilesThatCannotTakeARevision()
    {
        QFETCH(QByteArray, bytes);
        const QString path = make("damaged.pdf", bytes);
        TagoraInfo info;
        info.WriteInfoEntry(u(path), u"Added", u"first");
        info.Commit();
        QCOMPARE(Oracle::qpdfProblems(path), QString());
        const QByteArray rewritten = Support::bytes(path);
        QVERIFY(!rewritten.startsWith(bytes));
        // The file is clean now: the object's next save appends one revision to it.
        info.WriteInfoEntry(u(path), u"Added", u"second");
        info.WriteInfoEntry(u(path), u"More", u"third");
        info.Commit();
        QCOMPARE(Oracle::appendedRevisionProblems(rewritten, path), QString());
        QCOMPARE(readEntries(path),
                 (Entries{{"Zeta", "z"}, {"Title", "T"}, {"Added", "second"}, {"More", "third"}}));
    }

    void writesThroughALinkKeepingModeAndEncryption_data()
    {
        QTest::addColumn<bool>("encrypted"); // and with bytes after its end: written anew
        QTest::newRow("plain, appended revision") << false;
        QTest::newRow("AES-128, whole file written") << true;
    }

    void writesThroughALinkKeepingModeAndEncryption()
    {
        // Reached through a symbolic link, the target is written and the link stays;
        // the file keeps its mode and, encrypted with an empty user password, its
        // encryption; nothing is left beside it.
        QFETCH(bool, encrypted);
        QVERIFY(QDir(m_dir.path()).mkpath(QTest::currentDataTag()));
        const QDir folder(m_dir.filePath(QTest::currentDataTag()));
        const QString plain = make(QStringLiteral("plain-%1.pdf").arg(encrypted));
        const QString target = folder.filePath("target.pdf");
        const QString link = folder.filePath("link.pdf");
        QVERIFY(encrypted ? PdfMaker::encrypt(plain, target, "", "o", true, false) &&
                                PdfMaker::trail(target)
                          : QFile::copy(plain, target));
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0640), 0);
        QVERIFY(QFile::link("target.pdf", link));
        const QByteArray original = Support::bytes(target);

        TagoraInfo info;
        saveLikeTheFieldSet(info, link, {{"Zed", "ζ"}, {"Alpha", "α"}});
        // A name is escaped the same way whichever way the file is written.
        info.WriteInfoEntry(u(link), u"x#41y", u"link");
        info.Commit();
        QCOMPARE(QFileInfo(link).symLinkTarget(), target);
        QCOMPARE(Oracle::qpdfProblems(target), QString());
        QCOMPARE(TestPdf::pdfinfo(target, false).value("Encrypted").startsWith("yes"), encrypted);
        QCOMPARE(Support::bytes(target).startsWith(original), !encrypted);
        const QMap<QString, QString> shown = TestPdf::pdfinfo(target);
        QCOMPARE(shown.value("Author"), QStringLiteral("Ünïcode author"));
        QCOMPARE(shown.value("Zed"), QStringLiteral("ζ"));
        QCOMPARE(shown.value("x#41y"), QStringLiteral("link"));
        // qpdf's writer sorts the keys; the object that wrote them reads its own order.
        QCOMPARE(info.ReadInfo(u(link)), 7);
        QCOMPARE(q(info.InfoName(4) + info.InfoName(5) + info.InfoName(6)),
                 QStringLiteral("ZedAlphax#41y"));
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::System),
                 (QStringList{"link.pdf", "target.pdf"}));
    }

private:
    QString make(const QString &name, const QByteArray &bytes = PdfMaker().bytes())
    {
        return Support::writeFile(m_dir.filePath(name), bytes);
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestTagoraInfo)
#include "tst_tagorainfo.moc"

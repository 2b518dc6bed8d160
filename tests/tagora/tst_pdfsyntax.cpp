// The byte-level pieces of the PDF information library, each checked against qpdf's
// own reading of what they produce.
#include "CachedFileInput.h"
#include "DictionaryScanner.h"
#include "IncrementalUpdate.h"
#include "Oracle.h"
#include "PdfMaker.h"
#include "PdfText.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>

class TestPdfSyntax : public QObject
{
    Q_OBJECT

private slots:
    void textsRoundTripThroughQpdf_data();
    void textsRoundTripThroughQpdf();
    void readsEveryTextEncoding_data();
    void readsEveryTextEncoding();
    void stringSyntaxKeepsEveryByte();
    void namesRoundTripThroughQpdf_data();
    void namesRoundTripThroughQpdf();
    void datesHaveThePdfForm_data();
    void datesHaveThePdfForm();
    void scannerFindsKeysInFileOrder_data();
    void scannerFindsKeysInFileOrder();
    void scannerLocatesObjectsAndTrailers();
    void cachedInputReadsLikeQpdfsBuffer();
    void appendedRevisionReadsBackInQpdf_data();
    void appendedRevisionReadsBackInQpdf();

private:
    QTemporaryDir m_dir;
};

void TestPdfSyntax::textsRoundTripThroughQpdf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("utf16");
    QTest::newRow("ascii") << QStringLiteral("Plain (text) \\ with escapes") << false;
    QTest::newRow("pdfdoc") << QStringLiteral("Émile – 50 € • “quoted”") << false;
    QTest::newRow("controls") << QStringLiteral("line\nbreak\tand tab") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("greek") << QStringLiteral("Ελληνικά") << true;
    QTest::newRow("cjk") << QStringLiteral("日本語のタイトル") << true;
    QTest::newRow("surrogates") << QStringLiteral("Smile 😀 𝄞") << true;
    // In PDFDocEncoding these would start with the bytes of a byte order mark.
    QTest::newRow("thorn-ydieresis") << QStringLiteral("þÿ looks like a mark") << true;
    QTest::newRow("utf8-mark-lookalike") << QStringLiteral("ï»¿ also") << true;
}

void TestPdfSyntax::textsRoundTripThroughQpdf()
{
    QFETCH(QString, text);
    QFETCH(bool, utf16);
    const QByteArray bytes = PdfText::encodeText(text);
    QCOMPARE(bytes.startsWith("\xFE\xFF"), utf16);
    QCOMPARE(PdfText::decodeText(bytes.toStdString()), text);
    QPDFObjectHandle parsed = QPDFObjectHandle::parse(PdfText::stringSyntax(bytes).toStdString());
    QCOMPARE(QString::fromStdString(parsed.getUTF8Value()), text);
}

void TestPdfSyntax::readsEveryTextEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("pdfdoc") << QByteArray("\x85 \xA0 \x8D\x8E \xE9") << QStringLiteral("– € “” é");
    QTest::newRow("utf16be") << QByteArray("\xFE\xFF\x00\x41\xD8\x3D\xDE\x00", 8)
                             << QStringLiteral("A😀");
    QTest::newRow("utf16le") << QByteArray("\xFF\xFE\x41\x00\xE9\x00", 6) << QStringLiteral("Aé");
    QTest::newRow("utf8-mark") << QByteArray("\xEF\xBB\xBF\xC3\x9Cnic\xC3\xB6"
                                             "de \xE2\x9C\x93")
                               << QStringLiteral("Ünicöde ✓");
    QTest::newRow("language-escape")
        << QByteArray("\xFE\xFF\x00\x1B\x65\x6E\x00\x1B\x00\x48\x00\x69", 12)
        << QStringLiteral("Hi");
    QTest::newRow("odd-byte-dropped")
        << QByteArray("\xFE\xFF\x00\x41\x00", 5) << QStringLiteral("A");
}

void TestPdfSyntax::readsEveryTextEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(PdfText::decodeText(bytes.toStdString()), text);
}

void TestPdfSyntax::stringSyntaxKeepsEveryByte()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    for (const QByteArray &sample :
         {bytes, QByteArray("((unbalanced") + bytes.left(40), QByteArray("\xFE\xFF", 2) + bytes}) {
        const QByteArray syntax = PdfText::stringSyntax(sample);
        for (const char c : syntax)
            QVERIFY2(c >= 0x20 && c <= 0x7E, syntax.constData());
        QCOMPARE(QByteArray::fromStdString(
                     QPDFObjectHandle::parse(syntax.toStdString()).getStringValue()),
                 sample);
    }
}

void TestPdfSyntax::namesRoundTripThroughQpdf_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("space") << QStringLiteral("My Key");
    QTest::newRow("hash") << QStringLiteral("a#b");
    QTest::newRow("delimiters") << QStringLiteral("()<>[]{}/%");
    QTest::newRow("latin") << QStringLiteral("Café");
    QTest::newRow("cjk") << QStringLiteral("名前");
    QTest::newRow("controls") << QStringLiteral("tab\tnew\nline");
    QTest::newRow("empty") << QString();
}

void TestPdfSyntax::namesRoundTripThroughQpdf()
{
    QFETCH(QString, name);
    const QByteArray syntax = PdfText::nameSyntax(PdfText::nameBytes(name));
    for (const char c : syntax)
        QVERIFY2(c > 0x20 && c < 0x7F, syntax.constData());
    // The name followed by a delimiter must end where the name ends.
    QPDFObjectHandle parsed = QPDFObjectHandle::parse("[" + syntax.toStdString() + "/Next]");
    QCOMPARE(parsed.getArrayNItems(), 2);
    const std::string read = parsed.getArrayItem(0).getName();
    QCOMPARE(QByteArray::fromStdString(read), "/" + name.toUtf8());
    QCOMPARE(PdfText::decodeName(read.substr(1)), name);
    // Bytes that are not UTF-8 read as PDFDocEncoding.
    QCOMPARE(PdfText::decodeName("\xE9t\xE9"), QStringLiteral("été"));
}

void TestPdfSyntax::datesHaveThePdfForm_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("text");
    const QDate day(2024, 3, 9);
    const QTime time(7, 5, 3);
    QTest::newRow("east") << QDateTime(day, time, QTimeZone(2 * 3600))
                          << QStringLiteral("D:20240309070503+02'00'");
    QTest::newRow("west") << QDateTime(day, time, QTimeZone(-(5 * 3600 + 30 * 60)))
                          << QStringLiteral("D:20240309070503-05'30'");
    QTest::newRow("utc") << QDateTime(day, time, QTimeZone::utc())
                         << QStringLiteral("D:20240309070503+00'00'");
}

void TestPdfSyntax::datesHaveThePdfForm()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, text);
    QCOMPARE(PdfText::date(moment), text);
}

void TestPdfSyntax::scannerFindsKeysInFileOrder_data()
{
    QTest::addColumn<QByteArray>("dictionary");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("plain") << QByteArray("<</Zeta (z)/Alpha 1/Mid/Name>>")
                           << QStringList{"/Zeta", "/Alpha", "/Mid"};
    QTest::newRow("nested") << QByteArray("<< /B << /Inner [ /X << /Y 1 >> ] >> /A [1 [2] /Z] >>")
                            << QStringList{"/B", "/A"};
    QTest::newRow("references") << QByteArray("<< /R 12 0 R /N 1 /M 2 /S 3 4 R >>")
                                << QStringList{"/R", "/N", "/M", "/S"};
    QTest::newRow("strings-and-comments")
        << QByteArray("<< /S (a >> /Fake) /H <41> % /Comment 1\n /E#20x true >>")
        << QStringList{"/S", "/H", "/E x"};
    QTest::newRow("key-without-value") << QByteArray("<< /A 1 /B >>") << QStringList{"(none)"};
    QTest::newRow("not-a-name") << QByteArray("<< 1 2 >>") << QStringList{"(none)"};
    QTest::newRow("unterminated") << QByteArray("<< /A [1 2") << QStringList{"(none)"};
}

void TestPdfSyntax::scannerFindsKeysInFileOrder()
{
    QFETCH(QByteArray, dictionary);
    QFETCH(QStringList, keys);
    const QByteArray bytes = "junk " + dictionary;
    DictionaryScanner scanner(std::make_shared<BufferInputSource>("test", bytes.toStdString()));
    const auto found = scanner.keys(5);
    QStringList names;
    if (!found)
        names << "(none)";
    else
        for (const auto &key : *found)
            names << QString::fromStdString(key.name);
    QCOMPARE(names, keys);
}

void TestPdfSyntax::scannerLocatesObjectsAndTrailers()
{
    const QByteArray bytes = "7 0 obj\n<< /K 1 >>\nendobj\n"
                             "xref\n0 2\n0000000000 65535 f\r\n0000000000 00000 n\r\n"
                             "trailer\n<< /Info << /T 1 >> >>\n"
                             "9 0 obj<</Type/XRef>>";
    DictionaryScanner scanner(std::make_shared<BufferInputSource>("test", bytes.toStdString()));
    const auto body = scanner.objectBody(0, QPDFObjGen(7, 0));
    QVERIFY(body);
    QCOMPARE(scanner.keys(*body).value().front().name, "/K");
    QVERIFY(!scanner.objectBody(0, QPDFObjGen(7, 1)));
    QVERIFY(!scanner.objectBody(0, QPDFObjGen(8, 0)));

    const auto table = scanner.trailerDictionary(bytes.indexOf("xref"));
    QVERIFY(table);
    const auto trailer = scanner.keys(*table);
    QCOMPARE(trailer.value().front().name, "/Info");
    QCOMPARE(scanner.keys(trailer->front().valueOffset).value().front().name, "/T");
    const auto stream = scanner.trailerDictionary(bytes.indexOf("9 0 obj"));
    QVERIFY(stream);
    QCOMPARE(scanner.keys(*stream).value().front().name, "/Type");
    QVERIFY(!scanner.trailerDictionary(bytes.indexOf("<< /K")));

    // Object stream header: pairs of number and offset, the objects after /First.
    const QByteArray objects = "4 0 9 8 <</A 1>><</B 2>>";
    DictionaryScanner inStream(std::make_shared<BufferInputSource>("s", objects.toStdString()));
    QCOMPARE(inStream.objectInStream(8, 1, 9), std::optional<qpdf_offset_t>(16));
    QCOMPARE(inStream.keys(16).value().front().name, "/B");
    QVERIFY(!inStream.objectInStream(8, 1, 4));
    QVERIFY(!inStream.objectInStream(8, 2, 9));
}

void TestPdfSyntax::cachedInputReadsLikeQpdfsBuffer()
{
    // Lines of every length and ending, across several blocks, ending without an EOL.
    QByteArray bytes;
    QRandomGenerator random(7);
    const char *ends[] = {"\n", "\r\n", "\r", "\n\n\r"};
    while (bytes.size() < 300 * 1024) {
        bytes += QByteArray(random.bounded(1, 40000), char('a' + random.bounded(26)));
        bytes += ends[random.bounded(4)];
    }
    bytes += "last";
    const QString path = m_dir.filePath(QStringLiteral("input.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.write(bytes);
    file.flush();

    CachedFileInput cached("input", file.handle());
    BufferInputSource reference("input", bytes.toStdString());
    QCOMPARE(cached.size(), bytes.size());
    for (int step = 0; step < 3000; ++step) {
        switch (random.bounded(5)) {
        case 0: {
            const qint64 offset = random.bounded(bytes.size() + 10);
            cached.seek(offset, SEEK_SET);
            reference.seek(offset, SEEK_SET);
            break;
        }
        case 1: {
            const qint64 back = -random.bounded(qint64(qMin<qint64>(reference.tell(), 5000)) + 1);
            cached.seek(back, SEEK_CUR);
            reference.seek(back, SEEK_CUR);
            break;
        }
        case 2: {
            const size_t length = random.bounded(70000);
            std::string a(length, '\0');
            std::string b(length, '\0');
            QCOMPARE(cached.read(a.data(), length), reference.read(b.data(), length));
            QCOMPARE(a, b);
            QCOMPARE(cached.getLastOffset(), reference.getLastOffset());
            break;
        }
        case 3:
            QCOMPARE(cached.findAndSkipNextEOL(), reference.findAndSkipNextEOL());
            break;
        default:
            if (reference.tell() > 0) {
                cached.unreadCh('x');
                reference.unreadCh('x');
            }
        }
        QCOMPARE(cached.tell(), reference.tell());
    }
    cached.seek(-4, SEEK_END);
    std::string end(10, '\0');
    end.resize(cached.read(end.data(), end.size()));
    QCOMPARE(end, "last");
    for (InputSource *input :
         {static_cast<InputSource *>(&cached), static_cast<InputSource *>(&reference)}) {
        input->seek(bytes.size() + 5, SEEK_SET);
        QCOMPARE(input->findAndSkipNextEOL(), bytes.size());
        QCOMPARE(input->tell(), bytes.size());
    }
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, cached.seek(-1, SEEK_SET));
}

void TestPdfSyntax::appendedRevisionReadsBackInQpdf_data()
{
    QTest::addColumn<int>("xref");
    QTest::addColumn<bool>("infoObject");
    QTest::addColumn<qint64>("contentBytes");
    QTest::newRow("table, same number") << int(PdfMaker::Xref::Table) << true << qint64(64);
    QTest::newRow("table, new number") << int(PdfMaker::Xref::Table) << false << qint64(64);
    QTest::newRow("stream, same number") << int(PdfMaker::Xref::Stream) << true << qint64(64);
    QTest::newRow("stream, new number, wide offsets")
        << int(PdfMaker::Xref::Stream) << false << qint64(70000);
}

void TestPdfSyntax::appendedRevisionReadsBackInQpdf()
{
    QFETCH(int, xref);
    QFETCH(bool, infoObject);
    QFETCH(qint64, contentBytes);
    PdfMaker maker;
    maker.xref = PdfMaker::Xref(xref);
    maker.info = infoObject ? PdfMaker::Info::Indirect : PdfMaker::Info::Missing;
    maker.contentBytes = contentBytes;
    QByteArray bytes = maker.bytes();
    bytes.chop(1); // no end of line after %%EOF

    RevisionBase base;
    base.length = bytes.size();
    base.endsWithEol = false;
    base.startxref = Oracle::lastStartxref(bytes);
    base.xref =
        xref == int(PdfMaker::Xref::Table) ? RevisionBase::Xref::Table : RevisionBase::Xref::Stream;
    base.size = xref == int(PdfMaker::Xref::Table) ? 7 : 8;
    base.root = "1 0 R";
    base.id = "[<00><01>]";
    base.infoNumber = infoObject ? 5 : 0;
    const QByteArray revision = IncrementalUpdate::build(base, "<< /Title (New) /Z#20 1 >>");
    QVERIFY(revision.startsWith('\n'));
    QVERIFY(revision.endsWith("%%EOF\n"));

    const QString path = m_dir.filePath(QStringLiteral("revision.pdf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes + revision);
    file.close();
    QCOMPARE(Oracle::qpdfProblems(path), QString());

    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.toLocal8Bit().constData());
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    QCOMPARE(info.getObjectID(), infoObject ? 5 : base.size);
    QCOMPARE(info.getKey("/Title").getUTF8Value(), "New");
    QCOMPARE(info.getKey("/Z ").getIntValue(), 1);
    QCOMPARE(trailer.getKey("/Prev").getIntValue(), base.startxref);
    QCOMPARE(trailer.getKey("/ID").unparse(), "[ <00> <01> ]");
    const int objects =
        base.size + (infoObject ? 0 : 1) + (xref == int(PdfMaker::Xref::Stream) ? 1 : 0);
    QCOMPARE(trailer.getKey("/Size").getIntValue(), objects);
    QVERIFY(pdf.getRoot().getKey("/Pages").isDictionary());
    QVERIFY(!pdf.anyWarnings());
    QCOMPARE(revision.contains("trailer"), xref == int(PdfMaker::Xref::Table));
    if (xref == int(PdfMaker::Xref::Table)) {
        // Readers that seek entries by position need each one to be exactly 20 bytes.
        const QRegularExpression entries(
            QStringLiteral("\nxref\n(\\d+ 1\n\\d{10} \\d{5} n(\r\n| \n| \r))+trailer\n"));
        QVERIFY2(entries.match(QString::fromLatin1(revision)).hasMatch(), revision.constData());
    }
}

QTEST_GUILESS_MAIN(TestPdfSyntax)
#include "tst_pdfsyntax.moc"

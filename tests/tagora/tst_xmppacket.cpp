// SPDX-License-Identifier: Apache-2.0
// The XMP packet of a metadata stream: what it reads in the forms RDF allows, what it
// writes back, and the bytes around and inside the packet's wrapper.
#include "support/TestSupport.h"
#include "tagora/XmpPacket.h"

#include <QRegularExpression>
#include <QTest>

using Support::q;
using Support::u;
using Tagora::XmpPacket;

namespace {

QByteArray wrapped(const QByteArray &descriptions, char end = 'w', int padding = 2000)
{
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">" +
           descriptions + "</rdf:RDF></x:xmpmeta>" + QByteArray(padding, ' ') + "<?xpacket end=\"" +
           end + "\"?>";
}

// moc reads "//" in a raw string as a comment: the fixtures stay out of the test class.
const QByteArray Attributes =
    R"(<rdf:Description rdf:about="" xmlns:pdf="http://ns.adobe.com/pdf/1.3/" xmlns:pdfx="http://ns.adobe.com/pdfx/1.3/" pdf:Keywords="a, b" pdfx:Custom="cv"/>)";
const QByteArray Elements =
    R"(<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title><rdf:Alt><rdf:li xml:lang="de">Titel</rdf:li><rdf:li xml:lang="x-default">Title</rdf:li></rdf:Alt></dc:title><dc:description><rdf:Alt><rdf:li xml:lang="en">English only</rdf:li></rdf:Alt></dc:description><dc:creator><rdf:Seq><rdf:li>Ann</rdf:li><rdf:li>Bob</rdf:li></rdf:Seq></dc:creator></rdf:Description>)";
const QByteArray Unclosed =
    R"(<rdf:Description xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title></rdf:Description>)";

using Getter = std::optional<std::u16string> (XmpPacket::*)() const;
using Setter = void (XmpPacket::*)(const std::u16string &);
const std::pair<Getter, Setter> Fields[] = {
    {&XmpPacket::title, &XmpPacket::setTitle},
    {&XmpPacket::description, &XmpPacket::setDescription},
    {&XmpPacket::author, &XmpPacket::setAuthor},
    {&XmpPacket::keywords, &XmpPacket::setKeywords},
};

// Title, description, author, keywords and pdfx:Custom, "-" for none.
QStringList fields(const XmpPacket &packet)
{
    QStringList shown;
    for (const auto &[get, set] : Fields)
        shown << q((packet.*get)().value_or(u"-"));
    return shown << q(packet.pdfx(u"Custom").value_or(u"-"));
}

} // namespace

class TestXmpPacket : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("expected"); // empty: refused
        const QStringList elements{"Title", "English only", "Ann; Bob", "-", "-"};
        QTest::newRow("attributes")
            << wrapped(Attributes) << QStringList{"-", "-", "-", "a, b", "cv"};
        QTest::newRow("elements, x-default not first") << wrapped(Elements) << elements;
        QTest::newRow("bytes around the wrapper")
            << "junk\n" + wrapped(Elements, 'r', 0) + "\n%" << elements;
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("other XML") << QByteArray("<html><body>x</body></html>") << QStringList();
        QTest::newRow("unclosed element") << wrapped(Unclosed) << QStringList();
    }

    void reads()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, expected);
        std::u16string reason;
        const std::optional<XmpPacket> packet = XmpPacket::parse(data.toStdString(), &reason);
        QCOMPARE(packet ? fields(*packet) : QStringList(), expected);
        QCOMPARE(reason.empty(), bool(packet));
    }

    void writesWhatReadsBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reads"); // "-": removed
        QTest::newRow("non-ASCII")
            << QString::fromUtf8("Grüße – 日本語 😀") << QString::fromUtf8("Grüße – 日本語 😀");
        QTest::newRow("markup") << "a\r\nb\t<&>\"'; c"
                                << "a\r\nb\t<&>\"'; c";
        QTest::newRow("no XML character") << QString::fromUtf16(u"a\u0001b\uFFFE") << "a b ";
        QTest::newRow("empty removes") << QString() << "-";
    }

    void writesWhatReadsBack()
    {
        // Every field, and pdfx:Custom, which exists; pdfx:Other does not and stays so.
        QFETCH(QString, text);
        QFETCH(QString, reads);
        std::optional<XmpPacket> packet =
            XmpPacket::parse(wrapped(Attributes + Elements).toStdString());
        QVERIFY(packet);
        for (const auto &[get, set] : Fields)
            (*packet.*set)(u(text));
        QVERIFY(packet->setPdfx(u"Custom", u(text)));
        QVERIFY(!packet->setPdfx(u"Other", u"v"));
        QVERIFY(packet->setModifyDate(u"D:20261206052400+01'00'"));
        const std::string data = packet->serialize();
        const std::optional<XmpPacket> again = XmpPacket::parse(data);
        QVERIFY(again);
        QCOMPARE(fields(*again), QStringList(5, reads));
        QVERIFY(!again->pdfx(u"Other"));
        // The author is one item of an ordered array, whatever it holds.
        if (!text.isEmpty())
            QVERIFY(data.find("<dc:creator>") != std::string::npos);
        QVERIFY(data.find("2026-12-06T05:24:00+01:00</xmp:MetadataDate>") != std::string::npos);
    }

    void keepsTheWrapper_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("titleLength");
        QTest::addColumn<QString>("expected"); // same length or not, end, padded or not
        QTest::newRow("writeable, fits")
            << QByteArray("<?xml?>\n") << wrapped(Attributes) << 10 << "same w padded";
        QTest::newRow("read-only, fits")
            << QByteArray() << wrapped(Attributes, 'r') << 10 << "same r padded";
        QTest::newRow("writeable, grows")
            << QByteArray("x") << wrapped(Attributes, 'w', 0) << 3000 << "other w padded";
        QTest::newRow("read-only, grows")
            << QByteArray() << wrapped(Attributes, 'r', 100) << 3000 << "other r bare";
    }

    void keepsTheWrapper()
    {
        // A packet that fits keeps its length (a reader may rewrite it in place); the
        // bytes around it stay.
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, packet);
        QFETCH(int, titleLength);
        QFETCH(QString, expected);
        std::optional<XmpPacket> parsed = XmpPacket::parse((before + packet + "\n").toStdString());
        QVERIFY(parsed);
        parsed->setTitle(std::u16string(std::size_t(titleLength), u'é'));
        const QByteArray data = QByteArray::fromStdString(parsed->serialize());
        QVERIFY(data.startsWith(before + "<?xpacket begin="));
        const QRegularExpressionMatch end =
            QRegularExpression("<\\?xpacket end=\"(.)\"\\?>\n$").match(QString::fromUtf8(data));
        QVERIFY(end.hasMatch());
        QCOMPARE(QString(data.size() == before.size() + packet.size() + 1 ? "same " : "other ") +
                     end.captured(1) + (data.contains(QByteArray(100, ' ')) ? " padded" : " bare"),
                 expected);
        QCOMPARE(XmpPacket::parse(data.toStdString())->title().value_or(u"-"),
                 std::u16string(std::size_t(titleLength), u'é'));
    }
};

QTEST_GUILESS_MAIN(TestXmpPacket)
#include "tst_xmppacket.moc"

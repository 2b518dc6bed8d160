// SPDX-License-Identifier: Apache-2.0
// The byte-level pieces of the PDF information library, each checked against qpdf's
// own reading of what they produce.
#include "support/TestSupport.h"
#include "tagora/CachedFileInput.h"
#include "tagora/DictionaryScanner.h"
#include "tagora/PdfText.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDFObjectHandle.hh>

using namespace Tagora;

class TestPdfSyntax : public QObject
{
    Q_OBJECT

private slots:
    void stringSyntaxKeepsEveryByte()
    {
        QByteArray bytes;
        for (int i = 0; i < 256; ++i)
            bytes.append(char(i));
        for (const QByteArray &sample : {bytes, QByteArray("((unbalanced") + bytes.left(40),
                                         QByteArray("\xFE\xFF", 2) + bytes}) {
            const std::string syntax = PdfText::stringSyntax(sample.toStdString());
            for (const char c : syntax)
                QVERIFY2(c >= 0x20 && c <= 0x7E, syntax.c_str());
            QCOMPARE(QByteArray::fromStdString(QPDFObjectHandle::parse(syntax).getStringValue()),
                     sample);
        }
    }

    void datesHaveThePdfForm()
    {
        QCOMPARE(PdfText::date({2024, 3, 9, 7, 5, 3, 2 * 60}),
                 std::u16string(u"D:20240309070503+02'00'"));
        QCOMPARE(PdfText::date({824, 12, 31, 23, 59, 0, -(5 * 60 + 30)}),
                 std::u16string(u"D:08241231235900-05'30'"));
    }

    void scannerFindsKeysInFileOrder_data()
    {
        QTest::addColumn<QByteArray>("dictionary");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("plain") << QByteArray("<</Zeta (z)/Alpha 1/Mid/Name>>")
                               << QStringList{"/Zeta", "/Alpha", "/Mid"};
        QTest::newRow("nested") << QByteArray(
                                       "<< /B << /Inner [ /X << /Y 1 >> ] >> /A [1 [2] /Z] >>")
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

    void scannerFindsKeysInFileOrder()
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

    void cachedInputReadsLikeQpdfsBuffer()
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
        Support::writeFile(path, bytes);

        CachedFileInput cached("input", File::openForReading(Support::u(path)));
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
                const qint64 back =
                    -random.bounded(qint64(qMin<qint64>(reference.tell(), 5000)) + 1);
                cached.seek(back, SEEK_CUR);
                reference.seek(back, SEEK_CUR);
                break;
            }
            case 2: {
                const size_t length = random.bounded(70000u);
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

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestPdfSyntax)
#include "tst_pdfsyntax.moc"

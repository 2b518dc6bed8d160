// SPDX-License-Identifier: Apache-2.0
// The command line: output formats, edits with the dialog's rules, exit codes and
// messages, and files left whole on every failure.

#include "platform/FileSystem.h"
#include "support/TestPdf.h"
#include "tagora/PdfMaker.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Result
{
    int exitCode;
    QString out;
    QString err;
};

// Runs the tool through the shell, which passes an argument "<FF>" on as that one byte:
// not UTF-8.
Result orvfields(const QStringList &args)
{
    QString script = QStringLiteral("exec \"$0\"");
    for (qsizetype i = 0; i < args.size(); ++i)
        script += args[i] == "<FF>" ? QStringLiteral(" \"$(printf '\\377')\"")
                                    : QStringLiteral(" \"${%1}\"").arg(i + 1);
    QProcess process;
    process.start("/bin/sh", QStringList{"-c", script, ORVFIELDS_CLI} + args);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_pdf = m_dir->filePath(QStringLiteral("book.pdf"));
        TestPdf::make(m_pdf, {{"Title", "Guide"},
                              {"Author", "Zoë"},
                              {"Creator", "maker"},
                              {"Source", "scan"},
                              {"Reviewer", "日本語"}});
    }

    void readsInBothFormats()
    {
        const Result text = orvfields({QStringLiteral("read"), m_pdf});
        QCOMPARE(text.exitCode, 0);
        QCOMPARE(text.out, QStringLiteral("Title: Guide\nAuthor: Zoë\nSubject: \nKeywords: \n"
                                          "Reviewer: 日本語\nSource: scan\n"));

        const Result json = orvfields({QStringLiteral("read"), m_pdf, QStringLiteral("--json")});
        QCOMPARE(json.exitCode, 0);
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value("file").toString(), m_pdf);
        QCOMPARE(object.value("Author").toString(), QStringLiteral("Zoë"));
        const QJsonArray custom = object.value("custom").toArray();
        QCOMPARE(custom.size(), 2);
        QCOMPARE(custom.at(0).toObject().value("name").toString(), QStringLiteral("Reviewer"));
        QCOMPARE(custom.at(0).toObject().value("value").toString(), QStringLiteral("日本語"));
    }

    void writesWithTheDialogsRules()
    {
        const QByteArray original = TestPdf::bytes(m_pdf);
        const Result write = orvfields({QStringLiteral("write"), m_pdf, QStringLiteral("--author"),
                                        QStringLiteral("Ana — été"), QStringLiteral("--set"),
                                        QStringLiteral("SOURCE=paper"), QStringLiteral("--set"),
                                        QStringLiteral("Edition=2"), QStringLiteral("--remove"),
                                        QStringLiteral("reviewer")});
        QCOMPARE(write.exitCode, 0);
        // --set of a name the file holds changes that field, whatever its case.
        QCOMPARE(write.out,
                 QStringLiteral("Title: Guide\nAuthor: Ana — été\nSubject: \nKeywords: \n"
                                "Source: paper\nEdition: 2\n"));
        const QMap<QString, QString> info = TestPdf::pdfinfo(m_pdf);
        QCOMPARE(info.value("Author"), QStringLiteral("Ana — été"));
        QCOMPARE(info.value("Source"), QStringLiteral("paper"));
        QVERIFY(!info.contains("Reviewer"));
        QCOMPARE(info.value("Creator"), QStringLiteral("maker"));
        QCOMPARE(TestPdf::check(m_pdf).exitCode, 0);
        QVERIFY(TestPdf::bytes(m_pdf).startsWith(original));
    }

    void writesOnlyWhatItIsAskedTo()
    {
        // Every entry it was not asked to change stays as it stood, type and syntax;
        // a write that changes nothing writes nothing.
        PdfMaker maker;
        const QByteArray entries = "/Trapped /True /N 42 /A [1  2] /D <</K (v)>> /E () "
                                   "/title (lower) /Title (T) /Hex <48E9> /Z#20z 1.50";
        maker.infoBody = "<< " + entries + " >>";
        QVERIFY(maker.write(m_pdf));
        const QByteArray original = TestPdf::bytes(m_pdf);
        Result result = orvfields({"write", m_pdf, "--title", "T", "--set", "hex=Hé"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(TestPdf::bytes(m_pdf), original);

        result = orvfields({"write", m_pdf, "--author", "B", "--set", "N=43"});
        QCOMPARE(result.exitCode, 0);
        const QByteArray appended = TestPdf::bytes(m_pdf).mid(original.size());
        QByteArray expected = entries;
        expected.replace("/N 42", "/N (43)");
        QVERIFY2(appended.contains("<< " + expected + " /Author (B) /ModDate (D:"),
                 appended.constData());
        QCOMPARE(TestPdf::check(m_pdf).exitCode, 0);
    }

    void concurrentWritersLoseNothing()
    {
        // Three writers at once, each setting its own field: every field a writer
        // reported written is in the file, and the entries nobody touched stay.
        for (int round = 0; round < 20; ++round) {
            TestPdf::make(m_pdf, {{"Title", "Guide"}, {"Keep", "me"}, {"Also", "this"}});
            QList<std::shared_ptr<QProcess>> writers;
            for (int w = 0; w < 3; ++w) {
                writers.append(std::make_shared<QProcess>());
                writers.last()->start(ORVFIELDS_CLI, {"write", m_pdf, "--wait", "60", "--set",
                                                      QStringLiteral("W%1=%2").arg(w).arg(round)});
            }
            for (const auto &writer : writers) {
                QVERIFY(writer->waitForFinished(60000));
                QCOMPARE(writer->exitCode(), 0);
            }
            const QMap<QString, QString> info = TestPdf::pdfinfo(m_pdf);
            for (int w = 0; w < 3; ++w)
                QCOMPARE(info.value(QStringLiteral("W%1").arg(w)), QString::number(round));
            QCOMPARE(info.value("Keep") + info.value("Also") + info.value("Title"),
                     QStringLiteral("methisGuide"));
        }
    }

    void showsEveryFieldOnOneLine()
    {
        // Control characters are escaped in text; JSON keeps the exact text.
        PdfMaker maker;
        maker.infoBody = "<< /Title (two\\nlines) /Tab#09name (a\\tb) /Nul (x\\000y) "
                         "/Path (c:\\\\dir\\r) >>";
        QVERIFY(maker.write(m_pdf));
        const Result text = orvfields({"read", m_pdf});
        QCOMPARE(text.out, QStringLiteral("Title: two\\nlines\nAuthor: \nSubject: \nKeywords: \n"
                                          "Tab\\tname: a\\tb\nNul: x\\0y\nPath: c:\\\\dir\\r\n"));
        const Result json = orvfields({"read", m_pdf, "--json"});
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value("Title").toString(), QStringLiteral("two\nlines"));
        QCOMPARE(object.value("custom").toArray().at(1).toObject().value("value").toString(),
                 QString::fromUtf16(u"x\0y", 3));
    }

    void refusesBadArgumentsBeforeWriting_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"show", "X"};
        QTest::newRow("reserved name") << QStringList{"write", "X", "--set", "Creator=me"};
        QTest::newRow("empty value") << QStringList{"write", "X", "--set", "Edition="};
        QTest::newRow("no equals") << QStringList{"write", "X", "--set", "Edition"};
        QTest::newRow("edit on read") << QStringList{"read", "X", "--title", "T"};
        QTest::newRow("missing value") << QStringList{"write", "X", "--title"};
        QTest::newRow("not UTF-8") << QStringList{"write", "X", "--title", "<FF>"};
    }

    void refusesBadArgumentsBeforeWriting()
    {
        QFETCH(QStringList, args);
        args.replaceInStrings(QStringLiteral("X"), m_pdf);
        const QByteArray original = TestPdf::bytes(m_pdf);
        const Result result = orvfields(args);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(result.err.contains(QStringLiteral("usage:")));
        QCOMPARE(TestPdf::bytes(m_pdf), original);
    }

    void failuresNameTheFileAndTheReason()
    {
        const QString missing = m_dir->filePath(QStringLiteral("missing.pdf"));
        Result result = orvfields({QStringLiteral("read"), missing});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.startsWith(QStringLiteral("orvfields: ") + missing),
                 qPrintable(result.err));
        QCOMPARE(result.err.count(u'\n'), 1);

        const QString text = m_dir->filePath(QStringLiteral("text.pdf"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a pdf\n");
        file.close();
        result = orvfields(
            {QStringLiteral("write"), text, QStringLiteral("--title"), QStringLiteral("T")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(text), qPrintable(result.err));
        QCOMPARE(TestPdf::bytes(text), QByteArray("not a pdf\n"));

        const QByteArray original = TestPdf::bytes(m_pdf);
        QFile::setPermissions(m_pdf, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        result = orvfields(
            {QStringLiteral("write"), m_pdf, QStringLiteral("--title"), QStringLiteral("T")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(QStringLiteral("read-only")), qPrintable(result.err));
        QCOMPARE(TestPdf::bytes(m_pdf), original);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_pdf;
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"

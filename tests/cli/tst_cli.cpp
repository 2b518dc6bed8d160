// SPDX-License-Identifier: Apache-2.0
// The command line: its conventions, the reports and their schema, edits with the
// dialog's rules, many files at once, round trips through JSON, exit codes and
// messages, and files left whole on every failure.
//
// The program under test is the Linux build's orvfields, or the Windows build's
// orvfields.exe when ORVFIELDS_CLI_EXE names it: wine.sh then runs it under wine, the
// Linux build's orvfields reads back what it wrote, and Windows paths are tried too.

#include "support/Pdf.h"
#include "support/TestSupport.h"
#include "tagora/PdfMaker.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <string>
#include <vector>

namespace {

bool windows()
{
    return qEnvironmentVariableIsSet("ORVFIELDS_CLI_EXE");
}

// The program under test.
QString cli()
{
    return windows() ? QStringLiteral(ORVFIELDS_CLI_WINE) : QStringLiteral(ORVFIELDS_CLI);
}

struct Result
{
    int exitCode;
    QString out;
    QString err;
};

// Runs a program without a display, in `folder`; an argument "<FF>" goes as that one
// byte: not UTF-8.
Result run(const QString &program, const QStringList &args, const QByteArray &input = {},
           const QString &folder = {})
{
    std::vector<std::string> arguments{
        "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", program.toStdString()};
    for (const QString &arg : args)
        arguments.push_back(arg == "<FF>" ? "\xFF" : arg.toStdString());
    const Support::Output ran =
        Support::run("env", arguments, input.toStdString(), folder.toStdString());
    return {ran.exitCode, QString::fromUtf8(ran.out), QString::fromUtf8(ran.err)};
}

Result orvfields(const QStringList &args, const QByteArray &input = {})
{
    return run(cli(), args, input);
}

// A Linux path as wine names it on Windows.
QString windowsName(QString path)
{
    return path.replace('/', '\\');
}

// A name as text output writes it: the backslash escaped.
QString escaped(QString text)
{
    return text.replace('\\', "\\\\");
}

// What the Windows program wrote, the Linux one reads back the same.
void readsBackTheSame(const QString &file)
{
    if (!windows())
        return;
    const QStringList read{"read", "--json", file};
    QCOMPARE(run(ORVFIELDS_CLI, read).out, orvfields(read).out);
}

// A small real PDF holding these Info entries (name without "/", value).
void makePdf(const QString &path, const QList<std::pair<QString, QString>> &info)
{
    Pdf::Entries entries;
    for (const auto &[name, value] : info)
        entries.emplace_back(name.toStdString(), value.toStdString());
    Pdf::make(path.toStdString(), entries);
}

// What pdfinfo reads of the file's Info, custom entries included.
QMap<QString, QString> pdfinfo(const QString &path)
{
    QMap<QString, QString> result;
    for (const auto &[name, value] : Pdf::pdfinfo(path.toStdString()))
        result.insert(QString::fromStdString(name), QString::fromStdString(value));
    return result;
}

QJsonObject object(const QString &line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// Appends a revision that gives the first page another size, as a program that edits
// pages would: the file's later revisions then change more than its document information.
bool appendPageChange(const QString &path)
{
    QPDF pdf;
    pdf.processFile(QFile::encodeName(path).constData());
    QPDFObjectHandle page = pdf.getAllPages().front();
    QPDFObjectHandle changed = page.shallowCopy();
    changed.replaceKey("/MediaBox", QPDFObjectHandle::parse("[0 0 300 300]"));
    const QByteArray bytes = Support::bytes(path);
    QPDFObjectHandle trailer = pdf.getTrailer().shallowCopy();
    const QByteArray prev = bytes.mid(bytes.lastIndexOf("startxref") + 9).simplified();
    trailer.replaceKey("/Prev", QPDFObjectHandle::newInteger(prev.split(' ')[0].toLongLong()));
    const QByteArray number = QByteArray::number(page.getObjectID());
    const QByteArray object =
        number + " 0 obj\n" + QByteArray::fromStdString(changed.unparse()) + "\nendobj\n";
    const QByteArray xref =
        "xref\n" + number + " 1\n" + QByteArray::number(bytes.size()).rightJustified(10, '0') +
        " 00000 n\r\ntrailer\n" + QByteArray::fromStdString(trailer.unparse()) + "\nstartxref\n" +
        QByteArray::number(bytes.size() + object.size()) + "\n%%EOF\n";
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(object + xref) > 0;
}

// A report's fields without the file's name and the entries a write does not give.
QJsonObject fieldsOf(QJsonObject report)
{
    for (const char *key : {"file", "Creator", "Producer", "CreationDate", "ModDate"})
        report.remove(key);
    return report;
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Under wine the first program makes the prefix when it is missing; what that
        // prints is wine's, not the program's.
        if (windows())
            QCOMPARE(orvfields({"--version"}).exitCode, 0);
    }

    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_pdf = m_dir->filePath(QStringLiteral("book.pdf"));
        makePdf(m_pdf, {{"Title", "Guide"},
                        {"Author", "Zoë"},
                        {"Creator", "maker"},
                        {"Source", "scan"},
                        {"Reviewer", "日本語"}});
    }

    void conventions_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // what standard output holds
        QTest::addColumn<QString>("err"); // what standard error holds

        const QString cli = ::cli();
        const auto row = [&](const char *name, const QString &program, const QStringList &args,
                             int exitCode, const char *out, const char *err,
                             const QByteArray &input = {}) {
            QTest::newRow(name) << program << args << input << exitCode << QString(out)
                                << QString(err);
        };
        row("help", cli, {"--help"}, 0, "Exit status:\n  0", "");
        row("help of read", cli, {"read", "-h"}, 0, "  -j, --jobs <N>", "");
        row("help of write", cli, {"write", "X", "--help"}, 0, "--from-json <FILE>", "");
        row("version", cli, {"--version"}, 0, "orvfields 1.", "");
        row("host help, no display", ORVFIELDS_HOST, {"--help"}, 0, "--screenshot <FILE.png>", "");
        row("host version", ORVFIELDS_HOST, {"--version"}, 0, "orvfields-host 1.", "");
        row("-- ends the options", cli, {"read", "--", "--json"}, 0, "Title: Guide\n", "");

        const char *usage = "usage: orvfields read";
        row("no command", cli, {}, 2, "", usage);
        row("unknown command", cli, {"show", "X"}, 2, "", "unknown command show");
        row("no file", cli, {"read", "--json"}, 2, "", "no file given");
        row("reserved name", cli, {"write", "X", "--set", "Creator=me"}, 2, "", usage);
        row("empty value", cli, {"write", "X", "--set", "Edition="}, 2, "", usage);
        row("no equals", cli, {"write", "X", "--set", "Edition"}, 2, "", usage);
        row("edit on read", cli, {"read", "X", "--title", "T"}, 2, "", "Unknown option 'title'");
        row("bad jobs", cli, {"read", "X", "-j", "0"}, 2, "", "--jobs takes a number");
        row("not UTF-8", cli, {"write", "X", "--title", "<FF>"}, 2, "", "not valid UTF-8");
        const QStringList fromInput{"write", "X", "--from-json", "-"};
        row("not JSON", cli, fromInput, 2, "", "cannot be read", "{\"Title\": ");
        row("two objects", cli, fromInput, 2, "", "cannot be read", "{}\n{}\n");
        row("newer schema", cli, fromInput, 2, "", "schema", R"({"schema": 2})");
        row("unknown key", cli, fromInput, 2, "", "unknown key title", R"({"title": "T"})");
        row("a failed read", cli, fromInput, 2, "", "failed read: gone",
            R"({"file": "x", "error": {"number": 53, "message": "gone"}})");
        row("standard name", cli, fromInput, 2, "", "named Creator",
            R"({"custom": [{"name": "Creator", "value": "me"}]})");
        row("same name twice", cli, fromInput, 2, "", "two custom fields named a",
            R"({"custom": [{"name": "A", "value": "1"}, {"name": "a", "value": "2"}]})");
        row("empty custom value", cli, fromInput, 2, "", "empty name or value",
            R"({"custom": [{"name": "A", "value": ""}]})");
        row("wrong type", cli, fromInput, 2, "", "Title something other", R"({"Title": 3})");
        row("help of revert", cli, {"revert", "-h"}, 0, "--truncate", "");
        row("revision 0", cli, {"revert", "X", "--to", "0"}, 2, "", "--to takes a revision number");
        row("truncate on write", cli, {"write", "X", "--truncate"}, 2, "", "option 'truncate'");
        row("bad XMP mode", cli, {"write", "X", "--xmp", "make"}, 2, "", "--xmp takes create");
        const QStringList fromTable{"write", "--from-csv", "-"};
        row("table and files", cli, {"write", "--from-csv", "t.csv", "X"}, 2, "", "give no FILE");
        row("csv and json", cli, {"read", "--csv", "--json", "X"}, 2, "", "cannot be combined");
        row("no SourceFile", cli, fromTable, 2, "",
            "--from-csv -: the header has no SourceFile column", "Title,Author\n");
        row("a kept entry", cli, fromTable, 2, "", "column 2, Producer, is an entry",
            "SourceFile,Producer\n");
        row("a column twice", cli, fromTable, 2, "", "column 3 is named TITLE like column 2",
            "SourceFile;Title;TITLE\n");
        row("unclosed quote", cli, fromTable, 2, "",
            "--from-csv -, line 3: ", "SourceFile\nX\n\"X\n");
    }

    void conventions()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        if (windows() && args.contains("<FF>"))
            QSKIP("The Windows command line is UTF-16: wine passes no byte that is not UTF-8");
        QVERIFY(QFile::copy(m_pdf, m_dir->filePath("--json")));
        args.replaceInStrings(QStringLiteral("X"), m_pdf);
        const QByteArray original = Support::bytes(m_pdf);
        const Result result = run(program, args, input, m_dir->path());
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.out.contains(out) && (!out.isEmpty() || result.out.isEmpty()),
                 qPrintable(result.out));
        QVERIFY2(result.err.contains(err) && (!err.isEmpty() || result.err.isEmpty()),
                 qPrintable(result.err));
        QCOMPARE(Support::bytes(m_pdf), original);
    }

    void reports_data()
    {
        QTest::addColumn<QByteArray>("info"); // the Info dictionary; none: the book
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("json");
        QTest::newRow("standard and custom fields")
            << QByteArray()
            << "Title: Guide\nAuthor: Zoë\nSubject: \nKeywords: \n"
               "Reviewer: 日本語\nSource: scan\n\n"
               "Creator: maker\nProducer: \nCreationDate: \nModDate: \n"
            << R"({"schema":1,"file":"FILE","Title":"Guide","Author":"Zoë","Subject":null,)"
               R"("Keywords":null,"custom":[{"name":"Reviewer","value":"日本語"},)"
               R"({"name":"Source","value":"scan"}],"Creator":"maker","Producer":null,)"
               R"("CreationDate":null,"ModDate":null})";
        // Empty entries are not absent ones; control characters are escaped in text,
        // kept in JSON.
        QTest::newRow("escapes, empty entries, dates")
            << QByteArray("<< /Title (two\\nlines) /Subject () /Tab#09name (a\\tb) /Nul (x\\000y) "
                          "/Path (c:\\\\dir\\r) /Quote (say \"hi\") /Producer () "
                          "/CreationDate (D:20240115093000+01'00') /ModDate (yesterday) >>")
            << "Title: two\\nlines\nAuthor: \nSubject: \nKeywords: \nTab\\tname: a\\tb\n"
               "Nul: x\\0y\nPath: c:\\\\dir\\r\nQuote: say \"hi\"\n\nCreator: \nProducer: \n"
               "CreationDate: D:20240115093000+01'00' (2024-01-15T09:30:00+01:00)\n"
               "ModDate: yesterday\n"
            << R"({"schema":1,"file":"FILE","Title":"two\nlines","Author":null,"Subject":"",)"
               R"("Keywords":null,"custom":[{"name":"Tab\tname","value":"a\tb"},)"
               R"({"name":"Nul","value":"x\u0000y"},{"name":"Path","value":"c:\\dir\r"},)"
               "{\"name\":\"Quote\",\"value\":\"say "
               "\\\"hi\\\"\"}],\"Creator\":null,\"Producer\":\"\","
               R"("CreationDate":{"pdf":"D:20240115093000+01'00'",)"
               R"("iso":"2024-01-15T09:30:00+01:00"},"ModDate":{"pdf":"yesterday","iso":null}})";
    }

    void reports()
    {
        QFETCH(QByteArray, info);
        QFETCH(QString, text);
        QFETCH(QString, json);
        QVERIFY(info.isEmpty() ||
                PdfMaker{.infoBody = info.toStdString()}.write(m_pdf.toStdString()));
        QCOMPARE(orvfields({"read", m_pdf}).out, text);
        QCOMPARE(orvfields({"read", "--json", m_pdf}).out, json.replace("FILE", m_pdf) + '\n');
    }

    void writesWithTheDialogsRules()
    {
        // The file is PDF 1.3: --xmp keep, like the default, makes no XMP packet for it,
        // --xmp create does (the modes themselves are tst_tagorainfo's), and pdfinfo finds it.
        const auto meta = [&] {
            return QString::fromStdString(Support::run("pdfinfo", {"-meta", m_pdf}).out);
        };
        const QByteArray original = Support::bytes(m_pdf);
        const Result write =
            orvfields({"write", m_pdf, "--xmp", "keep", "--author", "Ana — été", "--set",
                       "SOURCE=paper", "--set", "Edition=2", "--remove", "reviewer"});
        QCOMPARE(write.exitCode, 0);
        // --set of a name the file holds changes that field, whatever its case.
        QVERIFY2(write.out.startsWith("Title: Guide\nAuthor: Ana — été\nSubject: \nKeywords: \n"
                                      "Source: paper\nEdition: 2\n\nCreator: maker\n"),
                 qPrintable(write.out));
        QVERIFY(Support::bytes(m_pdf).startsWith(original));
        readsBackTheSame(m_pdf);
        QVERIFY(meta().isEmpty());

        QCOMPARE(orvfields(
                     {"write", m_pdf, "--clear-custom", "--set", "Only=1", "-q", "--xmp", "create"})
                     .out,
                 QString());
        QVERIFY2(meta().contains(">Ana — été</rdf:li>"), qPrintable(meta()));
        const QMap<QString, QString> info = pdfinfo(m_pdf);
        QVERIFY(info.contains("Only") && !info.contains("Source") && !info.contains("Edition"));
    }

    void jsonRoundTrip()
    {
        // b ends with exactly a's fields, in a's order, names and values in any script:
        // fields a lacks are removed, one that differs only in case is renamed, one that
        // stands before its place moves. A dry run prints that result and leaves the
        // bytes as they were.
        const QString a = m_dir->filePath("a.pdf");
        const QString b = m_dir->filePath("b été.pdf");
        makePdf(a, {{"Title", "Été"},
                    {"Réviseur", "Zoë — 日本語"},
                    {"Source", "scan"},
                    {"Édition", "2ᵉ"}});
        QVERIFY(PdfMaker{.infoBody = "<< /Author (Someone) /SOURCE (paper) /R#C3#A9viseur (old) "
                                     "/Zone (x) /#C3#A9dition (1) >>"}
                    .write(b.toStdString()));
        const Result read = orvfields({"read", "--json", a});
        const QByteArray original = Support::bytes(b);
        const Result dry =
            orvfields({"write", b, "--from-json", "-", "--dry-run", "--json"}, read.out.toUtf8());
        QCOMPARE(dry.exitCode, 0);
        QCOMPARE(Support::bytes(b), original);
        QCOMPARE(fieldsOf(object(dry.out)), fieldsOf(object(read.out)));

        const Result write = orvfields({"write", b, "--from-json", "-"}, read.out.toUtf8());
        QCOMPARE(write.exitCode, 0);
        const QJsonObject written = object(orvfields({"read", "--json", b}).out);
        QCOMPARE(fieldsOf(written), fieldsOf(object(read.out)));
        readsBackTheSame(b);
    }

    void spreadsheetTables()
    {
        // read --csv of three books; the table edited as a spreadsheet in a French locale
        // saves it (semicolons, a byte-order mark, CR LF, a quoted separator and line
        // break, columns in another order) and written with --from-csv: each file holds
        // what its row says, the rest as it was; a row naming a missing file is reported
        // with its line, and the other rows are written.
        QVERIFY(QDir(m_dir->path()).mkdir("sub"));
        const QString a = m_dir->filePath("a.pdf"), b = m_dir->filePath("sub/b été.pdf"),
                      c = m_dir->filePath("c.pdf");
        makePdf(a, {{"Title", "A, first"}, {"Author", "Ann"}, {"Réviseur", "日本語"}});
        makePdf(b, {{"Title", "B"}, {"Keywords", "k"}, {"réviseur", "x"}});
        makePdf(c, {{"Title", "C"}, {"Source", "scan"}});
        const Result read = orvfields({"read", "--csv", a, b, c});
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.out, "SourceFile,Title,Author,Subject,Keywords,Réviseur,Source\r\n" + a +
                               ",\"A, first\",Ann,,,日本語,\r\n" + b + ",B,,,k,x,\r\n" + c +
                               ",C,,,,,scan\r\n");

        const QString table = Support::writeFile(
            m_dir->filePath("table.csv"), "\xEF\xBB\xBFSourceFile;SOURCE;title;Author;Réviseur;\r\n"
                                          "a.pdf;;\"Guide; 2nd\";-;\"line one\r\nline two\"\r\n"
                                          "missing.pdf;x;;;\r\n"
                                          "sub/b été.pdf;Ünïcode ✓;;;-\r\n"
                                          "c.pdf;paper;;Zoë;;;\r\n"
                                          "c.pdf;;Lost;;;kept nowhere\r\n");
        const Result write = orvfields({"write", "--from-csv", table, "-q"});
        QCOMPARE(write.exitCode, 1);
        const QString missing = m_dir->filePath("missing.pdf");
        QCOMPARE(write.err, "orvfields: " + escaped(table) + ", line 4: " +
                                escaped(windows() ? m_dir->path() + "\\missing.pdf" : missing) +
                                ": the file does not exist\norvfields: " + escaped(table) +
                                ", line 7: cell 6 has a value but its column no name\n");
        const QMap<QString, QString> info = pdfinfo(a);
        QCOMPARE(info.value("Title") + "|" + info.value("Author", "(none)"),
                 QStringLiteral("Guide; 2nd|(none)"));
        QCOMPARE(orvfields({"read", "--csv", a, b, c}).out,
                 "SourceFile,Title,Author,Subject,Keywords,Réviseur,SOURCE\r\n" + a +
                     ",\"Guide; 2nd\",,,,\"line one\r\nline two\",\r\n" + b +
                     ",B,,,k,,Ünïcode ✓\r\n" + c + ",C,Zoë,,,,paper\r\n");
        readsBackTheSame(b);
    }

    void xmpModes()
    {
        // What each mode makes is the library's (tst_tagorainfo); the option reaches it, and
        // an independent reader finds the packet. The file is PDF 1.3: update makes none.
        const auto meta = [&] {
            return QString::fromStdString(Support::run("pdfinfo", {"-meta", m_pdf}).out);
        };
        for (const char *mode : {"update", "keep"})
            QCOMPARE(orvfields({"write", "-q", "--xmp", mode, m_pdf, "--title", mode}).exitCode, 0);
        QVERIFY(meta().isEmpty());
        QCOMPARE(orvfields({"write", "-q", "--xmp", "create", m_pdf, "--title", "Made"}).exitCode,
                 0);
        QVERIFY2(meta().contains(">Made</rdf:li>"), qPrintable(meta()));
    }

    void encryptedFiles()
    {
        // A user password given with --password, which every reader then needs, also for
        // files whose password is in PDFDocEncoding ("cl\xe9") while the user types UTF-8.
        const std::pair<PdfMaker::Crypt, const char *> cases[] = {
            {PdfMaker::Crypt::Aes128, "clé"},
            {PdfMaker::Crypt::Aes128, "cl\xe9"},
            {PdfMaker::Crypt::Aes256, "clé"}};
        for (const auto &[crypt, made] : cases) {
            const QString locked = m_dir->filePath("locked.pdf");
            QFile::remove(locked);
            QVERIFY(PdfMaker::encrypt(m_pdf.toStdString(), locked.toStdString(), made, "owner",
                                      true, crypt));
            const QByteArray original = Support::bytes(locked);
            QCOMPARE(orvfields({"read", locked}).exitCode, 1);
            QCOMPARE(orvfields({"write", locked, "--set", "Secret=yes", "-q", "--password", "clé"})
                         .exitCode,
                     0);
            QVERIFY(Support::bytes(locked).startsWith(original));
            // qpdf's command line takes the password as we do.
            const QString decrypted = m_dir->filePath("decrypted.pdf");
            QCOMPARE(Support::run("qpdf", {"--password=clé", "--decrypt", "--qdf",
                                           "--object-streams=disable", locked, decrypted})
                         .exitCode,
                     0);
            QVERIFY(Support::bytes(decrypted).contains("/Secret (yes)"));
        }
    }

    void historyRevertAndCompact_data()
    {
        QTest::addColumn<bool>("aes256");
        QTest::newRow("plain") << false;
        QTest::newRow("AES-256") << true;
    }

    void historyRevertAndCompact()
    {
        // history lists what each revision changed and what older ones still hold; revert
        // appends the old fields, keeping every earlier byte (and so any signature), or cuts
        // the file back when later revisions changed nothing else; compact and
        // write --drop-history leave one revision, with no trace of the values overwritten.
        QFETCH(bool, aes256);
        const QString pdf = aes256 ? m_dir->filePath("aes.pdf") : m_pdf;
        QVERIFY(!aes256 || PdfMaker::encrypt(m_pdf.toStdString(), pdf.toStdString(), "", "owner",
                                             true, PdfMaker::Crypt::Aes256));
        const QByteArray original = Support::bytes(pdf);
        QCOMPARE(orvfields({"revert", pdf}).err,
                 "orvfields: " + pdf + ": the file has only its original revision\n");
        for (const char *title : {"First", "Second"})
            QCOMPARE(orvfields({"write", "-q", pdf, "--title", title}).exitCode, 0);
        const auto history = [&] {
            return object(orvfields({"history", "--json", pdf}).out);
        };
        const auto titleChange = [](const QJsonValue &old, const char *now) {
            return QJsonObject{{"name", "Title"}, {"old", old}, {"new", now}};
        };
        QJsonObject report = history();
        const QJsonArray revisions = report["revisions"].toArray();
        QCOMPARE(revisions.size(), 3);
        QVERIFY(revisions[0]["changes"].toArray().contains(titleChange(QJsonValue(), "Guide")));
        QVERIFY(revisions[1]["changes"].toArray().contains(titleChange("Guide", "First")));
        QVERIFY(revisions[2]["changes"].toArray().contains(titleChange("First", "Second")));
        QVERIFY(report["hiddenValues"].toArray().contains("Title: First"));
        const QString text = orvfields({"history", pdf}).out;
        QVERIFY2(text.contains("\n  Title: \"First\" -> \"Second\"\n") &&
                     text.contains("\nolder revisions still hold values") &&
                     text.contains("\n  Title: Guide\n"),
                 qPrintable(text));

        const QByteArray written = Support::bytes(pdf);
        QCOMPARE(orvfields({"revert", pdf, "--to", "9"}).err,
                 "orvfields: " + pdf + ": the file has no revision 9 (it has 3)\n");
        QVERIFY(orvfields({"revert", pdf, "--to", "1"}).out.startsWith("Title: Guide\n"));
        QCOMPARE(pdfinfo(pdf).value("Title"), QStringLiteral("Guide"));
        QVERIFY(Support::bytes(pdf).startsWith(written));
        QCOMPARE(history()["revisions"].toArray().size(), 4);
        readsBackTheSame(pdf);
        QCOMPARE(orvfields({"revert", pdf, "--to", "1", "--truncate", "-q"}).exitCode, 0);
        QCOMPARE(Support::bytes(pdf), original);

        QCOMPARE(orvfields({"write", "-q", pdf, "--title", "Draft"}).exitCode, 0);
        QCOMPARE(orvfields({"compact", "-q", pdf}).exitCode, 0);
        report = history();
        QCOMPARE(report["revisions"].toArray().size(), 1);
        QCOMPARE(report["hiddenValues"].toArray(), QJsonArray());
        QVERIFY(aes256 || !Support::bytes(pdf).contains("Guide"));
        QCOMPARE(orvfields({"write", "-q", pdf, "--title", "Final", "--drop-history"}).exitCode, 0);
        QCOMPARE(history()["revisions"].toArray().size(), 1);
        QVERIFY(aes256 || !Support::bytes(pdf).contains("Draft"));
        QCOMPARE(pdfinfo(pdf).value("Title"), QStringLiteral("Final"));
        QCOMPARE(Support::bytes(pdf).contains("/Encrypt"), aes256);

        // A later revision that changed a page: cutting back would lose it.
        QCOMPARE(orvfields({"write", "-q", pdf, "--title", "Later"}).exitCode, 0);
        QVERIFY(appendPageChange(pdf));
        const QByteArray withPage = Support::bytes(pdf);
        const Result refused = orvfields({"revert", pdf, "--to", "1", "--truncate"});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(pdf + ": revision 3 changed"), qPrintable(refused.err));
        QCOMPARE(Support::bytes(pdf), withPage);
    }

    void manyFilesKeepTheirOrder()
    {
        // Files done four at once come out in the order given; a failure is reported
        // in its place and the other files go on.
        QStringList files;
        for (int i = 0; i < 12; ++i) {
            files << m_dir->filePath(QStringLiteral("book%1.pdf").arg(i));
            makePdf(files.last(), {{"Title", QStringLiteral("Book %1").arg(i)}});
        }
        const QString missing = m_dir->filePath("missing.pdf");
        files.insert(5, missing);
        const Result json = orvfields(QStringList{"read", "--json", "-j", "4"} + files);
        QCOMPARE(json.exitCode, 1);
        const QStringList lines = json.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), files.size());
        for (qsizetype i = 0; i < files.size(); ++i)
            QCOMPARE(object(lines[i]).value("file").toString(), files[i]);
        QCOMPARE(object(lines[5]).value("error").toObject().value("number").toInt(), 53);

        const Result text = orvfields(QStringList{"write", "-j", "3", "--title", "New"} + files);
        QCOMPARE(text.exitCode, 1);
        QCOMPARE(text.err, "orvfields: " + missing + ": the file does not exist\n");
        qsizetype at = 0;
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (i == 5)
                continue;
            at = text.out.indexOf("==> " + files[i] + " <==\nTitle: New\n", at);
            QVERIFY2(at >= 0, qPrintable(files[i]));
            QCOMPARE(pdfinfo(files[i]).value("Title"), QStringLiteral("New"));
        }
    }

    void progressOnlyOnATerminal()
    {
        // script(1) gives the program a terminal; -e passes on its exit status, so a
        // program that fails cannot pass for one that shows no progress.
        const auto progress = [&](const QString &options) {
            const Result result =
                run("script",
                    {"-qec", QStringLiteral("%1 read -q %2 %3 %3 %3").arg(cli(), options, m_pdf),
                     "/dev/null"});
            return result.exitCode == 0 ? result.out.contains("of 3 files") ? "shown" : "none"
                                        : "failed";
        };
        QCOMPARE(progress(QString()), "shown");
        QCOMPARE(progress("--no-progress"), "none");
        const Result piped = orvfields({"read", "-q", m_pdf, m_pdf, m_pdf});
        QCOMPARE(piped.exitCode, 0);
        QCOMPARE(piped.err, QString());
    }

    void concurrentWritersLoseNothing()
    {
        // Three writers at once, each setting its own field, beside two readers: every
        // field a writer reported written is in the file, and the entries nobody touched
        // stay.
        for (int round = 0; round < 20; ++round) {
            makePdf(m_pdf, {{"Title", "Guide"}, {"Keep", "me"}, {"Also", "this"}});
            std::vector<std::future<Result>> runs;
            for (int r = 0; r < 2; ++r)
                runs.push_back(std::async(std::launch::async, [&] {
                    return run(cli(), QStringList{"read", "-q"} + QStringList(8, m_pdf));
                }));
            for (int w = 0; w < 3; ++w)
                runs.push_back(std::async(std::launch::async, [&, w] {
                    return run(cli(), {"write", m_pdf, "--wait", "60", "--set",
                                       QStringLiteral("W%1=%2").arg(w).arg(round)});
                }));
            for (auto &ran : runs) {
                const Result result = ran.get();
                QVERIFY2(result.exitCode == 0, qPrintable(result.err));
            }
            const QMap<QString, QString> info = pdfinfo(m_pdf);
            for (int w = 0; w < 3; ++w)
                QCOMPARE(info.value(QStringLiteral("W%1").arg(w)), QString::number(round));
            QCOMPARE(info.value("Keep") + info.value("Also") + info.value("Title"),
                     QStringLiteral("methisGuide"));
        }
    }

    void failuresNameTheFileAndTheReason()
    {
        const QString text = Support::writeFile(m_dir->filePath("text.pdf"), "not a pdf\n");
        const Result result = orvfields({"write", text, "--title", "T"});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err, "orvfields: " + text + ": the file is not a PDF\n");
        QCOMPARE(Support::bytes(text), QByteArray("not a pdf\n"));

        // XMP metadata that cannot be read is left alone, with one line of warning.
        QVERIFY(PdfMaker{.metadata = "<x:xmpmeta><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
                                     "22-rdf-syntax-ns#\"><unclosed>"}
                    .write(m_pdf.toStdString()));
        const Result warned = orvfields({"write", m_pdf, "--author", "B"});
        QCOMPARE(warned.exitCode, 0);
        // The library names the file by its full name, on Windows on wine's drive Z:.
        const QString named = escaped(windows() ? "Z:" + windowsName(m_pdf) : m_pdf);
        QVERIFY2(warned.err.startsWith("orvfields: warning: the XMP metadata of " + named) &&
                     warned.err.count(u'\n') == 1,
                 qPrintable(warned.err));
    }

    void windowsPaths()
    {
        // Drive letters, UNC paths, backslashes, and paths too long for the system's
        // plain form: the report and the messages name each file as it was given.
        if (!windows())
            QSKIP("Windows paths are the Windows program's");
        const QString deep = m_dir->filePath(QString(120, 'd') + '/' + QString(120, 'e'));
        QVERIFY(QDir().mkpath(deep));
        const QString longPdf = deep + "/book.pdf";
        QVERIFY(QFile::copy(m_pdf, longPdf));
        const QString unc = QStringLiteral("\\\\orvfields\\root");
        const QStringList names{"Z:" + windowsName(m_pdf), unc + windowsName(m_pdf),
                                windowsName(longPdf), unc + windowsName(longPdf),
                                "\\\\?\\Z:" + windowsName(longPdf)};
        for (qsizetype i = 0; i < names.size(); ++i) {
            const Result write = orvfields(
                {"write", "--json", "--set", QStringLiteral("Path%1=yes").arg(i), names[i]});
            QCOMPARE(write.exitCode, 0);
            QCOMPARE(object(write.out).value("file").toString(), names[i]);
        }
        const QMap<QString, QString> info = pdfinfo(m_pdf);
        const QMap<QString, QString> longInfo = pdfinfo(longPdf);
        QVERIFY(info.contains("Path0") && info.contains("Path1"));
        QVERIFY(longInfo.contains("Path2") && longInfo.contains("Path3") &&
                longInfo.contains("Path4"));
        const QString missing = unc + windowsName(deep) + "\\missing.pdf";
        QCOMPARE(orvfields({"read", missing}).err,
                 "orvfields: " + escaped(missing) + ": the file does not exist\n");
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_pdf;
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"

// SPDX-License-Identifier: Apache-2.0
// orvfields-host: reading publication files, the tree object model as a plug-in
// sees it through late binding, the command line, the window's selection, the
// plug-in run through the registry, and the bundled sample publication.

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "host/HostOptions.h"
#include "host/HostWindow.h"
#include "host/model/PublicationReader.h"
#include "host/model/PublicationTree.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using Host::HostOptions;
using Host::HostWindow;

extern "C" qint32 DllRegisterServer();
extern "C" qint32 DllUnregisterServer();

using namespace Automation;
using Host::PublicationTree;
using Support::errorOf;

namespace {

const QByteArray Sample = R"(<?xml version="1.0" encoding="UTF-8"?>
<publication title="Handbook">
  <book name="User guide" pdf="books/user-guide.pdf">
    <node name="Chapter 1">
      <node name="Section 1.1"><node name="Note"/></node>
    </node>
    <node name="Chapter 2"/>
  </book>
  <book name="Zoë — 日本語" pdf="/absolute/elsewhere.pdf"/>
  <book name="Draft"/>
</publication>
)";

constexpr char HostTree[] = "{CDB0D6D1-249C-48DF-9ECD-A5E02F012A95}";
constexpr DispId SelectedNodeId = 0x60030017;

QObject *object(const QVariant &value)
{
    return Variant::toObject(value);
}

QString textOf(QObject *node, QStringView member = u"Text")
{
    return Variant::toText(get(node, member));
}

QString bookPath(QObject *tree, QObject *node)
{
    QObject *parameters = object(call(tree, u"GetNodeParameters", {get(node, u"Key")}));
    return textOf(object(call(parameters, u"Item", {QStringLiteral("BookPath")})), u"Contents");
}

// The host's window, with the texts of its messages collected instead of shown.
struct Window : HostWindow
{
    QStringList notices;
    Window()
    {
        setNotifier([this](const QString &, const QString &text) { notices.append(text); });
    }
};

} // namespace

class tst_Host : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        // The private registry of this test: the component is found as a host finds it.
        QCOMPARE(DllRegisterServer(), 0);
    }

    void malformedPublications_data()
    {
        QTest::addColumn<QByteArray>("xml");  // null: no file at all
        QTest::addColumn<QString>("message"); // after the file's path

        QTest::newRow("not a publication")
            << QByteArray("<?xml version=\"1.0\"?>\n<library/>")
            << ", line 2: the document is a <library>, not a <publication>";
        QTest::newRow("chapter among books")
            << QByteArray("<publication>\n  <book name=\"A\"/>\n  <chapter name=\"B\"/>\n"
                          "</publication>")
            << ", line 3: <chapter> in <publication>, where only <book> elements belong";
        QTest::newRow("book without name")
            << QByteArray("<publication>\n\n<book pdf=\"a.pdf\"/></publication>")
            << ", line 3: <book> has no name attribute";
        QTest::newRow("empty pdf")
            << QByteArray("<publication><book name=\"A\" pdf=\" \"/></publication>")
            << ", line 1: the pdf attribute of a book is empty; leave it out for a book that is "
               "not published";
        QTest::newRow("no file") << QByteArray() << ": No such file or directory";
    }
    void malformedPublications()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, message);
        // A publication read before is dropped, not kept half-replaced.
        PublicationTree tree;
        const QString good = write(QStringLiteral("good.xml"), Sample);
        QCOMPARE(Host::PublicationReader::readFile(good, tree), QString());
        tree.setSelectedNode(tree.nodeAt(QStringLiteral("Draft")));

        const QString path = m_folder.filePath(QStringLiteral("bad.xml"));
        QFile::remove(path);
        if (!xml.isNull())
            write(QStringLiteral("bad.xml"), xml);
        QCOMPARE(Host::PublicationReader::readFile(path, tree), path + message);
        QVERIFY(Variant::isNothing(call(&tree, u"NodeItem", {QStringLiteral("Publication")})));
        QVERIFY(Variant::isNothing(get(&tree, SelectedNodeId)));
        QCOMPARE(tree.FileName(), QString());
    }

    void objectModelLateBound()
    {
        // What a plug-in asks of a publication read from a file (its queries walk such
        // trees in their own tests).
        PublicationTree tree;
        const QString path = write(QStringLiteral("handbook.xml"), Sample);
        QCOMPARE(Host::PublicationReader::readFile(path, tree), QString());
        QCOMPARE(tree.Title(), QStringLiteral("Handbook"));
        QCOMPARE(tree.FileName(), path);
        QObject *host = queryInterface(&tree, QLatin1String(HostTree));
        QCOMPARE(idOfName(host, u"selectednode"), SelectedNodeId);
        QVERIFY(Variant::isNothing(call(host, u"NodeItem", {QStringLiteral("publication")})));

        // The books in order, each found by its key. Paths relative to the file's folder
        // become full paths, absolute ones stay; a book without a PDF is "None".
        QObject *publication = object(call(host, u"NodeItem", {QStringLiteral("Publication")}));
        QObject *first = object(get(publication, u"Child"));
        QStringList books;
        for (QObject *book = first; book; book = object(get(book, u"Next"))) {
            QCOMPARE(object(call(host, u"NodeItem", {get(book, u"Key")})), book);
            books.append(textOf(book) + u'=' + bookPath(host, book));
        }
        QCOMPARE(books, (QStringList{"User guide=" + m_folder.filePath("books/user-guide.pdf"),
                                     "Zoë — 日本語=/absolute/elsewhere.pdf", "Draft=None"}));

        // A parameter is found by its name in any case; a missing one is error 5.
        QObject *parameters = object(call(host, u"GetNodeParameters", {get(first, u"Key")}));
        QCOMPARE(textOf(object(call(parameters, u"Item", {QStringLiteral("bookpath")})), u"Name"),
                 QStringLiteral("BookPath"));
        QCOMPARE(errorOf([&] { call(parameters, u"Item", {QStringLiteral("Author")}); }), 5);
        QCOMPARE(errorOf([&] { call(host, u"GetNodeParameters", {QStringLiteral("K999")}); }), 5);
    }

    void commandLine()
    {
        const QString program = QStringLiteral("orvfields-host");
        HostOptions options = HostOptions::parse(
            {program, QStringLiteral("pub.xml"), QStringLiteral("--select"),
             QStringLiteral("User guide/Chapter 1"), QStringLiteral("--language"), "fr"});
        QCOMPARE(options.error, QString());
        QCOMPARE(options.publication, QStringLiteral("pub.xml"));
        QCOMPARE(options.select, std::optional<QString>(QStringLiteral("User guide/Chapter 1")));
        QCOMPARE(options.language, std::optional(HostWindow::Language::French));
        // Without a file, the sample; without a language, the system's.
        options = HostOptions::parse({program});
        QCOMPARE(options.publication, QString());
        QVERIFY(!options.language && !options.select);
        QVERIFY(!HostOptions::parse({program, "--language", "de"}).error.isEmpty());
        QVERIFY(!HostOptions::parse({program, "a.xml", "b.xml"}).error.isEmpty());
    }

    void windowFollowsSelection()
    {
        Window window;
        QVERIFY(window.openPublication(write(QStringLiteral("window.xml"), Sample)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QObject *host = &window.tree();
        const auto selected = [&] {
            return object(get(host, SelectedNodeId));
        };
        QVERIFY(!selected());

        QVERIFY(window.selectPath(QStringLiteral("User guide/Chapter 1")));
        QCOMPARE(textOf(selected()), QStringLiteral("Chapter 1"));
        QTreeView *view = window.treeView();
        QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("Chapter 1"));
        QVERIFY(!window.selectPath(QStringLiteral("User guide/Chapter 9")));
        QVERIFY(!window.selectPath(QStringLiteral("user guide")));
        QCOMPARE(textOf(selected()), QStringLiteral("Chapter 1"));

        // The user clicks a book: the host's selection follows.
        const QModelIndex draft = view->model()->index(2, 0, view->model()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(draft).center());
        QCOMPARE(textOf(selected()), QStringLiteral("Draft"));
        view->clearSelection();
        QVERIFY(!selected());
        QVERIFY(window.selectPath(QString()));
        QCOMPARE(textOf(selected(), u"Tag"), QStringLiteral("Publication"));
        QVERIFY(window.notices.isEmpty());
    }

    void everyMenuItemHasItsOwnAccessKey()
    {
        Window window;
        QList<QList<QAction *>> groups{window.menuBar()->actions()};
        for (const QAction *menu : groups.first())
            groups.append(menu->menu()->actions());
        for (const QList<QAction *> &group : groups) {
            QStringList keys;
            for (const QAction *action : group)
                if (!action->isSeparator())
                    keys.append(QKeySequence::mnemonic(action->text()).toString());
            const QString all = keys.join(u' ');
            QVERIFY2(!keys.contains(QString()) && keys.removeDuplicates() == 0, qPrintable(all));
        }
    }

    void pluginFromTheWindow_data()
    {
        QTest::addColumn<HostWindow::Language>("language");
        QTest::addColumn<QString>("title");
        QTest::newRow("English") << HostWindow::Language::English << "PDF fields";
        QTest::newRow("French") << HostWindow::Language::French << "Champs PDF";
    }
    void pluginFromTheWindow()
    {
        QFETCH(HostWindow::Language, language);
        QFETCH(QString, title);
        // A file that cannot be read leaves the window without a publication, which
        // the plug-in, found through the registry, refuses in the host's language.
        Window window;
        window.setLanguage(language);
        QVERIFY(window.openPublication(write(QStringLiteral("first.xml"), Sample)));
        const QString broken = write(QStringLiteral("broken.xml"), "<publication>\n<book");
        QVERIFY(!window.openPublication(broken));
        QCOMPARE(window.notices.size(), 1);
        QVERIFY(window.notices.takeFirst().startsWith(broken + QStringLiteral(", line 2: ")));
        QCOMPARE(window.treeView()->model()->rowCount(), 0);
        MessageBoxRecorder boxes;
        window.pluginAction()->trigger();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().style, 16);
        QCOMPARE(boxes.boxes.first().title, title);

        QVERIFY(window.notices.isEmpty());
    }

    void pluginNotRegistered()
    {
        QCOMPARE(DllUnregisterServer(), 0);
        Window window;
        MessageBoxRecorder boxes;
        window.pluginAction()->trigger();
        QCOMPARE(DllRegisterServer(), 0);
        QCOMPARE(window.notices.size(), 1);
        QVERIFY2(window.notices.first().contains(QStringLiteral("error 429")),
                 qPrintable(window.notices.first()));
        QVERIFY(window.notices.first().contains(QStringLiteral("OrvFields.MainForm")));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void bundledSample()
    {
        // The sample is built beside the programs; the host opens it by default.
        Window window;
        QVERIFY(window.openPublication(HostOptions::samplePublication()));
        QVERIFY(window.notices.isEmpty());
        PublicationTree &tree = window.tree();
        const auto path = [&](const char *book) {
            return bookPath(&tree, tree.nodeAt(QString::fromUtf8(book)));
        };
        QCOMPARE(tree.publication()->children().size(), 5);
        QVERIFY(Support::bytes(path("Annual report")).contains("/Metadata")); // with XMP
        QCOMPARE(path("Style manual"), QStringLiteral("None"));
        QVERIFY(!QFile::exists(path("Reference manual")));

        // One with object streams and a cross-reference stream, one classic.
        const QByteArray guide = Support::bytes(path("User guide"));
        const QByteArray notes = Support::bytes(path("Release notes"));
        QVERIFY(guide.contains("/ObjStm") && guide.contains("/XRef"));
        QVERIFY(notes.contains("\nxref\n") && !notes.contains("/XRef"));

        // Every kind of information entry, read back by an independent reader.
        const QString entries =
            Support::run(QStringLiteral("pdfinfo"), {QStringLiteral("-custom"), path("User guide")})
                .text;
        for (const char *line :
             {"Title:           User guide", "Author:          Zoë Lambert",
              "Keywords:        guide, publishing, PDF", "Producer:        OrvFields sample maker",
              "Reviewer:        Zoë — 日本語", "Release Channel: stable", "CreationDate:"})
            QVERIFY2(entries.contains(QString::fromUtf8(line)), line);
    }

private:
    QString write(const QString &name, const QByteArray &content)
    {
        return Support::writeFile(m_folder.filePath(name), content);
    }

    QTemporaryDir m_folder;
};

QTEST_MAIN(tst_Host)
#include "tst_host.moc"

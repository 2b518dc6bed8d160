// SPDX-License-Identifier: Apache-2.0
// orvfields-host: reading publication files, the tree object model as a plug-in
// sees it through late binding, the command line, the window's selection, the
// plug-in run through the registry, the bundled sample publication, and the messages of
// a screenshot run.

#include "automation/AutomationError.h"
#include "automation/ClassFactory.h"
#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "host/HostOptions.h"
#include "host/HostWindow.h"
#include "host/model/PublicationReader.h"
#include "host/model/PublicationTree.h"
#include "support/Boxes.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using Host::HostOptions;
using Host::HostWindow;

extern "C" Automation::HRESULT DllRegisterServer();
extern "C" Automation::HRESULT DllUnregisterServer();

using namespace Automation;
using Host::PublicationTree;
using Support::errorOf;
using Support::q;
using Support::u;

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

QString textOf(const Ref<Object> &node, std::u16string_view member = u"Text")
{
    return q(get(node, member).toText());
}

QString bookPath(const Ref<Object> &tree, const Ref<Object> &node)
{
    const Ref<Object> parameters = call(tree, u"GetNodeParameters", {get(node, u"Key")}).toObject();
    return textOf(call(parameters, u"Item", {u"BookPath"}).toObject(), u"Contents");
}

QString readFile(const QString &path, PublicationTree &tree)
{
    return q(Host::PublicationReader::readFile(u(path), tree));
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
        // A publication read before is dropped, not kept half-replaced. A node a client
        // still holds outlives it, cut from the tree.
        const Ref<PublicationTree> tree = make<PublicationTree>();
        QCOMPARE(readFile(write(QStringLiteral("good.xml"), Sample), *tree), QString());
        tree->setSelectedNode(tree->nodeAt(u"Draft"));
        const Ref<Object> draft = get(tree, u"SelectedNode").toObject();

        const QString path = m_folder.filePath(QStringLiteral("bad.xml"));
        QFile::remove(path);
        if (!xml.isNull())
            write(QStringLiteral("bad.xml"), xml);
        QCOMPARE(readFile(path, *tree), path + message);
        QVERIFY(call(tree, u"NodeItem", {u"Publication"}).isNothing());
        QVERIFY(get(tree.get(), SelectedNodeId).isNothing());
        QCOMPARE(tree->FileName(), u"");
        QCOMPARE(textOf(draft), QStringLiteral("Draft"));
        QVERIFY(get(draft, u"Parent").isNothing() && get(draft, u"Next").isNothing());
    }

    void objectModelLateBound()
    {
        // What a plug-in asks of a publication read from a file (its queries walk such
        // trees in their own tests).
        const Ref<PublicationTree> tree = make<PublicationTree>();
        const QString path = write(QStringLiteral("handbook.xml"), Sample);
        QCOMPARE(readFile(path, *tree), QString());
        QCOMPARE(tree->Title(), u"Handbook");
        QCOMPARE(q(tree->FileName()), path);
        const Ref<Object> host = queryInterface(tree, HostTree);
        QCOMPARE(idOfName(host.get(), u"selectednode"), SelectedNodeId);
        QVERIFY(call(host, u"NodeItem", {u"publication"}).isNothing());

        // The books in order, each found by its key. Paths relative to the file's folder
        // become full paths, absolute ones stay; a book without a PDF is "None".
        const Ref<Object> publication = call(host, u"NodeItem", {u"Publication"}).toObject();
        const Ref<Object> first = get(publication, u"Child").toObject();
        QVERIFY(queryInterface(first, "{C74190B8-8589-11D1-B16A-00C0F0283628}"));
        QStringList books;
        for (Ref<Object> book = first; book; book = get(book, u"Next").toObject()) {
            QVERIFY(call(host, u"NodeItem", {get(book, u"Key")}).toObject() == book);
            QVERIFY(get(book, u"Parent").toObject() == publication);
            books.append(textOf(book) + u'=' + bookPath(host, book));
        }
        QCOMPARE(books, (QStringList{"User guide=" + m_folder.filePath("books/user-guide.pdf"),
                                     "Zoë — 日本語=/absolute/elsewhere.pdf", "Draft=None"}));

        // A parameter is found by its name in any case or its position; a missing one is
        // error 5.
        const Ref<Object> parameters =
            call(host, u"GetNodeParameters", {get(first, u"Key")}).toObject();
        QCOMPARE(textOf(call(parameters, u"Item", {u"bookpath"}).toObject(), u"Name"),
                 QStringLiteral("BookPath"));
        QCOMPARE(textOf(call(parameters, u"Item", {1}).toObject(), u"Name"),
                 QStringLiteral("BookPath"));
        QCOMPARE(errorOf([&] { call(parameters, u"Item", {u"Author"}); }), 5);
        QCOMPARE(errorOf([&] { call(parameters, u"Item", {2}); }), 5);
        QCOMPARE(errorOf([&] { call(host, u"GetNodeParameters", {u"K999"}); }), 5);
    }

    void commandLine()
    {
        const QString program = QStringLiteral("orvfields-host");
        HostOptions options = HostOptions::parse(
            {program, "pub.xml", "--select", "User guide/Chapter 1", "--language", "fr"});
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
        Object *host = &window.tree();
        const auto selected = [&] {
            return get(host, SelectedNodeId).toObject();
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

    void pluginFromTheWindow()
    {
        // A file that cannot be read leaves the window without a publication, which
        // the plug-in, found through the registry, refuses in the host's language.
        Window window;
        window.setLanguage(HostWindow::Language::French);
        QVERIFY(window.openPublication(write(QStringLiteral("first.xml"), Sample)));
        const QString broken = write(QStringLiteral("broken.xml"), "<publication>\n<book");
        QVERIFY(!window.openPublication(broken));
        QCOMPARE(window.notices.size(), 1);
        QVERIFY(window.notices.takeFirst().startsWith(broken + QStringLiteral(", line 2: ")));
        QCOMPARE(window.treeView()->model()->rowCount(), 0);
        Boxes boxes;
        window.pluginAction()->trigger();
        QCOMPARE(boxes.shown.size(), std::size_t(1));
        QCOMPARE(boxes.shown.front().title, u"Champs PDF");
        QVERIFY(window.notices.isEmpty());
    }

    void pluginNotRegistered()
    {
        QCOMPARE(DllUnregisterServer(), 0);
        Window window;
        Boxes boxes;
        window.pluginAction()->trigger();
        QCOMPARE(DllRegisterServer(), 0);
        QCOMPARE(window.notices.size(), 1);
        QVERIFY2(window.notices.first().contains(QStringLiteral("error 429")),
                 qPrintable(window.notices.first()));
        QVERIFY(window.notices.first().contains(QStringLiteral("OrvFields.MainForm")));
        QVERIFY(boxes.shown.empty());
    }

    void bundledSample()
    {
        // The sample is built beside the programs; the host opens it by default.
        Window window;
        QVERIFY(window.openPublication(HostOptions::samplePublication()));
        QVERIFY(window.notices.isEmpty());
        PublicationTree &tree = window.tree();
        QCOMPARE(tree.publication()->children().size(), 5u);
        const auto path = [&](const char16_t *book) {
            return bookPath(&tree, tree.nodeAt(book));
        };
        QVERIFY(QFile::exists(path(u"User guide")));
        QCOMPARE(path(u"Style manual"), QStringLiteral("None"));
        QVERIFY(!QFile::exists(path(u"Reference manual")));
    }

    void screenshotRunShowsEveryMessage()
    {
        // orvfields-host --screenshot on a publication it cannot read: the host's message,
        // then the plug-in's, are reported and closed (nothing waits); no picture.
        const QString broken = write(QStringLiteral("broken.xml"), "<publication><book");
        const QString none = m_folder.filePath(QStringLiteral("none.png"));
        const Support::Output out =
            Support::run(QStringLiteral(ORVFIELDS_HOST), {broken, "--screenshot", none});
        QCOMPARE(out.exitCode, 1);
        const QString text = QString::fromStdString(out.out + out.err);
        QVERIFY2(text.contains("Publication not opened") &&
                     text.contains("This plugin need an open and valid publication"),
                 qPrintable(text));
        QVERIFY(!QFile::exists(none));
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

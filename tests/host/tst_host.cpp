// orvfields-host: reading publication files, the tree object model as a plug-in
// sees it through late binding, the command line, the window's selection, the
// plug-in run through the registry, and the bundled sample publication.

#include "AutomationError.h"
#include "Dispatch.h"
#include "HostOptions.h"
#include "HostWindow.h"
#include "MessageBoxRecorder.h"
#include "PublicationReader.h"
#include "PublicationTree.h"
#include "Variant.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

extern "C" qint32 DllRegisterServer();
extern "C" qint32 DllUnregisterServer();

using namespace Automation;
using Host::PublicationTree;

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

constexpr char TreeViewNode[] = "{C74190B8-8589-11D1-B16A-00C0F0283628}";
constexpr char HostTree[] = "{CDB0D6D1-249C-48DF-9ECD-A5E02F012A95}";
constexpr DispId SelectedNodeId = 0x60030017;

QString write(const QTemporaryDir &folder, const QString &name, const QByteArray &content)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QObject *object(const QVariant &value)
{
    return Variant::toObject(value);
}

QString textOf(const QVariant &node)
{
    return Variant::toText(get(object(node), u"Text"));
}

QString bookPath(QObject *tree, QObject *node)
{
    QObject *parameters = object(call(tree, u"GetNodeParameters", {get(node, u"Key")}));
    return Variant::toText(
        get(object(call(parameters, u"Item", {QStringLiteral("BookPath")})), u"Contents"));
}

struct Notice
{
    QString title;
    QString text;
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

    void readsPublication()
    {
        PublicationTree tree;
        const QString path = write(m_folder, QStringLiteral("handbook.xml"), Sample);
        QCOMPARE(Host::PublicationReader::readFile(path, tree), QString());

        QCOMPARE(tree.Title(), QStringLiteral("Handbook"));
        QCOMPARE(tree.FileName(), path);
        QCOMPARE(tree.publication()->children().size(), 3);
        // Paths relative to the file's folder become full paths; absolute ones stay;
        // a book without a PDF is "None".
        QCOMPARE(bookPath(&tree, tree.nodeAt(QStringLiteral("User guide"))),
                 m_folder.filePath(QStringLiteral("books/user-guide.pdf")));
        QCOMPARE(bookPath(&tree, tree.nodeAt(QStringLiteral("Zoë — 日本語"))),
                 QStringLiteral("/absolute/elsewhere.pdf"));
        QCOMPARE(bookPath(&tree, tree.nodeAt(QStringLiteral("Draft"))), QStringLiteral("None"));

        Host::PublicationNode *note =
            tree.nodeAt(QStringLiteral("User guide/Chapter 1/Section 1.1/Note"));
        QVERIFY(note);
        QCOMPARE(note->Tag().toString(), QStringLiteral("Node"));
        QCOMPARE(note->path(), QStringLiteral("User guide/Chapter 1/Section 1.1/Note"));
        QCOMPARE(tree.nodeAt(QString()), tree.publication());
        QCOMPARE(tree.nodeAt(QStringLiteral("User guide/Chapter 3")), nullptr);
        QCOMPARE(tree.nodeAt(QStringLiteral("user guide")), nullptr);
    }

    void malformedPublications_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");

        QTest::newRow("tags crossed") << QByteArray("<publication>\n<book name=\"A\">\n</node>\n")
                                      << 3 << "Opening and ending tag mismatch.";
        QTest::newRow("not a publication") << QByteArray("<?xml version=\"1.0\"?>\n<library/>") << 2
                                           << "the document is a <library>, not a <publication>";
        QTest::newRow("chapter among books")
            << QByteArray("<publication>\n  <book name=\"A\"/>\n  <chapter name=\"B\"/>\n"
                          "</publication>")
            << 3 << "<chapter> in <publication>, where only <book> elements belong";
        QTest::newRow("book without name") << QByteArray("<publication>\n\n<book pdf=\"a.pdf\"/>"
                                                         "</publication>")
                                           << 3 << "<book> has no name attribute";
        QTest::newRow("empty pdf") << QByteArray("<publication><book name=\"A\" pdf=\" \"/>"
                                                 "</publication>")
                                   << 1
                                   << "the pdf attribute of a book is empty; leave it out for a "
                                      "book that is not published";
        QTest::newRow("two publications") << QByteArray("<publication/>\n<publication/>") << 2
                                          << "Extra content at end of document.";
    }

    void malformedPublications()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, line);
        QFETCH(QString, reason);

        // A publication read before is dropped, not kept half-replaced.
        PublicationTree tree;
        const QString good = write(m_folder, QStringLiteral("good.xml"), Sample);
        QCOMPARE(Host::PublicationReader::readFile(good, tree), QString());
        tree.setSelectedNode(tree.nodeAt(QStringLiteral("Draft")));

        const QString path = write(m_folder, QStringLiteral("bad.xml"), xml);
        QCOMPARE(Host::PublicationReader::readFile(path, tree),
                 QStringLiteral("%1, line %2: %3").arg(path).arg(line).arg(reason));
        QVERIFY(Variant::isNothing(call(&tree, u"NodeItem", {QStringLiteral("Publication")})));
        QVERIFY(Variant::isNothing(get(&tree, SelectedNodeId)));
        QCOMPARE(tree.FileName(), QString());
    }

    void unreadablePublication()
    {
        PublicationTree tree;
        const QString missing = m_folder.filePath(QStringLiteral("nowhere.xml"));
        QCOMPARE(Host::PublicationReader::readFile(missing, tree),
                 missing + QStringLiteral(": No such file or directory"));
        QVERIFY(!tree.publication());
    }

    void objectModelLateBound()
    {
        PublicationTree tree;
        QCOMPARE(Host::PublicationReader::readFile(
                     write(m_folder, QStringLiteral("late.xml"), Sample), tree),
                 QString());
        QObject *host = queryInterface(&tree, QLatin1String(HostTree));
        QCOMPARE(idOfName(host, u"selectednode"), SelectedNodeId);
        QVERIFY(Variant::isNothing(get(host, SelectedNodeId)));
        QVERIFY(Variant::isNothing(call(host, u"NodeItem", {QStringLiteral("publication")})));

        // The publication node: tag, no parent, the books as its children in order.
        QObject *publication = object(call(host, u"NodeItem", {QStringLiteral("Publication")}));
        QVERIFY(publication);
        QCOMPARE(Variant::toText(get(publication, u"Tag")), QStringLiteral("Publication"));
        QVERIFY(Variant::isNothing(get(publication, u"Parent")));
        QStringList books;
        QStringList keys;
        for (QObject *book = object(get(publication, u"Child")); book;
             book = object(get(book, u"Next"))) {
            QCOMPARE(Variant::toText(get(book, u"Tag")), QStringLiteral("Book"));
            QCOMPARE(object(get(book, u"Parent")), publication);
            books.append(Variant::toText(get(book, u"Text")));
            keys.append(Variant::toText(get(book, u"Key")));
        }
        QCOMPARE(books, (QStringList{"User guide", "Zoë — 日本語", "Draft"}));
        // Keys are unique and are what finds a node, not its text.
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), 3);
        QCOMPARE(object(call(host, u"NodeItem", {keys.at(2)})),
                 static_cast<QObject *>(tree.nodeAt(QStringLiteral("Draft"))));
        QVERIFY(Variant::isNothing(call(host, u"NodeItem", {QStringLiteral("Draft")})));

        // The parameter set: by name (any case) or by position; a missing one is error 5.
        QObject *parameters = object(call(host, u"GetNodeParameters", {keys.at(0)}));
        QObject *byName = object(call(parameters, u"Item", {QStringLiteral("bookpath")}));
        QCOMPARE(object(call(parameters, u"Item", {1})), byName);
        QCOMPARE(Variant::toText(get(byName, u"Name")), QStringLiteral("BookPath"));
        auto fails = [](auto &&callBody) -> qint32 {
            try {
                callBody();
            } catch (const AutomationError &error) {
                return error.number();
            }
            return 0;
        };
        QCOMPARE(fails([&] { call(parameters, u"Item", {QStringLiteral("Author")}); }), 5);
        QCOMPARE(fails([&] { call(parameters, u"Item", {2}); }), 5);
        QCOMPARE(fails([&] { call(host, u"GetNodeParameters", {QStringLiteral("K999")}); }), 5);

        // The selected node, through the tree-view node interface, walks up to its book.
        tree.setSelectedNode(tree.nodeAt(QStringLiteral("User guide/Chapter 1/Section 1.1")));
        QObject *node =
            queryInterface(object(get(host, SelectedNodeId)), QLatin1String(TreeViewNode));
        QCOMPARE(Variant::toText(get(node, u"Tag")), QStringLiteral("Node"));
        node = object(get(object(get(node, u"Parent")), u"Parent"));
        QCOMPARE(textOf(Variant::fromObject(node)), QStringLiteral("User guide"));
        QCOMPARE(Variant::toText(get(node, u"Tag")), QStringLiteral("Book"));
        // Where the tree ends, each way.
        QObject *leaf = tree.nodeAt(QStringLiteral("User guide/Chapter 1/Section 1.1/Note"));
        QVERIFY(Variant::isNothing(get(leaf, u"Child")));
        QVERIFY(Variant::isNothing(get(leaf, u"Next")));
        // A node is not the host's tree.
        QCOMPARE(fails([&] { queryInterface(node, QLatin1String(HostTree)); }), 13);
    }

    void commandLine()
    {
        const QString program = QStringLiteral("orvfields-host");
        HostOptions options =
            HostOptions::parse({program, QStringLiteral("pub.xml"), QStringLiteral("--select"),
                                QStringLiteral("User guide/Chapter 1"),
                                QStringLiteral("--language"), QStringLiteral("fr")});
        QCOMPARE(options.error, QString());
        QCOMPARE(options.publication, QStringLiteral("pub.xml"));
        QCOMPARE(options.select, std::optional<QString>(QStringLiteral("User guide/Chapter 1")));
        QCOMPARE(options.language, std::optional(HostWindow::Language::French));

        // Without a file, the sample; without a language, the system's.
        options = HostOptions::parse({program});
        QCOMPARE(options.publication, HostOptions::samplePublication());
        QVERIFY(!options.language && !options.select);

        QVERIFY(!HostOptions::parse({program, QStringLiteral("--language"), QStringLiteral("de")})
                     .error.isEmpty());
        QVERIFY(!HostOptions::parse({program, QStringLiteral("a.xml"), QStringLiteral("b.xml")})
                     .error.isEmpty());
    }

    void windowFollowsSelection()
    {
        HostWindow window;
        QList<Notice> notices;
        window.setNotifier([&](const QString &t, const QString &x) { notices.append({t, x}); });
        QVERIFY(window.openPublication(write(m_folder, QStringLiteral("window.xml"), Sample)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QObject *host = &window.tree();
        QVERIFY(Variant::isNothing(get(host, SelectedNodeId)));

        QVERIFY(window.selectPath(QStringLiteral("User guide/Chapter 1")));
        QCOMPARE(textOf(get(host, SelectedNodeId)), QStringLiteral("Chapter 1"));
        QTreeView *view = window.treeView();
        QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("Chapter 1"));
        QVERIFY(!window.selectPath(QStringLiteral("User guide/Chapter 9")));
        QCOMPARE(textOf(get(host, SelectedNodeId)), QStringLiteral("Chapter 1"));

        // The user clicks a book: the host's selection follows, and so do the details.
        const QModelIndex draft = view->model()->index(2, 0, view->model()->index(0, 0));
        QCOMPARE(draft.data().toString(), QStringLiteral("Draft"));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(draft).center());
        QCOMPARE(textOf(get(host, SelectedNodeId)), QStringLiteral("Draft"));
        auto *details = window.findChild<QLabel *>(QStringLiteral("details"));
        QVERIFY(details->text().contains(QStringLiteral("Not published")));
        QVERIFY(window.selectPath(QStringLiteral("User guide")));
        QVERIFY(details->text().contains(QStringLiteral("(missing)")));

        view->clearSelection();
        QVERIFY(Variant::isNothing(get(host, SelectedNodeId)));
        QVERIFY(window.selectPath(QString()));
        QCOMPARE(Variant::toText(get(object(get(host, SelectedNodeId)), u"Tag")),
                 QStringLiteral("Publication"));
        QVERIFY(notices.isEmpty());
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
        HostWindow window;
        QList<Notice> notices;
        window.setNotifier([&](const QString &t, const QString &x) { notices.append({t, x}); });
        window.setLanguage(language);
        QVERIFY(window.openPublication(write(m_folder, QStringLiteral("first.xml"), Sample)));
        const QString broken =
            write(m_folder, QStringLiteral("broken.xml"), "<publication>\n<book");
        QVERIFY(!window.openPublication(broken));
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().text.startsWith(broken + QStringLiteral(", line 2: ")));
        QCOMPARE(window.treeView()->model()->rowCount(), 0);
        notices.clear();
        MessageBoxRecorder boxes;
        window.pluginAction()->trigger();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().style, 16);
        QCOMPARE(boxes.boxes.first().title, title);
        QVERIFY(notices.isEmpty());

        // A publication: the plug-in runs over it. Closing whatever it shows ends it
        // without a message.
        boxes.boxes.clear();
        QVERIFY(window.openPublication(write(m_folder, QStringLiteral("some.xml"), Sample)));
        QVERIFY(window.selectPath(QStringLiteral("Draft")));
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(20);
        window.pluginAction()->trigger();
        closer.stop();
        QVERIFY(boxes.boxes.isEmpty());
        QVERIFY(notices.isEmpty());
    }

    void pluginNotRegistered()
    {
        QCOMPARE(DllUnregisterServer(), 0);
        HostWindow window;
        QList<Notice> notices;
        window.setNotifier([&](const QString &t, const QString &x) { notices.append({t, x}); });
        MessageBoxRecorder boxes;
        window.pluginAction()->trigger();
        QCOMPARE(DllRegisterServer(), 0);
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices.first().text.contains(QStringLiteral("error 429")),
                 qPrintable(notices.first().text));
        QVERIFY(notices.first().text.contains(QStringLiteral("OrvFields.MainForm")));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void bundledSample()
    {
        // The sample is built beside the programs; the host opens it by default.
        HostWindow window;
        QList<Notice> notices;
        window.setNotifier([&](const QString &t, const QString &x) { notices.append({t, x}); });
        QVERIFY(window.openPublication(HostOptions::samplePublication()));
        QVERIFY(notices.isEmpty());
        PublicationTree &tree = window.tree();
        QCOMPARE(tree.publication()->children().size(), 4);

        const QString userGuide = bookPath(&tree, tree.nodeAt(QStringLiteral("User guide")));
        const QString releaseNotes = bookPath(&tree, tree.nodeAt(QStringLiteral("Release notes")));
        QCOMPARE(bookPath(&tree, tree.nodeAt(QStringLiteral("Style manual"))),
                 QStringLiteral("None"));
        QVERIFY(!QFile::exists(bookPath(&tree, tree.nodeAt(QStringLiteral("Reference manual")))));
        QVERIFY(tree.nodeAt(QStringLiteral("User guide/Chapter 1/Section 1.1")));

        // One with object streams and a cross-reference stream, one classic.
        QFile guide(userGuide);
        QFile notes(releaseNotes);
        QVERIFY(guide.open(QIODevice::ReadOnly) && notes.open(QIODevice::ReadOnly));
        const QByteArray guideBytes = guide.readAll();
        const QByteArray notesBytes = notes.readAll();
        QVERIFY(guideBytes.contains("/ObjStm") && guideBytes.contains("/XRef"));
        QVERIFY(notesBytes.contains("\nxref\n") && !notesBytes.contains("/XRef"));

        // Every kind of information entry, read back by an independent reader.
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-custom"), userGuide});
        QVERIFY(info.waitForFinished());
        const QString entries = QString::fromUtf8(info.readAllStandardOutput());
        for (const char *line :
             {"Title:           User guide", "Author:          Zoë Lambert",
              "Keywords:        guide, publishing, PDF", "Producer:        OrvFields sample maker",
              "Reviewer:        Zoë — 日本語", "Release Channel: stable", "CreationDate:"})
            QVERIFY2(entries.contains(QString::fromUtf8(line)), line);
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(tst_Host)
#include "tst_host.moc"

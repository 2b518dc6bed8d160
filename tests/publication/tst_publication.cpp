// SPDX-License-Identifier: Apache-2.0
// The publication queries over host trees and over hosts that break.

#include "automation/AutomationError.h"
#include "automation/ClassInfo.h"
#include "host/model/PublicationTree.h"
#include "platform/Toolkit.h"
#include "publication/mdlFunctions.h"
#include "publication/mdlTreeview.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Automation;
using Host::PublicationTree;
using Support::q;
using Support::u;
using Support::writeFile;

namespace {

const QString NotSet = QStringLiteral("Object variable or With block variable not set");
const QString NoMember = QStringLiteral("Object doesn't support this property or method");
const std::u16string NodeTag = PublicationTree::NodeTag;

// The message of a query's trap.
QString trapped(const char *source, int number, const QString &description, int line)
{
    return QStringLiteral("(OrvFields.%1) Error %2 : %3 Line %4")
        .arg(QLatin1String(source), QString::number(number), description, QString::number(line));
}

// Three books: A published, B not published (two levels of nodes below it), C with a
// PDF path whose file does not exist.
Ref<PublicationTree> threeBooks(const QString &folder)
{
    auto tree = make<PublicationTree>();
    tree->createPublication(u"Test");
    tree->addNode(tree->addBook(u"A", u(folder + "/a.pdf")), u"A1", NodeTag);
    tree->addNode(tree->addNode(tree->addBook(u"B", {}), u"B1", NodeTag), u"B1x", NodeTag);
    tree->addBook(u"C", u(folder + "/missing/c.pdf"));
    return tree;
}

// A book list in a window of its own, as the dialog has one.
struct Books
{
    explicit Books(const QStringList &texts = {}, int selected = -1)
    {
        for (const QString &text : texts)
            list->addItem(u(text));
        list->setSelectedIndex(selected);
    }
    QStringList entries() const
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts.append(q(list->itemText(i)));
        return texts;
    }

    std::unique_ptr<Platform::Form> form = Platform::createForm("frmTest");
    std::unique_ptr<Platform::DropDownList> list = Platform::createDropDownList(*form, "cmbBooks");
};

// A host that offers nothing: every call on it fails as on a foreign object.
class BareHost : public Object
{
};

// A host that walks like a cursor (it is its own publication node and books) and
// fails inside the host on the way to the third book.
class FailingHost : public Object
{
public:
    const ClassInfo *classInfo() const override
    {
        static const ClassInfo info =
            ClassBuilder<FailingHost>("FailingHost", {}, {}, "IFailingHost", {})
                .method("NodeItem", 1, &FailingHost::NodeItem)
                .get("Child", 2, &FailingHost::Child)
                .get("Next", 3, &FailingHost::Next)
                .get("Text", 4, &FailingHost::Text)
                .build();
        return &info;
    }
    Ref<Object> NodeItem(const std::u16string &) { return this; }
    Ref<Object> Child() { return this; }
    Ref<Object> Next()
    {
        if (++m_book == 2)
            raise(GeneralFailure, u"the host lost its place");
        return this;
    }
    std::u16string Text() const { return u(QStringLiteral("Book %1").arg(m_book + 1)); }

private:
    int m_book = 0;
};

} // namespace

class tst_Publication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        writeFile(m_folder.filePath("a.pdf"), "%PDF-1.4\n");
    }

    void fillBooksList()
    {
        MessageBoxRecorder boxes;
        auto host = threeBooks(m_folder.path());
        Books books({"stale 1", "stale 2"}, 1);
        QVERIFY(mdlFunctions::FillBooksList(*books.list, host.get()));
        // Books only, in tree order; the nodes below them are not books.
        QCOMPARE(books.entries(), (QStringList{"A", "B", "C"}));
        QCOMPARE(books.list->selectedIndex(), 0);
        QVERIFY(boxes.boxes.isEmpty());

        // A host failing after two books: the two stay, the result is false.
        QVERIFY(!mdlFunctions::FillBooksList(*books.list, make<FailingHost>().get()));
        QCOMPARE(books.entries(), (QStringList{"Book 1", "Book 2"}));
        // No host at all is a failure too, not a quiet empty list.
        QVERIFY(!mdlFunctions::FillBooksList(*books.list, nullptr));
        QCOMPARE(boxes.takePrompts(),
                 (QStringList{trapped("mdlFunctions.FillBooksList", -2147467259,
                                      QStringLiteral("the host lost its place"), 3),
                              trapped("mdlFunctions.FillBooksList", 91, NotSet, 2)}));
    }

    void initCombo_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("selected"); // a path; "-" for no selection
        QTest::addColumn<int>("expected");

        const QStringList abc{"A", "B", "C"};
        QTest::newRow("two levels below B") << abc << 2 << "B/B1/B1x" << 1;
        QTest::newRow("book C itself") << abc << 0 << "C" << 2;
        QTest::newRow("publication node") << abc << 2 << "" << 0;
        QTest::newRow("nothing selected") << abc << 2 << "-" << 0;
        QTest::newRow("nothing selected, empty list") << QStringList() << -1 << "-" << -1;
        QTest::newRow("text differs in letter case")
            << QStringList{"A", "b", "C"} << 2 << "B/B1" << 0;
        QTest::newRow("first of two equal entries") << QStringList{"A", "C", "C"} << 0 << "C" << 1;
    }
    void initCombo()
    {
        QFETCH(QStringList, list);
        QFETCH(int, before);
        QFETCH(QString, selected);
        QFETCH(int, expected);
        MessageBoxRecorder boxes;
        auto host = threeBooks(m_folder.path());
        if (selected != QLatin1String("-"))
            host->setSelectedNode(host->nodeAt(u(selected)));
        Books books(list, before);
        mdlTreeview::InitCombo(*books.list, host.get());
        QCOMPARE(books.list->selectedIndex(), expected);
        QVERIFY(boxes.boxes.isEmpty());
    }

    // Hosts that fail the queries: the trap's message, then the result.
    void brokenHosts()
    {
        MessageBoxRecorder boxes;
        Books books({"A", "B", "C"}, 2);
        // No host: the default selection, quietly.
        mdlTreeview::InitCombo(*books.list, nullptr);
        QCOMPARE(books.list->selectedIndex(), 0);
        QVERIFY(boxes.boxes.isEmpty());
        // A selected node with no book above it (the walk runs off the root), and a host
        // without the members: the selection is kept.
        const auto loose = make<PublicationTree>();
        loose->setSelectedNode(
            loose->addNode(loose->createPublication(u"Loose"), u"Index", NodeTag));
        books.list->setSelectedIndex(1);
        mdlTreeview::InitCombo(*books.list, loose.get());
        QCOMPARE(books.list->selectedIndex(), 1);
        const auto bare = make<BareHost>();
        mdlTreeview::InitCombo(*books.list, bare.get());
        QCOMPARE(books.list->selectedIndex(), 1);
        QVERIFY(!mdlFunctions::FillBooksList(*books.list, bare.get()));
        QCOMPARE(books.list->count(), 0); // emptied first
        QCOMPARE(mdlFunctions::GetPdfPath(bare.get(), 0), u"");
        QCOMPARE(boxes.takePrompts(),
                 (QStringList{trapped("mdlTreeview.InitCombo", 91, NotSet, 5),
                              trapped("mdlTreeview.InitCombo", 13, "Type mismatch", 3),
                              trapped("mdlFunctions.FillBooksList", 438, NoMember, 2),
                              trapped("mdlFunctions.GetPdfPath", 438, NoMember, 1)}));
    }

    void pdfPath()
    {
        MessageBoxRecorder boxes;
        auto host = threeBooks(m_folder.path());
        const std::u16string a = u(m_folder.filePath("a.pdf"));
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 0), a);
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), -1), a);
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 2), u""); // file missing
        // The platform's lock test answers (tests/platform holds its cases).
        QVERIFY(!mdlFunctions::IsFileLocked(a) && mdlFunctions::IsFileLocked(a + u".missing"));

        // "None", with a file of that very name in the current folder.
        QTemporaryDir current;
        QVERIFY(QFile(current.filePath(QStringLiteral("None"))).open(QIODevice::WriteOnly));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(current.path()));
        const std::u16string unpublished = mdlFunctions::GetPdfPath(host.get(), 1);
        QDir::setCurrent(previous);
        QCOMPARE(unpublished, u"");

        // The host's text comes back as written (no normalisation, any extension); a
        // folder is not a file.
        const std::u16string raw = u(m_folder.path() + "//./a.pdf");
        const auto written = make<PublicationTree>();
        written->createPublication(u"Written");
        written->addBook(u"Raw", raw);
        written->addBook(u"Folder", u(m_folder.path()));
        QCOMPARE(mdlFunctions::GetPdfPath(written.get(), 0), raw);
        QCOMPARE(mdlFunctions::GetPdfPath(written.get(), 1), u"");
        QVERIFY(boxes.boxes.isEmpty());

        // One past the last book the walk ends on nothing and the parameters fail;
        // further on the walk itself fails.
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 3), u"");
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 7), u"");
        QCOMPARE(boxes.takePrompts(),
                 (QStringList{trapped("mdlFunctions.GetPdfPath", 91, NotSet, 3),
                              trapped("mdlFunctions.GetPdfPath", 91, NotSet, 2)}));
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(tst_Publication)
#include "tst_publication.moc"

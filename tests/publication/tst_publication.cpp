// SPDX-License-Identifier: Apache-2.0
// The publication queries over host trees, over hosts that break, and the file-lock
// test against real locks held by other processes.

#include "automation/AutomationError.h"
#include "host/model/PublicationTree.h"
#include "publication/mdlFunctions.h"
#include "publication/mdlTreeview.h"
#include "support/MessageBoxRecorder.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

using namespace Automation;
using Host::PublicationTree;
using Support::writeFile;

namespace {

const QString NotSet = QStringLiteral("Object variable or With block variable not set");
const QString NoMember = QStringLiteral("Object doesn't support this property or method");
const QString NodeTag = QString::fromLatin1(PublicationTree::NodeTag);

// The message of a query's trap.
QString trapped(const char *source, int number, const QString &description, int line)
{
    return QStringLiteral("(OrvFields.%1) Error %2 : %3 Line %4")
        .arg(QLatin1String(source), QString::number(number), description, QString::number(line));
}

// Three books: A published, B not published (two levels of nodes below it), C with a
// PDF path whose file does not exist.
std::unique_ptr<PublicationTree> threeBooks(const QString &folder)
{
    auto tree = std::make_unique<PublicationTree>();
    tree->createPublication(QStringLiteral("Test"));
    tree->addNode(tree->addBook(QStringLiteral("A"), folder + QStringLiteral("/a.pdf")),
                  QStringLiteral("A1"), NodeTag);
    tree->addNode(
        tree->addNode(tree->addBook(QStringLiteral("B"), QString()), QStringLiteral("B1"), NodeTag),
        QStringLiteral("B1x"), NodeTag);
    tree->addBook(QStringLiteral("C"), folder + QStringLiteral("/missing/c.pdf"));
    return tree;
}

QStringList entries(const QComboBox &books)
{
    QStringList texts;
    for (int i = 0; i < books.count(); ++i)
        texts.append(books.itemText(i));
    return texts;
}

// A host that offers nothing: every call on it fails as on a foreign object.
class BareHost : public QObject
{
    Q_OBJECT
};

// A host that walks like a cursor (it is its own publication node and books) and
// fails inside the host on the way to the third book.
class FailingHost : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("DispId:NodeItem", "0x1")
    Q_CLASSINFO("DispId:Child", "0x2")
    Q_CLASSINFO("DispId:Next", "0x3")
    Q_CLASSINFO("DispId:Text", "0x4")
    Q_PROPERTY(QString Text READ Text)

public:
    Q_INVOKABLE QObject *NodeItem(const QString &) { return this; }
    Q_INVOKABLE QObject *Child() { return this; }
    Q_INVOKABLE QObject *Next()
    {
        if (++m_book == 2)
            raise(GeneralFailure, QStringLiteral("the host lost its place"));
        return this;
    }
    QString Text() const { return QStringLiteral("Book %1").arg(m_book + 1); }

private:
    int m_book = 0;
};

// Holds a classic process-associated record lock (fcntl F_SETLK) on a file until its
// standard input closes: the lock another program takes on a book it has open.
int holdRecordLock(const char *path)
{
    const int fd = ::open(path, O_RDWR);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0)
        return 1;
    std::puts("locked");
    std::fflush(stdout);
    while (std::getchar() != EOF)
        continue;
    return 0;
}

} // namespace

class tst_Publication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        writeFile(m_folder.filePath(QStringLiteral("a.pdf")), "%PDF-1.4\n");
    }

    void fillBooksList()
    {
        MessageBoxRecorder boxes;
        auto host = threeBooks(m_folder.path());
        QComboBox books;
        books.addItems({QStringLiteral("stale 1"), QStringLiteral("stale 2")});
        books.setCurrentIndex(1);
        QVERIFY(mdlFunctions::FillBooksList(&books, host.get()));
        // Books only, in tree order; the nodes below them are not books.
        QCOMPARE(entries(books), (QStringList{"A", "B", "C"}));
        QCOMPARE(books.currentIndex(), 0);
        QVERIFY(boxes.boxes.isEmpty());

        // A host failing after two books: the two stay, the result is false.
        FailingHost broken;
        QVERIFY(!mdlFunctions::FillBooksList(&books, &broken));
        QCOMPARE(entries(books), (QStringList{"Book 1", "Book 2"}));
        // No host at all is a failure too, not a quiet empty list.
        QVERIFY(!mdlFunctions::FillBooksList(&books, nullptr));
        QCOMPARE(boxes.prompts(),
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
            host->setSelectedNode(host->nodeAt(selected));
        QComboBox books;
        books.addItems(list);
        books.setCurrentIndex(before);
        mdlTreeview::InitCombo(&books, host.get());
        QCOMPARE(books.currentIndex(), expected);
        QVERIFY(boxes.boxes.isEmpty());
    }

    // Hosts that fail the queries: the trap's message, then the result.
    void brokenHosts()
    {
        MessageBoxRecorder boxes;
        QComboBox books;
        books.addItems({"A", "B", "C"});
        // No host: the default selection, quietly.
        books.setCurrentIndex(2);
        mdlTreeview::InitCombo(&books, nullptr);
        QCOMPARE(books.currentIndex(), 0);
        QVERIFY(boxes.boxes.isEmpty());
        // A selected node with no book above it (the walk runs off the root), and a host
        // without the members: the selection is kept.
        PublicationTree loose;
        loose.setSelectedNode(loose.addNode(loose.createPublication(QStringLiteral("Loose")),
                                            QStringLiteral("Index"), NodeTag));
        books.setCurrentIndex(1);
        mdlTreeview::InitCombo(&books, &loose);
        QCOMPARE(books.currentIndex(), 1);
        BareHost bare;
        mdlTreeview::InitCombo(&books, &bare);
        QCOMPARE(books.currentIndex(), 1);
        QVERIFY(!mdlFunctions::FillBooksList(&books, &bare));
        QCOMPARE(books.count(), 0); // emptied first
        QCOMPARE(mdlFunctions::GetPdfPath(&bare, 0), QString());
        QCOMPARE(boxes.prompts(),
                 (QStringList{trapped("mdlTreeview.InitCombo", 91, NotSet, 5),
                              trapped("mdlTreeview.InitCombo", 13, "Type mismatch", 3),
                              trapped("mdlFunctions.FillBooksList", 438, NoMember, 2),
                              trapped("mdlFunctions.GetPdfPath", 438, NoMember, 1)}));
    }

    void pdfPath()
    {
        MessageBoxRecorder boxes;
        auto host = threeBooks(m_folder.path());
        const QString a = QDir::toNativeSeparators(m_folder.filePath(QStringLiteral("a.pdf")));
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 0), a);
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), -1), a);
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 2), QString()); // file missing

        // "None", with a file of that very name in the current folder.
        QTemporaryDir current;
        QVERIFY(QFile(current.filePath(QStringLiteral("None"))).open(QIODevice::WriteOnly));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(current.path()));
        const QString unpublished = mdlFunctions::GetPdfPath(host.get(), 1);
        QDir::setCurrent(previous);
        QCOMPARE(unpublished, QString());

        // The host's text comes back as written (no normalisation, any extension); a
        // folder is not a file.
        const QString raw = m_folder.path() + QStringLiteral("//./a.pdf");
        PublicationTree written;
        written.createPublication(QStringLiteral("Written"));
        written.addBook(QStringLiteral("Raw"), raw);
        written.addBook(QStringLiteral("Folder"), m_folder.path());
        QCOMPARE(mdlFunctions::GetPdfPath(&written, 0), raw);
        QCOMPARE(mdlFunctions::GetPdfPath(&written, 1), QString());
        QVERIFY(boxes.boxes.isEmpty());

        // One past the last book the walk ends on nothing and the parameters fail;
        // further on the walk itself fails.
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 3), QString());
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 7), QString());
        QCOMPARE(boxes.prompts(), (QStringList{trapped("mdlFunctions.GetPdfPath", 91, NotSet, 3),
                                               trapped("mdlFunctions.GetPdfPath", 91, NotSet, 2)}));
    }

    void fileLockOnOrdinaryFiles()
    {
        MessageBoxRecorder boxes;
        const QByteArray content("%PDF-1.4\nbody\n%%EOF\n");
        const QString path = writeFile(m_folder.filePath(QStringLiteral("writable.pdf")), content);
        // An old time, so that any write would show.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-3),
                                 QFileDevice::FileModificationTime));
        file.close();
        const QDateTime modified = QFileInfo(path).lastModified();
        QVERIFY(!mdlFunctions::IsFileLocked(path));
        QCOMPARE(QFileInfo(path).lastModified(), modified);

        // No write bit: read-only, also for root, who could open it anyway.
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        QVERIFY(mdlFunctions::IsFileLocked(path));
        QVERIFY(mdlFunctions::IsFileLocked(m_folder.path()));
        QVERIFY(mdlFunctions::IsFileLocked(m_folder.filePath(QStringLiteral("missing.pdf"))));
        QVERIFY(mdlFunctions::IsFileLocked(QString()));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void fileLockHeldByAnotherProcess()
    {
        // This program, started a second time, holds a classic record lock (fcntl) on
        // the file, as other programs do on a file they have open. (flock(1) holds the
        // other kind in the tests of the field set.)
        const QString path = writeFile(m_folder.filePath(QStringLiteral("shared.pdf")), "%PDF\n");
        QVERIFY(!mdlFunctions::IsFileLocked(path));
        QProcess locker;
        locker.start(QCoreApplication::applicationFilePath(),
                     {path, QStringLiteral("--hold-record-lock")});
        while (!locker.canReadLine())
            QVERIFY2(locker.waitForReadyRead(10000), qPrintable(locker.errorString()));
        QCOMPARE(locker.readLine(), "locked\n");
        QVERIFY(mdlFunctions::IsFileLocked(path));
        locker.closeWriteChannel();
        QVERIFY(locker.waitForFinished());
        QCOMPARE(locker.exitCode(), 0);
        QVERIFY(!mdlFunctions::IsFileLocked(path));
    }

private:
    QTemporaryDir m_folder;
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[2], "--hold-record-lock") == 0)
        return holdRecordLock(argv[1]);
    QApplication app(argc, argv);
    tst_Publication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_publication.moc"

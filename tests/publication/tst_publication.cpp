// The publication queries over hosts built from publication XML, over hosts that
// break, and the file-lock test against real locks held by other processes.

#include "AutomationError.h"
#include "MessageBoxRecorder.h"
#include "PublicationReader.h"
#include "PublicationTree.h"
#include "Variant.h"
#include "mdlFunctions.h"
#include "mdlTreeview.h"

#include <QApplication>
#include <QBuffer>
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

namespace {

const QString NotSet = QStringLiteral("Object variable or With block variable not set");
const QString NoMember = QStringLiteral("Object doesn't support this property or method");

// Three books: A published, B not published (two levels of nodes below it), C with a
// PDF path whose file does not exist.
const QByteArray ThreeBooks = R"(<publication title="Test">
  <book name="A" pdf="a.pdf"><node name="A1"/></book>
  <book name="B"><node name="B1"><node name="B1x"/></node></book>
  <book name="C" pdf="missing/c.pdf"/>
</publication>)";

std::unique_ptr<PublicationTree> hostFrom(const QByteArray &xml, const QString &folder)
{
    auto tree = std::make_unique<PublicationTree>();
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    const QString error =
        Host::PublicationReader::read(&buffer, folder, QStringLiteral("test.xml"), *tree);
    if (!error.isEmpty())
        qFatal("test publication: %s", qPrintable(error));
    return tree;
}

QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
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
    struct flock lock
    {
    };
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fd < 0 || ::fcntl(fd, F_SETLK, &lock) != 0)
        return 1;
    std::puts("locked");
    std::fflush(stdout);
    char ignored[64];
    while (::read(STDIN_FILENO, ignored, sizeof ignored) > 0) {
    }
    return 0;
}

// Starts `program` and waits for its "locked" line.
bool startLocker(QProcess &process, const QString &program, const QStringList &arguments)
{
    process.start(program, arguments);
    if (!process.waitForStarted())
        return false;
    while (!process.canReadLine())
        if (!process.waitForReadyRead(10000))
            return false;
    return process.readLine().trimmed() == "locked";
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

    void invalidPublication()
    {
        MessageBoxRecorder boxes;
        QVERIFY(mdlFunctions::IsInvalidPublication(nullptr));

        PublicationTree empty;
        QVERIFY(mdlFunctions::IsInvalidPublication(&empty));

        auto noBooks = hostFrom(R"(<publication title="Empty"/>)", m_folder.path());
        QVERIFY(mdlFunctions::IsInvalidPublication(noBooks.get()));

        // One book is enough, even with nothing below it.
        auto oneBook =
            hostFrom(R"(<publication><book name="Only"/></publication>)", m_folder.path());
        QVERIFY(!mdlFunctions::IsInvalidPublication(oneBook.get()));
        QVERIFY(boxes.boxes.isEmpty());

        // A host that cannot answer is reported, then taken as valid.
        BareHost bare;
        QVERIFY(!mdlFunctions::IsInvalidPublication(&bare));
        QCOMPARE(boxes.prompts(),
                 QStringList{"(OrvFields.mdlFunctions.IsInvalidPublication) Error 438 : " +
                             NoMember + " Line 2"});
        QCOMPARE(boxes.boxes.first().style, 0);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("OrvFields"));
    }

    void fillBooksList()
    {
        MessageBoxRecorder boxes;
        auto host = hostFrom(ThreeBooks, m_folder.path());
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
        QCOMPARE(boxes.prompts(),
                 QStringList{"(OrvFields.mdlFunctions.FillBooksList) Error -2147467259 : the "
                             "host lost its place Line 3"});

        // A host without the members: the list is emptied, then the call fails.
        boxes.boxes.clear();
        BareHost bare;
        QVERIFY(!mdlFunctions::FillBooksList(&books, &bare));
        QCOMPARE(books.count(), 0);
        QCOMPARE(boxes.prompts(), QStringList{"(OrvFields.mdlFunctions.FillBooksList) Error 438 "
                                              ": " +
                                              NoMember + " Line 2"});

        // No host at all is a failure here, not a quiet empty list.
        boxes.boxes.clear();
        QVERIFY(!mdlFunctions::FillBooksList(&books, nullptr));
        QCOMPARE(boxes.prompts(), QStringList{"(OrvFields.mdlFunctions.FillBooksList) Error 91 : " +
                                              NotSet + " Line 2"});
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
        QTest::newRow("book not in the list") << QStringList{"X", "Y"} << 1 << "C" << 0;
    }

    void initCombo()
    {
        QFETCH(QStringList, list);
        QFETCH(int, before);
        QFETCH(QString, selected);
        QFETCH(int, expected);

        MessageBoxRecorder boxes;
        auto host = hostFrom(ThreeBooks, m_folder.path());
        if (selected != QLatin1String("-")) {
            Host::PublicationNode *node = host->nodeAt(selected);
            QVERIFY(node);
            host->setSelectedNode(node);
        }
        QComboBox books;
        books.addItems(list);
        books.setCurrentIndex(before);
        mdlTreeview::InitCombo(&books, host.get());
        QCOMPARE(books.currentIndex(), expected);
        QVERIFY(boxes.boxes.isEmpty());
    }

    void initComboFailures()
    {
        MessageBoxRecorder boxes;
        QComboBox books;
        books.addItems({"A", "B", "C"});

        // No host: the default selection, quietly.
        books.setCurrentIndex(2);
        mdlTreeview::InitCombo(&books, nullptr);
        QCOMPARE(books.currentIndex(), 0);
        QVERIFY(boxes.boxes.isEmpty());

        // A host without the tree interface: reported, selection kept.
        books.setCurrentIndex(2);
        BareHost bare;
        mdlTreeview::InitCombo(&books, &bare);
        QCOMPARE(books.currentIndex(), 2);
        QCOMPARE(boxes.prompts(),
                 QStringList{"(OrvFields.mdlTreeview.InitCombo) Error 13 : Type mismatch Line 3"});

        // A selected node with no book above it: the walk runs off the root.
        boxes.boxes.clear();
        PublicationTree loose;
        Host::PublicationNode *publication = loose.createPublication(QStringLiteral("Loose"));
        loose.addBook(QStringLiteral("A"), QString());
        loose.setSelectedNode(loose.addNode(publication, QStringLiteral("Index"),
                                            QString::fromLatin1(PublicationTree::NodeTag)));
        books.setCurrentIndex(1);
        mdlTreeview::InitCombo(&books, &loose);
        QCOMPARE(books.currentIndex(), 1);
        QCOMPARE(boxes.prompts(),
                 QStringList{"(OrvFields.mdlTreeview.InitCombo) Error 91 : " + NotSet + " Line 5"});
    }

    void pdfPath()
    {
        MessageBoxRecorder boxes;
        auto host = hostFrom(ThreeBooks, m_folder.path());
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
        QVERIFY(boxes.boxes.isEmpty());

        // The host's text comes back as written (no normalisation, any extension); a
        // folder is not a file.
        const QString raw = m_folder.path() + QStringLiteral("//./a.pdf");
        PublicationTree written;
        written.createPublication(QStringLiteral("Written"));
        written.addBook(QStringLiteral("Raw"), raw);
        written.addBook(QStringLiteral("Folder"), m_folder.path());
        QCOMPARE(mdlFunctions::GetPdfPath(&written, 0), raw);
        QCOMPARE(mdlFunctions::GetPdfPath(&written, 1), QString());
    }

    void pdfPathFailures()
    {
        MessageBoxRecorder boxes;
        auto host = hostFrom(ThreeBooks, m_folder.path());
        const QString prompt =
            QStringLiteral("(OrvFields.mdlFunctions.GetPdfPath) Error %1 : %2 Line %3");

        // One past the last book: the walk ends on nothing, the parameters fail.
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 3), QString());
        // Further: the walk itself fails.
        QCOMPARE(mdlFunctions::GetPdfPath(host.get(), 7), QString());
        BareHost bare;
        QCOMPARE(mdlFunctions::GetPdfPath(&bare, 0), QString());
        QCOMPARE(boxes.prompts(),
                 (QStringList{prompt.arg(91).arg(NotSet).arg(3), prompt.arg(91).arg(NotSet).arg(2),
                              prompt.arg(438).arg(NoMember).arg(1)}));
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
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        QCOMPARE(QFileInfo(path).lastModified(), modified);

        // No write bit: read-only, also for root, who could open it anyway.
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther));
        QVERIFY(mdlFunctions::IsFileLocked(path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(!mdlFunctions::IsFileLocked(path));

        QVERIFY(mdlFunctions::IsFileLocked(m_folder.path()));
        QVERIFY(mdlFunctions::IsFileLocked(m_folder.filePath(QStringLiteral("missing.pdf"))));
        QVERIFY(mdlFunctions::IsFileLocked(QString()));
        QVERIFY(boxes.boxes.isEmpty());
    }

    void fileLockHeldByAnotherProcess()
    {
        MessageBoxRecorder boxes;
        const QString path = writeFile(m_folder.filePath(QStringLiteral("shared.pdf")), "%PDF\n");
        QVERIFY(!mdlFunctions::IsFileLocked(path));

        // flock(1) holds a whole-file flock while its command runs.
        QProcess flock;
        QVERIFY2(startLocker(flock, QStringLiteral("flock"),
                             {path, QStringLiteral("sh"), QStringLiteral("-c"),
                              QStringLiteral("echo locked; read ignored")}),
                 qPrintable(flock.errorString()));
        QVERIFY(mdlFunctions::IsFileLocked(path));
        flock.closeWriteChannel();
        QVERIFY(flock.waitForFinished());
        QVERIFY(!mdlFunctions::IsFileLocked(path));

        // A record lock taken with fcntl, by this program started a second time.
        QProcess holder;
        QVERIFY2(startLocker(holder, QCoreApplication::applicationFilePath(),
                             {QStringLiteral("--hold-record-lock"), path}),
                 qPrintable(holder.readAllStandardError()));
        QVERIFY(mdlFunctions::IsFileLocked(path));
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished());
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY(!mdlFunctions::IsFileLocked(path));
        QVERIFY(boxes.boxes.isEmpty());
    }

private:
    QTemporaryDir m_folder;
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-record-lock") == 0)
        return holdRecordLock(argv[2]);
    QApplication app(argc, argv);
    tst_Publication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_publication.moc"

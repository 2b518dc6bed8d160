// Every way a job of the PDF information library can fail: the job reports it (an
// error number, then the failure event), the call throws an error that names the file,
// and the file keeps every byte it had.
#include "AutomationError.h"
#include "FileSystem.h"
#include "Oracle.h"
#include "PdfMaker.h"
#include "TagoraTest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>

namespace {

// Lowers this process's file size limit for its lifetime: writes past it fail with
// EFBIG, which is how a full disk looks to the writer.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        struct rlimit lowered = m_previous;
        lowered.rlim_cur = bytes;
        m_set = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_previous); }
    bool isSet() const { return m_set; }

private:
    struct rlimit m_previous = {};
    bool m_set = false;
};

using Job = std::function<void(TagoraInfo &, const QString &)>;

// One job of each kind that writes.
const QList<Job> writeJobs{
    [](TagoraInfo &t, const QString &p) { t.WriteInfoEntry(p, "Title", "New"); },
    [](TagoraInfo &t, const QString &p) { t.RemoveInfoEntry(p, "Title"); },
    [](TagoraInfo &t, const QString &p) { t.WriteStandardInfo(p, "T", "A", "", "", "", ""); },
};

} // namespace

class TestTagoraFailures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void failsOnFilesItCannotRead_data();
    void failsOnFilesItCannotRead();
    void refusesFilesItMustNotChange_data();
    void refusesFilesItMustNotChange();
    void refusesAFileLockedByAnotherProcess();
    void refusesAFileChangedBetweenJobs_data();
    void refusesAFileChangedBetweenJobs();
    void leavesTheFileWhenTheDiskIsFull_data();
    void leavesTheFileWhenTheDiskIsFull();

private:
    QString make(const QString &name, const QByteArray &bytes);
    void expectFailure(TagoraInfo &info, const QString &path, int number, const Job &job);

    QTemporaryDir m_dir;
};

void TestTagoraFailures::initTestCase()
{
    // Past the file size limit, write() must fail instead of the signal ending the test.
    std::signal(SIGXFSZ, SIG_IGN);
}

QString TestTagoraFailures::make(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestTagoraFailures::expectFailure(TagoraInfo &info, const QString &path, int number,
                                       const Job &job)
{
    EventLog log(info);
    const bool existed = QFile::exists(path);
    const QByteArray before = Oracle::contents(path);
    bool thrown = false;
    try {
        job(info, path);
    } catch (const Automation::AutomationError &error) {
        thrown = true;
        QCOMPARE(error.number(), number);
        QVERIFY2(error.description().startsWith(path + QStringLiteral(": ")),
                 qPrintable(error.description()));
    }
    QVERIFY(thrown);
    QCOMPARE(log.events, (QStringList{"start", QStringLiteral("error %1").arg(number), "fail"}));
    QCOMPARE(QFile::exists(path), existed);
    QCOMPARE(Oracle::contents(path), before);
}

void TestTagoraFailures::failsOnFilesItCannotRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("number");
    const QByteArray pdf = PdfMaker().bytes();
    QByteArray locked;
    {
        QTemporaryDir dir;
        const QString plain = dir.filePath("p.pdf");
        const QString encrypted = dir.filePath("e.pdf");
        PdfMaker().write(plain);
        PdfMaker::encrypt(plain, encrypted, "user secret", "owner", true, true);
        locked = Oracle::contents(encrypted);
    }
    QTest::newRow("missing") << QByteArray() << int(Automation::FileNotFound);
    QTest::newRow("not a PDF") << QByteArray("Dear reader,\nthis is a letter.\n")
                               << int(Automation::InvalidFileFormat);
    QTest::newRow("empty") << QByteArray("") << int(Automation::InvalidFileFormat);
    QTest::newRow("truncated") << pdf.left(pdf.size() * 6 / 10) << int(Automation::PdfDamaged);
    QTest::newRow("header only") << QByteArray("%PDF-1.7\n%garbage\n")
                                 << int(Automation::PdfDamaged);
    QTest::newRow("password") << locked << int(Automation::PdfPasswordProtected);
}

void TestTagoraFailures::failsOnFilesItCannotRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, number);
    const QString good = make("good.pdf", PdfMaker().bytes());
    QString path = m_dir.filePath("unreadable.pdf");
    QFile::remove(path);
    if (QTest::currentDataTag() != QByteArray("missing"))
        path = make("unreadable.pdf", bytes);

    TagoraInfo info;
    QCOMPARE(info.ReadInfo(good), 2);
    expectFailure(info, path, number, [](TagoraInfo &t, const QString &p) { t.ReadInfo(p); });
    // A failed read leaves nothing loaded.
    QVERIFY_THROWS_EXCEPTION(Automation::AutomationError, info.InfoName(0));
    for (const Job &job : writeJobs)
        expectFailure(info, path, number, job);
    if (number == Automation::FileNotFound)
        expectFailure(info, QString(), number, writeJobs.constFirst());
}

void TestTagoraFailures::refusesFilesItMustNotChange_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("number");
    const QString readOnly = make("read-only.pdf", PdfMaker().bytes());
    ::chmod(QFile::encodeName(readOnly).constData(), 0444);
    QTest::newRow("read-only") << readOnly << int(Automation::PermissionDenied);
    const QString plain = make("plain.pdf", PdfMaker().bytes());
    const QString forbidden = m_dir.filePath("forbidden.pdf");
    QFile::remove(forbidden);
    PdfMaker::encrypt(plain, forbidden, "", "owner", false, false);
    QTest::newRow("changes forbidden") << forbidden << int(Automation::PdfChangeNotAllowed);
}

void TestTagoraFailures::refusesFilesItMustNotChange()
{
    QFETCH(QString, path);
    QFETCH(int, number);
    if (number == Automation::PermissionDenied)
        QVERIFY(Platform::FileLocked(path));
    TagoraInfo info;
    QCOMPARE(info.ReadInfo(path), 2);
    for (const Job &job : writeJobs)
        expectFailure(info, path, number, job);
}

void TestTagoraFailures::refusesAFileLockedByAnotherProcess()
{
    const QString path = make("locked.pdf", PdfMaker().bytes());
    // flock holds the lock while cat runs; cat ends when its input is closed.
    QProcess holder;
    holder.start("flock", {path, "cat"});
    QVERIFY(holder.waitForStarted());
    QTRY_VERIFY(Platform::FileLocked(path));

    TagoraInfo info;
    QCOMPARE(info.ReadInfo(path), 2);
    for (const Job &job : writeJobs)
        expectFailure(info, path, Automation::PdfFileLocked, job);
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished());
    info.WriteInfoEntry(path, "Title", "Unlocked");
    QCOMPARE(readValue(path, "Title"), QStringLiteral("Unlocked"));
}

void TestTagoraFailures::refusesAFileChangedBetweenJobs_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("another writer appended a revision") << 0;
    QTest::newRow("own revision altered, same length and time") << 1;
    QTest::newRow("replaced by a copy") << 2;
}

void TestTagoraFailures::refusesAFileChangedBetweenJobs()
{
    QFETCH(int, change);
    const QString path = make("changed.pdf", PdfMaker().bytes());
    TagoraInfo info;
    info.WriteInfoEntry(path, "Title", "Mine");
    const QByteArray written = Oracle::contents(path);

    QByteArray changed = written;
    if (change == 0) {
        TagoraInfo other;
        other.WriteInfoEntry(path, "Other", "theirs");
        changed = Oracle::contents(path);
    } else if (change == 1) {
        struct stat st = {};
        ::stat(QFile::encodeName(path).constData(), &st);
        changed.replace(changed.lastIndexOf("(Mine)"), 6, "(Ours)");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write(changed);
        file.close();
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    } else {
        const QString copy = make("copy.pdf", written);
        QVERIFY(::rename(QFile::encodeName(copy).constData(),
                         QFile::encodeName(path).constData()) == 0);
    }

    for (const Job &job : writeJobs)
        expectFailure(info, path, Automation::PdfFileChanged, job);
    // Once the object has read the file as it now is, it writes after every byte of it.
    info.ReadInfo(path);
    info.WriteInfoEntry(path, "Title", "Again");
    QVERIFY(Oracle::contents(path).startsWith(changed));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    QCOMPARE(readValue(path, "Title"), QStringLiteral("Again"));
}

void TestTagoraFailures::leavesTheFileWhenTheDiskIsFull_data()
{
    QTest::addColumn<int>("stage");
    QTest::newRow("first revision") << 0;
    QTest::newRow("replacing a revision") << 1;
    QTest::newRow("whole file written") << 2;
}

void TestTagoraFailures::leavesTheFileWhenTheDiskIsFull()
{
    QFETCH(int, stage);
    QDir(m_dir.path()).mkdir(QTest::currentDataTag());
    const QDir folder(m_dir.filePath(QTest::currentDataTag()));
    QString path = folder.filePath("full.pdf");
    PdfMaker().write(path);
    if (stage == 2) {
        const QString plain = path;
        path = folder.filePath("encrypted.pdf");
        PdfMaker::encrypt(plain, path, "", "owner", true, true);
        QFile::remove(plain);
    }
    const QByteArray original = Oracle::contents(path);
    TagoraInfo info;
    if (stage == 1)
        info.WriteInfoEntry(path, "Title", "Short");
    const QByteArray before = Oracle::contents(path);
    {
        // Room for a few more bytes than the file holds: a write is cut off midway.
        FileSizeLimit limit(before.size() + 20);
        QVERIFY(limit.isSet());
        expectFailure(info, path, Automation::DiskFull, [](TagoraInfo &t, const QString &p) {
            t.WriteInfoEntry(p, "Title", QString(500, QLatin1Char('x')));
        });
    }
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
    // With room again the same object carries on; the file still holds one revision.
    info.WriteInfoEntry(path, "Title", "Fits");
    QCOMPARE(readValue(path, "Title"), QStringLiteral("Fits"));
    QCOMPARE(Oracle::qpdfProblems(path), QString());
    if (stage != 2)
        QCOMPARE(Oracle::contents(path).mid(original.size()).count("%%EOF"), 1);
}

QTEST_GUILESS_MAIN(TestTagoraFailures)
#include "tst_tagorafailures.moc"

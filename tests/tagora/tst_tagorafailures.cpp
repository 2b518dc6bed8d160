// SPDX-License-Identifier: Apache-2.0
// Every way a job of the PDF information library can fail: the job reports it (an
// error number, then the failure event), the call throws an error that names the file,
// and the file keeps every byte it had.
#include "Oracle.h"
#include "PdfMaker.h"
#include "TagoraTest.h"
#include "automation/AutomationError.h"
#include "platform/FileSystem.h"
#include "tagora/TagoraError.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

using namespace Tagora;

namespace {

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
    void initTestCase()
    {
        // Past the file size limit, write() must fail instead of the signal ending the test.
        std::signal(SIGXFSZ, SIG_IGN);
    }

    void failsOnFilesItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("number");
        const QByteArray pdf = PdfMaker().bytes();
        const QString password = m_dir.filePath("password.pdf");
        QVERIFY(PdfMaker::encrypt(make("plain.pdf", pdf), password, "user", "owner", true, true));
        QTest::newRow("missing") << QByteArray() << int(Automation::FileNotFound);
        QTest::newRow("not a PDF") << QByteArray("Dear reader,\nthis is a letter.\n")
                                   << int(Automation::InvalidFileFormat);
        QTest::newRow("empty") << QByteArray("") << int(Automation::InvalidFileFormat);
        QTest::newRow("truncated") << pdf.left(pdf.size() * 6 / 10) << int(Tagora::Damaged);
        QTest::newRow("header only") << QByteArray("%PDF-1.7\n%garbage\n") << int(Tagora::Damaged);
        QTest::newRow("password") << Oracle::contents(password) << int(Tagora::PasswordProtected);
    }

    void failsOnFilesItCannotRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, number);
        const QString good = make("good.pdf");
        const QString path =
            bytes.isNull() ? m_dir.filePath("missing.pdf") : make("bad.pdf", bytes);

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

    void refusesFilesItMustNotChange_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("read-only") << int(Automation::PermissionDenied);
        QTest::newRow("changes forbidden") << int(Tagora::ChangeNotAllowed);
        QTest::newRow("locked by another process") << int(Tagora::FileLocked);
    }

    void refusesFilesItMustNotChange()
    {
        QFETCH(int, number);
        QString path = make("refused.pdf");
        QProcess holder;
        if (number == Automation::PermissionDenied) {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        } else if (number == Tagora::ChangeNotAllowed) {
            const QString plain = std::exchange(path, m_dir.filePath("forbidden.pdf"));
            QFile::remove(path);
            QVERIFY(PdfMaker::encrypt(plain, path, "", "owner", false, false));
        } else {
            // flock holds the lock while cat runs; cat ends when its input is closed.
            holder.start("flock", {path, "cat"});
            QVERIFY(holder.waitForStarted());
            QTRY_VERIFY(Platform::FileLocked(path));
        }
        TagoraInfo info;
        QCOMPARE(info.ReadInfo(path), 2);
        for (const Job &job : writeJobs)
            expectFailure(info, path, number, job);
        if (number == Tagora::FileLocked) {
            // Let go, the file takes the same object's write.
            holder.closeWriteChannel();
            QVERIFY(holder.waitForFinished());
            info.WriteInfoEntry(path, "Title", "Unlocked");
            QCOMPARE(readValue(path, "Title"), QStringLiteral("Unlocked"));
        }
    }

    void refusesAFileChangedBetweenJobs_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("another writer appended a revision") << 0;
        QTest::newRow("own revision altered, same length and time") << 1;
        QTest::newRow("replaced by a copy") << 2;
    }

    void refusesAFileChangedBetweenJobs()
    {
        QFETCH(int, change);
        const QString path = make("changed.pdf");
        TagoraInfo info;
        info.WriteInfoEntry(path, "Title", "Mine");
        if (change == 0)
            TagoraInfo().WriteInfoEntry(path, "Other", "theirs");
        else if (change == 1)
            QVERIFY(PdfMaker::alter(path, "(Mine)", "(Ours)"));
        else
            QVERIFY(
                ::rename(QFile::encodeName(make("copy.pdf", Oracle::contents(path))).constData(),
                         QFile::encodeName(path).constData()) == 0);
        const QByteArray changed = Oracle::contents(path);

        for (const Job &job : writeJobs)
            expectFailure(info, path, Tagora::FileChanged, job);
        // Once the object has read the file as it now is, it writes after every byte of it.
        info.ReadInfo(path);
        info.WriteInfoEntry(path, "Title", "Again");
        QCOMPARE(Oracle::appendedRevisionProblems(changed, path), QString());
        QCOMPARE(readValue(path, "Title"), QStringLiteral("Again"));
    }

    void leavesTheFileWhenTheDiskIsFull_data()
    {
        QTest::addColumn<int>("stage");
        QTest::newRow("first revision") << 0;
        QTest::newRow("replacing a revision") << 1;
        QTest::newRow("whole file written") << 2;
    }

    void leavesTheFileWhenTheDiskIsFull()
    {
        QFETCH(int, stage);
        QDir(m_dir.path()).mkdir(QTest::currentDataTag());
        const QDir folder(m_dir.filePath(QTest::currentDataTag()));
        const QString path = folder.filePath("full.pdf");
        if (stage == 2)
            QVERIFY(PdfMaker::encrypt(make("plain.pdf"), path, "", "owner", true, true));
        else
            QVERIFY(PdfMaker().write(path));
        const QByteArray original = Oracle::contents(path);
        TagoraInfo info;
        if (stage == 1)
            info.WriteInfoEntry(path, "Title", "Short");
        {
            // Room for a few more bytes than the file holds: a write is cut off midway.
            struct rlimit previous = {};
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
            struct rlimit lowered = previous;
            lowered.rlim_cur = rlim_t(Oracle::contents(path).size() + 20);
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
            expectFailure(info, path, Automation::DiskFull, [](TagoraInfo &t, const QString &p) {
                t.WriteInfoEntry(p, "Title", QString(500, QLatin1Char('x')));
            });
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &previous), 0);
        }
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList{"full.pdf"});
        // With room again the same object carries on; the file still holds one revision.
        info.WriteInfoEntry(path, "Title", "Fits");
        QCOMPARE(readValue(path, "Title"), QStringLiteral("Fits"));
        if (stage == 2)
            QCOMPARE(Oracle::qpdfProblems(path), QString());
        else
            QCOMPARE(Oracle::appendedRevisionProblems(original, path), QString());
    }

private:
    QString make(const QString &name, const QByteArray &bytes = PdfMaker().bytes())
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Runs `job`, which must fail with `number`: the events, the error naming the file,
    // the file as it was.
    void expectFailure(TagoraInfo &info, const QString &path, int number, const Job &job)
    {
        EventLog log(info);
        const bool existed = !path.isEmpty() && QFile::exists(path);
        const QByteArray before = existed ? Oracle::contents(path) : QByteArray();
        try {
            job(info, path);
            QFAIL("the job did not fail");
        } catch (const Automation::AutomationError &error) {
            QCOMPARE(error.number(), number);
            QVERIFY2(error.description().startsWith(path + QStringLiteral(": ")),
                     qPrintable(error.description()));
        }
        QCOMPARE(log.events,
                 (QStringList{"start", QStringLiteral("error %1").arg(number), "fail"}));
        if (existed)
            QCOMPARE(Oracle::contents(path), before);
        else
            QVERIFY(path.isEmpty() || !QFile::exists(path));
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestTagoraFailures)
#include "tst_tagorafailures.moc"

// SPDX-License-Identifier: Apache-2.0
// The platform's Linux implementation where no area's test reaches it: colours kept by
// reference, the locale table, and the lock test of a file.

#include "controls/VrnLabel.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/SystemColors.h"
#include "platform/qt/QtLocale.h"
#include "platform/qt/QtToolkit.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

using namespace Platform;
using Support::u;
using Support::writeFile;

namespace {

// Run as a second process: holds a classic record lock (fcntl) on the file, as other
// programs do on a file they have open, until its input ends.
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

QColor colour(Rgb rgb)
{
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

bool locked(const QString &path)
{
    return FileLocked(u(path));
}

} // namespace

class tst_Platform : public QObject
{
    Q_OBJECT

private slots:
    void labelColours()
    {
        auto text = [](Control &label, QPalette::ColorGroup group = QPalette::Active) {
            return widgetOf(label)->palette().color(group, QPalette::WindowText);
        };
        const auto form = createForm("form");
        // A plain colour stays; a disabled label draws grey text whatever its colour.
        Controls::VrnLabel label(*form, "label");
        QCOMPARE(text(label.control()), colour(GetSysColor(COLOR_BTNTEXT)));
        label.setForeColor(0x0000C0);
        label.setEnabled(false);
        QCOMPARE(text(label.control()), QColor(192, 0, 0));
        QCOMPARE(text(label.control(), QPalette::Disabled), colour(GetSysColor(COLOR_GRAYTEXT)));

        // A system colour follows a new application palette, also on a plain label.
        Controls::VrnLabel follower(*form, "follower");
        follower.setForeColor(SystemColor(COLOR_GRAYTEXT));
        const auto plain = createLabel(*form, "plain");
        plain->setForeColor(SystemColor(COLOR_GRAYTEXT));
        const QPalette original = QApplication::palette();
        QPalette changed = original;
        changed.setColor(QPalette::Disabled, QPalette::Text, QColor(1, 2, 3));
        QApplication::setPalette(changed);
        const QList<QColor> seen{text(follower.control()), text(*plain), text(label.control())};
        QApplication::setPalette(original);
        QCOMPARE(seen, (QList<QColor>{QColor(1, 2, 3), QColor(1, 2, 3), QColor(192, 0, 0)}));
        QCOMPARE(text(follower.control()), colour(GetSysColor(COLOR_GRAYTEXT)));
    }

    void localeTable()
    {
        QCOMPARE(LcidOf(QLocale(QLocale::English, QLocale::UnitedStates)), 1033u);
        QCOMPARE(LcidOf(QLocale(QLocale::Chinese, QLocale::Taiwan)), 1028u);
        QCOMPARE(LcidOf(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia)), 9242u);
        QCOMPARE(LcidOf(QLocale(QLocale::Serbian, QLocale::CyrillicScript, QLocale::Serbia)),
                 10266u);
        // A country the table lacks takes the language's main identifier.
        QCOMPARE(LcidOf(QLocale(QLocale::French, QLocale::Senegal)), 1036u);
        QCOMPARE(LcidOf(QLocale(QLocale::Hindi, QLocale::India)), 0u);
        QCOMPARE(LcidOf(QLocale::c()), 0u);
        QCOMPARE(SystemLocaleInfo(1036, 2), std::string()); // only the code page is known
    }

    void fileLockOnOrdinaryFiles()
    {
        const QString path =
            writeFile(m_folder.filePath(QStringLiteral("writable.pdf")), "%PDF-1.4\nbody\n%%EOF\n");
        // An old time, so that any write would show.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-3),
                                 QFileDevice::FileModificationTime));
        file.close();
        const QDateTime modified = QFileInfo(path).lastModified();
        QVERIFY(!locked(path));
        QCOMPARE(QFileInfo(path).lastModified(), modified);

        // No write bit: read-only, also for root, who could open it anyway.
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        QVERIFY(locked(path));
        QVERIFY(locked(m_folder.path()));
        QVERIFY(locked(m_folder.filePath(QStringLiteral("missing.pdf"))));
        QVERIFY(locked(QString()));
    }

    void fileLockHeldByAnotherProcess()
    {
        const QString path = writeFile(m_folder.filePath(QStringLiteral("shared.pdf")), "%PDF\n");
        QVERIFY(!locked(path));
        QProcess locker;
        locker.start(QCoreApplication::applicationFilePath(),
                     {path, QStringLiteral("--hold-record-lock")});
        while (!locker.canReadLine())
            QVERIFY2(locker.waitForReadyRead(10000), qPrintable(locker.errorString()));
        QCOMPARE(locker.readLine(), "locked\n");
        QVERIFY(locked(path));
        locker.closeWriteChannel();
        QVERIFY(locker.waitForFinished());
        QCOMPARE(locker.exitCode(), 0);
        QVERIFY(!locked(path));
    }

private:
    QTemporaryDir m_folder;
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[2], "--hold-record-lock") == 0)
        return holdRecordLock(argv[1]);
    QApplication app(argc, argv);
    tst_Platform test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_platform.moc"

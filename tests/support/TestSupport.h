// SPDX-License-Identifier: Apache-2.0
// Small helpers the tests share: a file written and read whole, a program run to its
// end, the number of the automation error a call raises, and the component's UTF-16
// texts next to Qt's (conversions both ways, and QCOMPARE printing them).
#pragma once

#include "automation/AutomationError.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <utility>

// A component text as QCOMPARE prints it.
namespace QTest {
inline char *toString(const std::u16string &text)
{
    return QTest::toString(QString::fromStdU16String(text));
}
} // namespace QTest

namespace Support {

inline QString q(const std::u16string &text)
{
    return QString::fromStdU16String(text);
}

inline std::u16string u(const QString &text)
{
    return text.toStdU16String();
}

// Writes `content` to `path` and returns the path; a test cannot go on without it.
inline QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Output
{
    int exitCode;
    QString text; // standard output and error, merged
};

inline Output run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(60000))
        return {-1, QStringLiteral("timed out")};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

// The automation error `body` raises as "number description"; empty when it returns.
template <typename Body> QString failure(Body &&body)
{
    try {
        body();
    } catch (const Automation::AutomationError &error) {
        return QString::number(error.number()) + u' ' + q(error.description());
    }
    return {};
}

// The number of the automation error `body` raises; 0 when it returns.
template <typename Body> qint32 errorOf(Body &&body)
{
    return failure(std::forward<Body>(body)).section(u' ', 0, 0).toInt();
}

// The process's file size limit lowered for as long as it lives: a write past it fails
// (the signal that would end the process instead is ignored).
struct FileSizeLimit
{
    explicit FileSizeLimit(qint64 bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous);
        struct rlimit lowered = previous;
        lowered.rlim_cur = rlim_t(bytes);
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &previous); }
    struct rlimit previous = {};
};

} // namespace Support

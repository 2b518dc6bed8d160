// SPDX-License-Identifier: Apache-2.0
// What the Qt-only suites share: a file written and read whole, the runner of
// support/Process.h with Qt's texts, the number of the automation error a call raises,
// and the component's UTF-16 texts next to Qt's (conversions both ways, and QCOMPARE
// printing them).
#pragma once

#include "support/Errors.h"
#include "support/Process.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

#include <string>
#include <vector>

// A component text as QCOMPARE prints it.
namespace QTest {
inline char *toString(const std::u16string &text)
{
    return QTest::toString(QString::fromStdU16String(text));
}
// Lines, as support/Boxes.h records them.
inline char *toString(const std::vector<std::string> &lines)
{
    QStringList shown;
    for (const std::string &line : lines)
        shown.append(QString::fromStdString(line));
    return QTest::toString(shown.join(QStringLiteral(" | ")));
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

inline Output run(const QString &program, const QStringList &args, const QByteArray &input = {},
                  const QString &folder = {})
{
    std::vector<std::string> arguments;
    for (const QString &arg : args)
        arguments.push_back(arg.toStdString());
    return run(program.toStdString(), arguments, input.toStdString(), folder.toStdString());
}

} // namespace Support

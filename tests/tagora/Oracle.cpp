// SPDX-License-Identifier: Apache-2.0
#include "Oracle.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>

#include <qpdf/QPDF.hh>

namespace Oracle {

namespace {

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        *exitCode = -1;
        return "did not finish: " + process.errorString().toUtf8();
    }
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAll();
}

} // namespace

QString qpdfProblems(const QString &path, const QString &password)
{
    QStringList arguments{QStringLiteral("--check")};
    if (!password.isEmpty())
        arguments << QStringLiteral("--password=") + password;
    int exitCode = 0;
    const QByteArray output = run(QStringLiteral("qpdf"), arguments << path, &exitCode);
    return exitCode == 0 ? QString() : QString::fromUtf8(output);
}

QMap<QString, QString> pdfinfo(const QString &path, bool custom)
{
    int exitCode = 0;
    const QByteArray output =
        run(QStringLiteral("pdfinfo"),
            (custom ? QStringList{QStringLiteral("-custom")} : QStringList()) +
                QStringList{QStringLiteral("-rawdates"), QStringLiteral("-enc"),
                            QStringLiteral("UTF-8"), path},
            &exitCode);
    QMap<QString, QString> entries;
    if (exitCode != 0)
        return entries;
    for (const QString &line : QString::fromUtf8(output).split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            entries.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    return entries;
}

QStringList qpdfKeys(const QString &path)
{
    QStringList keys;
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(QFile::encodeName(path).constData());
    for (const std::string &key : pdf.getTrailer().getKey("/Info").getKeys())
        keys << QString::fromUtf8(key.substr(1));
    return keys;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject exiftool(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("exiftool"), {"-j", "-a", "-G1", path});
    process.waitForFinished(60000);
    return QJsonDocument::fromJson(process.readAllStandardOutput()).array().at(0).toObject();
}

QString appendedRevisionProblems(const QByteArray &before, const QString &path)
{
    const QByteArray after = contents(path);
    if (!after.startsWith(before))
        return QStringLiteral("the bytes before are not kept");
    const QByteArray added = after.mid(before.size());
    const qsizetype at = before.lastIndexOf("startxref");
    const QByteArray previous = before.mid(at + 9, 24).simplified().split(' ').first();
    const QRegularExpression prev(QStringLiteral("/Prev %1\\b").arg(QLatin1String(previous)));
    if (at < 0 || added.count("%%EOF") != 1 || !prev.match(QString::fromLatin1(added)).hasMatch())
        return QStringLiteral("not one revision after the one at %1:\n%2")
            .arg(QString::fromLatin1(previous), QString::fromLatin1(added.left(2000)));
    return qpdfProblems(path);
}

} // namespace Oracle

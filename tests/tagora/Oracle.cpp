// SPDX-License-Identifier: Apache-2.0
#include "Oracle.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>

#include <qpdf/QPDF.hh>

namespace Oracle {

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

QJsonObject exiftool(const QString &path)
{
    // Its standard output alone: the JSON.
    QProcess process;
    process.start(QStringLiteral("exiftool"), {"-j", "-a", "-G1", path});
    process.waitForFinished(60000);
    return QJsonDocument::fromJson(process.readAllStandardOutput()).array().at(0).toObject();
}

QString appendedRevisionProblems(const QByteArray &before, const QString &path)
{
    const QByteArray after = Support::bytes(path);
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

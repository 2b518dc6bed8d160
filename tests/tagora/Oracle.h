// SPDX-License-Identifier: Apache-2.0
// Oracle: what readers that are not ours say about a file: the qpdf and pdfinfo
// programs, and the qpdf library read independently of the code under test.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

namespace Oracle {

// The output of `qpdf --check` when it reports an error or a warning, else empty.
QString qpdfProblems(const QString &path, const QString &password = {});

// The Info entries as `pdfinfo -custom -rawdates -enc UTF-8` prints them (string
// values only); without `custom`, what plain `pdfinfo` says ("Pages", "Encrypted" ...).
QMap<QString, QString> pdfinfo(const QString &path, bool custom = true);

// The Info keys as the qpdf library reads them (sorted), as UTF-8 texts.
QStringList qpdfKeys(const QString &path);

QByteArray contents(const QString &path);

// What `exiftool -j -a -G1` says of the file: tags by group and name ("XMP-dc:Title").
QJsonObject exiftool(const QString &path);

// Empty when `path` holds the bytes `before` followed by exactly one revision that
// continues the last one of `before` and qpdf finds no problem; else what is wrong.
QString appendedRevisionProblems(const QByteArray &before, const QString &path);

} // namespace Oracle

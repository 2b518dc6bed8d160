// SPDX-License-Identifier: Apache-2.0
// Oracle: what readers that are not ours say about a file, beyond what
// support/TestPdf.h asks of qpdf and pdfinfo: the qpdf library read independently of
// the code under test, exiftool, and the shape of an appended revision.
#pragma once

#include "support/TestPdf.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace Oracle {

// The output of `qpdf --check` when it reports an error or a warning, else empty.
inline QString qpdfProblems(const QString &path)
{
    const Support::Output check = TestPdf::check(path);
    return check.exitCode == 0 ? QString() : check.text;
}

// The Info keys as the qpdf library reads them (sorted), as UTF-8 texts.
QStringList qpdfKeys(const QString &path);

// What `exiftool -j -a -G1` says of the file: tags by group and name ("XMP-dc:Title").
QJsonObject exiftool(const QString &path);

// Empty when `path` holds the bytes `before` followed by exactly one revision that
// continues the last one of `before` and qpdf finds no problem; else what is wrong.
QString appendedRevisionProblems(const QByteArray &before, const QString &path);

} // namespace Oracle

// SPDX-License-Identifier: Apache-2.0
// support/Pdf.h with Qt's texts, for the Qt-only suites: small real PDFs made with qpdf,
// and the readers that check what the component wrote.
#pragma once

#include "support/Pdf.h"
#include "support/TestSupport.h"

#include <QMap>
#include <QString>

#include <utility>

namespace TestPdf {

using Entries = QList<std::pair<QString, QString>>; // name (without "/"), value

inline void make(const QString &path, const Entries &info, bool objectStreams = false,
                 int pages = 2)
{
    Pdf::Entries entries;
    for (const auto &[name, value] : info)
        entries.emplace_back(name.toStdString(), value.toStdString());
    Pdf::make(path.toStdString(), entries, objectStreams, pages);
}

using Support::bytes;

// `qpdf --check`: exit 0 and no error or warning.
inline Support::Output check(const QString &path)
{
    return Support::run(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
}

inline QMap<QString, QString> pdfinfo(const QString &path, bool custom = true)
{
    QMap<QString, QString> result;
    for (const auto &[name, value] : Pdf::pdfinfo(path.toStdString(), custom))
        result.insert(QString::fromStdString(name), QString::fromStdString(value));
    return result;
}

} // namespace TestPdf

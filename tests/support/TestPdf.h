// SPDX-License-Identifier: Apache-2.0
// Small real PDFs for tests, made with qpdf, and the independent readers that check
// what the component wrote.
#pragma once

#include "support/TestSupport.h"

#include <QFile>
#include <QMap>
#include <QString>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <utility>

namespace TestPdf {

using Entries = QList<std::pair<QString, QString>>; // name (without "/"), value

// A PDF with `pages` pages and an indirect Info dictionary holding `info` (none when
// empty). qpdf writes dictionary keys sorted, so that is the order in the file.
inline void make(const QString &path, const Entries &info, bool objectStreams = false,
                 int pages = 2)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper helper(pdf);
    for (int i = 0; i < pages; ++i) {
        QPDFObjectHandle page = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 200] /Resources << >> >>"));
        helper.addPage(page, false);
    }
    if (!info.isEmpty()) {
        QPDFObjectHandle dict = QPDFObjectHandle::newDictionary();
        for (const auto &[name, value] : info)
            dict.replaceKey("/" + name.toStdString(),
                            QPDFObjectHandle::newUnicodeString(value.toStdString()));
        pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(dict));
    }
    // qpdf keeps the name's pointer: the bytes must outlive the writer.
    const QByteArray name = QFile::encodeName(path);
    QPDFWriter writer(pdf, name.constData());
    writer.setStaticID(true);
    if (objectStreams)
        writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
}

using Support::bytes;

// `qpdf --check`: exit 0 and no error or warning.
inline Support::Output check(const QString &path)
{
    return Support::run(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
}

// pdfinfo's "Name: value" lines, in UTF-8, dates as the file writes them: with `custom`,
// the standard and custom entries (string values only), else what plain pdfinfo says
// ("Pages", "Encrypted" ...). Empty when pdfinfo fails.
inline QMap<QString, QString> pdfinfo(const QString &path, bool custom = true)
{
    QMap<QString, QString> result;
    const Support::Output out =
        Support::run(QStringLiteral("pdfinfo"),
                     (custom ? QStringList{QStringLiteral("-custom")} : QStringList()) +
                         QStringList{QStringLiteral("-rawdates"), QStringLiteral("-enc"),
                                     QStringLiteral("UTF-8"), path});
    if (out.exitCode != 0)
        return result;
    for (const QString &line : out.text.split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0)
            result.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    return result;
}

} // namespace TestPdf

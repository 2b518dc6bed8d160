// SPDX-License-Identifier: Apache-2.0
// PdfMaker: small PDF files written byte by byte, so a test decides exactly what the
// file holds: the order of the Info entries, their encodings, where the Info dictionary
// lives (its own object, inside an object stream, direct in the trailer, nowhere) and
// the kind of cross-reference section. Files that need qpdf's writer (encryption) start
// from one of these.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QString>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <fcntl.h>
#include <sys/stat.h>

class PdfMaker
{
public:
    enum class Xref
    {
        Table,
        Stream
    };
    enum class Info
    {
        Indirect,       // object 5
        InObjectStream, // object 5, held by object stream 7 (needs Xref::Stream)
        Direct,         // in the trailer
        Missing
    };

    Xref xref = Xref::Table;
    Info info = Info::Indirect;
    // The Info dictionary in PDF syntax; object 6 holds the string (Referenced value).
    QByteArray infoBody = "<< /Title (A title) /Author (An author) >>";
    // When set, the trailer's /Info value instead ("1 0 R": a damaged file's Info).
    QByteArray trailerInfo = {};
    // When set, the data of an XMP metadata stream (object 8) that the catalog names.
    QByteArray metadata = {};
    QByteArray version = "1.5";
    // Bytes of page content, to make larger files.
    qint64 contentBytes = 64;

    QByteArray bytes() const
    {
        struct Entry
        {
            int type;
            qint64 field1;
            int field2;
        };
        QByteArray out("%PDF-" + version + "\n%\xE2\xE3\xCF\xD3\n");
        QMap<int, Entry> entries;
        auto add = [&](int number, const QByteArray &body) {
            entries[number] = {1, out.size(), 0};
            out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
        };
        add(1, metadata.isEmpty() ? "<< /Type /Catalog /Pages 2 0 R >>"
                                  : "<< /Type /Catalog /Pages 2 0 R /Metadata 8 0 R >>");
        add(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
        add(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>");
        QByteArray content;
        while (content.size() < contentBytes)
            content += "0 0 m 100 100 l S\n";
        add(4, "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
                   "\nendstream");
        if (info == Info::Indirect)
            add(5, infoBody);
        else if (info != Info::InObjectStream)
            add(5, "<< /Unused true >>");
        add(6, "(Referenced value)");
        if (info == Info::InObjectStream) {
            const QByteArray header = "5 0 ";
            const QByteArray data = header + infoBody;
            add(7, "<< /Type /ObjStm /N 1 /First " + QByteArray::number(header.size()) +
                       " /Length " + QByteArray::number(data.size()) + " >>\nstream\n" + data +
                       "\nendstream");
            entries[5] = {2, 7, 0};
        }

        if (!metadata.isEmpty())
            add(8, "<< /Type /Metadata /Subtype /XML /Length " +
                       QByteArray::number(metadata.size()) + " >>\nstream\n" + metadata +
                       "\nendstream");

        QByteArray trailer = "/Root 1 0 R /ID [<0123456789ABCDEF0123456789ABCDEF>"
                             "<0123456789ABCDEF0123456789ABCDEF>]";
        if (!trailerInfo.isEmpty())
            trailer += " /Info " + trailerInfo;
        else if (info == Info::Indirect || info == Info::InObjectStream)
            trailer += " /Info 5 0 R";
        else if (info == Info::Direct)
            trailer += " /Info " + infoBody;

        const int size = entries.lastKey() + (xref == Xref::Stream ? 2 : 1);
        const qint64 startxref = out.size();
        if (xref == Xref::Table) {
            out += "xref\n0 " + QByteArray::number(size) + "\n0000000000 65535 f\r\n";
            for (int number = 1; number < size; ++number)
                out += entries.contains(number)
                           ? QByteArray::number(entries[number].field1).rightJustified(10, '0') +
                                 " 00000 n\r\n"
                           : QByteArray("0000000000 65535 f\r\n");
            out += "trailer\n<< /Size " + QByteArray::number(size) + ' ' + trailer + " >>\n";
        } else {
            entries[size - 1] = {1, startxref, 0};
            QByteArray data;
            auto field = [&](qint64 value, int width) {
                for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
                    data.append(char((value >> shift) & 0xFF));
            };
            field(0, 1), field(0, 4), field(65535, 2);
            for (int number = 1; number < size; ++number) {
                const Entry entry = entries.value(number, {0, 0, 65535});
                field(entry.type, 1), field(entry.field1, 4), field(entry.field2, 2);
            }
            out += QByteArray::number(size - 1) + " 0 obj\n<< /Type /XRef /Size " +
                   QByteArray::number(size) + " /W [1 4 2] " + trailer + " /Length " +
                   QByteArray::number(data.size()) + " >>\nstream\n" + data +
                   "\nendstream\nendobj\n";
        }
        out += "startxref\n" + QByteArray::number(startxref) + "\n%%EOF\n";
        return out;
    }

    // Writes the file; false when it cannot.
    bool write(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes()) >= 0 &&
               file.flush();
    }

    // A copy of `source` encrypted by qpdf with these passwords; `allowChanges` false
    // forbids modifying the document.
    static bool encrypt(const QString &source, const QString &target, const char *userPassword,
                        const char *ownerPassword, bool allowChanges, bool aes256)
    {
        try {
            QPDF pdf;
            pdf.processFile(QFile::encodeName(source).constData());
            // qpdf keeps the name's pointer: the bytes must outlive the writer.
            const QByteArray name = QFile::encodeName(target);
            QPDFWriter writer(pdf, name.constData());
            if (aes256)
                writer.setR6EncryptionParameters(userPassword, ownerPassword, true, true, true,
                                                 true, true, allowChanges, qpdf_r3p_full, true);
            else
                writer.setR4EncryptionParametersInsecure(userPassword, ownerPassword, true, true,
                                                         true, true, true, allowChanges,
                                                         qpdf_r3p_full, true, true);
            writer.write();
            return true;
        } catch (const std::exception &) {
            return false;
        }
    }

    // Replaces the last `from` in the file by `to` of the same length and gives the file
    // back its modification time: a change that neither its size nor its time shows.
    // Appends bytes after the file's end of revision, as some tools leave them: a save can
    // then only write the whole file anew.
    static bool trail(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::Append) && file.write("\n% left by another tool\n") > 0;
    }

    static bool alter(const QString &path, const QByteArray &from, const QByteArray &to)
    {
        const QByteArray name = QFile::encodeName(path);
        struct stat st = {};
        QFile file(path);
        if (from.size() != to.size() || ::stat(name.constData(), &st) != 0 ||
            !file.open(QIODevice::ReadWrite))
            return false;
        const qsizetype at = file.readAll().lastIndexOf(from);
        if (at < 0 || !file.seek(at) || file.write(to) != to.size())
            return false;
        file.close();
        const timespec times[2] = {st.st_atim, st.st_mtim};
        return ::utimensat(AT_FDCWD, name.constData(), times, 0) == 0;
    }
};

// SPDX-License-Identifier: Apache-2.0
// PdfMaker: small PDF files written byte by byte, so a test decides exactly what the
// file holds: the order of the Info entries, their encodings, where the Info dictionary
// lives (its own object, inside an object stream, direct in the trailer, nowhere) and
// the kind of cross-reference section. Files that need qpdf's writer (encryption) start
// from one of these.
#pragma once

#include <QByteArray>
#include <QString>

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
    QByteArray trailerInfo;
    // When set, the data of an XMP metadata stream (object 8) that the catalog names.
    QByteArray metadata;
    QByteArray version = "1.5";
    // Bytes of page content, to make larger files.
    qint64 contentBytes = 64;

    QByteArray bytes() const;
    // Writes the file; false when it cannot.
    bool write(const QString &path) const;

    // A copy of `source` encrypted by qpdf with these passwords; `allowChanges` false
    // forbids modifying the document.
    static bool encrypt(const QString &source, const QString &target, const char *userPassword,
                        const char *ownerPassword, bool allowChanges, bool aes256);
    // Replaces the last `from` in the file by `to` of the same length and gives the file
    // back its modification time: a change that neither its size nor its time shows.
    static bool alter(const QString &path, const QByteArray &from, const QByteArray &to);
};

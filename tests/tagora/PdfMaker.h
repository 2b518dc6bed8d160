// SPDX-License-Identifier: Apache-2.0
// PdfMaker: small PDF files written byte by byte, so a test decides exactly what the
// file holds: the order of the Info entries, their encodings, where the Info dictionary
// lives (its own object, inside an object stream, direct in the trailer, nowhere) and
// the kind of cross-reference section. Files that need qpdf's writer (encryption) start
// from one of these and are made by the qpdf library, so that both builds make them.
// Standard C++ and qpdf only: the QtTest suites use it too.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

struct PdfMaker
{
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
    // qpdf's encryption methods: RC4 of 40 and 128 bits, RC4 through a crypt filter, AES
    // of 128 bits (the XMP packet encrypted or in clear) and of 256 bits.
    enum class Crypt
    {
        Rc4_40,
        Rc4_128,
        Rc4CryptFilter,
        Aes128,
        Aes128ClearXmp,
        Aes256
    };

    Xref xref = Xref::Table;
    Info info = Info::Indirect;
    // The Info dictionary in PDF syntax; object 6 holds the string (Referenced value).
    std::string infoBody = "<< /Title (A title) /Author (An author) >>";
    // When set, the trailer's /Info value instead ("1 0 R": a damaged file's Info).
    std::string trailerInfo = {};
    // When set, the data of an XMP metadata stream (object 8) that the catalog names.
    std::string metadata = {};
    std::string version = "1.5";
    // More entries of the catalog, in PDF syntax ("/Lang (en)").
    std::string catalogEntries = {};
    // Bytes of page content, to make larger files.
    std::size_t contentBytes = 64;

    std::string bytes() const
    {
        struct Entry
        {
            std::uint64_t type;
            std::uint64_t field1;
            std::uint64_t field2;
        };
        std::string out = "%PDF-" + version + "\n%\xE2\xE3\xCF\xD3\n";
        std::map<int, Entry> entries;
        auto add = [&](int number, const std::string &body) {
            entries[number] = {1, out.size(), 0};
            out += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
        };
        auto stream = [](const std::string &dictionary, const std::string &data) {
            return "<< " + dictionary + " /Length " + std::to_string(data.size()) +
                   " >>\nstream\n" + data + "\nendstream";
        };
        add(1, "<< /Type /Catalog /Pages 2 0 R " + catalogEntries +
                   (metadata.empty() ? " >>" : " /Metadata 8 0 R >>"));
        add(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
        add(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>");
        std::string content;
        while (content.size() < contentBytes)
            content += "0 0 m 100 100 l S\n";
        add(4, stream("", content));
        if (info == Info::Indirect)
            add(5, infoBody);
        else if (info != Info::InObjectStream)
            add(5, "<< /Unused true >>");
        add(6, "(Referenced value)");
        if (info == Info::InObjectStream) {
            add(7, stream("/Type /ObjStm /N 1 /First 4", "5 0 " + infoBody));
            entries[5] = {2, 7, 0};
        }
        if (!metadata.empty())
            add(8, stream("/Type /Metadata /Subtype /XML", metadata));

        std::string trailer = "/Root 1 0 R /ID [<0123456789ABCDEF0123456789ABCDEF>"
                              "<0123456789ABCDEF0123456789ABCDEF>]";
        if (!trailerInfo.empty())
            trailer += " /Info " + trailerInfo;
        else if (info == Info::Indirect || info == Info::InObjectStream)
            trailer += " /Info 5 0 R";
        else if (info == Info::Direct)
            trailer += " /Info " + infoBody;

        const int size = entries.rbegin()->first + (xref == Xref::Stream ? 2 : 1);
        const std::size_t startxref = out.size();
        if (xref == Xref::Table) {
            out += "xref\n0 " + std::to_string(size) + "\n0000000000 65535 f\r\n";
            for (int number = 1; number < size; ++number) {
                const auto entry = entries.find(number);
                const std::string offset =
                    entry == entries.end() ? "" : std::to_string(entry->second.field1);
                out += entry == entries.end()
                           ? "0000000000 65535 f\r\n"
                           : std::string(10 - offset.size(), '0') + offset + " 00000 n\r\n";
            }
            out += "trailer\n<< /Size " + std::to_string(size) + ' ' + trailer + " >>\n";
        } else {
            entries[size - 1] = {1, startxref, 0};
            std::string data;
            auto field = [&](std::uint64_t value, int width) {
                for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
                    data += char((value >> shift) & 0xFF);
            };
            for (int number = 0; number < size; ++number) {
                const auto entry = entries.find(number);
                const Entry e = entry == entries.end() ? Entry{0, 0, 65535} : entry->second;
                field(e.type, 1), field(e.field1, 4), field(e.field2, 2);
            }
            out += std::to_string(size - 1) + " 0 obj\n" +
                   stream("/Type /XRef /Size " + std::to_string(size) + " /W [1 4 2] " + trailer,
                          data) +
                   "\nendobj\n";
        }
        return out + "startxref\n" + std::to_string(startxref) + "\n%%EOF\n";
    }

    // Writes the file; false when it cannot.
    bool write(const std::filesystem::path &path) const
    {
        const std::string data = bytes();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        return bool(out.write(data.data(), std::streamsize(data.size())).flush());
    }

    // A copy of `source` encrypted by qpdf with these passwords; `allowChanges` false
    // forbids modifying the document; `objectStreams`: written with a cross-reference
    // stream and object streams.
    static bool encrypt(const std::filesystem::path &source, const std::filesystem::path &target,
                        const char *user, const char *owner, bool allowChanges = true,
                        Crypt crypt = Crypt::Aes128, bool objectStreams = false)
    {
        try {
            QPDF pdf;
            pdf.processFile(utf8(source).c_str());
            // qpdf keeps the name's pointer: the string must outlive the writer.
            const std::string name = utf8(target);
            QPDFWriter writer(pdf, name.c_str());
            writer.setObjectStreamMode(objectStreams ? qpdf_o_generate : qpdf_o_disable);
            const bool m = allowChanges;
            switch (crypt) {
            case Crypt::Rc4_40:
                writer.setR2EncryptionParametersInsecure(user, owner, true, m, true, true);
                break;
            case Crypt::Rc4_128:
                writer.setR3EncryptionParametersInsecure(user, owner, true, true, true, true, true,
                                                         m, qpdf_r3p_full);
                break;
            case Crypt::Aes256:
                writer.setR6EncryptionParameters(user, owner, true, true, true, true, true, m,
                                                 qpdf_r3p_full, true);
                break;
            default:
                writer.setR4EncryptionParametersInsecure(
                    user, owner, true, true, true, true, true, m, qpdf_r3p_full,
                    crypt != Crypt::Aes128ClearXmp, crypt != Crypt::Rc4CryptFilter);
            }
            writer.write();
            return true;
        } catch (const std::exception &) {
            return false;
        }
    }

    // A path as qpdf takes it on every system.
    static std::string utf8(const std::filesystem::path &path)
    {
        const auto text = path.u8string();
        return {text.begin(), text.end()};
    }
};

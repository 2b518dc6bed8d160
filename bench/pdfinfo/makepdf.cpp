// SPDX-License-Identifier: Apache-2.0
// makepdf: writes a PDF of about the size asked for, for benchmarks: pages that each
// draw one incompressible image, and an Info dictionary of 8 standard entries and 20
// custom ones (or as many as --entries says), and with --xmp an XMP metadata stream
// of about 4 KB that holds the same standard entries. With --small, one page and no
// image: a file of a few kilobytes, as many books of a batch are.
//
//   makepdf OUTPUT.pdf MEGABYTES [--xref-stream] [--entries N] [--xmp] [--small]

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: makepdf OUTPUT.pdf MEGABYTES [--xref-stream] [--entries N] "
                             "[--xmp] [--small]\n");
        return 2;
    }
    const std::string output = argv[1];
    const long megabytes = std::strtol(argv[2], nullptr, 10);
    bool xrefStream = false;
    bool xmp = false;
    bool small = false;
    int entries = 20;
    for (int i = 3; i < argc; ++i) {
        if (std::string(argv[i]) == "--xref-stream")
            xrefStream = true;
        else if (std::string(argv[i]) == "--xmp")
            xmp = true;
        else if (std::string(argv[i]) == "--small")
            small = true;
        else if (std::string(argv[i]) == "--entries" && i + 1 < argc)
            entries = std::atoi(argv[++i]);
    }

    // 256 KiB per page: a 1 GB file has about 4 000 pages, a book-like count of objects.
    constexpr int Side = 256; // 256 x 256 RGB = 192 KiB of image data per page
    const long pages = small ? 1 : std::max(1L, megabytes * 1024 * 1024 / (Side * Side * 3 + 1024));

    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper pages_helper(pdf);
    std::mt19937 random(42);
    std::string pixels(size_t(Side * Side * 3), '\0');
    for (long p = 0; p < pages; ++p) {
        for (char &c : pixels)
            c = char(random());
        QPDFObjectHandle image = pdf.newStream(pixels);
        image.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        image.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
        image.getDict().replaceKey("/Width", QPDFObjectHandle::newInteger(Side));
        image.getDict().replaceKey("/Height", QPDFObjectHandle::newInteger(Side));
        image.getDict().replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceRGB"));
        image.getDict().replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
        QPDFObjectHandle contents =
            pdf.newStream(small ? "0 0 m 200 200 l S\n" : "q 200 0 0 200 0 0 cm /Im0 Do Q\n");
        QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Page /MediaBox [0 0 200 200] /Resources << /XObject << >> >> >>"));
        if (!small)
            page.getKey("/Resources").getKey("/XObject").replaceKey("/Im0", image);
        page.replaceKey("/Contents", contents);
        pages_helper.addPage(page, false);
    }

    QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString("Benchmark book"));
    info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString("Zoë Writer"));
    info.replaceKey("/Subject", QPDFObjectHandle::newUnicodeString("Speed"));
    info.replaceKey("/Keywords", QPDFObjectHandle::newUnicodeString("pdf, fields"));
    info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString("makepdf"));
    info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString("qpdf"));
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString("D:20240101120000Z"));
    info.replaceKey("/ModDate", QPDFObjectHandle::newString("D:20240101120000Z"));
    for (int i = 1; i <= entries; ++i)
        info.replaceKey("/Custom" + std::to_string(i),
                        QPDFObjectHandle::newUnicodeString("value " + std::to_string(i)));
    pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));

    if (xmp) {
        std::string packet =
            "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
            "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
            "rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
            "xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
            "xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\" pdfaid:part=\"2\" "
            "pdfaid:conformance=\"B\" xmp:CreatorTool=\"makepdf\" pdf:Producer=\"qpdf\" "
            "pdf:Keywords=\"pdf, fields\" "
            "xmp:CreateDate=\"2024-01-01T12:00:00Z\"><dc:title><rdf:Alt>"
            "<rdf:li xml:lang=\"x-default\">Benchmark book</rdf:li></rdf:Alt></dc:title>"
            "<dc:creator><rdf:Seq><rdf:li>Zo\xC3\xAB Writer</rdf:li></rdf:Seq></dc:creator>"
            "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">Speed</rdf:li></rdf:Alt>"
            "</dc:description></rdf:Description></rdf:RDF></x:xmpmeta>";
        packet += std::string(3000, ' ') + "<?xpacket end=\"w\"?>";
        QPDFObjectHandle metadata = pdf.newStream(packet);
        metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
        metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
        pdf.getRoot().replaceKey("/Metadata", metadata);
    }

    QPDFWriter writer(pdf, output.c_str());
    writer.setCompressStreams(false);
    if (xrefStream)
        writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
    return 0;
}

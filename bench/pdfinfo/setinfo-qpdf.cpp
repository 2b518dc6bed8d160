// SPDX-License-Identifier: Apache-2.0
// setinfo-qpdf: what a tool built on the qpdf library does to change a PDF's
// information entries: open, replace /Info, write the whole file anew, rename.
//
//   setinfo-qpdf FILE.pdf NAME=VALUE...

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: setinfo-qpdf FILE.pdf NAME=VALUE...\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string temporary = path + ".tmp";
    {
        QPDF pdf;
        pdf.processFile(path.c_str());
        QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
        for (int i = 2; i < argc; ++i) {
            const std::string entry = argv[i];
            const auto equals = entry.find('=');
            info.replaceKey("/" + entry.substr(0, equals),
                            QPDFObjectHandle::newUnicodeString(entry.substr(equals + 1)));
        }
        pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));
        QPDFWriter writer(pdf, temporary.c_str());
        writer.setPreserveEncryption(true);
        writer.write();
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0 ? 0 : 1;
}

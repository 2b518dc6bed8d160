// SPDX-License-Identifier: Apache-2.0
// Small real PDFs for tests, made with qpdf, and the readers that check what the
// component wrote: qpdf's own check, run in-process so that it runs on both builds, and
// pdfinfo where it can run (Linux).
#pragma once

#include "support/Process.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFJob.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace Pdf {

using Entries = std::vector<std::pair<std::string, std::string>>; // name (without "/"), UTF-8 value

// A PDF with `pages` pages and an indirect Info dictionary holding `info` (none when
// empty). qpdf writes dictionary keys sorted, so that is the order in the file.
inline void make(const std::filesystem::path &path, const Entries &info, bool objectStreams = false,
                 int pages = 2)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper helper(pdf);
    for (int i = 0; i < pages; ++i)
        helper.addPage(pdf.makeIndirectObject(QPDFObjectHandle::parse(
                           "<< /Type /Page /MediaBox [0 0 200 200] /Resources << >> >>")),
                       false);
    if (!info.empty()) {
        QPDFObjectHandle dict = QPDFObjectHandle::newDictionary();
        for (const auto &[name, value] : info)
            dict.replaceKey("/" + name, QPDFObjectHandle::newUnicodeString(value));
        pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(dict));
    }
    // qpdf keeps the name's pointer: the string must outlive the writer.
    const std::string name = path.string();
    QPDFWriter writer(pdf, name.c_str());
    writer.setStaticID(true);
    if (objectStreams)
        writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
}

// What `qpdf --check` says when it finds an error or a warning; empty when it finds none.
inline std::string problems(const std::filesystem::path &path, const std::string &password = {})
{
    std::ostringstream out, err;
    auto logger = QPDFLogger::create();
    logger->setOutputStreams(&out, &err);
    const std::string name = path.string();
    std::vector<const char *> argv{"qpdf", "--check", name.c_str()};
    const std::string passwordArg = "--password=" + password;
    if (!password.empty())
        argv.push_back(passwordArg.c_str());
    argv.push_back(nullptr);
    QPDFJob job;
    job.setLogger(logger);
    try {
        job.initializeFromArgv(argv.data());
        job.run();
    } catch (const std::exception &e) {
        return e.what();
    }
    return job.getExitCode() == 0 ? std::string() : out.str() + err.str();
}

// pdfinfo's "Name: value" lines, in UTF-8, dates as the file writes them: with `custom`,
// the standard and custom entries (string values only), else what plain pdfinfo says
// ("Pages", "Encrypted" ...). Empty when pdfinfo fails or cannot run here.
inline std::map<std::string, std::string> pdfinfo(const std::filesystem::path &path,
                                                  bool custom = true)
{
    std::map<std::string, std::string> result;
    std::vector<std::string> args{"-rawdates", "-enc", "UTF-8", path.string()};
    if (custom)
        args.insert(args.begin(), "-custom");
    const Support::Output out = Support::run("pdfinfo", args);
    if (out.exitCode != 0)
        return result;
    std::istringstream lines(out.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':');
        const std::size_t value = line.find_first_not_of(' ', colon + 1);
        if (colon != std::string::npos && colon > 0)
            result[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
    }
    return result;
}

} // namespace Pdf

// SPDX-License-Identifier: Apache-2.0
// The one way the tests run another program: to its end (a minute at most), with an
// input, in a folder, its output and its errors apart. The readers that check what we write
// (pdfinfo, qpdf, exiftool, mutool, pikepdf) are Linux programs: under wine a suite
// checks with the qpdf library alone.
#pragma once

#include <string>
#include <vector>

namespace Support {

struct Output
{
    int exitCode = -1; // -1: it did not start, or ran out of time
    std::string out;
    std::string err;
};

// `folder` empty: the test's own working folder.
Output run(const std::string &program, const std::vector<std::string> &args,
           const std::string &input = {}, const std::string &folder = {});

// Whether the Linux readers can be run from here.
bool otherReadersRun();

} // namespace Support

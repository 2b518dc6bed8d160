// SPDX-License-Identifier: Apache-2.0
// HostOptions: the command line of orvfields-host.exe, the Linux host's where it
// makes sense on Windows:
//
//   orvfields-host [PUBLICATION.xml] [--language en|fr] [--select PATH]
//                  [--screenshot FILE.png] [--host-screenshot FILE.png] [--help] [--version]
//
// Without a file the sample publication opens: the one beside the program
// (sample\publication.xml), else the one of the build (..\examples\sample). PATH names
// a node by its texts from the book down, joined with "/". --host-screenshot saves a
// picture of the window once it shows the publication; --screenshot runs "PDF
// fields…", saves a picture of its dialog once the dialog has loaded its book and
// closes it; with either the program then quits. An option's value follows it, or
// an equals sign ("--language=fr").
#pragma once

#include "host/model/Plugin.h"

#include <optional>
#include <string>
#include <vector>

namespace Host {

struct HostOptions
{
    std::wstring publication;               // empty: the sample
    std::optional<PluginLanguage> language; // the system's when not given
    std::optional<std::wstring> select;
    std::optional<std::wstring> screenshot;
    std::optional<std::wstring> hostScreenshot;
    bool help = false;
    bool version = false;
    std::wstring error; // why the command line was refused; empty when it was not

    // The arguments after the program's name.
    static HostOptions parse(const std::vector<std::wstring> &arguments);
    static std::wstring usage();
    static std::wstring versionText();
    // The sample publication for a program in `programFolder`.
    static std::wstring samplePublication(const std::wstring &programFolder);
};

} // namespace Host

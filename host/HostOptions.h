// SPDX-License-Identifier: Apache-2.0
// HostOptions: the command line of orvfields-host.
//
//   orvfields-host [PUBLICATION.xml] [--language en|fr] [--select PATH]
//                  [--screenshot FILE.png] [--help] [--version]
//
// Without a file the bundled sample publication is opened. The arguments can be read
// before the application object exists, so --help and --version answer on a machine
// without a display. PATH names a node by its
// texts from the book down, joined with "/" ("User guide/Chapter 1"). --screenshot
// runs "PDF fields…" at once, saves a picture of its dialog once the dialog has
// loaded its book, closes it and quits (see DialogScreenshot.h); it works without a
// display under QT_QPA_PLATFORM=offscreen.
#pragma once

#include "HostWindow.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace Host {

struct HostOptions
{
    QString publication;                          // empty: the sample
    std::optional<HostWindow::Language> language; // the system's when not given
    std::optional<QString> select;
    std::optional<QString> screenshot;
    bool help = false;
    bool version = false;
    QString error; // why the command line was refused; empty when it was not

    static HostOptions parse(const QStringList &arguments);
    static QString usage();
    static QString versionText();
    // The sample publication: the one built beside the program (bin/../examples/sample)
    // or, installed, the one in the data folder (share/orvfields/sample).
    static QString samplePublication();
};

} // namespace Host

// SPDX-License-Identifier: Apache-2.0
// orvfields-host [PUBLICATION.xml] [--language en|fr] [--select PATH] [--screenshot FILE.png]
//                [--help] [--version]

#include "DialogScreenshot.h"
#include "HostOptions.h"
#include "HostWindow.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <memory>

using Host::DialogScreenshot;
using Host::HostOptions;
using Host::HostWindow;

int main(int argc, char *argv[])
{
    // --help and --version first: they need no display, which the application object
    // does. Qt's own options (-platform …) are known only to it, so everything else is
    // read once it exists.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const HostOptions early = HostOptions::parse(arguments);
    if (early.help || early.version) {
        std::fputs(qPrintable(early.help ? HostOptions::usage() : HostOptions::versionText()),
                   stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvfields-host"));
    // The installed desktop entry and icon carry this name; desktops match windows by it.
    QApplication::setDesktopFileName(QStringLiteral("org.orvfields.OrvFieldsHost"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orvfields.OrvFieldsHost")));

    const HostOptions options = HostOptions::parse(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "orvfields-host: %s\n\n%s", qPrintable(options.error),
                     qPrintable(HostOptions::usage()));
        return 2;
    }

    // Watches from the start, so that no window of the run waits for a user.
    std::unique_ptr<DialogScreenshot> shot;
    if (options.screenshot)
        shot = std::make_unique<DialogScreenshot>(*options.screenshot);

    HostWindow window;
    if (options.language)
        window.setLanguage(*options.language);
    window.show();
    const QString publication =
        options.publication.isEmpty() ? HostOptions::samplePublication() : options.publication;
    if (window.openPublication(publication) && options.select &&
        !window.selectPath(*options.select))
        std::fprintf(stderr, "orvfields-host: the publication has no node \"%s\"\n",
                     qPrintable(*options.select));
    if (shot) {
        QTimer::singleShot(0, &window, [&] {
            window.runPlugin();
            if (!shot->error().isEmpty())
                std::fprintf(stderr, "orvfields-host: %s", qPrintable(shot->error()));
            QApplication::exit(shot->saved() ? 0 : 1);
        });
    }
    return app.exec();
}

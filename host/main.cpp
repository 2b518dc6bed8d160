// orvfields-host [PUBLICATION.xml] [--language en|fr] [--select PATH]

#include "HostOptions.h"
#include "HostWindow.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvfields-host"));

    const HostOptions options = HostOptions::parse(QApplication::arguments());
    if (options.help) {
        std::fputs(qPrintable(HostOptions::usage()), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "orvfields-host: %s\n\n%s", qPrintable(options.error),
                     qPrintable(HostOptions::usage()));
        return 2;
    }

    HostWindow window;
    if (options.language)
        window.setLanguage(*options.language);
    window.show();
    if (window.openPublication(options.publication) && options.select &&
        !window.selectPath(*options.select))
        std::fprintf(stderr, "orvfields-host: the publication has no node \"%s\"\n",
                     qPrintable(*options.select));
    return app.exec();
}

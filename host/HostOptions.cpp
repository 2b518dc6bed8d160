// SPDX-License-Identifier: Apache-2.0
#include "HostOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Host {

namespace {

struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption language{
        QStringLiteral("language"),
        QStringLiteral("Language of the plug-in: en or fr (default: the system's)."),
        QStringLiteral("en|fr")};
    QCommandLineOption select{
        QStringLiteral("select"),
        QStringLiteral("Select the node with this path of texts, joined with \"/\"."),
        QStringLiteral("PATH")};
    QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Run PDF fields, save a picture of its dialog once it has loaded its "
                       "book, close it and quit."),
        QStringLiteral("FILE.png")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version.")};

    Parser()
    {
        parser.setApplicationDescription(
            QStringLiteral("A publishing-application window that runs the PDF fields plug-in "
                           "on the books of a publication."));
        parser.addOption(language);
        parser.addOption(select);
        parser.addOption(screenshot);
        parser.addOption(help);
        parser.addOption(version);
        parser.addPositionalArgument(
            QStringLiteral("PUBLICATION.xml"),
            QStringLiteral("The publication to open (default: the bundled sample)."),
            QStringLiteral("[PUBLICATION.xml]"));
    }
};

} // namespace

HostOptions HostOptions::parse(const QStringList &arguments)
{
    HostOptions options;
    Parser p;
    if (!p.parser.parse(arguments)) {
        options.error = p.parser.errorText();
        return options;
    }
    options.help = p.parser.isSet(p.help);
    options.version = p.parser.isSet(p.version);
    const QStringList files = p.parser.positionalArguments();
    if (files.size() > 1) {
        options.error = QStringLiteral("Only one publication can be opened, not %1: %2")
                            .arg(files.size())
                            .arg(files.join(QStringLiteral(", ")));
        return options;
    }
    options.publication = files.value(0);
    if (p.parser.isSet(p.language)) {
        const QString language = p.parser.value(p.language).toLower();
        if (language == QLatin1String("en"))
            options.language = HostWindow::Language::English;
        else if (language == QLatin1String("fr"))
            options.language = HostWindow::Language::French;
        else
            options.error = QStringLiteral("--language takes en or fr, not '%1'")
                                .arg(p.parser.value(p.language));
    }
    if (p.parser.isSet(p.select))
        options.select = p.parser.value(p.select);
    if (p.parser.isSet(p.screenshot))
        options.screenshot = p.parser.value(p.screenshot);
    return options;
}

QString HostOptions::usage()
{
    // Qt's first line names the program as the application object gives it, which may
    // not exist yet.
    const QString text = Parser().parser.helpText();
    return QStringLiteral("Usage: orvfields-host [options] [PUBLICATION.xml]") +
           text.mid(text.indexOf(u'\n'));
}

QString HostOptions::versionText()
{
    return QStringLiteral("orvfields-host " ORVFIELDS_VERSION "\n");
}

QString HostOptions::samplePublication()
{
    const QString bin = QCoreApplication::applicationDirPath();
    const QString built =
        QDir::cleanPath(bin + QStringLiteral("/../examples/sample/publication.xml"));
    const QString installed =
        QDir::cleanPath(bin + QStringLiteral("/" ORVFIELDS_BIN_TO_DATA "/sample/publication.xml"));
    return QFileInfo::exists(built) || !QFileInfo::exists(installed) ? built : installed;
}

} // namespace Host

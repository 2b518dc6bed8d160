// SPDX-License-Identifier: Apache-2.0
// external-host: a host that knows the PDF fields plug-in by its programmatic
// identifier alone. It creates OrvFields.MainForm through the registry, prints what
// the plug-in asks of its host and, with --show, runs it without a publication: the
// plug-in then refuses in a message box, which this host prints and closes, so that
// the run needs nobody at the screen (QT_QPA_PLATFORM=offscreen works).
//
//   external-host [--french] [--show]

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Registry.h"
#include "automation/Text.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    using Automation::utf8;
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const std::u16string progId = u"OrvFields.MainForm";
    try {
        const Automation::Ref<Automation::Object> plugin = Automation::createObject(progId);
        std::printf("created %s, class %s\n", utf8(progId).c_str(),
                    utf8(Automation::classIdOf(progId)).c_str());
        std::printf("InputNeed: %s\n",
                    utf8(Automation::get(plugin, u"InputNeed").toText()).c_str());
        // The plug-in's convention: 0 is French, any other value English.
        Automation::put(plugin.get(), u"Language", args.contains(u"--french") ? 0 : 1);
        if (args.contains(u"--show")) {
            QTimer reader;
            QObject::connect(&reader, &QTimer::timeout, [] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    std::printf("message: %s: %s\n", qPrintable(box->windowTitle()),
                                qPrintable(box->text()));
                    box->close();
                }
            });
            reader.start(20);
            Automation::call(plugin, u"Show");
        }
    } catch (const Automation::AutomationError &error) {
        std::fprintf(stderr, "external-host: error %d: %s\n", int(error.number()),
                     utf8(error.description()).c_str());
        return 1;
    }
    return 0;
}

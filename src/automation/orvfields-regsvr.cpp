// SPDX-License-Identifier: Apache-2.0
// orvfields-regsvr [--system] [-u] LIBRARY: registers (or, with -u, unregisters) an
// in-process automation server by calling its DllRegisterServer (DllUnregisterServer),
// for the user or, with --system, for every user of the machine.
// orvfields-regsvr --describe PROGID: prints the type library of a registered class.

#include "AutomationError.h"
#include "ClassFactory.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

using namespace Automation;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: orvfields-regsvr [--system] [-u] LIBRARY\n"
                 "       orvfields-regsvr --describe PROGID\n"
                 "  registers the automation classes of LIBRARY in %s\n"
                 "  --system    in %s instead, for every user\n"
                 "  -u          unregisters them\n"
                 "  --describe  prints the type library of a registered class\n",
                 qPrintable(registryPath()), qPrintable(systemRegistryPath()));
    return 2;
}

int failure(const QString &message)
{
    std::fprintf(stderr, "orvfields-regsvr: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args.first() == QLatin1String("--describe")) {
        try {
            std::printf("%s", qPrintable(describeTypeLibraryOf(args.at(1))));
            return 0;
        } catch (const AutomationError &error) {
            return failure(error.description());
        }
    }
    const bool unregister = args.removeAll(QStringLiteral("-u")) > 0;
    // The entry point writes through this same runtime, so the scope reaches it.
    if (args.removeAll(QStringLiteral("--system")) > 0)
        setRegistryScope(RegistryScope::System);
    if (args.size() != 1 || args.first().startsWith(u'-'))
        return usage();

    const QFileInfo file(args.first());
    if (!file.isFile())
        return failure(QStringLiteral("%1: no such file").arg(args.first()));
    QLibrary library(file.absoluteFilePath());
    if (!library.load())
        return failure(QStringLiteral("cannot load %1: %2")
                           .arg(file.absoluteFilePath(), library.errorString()));

    const char *entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto function = reinterpret_cast<DllRegisterServerFn>(library.resolve(entry));
    if (!function)
        return failure(QStringLiteral("%1 is not an automation server (no %2)")
                           .arg(file.absoluteFilePath(), QLatin1String(entry)));
    const HRESULT hr = function();
    if (hr != Hr::Ok)
        return failure(QStringLiteral("%1 in %2 failed (HRESULT 0x%3); is %4 writable?")
                           .arg(QLatin1String(entry), file.absoluteFilePath())
                           .arg(quint32(hr), 8, 16, QLatin1Char('0'))
                           .arg(registryPath()));
    std::printf("%s %s in %s\n", unregister ? "unregistered" : "registered",
                qPrintable(file.absoluteFilePath()), qPrintable(registryPath()));
    return 0;
}

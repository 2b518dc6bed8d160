// SPDX-License-Identifier: Apache-2.0
// orvfields-regsvr [--system] [-u] LIBRARY: registers (or, with -u, unregisters) an
// in-process automation server by calling its DllRegisterServer (DllUnregisterServer),
// for the user or, with --system, for every user of the machine.
// orvfields-regsvr --describe PROGID: prints the type library of a registered class.

#include "AutomationError.h"
#include "ClassFactory.h"
#include "Registry.h"
#include "System.h"
#include "Text.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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
                 utf8(registryPath()).c_str(), utf8(systemRegistryPath()).c_str());
    return 2;
}

int failure(const std::u16string &message)
{
    std::fprintf(stderr, "orvfields-regsvr: %s\n", utf8(message).c_str());
    return 1;
}

// Removes every `option` from `args`; whether there was one.
bool take(std::vector<std::string> &args, const std::string &option)
{
    return std::erase(args, option) > 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args.front() == "--describe") {
        try {
            std::printf("%s", utf8(describeTypeLibraryOf(utf16(args.back()))).c_str());
            return 0;
        } catch (const AutomationError &error) {
            return failure(error.description());
        }
    }
    const bool unregister = take(args, "-u");
    // The entry point writes through this same runtime, so the scope reaches it.
    if (take(args, "--system"))
        setRegistryScope(RegistryScope::System);
    if (args.size() != 1 || args.front().starts_with('-'))
        return usage();

    const std::u16string path = System::absolutePath(utf16(args.front()));
    if (!System::isRegularFile(path))
        return failure(utf16(args.front()) + u": no such file");
    std::u16string error;
    void *library = System::loadLibrary(path, error);
    if (!library)
        return failure(u"cannot load " + path + u": " + error);

    const char *entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto function = reinterpret_cast<DllRegisterServerFn>(System::symbolOf(library, entry));
    if (!function)
        return failure(path + u" is not an automation server (no " + utf16(entry) + u")");
    const HRESULT hr = function();
    if (hr != Hr::Ok) {
        char code[16];
        std::snprintf(code, sizeof code, "%08x", static_cast<unsigned>(hr));
        return failure(utf16(entry) + u" in " + path + u" failed (HRESULT 0x" + utf16(code) +
                       u"); is " + registryPath() + u" writable?");
    }
    std::printf("%s %s in %s\n", unregister ? "unregistered" : "registered", utf8(path).c_str(),
                utf8(registryPath()).c_str());
    return 0;
}

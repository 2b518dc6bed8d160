// SPDX-License-Identifier: Apache-2.0
// The test's in-process server: Test.Sample and the control Test.Control, with the
// four entry points every server exports, and a count of the samples constructed.

#include "Sample.h"
#include "automation/ServerModule.h"

namespace {

int samplesConstructed = 0;

struct CountedSample : Test::Sample
{
    CountedSample() { ++samplesConstructed; }
};

Automation::ServerModule &module()
{
    static Automation::ServerModule server{
        "Test",
        "{00000000-0000-0000-0000-0000000000C1}",
        1,
        2,
        "Test server",
        {Automation::serverClass<CountedSample>(), Automation::serverClass<Test::Control>()},
    };
    return server;
}

} // namespace

extern "C" {

Automation::HRESULT DllRegisterServer()
{
    return Automation::registerServer(
        module(), Automation::libraryPathOf(reinterpret_cast<const void *>(&DllRegisterServer)));
}

Automation::HRESULT DllUnregisterServer()
{
    return Automation::unregisterServer(module());
}

Automation::HRESULT DllGetClassObject(const char *clsid, const char *iid, void **factory)
{
    return Automation::getClassObject(module(), clsid, iid, factory);
}

Automation::HRESULT DllCanUnloadNow()
{
    return Automation::canUnloadNow(module());
}

int SamplesConstructed()
{
    return samplesConstructed;
}

} // extern "C"

// SPDX-License-Identifier: Apache-2.0
#include "ServerModule.h"

#include "AutomationError.h"
#include "Registry.h"
#include "System.h"
#include "Text.h"

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace Automation {

namespace {

class ClassFactory final : public IClassFactory
{
public:
    ClassFactory(ServerModule &module, const ServerClass &cls) : m_module(module), m_class(cls) {}

    HRESULT CreateInstance(Object **object) override
    {
        if (!object)
            return Hr::Pointer;
        *object = nullptr;
        Ref<Object> created;
        try {
            created = m_class.create(m_module.liveObjects);
        } catch (const std::exception &error) {
            // The entry points answer with an HRESULT only; the reason goes to the log.
            std::fprintf(stderr, "%s\n", error.what());
            return Hr::Fail;
        }
        if (!created)
            return Hr::Fail;
        // The caller's reference: the one `created` holds, kept past its end.
        created->addRef();
        *object = created.get();
        return Hr::Ok;
    }

    HRESULT LockServer(bool lock) override
    {
        m_module.locks.fetch_add(lock ? 1 : -1);
        return Hr::Ok;
    }

    const ClassInfo *ClassTable() const override { return &m_class.table(); }

private:
    ServerModule &m_module;
    const ServerClass &m_class;
};

// Runs a read-modify-write of the registry under its lock file, so that two
// registrations at once do not lose each other's keys.
template <typename Change> HRESULT updateRegistry(Change &&change)
{
    try {
        RegistryFile registry(registryPath());
        const std::unique_ptr<System::FileLock> lock =
            System::lockFile(registry.path() + u".lock", 10000);
        if (!lock) {
            std::fprintf(stderr, "cannot lock the registry %s\n", utf8(registry.path()).c_str());
            return Hr::SelfRegClass;
        }
        registry.load(false);
        change(registry);
        registry.save();
        return Hr::Ok;
    } catch (const AutomationError &error) {
        std::fprintf(stderr, "%s\n", utf8(error.description()).c_str());
        return Hr::SelfRegClass;
    }
}

std::u16string versionText(const ServerModule &module)
{
    return decimal(module.majorVersion) + u'.' + decimal(module.minorVersion);
}

} // namespace

HRESULT registerServer(const ServerModule &module, const std::u16string &libraryPath)
{
    return updateRegistry([&](RegistryFile &registry) {
        const std::u16string version = versionText(module);
        const std::u16string libId = utf16(module.libId);
        const std::u16string libKey = u"TypeLib/" + libId + u'/' + version;
        registry.setValue(libKey, u"@", utf16(module.helpString));
        registry.setValue(libKey + u"/0/linux64", u"@", libraryPath);
        registry.setValue(libKey + u"/FLAGS", u"@", u"0");

        for (const ServerClass &cls : module.classes) {
            const ClassInfo &info = cls.table();
            const std::u16string progId = utf16(info.progId);
            const std::u16string classKey = u"CLSID/" + utf16(info.classId);
            registry.setValue(classKey, u"@", utf16(info.className));
            registry.setValue(classKey + u"/InprocServer32", u"@", libraryPath);
            registry.setValue(classKey + u"/InprocServer32", u"ThreadingModel", u"Apartment");
            registry.setValue(classKey + u"/ProgID", u"@", progId);
            registry.setValue(classKey + u"/TypeLib", u"@", libId);
            registry.setValue(classKey + u"/Version", u"@", version);
            if (info.control)
                registry.setValue(classKey + u"/Control", u"@", {});
            registry.setValue(progId, u"@", progId);
            registry.setValue(progId + u"/CLSID", u"@", utf16(info.classId));

            const std::u16string interfaceKey = u"Interface/" + utf16(info.interfaceId);
            registry.setValue(interfaceKey, u"@", utf16(info.interfaceName));
            registry.setValue(interfaceKey + u"/TypeLib", u"@", libId);
        }
    });
}

HRESULT unregisterServer(const ServerModule &module)
{
    return updateRegistry([&](RegistryFile &registry) {
        const std::u16string libKey = u"TypeLib/" + utf16(module.libId);
        registry.removeKey(libKey + u'/' + versionText(module));
        if (registry.subKeys(libKey).empty())
            registry.removeKey(libKey);
        for (const ServerClass &cls : module.classes) {
            const ClassInfo &info = cls.table();
            registry.removeKey(u"CLSID/" + utf16(info.classId));
            registry.removeKey(utf16(info.progId));
            registry.removeKey(u"Interface/" + utf16(info.interfaceId));
        }
    });
}

HRESULT getClassObject(ServerModule &module, const char *clsid, const char *iid, void **factory)
{
    if (!factory)
        return Hr::Pointer;
    *factory = nullptr;
    if (!clsid || !iid)
        return Hr::Pointer;
    if (!equalIgnoringCase(utf16(iid), utf16(IID_IClassFactory)))
        return Hr::NoInterface;

    // Class objects live as long as the library, like static class objects.
    static std::mutex mutex;
    static std::map<const ServerClass *, std::unique_ptr<ClassFactory>> factories;
    for (const ServerClass &cls : module.classes) {
        if (!equalIgnoringCase(utf16(cls.table().classId), utf16(clsid)))
            continue;
        const std::lock_guard<std::mutex> hold(mutex);
        std::unique_ptr<ClassFactory> &slot = factories[&cls];
        if (!slot)
            slot = std::make_unique<ClassFactory>(module, cls);
        *factory = static_cast<IClassFactory *>(slot.get());
        return Hr::Ok;
    }
    return Hr::ClassNotAvailable;
}

HRESULT canUnloadNow(const ServerModule &module)
{
    return module.liveObjects.load() == 0 && module.locks.load() == 0 ? Hr::Ok : Hr::False;
}

} // namespace Automation

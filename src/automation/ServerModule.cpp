// SPDX-License-Identifier: Apache-2.0
#include "ServerModule.h"

#include "AutomationError.h"
#include "Registry.h"
#include "TypeInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <dlfcn.h>

#include <map>
#include <memory>

namespace Automation {

namespace {

class ClassFactory final : public IClassFactory
{
public:
    ClassFactory(ServerModule &module, const ServerClass &cls) : m_module(module), m_class(cls) {}

    HRESULT CreateInstance(QObject **object) override
    {
        if (!object)
            return Hr::Pointer;
        *object = m_class.create();
        if (!*object)
            return Hr::Fail;
        ServerModule &module = m_module;
        ++module.liveObjects;
        QObject::connect(*object, &QObject::destroyed, [&module] { --module.liveObjects; });
        return Hr::Ok;
    }

    HRESULT LockServer(bool lock) override
    {
        m_module.locks += lock ? 1 : -1;
        return Hr::Ok;
    }

    const QMetaObject *ClassMetaObject() const override { return m_class.meta; }

private:
    ServerModule &m_module;
    ServerClass m_class;
};

// Runs a read-modify-write of the registry under its lock file, so that two
// registrations at once do not lose each other's keys.
template <typename Change> HRESULT updateRegistry(Change &&change)
{
    try {
        RegistryFile registry(registryPath());
        QDir().mkpath(QFileInfo(registry.path()).absolutePath());
        QLockFile lock(registry.path() + QStringLiteral(".lock"));
        lock.setStaleLockTime(30000);
        if (!lock.tryLock(10000)) {
            qWarning("cannot lock the registry %s", qPrintable(registry.path()));
            return Hr::SelfRegClass;
        }
        registry.load(false);
        change(registry);
        registry.save();
        return Hr::Ok;
    } catch (const AutomationError &error) {
        // The entry points answer with an HRESULT only; the reason goes to the log.
        qWarning("%s", qPrintable(error.description()));
        return Hr::SelfRegClass;
    }
}

QString versionText(const ServerModule &module)
{
    return QStringLiteral("%1.%2").arg(module.majorVersion).arg(module.minorVersion);
}

} // namespace

HRESULT registerServer(const ServerModule &module, const QString &libraryPath)
{
    return updateRegistry([&](RegistryFile &registry) {
        const QString version = versionText(module);
        const QString libKey = QStringLiteral("TypeLib/%1/%2").arg(module.libId, version);
        registry.setValue(libKey, QStringLiteral("@"), module.helpString);
        registry.setValue(libKey + QStringLiteral("/0/linux64"), QStringLiteral("@"), libraryPath);
        registry.setValue(libKey + QStringLiteral("/FLAGS"), QStringLiteral("@"),
                          QStringLiteral("0"));

        for (const ServerClass &cls : module.classes) {
            const TypeInfo &info = TypeInfo::of(cls.meta);
            const QString classKey = QStringLiteral("CLSID/") + info.classId;
            registry.setValue(classKey, QStringLiteral("@"), info.className);
            registry.setValue(classKey + QStringLiteral("/InprocServer32"), QStringLiteral("@"),
                              libraryPath);
            registry.setValue(classKey + QStringLiteral("/InprocServer32"),
                              QStringLiteral("ThreadingModel"), QStringLiteral("Apartment"));
            registry.setValue(classKey + QStringLiteral("/ProgID"), QStringLiteral("@"),
                              info.progId);
            registry.setValue(classKey + QStringLiteral("/TypeLib"), QStringLiteral("@"),
                              module.libId);
            registry.setValue(classKey + QStringLiteral("/Version"), QStringLiteral("@"), version);
            if (info.control)
                registry.setValue(classKey + QStringLiteral("/Control"), QStringLiteral("@"),
                                  QString());
            registry.setValue(info.progId, QStringLiteral("@"), info.progId);
            registry.setValue(info.progId + QStringLiteral("/CLSID"), QStringLiteral("@"),
                              info.classId);

            const QString interfaceKey = QStringLiteral("Interface/") + info.interfaceId;
            registry.setValue(interfaceKey, QStringLiteral("@"), info.interfaceName);
            registry.setValue(interfaceKey + QStringLiteral("/TypeLib"), QStringLiteral("@"),
                              module.libId);
        }
    });
}

HRESULT unregisterServer(const ServerModule &module)
{
    return updateRegistry([&](RegistryFile &registry) {
        registry.removeKey(QStringLiteral("TypeLib/%1/%2").arg(module.libId, versionText(module)));
        if (registry.subKeys(QStringLiteral("TypeLib/") + module.libId).isEmpty())
            registry.removeKey(QStringLiteral("TypeLib/") + module.libId);
        for (const ServerClass &cls : module.classes) {
            const TypeInfo &info = TypeInfo::of(cls.meta);
            registry.removeKey(QStringLiteral("CLSID/") + info.classId);
            registry.removeKey(info.progId);
            registry.removeKey(QStringLiteral("Interface/") + info.interfaceId);
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
    if (QString::fromLatin1(iid).compare(QLatin1String(IID_IClassFactory), Qt::CaseInsensitive))
        return Hr::NoInterface;

    // Class objects live as long as the library, like static class objects.
    static std::map<const QMetaObject *, std::unique_ptr<ClassFactory>> factories;
    for (const ServerClass &cls : module.classes) {
        if (TypeInfo::of(cls.meta).classId.compare(QLatin1String(clsid), Qt::CaseInsensitive))
            continue;
        auto &slot = factories[cls.meta];
        if (!slot)
            slot = std::make_unique<ClassFactory>(module, cls);
        *factory = static_cast<IClassFactory *>(slot.get());
        return Hr::Ok;
    }
    return Hr::ClassNotAvailable;
}

HRESULT canUnloadNow(const ServerModule &module)
{
    return module.liveObjects == 0 && module.locks == 0 ? Hr::Ok : Hr::False;
}

QString libraryPathOf(const void *address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

} // namespace Automation

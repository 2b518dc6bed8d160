// SPDX-License-Identifier: Apache-2.0
#include "Registry.h"

#include "AutomationError.h"
#include "ClassFactory.h"
#include "TypeInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QSaveFile>
#include <QTextStream>

namespace Automation {

namespace {

[[noreturn]] void fail(const QString &description)
{
    raise(CannotCreateObject, description);
}

struct LoadedClass
{
    QString libraryPath;
    IClassFactory *factory = nullptr;
};

// registry -> library -> class factory, for one class identifier.
LoadedClass loadClass(const RegistryFile &registry, const QString &clsid, const QString &what)
{
    const QString serverKey = QStringLiteral("CLSID/%1/InprocServer32").arg(clsid);
    LoadedClass loaded;
    loaded.libraryPath = registry.value(serverKey);
    if (loaded.libraryPath.isEmpty())
        fail(QStringLiteral("%1: class %2 has no library in the registry %3")
                 .arg(what, clsid, registry.sources()));

    QLibrary library(loaded.libraryPath);
    if (!library.load())
        fail(QStringLiteral("%1: cannot load %2: %3")
                 .arg(what, loaded.libraryPath, library.errorString()));
    auto getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(library.resolve("DllGetClassObject"));
    if (!getClassObject)
        fail(QStringLiteral("%1: %2 is not an automation server (no DllGetClassObject)")
                 .arg(what, loaded.libraryPath));

    void *factory = nullptr;
    const HRESULT hr = getClassObject(clsid.toLatin1().constData(), IID_IClassFactory, &factory);
    if (hr != Hr::Ok || !factory)
        fail(QStringLiteral("%1: %2 does not serve class %3 (HRESULT %4)")
                 .arg(what, loaded.libraryPath, clsid)
                 .arg(hr));
    loaded.factory = static_cast<IClassFactory *>(factory);
    return loaded;
}

RegistryScope &scope()
{
    static RegistryScope current = RegistryScope::User;
    return current;
}

const QString RelativePath = QStringLiteral("/orvane/registry.ini");

} // namespace

void setRegistryScope(RegistryScope newScope)
{
    scope() = newScope;
}

QString registryPath()
{
    const QString explicitPath = qEnvironmentVariable("ORVFIELDS_REGISTRY");
    if (!explicitPath.isEmpty())
        return explicitPath;
    return scope() == RegistryScope::System ? systemRegistryPath() : userRegistryPath();
}

QString userRegistryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative XDG folder does not count.
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + RelativePath;
}

QString systemRegistryPath()
{
    QStringList folders;
    for (const QString &folder : qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':'))
        if (QDir::isAbsolutePath(folder))
            folders.append(folder);
    if (folders.isEmpty())
        folders.append(QStringLiteral("/etc/xdg"));
    for (const QString &folder : std::as_const(folders))
        if (QFileInfo::exists(folder + RelativePath))
            return folder + RelativePath;
    // None yet: the first folder is where a system registration creates it.
    return folders.first() + RelativePath;
}

RegistryFile::RegistryFile(QString path) : m_path(std::move(path)) {}

void RegistryFile::load(bool mustExist)
{
    m_keys.clear();
    QFile file(m_path);
    if (!file.exists()) {
        if (mustExist)
            fail(QStringLiteral("the registry file %1 does not exist; register the component "
                                "with orvfields-regsvr")
                     .arg(m_path));
        return;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(
            QStringLiteral("cannot read the registry file %1: %2").arg(m_path, file.errorString()));

    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    Key *current = nullptr;
    for (int lineNumber = 1; !in.atEnd(); ++lineNumber) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        auto damaged = [&](const QString &reason) {
            fail(QStringLiteral("the registry file %1 is damaged at line %2: %3")
                     .arg(m_path)
                     .arg(lineNumber)
                     .arg(reason));
        };
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 3)
                damaged(QStringLiteral("a key must read [name]"));
            const QString name = line.mid(1, line.size() - 2).trimmed();
            Key &key = m_keys[name.toLower()];
            if (key.name.isEmpty())
                key.name = name;
            current = &key;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            damaged(QStringLiteral("expected [key] or name=value"));
        if (!current)
            damaged(QStringLiteral("a value stands before the first [key]"));
        const QString name = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        auto it = std::find_if(current->values.begin(), current->values.end(), [&](auto &v) {
            return v.first.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (it != current->values.end())
            it->second = value;
        else
            current->values.append({name, value});
    }
}

void RegistryFile::save() const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        raise(PermissionDenied, QStringLiteral("cannot write the registry file %1: %2")
                                    .arg(m_path, file.errorString()));
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << "; Automation registry of in-process servers, written by their registration.\n";
    for (const Key &key : m_keys) {
        out << '[' << key.name << "]\n";
        for (const auto &[name, value] : key.values)
            out << name << '=' << value << '\n';
    }
    out.flush();
    if (!file.commit())
        raise(PermissionDenied, QStringLiteral("cannot write the registry file %1: %2")
                                    .arg(m_path, file.errorString()));
}

QString RegistryFile::value(const QString &key, const QString &name) const
{
    const auto it = m_keys.constFind(key.toLower());
    if (it == m_keys.cend())
        return QString();
    for (const auto &[valueName, value] : it->values)
        if (valueName.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QString();
}

void RegistryFile::setValue(const QString &key, const QString &name, const QString &value)
{
    Key &entry = m_keys[key.toLower()];
    if (entry.name.isEmpty())
        entry.name = key;
    for (auto &[valueName, old] : entry.values) {
        if (valueName.compare(name, Qt::CaseInsensitive) == 0) {
            old = value;
            return;
        }
    }
    entry.values.append({name, value});
}

bool RegistryFile::hasKey(const QString &key) const
{
    return m_keys.contains(key.toLower());
}

void RegistryFile::removeKey(const QString &key)
{
    const QString lower = key.toLower();
    const QString below = lower + u'/';
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it.key() == lower || it.key().startsWith(below))
            it = m_keys.erase(it);
        else
            ++it;
    }
}

void RegistryFile::overlay(const RegistryFile &over)
{
    for (auto it = over.m_keys.cbegin(); it != over.m_keys.cend(); ++it)
        m_keys.insert(it.key(), it.value());
}

RegistryFile RegistryFile::effective()
{
    if (!qEnvironmentVariableIsEmpty("ORVFIELDS_REGISTRY")) {
        RegistryFile registry(registryPath());
        registry.load(true);
        return registry;
    }
    RegistryFile system(systemRegistryPath());
    RegistryFile user(userRegistryPath());
    if (!QFileInfo::exists(system.path()) && !QFileInfo::exists(user.path()))
        fail(QStringLiteral("neither %1 nor %2 exists; register the component with "
                            "orvfields-regsvr")
                 .arg(user.path(), system.path()));
    system.load(false);
    user.load(false);
    system.overlay(user);
    system.m_sources = QStringLiteral("%1 or %2").arg(user.path(), system.path());
    return system;
}

QStringList RegistryFile::subKeys(const QString &key) const
{
    const QString below = key.toLower() + u'/';
    QStringList names;
    for (const Key &entry : m_keys) {
        if (!entry.name.toLower().startsWith(below))
            continue;
        const QString rest = entry.name.mid(below.size());
        const QString child = rest.section(u'/', 0, 0);
        if (!names.contains(child, Qt::CaseInsensitive))
            names.append(child);
    }
    return names;
}

QString classIdOf(const QString &progId)
{
    const RegistryFile registry = RegistryFile::effective();
    const QString clsid = registry.value(progId + QStringLiteral("/CLSID"));
    if (clsid.isEmpty())
        fail(QStringLiteral("'%1' is not registered in %2").arg(progId, registry.sources()));
    return clsid;
}

std::unique_ptr<QObject> createObject(const QString &progId)
{
    const RegistryFile registry = RegistryFile::effective();
    const QString clsid = registry.value(progId + QStringLiteral("/CLSID"));
    if (clsid.isEmpty())
        fail(QStringLiteral("'%1' is not registered in %2").arg(progId, registry.sources()));

    const LoadedClass loaded = loadClass(registry, clsid, progId);
    QObject *object = nullptr;
    const HRESULT hr = loaded.factory->CreateInstance(&object);
    if (hr != Hr::Ok || !object)
        fail(QStringLiteral("%1: the class factory of %2 failed (HRESULT %3)")
                 .arg(progId, loaded.libraryPath)
                 .arg(hr));
    return std::unique_ptr<QObject>(object);
}

QString describeTypeLibraryOf(const QString &progId)
{
    const RegistryFile registry = RegistryFile::effective();
    const QString clsid = registry.value(progId + QStringLiteral("/CLSID"));
    if (clsid.isEmpty())
        fail(QStringLiteral("'%1' is not registered in %2").arg(progId, registry.sources()));
    const QString libId = registry.value(QStringLiteral("CLSID/%1/TypeLib").arg(clsid));
    if (libId.isEmpty())
        fail(QStringLiteral("%1: class %2 names no type library").arg(progId, clsid));

    QString text;
    const QString libKey = QStringLiteral("TypeLib/") + libId;
    for (const QString &version : registry.subKeys(libKey)) {
        const QString name = progId.section(u'.', 0, 0);
        text += QStringLiteral("library %1 %2 %3\n  helpstring \"%4\"\n")
                    .arg(name, version, libId, registry.value(libKey + u'/' + version));
    }
    for (const QString &classKey : registry.subKeys(QStringLiteral("CLSID"))) {
        if (registry.value(QStringLiteral("CLSID/%1/TypeLib").arg(classKey))
                .compare(libId, Qt::CaseInsensitive) != 0)
            continue;
        const LoadedClass loaded = loadClass(registry, classKey, progId);
        const QString threading =
            registry.value(QStringLiteral("CLSID/%1/InprocServer32").arg(classKey),
                           QStringLiteral("ThreadingModel"));
        text += u'\n' + TypeInfo::of(loaded.factory->ClassMetaObject()).describe();
        text += QStringLiteral("  server     %1 (threading model %2)\n")
                    .arg(loaded.libraryPath, threading);
    }
    return text;
}

} // namespace Automation

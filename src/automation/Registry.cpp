// SPDX-License-Identifier: Apache-2.0
#include "Registry.h"

#include "AutomationError.h"
#include "ClassFactory.h"
#include "ClassInfo.h"
#include "System.h"
#include "Text.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace Automation {

namespace {

[[noreturn]] void fail(const std::u16string &description)
{
    raise(CannotCreateObject, description);
}

struct LoadedClass
{
    std::u16string libraryPath;
    IClassFactory *factory = nullptr;
};

// registry -> library -> class factory, for one class identifier.
LoadedClass loadClass(const RegistryFile &registry, const std::u16string &clsid,
                      const std::u16string &what)
{
    LoadedClass loaded;
    loaded.libraryPath = registry.value(u"CLSID/" + clsid + u"/InprocServer32");
    if (loaded.libraryPath.empty())
        fail(what + u": class " + clsid + u" has no library in the registry " + registry.sources());

    std::u16string error;
    void *library = System::loadLibrary(loaded.libraryPath, error);
    if (!library)
        fail(what + u": cannot load " + loaded.libraryPath + u": " + error);
    const auto getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(System::symbolOf(library, "DllGetClassObject"));
    if (!getClassObject)
        fail(what + u": " + loaded.libraryPath +
             u" is not an automation server (no DllGetClassObject)");

    void *factory = nullptr;
    const HRESULT hr = getClassObject(utf8(clsid).c_str(), IID_IClassFactory, &factory);
    if (hr != Hr::Ok || !factory)
        fail(what + u": " + loaded.libraryPath + u" does not serve class " + clsid + u" (HRESULT " +
             decimal(hr) + u")");
    loaded.factory = static_cast<IClassFactory *>(factory);
    return loaded;
}

std::u16string registeredClassId(const RegistryFile &registry, const std::u16string &progId)
{
    std::u16string clsid = registry.value(progId + u"/CLSID");
    if (clsid.empty())
        fail(u"'" + progId + u"' is not registered in " + registry.sources());
    return clsid;
}

RegistryScope &scope()
{
    static RegistryScope current = RegistryScope::User;
    return current;
}

std::u16string_view beforeSlash(std::u16string_view text)
{
    return text.substr(0, text.find(u'/'));
}

// One line of a class's member table: "  12  0x60030006  LoadSettings      method (...)".
std::string slotLine(int slot, DispId id, const std::string &name, const std::string &kind)
{
    char number[16];
    std::snprintf(number, sizeof number, "%3d", slot);
    std::string padded = name;
    if (padded.size() < 16)
        padded.resize(16, ' ');
    return "  " + std::string(number) + "  " + formatDispId(id) + "  " + padded + "  " + kind +
           "\n";
}

std::string parameterList(const std::vector<Parameter> &parameters)
{
    std::string text;
    for (const Parameter &p : parameters) {
        if (!text.empty())
            text += ", ";
        text +=
            (p.byReference ? "ByRef " : "") + p.name + " As " + typeName(p.type, p.interfaceName);
    }
    return "(" + text + ")";
}

// A class as a type library viewer shows it: identity, then one line per member in slot
// order, a property's accessors on one line (a Variant property that takes values takes
// references too), then the events.
std::string describeClass(const ClassInfo &info)
{
    std::string text = "coclass " + info.className + (info.control ? " (control)" : "") + "\n";
    text += "  ProgID     " + info.progId + "\n  CLSID      " + info.classId + "\n";
    text += "  interface  " + info.interfaceName + " " + info.interfaceId +
            " (dual, derived from IDispatch)\n";
    for (const std::string &iid : info.implemented)
        text += "  implements " + iid + "\n";
    std::vector<std::string> done;
    int slot = 0;
    for (const Member &member : info.members) {
        if (std::find(done.begin(), done.end(), member.name) != done.end())
            continue;
        done.push_back(member.name);
        std::string kind = "property";
        std::string type;
        if (member.access == Access::Method) {
            kind = "method " + parameterList(member.parameters);
            type = typeName(member.type, member.interfaceName);
        } else {
            bool get = false, put = false, putRef = false;
            for (const Member &accessor : info.members) {
                if (accessor.name != member.name)
                    continue;
                get = get || accessor.access == Access::Get;
                put = put || accessor.access == Access::Put;
                putRef = putRef || accessor.access == Access::PutRef ||
                         (accessor.access == Access::Put && accessor.type == ValueType::Variant);
                if (type.empty())
                    type = typeName(accessor.type, accessor.interfaceName);
            }
            for (const auto &[has, word] :
                 {std::pair(get, " get"), std::pair(put, " put"), std::pair(putRef, " putref")}) {
                if (has)
                    kind += (kind == "property" ? "" : ",") + std::string(word);
            }
        }
        text +=
            slotLine(++slot, member.id, member.name, kind + (type.empty() ? "" : " As " + type));
    }
    if (!info.events.empty()) {
        text += "  events     " + info.eventInterfaceName + " " + info.eventInterfaceId + "\n";
        slot = 0;
        for (const Event &event : info.events)
            text +=
                slotLine(++slot, event.id, event.name, "event " + parameterList(event.parameters));
    }
    return text;
}

} // namespace

void setRegistryScope(RegistryScope newScope)
{
    scope() = newScope;
}

std::u16string registryPath()
{
    const std::u16string explicitPath = System::environment("ORVFIELDS_REGISTRY");
    if (!explicitPath.empty())
        return explicitPath;
    return scope() == RegistryScope::System ? systemRegistryPath() : userRegistryPath();
}

RegistryFile::RegistryFile(std::u16string path) : m_path(std::move(path)) {}

void RegistryFile::load(bool mustExist)
{
    m_keys.clear();
    if (!System::fileExists(m_path)) {
        if (mustExist)
            fail(u"the registry file " + m_path +
                 u" does not exist; register the component with orvfields-regsvr");
        return;
    }
    std::u16string error;
    const std::optional<std::string> bytes = System::readFile(m_path, error);
    if (!bytes)
        fail(u"cannot read the registry file " + m_path + u": " + error);
    parse(*bytes);
}

void RegistryFile::parse(const std::string &text)
{
    m_keys.clear();
    std::string_view rest(text);
    if (rest.starts_with("\xEF\xBB\xBF"))
        rest.remove_prefix(3);
    Key *current = nullptr;
    for (int lineNumber = 1; !rest.empty(); ++lineNumber) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::u16string whole = utf16(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const std::u16string_view line = trimmed(whole);
        if (line.empty() || line.front() == u';' || line.front() == u'#')
            continue;
        auto damaged = [&](const std::u16string &reason) {
            fail(u"the registry file " + m_path + u" is damaged at line " + decimal(lineNumber) +
                 u": " + reason);
        };
        if (line.front() == u'[') {
            if (line.back() != u']' || line.size() < 3)
                damaged(u"a key must read [name]");
            const std::u16string name(trimmed(line.substr(1, line.size() - 2)));
            Key &key = m_keys[lowerCase(name)];
            if (key.name.empty())
                key.name = name;
            current = &key;
            continue;
        }
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos || equals == 0)
            damaged(u"expected [key] or name=value");
        if (!current)
            damaged(u"a value stands before the first [key]");
        const std::u16string name(trimmed(line.substr(0, equals)));
        const std::u16string value(trimmed(line.substr(equals + 1)));
        auto same = [&](const auto &v) {
            return equalIgnoringCase(v.first, name);
        };
        const auto it = std::find_if(current->values.begin(), current->values.end(), same);
        if (it != current->values.end())
            it->second = value;
        else
            current->values.emplace_back(name, value);
    }
}

std::string RegistryFile::text() const
{
    std::string out =
        "; Automation registry of in-process servers, written by their registration.\n";
    for (const auto &[lower, key] : m_keys) {
        out += '[' + utf8(key.name) + "]\n";
        for (const auto &[name, value] : key.values)
            out += utf8(name) + '=' + utf8(value) + '\n';
    }
    return out;
}

void RegistryFile::save() const
{
    std::u16string error;
    if (!System::replaceFile(m_path, text(), error))
        raise(PermissionDenied, u"cannot write the registry file " + m_path + u": " + error);
}

std::u16string RegistryFile::value(const std::u16string &key, const std::u16string &name) const
{
    const auto it = m_keys.find(lowerCase(key));
    if (it == m_keys.end())
        return {};
    for (const auto &[valueName, value] : it->second.values) {
        if (equalIgnoringCase(valueName, name))
            return value;
    }
    return {};
}

void RegistryFile::setValue(const std::u16string &key, const std::u16string &name,
                            const std::u16string &value)
{
    Key &entry = m_keys[lowerCase(key)];
    if (entry.name.empty())
        entry.name = key;
    for (auto &[valueName, old] : entry.values) {
        if (equalIgnoringCase(valueName, name)) {
            old = value;
            return;
        }
    }
    entry.values.emplace_back(name, value);
}

bool RegistryFile::hasKey(const std::u16string &key) const
{
    return m_keys.contains(lowerCase(key));
}

void RegistryFile::removeKey(const std::u16string &key)
{
    const std::u16string lower = lowerCase(key);
    const std::u16string below = lower + u'/';
    std::erase_if(m_keys, [&](const auto &entry) {
        return entry.first == lower || entry.first.starts_with(below);
    });
}

std::vector<std::u16string> RegistryFile::subKeys(const std::u16string &key) const
{
    const std::u16string below = lowerCase(key) + u'/';
    std::vector<std::u16string> names;
    for (const auto &[lower, entry] : m_keys) {
        if (!lower.starts_with(below))
            continue;
        const std::u16string child(
            beforeSlash(std::u16string_view(entry.name).substr(below.size())));
        const bool known = std::any_of(names.begin(), names.end(), [&](const std::u16string &n) {
            return equalIgnoringCase(n, child);
        });
        if (!known)
            names.push_back(child);
    }
    return names;
}

void RegistryFile::overlay(const RegistryFile &over)
{
    for (const auto &[lower, key] : over.m_keys)
        m_keys.insert_or_assign(lower, key);
}

RegistryFile RegistryFile::effective()
{
    if (!System::environment("ORVFIELDS_REGISTRY").empty()) {
        RegistryFile registry(registryPath());
        registry.load(true);
        return registry;
    }
    RegistryFile system(systemRegistryPath());
    RegistryFile user(userRegistryPath());
    if (!System::fileExists(system.path()) && !System::fileExists(user.path()))
        fail(u"neither " + user.path() + u" nor " + system.path() +
             u" exists; register the component with orvfields-regsvr");
    system.load(false);
    user.load(false);
    system.overlay(user);
    system.m_sources = user.path() + u" or " + system.path();
    return system;
}

std::u16string classIdOf(const std::u16string &progId)
{
    return registeredClassId(RegistryFile::effective(), progId);
}

Ref<Object> createObject(const std::u16string &progId)
{
    const RegistryFile registry = RegistryFile::effective();
    const LoadedClass loaded = loadClass(registry, registeredClassId(registry, progId), progId);
    Object *object = nullptr;
    const HRESULT hr = loaded.factory->CreateInstance(&object);
    if (hr != Hr::Ok || !object)
        fail(progId + u": the class factory of " + loaded.libraryPath + u" failed (HRESULT " +
             decimal(hr) + u")");
    // The factory handed over one reference: adopt it.
    Ref<Object> created(object);
    object->release();
    return created;
}

std::u16string describeTypeLibraryOf(const std::u16string &progId)
{
    const RegistryFile registry = RegistryFile::effective();
    const std::u16string clsid = registeredClassId(registry, progId);
    const std::u16string libId = registry.value(u"CLSID/" + clsid + u"/TypeLib");
    if (libId.empty())
        fail(progId + u": class " + clsid + u" names no type library");

    std::u16string text;
    const std::u16string libKey = u"TypeLib/" + libId;
    const std::u16string name(progId.substr(0, progId.find(u'.')));
    for (const std::u16string &version : registry.subKeys(libKey))
        text += u"library " + name + u' ' + version + u' ' + libId + u"\n  helpstring \"" +
                registry.value(libKey + u'/' + version) + u"\"\n";
    for (const std::u16string &classKey : registry.subKeys(u"CLSID")) {
        if (!equalIgnoringCase(registry.value(u"CLSID/" + classKey + u"/TypeLib"), libId))
            continue;
        const LoadedClass loaded = loadClass(registry, classKey, progId);
        const std::u16string threading =
            registry.value(u"CLSID/" + classKey + u"/InprocServer32", u"ThreadingModel");
        text += u'\n' + utf16(describeClass(*loaded.factory->ClassTable()));
        text += u"  server     " + loaded.libraryPath + u" (threading model " + threading + u")\n";
    }
    return text;
}

} // namespace Automation

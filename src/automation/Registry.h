// SPDX-License-Identifier: Apache-2.0
// Registry: where automation classes are found on Linux, and how a host creates them.
//
// The registry is an INI file that copies the Windows registry's layout for
// in-process servers: one section per key, "@" for a key's default value.
//
//   [CLSID/{DF1F9393-...}/InprocServer32]
//   @=/opt/orvane/plugins/libOrvFields.so
//   ThreadingModel=Apartment
//   [OrvFields.MainForm/CLSID]
//   @={DF1F9393-...}
//
// Two files make the registry a host reads: the machine's, for every user
// ($XDG_CONFIG_DIRS/orvane/registry.ini: the first folder of the list that holds one,
// /etc/xdg by default), and under it the user's ($XDG_CONFIG_HOME/orvane/registry.ini,
// ~/.config by default). A key the user's file holds hides the machine's key of the
// same name whole, values included, as a per-user registration hides a machine-wide
// one on Windows. $ORVFIELDS_REGISTRY, when set, is the one and only file, read and
// written. Registrations write the whole file at once, under a lock file beside it
// ("registry.ini.lock"), so that two at a time do not lose each other's keys.
//
// Texts are UTF-16; the file is UTF-8.
#pragma once

#include "Object.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Automation {

// Where registrations go: the user's file (the default) or the machine's.
enum class RegistryScope
{
    User,
    System
};
void setRegistryScope(RegistryScope scope);

// The file registrations write: $ORVFIELDS_REGISTRY, else the file of the scope.
std::u16string registryPath();
std::u16string userRegistryPath();
std::u16string systemRegistryPath();

// The registry file in memory. Key and value names are compared ignoring letter
// case, as on Windows; they are written back in the case first given, keys sorted.
class RegistryFile
{
public:
    explicit RegistryFile(std::u16string path);

    const std::u16string &path() const { return m_path; }

    // Reads the file. A missing file reads as empty when `mustExist` is false.
    // Errors name the file and, for a damaged file, the line and what is wrong
    // (AutomationError 429 with that description).
    void load(bool mustExist);
    // Writes the whole file atomically; creates its folder when needed. Error 70 with
    // the file and the reason when it cannot.
    void save() const;

    // The keys of an INI text, as load reads them; errors as load's.
    void parse(const std::string &text);
    // The file's text, as save writes it.
    std::string text() const;

    std::u16string value(const std::u16string &key, const std::u16string &name = u"@") const;
    void setValue(const std::u16string &key, const std::u16string &name,
                  const std::u16string &value);
    bool hasKey(const std::u16string &key) const;
    void removeKey(const std::u16string &key); // with every key below it
    // Keys directly below `key`, by their last component.
    std::vector<std::u16string> subKeys(const std::u16string &key) const;
    // Takes every key of `over`, each replacing whole a key of the same name here.
    void overlay(const RegistryFile &over);

    // The registry a host reads: $ORVFIELDS_REGISTRY alone, or the machine's file
    // with the user's over it. Error 429 when none of them exists.
    static RegistryFile effective();
    // The file or files the keys came from, for messages.
    std::u16string sources() const { return m_sources.empty() ? m_path : m_sources; }

private:
    struct Key
    {
        std::u16string name;
        std::vector<std::pair<std::u16string, std::u16string>> values;
    };
    std::u16string m_path;
    std::u16string m_sources;
    std::map<std::u16string, Key> m_keys; // by lower-case name
};

// Creates an instance of a registered class by its programmatic identifier:
// registry -> library -> DllGetClassObject -> class factory -> instance. The caller
// holds the one reference. Failures raise error 429 with a description that names
// the identifier or file and the reason.
Ref<Object> createObject(const std::u16string &progId);

// The class identifier registered for a programmatic identifier; 429 when none.
std::u16string classIdOf(const std::u16string &progId);

// Describes the type library that a registered class belongs to: its identity and
// help string from the registry, then every class the library registered, with its
// interface members, taken from the server's class factories (no instance is
// created).
std::u16string describeTypeLibraryOf(const std::u16string &progId);

} // namespace Automation

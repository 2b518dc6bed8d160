// SPDX-License-Identifier: Apache-2.0
// Registry: where automation classes are found, and how a host creates them.
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
// written.
#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace Automation {

// Where registrations go: the user's file (the default) or the machine's.
enum class RegistryScope
{
    User,
    System
};
void setRegistryScope(RegistryScope scope);

// The file registrations write: $ORVFIELDS_REGISTRY, else the file of the scope.
QString registryPath();
QString userRegistryPath();
QString systemRegistryPath();

// The registry file in memory. Key and value names are compared ignoring letter
// case, as on Windows; they are written back in the case first given.
class RegistryFile
{
public:
    explicit RegistryFile(QString path);

    const QString &path() const { return m_path; }

    // Reads the file. A missing file reads as empty when `mustExist` is false.
    // Errors name the file and, for a damaged file, the line and what is wrong
    // (AutomationError 429 with that description).
    void load(bool mustExist);
    // Writes the whole file atomically; creates its folder when needed.
    void save() const;

    QString value(const QString &key, const QString &name = QStringLiteral("@")) const;
    void setValue(const QString &key, const QString &name, const QString &value);
    bool hasKey(const QString &key) const;
    void removeKey(const QString &key); // with every key below it
    // Keys directly below `key`, by their last component.
    QStringList subKeys(const QString &key) const;
    // Takes every key of `over`, each replacing whole a key of the same name here.
    void overlay(const RegistryFile &over);

    // The registry a host reads: $ORVFIELDS_REGISTRY alone, or the machine's file
    // with the user's over it. Error 429 when none of them exists.
    static RegistryFile effective();
    // The file or files the keys came from, for messages.
    QString sources() const { return m_sources.isEmpty() ? m_path : m_sources; }

private:
    struct Key
    {
        QString name;
        QList<std::pair<QString, QString>> values;
    };
    QString m_path;
    QString m_sources;
    QMap<QString, Key> m_keys; // by lower-case name
};

// Creates an instance of a registered class by its programmatic identifier:
// registry -> library -> DllGetClassObject -> class factory -> instance.
// The caller owns the object. Failures raise error 429 with a description that
// names the identifier or file and the reason.
std::unique_ptr<QObject> createObject(const QString &progId);

// The class identifier registered for a programmatic identifier; 429 when none.
QString classIdOf(const QString &progId);

// Describes the type library that a registered class belongs to: its identity and
// help string from the registry, then every class the library registered, with its
// interface members, taken from the server's class factories.
QString describeTypeLibraryOf(const QString &progId);

} // namespace Automation

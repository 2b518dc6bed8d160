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
// Its path is $ORVFIELDS_REGISTRY, else $XDG_CONFIG_HOME/orvane/registry.ini (with
// ~/.config for an unset XDG_CONFIG_HOME).
#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace Automation {

QString registryPath();

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

private:
    struct Key
    {
        QString name;
        QList<std::pair<QString, QString>> values;
    };
    QString m_path;
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

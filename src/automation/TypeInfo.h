// SPDX-License-Identifier: Apache-2.0
// TypeInfo: the automation identity and member table of a class, read from its
// meta-object.
//
// An automation class states everything a client sees in one table of Q_CLASSINFO
// entries:
//
//   Q_CLASSINFO("ProgID", "OrvFields.MainForm")          programmatic identifier
//   Q_CLASSINFO("ClassID", "{...}")                      class identifier
//   Q_CLASSINFO("Interface", "_MainForm")                default interface
//   Q_CLASSINFO("InterfaceID", "{...}")                  its identifier
//   Q_CLASSINFO("Implements", "{...},{...}")             further interfaces (optional)
//   Q_CLASSINFO("Control", "true")                       a control (optional)
//   Q_CLASSINFO("DispId:CreateLogFile", "0x40030004")    one entry per member,
//   ...                                                  in slot order
//
// Each DispId entry names a Q_PROPERTY or Q_INVOKABLE of the class. Only members
// with an entry are reachable late-bound; everything else (Qt's own members, helpers
// for use inside the component) stays invisible, as behind a COM interface.
#pragma once

#include <QList>
#include <QMetaMethod>
#include <QMetaObject>
#include <QString>
#include <QStringList>

namespace Automation {

using DispId = qint32;

struct Member
{
    QString name;
    DispId id = 0;
    int property = -1;  // absolute property index, or -1
    QList<int> methods; // absolute indices of the methods of that name (one per arity)
};

class TypeInfo
{
public:
    // The table of a class, built once per meta-object and kept.
    static const TypeInfo &of(const QMetaObject *meta);

    const QMetaObject *meta = nullptr;
    QString className;
    QString progId;
    QString classId;
    QString interfaceName;
    QString interfaceId;
    QStringList implemented;
    bool control = false;
    QList<Member> members; // slot order

    const Member *find(DispId id) const;
    const Member *find(QStringView name) const; // letter case ignored, as in automation
    bool supports(const QString &iid) const;    // default or further interface

    // A readable description: identity, then the members in slot order with their
    // dispatch identifiers, kinds and types.
    QString describe() const;
};

QString formatDispId(DispId id); // "0x60030008"

// The type of a method parameter; Qt leaves a reference parameter's type
// unresolved, so it is looked up by name then.
QMetaType parameterType(const QMetaMethod &method, int index);

} // namespace Automation

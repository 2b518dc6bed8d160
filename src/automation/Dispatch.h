// SPDX-License-Identifier: Apache-2.0
// Dispatch: late-bound calls on automation objects.
//
// A member is reached by name (letter case ignored) or by dispatch identifier, both
// taken from the class's TypeInfo table. Arguments and results are QVariants under
// the conventions of Variant.h. A method parameter declared as a non-const
// reference (QString &, bool &, QVariant &) is passed by reference: after the call
// the argument list holds the value the method left in it.
//
// Errors (AutomationError):
//   91   the object is Nothing;
//   438  the class has no such member, or not for this kind of access
//        (a put on a read-only property, a putref on a value property ...);
//   450  wrong number of arguments;
//   13   an argument or value that cannot be converted;
// and whatever the member itself raises, unchanged.
#pragma once

#include "TypeInfo.h"

#include <QObject>
#include <QVariant>

namespace Automation {

enum class Invoke
{
    Method,         // call; on a property without arguments, reads it
    PropertyGet,    // read; on a method, calls it (parameterised properties)
    PropertyPut,    // assign a value
    PropertyPutRef, // assign an object reference
};

QVariant invoke(QObject *object, DispId id, Invoke kind, QVariantList &args);
QVariant invoke(QObject *object, QStringView name, Invoke kind, QVariantList &args);

// The dispatch identifier of a member name; 438 when there is none.
DispId idOfName(const QObject *object, QStringView name);

// Shorthands. Arguments passed by value; use the Ref forms to see values written
// back into by-reference parameters.
QVariant get(QObject *object, QStringView name, QVariantList args = {});
QVariant get(QObject *object, DispId id, QVariantList args = {});
void put(QObject *object, QStringView name, const QVariant &value);
void putRef(QObject *object, QStringView name, QObject *value);
QVariant call(QObject *object, QStringView name, QVariantList args = {});
QVariant callRef(QObject *object, QStringView name, QVariantList &args);

// The object as one of its interfaces: the object itself when its class declares
// the interface identifier, error 13 otherwise; Nothing stays Nothing.
QObject *queryInterface(QObject *object, const QString &iid);

} // namespace Automation

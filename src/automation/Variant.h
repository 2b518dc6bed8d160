// SPDX-License-Identifier: Apache-2.0
// Variant: the value conventions of late-bound calls.
//
// Values cross the automation boundary as QVariant:
//  - Empty is an invalid QVariant; it converts to 0, "" and false.
//  - An object reference is a QVariant holding a QObject pointer (any QObject-derived
//    pointer type); Nothing is such a variant holding nullptr.
//  - A Boolean that crosses as a number is -1 (true) or 0 (false); any non-zero
//    number converts to true.
// Conversions follow the automation runtime: a text that is not a number gives
// error 13 (type mismatch), a number outside the target's range error 6 (overflow),
// and fractions are rounded to the nearest whole number, halves to even.
#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariant>

namespace Automation::Variant {

QVariant nothing();
QVariant fromObject(QObject *object);

// True when the variant holds a number (not a Boolean, not a text).
bool isNumber(const QVariant &value);
// True when the variant holds an object reference (possibly Nothing).
bool isObject(const QVariant &value);
// True when the variant holds Nothing, or is Empty.
bool isNothing(const QVariant &value);

// The object a variant holds; nullptr for Nothing and Empty. Error 13 for any
// other value.
QObject *toObject(const QVariant &value);

bool toBoolean(const QVariant &value);
qint16 toInteger(const QVariant &value); // 16-bit
qint32 toLong(const QVariant &value);    // 32-bit
double toDouble(const QVariant &value);
QString toText(const QVariant &value); // true -> "True", false -> "False"

constexpr qint32 fromBoolean(bool value)
{
    return value ? -1 : 0;
}

// Converts a value to the given Qt type under the conventions above. Object types
// accept Nothing or an object of a matching class (error 13 otherwise).
QVariant coerce(const QVariant &value, QMetaType target);

// The automation name of a Qt type ("Boolean", "Long", "String", "Variant", "Object",
// or an object's class name), for type descriptions.
QString typeName(QMetaType type);

} // namespace Automation::Variant

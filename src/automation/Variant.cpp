// SPDX-License-Identifier: Apache-2.0
#include "Variant.h"

#include "AutomationError.h"

#include <QLocale>
#include <QMetaClassInfo>

#include <cmath>
#include <limits>

namespace Automation::Variant {

namespace {

bool holdsObjectPointer(const QVariant &value)
{
    return value.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

// Reads a numeric text as the runtime does: surrounding blanks allowed, "&H" and
// "&O" prefixes for hexadecimal and octal whole numbers.
double parseNumber(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double result = 0;
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        result = double(t.mid(2).toLongLong(&ok, 16));
    } else if (t.startsWith(QLatin1String("&O"), Qt::CaseInsensitive)) {
        result = double(t.mid(2).toLongLong(&ok, 8));
    } else {
        result = QLocale::c().toDouble(t, &ok);
    }
    if (!ok)
        raise(TypeMismatch);
    return result;
}

double roundHalfEven(double value)
{
    // nearbyint rounds in the current mode, which is to-nearest-even by default.
    return std::nearbyint(value);
}

template <typename Int> Int toWhole(const QVariant &value)
{
    const double d = roundHalfEven(toDouble(value));
    if (!(d >= double(std::numeric_limits<Int>::min()) &&
          d <= double(std::numeric_limits<Int>::max())))
        raise(Overflow);
    return Int(d);
}

} // namespace

QVariant nothing()
{
    return QVariant::fromValue<QObject *>(nullptr);
}

QVariant fromObject(QObject *object)
{
    return QVariant::fromValue<QObject *>(object);
}

bool isNumber(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isObject(const QVariant &value)
{
    return holdsObjectPointer(value);
}

bool isNothing(const QVariant &value)
{
    return !value.isValid() || (holdsObjectPointer(value) && toObject(value) == nullptr);
}

QObject *toObject(const QVariant &value)
{
    if (!value.isValid())
        return nullptr;
    if (!holdsObjectPointer(value))
        raise(TypeMismatch);
    return *static_cast<QObject *const *>(value.constData());
}

double toDouble(const QVariant &value)
{
    if (!value.isValid())
        return 0;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;
    case QMetaType::QString:
        return parseNumber(value.toString());
    default:
        if (!isNumber(value))
            raise(TypeMismatch);
        return value.toDouble();
    }
}

bool toBoolean(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool();
    if (value.metaType().id() == QMetaType::QString) {
        const QString t = value.toString().trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return toDouble(value) != 0;
}

qint16 toInteger(const QVariant &value)
{
    return toWhole<qint16>(value);
}

qint32 toLong(const QVariant &value)
{
    return toWhole<qint32>(value);
}

QString toText(const QVariant &value)
{
    if (!value.isValid())
        return QString();
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return QLocale::c().toString(value.toDouble(), 'g', 15);
    default:
        if (holdsObjectPointer(value) || !value.canConvert<QString>())
            raise(TypeMismatch);
        return value.toString();
    }
}

QVariant coerce(const QVariant &value, QMetaType target)
{
    switch (target.id()) {
    case QMetaType::QVariant:
        return value;
    case QMetaType::Bool:
        return QVariant(toBoolean(value));
    case QMetaType::Short:
        return QVariant::fromValue(toInteger(value));
    case QMetaType::Int:
        return QVariant::fromValue(toLong(value));
    case QMetaType::Double:
        return QVariant(toDouble(value));
    case QMetaType::QString:
        return QVariant(toText(value));
    default:
        break;
    }
    if (target.flags().testFlag(QMetaType::PointerToQObject)) {
        QObject *object = toObject(value);
        const QMetaObject *wanted = target.metaObject();
        if (object && wanted && !object->metaObject()->inherits(wanted))
            raise(TypeMismatch);
        // A QObject-derived pointer is stored as that pointer type.
        return QVariant(target, &object);
    }
    if (value.metaType() == target)
        return value;
    QVariant converted = value;
    if (!converted.convert(target))
        raise(TypeMismatch);
    return converted;
}

QString typeName(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::UnknownType:
    case QMetaType::Void:
        return QString();
    case QMetaType::Bool:
        return QStringLiteral("Boolean");
    case QMetaType::Short:
        return QStringLiteral("Integer");
    case QMetaType::Int:
        return QStringLiteral("Long");
    case QMetaType::Double:
        return QStringLiteral("Double");
    case QMetaType::QString:
        return QStringLiteral("String");
    case QMetaType::QVariant:
        return QStringLiteral("Variant");
    case QMetaType::QObjectStar:
        return QStringLiteral("Object");
    default:
        if (const QMetaObject *meta = type.metaObject()) {
            const int info = meta->indexOfClassInfo("Interface");
            return QString::fromLatin1(info >= 0 ? meta->classInfo(info).value()
                                                 : meta->className());
        }
        return QString::fromLatin1(type.name());
    }
}

} // namespace Automation::Variant

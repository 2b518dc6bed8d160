// SPDX-License-Identifier: Apache-2.0
#include "Dispatch.h"

#include "AutomationError.h"
#include "Variant.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QVarLengthArray>

namespace Automation {

namespace {

bool isObjectType(QMetaType type)
{
    return type.flags().testFlag(QMetaType::PointerToQObject);
}

void assign(QObject *object, const Member &member, Invoke kind, const QVariantList &args)
{
    if (member.property < 0)
        raise(MemberNotFound);
    const QMetaProperty property = object->metaObject()->property(member.property);
    if (!property.isWritable())
        raise(MemberNotFound);
    if (args.size() != 1)
        raise(WrongArgumentCount);

    const QMetaType type = property.metaType();
    const bool variant = type.id() == QMetaType::QVariant;
    QVariant value;
    if (kind == Invoke::PropertyPutRef) {
        // A reference setter exists only for object and variant properties.
        if (!isObjectType(type) && !variant)
            raise(MemberNotFound);
        value = Variant::coerce(Variant::fromObject(Variant::toObject(args.first())),
                                variant ? QMetaType::fromType<QObject *>() : type);
    } else {
        if (isObjectType(type))
            raise(MemberNotFound);
        value = Variant::coerce(args.first(), type);
    }
    if (!property.write(object, value))
        raise(TypeMismatch);
}

QVariant callMethod(QObject *object, const QMetaMethod &method, QVariantList &args)
{
    const int count = method.parameterCount();
    const QList<QByteArray> typeNames = method.parameterTypes();
    QVarLengthArray<QVariant, 8> storage(count);
    QVarLengthArray<void *, 9> argv(count + 1);

    for (int i = 0; i < count; ++i) {
        const QMetaType type = parameterType(method, i);
        if (type.id() == QMetaType::QVariant) {
            storage[i] = args.at(i);
            argv[i + 1] = &storage[i];
        } else {
            storage[i] = Variant::coerce(args.at(i), type);
            argv[i + 1] = storage[i].data();
        }
    }

    QVariant result;
    const QMetaType returnType = method.returnMetaType();
    if (returnType.id() == QMetaType::Void || !returnType.isValid()) {
        argv[0] = nullptr;
    } else if (returnType.id() == QMetaType::QVariant) {
        argv[0] = &result;
    } else {
        result = QVariant(returnType);
        argv[0] = result.data();
    }

    QMetaObject::metacall(object, QMetaObject::InvokeMetaMethod, method.methodIndex(), argv.data());

    for (int i = 0; i < count; ++i)
        if (typeNames.at(i).endsWith('&'))
            args[i] = storage[i];
    return result;
}

QVariant read(QObject *object, const Member &member, QVariantList &args)
{
    const QMetaObject *meta = object->metaObject();
    if (member.property >= 0 && args.isEmpty())
        return meta->property(member.property).read(object);
    if (member.methods.isEmpty())
        raise(member.property >= 0 ? WrongArgumentCount : MemberNotFound);
    for (int index : member.methods) {
        const QMetaMethod method = meta->method(index);
        if (method.parameterCount() == args.size())
            return callMethod(object, method, args);
    }
    raise(WrongArgumentCount);
}

QVariant dispatch(QObject *object, const Member &member, Invoke kind, QVariantList &args)
{
    if (kind == Invoke::PropertyPut || kind == Invoke::PropertyPutRef) {
        assign(object, member, kind, args);
        return QVariant();
    }
    return read(object, member, args);
}

const Member &memberOf(QObject *object, DispId id)
{
    if (!object)
        raise(ObjectNotSet);
    const Member *member = TypeInfo::of(object->metaObject()).find(id);
    if (!member)
        raise(MemberNotFound);
    return *member;
}

const Member &memberOf(QObject *object, QStringView name)
{
    if (!object)
        raise(ObjectNotSet);
    const Member *member = TypeInfo::of(object->metaObject()).find(name);
    if (!member)
        raise(MemberNotFound);
    return *member;
}

} // namespace

QVariant invoke(QObject *object, DispId id, Invoke kind, QVariantList &args)
{
    return dispatch(object, memberOf(object, id), kind, args);
}

QVariant invoke(QObject *object, QStringView name, Invoke kind, QVariantList &args)
{
    return dispatch(object, memberOf(object, name), kind, args);
}

DispId idOfName(const QObject *object, QStringView name)
{
    return memberOf(const_cast<QObject *>(object), name).id;
}

QVariant get(QObject *object, QStringView name, QVariantList args)
{
    return invoke(object, name, Invoke::PropertyGet, args);
}

QVariant get(QObject *object, DispId id, QVariantList args)
{
    return invoke(object, id, Invoke::PropertyGet, args);
}

void put(QObject *object, QStringView name, const QVariant &value)
{
    QVariantList args{value};
    invoke(object, name, Invoke::PropertyPut, args);
}

void putRef(QObject *object, QStringView name, QObject *value)
{
    QVariantList args{Variant::fromObject(value)};
    invoke(object, name, Invoke::PropertyPutRef, args);
}

QVariant call(QObject *object, QStringView name, QVariantList args)
{
    return invoke(object, name, Invoke::Method, args);
}

QVariant callRef(QObject *object, QStringView name, QVariantList &args)
{
    return invoke(object, name, Invoke::Method, args);
}

QObject *queryInterface(QObject *object, const QString &iid)
{
    if (object && !TypeInfo::of(object->metaObject()).supports(iid))
        raise(TypeMismatch);
    return object;
}

} // namespace Automation

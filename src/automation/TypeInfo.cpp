// SPDX-License-Identifier: Apache-2.0
#include "TypeInfo.h"

#include "Variant.h"

#include <QHash>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QMutex>

#include <memory>

namespace Automation {

namespace {

constexpr QLatin1StringView DispIdPrefix("DispId:");

QString classInfo(const QMetaObject *meta, const char *name)
{
    const int index = meta->indexOfClassInfo(name);
    return index < 0 ? QString() : QString::fromUtf8(meta->classInfo(index).value());
}

TypeInfo build(const QMetaObject *meta)
{
    TypeInfo info;
    info.meta = meta;
    info.className = QString::fromLatin1(meta->className()).section(QStringLiteral("::"), -1);
    info.progId = classInfo(meta, "ProgID");
    info.classId = classInfo(meta, "ClassID");
    info.interfaceName = classInfo(meta, "Interface");
    info.interfaceId = classInfo(meta, "InterfaceID");
    info.control = classInfo(meta, "Control") == QLatin1String("true");
    for (const QString &iid : classInfo(meta, "Implements").split(u',', Qt::SkipEmptyParts))
        info.implemented.append(iid.trimmed());

    // Base-class entries come first, so a derived interface extends its base.
    for (int i = 0; i < meta->classInfoCount(); ++i) {
        const QMetaClassInfo entry = meta->classInfo(i);
        const QString key = QString::fromLatin1(entry.name());
        if (!key.startsWith(DispIdPrefix))
            continue;
        Member member;
        member.name = key.mid(DispIdPrefix.size());
        bool ok = false;
        member.id = DispId(QString::fromLatin1(entry.value()).toUInt(&ok, 0));
        Q_ASSERT_X(ok, entry.name(), "dispatch identifier is not a number");
        const QByteArray name = member.name.toLatin1();
        member.property = meta->indexOfProperty(name.constData());
        for (int m = 0; m < meta->methodCount(); ++m) {
            const QMetaMethod method = meta->method(m);
            if (method.methodType() != QMetaMethod::Signal && method.name() == name)
                member.methods.append(m);
        }
        Q_ASSERT_X(member.property >= 0 || !member.methods.isEmpty(), entry.name(),
                   "dispatch table names a member the class does not have");
        info.members.append(member);
    }
    return info;
}

QString propertyKind(const QMetaProperty &property)
{
    QString kind = QStringLiteral("property get");
    if (!property.isWritable())
        return kind;
    const QMetaType type = property.metaType();
    if (type.flags().testFlag(QMetaType::PointerToQObject))
        return kind + QStringLiteral(", putref");
    if (type.id() == QMetaType::QVariant)
        return kind + QStringLiteral(", put, putref");
    return kind + QStringLiteral(", put");
}

QString methodSignature(const QMetaMethod &method)
{
    QStringList params;
    const QList<QByteArray> names = method.parameterNames();
    const QList<QByteArray> types = method.parameterTypes();
    for (int i = 0; i < method.parameterCount(); ++i) {
        const bool byRef = types.at(i).endsWith('&');
        params.append(QStringLiteral("%1%2 As %3")
                          .arg(byRef ? QStringLiteral("ByRef ") : QString(),
                               QString::fromLatin1(names.at(i)),
                               Variant::typeName(parameterType(method, i))));
    }
    return QStringLiteral("method (%1)").arg(params.join(QStringLiteral(", ")));
}

} // namespace

QMetaType parameterType(const QMetaMethod &method, int index)
{
    const QMetaType type = method.parameterMetaType(index);
    if (type.isValid())
        return type;
    QByteArray name = method.parameterTypeName(index);
    if (name.endsWith('&'))
        name.chop(1);
    return QMetaType::fromName(name);
}

QString formatDispId(DispId id)
{
    return QString::asprintf("0x%08X", quint32(id));
}

const TypeInfo &TypeInfo::of(const QMetaObject *meta)
{
    static QMutex mutex;
    static QHash<const QMetaObject *, std::shared_ptr<const TypeInfo>> cache;
    QMutexLocker lock(&mutex);
    auto &slot = cache[meta];
    if (!slot)
        slot = std::make_shared<const TypeInfo>(build(meta));
    return *slot;
}

const Member *TypeInfo::find(DispId id) const
{
    for (const Member &member : members)
        if (member.id == id)
            return &member;
    return nullptr;
}

const Member *TypeInfo::find(QStringView name) const
{
    for (const Member &member : members)
        if (name.compare(member.name, Qt::CaseInsensitive) == 0)
            return &member;
    return nullptr;
}

bool TypeInfo::supports(const QString &iid) const
{
    auto same = [&](const QString &other) {
        return iid.compare(other, Qt::CaseInsensitive) == 0;
    };
    return same(interfaceId) || std::any_of(implemented.begin(), implemented.end(), same);
}

QString TypeInfo::describe() const
{
    QString text;
    text += QStringLiteral("coclass %1%2\n")
                .arg(className, control ? QStringLiteral(" (control)") : QString());
    text += QStringLiteral("  ProgID     %1\n  CLSID      %2\n").arg(progId, classId);
    text += QStringLiteral("  interface  %1 %2 (dual, derived from IDispatch)\n")
                .arg(interfaceName, interfaceId);
    for (const QString &iid : implemented)
        text += QStringLiteral("  implements %1\n").arg(iid);
    int slot = 0;
    for (const Member &member : members) {
        QString kind;
        QString type;
        if (member.property >= 0) {
            const QMetaProperty property = meta->property(member.property);
            kind = propertyKind(property);
            type = Variant::typeName(property.metaType());
        } else {
            // The longest overload shows every parameter, optional ones included.
            QMetaMethod longest = meta->method(member.methods.first());
            for (int index : member.methods)
                if (meta->method(index).parameterCount() > longest.parameterCount())
                    longest = meta->method(index);
            kind = methodSignature(longest);
            type = Variant::typeName(longest.returnMetaType());
        }
        text += QStringLiteral("  %1  %2  %3  %4%5\n")
                    .arg(++slot, 3)
                    .arg(formatDispId(member.id), member.name.leftJustified(16), kind,
                         type.isEmpty() ? QString() : QStringLiteral(" As ") + type);
    }
    return text;
}

} // namespace Automation

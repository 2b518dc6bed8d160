// SPDX-License-Identifier: Apache-2.0
#include "FieldDocument.h"

#include "Options.h"
#include "Report.h"
#include "fields/FieldSet.h"
#include "tagora/StandardEntries.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace Cli {

namespace {

namespace Entries = Tagora::StandardEntries;

[[noreturn]] void invalid(const QString &why)
{
    throw UsageError{QStringLiteral("the JSON document %1").arg(why)};
}

} // namespace

FieldDocument FieldDocument::parse(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        invalid(QStringLiteral("cannot be read at byte %1: %2")
                    .arg(error.offset)
                    .arg(error.errorString()));
    if (!document.isObject())
        invalid(QStringLiteral("is not an object"));
    const QJsonObject object = document.object();

    FieldDocument result;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        const auto standard =
            std::find(Entries::Edited.begin(), Entries::Edited.end(), key.toStdU16String());
        if (key == QLatin1String("schema")) {
            if (value.toInt(-1) != Report::SchemaVersion)
                invalid(QStringLiteral("is of a schema this orvfields does not know (it "
                                       "reads schema %1)")
                            .arg(Report::SchemaVersion));
        } else if (standard != Entries::Edited.end()) {
            if (!value.isString() && !value.isNull())
                invalid(QStringLiteral("gives %1 something other than a text or null").arg(key));
            result.m_standard[size_t(standard - Entries::Edited.begin())] = value.toString();
        } else if (key == QLatin1String("custom")) {
            if (!value.isArray())
                invalid(QStringLiteral("gives custom something other than a list"));
            QList<std::pair<QString, QString>> fields;
            QSet<QString> keys;
            for (const QJsonValue field : value.toArray()) {
                const QJsonValue name = field.toObject().value(QLatin1String("name"));
                const QJsonValue text = field.toObject().value(QLatin1String("value"));
                if (!field.isObject() || field.toObject().size() != 2 || !name.isString() ||
                    !text.isString())
                    invalid(QStringLiteral("has a custom field that is not "
                                           "{\"name\": text, \"value\": text}"));
                // The dialog's rules, and the field set's keys.
                const QString fieldName = name.toString();
                if (fieldName.isEmpty() || text.toString().isEmpty())
                    invalid(QStringLiteral("has a custom field with an empty name or value"));
                if (!Fields::FieldSet::isValidName(fieldName.toStdU16String()))
                    invalid(QStringLiteral("has a custom field named %1, a standard field")
                                .arg(fieldName));
                if (keys.contains(fieldName.toCaseFolded()))
                    invalid(QStringLiteral("has two custom fields named %1 (letter case ignored)")
                                .arg(fieldName));
                keys.insert(fieldName.toCaseFolded());
                fields.append({fieldName, text.toString()});
            }
            result.m_custom = fields;
        } else if (key == QLatin1String("error")) {
            invalid(QStringLiteral("reports a failed read: %1")
                        .arg(value.toObject().value(QLatin1String("message")).toString()));
        } else if (key != QLatin1String("file") &&
                   std::find(Entries::Kept.begin(), Entries::Kept.end(), key.toStdU16String()) ==
                       Entries::Kept.end()) {
            invalid(QStringLiteral("has an unknown key %1").arg(key));
        }
    }
    return result;
}

void FieldDocument::applyTo(Fields::FieldSet &set) const
{
    // In the order of Entries::Edited. Plain calls: GCC 12's undefined-behaviour sanitizer
    // miscompiles indexing an array of member-function pointers.
    if (m_standard[0])
        set.setTitle(m_standard[0]->toStdU16String());
    if (m_standard[1])
        set.setAuthor(m_standard[1]->toStdU16String());
    if (m_standard[2])
        set.setSubject(m_standard[2]->toStdU16String());
    if (m_standard[3])
        set.setKeywords(m_standard[3]->toStdU16String());
    if (!m_custom)
        return;
    set.clear();
    for (const auto &[name, value] : *m_custom)
        set.add(name.toStdU16String(), value.toStdU16String());
}

} // namespace Cli

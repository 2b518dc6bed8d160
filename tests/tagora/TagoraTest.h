// SPDX-License-Identifier: Apache-2.0
// What the tests of the PDF information library share: a record of a TagoraInfo
// object's events, and reading every entry through a fresh object.
#pragma once

#include "tagora/TagoraInfo.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

using namespace Tagora;

// The events of one object as short texts, in the order they came:
// "start", "done", "fail", "error <n>".
class EventLog
{
public:
    explicit EventLog(TagoraInfo &info)
    {
        QObject::connect(&info, &TagoraInfo::OnJobStart, &m_context, [this] { events << "start"; });
        QObject::connect(&info, &TagoraInfo::OnJobDone, &m_context, [this] { events << "done"; });
        QObject::connect(&info, &TagoraInfo::OnJobFail, &m_context, [this] { events << "fail"; });
        QObject::connect(&info, &TagoraInfo::OnJobError, &m_context,
                         [this](int n) { events << QStringLiteral("error %1").arg(n); });
    }

    QStringList events;

private:
    QObject m_context; // ends the connections with the log
};

using Entries = QList<QPair<QString, QString>>;

// The entries of `path` as a new object reads them.
inline Entries readEntries(const QString &path)
{
    TagoraInfo reader;
    Entries entries;
    const int count = reader.ReadInfo(path);
    for (int i = 0; i < count; ++i)
        entries.append({reader.InfoName(i), reader.InfoValue(i)});
    return entries;
}

// The value of the entry named `name` as a new object reads it.
inline QString readValue(const QString &path, const QString &name)
{
    for (const auto &[entryName, value] : readEntries(path)) {
        if (entryName == name)
            return value;
    }
    return QStringLiteral("(no entry %1)").arg(name);
}

// SPDX-License-Identifier: Apache-2.0
// What the tests of the PDF information library share: a record of a TagoraInfo
// object's events, reading every entry through a fresh object, and whether a file is
// under a save's lock.
#pragma once

#include "support/TestSupport.h"
#include "tagora/TagoraError.h"
#include "tagora/TagoraInfo.h"

#include <QList>
#include <QPair>
#include <QStringList>

using namespace Tagora;
using Support::q;
using Support::u;

// The events of one object as short texts, in the order they came:
// "start", "done", "fail", "error <n>"; and the log messages.
class EventLog : public TagoraInfo::Events
{
public:
    explicit EventLog(TagoraInfo &info) : m_info(info) { info.setEvents(this); }
    ~EventLog() override { m_info.setEvents(nullptr); }
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;

    void OnJobStart(const std::u16string &, const std::u16string &) override { events << "start"; }
    void OnJobDone(const std::u16string &, const std::u16string &) override { events << "done"; }
    void OnJobFail(const std::u16string &, const std::u16string &) override { events << "fail"; }
    void OnJobError(std::int32_t n) override { events << QStringLiteral("error %1").arg(n); }
    void OnLogMessage(const std::u16string &message) override { log << q(message); }

    QStringList events;
    QStringList log;

private:
    TagoraInfo &m_info;
};

using Entries = QList<QPair<QString, QString>>;

// The entries of `path` as a new object reads them.
inline Entries readEntries(const QString &path)
{
    TagoraInfo reader;
    Entries entries;
    const int count = reader.ReadInfo(u(path));
    for (int i = 0; i < count; ++i)
        entries.append({q(reader.InfoName(i)), q(reader.InfoValue(i))});
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

// Whether another writer holds the file's lock: a save of another object cannot begin.
inline bool lockedForSaves(const QString &path)
{
    return Support::errorOf([&] { TagoraInfo().LockFile(u(path), 0); }) == Tagora::FileLocked;
}

// SPDX-License-Identifier: Apache-2.0
#include "clsFields.h"

#include "automation/Variant.h"
#include "platform/DoEvents.h"
#include "tagora/StandardEntries.h"
#include "tagora/TagoraInfo.h"
#include "trap/ErrorTrap.h"

#include <cmath>

namespace Fields {

using Tagora::TagoraInfo;
using Trap::ErrorTrap;
namespace Entries = Tagora::StandardEntries;

namespace {

// Which of the eight standard entries a name read from a file stands for, its lower
// case compared with theirs: 0 to 3 the edited ones, 4 to 7 the kept ones, else -1.
int standardEntry(const QString &name)
{
    static const QStringList lower = [] {
        QStringList names;
        for (const auto &group : {Entries::Edited, Entries::Kept})
            for (const QLatin1String entry : group)
                names.append(QString(entry).toLower());
        return names;
    }();
    return int(lower.indexOf(name.toLower()));
}

// Progress is computed in single precision, each percentage rounded half to even
// (the default rounding mode of nearbyint).
qint16 percentOf(float running)
{
    return qint16(std::nearbyintf(running));
}

} // namespace

clsFields::clsFields(QObject *parent) : QObject(parent) {}

clsFields::~clsFields()
{
    Clear();
}

clsFields::FieldRef clsFields::find(const QString &name) const
{
    return m_byKey.value(keyOf(name));
}

clsFields::FieldRef clsFields::Field(const QVariant &Index) const
{
    try {
        if (Index.metaType().id() == QMetaType::QString)
            return find(Index.toString());
        if (!Automation::Variant::isNumber(Index))
            return nullptr;
        const qint32 position = Automation::Variant::toLong(Index);
        if (position < 1 || position > Count())
            return nullptr;
        return m_fields[size_t(position - 1)];
    } catch (...) {
        return nullptr;
    }
}

bool clsFields::IsValidFieldName(const QString &fieldName)
{
    bool valid = false;
    ErrorTrap trap(QStringLiteral(".clsFields.IsValidFieldName"));
    trap.run([&] {
        trap.at(1);
        // The edited four first, then the four the file keeps.
        for (const auto &group : {Entries::Edited, Entries::Kept})
            for (const QLatin1String reserved : group)
                if (fieldName == reserved)
                    return;
        trap.at(2);
        valid = true;
    });
    return valid;
}

clsFields::FieldRef clsFields::AddField(const QString &fieldName, const QString &fieldValue)
{
    FieldRef field;
    ErrorTrap trap(QStringLiteral(".clsFields.AddField"));
    trap.run([&] {
        trap.at(1);
        if (!IsValidFieldName(fieldName))
            return;
        trap.at(2);
        field = find(fieldName);
        if (field)
            return;
        trap.at(3);
        field = std::make_shared<clsField>();
        field->setName(fieldName);
        field->setContent(fieldValue);
        m_fields.push_back(field);
        m_byKey.insert(keyOf(fieldName), field);
    });
    return field;
}

clsFields::FieldRef clsFields::RemoveField(const QString &fieldName)
{
    FieldRef field;
    ErrorTrap trap(QStringLiteral(".clsFields.RemoveField"));
    trap.run([&] {
        trap.at(1);
        field = find(fieldName);
        if (!field)
            return;
        trap.at(2);
        m_byKey.remove(keyOf(field->Name()));
        m_fields.erase(std::find(m_fields.begin(), m_fields.end(), field));
    });
    return field;
}

void clsFields::Clear()
{
    ErrorTrap trap(QStringLiteral(".clsFields.Clear"));
    trap.run([&] {
        trap.at(1);
        // Removing one by one from the front would cost a pass per field; the
        // result, an empty collection, is the same.
        m_byKey.clear();
        m_fields.clear();
    });
}

void clsFields::ClearAll()
{
    ErrorTrap trap(QStringLiteral(".clsFields.ClearAll"));
    trap.run([&] {
        trap.at(1);
        Clear();
        trap.at(2);
        m_title.clear();
        m_author.clear();
        m_subject.clear();
        m_keywords.clear();
    });
}

std::shared_ptr<TagoraInfo> clsFields::createLibrary()
{
    m_vTagora = std::make_shared<TagoraInfo>();
    TagoraInfo *library = m_vTagora.get();
    connect(library, &TagoraInfo::OnJobDone, this, [this] { m_lastJob = true; });
    connect(library, &TagoraInfo::OnJobFail, this, [this] { m_lastJob = false; });
    connect(library, &TagoraInfo::OnJobError, this, [this](int nError) { emit WorkError(nError); });
    connect(library, &TagoraInfo::OnLogMessage, this, [] { Platform::DoEvents(); });
    connect(library, &TagoraInfo::OnPageNumber, this, [] { Platform::DoEvents(); });
    return m_vTagora;
}

void clsFields::releaseLibrary()
{
    m_vTagora.reset();
}

void clsFields::GetDatas(const QString &PDFPath)
{
    ErrorTrap trap(QStringLiteral(".clsFields.GetDatas"));
    trap.run([&] {
        trap.at(1);
        ClearAll();
        Platform::DoEvents();
        trap.at(2);
        const std::shared_ptr<TagoraInfo> library = createLibrary();
        Platform::DoEvents();
        trap.at(3);
        const int n = library->ReadInfo(PDFPath);
        Platform::DoEvents();
        trap.at(4);
        for (int i = 0; i < n; ++i) {
            Platform::DoEvents();
            const QString name = library->InfoName(i);
            const QString value = library->InfoValue(i);
            switch (standardEntry(name)) {
            case 0:
                m_title = value;
                break;
            case 1:
                m_author = value;
                break;
            case 2:
                m_subject = value;
                break;
            case 3:
                m_keywords = value;
                break;
            case -1:
                if (!value.isEmpty())
                    AddField(name, value);
                break;
            default: // left to the file: never edited here
                break;
            }
            Platform::DoEvents();
        }
    });
    emit WorkEnded(true);
    releaseLibrary();
}

void clsFields::SaveDatas(const QString &PDFPath)
{
    ErrorTrap trap(QStringLiteral(".clsFields.SaveDatas"));
    trap.run([&] {
        trap.at(1);
        const std::shared_ptr<TagoraInfo> library = createLibrary();
        trap.at(2);
        const int n = library->ReadInfo(PDFPath);
        trap.at(3);
        if (!m_lastJob)
            return;
        trap.at(4);
        const int total = n >= 1 ? Count() + n : Count();
        const float step = total != 0 ? 100.0f / float(total) : 0.0f;
        trap.at(5);
        float running = 0;
        trap.at(6);
        for (int i = 0; i < n; ++i) {
            library->RemoveInfoEntry(PDFPath, library->InfoName(i));
            if (!m_lastJob)
                return;
            running += step;
            emit WorkPercent(percentOf(running));
        }
        trap.at(7);
        library->WriteStandardInfo(PDFPath, m_title, m_author, m_subject, m_keywords, QString(),
                                   QString());
        trap.at(8);
        if (!m_lastJob)
            return;
        trap.at(9);
        const int count = Count();
        for (int i = 1; i <= count; ++i) {
            if (const FieldRef field = Field(i)) {
                library->WriteInfoEntry(PDFPath, field->Name(), field->Content());
                if (!m_lastJob)
                    return;
            }
            running += step;
            emit WorkPercent(percentOf(running));
        }
    });
    emit WorkEnded(true);
    releaseLibrary();
}

} // namespace Fields

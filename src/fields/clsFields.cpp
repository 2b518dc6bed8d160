#include "clsFields.h"

#include "automation/Variant.h"
#include "platform/DoEvents.h"
#include "tagora/TagoraInfo.h"
#include "trap/ErrorTrap.h"

#include <cmath>

namespace Fields {

using Tagora::TagoraInfo;

using Trap::ErrorTrap;

namespace {

// Reserved names, in the order they are tested: the four the set edits through its
// own properties, then the four it never edits.
const QString ReservedNames[] = {
    QStringLiteral("Title"),        QStringLiteral("Author"),  QStringLiteral("Subject"),
    QStringLiteral("Keywords"),     QStringLiteral("Creator"), QStringLiteral("Producer"),
    QStringLiteral("CreationDate"), QStringLiteral("ModDate"),
};

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
        for (const QString &reserved : ReservedNames)
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
            const QString key = name.toLower();
            if (key == QLatin1String("title"))
                m_title = value;
            else if (key == QLatin1String("author"))
                m_author = value;
            else if (key == QLatin1String("subject"))
                m_subject = value;
            else if (key == QLatin1String("keywords"))
                m_keywords = value;
            else if (key == QLatin1String("creator") || key == QLatin1String("producer") ||
                     key == QLatin1String("creationdate") || key == QLatin1String("moddate"))
                ; // left to the file: never edited here
            else if (!value.isEmpty())
                AddField(name, value);
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

// SPDX-License-Identifier: Apache-2.0
#include "clsFields.h"

#include "automation/Variant.h"
#include "platform/DoEvents.h"
#include "tagora/TagoraInfo.h"
#include "trap/ErrorTrap.h"

namespace Fields {

using Tagora::TagoraInfo;
using Trap::ErrorTrap;

namespace {

// A read or a save as the dialog runs it: steps reported to the trap, yields to the
// message loop, progress as events, and a stop after a job that failed.
class TrappedRun : public FieldSet::Observer
{
public:
    TrappedRun(ErrorTrap &trap, const bool &lastJob, std::function<void(qint16)> progress = {})
        : m_trap(trap), m_lastJob(lastJob), m_progress(std::move(progress))
    {}

    void step(int statement) override { m_trap.at(statement); }
    void yield() override { Platform::DoEvents(); }
    void percent(qint16 value) override { m_progress(value); }
    bool carryOn() override { return m_lastJob; }

private:
    ErrorTrap &m_trap;
    const bool &m_lastJob;
    std::function<void(qint16)> m_progress;
};

} // namespace

clsFields::clsFields(QObject *parent) : QObject(parent) {}

clsFields::~clsFields()
{
    Clear();
}

clsFields::FieldRef clsFields::Field(const QVariant &Index) const
{
    try {
        if (Index.metaType().id() == QMetaType::QString)
            return m_set.find(Index.toString());
        if (!Automation::Variant::isNumber(Index))
            return nullptr;
        return m_set.field(Automation::Variant::toLong(Index));
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
        valid = FieldSet::isValidName(fieldName);
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
        field = m_set.add(fieldName, fieldValue);
    });
    return field;
}

clsFields::FieldRef clsFields::RemoveField(const QString &fieldName)
{
    FieldRef field;
    ErrorTrap trap(QStringLiteral(".clsFields.RemoveField"));
    trap.run([&] {
        trap.at(1);
        field = m_set.remove(fieldName);
    });
    return field;
}

void clsFields::Clear()
{
    ErrorTrap trap(QStringLiteral(".clsFields.Clear"));
    trap.run([&] {
        trap.at(1);
        m_set.clear();
    });
}

void clsFields::ClearAll()
{
    ErrorTrap trap(QStringLiteral(".clsFields.ClearAll"));
    trap.run([&] {
        trap.at(1);
        Clear();
        trap.at(2);
        m_set.clearAll();
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
        TrappedRun run(trap, m_lastJob);
        m_set.read(*library, PDFPath, run);
    });
    emit WorkEnded(true);
    releaseLibrary();
}

void clsFields::SaveDatas(const QString &PDFPath)
{
    ErrorTrap trap(QStringLiteral(".clsFields.SaveDatas"));
    std::shared_ptr<TagoraInfo> library;
    trap.run([&] {
        trap.at(1);
        library = createLibrary();
        TrappedRun run(trap, m_lastJob, [this](qint16 percent) { emit WorkPercent(percent); });
        m_set.save(*library, PDFPath, run);
    });
    // The jobs that succeeded reach the file now, in one piece, also after one failed.
    if (library) {
        trap.run([&] {
            trap.at(10);
            library->Commit();
        });
    }
    emit WorkEnded(true);
    releaseLibrary();
}

} // namespace Fields

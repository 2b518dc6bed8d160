// SPDX-License-Identifier: Apache-2.0
#include "clsFields.h"

#include "automation/Variant.h"
#include "platform/DoEvents.h"
#include "tagora/TagoraInfo.h"
#include "trap/ErrorTrap.h"

#include <functional>

namespace Fields {

using Tagora::TagoraInfo;
using Trap::ErrorTrap;

void clsFields::Events::WorkEnded(bool) {}
void clsFields::Events::WorkPercent(std::int16_t) {}
void clsFields::Events::WorkError(std::int32_t) {}

// The library's job events as the set follows them: the outcome of the last job, its
// errors passed on, and a yield for each log line.
class clsFields::LibraryEvents : public TagoraInfo::Events
{
public:
    explicit LibraryEvents(clsFields &set) : m_set(set) {}

    void OnJobDone(const std::u16string &, const std::u16string &) override
    {
        m_set.m_lastJob = true;
    }
    void OnJobFail(const std::u16string &, const std::u16string &) override
    {
        m_set.m_lastJob = false;
    }
    void OnJobError(std::int32_t nError) override { m_set.raiseWorkError(nError); }
    void OnLogMessage(const std::u16string &) override { Platform::DoEvents(); }
    void OnPageNumber(std::int32_t) override { Platform::DoEvents(); }

private:
    clsFields &m_set;
};

namespace {

// A read or a save as the dialog runs it: steps reported to the trap, yields to the
// message loop, progress as events, and a stop after a job that failed.
class TrappedRun : public FieldSet::Observer
{
public:
    TrappedRun(ErrorTrap &trap, const bool &lastJob,
               std::function<void(std::int16_t)> progress = {})
        : m_trap(trap), m_lastJob(lastJob), m_progress(std::move(progress))
    {}

    void step(int statement) override { m_trap.at(statement); }
    void yield() override { Platform::DoEvents(); }
    void percent(std::int16_t value) override { m_progress(value); }
    bool carryOn() override { return m_lastJob; }

private:
    ErrorTrap &m_trap;
    const bool &m_lastJob;
    std::function<void(std::int16_t)> m_progress;
};

} // namespace

clsFields::clsFields() : m_libraryEvents(std::make_unique<LibraryEvents>(*this)) {}

clsFields::~clsFields()
{
    Clear();
}

// A listener's failure stays with the listener, as the set's work goes on.
void clsFields::raiseWorkEnded(bool result)
{
    try {
        if (m_events)
            m_events->WorkEnded(result);
    } catch (...) {
    }
}

void clsFields::raiseWorkPercent(std::int16_t percent)
{
    try {
        if (m_events)
            m_events->WorkPercent(percent);
    } catch (...) {
    }
}

void clsFields::raiseWorkError(std::int32_t number)
{
    try {
        if (m_events)
            m_events->WorkError(number);
    } catch (...) {
    }
}

clsFields::FieldRef clsFields::Field(const Automation::Variant &Index) const
{
    try {
        if (Index.type() == Automation::Variant::Type::String)
            return m_set.find(Index.toText());
        if (!Index.isNumber())
            return nullptr;
        return m_set.field(Index.toLong());
    } catch (...) {
        return nullptr;
    }
}

bool clsFields::IsValidFieldName(const std::u16string &fieldName)
{
    bool valid = false;
    ErrorTrap trap(u".clsFields.IsValidFieldName");
    trap.run([&] {
        trap.at(1);
        valid = FieldSet::isValidName(fieldName);
    });
    return valid;
}

clsFields::FieldRef clsFields::AddField(const std::u16string &fieldName,
                                        const std::u16string &fieldValue)
{
    FieldRef field;
    ErrorTrap trap(u".clsFields.AddField");
    trap.run([&] {
        trap.at(1);
        if (!IsValidFieldName(fieldName))
            return;
        trap.at(2);
        field = m_set.add(fieldName, fieldValue);
    });
    return field;
}

clsFields::FieldRef clsFields::RemoveField(const std::u16string &fieldName)
{
    FieldRef field;
    ErrorTrap trap(u".clsFields.RemoveField");
    trap.run([&] {
        trap.at(1);
        field = m_set.remove(fieldName);
    });
    return field;
}

void clsFields::Clear()
{
    ErrorTrap trap(u".clsFields.Clear");
    trap.run([&] {
        trap.at(1);
        m_set.clear();
    });
}

void clsFields::ClearAll()
{
    ErrorTrap trap(u".clsFields.ClearAll");
    trap.run([&] {
        trap.at(1);
        Clear();
        trap.at(2);
        m_set.clearAll();
    });
}

std::shared_ptr<TagoraInfo> clsFields::createLibrary()
{
    m_vTagora = std::make_shared<TagoraInfo>(m_libraryEvents.get());
    return m_vTagora;
}

void clsFields::releaseLibrary()
{
    m_vTagora.reset();
}

void clsFields::GetDatas(const std::u16string &PDFPath)
{
    ErrorTrap trap(u".clsFields.GetDatas");
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
    raiseWorkEnded(true);
    releaseLibrary();
}

void clsFields::SaveDatas(const std::u16string &PDFPath)
{
    ErrorTrap trap(u".clsFields.SaveDatas");
    std::shared_ptr<TagoraInfo> library;
    trap.run([&] {
        trap.at(1);
        library = createLibrary();
        TrappedRun run(trap, m_lastJob,
                       [this](std::int16_t percent) { raiseWorkPercent(percent); });
        m_set.save(*library, PDFPath, run);
    });
    // The jobs that succeeded reach the file now, in one piece, also after one failed.
    if (library) {
        trap.run([&] {
            trap.at(10);
            library->Commit();
        });
    }
    raiseWorkEnded(true);
    releaseLibrary();
}

} // namespace Fields

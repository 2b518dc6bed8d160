// SPDX-License-Identifier: Apache-2.0
// ErrorObject: the error record a host reads through MainForm.LastError.
//
// The record holds a number, a description and a source; a new record reads 0 and
// two empty texts. The component's traps report through message boxes and never
// write into a record, so the host always finds a stable, present object.
// WriteLog writes the record as a block of text lines onto an open text stream.
// Clients reach the three getters only (the class table); WriteLog and the setters
// are for the component itself.
#pragma once

#include "automation/Object.h"

#include <cstdint>
#include <string>

namespace Platform {
class TextStream;
}

namespace Plugin {

class ErrorObject : public Automation::Object
{
public:
    static constexpr char InterfaceName[] = "_ErrorObject";

    ErrorObject() = default;

    const Automation::ClassInfo *classInfo() const override;
    static const Automation::ClassInfo &staticClassInfo();

    std::u16string Description() const { return m_description; }
    std::int32_t Number() const { return m_number; }
    std::u16string Source() const { return m_source; }

    // For use inside the component only.
    void setDescription(const std::u16string &value) { m_description = value; }
    void setNumber(std::int32_t value) { m_number = value; }
    void setSource(const std::u16string &value) { m_source = value; }

    // Writes the block
    //     - Catch error <Number> -
    //     Description : <Description>
    //     Position : <Source>
    //     ---------------------   (as long as the first line)
    // onto `stream`; nothing when the stream is nothing. Trapped.
    void WriteLog(Platform::TextStream *stream);

private:
    std::u16string m_description;
    std::int32_t m_number = 0;
    std::u16string m_source;
};

} // namespace Plugin

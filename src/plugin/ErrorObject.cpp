// SPDX-License-Identifier: Apache-2.0
#include "ErrorObject.h"

#include "automation/ClassInfo.h"
#include "automation/Text.h"
#include "platform/TextStream.h"
#include "trap/ErrorTrap.h"

namespace Plugin {

using Trap::ErrorTrap;

const Automation::ClassInfo &ErrorObject::staticClassInfo()
{
    static const Automation::ClassInfo info =
        Automation::ClassBuilder<ErrorObject>(
            "ErrorObject", "OrvFields.ErrorObject", "{8DFC2751-6440-4BD6-AB5E-B6671F25744C}",
            InterfaceName, "{A5D37D0E-BEEE-483F-B397-345C6EC884DE}")
            .get("Description", 0x68030002, &ErrorObject::Description)
            .get("Number", 0x68030001, &ErrorObject::Number)
            .get("Source", 0x68030000, &ErrorObject::Source)
            .build();
    return info;
}

const Automation::ClassInfo *ErrorObject::classInfo() const
{
    return &staticClassInfo();
}

void ErrorObject::WriteLog(Platform::TextStream *stream)
{
    ErrorTrap trap(u".ErrorObject.WriteLog");
    trap.run([&] {
        trap.at(1);
        if (!stream)
            return;
        trap.at(2);
        const std::u16string header = u"- Catch error " + Automation::decimal(m_number) + u" -";
        trap.at(3);
        stream->WriteLine(header);
        trap.at(4);
        stream->WriteLine(u"Description : " + m_description);
        trap.at(5);
        stream->WriteLine(u"Position : " + m_source);
        trap.at(6);
        for (std::size_t i = 0; i < header.size(); ++i)
            stream->Write(u"-");
        trap.at(7);
        stream->Write(u"\r\n");
    });
}

} // namespace Plugin

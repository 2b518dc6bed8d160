// SPDX-License-Identifier: Apache-2.0
#include "ErrorObject.h"

#include "platform/TextStream.h"
#include "trap/ErrorTrap.h"

namespace Plugin {

using Trap::ErrorTrap;

ErrorObject::ErrorObject(QObject *parent) : QObject(parent) {}

void ErrorObject::WriteLog(Platform::TextStream *stream)
{
    ErrorTrap trap(QStringLiteral(".ErrorObject.WriteLog"));
    trap.run([&] {
        trap.at(1);
        if (!stream)
            return;
        trap.at(2);
        const QString header =
            QStringLiteral("- Catch error ") + QString::number(m_number) + QStringLiteral(" -");
        trap.at(3);
        stream->WriteLine(header);
        trap.at(4);
        stream->WriteLine(QStringLiteral("Description : ") + m_description);
        trap.at(5);
        stream->WriteLine(QStringLiteral("Position : ") + m_source);
        trap.at(6);
        for (qsizetype i = 0; i < header.size(); ++i)
            stream->Write(QStringLiteral("-"));
        trap.at(7);
        stream->Write(QStringLiteral("\r\n"));
    });
}

} // namespace Plugin

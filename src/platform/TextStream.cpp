// SPDX-License-Identifier: Apache-2.0
#include "TextStream.h"

#include "automation/AutomationError.h"

namespace Platform {

TextStream::TextStream(QIODevice *device, QObject *parent) : QObject(parent), m_device(device) {}

void TextStream::Write(const QString &text)
{
    if (!m_device || !m_device->isWritable())
        Automation::raise(Automation::BadFileMode);
    const QByteArray bytes = text.toUtf8();
    if (m_device->write(bytes) != bytes.size())
        Automation::raise(Automation::DeviceIOError,
                          QStringLiteral("Device I/O error: %1").arg(m_device->errorString()));
}

void TextStream::WriteLine(const QString &text)
{
    Write(text + QStringLiteral("\r\n"));
}

} // namespace Platform

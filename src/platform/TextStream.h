// SPDX-License-Identifier: Apache-2.0
// TextStream: a text file opened for writing, with the two operations of the
// scripting runtime's text stream that the component uses. Text is written as
// UTF-8; WriteLine ends a line with the stream's own terminator, "\r\n", as the
// runtime's streams do.
#pragma once

#include <QIODevice>
#include <QObject>

namespace Platform {

class TextStream : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("Interface", "ITextStream")
    Q_CLASSINFO("DispId:Write", "0x00002715")
    Q_CLASSINFO("DispId:WriteLine", "0x00002716")

public:
    // Writes to `device`, which must stay open while the stream is used.
    explicit TextStream(QIODevice *device, QObject *parent = nullptr);

    // Error 54 when the device is not open for writing, 57 when a write fails.
    Q_INVOKABLE void Write(const QString &text);
    Q_INVOKABLE void WriteLine(const QString &text = QString());

private:
    QIODevice *m_device;
};

} // namespace Platform

// SPDX-License-Identifier: Apache-2.0
// The system's ANSI code page on Linux: the local 8-bit encoding.
#include "platform/SystemFonts.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Platform {

std::string ToAnsi(std::u16string_view text)
{
    QStringEncoder encode(QStringEncoder::System);
    const QByteArray bytes =
        encode(QStringView(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size())));
    return bytes.toStdString();
}

std::u16string FromAnsi(std::string_view bytes)
{
    QStringDecoder decode(QStringDecoder::System);
    const QString text = decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return text.toStdU16String();
}

} // namespace Platform

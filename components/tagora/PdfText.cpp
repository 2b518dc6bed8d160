// SPDX-License-Identifier: Apache-2.0
#include "PdfText.h"

#include <QStringDecoder>
#include <QStringView>

#include <array>

#include <qpdf/QUtil.hh>

namespace Tagora::PdfText {

namespace {

QString fromUtf16(const std::string &bytes, bool bigEndian)
{
    QString text;
    text.reserve(int(bytes.size() / 2));
    bool inEscape = false;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const char16_t unit = char16_t((high << 8) | low);
        // ESC, a language code, ESC: a marker for readers, not part of the text.
        if (unit == 0x1B) {
            inEscape = !inEscape;
            continue;
        }
        if (!inEscape)
            text.append(QChar(unit));
    }
    return text;
}

QString fromPdfDoc(const std::string &bytes)
{
    return QString::fromStdString(QUtil::pdf_doc_to_utf8(bytes));
}

bool startsWith(const std::string &bytes, const char *mark)
{
    return bytes.compare(0, std::char_traits<char>::length(mark), mark) == 0;
}

// The value of two ASCII digits at `at`, or -1.
int twoDigits(QStringView text, qsizetype at)
{
    if (at + 2 > text.size())
        return -1;
    const char16_t high = text[at].unicode();
    const char16_t low = text[at + 1].unicode();
    if (high < u'0' || high > u'9' || low < u'0' || low > u'9')
        return -1;
    return (high - u'0') * 10 + (low - u'0');
}

} // namespace

QString decodeText(const std::string &bytes)
{
    if (startsWith(bytes, "\xFE\xFF"))
        return fromUtf16(bytes, true);
    if (startsWith(bytes, "\xFF\xFE"))
        return fromUtf16(bytes, false);
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.data() + 3, qsizetype(bytes.size() - 3));
    return fromPdfDoc(bytes);
}

QByteArray encodeText(const QString &text)
{
    std::string pdfDoc;
    // Only a text that reads back exactly is left in PDFDocEncoding.
    if (QUtil::utf8_to_pdf_doc(text.toStdString(), pdfDoc) && decodeText(pdfDoc) == text)
        return QByteArray::fromStdString(pdfDoc);
    QByteArray bytes("\xFE\xFF", 2);
    bytes.reserve(2 + 2 * text.size());
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return bytes;
}

QByteArray stringSyntax(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFE\xFF"))
        return '<' + bytes.toHex().toUpper() + '>';
    QByteArray out("(");
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '(':
        case ')':
        case '\\':
            out.append('\\').append(c);
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (byte < 0x20 || byte > 0x7E)
                out.append('\\').append(QByteArray::number(byte, 8).rightJustified(3, '0'));
            else
                out.append(c);
        }
    }
    return out.append(')');
}

QString decodeName(const std::string &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return utf8.hasError() ? fromPdfDoc(bytes) : text;
}

QByteArray nameBytes(const QString &text)
{
    return text.toUtf8();
}

QByteArray nameSyntax(const QByteArray &bytes)
{
    static const QByteArray delimiters("()<>[]{}/%#");
    QByteArray out("/");
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte > 0x7E || delimiters.contains(c))
            out.append('#').append(QByteArray::number(byte, 16).toUpper().rightJustified(2, '0'));
        else
            out.append(c);
    }
    return out;
}

QString date(const QDateTime &moment)
{
    const int offset = moment.offsetFromUtc() / 60;
    const int magnitude = offset < 0 ? -offset : offset;
    return QStringLiteral("D:") + moment.toString(QStringLiteral("yyyyMMddHHmmss")) +
           QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1'%2'")
               .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
               .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

std::optional<QString> isoDate(const QString &pdfDate)
{
    QStringView rest = QStringView(pdfDate).trimmed();
    if (rest.startsWith(u"D:"))
        rest = rest.mid(2);

    // Year, month, day, hour, minute, second; each part after the year may be missing.
    constexpr std::array<int, 6> lowest{0, 1, 1, 0, 0, 0};
    constexpr std::array<int, 6> highest{9999, 12, 31, 23, 59, 59};
    std::array<int, 6> parts{};
    std::size_t count = 0;
    qsizetype at = 0;
    for (; count < parts.size(); ++count) {
        const int high = twoDigits(rest, at);
        const int low = count == 0 ? twoDigits(rest, at + 2) : 0;
        if (high < 0 || low < 0)
            break;
        parts[count] = count == 0 ? high * 100 + low : high;
        if (parts[count] < lowest[count] || parts[count] > highest[count])
            return std::nullopt;
        at += count == 0 ? 4 : 2;
    }
    if (count == 0)
        return std::nullopt;

    QString zone;
    if (at < rest.size()) {
        const QChar sign = rest[at++];
        if (sign != u'Z' && sign != u'+' && sign != u'-')
            return std::nullopt;
        const int hours = twoDigits(rest, at);
        if (hours >= 0)
            at += 2;
        if (at < rest.size() && rest[at] == u'\'')
            ++at;
        const int minutes = hours < 0 ? -1 : twoDigits(rest, at);
        if (minutes >= 0)
            at += 2;
        if (at < rest.size() && rest[at] == u'\'')
            ++at;
        if (at != rest.size() || hours > 23 || minutes > 59 || (sign != u'Z' && hours < 0))
            return std::nullopt;
        zone = sign == u'Z' ? QStringLiteral("Z")
                            : QStringLiteral("%1%2:%3")
                                  .arg(sign)
                                  .arg(hours, 2, 10, QLatin1Char('0'))
                                  .arg(minutes < 0 ? 0 : minutes, 2, 10, QLatin1Char('0'));
    }

    const auto two = [](int value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    QString iso = QStringLiteral("%1").arg(parts[0], 4, 10, QLatin1Char('0'));
    if (count > 1)
        iso += u'-' + two(parts[1]);
    if (count > 2)
        iso += u'-' + two(parts[2]);
    if (count > 3)
        iso += u'T' + two(parts[3]) + u':' + two(parts[4]) +
               (count > 5 ? u':' + two(parts[5]) : QString()) + zone;
    return iso;
}

} // namespace Tagora::PdfText

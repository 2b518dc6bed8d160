// SPDX-License-Identifier: Apache-2.0
#include "PdfText.h"

#include <QDate>
#include <QStringDecoder>
#include <QStringView>

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

// The number the ASCII digits at `at` and `at + 1` write, or -1.
int twoDigits(QStringView text, qsizetype at)
{
    const auto digit = [&](qsizetype i) {
        return i < text.size() && text[i] >= u'0' && text[i] <= u'9' ? text[i].unicode() - u'0'
                                                                     : -1;
    };
    return digit(at) < 0 || digit(at + 1) < 0 ? -1 : digit(at) * 10 + digit(at + 1);
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
    QStringView text = QStringView(pdfDate).trimmed();
    if (text.startsWith(QLatin1String("D:")))
        text = text.mid(2);
    // Year, then month, day, hour, minute and second while they are given.
    if (twoDigits(text, 0) < 0 || twoDigits(text, 2) < 0)
        return std::nullopt;
    int parts[6] = {twoDigits(text, 0) * 100 + twoDigits(text, 2), 1, 1, 0, 0, 0};
    qsizetype at = 4;
    for (int i = 1; i < 6 && twoDigits(text, at) >= 0; ++i, at += 2)
        parts[i] = twoDigits(text, at);
    if (!QDate::isValid(parts[0], parts[1], parts[2]) || parts[3] > 23 || parts[4] > 59 ||
        parts[5] > 59)
        return std::nullopt;
    QString iso = QStringLiteral("%1-%2-%3T%4:%5:%6")
                      .arg(parts[0], 4, 10, QLatin1Char('0'))
                      .arg(parts[1], 2, 10, QLatin1Char('0'))
                      .arg(parts[2], 2, 10, QLatin1Char('0'))
                      .arg(parts[3], 2, 10, QLatin1Char('0'))
                      .arg(parts[4], 2, 10, QLatin1Char('0'))
                      .arg(parts[5], 2, 10, QLatin1Char('0'));
    // The offset from UTC: Z, or a sign with hours and minutes, apostrophes optional.
    if (at < text.size() && (text[at] == u'Z' || text[at] == u'+' || text[at] == u'-')) {
        const QChar sign = text[at++];
        int offset[2] = {0, 0};
        int given = 0;
        for (int &part : offset) {
            if (twoDigits(text, at) < 0)
                break;
            part = twoDigits(text, at);
            ++given;
            at += 2;
            if (at < text.size() && text[at] == u'\'')
                ++at;
        }
        if (offset[0] > 23 || offset[1] > 59 || (sign == u'Z' && offset[0] + offset[1] != 0) ||
            (sign != u'Z' && given == 0))
            return std::nullopt;
        iso += sign == u'Z' ? QStringLiteral("Z")
                            : QStringLiteral("%1%2:%3")
                                  .arg(sign)
                                  .arg(offset[0], 2, 10, QLatin1Char('0'))
                                  .arg(offset[1], 2, 10, QLatin1Char('0'));
    }
    if (at != text.size())
        return std::nullopt;
    return iso;
}

} // namespace Tagora::PdfText

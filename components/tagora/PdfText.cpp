// SPDX-License-Identifier: Apache-2.0
#include "PdfText.h"

#include "automation/Text.h"

#include <qpdf/QUtil.hh>

namespace Tagora::PdfText {

using Automation::utf16;
using Automation::utf8;

namespace {

std::u16string fromUtf16(const std::string &bytes, bool bigEndian)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    bool inEscape = false;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const auto unit = static_cast<char16_t>((high << 8) | low);
        // ESC, a language code, ESC: a marker for readers, not part of the text.
        if (unit == 0x1B) {
            inEscape = !inEscape;
            continue;
        }
        if (!inEscape)
            text += unit;
    }
    return text;
}

std::u16string fromPdfDoc(const std::string &bytes)
{
    return utf16(QUtil::pdf_doc_to_utf8(bytes));
}

bool startsWith(const std::string &bytes, std::string_view mark)
{
    return bytes.compare(0, mark.size(), mark) == 0;
}

// Whether `bytes` are UTF-8: only then do they convert there and back unchanged.
bool isUtf8(const std::string &bytes)
{
    return utf8(utf16(bytes)) == bytes;
}

// `width` digits of `number`, zeros first.
std::u16string digits(int number, std::size_t width)
{
    std::u16string text = Automation::decimal(number);
    return std::u16string(width > text.size() ? width - text.size() : 0, u'0') + text;
}

// The number the ASCII digits at `at` and `at + 1` write, or -1.
int twoDigits(std::u16string_view text, std::size_t at)
{
    const auto digit = [&](std::size_t i) {
        return i < text.size() && text[i] >= u'0' && text[i] <= u'9' ? int(text[i] - u'0') : -1;
    };
    return digit(at) < 0 || digit(at + 1) < 0 ? -1 : digit(at) * 10 + digit(at + 1);
}

// Whether the day exists in the Gregorian calendar, which has no year 0.
bool isDay(int year, int month, int day)
{
    static const int length[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year == 0 || month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= length[month - 1] + (month == 2 && leap ? 1 : 0);
}

} // namespace

std::u16string decodeText(const std::string &bytes)
{
    if (startsWith(bytes, "\xFE\xFF"))
        return fromUtf16(bytes, true);
    if (startsWith(bytes, "\xFF\xFE"))
        return fromUtf16(bytes, false);
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        return utf16(std::string_view(bytes).substr(3));
    return fromPdfDoc(bytes);
}

std::string encodeText(const std::u16string &text)
{
    std::string pdfDoc;
    // Only a text that reads back exactly is left in PDFDocEncoding.
    if (QUtil::utf8_to_pdf_doc(utf8(text), pdfDoc) && decodeText(pdfDoc) == text)
        return pdfDoc;
    std::string bytes("\xFE\xFF");
    bytes.reserve(2 + 2 * text.size());
    for (const char16_t c : text) {
        bytes += char(c >> 8);
        bytes += char(c & 0xFF);
    }
    return bytes;
}

std::string stringSyntax(const std::string &bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    if (startsWith(bytes, "\xFE\xFF")) {
        std::string out("<");
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
        return out + '>';
    }
    std::string out("(");
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '(':
        case ')':
        case '\\':
            out += '\\';
            out += c;
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte > 0x7E) {
                out += '\\';
                out += char('0' + (byte >> 6));
                out += char('0' + ((byte >> 3) & 7));
                out += char('0' + (byte & 7));
            } else {
                out += c;
            }
        }
    }
    return out + ')';
}

std::u16string decodeName(const std::string &bytes)
{
    if (!isUtf8(bytes))
        return fromPdfDoc(bytes);
    // A byte order mark opening the name is not part of its text.
    return utf16(std::string_view(bytes).substr(startsWith(bytes, "\xEF\xBB\xBF") ? 3 : 0));
}

std::string nameBytes(std::u16string_view text)
{
    return utf8(text);
}

std::string nameSyntax(const std::string &bytes)
{
    static const std::string_view delimiters("()<>[]{}/%#");
    static const char hex[] = "0123456789ABCDEF";
    std::string out("/");
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte > 0x7E || delimiters.find(c) != std::string_view::npos) {
            out += '#';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::u16string date(const LocalTime &moment)
{
    const int magnitude =
        moment.utcOffsetMinutes < 0 ? -moment.utcOffsetMinutes : moment.utcOffsetMinutes;
    return u"D:" + digits(moment.year, 4) + digits(moment.month, 2) + digits(moment.day, 2) +
           digits(moment.hour, 2) + digits(moment.minute, 2) + digits(moment.second, 2) +
           (moment.utcOffsetMinutes < 0 ? u'-' : u'+') + digits(magnitude / 60, 2) + u'\'' +
           digits(magnitude % 60, 2) + u'\'';
}

std::optional<std::u16string> isoDate(std::u16string_view pdfDate)
{
    std::u16string_view text = Automation::trimmed(pdfDate);
    if (text.substr(0, 2) == u"D:")
        text.remove_prefix(2);
    // Year, then month, day, hour, minute and second while they are given.
    if (twoDigits(text, 0) < 0 || twoDigits(text, 2) < 0)
        return std::nullopt;
    int parts[6] = {twoDigits(text, 0) * 100 + twoDigits(text, 2), 1, 1, 0, 0, 0};
    std::size_t at = 4;
    for (int i = 1; i < 6 && twoDigits(text, at) >= 0; ++i, at += 2)
        parts[i] = twoDigits(text, at);
    if (!isDay(parts[0], parts[1], parts[2]) || parts[3] > 23 || parts[4] > 59 || parts[5] > 59)
        return std::nullopt;
    std::u16string iso = digits(parts[0], 4) + u'-' + digits(parts[1], 2) + u'-' +
                         digits(parts[2], 2) + u'T' + digits(parts[3], 2) + u':' +
                         digits(parts[4], 2) + u':' + digits(parts[5], 2);
    // The offset from UTC: Z, or a sign with hours and minutes, apostrophes optional.
    if (at < text.size() && (text[at] == u'Z' || text[at] == u'+' || text[at] == u'-')) {
        const char16_t sign = text[at++];
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
        iso += sign == u'Z' ? std::u16string(u"Z")
                            : sign + digits(offset[0], 2) + u':' + digits(offset[1], 2);
    }
    if (at != text.size())
        return std::nullopt;
    return iso;
}

std::string writableName(const std::string &name)
{
    static const bool writerEscapes = QPDFObjectHandle::newName("/#").unparse() != "/#";
    if (writerEscapes || name.find('#') == std::string::npos)
        return name;
    std::string escaped;
    for (const char c : name)
        escaped += c == '#' ? std::string("#23") : std::string(1, c);
    return escaped;
}

QPDFObjectHandle writable(QPDFObjectHandle value)
{
    if (value.isIndirect())
        return value;
    if (value.isName())
        return QPDFObjectHandle::newName(writableName(value.getName()));
    if (value.isArray()) {
        QPDFObjectHandle array = QPDFObjectHandle::newArray();
        for (int i = 0; i < value.getArrayNItems(); ++i)
            array.appendItem(writable(value.getArrayItem(i)));
        return array;
    }
    if (value.isDictionary()) {
        QPDFObjectHandle dictionary = QPDFObjectHandle::newDictionary();
        for (const std::string &key : value.getKeys())
            dictionary.replaceKey(writableName(key), writable(value.getKey(key)));
        return dictionary;
    }
    return value;
}

} // namespace Tagora::PdfText

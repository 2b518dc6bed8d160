// SPDX-License-Identifier: Apache-2.0
#include "Report.h"

#include "fields/FieldSet.h"
#include "tagora/PdfText.h"
#include "tagora/StandardEntries.h"

namespace Cli::Report {

namespace {

namespace Entries = Tagora::StandardEntries;
using Fields::FieldSet;

QString standardField(const FieldSet &set, int entry)
{
    switch (entry) {
    case 0:
        return QString::fromStdU16String(set.title());
    case 1:
        return QString::fromStdU16String(set.author());
    case 2:
        return QString::fromStdU16String(set.subject());
    default:
        return QString::fromStdU16String(set.keywords());
    }
}

// The text of standard entry `entry` (0 to 7) as the report shows it; nothing when the
// file does not (or, after a dry run, would not) hold the entry.
std::optional<QString> entryText(const FieldSet &set, const FieldSet &read, int entry)
{
    if (entry >= 4)
        return read.holds(entry) ? std::optional(QString::fromStdU16String(read.keptText(entry)))
                                 : std::nullopt;
    const QString text = standardField(set, entry);
    // An empty field is no entry, unless the file holds it empty and it was left so.
    if (text.isEmpty() && !(read.holds(entry) && standardField(read, entry).isEmpty()))
        return std::nullopt;
    return text;
}

QString nameOf(int entry)
{
    const std::u16string_view name =
        entry < 4 ? Entries::Edited[size_t(entry)] : Entries::Kept[size_t(entry - 4)];
    return QString::fromUtf16(name.data(), qsizetype(name.size()));
}

std::optional<QString> isoDate(const QString &date)
{
    const std::optional<std::u16string> iso = Tagora::PdfText::isoDate(date.toStdU16String());
    return iso ? std::optional(QString::fromStdU16String(*iso)) : std::nullopt;
}

bool isDate(int entry)
{
    return entry == 6 || entry == 7;
}

// JSON written by hand: its keys keep the order the schema gives them.
class JsonWriter
{
public:
    JsonWriter() { m_out.reserve(1024); }
    JsonWriter &raw(const char *text)
    {
        m_out += text;
        return *this;
    }
    JsonWriter &key(const QString &name)
    {
        if (!m_out.endsWith('{') && !m_out.endsWith('['))
            m_out += ',';
        m_out += '"';
        m_out += name.toUtf8();
        m_out += "\":";
        return *this;
    }
    JsonWriter &string(const QString &text)
    {
        m_out += '"';
        for (const char c : text.toUtf8()) {
            switch (c) {
            case '"':
                m_out += "\\\"";
                break;
            case '\\':
                m_out += "\\\\";
                break;
            case '\n':
                m_out += "\\n";
                break;
            case '\r':
                m_out += "\\r";
                break;
            case '\t':
                m_out += "\\t";
                break;
            default:
                if (uchar(c) < 0x20)
                    m_out += QByteArray("\\u00") +
                             QByteArray::number(uchar(c), 16).rightJustified(2, '0');
                else
                    m_out += c;
            }
        }
        m_out += '"';
        return *this;
    }
    JsonWriter &optional(const std::optional<QString> &text)
    {
        return text ? string(*text) : raw("null");
    }
    QByteArray line() { return m_out + "}\n"; }

private:
    QByteArray m_out;
};

JsonWriter begin(const QString &file)
{
    JsonWriter writer;
    writer.raw("{").key(QStringLiteral("schema")).raw(QByteArray::number(SchemaVersion));
    writer.key(QStringLiteral("file")).string(file);
    return writer;
}

} // namespace

QByteArray text(const FieldSet &set, const FieldSet &read)
{
    QString out;
    for (int entry = 0; entry < 4; ++entry)
        out += nameOf(entry) + QLatin1String(": ") +
               oneLine(entryText(set, read, entry).value_or(QString())) + u'\n';
    for (int i = 1; i <= set.count(); ++i)
        out += oneLine(QString::fromStdU16String(set.field(i)->Name())) + QLatin1String(": ") +
               oneLine(QString::fromStdU16String(set.field(i)->Content())) + u'\n';
    out += u'\n';
    for (int entry = 4; entry < 8; ++entry) {
        const QString value = entryText(set, read, entry).value_or(QString());
        out += nameOf(entry) + QLatin1String(": ") + oneLine(value);
        if (const auto iso = isDate(entry) ? isoDate(value) : std::nullopt)
            out += QLatin1String(" (") + *iso + u')';
        out += u'\n';
    }
    return out.toUtf8();
}

QByteArray json(const QString &file, const FieldSet &set, const FieldSet &read)
{
    JsonWriter writer = begin(file);
    for (int entry = 0; entry < 4; ++entry)
        writer.key(nameOf(entry)).optional(entryText(set, read, entry));
    writer.key(QStringLiteral("custom")).raw("[");
    for (int i = 1; i <= set.count(); ++i) {
        writer.raw(i > 1 ? ",{" : "{")
            .key(QStringLiteral("name"))
            .string(QString::fromStdU16String(set.field(i)->Name()));
        writer.key(QStringLiteral("value"))
            .string(QString::fromStdU16String(set.field(i)->Content()))
            .raw("}");
    }
    writer.raw("]");
    for (int entry = 4; entry < 8; ++entry) {
        const std::optional<QString> value = entryText(set, read, entry);
        writer.key(nameOf(entry));
        if (!value || !isDate(entry)) {
            writer.optional(value);
            continue;
        }
        writer.raw("{").key(QStringLiteral("pdf")).string(*value);
        writer.key(QStringLiteral("iso")).optional(isoDate(*value)).raw("}");
    }
    return writer.line();
}

QByteArray jsonFailure(const QString &file, int number, const QString &message)
{
    JsonWriter writer = begin(file);
    writer.key(QStringLiteral("error")).raw("{").key(QStringLiteral("number"));
    writer.raw(QByteArray::number(number)).key(QStringLiteral("message")).string(message);
    return writer.raw("}").line();
}

QString oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\0':
            out += QLatin1String("\\0");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() == 0x85 ||
                c.unicode() == 0x2028 || c.unicode() == 0x2029)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

} // namespace Cli::Report

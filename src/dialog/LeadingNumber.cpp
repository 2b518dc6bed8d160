// SPDX-License-Identifier: Apache-2.0
#include "LeadingNumber.h"

#include "automation/Variant.h"

#include <clocale>
#include <cstdlib>

namespace Dialog {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The value of a hexadecimal digit, -1 for any other character.
int digitValue(QChar c)
{
    if (isDigit(c))
        return c.unicode() - u'0';
    const char16_t lower = c.toLower().unicode();
    if (lower >= u'a' && lower <= u'f')
        return lower - u'a' + 10;
    return -1;
}

// A whole number in `base` from the digits at `from`; 0 when there are none.
double radixNumber(const QString &text, qsizetype from, int base)
{
    double value = 0;
    for (qsizetype i = from; i < text.size(); ++i) {
        const int digit = digitValue(text.at(i));
        if (digit < 0 || digit >= base)
            break;
        value = value * base + digit;
    }
    return value;
}

} // namespace

double LeadingNumber(QString text)
{
    text.remove(u' ').remove(u'\t').remove(u'\n');

    if (text.size() >= 2 && text.at(0) == u'&') {
        const QChar prefix = text.at(1).toUpper();
        if (prefix == u'H')
            return radixNumber(text, 2, 16);
        if (prefix == u'O')
            return radixNumber(text, 2, 8);
        return 0;
    }

    // The longest prefix of the decimal form: [sign] digits [. digits] [E [sign] digits].
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text.at(i))) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == u'.') {
        ++i;
        while (i < n && isDigit(text.at(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    qsizetype end = i;
    if (i < n && (text.at(i) == u'E' || text.at(i) == u'e')) {
        qsizetype j = i + 1;
        if (j < n && (text.at(j) == u'+' || text.at(j) == u'-'))
            ++j;
        const qsizetype exponentStart = j;
        while (j < n && isDigit(text.at(j)))
            ++j;
        if (j > exponentStart)
            end = j;
    }
    // Read in the C locale, whatever the user's decimal point: too large a number
    // reads as infinity, which no 32-bit number holds.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(text.left(end).toLatin1().constData(), nullptr, c);
}

qint32 GeneratedNumber(const QString &fieldName, const QString &word)
{
    if (word.isEmpty() || !fieldName.contains(word, Qt::CaseSensitive))
        return 0;
    QString rest = fieldName;
    rest.remove(word, Qt::CaseSensitive);
    // The automation runtime's conversion: halves to even, error 6 out of range.
    return Automation::Variant::toLong(LeadingNumber(rest));
}

} // namespace Dialog

// SPDX-License-Identifier: Apache-2.0
#include "IncrementalUpdate.h"

#include <QList>

#include <algorithm>

namespace Tagora {

namespace {

struct Written
{
    int number;
    int generation;
    qint64 offset;
};

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

// The trailer entries every section carries, in the order they are written.
QByteArray trailerEntries(const RevisionBase &base, int size, const QByteArray &info)
{
    QByteArray out;
    out += "/Size " + number(size);
    out += " /Root " + base.root;
    out += " /Info " + info;
    if (!base.id.isEmpty())
        out += " /ID " + base.id;
    out += " /Prev " + number(base.startxref);
    return out;
}

// A classic table: one subsection per object, entries of exactly 20 bytes.
QByteArray table(const QList<Written> &objects)
{
    QByteArray out("xref\n");
    for (const Written &object : objects) {
        out += number(object.number) + " 1\n";
        out += QByteArray::number(object.offset).rightJustified(10, '0') + ' ' +
               QByteArray::number(object.generation).rightJustified(5, '0') + " n\r\n";
    }
    return out;
}

// Big-endian field of `width` bytes.
void appendField(QByteArray &out, qint64 value, int width)
{
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

// The entries of a cross-reference stream with /W [1 width 2], sorted by number.
QByteArray streamEntries(const QList<Written> &objects, int width)
{
    QByteArray out;
    for (const Written &object : objects) {
        out.append(char(1));
        appendField(out, object.offset, width);
        appendField(out, object.generation, 2);
    }
    return out;
}

int bytesFor(qint64 value)
{
    int width = 1;
    while (width < 8 && (value >> (8 * width)) != 0)
        ++width;
    return width;
}

} // namespace

QByteArray IncrementalUpdate::build(const RevisionBase &base, const QByteArray &info,
                                    const QList<Object> &others)
{
    QByteArray out;
    if (!base.endsWithEol)
        out += '\n';
    const int infoNumber = base.infoNumber > 0 ? base.infoNumber : base.size;
    const int infoGeneration = base.infoNumber > 0 ? base.infoGeneration : 0;
    int size = qMax(base.size, infoNumber + 1);
    const QByteArray infoReference = number(infoNumber) + ' ' + number(infoGeneration) + " R";

    QList<Written> objects{{infoNumber, infoGeneration, base.length + out.size()}};
    out += number(infoNumber) + ' ' + number(infoGeneration) + " obj\n" + info + "\nendobj\n";
    for (const Object &object : others) {
        objects.append({object.number, object.generation, base.length + out.size()});
        out += number(object.number) + ' ' + number(object.generation) + " obj\n" + object.body +
               "\nendobj\n";
        size = qMax(size, object.number + 1);
    }
    // Sections list their objects in ascending order.
    std::sort(objects.begin(), objects.end(),
              [](const Written &a, const Written &b) { return a.number < b.number; });

    const qint64 xrefOffset = base.length + out.size();
    if (base.xref == RevisionBase::Xref::Table) {
        out += table(objects);
        out += "trailer\n<< " + trailerEntries(base, size, infoReference) + " >>\n";
    } else {
        // The stream lists itself too.
        const int streamNumber = size++;
        objects.append({streamNumber, 0, xrefOffset});
        const int width = bytesFor(xrefOffset);
        const QByteArray data = streamEntries(objects, width);
        QByteArray index;
        for (const Written &object : objects)
            index += (index.isEmpty() ? "" : " ") + number(object.number) + " 1";
        out += number(streamNumber) + " 0 obj\n<< /Type /XRef " +
               trailerEntries(base, size, infoReference) + " /Index [" + index + "] /W [1 " +
               number(width) + " 2] /Length " + number(data.size()) + " >>\nstream\n" + data +
               "\nendstream\nendobj\n";
    }
    out += "startxref\n" + number(xrefOffset) + "\n%%EOF\n";
    return out;
}

} // namespace Tagora

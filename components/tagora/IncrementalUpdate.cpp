// SPDX-License-Identifier: Apache-2.0
#include "IncrementalUpdate.h"

#include <algorithm>

namespace Tagora {

namespace {

struct Written
{
    int number;
    int generation;
    std::int64_t offset;
};

std::string number(std::int64_t value)
{
    return std::to_string(value);
}

// `value` in `width` decimal digits, zeros first.
std::string padded(std::int64_t value, std::size_t width)
{
    const std::string digits = number(value);
    return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

// The trailer entries every section carries, in the order they are written.
std::string trailerEntries(const RevisionBase &base, int size, const std::string &info)
{
    std::string out;
    out += "/Size " + number(size);
    out += " /Root " + base.root;
    out += " /Info " + info;
    if (!base.encrypt.empty())
        out += " /Encrypt " + base.encrypt;
    if (!base.id.empty())
        out += " /ID " + base.id;
    out += " /Prev " + number(base.startxref);
    return out;
}

// A classic table: one subsection per object, entries of exactly 20 bytes.
std::string table(const std::vector<Written> &objects)
{
    std::string out("xref\n");
    for (const Written &object : objects) {
        out += number(object.number) + " 1\n";
        out += padded(object.offset, 10) + ' ' + padded(object.generation, 5) + " n\r\n";
    }
    return out;
}

// Big-endian field of `width` bytes.
void appendField(std::string &out, std::int64_t value, int width)
{
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xFF);
}

// The entries of a cross-reference stream with /W [1 width 2], sorted by number.
std::string streamEntries(const std::vector<Written> &objects, int width)
{
    std::string out;
    for (const Written &object : objects) {
        out += char(1);
        appendField(out, object.offset, width);
        appendField(out, object.generation, 2);
    }
    return out;
}

int bytesFor(std::int64_t value)
{
    int width = 1;
    while (width < 8 && (value >> (8 * width)) != 0)
        ++width;
    return width;
}

} // namespace

std::pair<int, int> IncrementalUpdate::infoObject(const RevisionBase &base)
{
    if (base.infoNumber > 0)
        return {base.infoNumber, base.infoGeneration};
    return {base.size, 0};
}

int IncrementalUpdate::freeNumber(const RevisionBase &base)
{
    return std::max(base.size, infoObject(base).first + 1);
}

std::string IncrementalUpdate::build(const RevisionBase &base, const std::string &info,
                                     const std::vector<Object> &others)
{
    std::string out;
    if (!base.endsWithEol)
        out += '\n';
    const auto [infoNumber, infoGeneration] = infoObject(base);
    int size = std::max(base.size, infoNumber + 1);
    const std::string infoReference = number(infoNumber) + ' ' + number(infoGeneration) + " R";
    const auto at = [&] {
        return base.length + std::int64_t(out.size());
    };

    std::vector<Written> objects{{infoNumber, infoGeneration, at()}};
    out += number(infoNumber) + ' ' + number(infoGeneration) + " obj\n" + info + "\nendobj\n";
    for (const Object &object : others) {
        objects.push_back({object.number, object.generation, at()});
        out += number(object.number) + ' ' + number(object.generation) + " obj\n" + object.body +
               "\nendobj\n";
        size = std::max(size, object.number + 1);
    }
    // Sections list their objects in ascending order.
    std::sort(objects.begin(), objects.end(),
              [](const Written &a, const Written &b) { return a.number < b.number; });

    const std::int64_t xrefOffset = at();
    if (base.xref == RevisionBase::Xref::Table) {
        out += table(objects);
        out += "trailer\n<< " + trailerEntries(base, size, infoReference) + " >>\n";
    } else {
        // The stream lists itself too.
        const int streamNumber = size++;
        objects.push_back({streamNumber, 0, xrefOffset});
        const int width = bytesFor(xrefOffset);
        const std::string data = streamEntries(objects, width);
        std::string index;
        for (const Written &object : objects)
            index += (index.empty() ? "" : " ") + number(object.number) + " 1";
        out += number(streamNumber) + " 0 obj\n<< /Type /XRef " +
               trailerEntries(base, size, infoReference) + " /Index [" + index + "] /W [1 " +
               number(width) + " 2] /Length " + number(std::int64_t(data.size())) +
               " >>\nstream\n" + data + "\nendstream\nendobj\n";
    }
    out += "startxref\n" + number(xrefOffset) + "\n%%EOF\n";
    return out;
}

} // namespace Tagora

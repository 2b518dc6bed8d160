// SPDX-License-Identifier: Apache-2.0
#include "FieldSet.h"

#include "automation/Text.h"
#include "tagora/LocalTime.h"
#include "tagora/PdfText.h"
#include "tagora/StandardEntries.h"
#include "tagora/TagoraInfo.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace Fields {

namespace Entries = Tagora::StandardEntries;
using Tagora::TagoraInfo;

namespace {

// Progress is computed in single precision, each percentage rounded half to even
// (the default rounding mode of nearbyint).
std::int16_t percentOf(float running)
{
    return std::int16_t(std::nearbyintf(running));
}

} // namespace

FieldSet::FieldSet(const FieldSet &other)
{
    *this = other;
}

FieldSet &FieldSet::operator=(const FieldSet &other)
{
    if (this == &other)
        return *this;
    m_title = other.m_title;
    m_author = other.m_author;
    m_subject = other.m_subject;
    m_keywords = other.m_keywords;
    m_readNames = other.m_readNames;
    m_holds = other.m_holds;
    m_kept = other.m_kept;
    clear();
    for (const FieldRef &field : other.m_fields)
        add(field->Name(), field->Content());
    return *this;
}

FieldSet::FieldRef FieldSet::field(int position) const
{
    if (position < 1 || position > count())
        return nullptr;
    return m_fields[size_t(position - 1)];
}

std::u16string FieldSet::keyOf(const std::u16string &name)
{
    return Automation::foldCase(name);
}

FieldSet::FieldRef FieldSet::find(const std::u16string &name) const
{
    const auto found = m_byKey.find(keyOf(name));
    return found != m_byKey.end() ? found->second : nullptr;
}

bool FieldSet::isValidName(const std::u16string &name)
{
    // The edited four first, then the four the file keeps.
    for (const auto &group : {Entries::Edited, Entries::Kept})
        for (const auto &reserved : group)
            if (name == reserved)
                return false;
    return true;
}

int FieldSet::standardEntry(const std::u16string &name)
{
    static const std::vector<std::u16string> lower = [] {
        std::vector<std::u16string> names;
        for (const auto &group : {Entries::Edited, Entries::Kept})
            for (const auto &entry : group)
                names.push_back(Automation::lowerCase(entry));
        return names;
    }();
    // Lower case never shortens a name: only names of the lengths of theirs can match.
    if (name.size() < 5 || name.size() > 12)
        return -1;
    const auto found = std::find(lower.begin(), lower.end(), Automation::lowerCase(name));
    return found != lower.end() ? int(found - lower.begin()) : -1;
}

FieldSet::FieldRef FieldSet::add(const std::u16string &name, const std::u16string &value)
{
    if (!isValidName(name))
        return nullptr;
    if (FieldRef field = find(name))
        return field;
    auto field = std::make_shared<clsField>();
    field->setName(name);
    field->setContent(value);
    m_fields.push_back(field);
    m_byKey.emplace(keyOf(name), field);
    return field;
}

FieldSet::FieldRef FieldSet::remove(const std::u16string &name)
{
    FieldRef field = find(name);
    if (field) {
        m_byKey.erase(keyOf(field->Name()));
        m_fields.erase(std::find(m_fields.begin(), m_fields.end(), field));
    }
    return field;
}

void FieldSet::clear()
{
    m_byKey.clear();
    m_fields.clear();
}

void FieldSet::clearAll()
{
    clear();
    m_title.clear();
    m_author.clear();
    m_subject.clear();
    m_keywords.clear();
}

void FieldSet::read(TagoraInfo &library, const std::u16string &path, Observer &observer)
{
    observer.step(3);
    const int n = library.ReadInfo(path);
    observer.yield();
    observer.step(4);
    m_readNames.clear();
    m_holds = {};
    m_kept = {};
    for (int i = 0; i < n; ++i) {
        observer.yield();
        const std::u16string name = library.InfoName(i);
        const std::u16string value = library.InfoValue(i);
        m_readNames.push_back(name);
        std::u16string *standard[] = {&m_title, &m_author, &m_subject, &m_keywords};
        const int entry = standardEntry(name);
        if (entry >= 0)
            m_holds[size_t(entry)] = true;
        if (entry >= 0 && entry < 4)
            *standard[entry] = value;
        else if (entry < 0 && !value.empty())
            add(name, value);
        else if (entry >= 4) // left to the file: shown, never edited here
            m_kept[size_t(entry - 4)] = value;
        observer.yield();
    }
}

void FieldSet::save(TagoraInfo &library, const std::u16string &path, Observer &observer) const
{
    observer.step(2);
    const int n = library.ReadInfo(path);
    observer.step(3);
    if (!observer.carryOn())
        return;
    observer.step(4);
    const int total = n >= 1 ? count() + n : count();
    const float step = total != 0 ? 100.0f / float(total) : 0.0f;
    observer.step(5);
    float running = 0;
    observer.step(6);
    for (int i = 0; i < n; ++i) {
        library.RemoveInfoEntry(path, library.InfoName(i));
        if (!observer.carryOn())
            return;
        running += step;
        observer.percent(percentOf(running));
    }
    observer.step(7);
    library.WriteStandardInfo(path, m_title, m_author, m_subject, m_keywords, {}, {});
    observer.step(8);
    if (!observer.carryOn())
        return;
    observer.step(9);
    const int fields = count();
    for (int i = 1; i <= fields; ++i) {
        if (const FieldRef f = field(i)) {
            library.WriteInfoEntry(path, f->Name(), f->Content());
            if (!observer.carryOn())
                return;
        }
        running += step;
        observer.percent(percentOf(running));
    }
}

void FieldSet::saveChanges(TagoraInfo &library, const std::u16string &path,
                           const FieldSet &before) const
{
    bool changed = false;
    const std::u16string *now[] = {&m_title, &m_author, &m_subject, &m_keywords};
    const std::u16string *was[] = {&before.m_title, &before.m_author, &before.m_subject,
                                   &before.m_keywords};
    for (int entry = 0; entry < 4; ++entry) {
        if (*now[entry] == *was[entry])
            continue;
        changed = true;
        std::vector<std::u16string> read;
        for (const std::u16string &name : before.m_readNames)
            if (standardEntry(name) == entry)
                read.push_back(name);
        if (now[entry]->empty()) {
            for (const std::u16string &name : read)
                library.RemoveInfoEntry(path, name);
        } else {
            // The entry the read took the field from: the last of them.
            library.WriteInfoEntry(
                path, read.empty() ? std::u16string(Entries::Edited[size_t(entry)]) : read.back(),
                *now[entry]);
        }
    }
    // The first fields of the set that the file holds in the same order and under the
    // same names stay where they are; the file's other custom fields are removed and
    // the set's later fields written anew, in order, after them (entries only go last).
    std::vector<FieldRef> staying;
    auto next = before.m_fields.begin();
    for (const FieldRef &field : m_fields) {
        while (next != before.m_fields.end() && keyOf((*next)->Name()) != keyOf(field->Name()))
            ++next;
        if (next == before.m_fields.end() || (*next)->Name() != field->Name())
            break;
        staying.push_back(*next++);
    }
    // Linear in the number of entries: a save may touch every one of a large dictionary.
    const std::unordered_set<const clsField *> kept = [&] {
        std::unordered_set<const clsField *> fields;
        for (const FieldRef &field : staying)
            fields.insert(field.get());
        return fields;
    }();
    std::unordered_map<std::u16string, std::vector<std::u16string>> readByKey;
    for (const std::u16string &name : before.m_readNames)
        readByKey[keyOf(name)].push_back(name);
    for (const FieldRef &old : before.m_fields) {
        if (kept.count(old.get()))
            continue;
        changed = true;
        const auto names = readByKey.find(keyOf(old->Name()));
        if (names != readByKey.end())
            for (const std::u16string &name : names->second)
                library.RemoveInfoEntry(path, name);
    }
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const FieldRef &field = m_fields[i];
        if (i >= staying.size() || staying[i]->Content() != field->Content()) {
            library.WriteInfoEntry(path, field->Name(), field->Content());
            changed = true;
        }
    }
    // A document that changed says when.
    if (changed)
        library.WriteInfoEntry(path, std::u16string(Entries::ModDate),
                               Tagora::PdfText::date(Tagora::localTimeNow()));
}

} // namespace Fields

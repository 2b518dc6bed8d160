// SPDX-License-Identifier: Apache-2.0
// FieldSet: the document-information fields of one PDF, the rules they keep, and the
// order in which they are read from and written to the PDF information library.
//
// Four standard fields (Title, Author, Subject, Keywords) are plain texts; custom fields
// are an ordered list of clsField, positions counted from 1, keyed by name with letter
// case ignored ("Source" and "SOURCE" are one key; a field keeps the name it was added
// with). Two rules hold: no custom field bears one of the eight standard entry names
// exactly (case-sensitive, tagora/StandardEntries.h), and no two custom fields have
// names equal ignoring case. `add` is the only way in.
//
// `read` fills the set from a file, and remembers which standard entries the file
// holds and the texts of the four the set never edits. `save` writes the whole set the
// way the dialog does: every entry the file lists is removed, then the standard fields
// and the custom fields are written. `saveChanges` writes only what differs from the
// set as it was read, so that every other entry stays exactly as it stood. Failures are the
// library's exceptions (Automation::AutomationError), passed on; the set is left as the failure
// found it. Neither save commits: the library object's save ends with its Commit.
//
// clsFields is this set as the dialog and a host see it: error trap, yields, events.
#pragma once

#include "clsField.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Tagora {
class TagoraInfo;
}

namespace Fields {

class FieldSet
{
public:
    using FieldRef = std::shared_ptr<clsField>;

    FieldSet() = default;
    // A copy holds fields of its own: changing one set leaves the other as it was.
    FieldSet(const FieldSet &other);
    FieldSet &operator=(const FieldSet &other);

    // What a caller may follow of a read or a save. Every member does nothing by default.
    class Observer
    {
    public:
        virtual ~Observer() = default;
        // The step about to run, numbered as the read and the save number them.
        virtual void step(int statement) { static_cast<void>(statement); }
        // A point where the caller's message loop may run.
        virtual void yield() {}
        // A save's progress after each removal and each custom field, 0 to 100.
        virtual void percent(std::int16_t value) { static_cast<void>(value); }
        // Asked after each job of a save: false stops the save there.
        virtual bool carryOn() { return true; }
    };

    std::u16string title() const { return m_title; }
    void setTitle(const std::u16string &value) { m_title = value; }
    std::u16string author() const { return m_author; }
    void setAuthor(const std::u16string &value) { m_author = value; }
    std::u16string subject() const { return m_subject; }
    void setSubject(const std::u16string &value) { m_subject = value; }
    std::u16string keywords() const { return m_keywords; }
    void setKeywords(const std::u16string &value) { m_keywords = value; }

    // Number of custom fields.
    int count() const { return int(m_fields.size()); }
    // The custom field at `position` (1 to count), or none.
    FieldRef field(int position) const;
    // The custom field named `name`, letter case ignored, or none.
    FieldRef find(const std::u16string &name) const;
    // False for the eight standard entry names, compared exactly.
    static bool isValidName(const std::u16string &name);
    // Which standard entry a name read from a file stands for, its lower case compared
    // with theirs: 0 to 3 Title, Author, Subject, Keywords; 4 to 7 the entries the set
    // never edits (Creator, Producer, CreationDate, ModDate); -1 any other name.
    static int standardEntry(const std::u16string &name);

    // What the last read found, by standardEntry's numbers: whether the file holds the
    // entry (an empty one included), and the text of the four entries the set never
    // edits (4 to 7; empty when the file has none). Copies of the set carry both.
    bool holds(int entry) const { return entry >= 0 && entry < 8 && m_holds[size_t(entry)]; }
    std::u16string keptText(int entry) const
    {
        return entry >= 4 && entry < 8 ? m_kept[size_t(entry - 4)] : std::u16string();
    }

    // Adds a custom field at the end and returns it. A standard name gives none and
    // changes nothing; a name the set holds already (ignoring case) gives that field,
    // unchanged.
    FieldRef add(const std::u16string &name, const std::u16string &value);
    // Takes the field named `name` (ignoring case) out of the set; none when absent.
    FieldRef remove(const std::u16string &name);
    // Removes every custom field.
    void clear();
    // clear(), then empties the four standard fields.
    void clearAll();

    // Fills the set (clearAll() empties it first) with the entries of `path`: the
    // standard fields by the lower case of their names (a later entry overwrites an
    // earlier one), custom fields with a value under their names, in file order. Steps
    // 3 and 4.
    void read(Tagora::TagoraInfo &library, const std::u16string &path, Observer &observer);
    // Writes the set into `path`: removes every entry the file lists, writes the four
    // standard fields, then each custom field in order. Steps 2 to 9.
    void save(Tagora::TagoraInfo &library, const std::u16string &path, Observer &observer) const;
    // Writes into `path` only what differs from `before`, the set as `library` last read
    // it from that file (its InfoName and InfoValue still answer from that read): a
    // standard field changed goes into the entry it was read from, a custom field removed
    // takes every entry of its name in any letter case with it, one added goes last; and
    // when anything changed, ModDate takes the current time. The custom fields end in
    // the set's order: those the file holds in that order, under the same names, keep
    // their entries; the ones after the first that does not are written anew, in order,
    // after them.
    void saveChanges(Tagora::TagoraInfo &library, const std::u16string &path,
                     const FieldSet &before) const;

private:
    static std::u16string keyOf(const std::u16string &name);

    std::u16string m_title;
    std::u16string m_author;
    std::u16string m_subject;
    std::u16string m_keywords;
    std::vector<FieldRef> m_fields;                       // in order of insertion
    std::unordered_map<std::u16string, FieldRef> m_byKey; // by case-folded name
    std::vector<std::u16string> m_readNames; // the entries of the last read, in file order
    std::array<bool, 8> m_holds{};           // the standard entries the last read found
    std::array<std::u16string, 4> m_kept; // the texts of Creator, Producer, CreationDate, ModDate
};

} // namespace Fields

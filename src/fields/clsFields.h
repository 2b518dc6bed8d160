// SPDX-License-Identifier: Apache-2.0
// clsFields: the document-information fields of one PDF while the dialog edits them,
// as the dialog and a host see them.
//
// The fields, their rules and the order of reading and writing are FieldSet's; this
// class adds what the component's objects promise on top: Title, Author, Subject and
// Keywords as properties, custom fields by position or by name (Field), every
// operation under the error trap, yields to the message loop while a PDF is read or
// written, and the events. GetDatas reads a PDF's information entries into the set;
// SaveDatas writes the set back, removing every entry the file lists first, and
// commits the library's save once at its end, so the file changes in one piece. Both
// raise WorkEnded once at their end whatever happened; SaveDatas raises WorkPercent as
// it goes; WorkError passes on every error number the library reports.
//
// Events go to one listener (setEvents), synchronously; a listener that throws is
// ignored there, and the operation goes on.
#pragma once

#include "FieldSet.h"
#include "clsField.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Automation {
class Variant;
}
namespace Tagora {
class TagoraInfo;
}

namespace Fields {

class clsFields
{
public:
    using FieldRef = FieldSet::FieldRef;

    // What a listener may follow. Every member does nothing by default.
    class Events
    {
    public:
        virtual ~Events() = default;
        virtual void WorkEnded(bool result);
        virtual void WorkPercent(std::int16_t Percent);
        virtual void WorkError(std::int32_t nError);
    };

    clsFields();
    // Clears the custom fields first.
    ~clsFields();
    clsFields(const clsFields &) = delete;
    clsFields &operator=(const clsFields &) = delete;

    // Where the events go from now on (nullptr: nowhere).
    void setEvents(Events *events) { m_events = events; }

    std::u16string Author() const { return m_set.author(); }
    void setAuthor(const std::u16string &value) { m_set.setAuthor(value); }
    std::u16string Keywords() const { return m_set.keywords(); }
    void setKeywords(const std::u16string &value) { m_set.setKeywords(value); }
    std::u16string Subject() const { return m_set.subject(); }
    void setSubject(const std::u16string &value) { m_set.setSubject(value); }
    std::u16string Title() const { return m_set.title(); }
    void setTitle(const std::u16string &value) { m_set.setTitle(value); }

    // Number of custom fields; the standard fields are not counted.
    int Count() const { return m_set.count(); }

    // The field at a position (a number, 1 to Count) or with a name (a text, letter
    // case ignored); none for anything else. Never reports a failure.
    FieldRef Field(const Automation::Variant &Index) const;

    // Adds a custom field at the end and returns it. A reserved name gives none and
    // changes nothing; a name the set holds already (ignoring case) gives that field,
    // unchanged. Trapped.
    FieldRef AddField(const std::u16string &fieldName, const std::u16string &fieldValue);
    // Removes every custom field; the standard fields keep their values. Trapped.
    void Clear();
    // Clear, then empties Title, Author, Subject and Keywords. Trapped.
    void ClearAll();
    // Empties the set and fills it from the PDF's information entries. Trapped.
    void GetDatas(const std::u16string &PDFPath);
    // False for the eight reserved names, compared exactly. Trapped.
    bool IsValidFieldName(const std::u16string &fieldName);
    // Takes the field with that name (ignoring case) out of the set and returns it;
    // none when there is no such field. Trapped.
    FieldRef RemoveField(const std::u16string &fieldName);
    // Writes the set into the PDF. Trapped.
    void SaveDatas(const std::u16string &PDFPath);

private:
    class LibraryEvents;

    std::shared_ptr<Tagora::TagoraInfo> createLibrary();
    void releaseLibrary();
    void raiseWorkEnded(bool result);
    void raiseWorkPercent(std::int16_t percent);
    void raiseWorkError(std::int32_t number);

    FieldSet m_set;
    Events *m_events = nullptr;
    // The library's events, turned into this set's.
    std::unique_ptr<LibraryEvents> m_libraryEvents;
    // The library object of the read or write in progress. Shared so that an
    // operation keeps its own object even if another one starts during a yield.
    std::shared_ptr<Tagora::TagoraInfo> m_vTagora;
    bool m_lastJob = false; // outcome of the library's last job
};

} // namespace Fields

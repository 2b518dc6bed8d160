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
#pragma once

#include "FieldSet.h"
#include "clsField.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

namespace Tagora {
class TagoraInfo;
}

namespace Fields {

class clsFields : public QObject
{
    Q_OBJECT

public:
    using FieldRef = FieldSet::FieldRef;

    explicit clsFields(QObject *parent = nullptr);
    // Clears the custom fields first.
    ~clsFields() override;

    QString Author() const { return m_set.author(); }
    void setAuthor(const QString &value) { m_set.setAuthor(value); }
    QString Keywords() const { return m_set.keywords(); }
    void setKeywords(const QString &value) { m_set.setKeywords(value); }
    QString Subject() const { return m_set.subject(); }
    void setSubject(const QString &value) { m_set.setSubject(value); }
    QString Title() const { return m_set.title(); }
    void setTitle(const QString &value) { m_set.setTitle(value); }

    // Number of custom fields; the standard fields are not counted.
    int Count() const { return m_set.count(); }

    // The field at a position (a whole number, 1 to Count) or with a name (a text,
    // letter case ignored); none for anything else. Never reports a failure.
    FieldRef Field(const QVariant &Index) const;

    // Adds a custom field at the end and returns it. A reserved name gives none and
    // changes nothing; a name the set holds already (ignoring case) gives that field,
    // unchanged. Trapped.
    FieldRef AddField(const QString &fieldName, const QString &fieldValue);
    // Removes every custom field; the standard fields keep their values. Trapped.
    void Clear();
    // Clear, then empties Title, Author, Subject and Keywords. Trapped.
    void ClearAll();
    // Empties the set and fills it from the PDF's information entries. Trapped.
    void GetDatas(const QString &PDFPath);
    // False for the eight reserved names, compared exactly. Trapped.
    bool IsValidFieldName(const QString &fieldName);
    // Takes the field with that name (ignoring case) out of the set and returns it;
    // none when there is no such field. Trapped.
    FieldRef RemoveField(const QString &fieldName);
    // Writes the set into the PDF. Trapped.
    void SaveDatas(const QString &PDFPath);

signals:
    void WorkEnded(bool result);
    void WorkPercent(qint16 Percent);
    void WorkError(qint32 nError);

private:
    std::shared_ptr<Tagora::TagoraInfo> createLibrary();
    void releaseLibrary();

    FieldSet m_set;
    // The library object of the read or write in progress. Shared so that an
    // operation keeps its own object even if another one starts during a yield.
    std::shared_ptr<Tagora::TagoraInfo> m_vTagora;
    bool m_lastJob = false; // outcome of the library's last job
};

} // namespace Fields

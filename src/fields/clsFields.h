// SPDX-License-Identifier: Apache-2.0
// clsFields: the document-information fields of one PDF while the dialog edits them.
//
// Four editable standard fields (Title, Author, Subject, Keywords) are plain text
// properties; custom fields are an ordered collection of clsField, positions counted
// from 1, keyed by name with letter case ignored ("Source" and "SOURCE" are one key;
// the field keeps the name it was added with). Two naming rules hold: no custom field
// bears one of the eight reserved names exactly (case-sensitive), and no two custom
// fields have names equal ignoring case. AddField is the only way in.
//
// GetDatas reads a PDF's information entries into the set through the PDF
// information library; SaveDatas writes the set back, removing every entry the file
// lists first. Both yield to the message loop while they work, raise WorkEnded once
// at their end whatever happened, and report their own failures through the error
// trap. SaveDatas raises WorkPercent as it goes; WorkError passes on every error
// number the library reports.
#pragma once

#include "clsField.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace Tagora {
class TagoraInfo;
}

namespace Fields {

class clsFields : public QObject
{
    Q_OBJECT

public:
    using FieldRef = std::shared_ptr<clsField>;

    explicit clsFields(QObject *parent = nullptr);
    // Clears the custom fields first.
    ~clsFields() override;

    QString Author() const { return m_author; }
    void setAuthor(const QString &value) { m_author = value; }
    QString Keywords() const { return m_keywords; }
    void setKeywords(const QString &value) { m_keywords = value; }
    QString Subject() const { return m_subject; }
    void setSubject(const QString &value) { m_subject = value; }
    QString Title() const { return m_title; }
    void setTitle(const QString &value) { m_title = value; }

    // Number of custom fields; the standard fields are not counted.
    int Count() const { return int(m_fields.size()); }

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
    static QString keyOf(const QString &name) { return name.toCaseFolded(); }
    FieldRef find(const QString &name) const;
    std::shared_ptr<Tagora::TagoraInfo> createLibrary();
    void releaseLibrary();

    QString m_title;
    QString m_author;
    QString m_subject;
    QString m_keywords;
    std::vector<FieldRef> m_fields;   // in order of insertion
    QHash<QString, FieldRef> m_byKey; // by case-folded name
    // The library object of the read or write in progress. Shared so that an
    // operation keeps its own object even if another one starts during a yield.
    std::shared_ptr<Tagora::TagoraInfo> m_vTagora;
    bool m_lastJob = false; // outcome of the library's last job
};

} // namespace Fields

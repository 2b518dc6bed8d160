// SPDX-License-Identifier: Apache-2.0
// ErrorObject: the error record a host reads through MainForm.LastError.
//
// The record holds a number, a description and a source; a new record reads 0 and
// two empty texts. The component's traps report through message boxes and never
// write into a record, so the host always finds a stable, present object.
// WriteLog writes the record as a block of text lines onto an open text stream.
#pragma once

#include <QObject>
#include <QString>

namespace Platform {
class TextStream;
}

namespace Plugin {

class ErrorObject : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "OrvFields.ErrorObject")
    Q_CLASSINFO("ClassID", "{8DFC2751-6440-4BD6-AB5E-B6671F25744C}")
    Q_CLASSINFO("Interface", "_ErrorObject")
    Q_CLASSINFO("InterfaceID", "{A5D37D0E-BEEE-483F-B397-345C6EC884DE}")
    Q_CLASSINFO("DispId:Description", "0x68030002")
    Q_CLASSINFO("DispId:Number", "0x68030001")
    Q_CLASSINFO("DispId:Source", "0x68030000")
    Q_PROPERTY(QString Description READ Description)
    Q_PROPERTY(int Number READ Number)
    Q_PROPERTY(QString Source READ Source)

public:
    explicit ErrorObject(QObject *parent = nullptr);

    QString Description() const { return m_description; }
    int Number() const { return m_number; }
    QString Source() const { return m_source; }

    // For use inside the component only.
    void setDescription(const QString &value) { m_description = value; }
    void setNumber(int value) { m_number = value; }
    void setSource(const QString &value) { m_source = value; }

    // Writes the block
    //     - Catch error <Number> -
    //     Description : <Description>
    //     Position : <Source>
    //     ---------------------   (as long as the first line)
    // onto `stream`; nothing when the stream is nothing. Trapped.
    void WriteLog(Platform::TextStream *stream);

private:
    QString m_description;
    int m_number = 0;
    QString m_source;
};

} // namespace Plugin

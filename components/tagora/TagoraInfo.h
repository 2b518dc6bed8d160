// TagoraInfo: reads and writes the document-information entries of a PDF file.
//
// Each of ReadInfo, RemoveInfoEntry, WriteStandardInfo and WriteInfoEntry runs as
// one job: it raises OnJobStart, then exactly one of OnJobDone or OnJobFail,
// synchronously, before it returns. A job that fails raises OnJobError with its
// error number, then OnJobFail, and the call then throws an AutomationError whose
// description names the file and the reason.
//
// ReadInfo loads the entries of the file's Info dictionary in the order they stand
// in the file; InfoName and InfoValue answer from that load until the next ReadInfo,
// whatever the write jobs change afterwards.
//
// Write jobs append one incremental update after the file's original bytes; within
// one object, each write job on a file replaces the update that this object appended
// before, so a sequence of writes adds exactly one revision to the file.
#pragma once

#include <QObject>
#include <QString>

class TagoraInfo : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "VrTagoraLib.TagoraInfo")
    Q_CLASSINFO("ClassID", "{A2350CC8-1C58-4347-8A31-4C3A23A76E63}")
    Q_CLASSINFO("Interface", "_TagoraInfo")
    Q_CLASSINFO("InterfaceID", "{85AA50FC-486D-4C8D-A9E7-CF7A0BD9758A}")
    Q_CLASSINFO("DispId:WriteStandardInfo", "0x60030000")
    Q_CLASSINFO("DispId:WriteInfoEntry", "0x60030001")
    Q_CLASSINFO("DispId:RemoveInfoEntry", "0x60030002")
    Q_CLASSINFO("DispId:ReadInfo", "0x60030003")
    Q_CLASSINFO("DispId:InfoName", "0x60030004")
    Q_CLASSINFO("DispId:InfoValue", "0x60030005")

public:
    explicit TagoraInfo(QObject *parent = nullptr);
    ~TagoraInfo() override;

    // Writes Title, Author, Subject and Keywords (an empty text removes the entry),
    // and Creator and Producer when given; empty Creator and Producer keep what the
    // file had when this object read it. Stamps ModDate with the current time.
    Q_INVOKABLE void WriteStandardInfo(const QString &path, const QString &title,
                                       const QString &author, const QString &subject,
                                       const QString &keywords, const QString &creator,
                                       const QString &producer);
    // Sets one entry (adds it at the end when the dictionary does not hold it).
    Q_INVOKABLE int WriteInfoEntry(const QString &path, const QString &name, const QString &value);
    // Removes one entry, named exactly.
    Q_INVOKABLE int RemoveInfoEntry(const QString &path, const QString &name);
    // Loads the entries; returns their number.
    Q_INVOKABLE int ReadInfo(const QString &path);
    Q_INVOKABLE QString InfoName(int index) const;
    Q_INVOKABLE QString InfoValue(int index) const;

signals:
    void OnJobStart(const QString &InputData, const QString &OutputData);
    void OnJobDone(const QString &InputData, const QString &OutputData);
    void OnJobFail(const QString &InputData, const QString &OutputData);
    void OnJobError(int nError);
    void OnJobPercentDone(int nPercentDone);
    void OnLogMessage(const QString &strMessage);
    void OnPageNumber(int nPageNumber);
};

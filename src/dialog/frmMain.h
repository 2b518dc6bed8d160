// SPDX-License-Identifier: Apache-2.0
// frmMain: the field editor dialog, the component's only window.
//
// MainForm::Show creates it (initialisation), loads it (captions, nothing is read),
// hands it the host's publication tree in PluginObject, lets the book-list filler
// fill cmbBooks, runs it modally and, once it is hidden, reads Canceled and then
// result to choose its closing message. Unload runs the close request and, unless
// that refuses, the unload.
//
// Once shown, the dialog loads the host's selected book (activation), and every
// book chosen in cmbBooks is read from its PDF into the field set vFields. Each edit
// goes straight into the set: the four standard boxes at every change, the custom
// fields through the events of the field list UserFields, where renames and value
// changes are checked first. Apply writes the set into the PDF and hides the dialog.
//
// Choices made here:
//  - Activation. The dialog runs its activation step once each time it is shown,
//    queued right after the show. Getting the focus back from a message box or from
//    another program is not an activation: the original toolkit raised the event
//    only between the component's own windows, and reloading there would throw
//    away the user's edits after every validation message.
//  - Input during Apply. From the moment Apply sets Working until the dialog hides,
//    mouse and keyboard input aimed at the dialog's controls is dropped before it
//    reaches them, so the screen cannot drift from what is being written; the
//    controls keep their look. The handlers that start work (book choice, the field
//    buttons, Cancel, Apply) also return at once while Working is true. A close
//    request is refused while Working is true.
//  - A close during a read. The close box is not refused while a book is read: the
//    dialog closes, unloads and hides at once, and the read is abandoned. The read
//    itself (the field set yields to the message loop while it runs) finishes on
//    the field set it started with, which stays alive until it returns; the dialog
//    then touches neither its controls nor the set any more. The field set's events
//    no longer reach the dialog after the unload.
//  - A rename to one of the reserved names of the field set (Title, Author ...,
//    compared exactly) is refused with the message for an existing name: the
//    document does have a field of that name, and accepting the rename would leave a
//    row on screen for a field the set no longer holds.
//
// Every control carries its name as object name ("txtField_0", "lblField_2",
// "cmdApply" ...). Enter and Escape press nothing in this dialog. The book list and
// the four boxes carry their label's caption as accessible name, set with the
// captions; a text cut off by its box shows whole in a tooltip.
#pragma once

#include "fields/clsFields.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Controls {
class VrnLabel;
class VrnProgressBar;
} // namespace Controls

namespace FieldList {
class VrnFieldList;
}

namespace Dialog {

class frmMain : public QDialog
{
    Q_OBJECT

public:
    // Builds the window and its controls at their places, then Form_Initialize: not
    // working, not canceled, no result, no publication object, a new field set,
    // FieldNumber 0.
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Form_Load: captions from the current language, the standard boxes emptied, the
    // list cleared, the bar and the panel hidden. Loading a loaded dialog does nothing.
    void Load();
    bool isLoaded() const { return m_loaded; }
    // The close request, then the unload; false when the close was refused. An
    // unloaded dialog stays as it is.
    bool Unload();

    QObject *PluginObject() const { return m_pluginObject; }
    void setPluginObject(QObject *value) { m_pluginObject = value; }
    bool Canceled() const { return m_canceled; }
    bool result() const { return m_result; }

    // The books of the publication, in tree order; only the selected position is read.
    QComboBox *cmbBooks() const { return m_cmbBooks; }

    // The field set of the book on screen; none once the dialog is unloaded.
    Fields::clsFields *vFields() const { return m_vFields.get(); }
    bool Working() const { return m_working; }
    // The highest number in the custom-field names generated or read so far.
    qint32 FieldNumber() const { return m_fieldNumber; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Drops input to the dialog's controls while Apply works.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void connectControls();

    void Form_Initialize();
    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload(bool &cancel);
    void Form_Unload();
    void cmdCancel_Click();
    void vFields_WorkEnded(bool result);
    void vFields_WorkPercent(qint16 Percent);

    void cmbBooks_Click();
    void txtField_Change(qint16 Index);
    void cmdPersoAdd_Click();
    void cmdPersoDel_Click();
    void cmdApply_Click();
    void UserFields_AddField(const QString &Name, const QString &Value);
    void UserFields_Change();
    void UserFields_ChangingFieldName(const QString &OldName, const QString &NewName, bool &Cancel);
    void UserFields_ChangingFieldValue(const QString &OldValue, const QString &NewValue,
                                       bool &Cancel);
    void UserFields_ChangeFieldName(const QString &OldName, const QString &NewName);
    void UserFields_ChangeFieldValue(const QString &Name, const QString &Value);
    void UserFields_RemoveField(const QString &Name, const QString &Value);
    void UserFields_SelectedChange();

    // The three display states of the book on screen: no PDF to edit, its PDF being
    // read, ready to edit (the texts and rows are the caller's).
    enum class Display
    {
        NoPdf,
        Reading,
        Ready
    };
    void setDisplay(Display state);
    // The close request, then the unload; false when the close was refused.
    bool queryUnload();
    void setWorking(bool working);

    QPointer<QObject> m_pluginObject;
    // Shared with a read under way, which keeps the set it reads into alive.
    std::shared_ptr<Fields::clsFields> m_vFields;
    bool m_working = false;
    bool m_canceled = false;
    bool m_result = false;
    qint32 m_fieldNumber = 0;
    bool m_loaded = false;
    bool m_activationQueued = false;

    QLabel *m_lblBook = nullptr;
    QComboBox *m_cmbBooks = nullptr;
    std::array<QLineEdit *, 4> m_txtField{};
    QPushButton *m_cmdPersoAdd = nullptr;
    QPushButton *m_cmdPersoDel = nullptr;
    FieldList::VrnFieldList *m_userFields = nullptr;
    QPushButton *m_cmdApply = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    Controls::VrnProgressBar *m_progress = nullptr;
    std::array<Controls::VrnLabel *, 4> m_lblField{};
    QLabel *m_lblPerso = nullptr;
    QFrame *m_boxNoFile = nullptr;
    QLabel *m_lblInfoError = nullptr;
    QLabel *m_lblInfo = nullptr;
};

} // namespace Dialog

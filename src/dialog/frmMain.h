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
//    right after the show. Getting the focus back from a message box or from
//    another program is not an activation: the original toolkit raised the event
//    only between the component's own windows, and reloading there would throw
//    away the user's edits after every validation message.
//  - Input during Apply. From the moment Apply sets Working until the dialog hides,
//    mouse and keyboard input aimed at the dialog's controls is dropped before it
//    reaches them (Form::setInputHeld), so the screen cannot drift from what is
//    being written; the controls keep their look. The handlers that start work
//    (book choice, the field buttons, Cancel, Apply) also return at once while
//    Working is true. A close request is refused while Working is true.
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
// The form and every control carry their name ("frmMain", "txtField_0",
// "lblField_2", "cmdApply" ...). Enter and Escape press nothing in this dialog. The
// book list and the four boxes carry their label's caption as accessible name, set
// with the captions.
#pragma once

#include "automation/Object.h"
#include "fieldlist/VrnFieldList.h"
#include "fields/clsFields.h"
#include "platform/Toolkit.h"

#include <array>
#include <cstdint>
#include <memory>

namespace Controls {
class VrnLabel;
class VrnProgressBar;
} // namespace Controls

namespace Dialog {

class frmMain
{
public:
    // Builds the window and its controls at their places, then Form_Initialize: not
    // working, not canceled, no result, no publication object, a new field set,
    // FieldNumber 0.
    frmMain();
    ~frmMain();
    frmMain(const frmMain &) = delete;
    frmMain &operator=(const frmMain &) = delete;

    // Form_Load: captions from the current language, the standard boxes emptied, the
    // list cleared, the bar and the panel hidden. Loading a loaded dialog does nothing.
    void Load();
    bool isLoaded() const { return m_loaded; }
    // The close request, then the unload; false when the close was refused. An
    // unloaded dialog stays as it is.
    bool Unload();
    // Shows the dialog modally and returns once it is hidden.
    void showModal();

    Automation::Ref<Automation::Object> PluginObject() const { return m_pluginObject; }
    void setPluginObject(const Automation::Ref<Automation::Object> &value)
    {
        m_pluginObject = value;
    }
    bool Canceled() const { return m_canceled; }
    bool result() const { return m_result; }

    Platform::Form &form() { return *m_form; }
    // The books of the publication, in tree order; only the selected position is read.
    Platform::DropDownList &cmbBooks() { return *m_cmbBooks; }

    // The field set of the book on screen; none once the dialog is unloaded.
    Fields::clsFields *vFields() const { return m_vFields.get(); }
    bool Working() const { return m_working; }
    // The highest number in the custom-field names generated or read so far.
    std::int32_t FieldNumber() const { return m_fieldNumber; }

private:
    class UserFieldsEvents;
    class FieldsEvents;

    void createControls();
    void connectControls();

    void Form_Initialize();
    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload(bool &cancel);
    void Form_Unload();
    void cmdCancel_Click();
    void vFields_WorkEnded(bool result);
    void vFields_WorkPercent(std::int16_t Percent);

    void cmbBooks_Click();
    void txtField_Change(std::int16_t Index);
    void cmdPersoAdd_Click();
    void cmdPersoDel_Click();
    void cmdApply_Click();
    void UserFields_AddField(const std::u16string &Name, const std::u16string &Value);
    void UserFields_Change();
    void UserFields_ChangingFieldName(const std::u16string &OldName, const std::u16string &NewName,
                                      bool &Cancel);
    void UserFields_ChangingFieldValue(const std::u16string &OldValue,
                                       const std::u16string &NewValue, bool &Cancel);
    void UserFields_ChangeFieldName(const std::u16string &OldName, const std::u16string &NewName);
    void UserFields_ChangeFieldValue(const std::u16string &Name, const std::u16string &Value);
    void UserFields_RemoveField(const std::u16string &Name, const std::u16string &Value);
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

    // The form first: the controls in it go before it.
    std::unique_ptr<Platform::Form> m_form;
    std::unique_ptr<Platform::Label> m_lblBook;
    std::unique_ptr<Platform::DropDownList> m_cmbBooks;
    std::array<std::unique_ptr<Platform::TextBox>, 4> m_txtField;
    std::unique_ptr<Platform::Button> m_cmdPersoAdd;
    std::unique_ptr<Platform::Button> m_cmdPersoDel;
    Automation::Ref<FieldList::VrnFieldList> m_userFields;
    std::unique_ptr<Platform::Button> m_cmdApply;
    std::unique_ptr<Platform::Button> m_cmdCancel;
    std::unique_ptr<Controls::VrnProgressBar> m_progress;
    std::array<std::unique_ptr<Controls::VrnLabel>, 4> m_lblField;
    std::unique_ptr<Platform::Label> m_lblPerso;
    std::unique_ptr<Platform::Panel> m_boxNoFile;
    std::unique_ptr<Platform::Label> m_lblInfoError;
    std::unique_ptr<Platform::Label> m_lblInfo;
    std::unique_ptr<UserFieldsEvents> m_userFieldsEvents;
    std::unique_ptr<FieldsEvents> m_fieldsEvents;

    Automation::Ref<Automation::Object> m_pluginObject;
    // Shared with a read under way, which keeps the set it reads into alive.
    std::shared_ptr<Fields::clsFields> m_vFields;
    // False once the dialog is destroyed: a handler that yielded to the message loop
    // looks at it before it goes on.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_working = false;
    bool m_canceled = false;
    bool m_result = false;
    std::int32_t m_fieldNumber = 0;
    bool m_loaded = false;
};

} // namespace Dialog

// SPDX-License-Identifier: Apache-2.0
#include "frmMain.h"

#include "LeadingNumber.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "automation/Variant.h"
#include "controls/VrnLabel.h"
#include "controls/VrnProgressBar.h"
#include "i18n/mdlLanguage.h"
#include "platform/DoEvents.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/SystemColors.h"
#include "platform/Twips.h"
#include "publication/mdlFunctions.h"
#include "publication/mdlTreeview.h"
#include "trap/ErrorTrap.h"

#include <limits>
#include <string>
#include <vector>

namespace Dialog {

using Fields::clsFields;
using Trap::ErrorTrap;
using namespace Platform;

namespace {

// The client area, in twips.
constexpr int ClientWidth = 5145;
constexpr int ClientHeight = 4215;

constexpr OleColor WindowBackground = SystemColor(COLOR_WINDOW);
constexpr OleColor GreyText = SystemColor(COLOR_GRAYTEXT);
constexpr OleColor ButtonText = SystemColor(COLOR_BTNTEXT);
constexpr OleColor Light3D = SystemColor(COLOR_3DLIGHT);
// Dark red: red 192, green 0, blue 0.
constexpr OleColor DarkRed = MakeRgb(192, 0, 0);

std::u16string text(const char16_t *key)
{
    return mdlLanguage::GetText(key);
}

// A control's place given in twips, converted once here.
Rect twips(int left, int top, int width, int height)
{
    return {TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
            TwipsToPixelsY(height)};
}

template <class Made> Made place(Made control, const Rect &where)
{
    control->setGeometry(where);
    return control;
}

std::string numbered(const char *name, std::size_t index)
{
    return name + std::to_string(index);
}

} // namespace

// The field list's events, handed to the dialog's handlers.
class frmMain::UserFieldsEvents : public FieldList::VrnFieldList::Events
{
public:
    explicit UserFieldsEvents(frmMain &dialog) : m_dialog(dialog) {}

    void AddField(const std::u16string &Name, const std::u16string &Value) override
    {
        m_dialog.UserFields_AddField(Name, Value);
    }
    void Change() override { m_dialog.UserFields_Change(); }
    void ChangingFieldName(const std::u16string &OldName, const std::u16string &NewName,
                           bool &Cancel) override
    {
        m_dialog.UserFields_ChangingFieldName(OldName, NewName, Cancel);
    }
    void ChangingFieldValue(const std::u16string &OldValue, const std::u16string &NewValue,
                            bool &Cancel) override
    {
        m_dialog.UserFields_ChangingFieldValue(OldValue, NewValue, Cancel);
    }
    void ChangeFieldName(const std::u16string &OldName, const std::u16string &NewName) override
    {
        m_dialog.UserFields_ChangeFieldName(OldName, NewName);
    }
    void ChangeFieldValue(const std::u16string &Name, const std::u16string &Value) override
    {
        m_dialog.UserFields_ChangeFieldValue(Name, Value);
    }
    void RemoveField(const std::u16string &Name, const std::u16string &Value) override
    {
        m_dialog.UserFields_RemoveField(Name, Value);
    }
    void SelectedChange() override { m_dialog.UserFields_SelectedChange(); }

private:
    frmMain &m_dialog;
};

// The field set's events, handed to the dialog's handlers.
class frmMain::FieldsEvents : public clsFields::Events
{
public:
    explicit FieldsEvents(frmMain &dialog) : m_dialog(dialog) {}

    void WorkEnded(bool result) override { m_dialog.vFields_WorkEnded(result); }
    void WorkPercent(std::int16_t Percent) override { m_dialog.vFields_WorkPercent(Percent); }

private:
    frmMain &m_dialog;
};

frmMain::frmMain()
    : m_form(createForm("frmMain")), m_userFieldsEvents(std::make_unique<UserFieldsEvents>(*this)),
      m_fieldsEvents(std::make_unique<FieldsEvents>(*this))
{
    m_form->setIcon("frmMain");
    // Tahoma where it is installed; else a narrow face of similar width, so that
    // the captions fit the controls drawn for Tahoma.
    m_form->setFont(u"Tahoma;DejaVu Sans Condensed", 8.25);
    m_form->setClientSize(TwipsToPixelsX(ClientWidth), TwipsToPixelsY(ClientHeight));

    createControls();
    connectControls();
    Form_Initialize();
}

frmMain::~frmMain()
{
    *m_alive = false;
    // The controls go after this body: none of their notifications may reach a
    // dialog that is being destroyed.
    m_form->onActivate = nullptr;
    m_form->onQueryUnload = nullptr;
    m_cmbBooks->onClick = nullptr;
    for (const std::unique_ptr<TextBox> &box : m_txtField)
        box->onChange = nullptr;
    for (Button *button :
         {m_cmdPersoAdd.get(), m_cmdPersoDel.get(), m_cmdApply.get(), m_cmdCancel.get()})
        button->onClick = nullptr;
    m_userFields->setEvents(nullptr);
    if (m_vFields)
        m_vFields->setEvents(nullptr);
}

// Created in tab order, which gives the keyboard order; the panel last, above all.
void frmMain::createControls()
{
    Form &form = *m_form;
    m_lblBook = place(createLabel(form, "lblBook"), twips(120, 150, 1335, 255));
    m_cmbBooks = place(createDropDownList(form, "cmbBooks"), twips(2040, 120, 3015, 315));
    for (std::size_t i = 0; i < 4; ++i) {
        m_txtField[i] = place(createTextBox(form, numbered("txtField_", i)),
                              twips(2040, 480 + 270 * int(i), 3015, 285));
        m_txtField[i]->setBackColor(WindowBackground);
    }
    m_cmdPersoAdd = place(createButton(form, "cmdPersoAdd"), twips(3000, 1665, 975, 285));
    m_cmdPersoDel = place(createButton(form, "cmdPersoDel"), twips(4080, 1665, 975, 285));
    m_userFields = FieldList::VrnFieldList::create(&form, "UserFields");
    m_userFields->setGeometry(twips(120, 2040, 4935, 1635));
    m_cmdApply = place(createButton(form, "cmdApply"), twips(4200, 3840, 855, 320));
    m_cmdCancel = place(createButton(form, "cmdCancel"), twips(3240, 3840, 855, 320));
    m_progress = std::make_unique<Controls::VrnProgressBar>(form, "progress");
    m_progress->control().setGeometry(twips(120, 3840, 3015, 315));

    for (std::size_t i = 0; i < 4; ++i) {
        m_lblField[i] = std::make_unique<Controls::VrnLabel>(form, numbered("lblField_", i));
        m_lblField[i]->control().setGeometry(twips(120, 480 + 270 * int(i), 1935, 285));
    }
    m_lblPerso = place(createLabel(form, "lblPerso"), twips(120, 1710, 2415, 255));
    m_lblPerso->setForeColor(GreyText);

    m_boxNoFile = place(createPanel(form, "boxNoFile"), twips(840, 1200, 3495, 1455));
    m_lblInfoError = place(createLabel(*m_boxNoFile, "lblInfoError"), twips(240, 300, 3015, 735));
    m_lblInfoError->setAlignment(Alignment::Centre);
    m_lblInfoError->setWordWrap(true);
    m_lblInfoError->setForeColor(DarkRed);
    m_lblInfo = place(createLabel(*m_boxNoFile, "lblInfo"), twips(120, 600, 3255, 255));
    m_lblInfo->setAlignment(Alignment::Centre);
    m_boxNoFile->raise();
}

void frmMain::connectControls()
{
    m_form->onActivate = [this] {
        // Once per showing, after the show has been handled (see the header).
        if (m_loaded && m_form->isVisible())
            Form_Activate();
    };
    m_form->onQueryUnload = [this](bool &cancel) {
        if (m_loaded && !queryUnload())
            cancel = true;
    };
    m_cmbBooks->onClick = [this] {
        cmbBooks_Click();
    };
    for (std::size_t i = 0; i < 4; ++i)
        m_txtField[i]->onChange = [this, i] {
            txtField_Change(std::int16_t(i));
        };
    m_cmdPersoAdd->onClick = [this] {
        cmdPersoAdd_Click();
    };
    m_cmdPersoDel->onClick = [this] {
        cmdPersoDel_Click();
    };
    m_cmdApply->onClick = [this] {
        cmdApply_Click();
    };
    m_cmdCancel->onClick = [this] {
        cmdCancel_Click();
    };
    m_userFields->setEvents(m_userFieldsEvents.get());
}

// ---- lifecycle

void frmMain::Form_Initialize()
{
    ErrorTrap trap(u"frmMain.Form_Initialize");
    trap.run([&] {
        trap.at(1);
        m_working = false;
        m_canceled = false;
        m_result = false;
        trap.at(2);
        m_pluginObject.reset();
        // Step 3, the file-system object, has no counterpart: file questions are
        // plain functions here.
        trap.at(4);
        m_vFields = std::make_shared<clsFields>();
        m_vFields->setEvents(m_fieldsEvents.get());
        trap.at(5);
        m_fieldNumber = 0;
    });
}

void frmMain::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void frmMain::Form_Load()
{
    ErrorTrap trap(u"frmMain.Form_Load");
    trap.run([&] {
        trap.at(1);
        m_form->setCaption(text(u"WinMainTitle"));
        m_lblBook->setCaption(text(u"WinMainBookChoice"));
        const char16_t *fieldKeys[] = {u"WinMainFieldTitle", u"WinMainFieldAuthor",
                                       u"WinMainFieldSubject", u"WinMainFieldKeywords"};
        for (std::size_t i = 0; i < 4; ++i)
            m_lblField[i]->setCaption(text(fieldKeys[i]));
        // Screen readers learn what a box is from its name.
        m_cmbBooks->setAccessibleName(m_lblBook->caption());
        for (std::size_t i = 0; i < 4; ++i)
            m_txtField[i]->setAccessibleName(m_lblField[i]->Caption());
        trap.at(2);
        for (const std::unique_ptr<TextBox> &box : m_txtField)
            box->setText({});
        trap.at(3);
        m_lblPerso->setCaption(text(u"WinMainPersoFields"));
        m_cmdPersoAdd->setCaption(text(u"WinMainFieldAdd"));
        m_cmdPersoDel->setCaption(text(u"WinMainFieldRemove"));
        trap.at(4);
        m_userFields->Clear();
        m_userFields->setLockOnEnter(false);
        trap.at(5);
        m_cmdApply->setCaption(text(u"WinMainApply"));
        m_cmdCancel->setCaption(text(u"WinMainCancel"));
        m_lblInfo->setCaption(text(u"ProcessGet"));
        m_lblInfoError->setCaption(text(u"ProcessBookNotPublished"));
        trap.at(6);
        m_progress->setVisible(false);
        m_boxNoFile->hide();
    });
}

void frmMain::showModal()
{
    m_form->showModal();
}

void frmMain::Form_Activate()
{
    ErrorTrap trap(u"frmMain.Form_Activate");
    trap.run([&] {
        trap.at(1);
        m_form->repaint();
        trap.at(2);
        mdlTreeview::InitCombo(*m_cmbBooks, m_pluginObject.get());
        trap.at(3);
        cmbBooks_Click();
    });
}

bool frmMain::Unload()
{
    if (!m_loaded)
        return true;
    if (!queryUnload())
        return false;
    m_form->hide();
    return true;
}

bool frmMain::queryUnload()
{
    bool cancel = false;
    Form_QueryUnload(cancel);
    if (cancel)
        return false;
    Form_Unload();
    m_loaded = false;
    return true;
}

void frmMain::Form_QueryUnload(bool &cancel)
{
    ErrorTrap trap(u"frmMain.Form_QueryUnload");
    trap.run([&] {
        trap.at(1);
        if (m_working)
            cancel = true;
        trap.at(2);
        // Also when refused: a close refused during Apply is undone by Apply itself,
        // which clears the flag before it hides the dialog.
        m_canceled = true;
    });
}

void frmMain::Form_Unload()
{
    ErrorTrap trap(u"frmMain.Form_Unload");
    trap.run([&] {
        trap.at(1);
        // A read under way holds the set until it returns; its events end here.
        if (m_vFields)
            m_vFields->setEvents(nullptr);
        m_vFields.reset();
        trap.at(2);
        m_pluginObject.reset();
    });
}

void frmMain::cmdCancel_Click()
{
    // While Apply writes, Cancel takes no effect.
    if (m_working)
        return;
    ErrorTrap trap(u"frmMain.cmdCancel_Click");
    trap.run([&] {
        trap.at(1);
        m_canceled = true;
    });
    m_form->hide();
}

void frmMain::vFields_WorkEnded(bool /*result*/)
{
    // The end of a read or a write is known from the return of GetDatas or SaveDatas.
}

void frmMain::vFields_WorkPercent(std::int16_t Percent)
{
    m_progress->setValue(Percent);
    DoEvents();
}

void frmMain::setWorking(bool working)
{
    if (working == m_working)
        return;
    m_working = working;
    m_form->setInputHeld(working);
}

// ---- display states

void frmMain::setDisplay(Display state)
{
    const bool ready = state == Display::Ready;
    if (ready) {
        m_boxNoFile->hide();
        m_cmbBooks->setEnabled(true);
        m_cmdApply->setEnabled(true);
        m_cmdCancel->setEnabled(true);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        m_lblField[i]->setEnabled(ready);
        m_lblField[i]->setForeColor(ready ? ButtonText : GreyText);
        m_txtField[i]->setEnabled(ready);
        m_txtField[i]->setBackColor(ready ? WindowBackground : Light3D);
    }
    m_lblPerso->setEnabled(ready);
    m_lblPerso->setForeColor(ready ? ButtonText : GreyText);
    m_cmdPersoAdd->setEnabled(ready);
    // Once ready, Delete follows the list's rows and selection.
    if (!ready)
        m_cmdPersoDel->setEnabled(false);
    // Without a PDF the rows of the book before stay on screen.
    if (state == Display::Reading)
        m_userFields->Clear();
    m_userFields->setListEnabled(ready);
    switch (state) {
    case Display::NoPdf:
        m_lblInfo->hide();
        m_lblInfoError->show();
        m_boxNoFile->show();
        m_cmdApply->setEnabled(false);
        break;
    case Display::Reading:
        m_cmdApply->setEnabled(false);
        m_cmdCancel->setEnabled(false);
        m_cmbBooks->setEnabled(false);
        m_lblInfoError->hide();
        m_lblInfo->show();
        m_boxNoFile->show();
        break;
    case Display::Ready:
        break;
    }
}

// ---- book selection and loading

void frmMain::cmbBooks_Click()
{
    ErrorTrap trap(u"frmMain.cmbBooks_Click");
    trap.run([&] {
        trap.at(1);
        // Not yet shown (the list is being filled), already closed, or writing.
        if (!m_form->isVisible() || !m_loaded || m_working)
            return;
        const std::shared_ptr<bool> alive = m_alive;
        // The read keeps its own reference: a close during the read releases the
        // dialog's, not the set being read into.
        const std::shared_ptr<clsFields> fields = m_vFields;
        // After each yield: was the window closed, or the dialog destroyed?
        auto abandoned = [&] {
            return !*alive || !m_loaded;
        };

        trap.at(2);
        const std::u16string path =
            mdlFunctions::GetPdfPath(m_pluginObject.get(), m_cmbBooks->selectedIndex());
        trap.at(3);
        if (!FileExists(path)) {
            setDisplay(Display::NoPdf);
            return;
        }

        trap.at(4);
        setDisplay(Display::Reading);
        DoEvents();
        if (abandoned())
            return;
        m_progress->setValue(0);
        m_progress->setVisible(true);

        trap.at(5);
        fields->GetDatas(path);
        if (abandoned())
            return;

        trap.at(6);
        m_progress->setVisible(false);
        DoEvents();
        if (abandoned())
            return;
        setDisplay(Display::Ready);
        m_txtField[0]->setText(fields->Title());
        m_txtField[1]->setText(fields->Author());
        m_txtField[2]->setText(fields->Subject());
        m_txtField[3]->setText(fields->Keywords());

        trap.at(7);
        m_fieldNumber = 0;
        const int n = fields->Count();
        // Taken before the rows are added: each row added takes the focus from the
        // one before, whose commit moves that field to the end of the set.
        std::vector<clsFields::FieldRef> read;
        for (int i = 1; i <= n; ++i)
            read.push_back(fields->Field(i));
        const std::u16string word = text(u"WinMainField");
        for (const clsFields::FieldRef &field : read) {
            const std::int32_t number = GeneratedNumber(field->Name(), word);
            if (number > m_fieldNumber)
                m_fieldNumber = number;
            m_userFields->AddElem(field->Name(), field->Content(), true);
        }

        trap.at(8);
        if (fields->Count() >= 1)
            m_cmdPersoDel->setEnabled(true);

        trap.at(9);
        TextBox &title = *m_txtField[0];
        title.setSelection(0, 0);
        if (!title.text().empty())
            title.setSelection(0, int(title.text().size()));
        title.setFocus();

        trap.at(10);
        m_cmdApply->setEnabled(true);
    });
}

// ---- editing

void frmMain::txtField_Change(std::int16_t Index)
{
    ErrorTrap trap(u"frmMain.txtField_Change");
    trap.run([&] {
        trap.at(1);
        if (!m_vFields || Index < 0 || Index > 3)
            return;
        const std::u16string value = m_txtField[std::size_t(Index)]->text();
        switch (Index) {
        case 0:
            m_vFields->setTitle(value);
            break;
        case 1:
            m_vFields->setAuthor(value);
            break;
        case 2:
            m_vFields->setSubject(value);
            break;
        case 3:
            m_vFields->setKeywords(value);
            break;
        }
    });
}

void frmMain::cmdPersoAdd_Click()
{
    if (m_working)
        return;
    ErrorTrap trap(u"frmMain.cmdPersoAdd_Click");
    trap.run([&] {
        trap.at(1);
        if (m_fieldNumber == std::numeric_limits<std::int32_t>::max())
            Automation::raise(Automation::Overflow);
        const std::int32_t number = m_fieldNumber + 1;
        m_fieldNumber = number;
        trap.at(2);
        const std::u16string name = text(u"WinMainField") + Automation::decimal(number);
        trap.at(3);
        m_userFields->AddElem(name, text(u"WinMainMyValue"), true);
    });
}

void frmMain::cmdPersoDel_Click()
{
    if (m_working)
        return;
    ErrorTrap trap(u"frmMain.cmdPersoDel_Click");
    trap.run([&] {
        trap.at(1);
        const std::int32_t selected = m_userFields->SelectedIndex();
        if (selected >= 1)
            m_userFields->RemoveElem(selected);
    });
}

void frmMain::UserFields_AddField(const std::u16string &Name, const std::u16string &Value)
{
    ErrorTrap trap(u"frmMain.UserFields_AddField");
    trap.run([&] {
        trap.at(1);
        if (m_vFields)
            m_vFields->AddField(Name, Value);
    });
}

void frmMain::UserFields_RemoveField(const std::u16string &Name, const std::u16string & /*Value*/)
{
    ErrorTrap trap(u"frmMain.UserFields_RemoveField");
    trap.run([&] {
        trap.at(1);
        if (m_vFields)
            m_vFields->RemoveField(Name);
    });
}

void frmMain::UserFields_Change()
{
    ErrorTrap trap(u"frmMain.UserFields_Change");
    trap.run([&] {
        trap.at(1);
        m_cmdPersoDel->setEnabled(m_userFields->Count() >= 1 && m_userFields->SelectedIndex() >= 1);
    });
}

void frmMain::UserFields_SelectedChange()
{
    ErrorTrap trap(u"frmMain.UserFields_SelectedChange");
    trap.run([&] {
        trap.at(1);
        m_cmdPersoDel->setEnabled(m_userFields->SelectedIndex() != 0);
    });
}

void frmMain::UserFields_ChangingFieldName(const std::u16string &OldName,
                                           const std::u16string &NewName, bool &Cancel)
{
    ErrorTrap trap(u"frmMain.UserFields_ChangingFieldName");
    trap.run([&] {
        trap.at(1);
        if (NewName == OldName)
            return;
        if (m_working || !m_vFields) {
            Cancel = true;
            return;
        }
        trap.at(2);
        if (NewName.empty()) {
            MsgBox(text(u"ProcessFieldNameCantEmpty"), vbOKOnly);
            Cancel = true;
            return;
        }
        trap.at(3);
        if (m_vFields->Field(NewName) || !m_vFields->IsValidFieldName(NewName)) {
            MsgBox(text(u"ProcessFieldNameExist"), vbOKOnly);
            Cancel = true;
            return;
        }
    });
}

void frmMain::UserFields_ChangingFieldValue(const std::u16string &OldValue,
                                            const std::u16string &NewValue, bool &Cancel)
{
    ErrorTrap trap(u"frmMain.UserFields_ChangingFieldValue");
    trap.run([&] {
        trap.at(1);
        if (NewValue == OldValue)
            return;
        if (m_working || !m_vFields) {
            Cancel = true;
            return;
        }
        if (NewValue.empty()) {
            MsgBox(text(u"ProcessFieldValueCantEmpty"), vbOKOnly);
            Cancel = true;
        }
    });
}

void frmMain::UserFields_ChangeFieldName(const std::u16string &OldName,
                                         const std::u16string &NewName)
{
    ErrorTrap trap(u"frmMain.UserFields_ChangeFieldName");
    trap.run([&] {
        trap.at(1);
        if (!m_vFields)
            return;
        const clsFields::FieldRef field = m_vFields->RemoveField(OldName);
        if (!field)
            return;
        trap.at(2);
        field->setName(NewName);
        const std::u16string content = field->Content();
        trap.at(3);
        m_vFields->AddField(NewName, content);
    });
}

void frmMain::UserFields_ChangeFieldValue(const std::u16string &Name, const std::u16string &Value)
{
    ErrorTrap trap(u"frmMain.UserFields_ChangeFieldValue");
    trap.run([&] {
        trap.at(1);
        if (!m_vFields)
            return;
        if (const clsFields::FieldRef field = m_vFields->Field(Name))
            field->setContent(Value);
    });
}

// ---- Apply

void frmMain::cmdApply_Click()
{
    bool ended = false; // the dialog stays open (a second click, a locked file)
    const std::shared_ptr<bool> alive = m_alive;
    ErrorTrap trap(u"frmMain.cmdApply_Click");
    const bool done = trap.run([&] {
        trap.at(1);
        if (m_working || !m_vFields)
            return;
        trap.at(2);
        setWorking(true);
        trap.at(3);
        m_progress->setValue(0);
        m_progress->setVisible(true);
        trap.at(4);
        const std::u16string path =
            mdlFunctions::GetPdfPath(m_pluginObject.get(), m_cmbBooks->selectedIndex());
        trap.at(5);
        if (FileExists(path)) {
            if (mdlFunctions::IsFileLocked(path)) {
                MsgBox(text(u"ProcessFileLocked"), vbCritical);
                m_progress->setVisible(false);
                setWorking(false);
                return;
            }
            // The write keeps the set alive, whatever happens to the dialog meanwhile.
            const std::shared_ptr<clsFields> fields = m_vFields;
            fields->SaveDatas(path);
            if (!*alive)
                return;
        }
        trap.at(6);
        m_result = true;
        trap.at(7);
        setWorking(false);
        m_canceled = false;
        ended = true;
        m_form->hide();
    });
    if (!done && *alive && !ended) {
        m_result = false;
        setWorking(false);
        m_canceled = false;
        m_form->hide();
    }
}

} // namespace Dialog

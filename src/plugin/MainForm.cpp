// SPDX-License-Identifier: Apache-2.0
#include "MainForm.h"

#include "ErrorObject.h"
#include "automation/ClassInfo.h"
#include "dialog/frmMain.h"
#include "i18n/mdlLanguage.h"
#include "platform/MessageBox.h"
#include "publication/mdlFunctions.h"
#include "trap/ErrorTrap.h"

namespace Plugin {

using Automation::ClassBuilder;
using Trap::ErrorTrap;

const Automation::ClassInfo &MainForm::staticClassInfo()
{
    // Slot order and dispatch identifiers of _MainForm; Language's setter stands
    // before its getter.
    static const Automation::ClassInfo info =
        ClassBuilder<MainForm>("MainForm", "OrvFields.MainForm",
                               "{DF1F9393-7797-4F8A-8277-02B50C3F1C8F}", InterfaceName,
                               "{8792A838-423B-43F0-8DEE-0F0BD19C19B8}")
            .get("CreateLogFile", 0x40030004, &MainForm::CreateLogFile)
            .put("CreateLogFile", 0x40030004, &MainForm::setCreateLogFile)
            .get("CreatorField", 0x40030006, &MainForm::CreatorField)
            .put("CreatorField", 0x40030006, &MainForm::setCreatorField)
            .get("PluginState", 0x40030007, &MainForm::PluginState)
            .putRef("PluginState", 0x40030007, &MainForm::setPluginState)
            .get("PluginPercent", 0x40030008, &MainForm::PluginPercent)
            .putRef("PluginPercent", 0x40030008, &MainForm::setPluginPercent)
            .get("PluginObject", 0x40030009, &MainForm::PluginObject)
            .putRef("PluginObject", 0x40030009, &MainForm::setPluginObject)
            .get("PluginVariable", 0x4003000A, &MainForm::PluginVariable)
            .put("PluginVariable", 0x4003000A, &MainForm::setPluginVariable)
            .putRef("PluginVariable", 0x4003000A, &MainForm::setPluginVariable)
            .get("Parent", 0x4003000B, &MainForm::Parent)
            .putRef("Parent", 0x4003000B, &MainForm::setParent)
            .get("InputNeed", 0x68030003, &MainForm::InputNeed)
            .put("Language", 0x68030002, &MainForm::setLanguage)
            .get("Language", 0x68030002, &MainForm::Language)
            .get("LastError", 0x68030001, &MainForm::LastError)
            .get("Reload", 0x68030000, &MainForm::Reload)
            .method("LoadSettings", 0x60030006, &MainForm::LoadSettings, {"ApplicationName"})
            .method("SaveSettings", 0x60030007, &MainForm::SaveSettings, {"ApplicationName"})
            .method("Show", 0x60030008, &MainForm::Show)
            .build();
    return info;
}

const Automation::ClassInfo *MainForm::classInfo() const
{
    return &staticClassInfo();
}

MainForm::MainForm()
{
    ErrorTrap trap(u"MainForm.Class_Initialize");
    trap.run([&] {
        trap.at(1);
        m_lastError = Automation::make<ErrorObject>();
        trap.at(2);
        m_language = 0;
        trap.at(3);
        mdlLanguage::LoadLanguage();
    });
}

MainForm::~MainForm()
{
    ErrorTrap trap(u"MainForm.Class_Terminate");
    trap.run([&] {
        trap.at(1);
        m_lastError.reset();
        trap.at(2);
        m_dialog.reset();
        trap.at(3);
        m_pluginState.reset();
        m_pluginPercent.reset();
        m_pluginObject.reset();
        if (m_pluginVariable.isObject())
            m_pluginVariable = Automation::Variant();
        m_parent.reset();
    });
}

void MainForm::setLanguage(std::int32_t value)
{
    ErrorTrap trap(u"MainForm.Language");
    trap.run([&] {
        trap.at(1);
        m_language = value;
        trap.at(2);
        mdlLanguage::SetLanguage(value != 0 ? u"english" : u"french");
    });
}

Automation::Ref<ErrorObject> MainForm::LastError()
{
    if (!m_lastError)
        m_lastError = Automation::make<ErrorObject>();
    return m_lastError;
}

void MainForm::LoadSettings(std::u16string &ApplicationName)
{
    static_cast<void>(ApplicationName);
}

void MainForm::SaveSettings(std::u16string &ApplicationName)
{
    static_cast<void>(ApplicationName);
}

void MainForm::Show()
{
    ErrorTrap trap(u"MainForm.Show");
    trap.run([&] {
        trap.at(1);
        m_dialog = std::make_unique<Dialog::frmMain>();
        m_dialog->Load();
        trap.at(2);
        m_dialog->setPluginObject(m_pluginObject);
        trap.at(3);
        if (mdlFunctions::IsInvalidPublication(m_pluginObject.get())) {
            // The message is looked up before the title.
            const std::u16string message = mdlLanguage::GetText(u"ProcessInvalidPublication");
            Platform::MsgBox(message, Platform::vbCritical, mdlLanguage::GetText(u"PluginName"));
        } else {
            trap.at(4);
            // The filler reports its own failure; the dialog is then closed unseen.
            if (mdlFunctions::FillBooksList(m_dialog->cmbBooks(), m_pluginObject.get())) {
                trap.at(5);
                // Modal without an owner window: the dialog's run ends when it hides.
                m_dialog->showModal();
                trap.at(6);
                if (!m_dialog->Canceled()) {
                    const bool done = m_dialog->result();
                    const std::u16string message =
                        mdlLanguage::GetText(done ? u"ProcessSuccess" : u"ProcessError");
                    Platform::MsgBox(message, done ? Platform::vbInformation : Platform::vbCritical,
                                     mdlLanguage::GetText(u"PluginName"));
                }
            }
        }
        trap.at(7);
        m_dialog->Unload();
        m_dialog.reset();
    });
}

} // namespace Plugin

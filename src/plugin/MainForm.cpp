// SPDX-License-Identifier: Apache-2.0
#include "MainForm.h"

#include "ErrorObject.h"
#include "automation/Variant.h"
#include "dialog/frmMain.h"
#include "i18n/mdlLanguage.h"
#include "platform/MessageBox.h"
#include "publication/mdlFunctions.h"
#include "trap/ErrorTrap.h"

namespace Plugin {

using Trap::ErrorTrap;

MainForm::MainForm(QObject *parent) : QObject(parent)
{
    ErrorTrap trap(QStringLiteral("MainForm.Class_Initialize"));
    trap.run([&] {
        trap.at(1);
        m_lastError = std::make_unique<ErrorObject>();
        trap.at(2);
        m_language = 0;
        trap.at(3);
        mdlLanguage::LoadLanguage();
    });
}

MainForm::~MainForm()
{
    ErrorTrap trap(QStringLiteral("MainForm.Class_Terminate"));
    trap.run([&] {
        trap.at(1);
        m_lastError.reset();
        trap.at(2);
        m_dialog.reset();
        trap.at(3);
        m_pluginState.clear();
        m_pluginPercent.clear();
        m_pluginObject.clear();
        if (Automation::Variant::isObject(m_pluginVariable)) {
            m_pluginVariable.clear();
            m_pluginVariableObject.clear();
        }
        m_parent.clear();
    });
}

QVariant MainForm::PluginVariable() const
{
    // An object held in the variant reads as Nothing once its owner destroyed it.
    if (Automation::Variant::isObject(m_pluginVariable))
        return Automation::Variant::fromObject(m_pluginVariableObject);
    return m_pluginVariable;
}

void MainForm::setPluginVariable(const QVariant &value)
{
    m_pluginVariable = value;
    m_pluginVariableObject =
        Automation::Variant::isObject(value) ? Automation::Variant::toObject(value) : nullptr;
}

void MainForm::setLanguage(int value)
{
    ErrorTrap trap(QStringLiteral("MainForm.Language"));
    trap.run([&] {
        trap.at(1);
        m_language = value;
        trap.at(2);
        mdlLanguage::SetLanguage(value != 0 ? QStringLiteral("english") : QStringLiteral("french"));
    });
}

ErrorObject *MainForm::LastError()
{
    if (!m_lastError)
        m_lastError = std::make_unique<ErrorObject>();
    return m_lastError.get();
}

void MainForm::LoadSettings(QString &ApplicationName)
{
    Q_UNUSED(ApplicationName);
}

void MainForm::SaveSettings(QString &ApplicationName)
{
    Q_UNUSED(ApplicationName);
}

void MainForm::Show()
{
    ErrorTrap trap(QStringLiteral("MainForm.Show"));
    trap.run([&] {
        trap.at(1);
        m_dialog = std::make_unique<Dialog::frmMain>();
        m_dialog->Load();
        trap.at(2);
        m_dialog->setPluginObject(m_pluginObject);
        trap.at(3);
        if (mdlFunctions::IsInvalidPublication(m_pluginObject)) {
            // The message is looked up before the title.
            const QString message =
                mdlLanguage::GetText(QStringLiteral("ProcessInvalidPublication"));
            Platform::MsgBox(message, Platform::vbCritical,
                             mdlLanguage::GetText(QStringLiteral("PluginName")));
        } else {
            trap.at(4);
            // The filler reports its own failure; the dialog is then closed unseen.
            if (mdlFunctions::FillBooksList(m_dialog->cmbBooks(), m_pluginObject)) {
                trap.at(5);
                // Modal without an owner window: the dialog's run ends when it hides.
                m_dialog->exec();
                trap.at(6);
                if (!m_dialog->Canceled()) {
                    const bool done = m_dialog->result();
                    const QString message = mdlLanguage::GetText(
                        done ? QStringLiteral("ProcessSuccess") : QStringLiteral("ProcessError"));
                    Platform::MsgBox(message, done ? Platform::vbInformation : Platform::vbCritical,
                                     mdlLanguage::GetText(QStringLiteral("PluginName")));
                }
            }
        }
        trap.at(7);
        m_dialog->Unload();
        m_dialog.reset();
    });
}

} // namespace Plugin

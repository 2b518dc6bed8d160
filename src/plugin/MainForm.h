// SPDX-License-Identifier: Apache-2.0
// MainForm: the one class through which the host application uses OrvFields.
//
// The host creates it by its programmatic identifier "OrvFields.MainForm", stores
// its own objects and settings in the properties (PluginObject carries the
// publication tree), may choose the language, and calls Show, which runs the field
// editor over the host's publication and tells the user how the work ended. Show
// never returns an error to the host: every failure is reported by the trap's
// message box.
//
// The reference setters keep counted references to the host's objects, and so does
// PluginVariable when it holds an object; the release (Class_Terminate) lets go of
// them in a fixed order: the error record, the dialog, PluginState, PluginPercent,
// PluginObject, PluginVariable (when it holds an object), Parent.
#pragma once

#include "ErrorObject.h"
#include "automation/Object.h"
#include "automation/Variant.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Dialog {
class frmMain;
}

namespace Plugin {

class MainForm : public Automation::Object
{
public:
    static constexpr char InterfaceName[] = "_MainForm";

    // Trapped as "MainForm.Class_Initialize": a new error record, language 0, and
    // the text tables loaded afresh (French current).
    MainForm();

    const Automation::ClassInfo *classInfo() const override;
    static const Automation::ClassInfo &staticClassInfo();

    bool CreateLogFile() const { return m_createLogFile; }
    void setCreateLogFile(bool value) { m_createLogFile = value; }
    std::u16string CreatorField() const { return m_creatorField; }
    void setCreatorField(const std::u16string &value) { m_creatorField = value; }
    Automation::Ref<Automation::Object> PluginState() const { return m_pluginState; }
    void setPluginState(const Automation::Ref<Automation::Object> &value) { m_pluginState = value; }
    Automation::Ref<Automation::Object> PluginPercent() const { return m_pluginPercent; }
    void setPluginPercent(const Automation::Ref<Automation::Object> &value)
    {
        m_pluginPercent = value;
    }
    Automation::Ref<Automation::Object> PluginObject() const { return m_pluginObject; }
    void setPluginObject(const Automation::Ref<Automation::Object> &value)
    {
        m_pluginObject = value;
    }
    Automation::Variant PluginVariable() const { return m_pluginVariable; }
    // A copy of the value, or a reference to the object it holds.
    void setPluginVariable(const Automation::Variant &value) { m_pluginVariable = value; }
    Automation::Ref<Automation::Object> Parent() const { return m_parent; }
    void setParent(const Automation::Ref<Automation::Object> &value) { m_parent = value; }

    // Always "XML TREEVIEW": the component needs the host's publication tree.
    std::u16string InputNeed() const { return u"XML TREEVIEW"; }
    std::int32_t Language() const { return m_language; }
    // Stores the value, then makes English current for any value but 0, French for
    // 0. Trapped as "MainForm.Language".
    void setLanguage(std::int32_t value);
    Automation::Ref<ErrorObject> LastError();
    bool Reload() const { return false; }

    // Accept the host's application name and do nothing with it.
    void LoadSettings(std::u16string &ApplicationName);
    void SaveSettings(std::u16string &ApplicationName);

    // Runs the field editor over the host's publication. Trapped as "MainForm.Show".
    void Show();

protected:
    // Trapped as "MainForm.Class_Terminate": releases everything it holds.
    ~MainForm() override;

private:
    bool m_createLogFile = false;
    std::u16string m_creatorField;
    Automation::Ref<Automation::Object> m_pluginState;
    Automation::Ref<Automation::Object> m_pluginPercent;
    Automation::Ref<Automation::Object> m_pluginObject;
    Automation::Variant m_pluginVariable;
    Automation::Ref<Automation::Object> m_parent;
    Automation::Ref<ErrorObject> m_lastError;
    std::int32_t m_language = 0;
    std::unique_ptr<Dialog::frmMain> m_dialog; // during Show
};

} // namespace Plugin

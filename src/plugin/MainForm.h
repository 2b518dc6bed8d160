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
// Object references are non-owning: an object the host destroys reads as Nothing.
#pragma once

#include "ErrorObject.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <memory>

namespace Dialog {
class frmMain;
}

namespace Plugin {

class MainForm : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "OrvFields.MainForm")
    Q_CLASSINFO("ClassID", "{DF1F9393-7797-4F8A-8277-02B50C3F1C8F}")
    Q_CLASSINFO("Interface", "_MainForm")
    Q_CLASSINFO("InterfaceID", "{8792A838-423B-43F0-8DEE-0F0BD19C19B8}")
    Q_CLASSINFO("DispId:CreateLogFile", "0x40030004")
    Q_CLASSINFO("DispId:CreatorField", "0x40030006")
    Q_CLASSINFO("DispId:PluginState", "0x40030007")
    Q_CLASSINFO("DispId:PluginPercent", "0x40030008")
    Q_CLASSINFO("DispId:PluginObject", "0x40030009")
    Q_CLASSINFO("DispId:PluginVariable", "0x4003000A")
    Q_CLASSINFO("DispId:Parent", "0x4003000B")
    Q_CLASSINFO("DispId:InputNeed", "0x68030003")
    Q_CLASSINFO("DispId:Language", "0x68030002")
    Q_CLASSINFO("DispId:LastError", "0x68030001")
    Q_CLASSINFO("DispId:Reload", "0x68030000")
    Q_CLASSINFO("DispId:LoadSettings", "0x60030006")
    Q_CLASSINFO("DispId:SaveSettings", "0x60030007")
    Q_CLASSINFO("DispId:Show", "0x60030008")
    Q_PROPERTY(bool CreateLogFile READ CreateLogFile WRITE setCreateLogFile)
    Q_PROPERTY(QString CreatorField READ CreatorField WRITE setCreatorField)
    Q_PROPERTY(QObject *PluginState READ PluginState WRITE setPluginState)
    Q_PROPERTY(QObject *PluginPercent READ PluginPercent WRITE setPluginPercent)
    Q_PROPERTY(QObject *PluginObject READ PluginObject WRITE setPluginObject)
    Q_PROPERTY(QVariant PluginVariable READ PluginVariable WRITE setPluginVariable)
    Q_PROPERTY(QObject *Parent READ Parent WRITE setParentObject)
    Q_PROPERTY(QString InputNeed READ InputNeed)
    Q_PROPERTY(int Language READ Language WRITE setLanguage)
    Q_PROPERTY(Plugin::ErrorObject *LastError READ LastError)
    Q_PROPERTY(bool Reload READ Reload)

public:
    // Trapped as "MainForm.Class_Initialize": a new error record, language 0, and
    // the text tables loaded afresh (French current).
    explicit MainForm(QObject *parent = nullptr);
    // Trapped as "MainForm.Class_Terminate": releases everything it holds.
    ~MainForm() override;

    bool CreateLogFile() const { return m_createLogFile; }
    void setCreateLogFile(bool value) { m_createLogFile = value; }
    QString CreatorField() const { return m_creatorField; }
    void setCreatorField(const QString &value) { m_creatorField = value; }
    QObject *PluginState() const { return m_pluginState; }
    void setPluginState(QObject *value) { m_pluginState = value; }
    QObject *PluginPercent() const { return m_pluginPercent; }
    void setPluginPercent(QObject *value) { m_pluginPercent = value; }
    QObject *PluginObject() const { return m_pluginObject; }
    void setPluginObject(QObject *value) { m_pluginObject = value; }
    QVariant PluginVariable() const;
    void setPluginVariable(const QVariant &value);
    QObject *Parent() const { return m_parent; }
    // Not setParent: that is QObject's ownership, which this property is not.
    void setParentObject(QObject *value) { m_parent = value; }

    // Always "XML TREEVIEW": the component needs the host's publication tree.
    QString InputNeed() const { return QStringLiteral("XML TREEVIEW"); }
    int Language() const { return m_language; }
    // Stores the value, then makes English current for any value but 0, French for
    // 0. Trapped as "MainForm.Language".
    void setLanguage(int value);
    ErrorObject *LastError();
    bool Reload() const { return false; }

    // Accept the host's application name and do nothing with it.
    Q_INVOKABLE void LoadSettings(QString &ApplicationName);
    Q_INVOKABLE void SaveSettings(QString &ApplicationName);

    // Runs the field editor over the host's publication. Trapped as "MainForm.Show".
    Q_INVOKABLE void Show();

private:
    bool m_createLogFile = false;
    QString m_creatorField;
    QPointer<QObject> m_pluginState;
    QPointer<QObject> m_pluginPercent;
    QPointer<QObject> m_pluginObject;
    QVariant m_pluginVariable;
    QPointer<QObject> m_pluginVariableObject; // when the variant holds an object
    QPointer<QObject> m_parent;
    std::unique_ptr<ErrorObject> m_lastError;
    int m_language = 0;
    std::unique_ptr<Dialog::frmMain> m_dialog; // during Show
};

} // namespace Plugin

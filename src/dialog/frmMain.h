// frmMain: the field editor dialog, the component's only window.
//
// MainForm::Show creates it (initialisation), loads it (the window is built and
// captioned, nothing is read), hands it the host's publication tree in PluginObject,
// lets the book-list filler fill cmbBooks, shows it modally and, once it is hidden,
// reads Canceled and then result to choose its closing message. Unload runs the close
// request and, unless that refuses, the unload.
//
// Every close attempt (the close box, Unload) sets Canceled; the close is refused
// while Apply works. Enter and Escape press nothing in this dialog.
#pragma once

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;

namespace Dialog {

class frmMain : public QDialog
{
    Q_OBJECT

public:
    // Form_Initialize: not working, not canceled, no result, no publication object.
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Form_Load: captions from the current language. Loading a loaded dialog does
    // nothing.
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

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Initialize();
    void Form_Load();
    void Form_QueryUnload(bool &cancel);
    void Form_Unload();

    QPointer<QObject> m_pluginObject;
    bool m_working = false;
    bool m_canceled = false;
    bool m_result = false;
    qint32 m_fieldNumber = 0;
    bool m_loaded = false;

    QLabel *m_lblBook = nullptr;
    QComboBox *m_cmbBooks = nullptr;
};

} // namespace Dialog

#include "frmMain.h"

#include "ErrorTrap.h"
#include "mdlLanguage.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>

namespace Dialog {

frmMain::frmMain(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    m_lblBook = new QLabel(this);
    m_lblBook->setObjectName(QStringLiteral("lblBook"));
    m_cmbBooks = new QComboBox(this);
    m_cmbBooks->setObjectName(QStringLiteral("cmbBooks"));
    m_lblBook->setBuddy(m_cmbBooks);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_lblBook, 0, 0);
    layout->addWidget(m_cmbBooks, 0, 1);
    layout->setColumnStretch(1, 1);

    Form_Initialize();
}

frmMain::~frmMain() = default;

void frmMain::Form_Initialize()
{
    Plugin::ErrorTrap trap(QStringLiteral("frmMain.Form_Initialize"));
    trap.run([&] {
        trap.at(1);
        m_working = false;
        m_canceled = false;
        m_result = false;
        trap.at(2);
        m_pluginObject.clear();
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
    Plugin::ErrorTrap trap(QStringLiteral("frmMain.Form_Load"));
    trap.run([&] {
        trap.at(1);
        setWindowTitle(mdlLanguage::GetText(QStringLiteral("WinMainTitle")));
        m_lblBook->setText(mdlLanguage::GetText(QStringLiteral("WinMainBookChoice")));
    });
}

bool frmMain::Unload()
{
    if (!m_loaded)
        return true;
    bool cancel = false;
    Form_QueryUnload(cancel);
    if (cancel)
        return false;
    Form_Unload();
    m_loaded = false;
    hide();
    return true;
}

void frmMain::Form_QueryUnload(bool &cancel)
{
    Plugin::ErrorTrap trap(QStringLiteral("frmMain.Form_QueryUnload"));
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
    Plugin::ErrorTrap trap(QStringLiteral("frmMain.Form_Unload"));
    trap.run([&] {
        trap.at(1);
        m_pluginObject.clear();
    });
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!m_loaded) {
        event->accept();
        return;
    }
    bool cancel = false;
    Form_QueryUnload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    Form_Unload();
    m_loaded = false;
    event->accept();
    // Ends a modal run, as the close box does for any dialog.
    done(QDialog::Rejected);
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    // QDialog would press a default button on Enter and reject on Escape, closing
    // the window past its close request.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace Dialog

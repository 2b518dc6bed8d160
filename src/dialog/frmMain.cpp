// SPDX-License-Identifier: Apache-2.0
#include "frmMain.h"

#include "LeadingNumber.h"
#include "automation/AutomationError.h"
#include "controls/VrnLabel.h"
#include "controls/VrnProgressBar.h"
#include "fieldlist/VrnFieldList.h"
#include "i18n/mdlLanguage.h"
#include "platform/DoEvents.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/SystemColors.h"
#include "platform/Twips.h"
#include "platform/WholeTextTip.h"
#include "publication/mdlFunctions.h"
#include "publication/mdlTreeview.h"
#include "trap/ErrorTrap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

// Resources of a static library are registered by hand, outside any namespace.
static void initDialogResources()
{
    Q_INIT_RESOURCE(frmMain);
}

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
constexpr OleColor DarkRed = 0x0000C0;

QString text(const char *key)
{
    return mdlLanguage::GetText(QString::fromLatin1(key));
}

// Places a control at its twip geometry, converted once here.
template <typename Widget> Widget *place(Widget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
                        TwipsToPixelsY(height));
    return widget;
}

QPushButton *plainButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    // No default button: Enter and Escape press nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

frmMain::frmMain(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    initDialogResources();
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/dialog/frmMain-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    // Tahoma where it is installed; else a narrow face of similar width, so that
    // the captions fit the controls drawn for Tahoma.
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed")});
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    setFont(font);
    setFixedSize(TwipsToPixelsX(ClientWidth), TwipsToPixelsY(ClientHeight));

    createControls();
    connectControls();
    Form_Initialize();
}

frmMain::~frmMain()
{
    // The controls go after this body: none of their notifications may reach a
    // dialog that is being destroyed.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
    if (m_vFields)
        disconnect(m_vFields.get(), nullptr, this, nullptr);
    if (m_working)
        qApp->removeEventFilter(this);
}

// Created in tab order, which gives the focus chain; the panel last, above all.
void frmMain::createControls()
{
    m_lblBook = place(new QLabel(this), 120, 150, 1335, 255);
    m_lblBook->setObjectName(QStringLiteral("lblBook"));
    m_cmbBooks = place(new QComboBox(this), 2040, 120, 3015, 315);
    m_cmbBooks->setObjectName(QStringLiteral("cmbBooks"));

    for (size_t i = 0; i < 4; ++i) {
        m_txtField[i] = place(new QLineEdit(this), 2040, 480 + 270 * int(i), 3015, 285);
        m_txtField[i]->setObjectName(QStringLiteral("txtField_%1").arg(i));
        SetBackColor(m_txtField[i], WindowBackground);
        Platform::ShowWholeTextWhenCutOff(m_txtField[i]);
    }
    m_cmdPersoAdd = place(plainButton(this, "cmdPersoAdd"), 3000, 1665, 975, 285);
    m_cmdPersoDel = place(plainButton(this, "cmdPersoDel"), 4080, 1665, 975, 285);
    m_userFields = place(new FieldList::VrnFieldList(this), 120, 2040, 4935, 1635);
    m_userFields->setObjectName(QStringLiteral("UserFields"));
    m_cmdApply = place(plainButton(this, "cmdApply"), 4200, 3840, 855, 320);
    m_cmdCancel = place(plainButton(this, "cmdCancel"), 3240, 3840, 855, 320);
    m_progress = place(new Controls::VrnProgressBar(this), 120, 3840, 3015, 315);
    m_progress->setObjectName(QStringLiteral("progress"));

    for (size_t i = 0; i < 4; ++i) {
        m_lblField[i] = place(new Controls::VrnLabel(this), 120, 480 + 270 * int(i), 1935, 285);
        m_lblField[i]->setObjectName(QStringLiteral("lblField_%1").arg(i));
    }
    m_lblPerso = place(new QLabel(this), 120, 1710, 2415, 255);
    m_lblPerso->setObjectName(QStringLiteral("lblPerso"));
    Platform::SetForeColor(m_lblPerso, GreyText);

    m_boxNoFile = place(new QFrame(this), 840, 1200, 3495, 1455);
    m_boxNoFile->setObjectName(QStringLiteral("boxNoFile"));
    m_boxNoFile->setFrameShape(QFrame::Panel);
    m_boxNoFile->setFrameShadow(QFrame::Raised);
    m_boxNoFile->setLineWidth(2);
    m_boxNoFile->setAutoFillBackground(true);
    m_lblInfoError = place(new QLabel(m_boxNoFile), 240, 300, 3015, 735);
    m_lblInfoError->setObjectName(QStringLiteral("lblInfoError"));
    m_lblInfoError->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_lblInfoError->setWordWrap(true);
    Platform::SetForeColor(m_lblInfoError, DarkRed);
    m_lblInfo = place(new QLabel(m_boxNoFile), 120, 600, 3255, 255);
    m_lblInfo->setObjectName(QStringLiteral("lblInfo"));
    m_lblInfo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_boxNoFile->raise();
}

void frmMain::connectControls()
{
    connect(m_cmbBooks, &QComboBox::currentIndexChanged, this, [this] { cmbBooks_Click(); });
    for (size_t i = 0; i < 4; ++i)
        connect(m_txtField[i], &QLineEdit::textChanged, this,
                [this, i] { txtField_Change(qint16(i)); });
    connect(m_cmdPersoAdd, &QPushButton::clicked, this, &frmMain::cmdPersoAdd_Click);
    connect(m_cmdPersoDel, &QPushButton::clicked, this, &frmMain::cmdPersoDel_Click);
    connect(m_cmdApply, &QPushButton::clicked, this, &frmMain::cmdApply_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);

    using List = FieldList::VrnFieldList;
    connect(m_userFields, &List::AddField, this, &frmMain::UserFields_AddField);
    connect(m_userFields, &List::Change, this, &frmMain::UserFields_Change);
    connect(m_userFields, &List::ChangingFieldName, this, &frmMain::UserFields_ChangingFieldName);
    connect(m_userFields, &List::ChangingFieldValue, this, &frmMain::UserFields_ChangingFieldValue);
    connect(m_userFields, &List::ChangeFieldName, this, &frmMain::UserFields_ChangeFieldName);
    connect(m_userFields, &List::ChangeFieldValue, this, &frmMain::UserFields_ChangeFieldValue);
    connect(m_userFields, &List::RemoveField, this, &frmMain::UserFields_RemoveField);
    connect(m_userFields, &List::SelectedChange, this, &frmMain::UserFields_SelectedChange);
}

// ---- lifecycle

void frmMain::Form_Initialize()
{
    ErrorTrap trap(QStringLiteral("frmMain.Form_Initialize"));
    trap.run([&] {
        trap.at(1);
        m_working = false;
        m_canceled = false;
        m_result = false;
        trap.at(2);
        m_pluginObject.clear();
        // Step 3, the file-system object, has no counterpart: file questions are
        // plain functions here.
        trap.at(4);
        m_vFields = std::make_shared<clsFields>();
        connect(m_vFields.get(), &clsFields::WorkEnded, this, &frmMain::vFields_WorkEnded);
        connect(m_vFields.get(), &clsFields::WorkPercent, this, &frmMain::vFields_WorkPercent);
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
    ErrorTrap trap(QStringLiteral("frmMain.Form_Load"));
    trap.run([&] {
        trap.at(1);
        setWindowTitle(text("WinMainTitle"));
        m_lblBook->setText(text("WinMainBookChoice"));
        const char *fieldKeys[] = {"WinMainFieldTitle", "WinMainFieldAuthor", "WinMainFieldSubject",
                                   "WinMainFieldKeywords"};
        for (size_t i = 0; i < 4; ++i)
            m_lblField[i]->setCaption(text(fieldKeys[i]));
        // Screen readers learn what a box is from its name; on Linux a combo box is
        // named by its current text and labelled by its buddy label.
        m_cmbBooks->setAccessibleName(m_lblBook->text());
        m_lblBook->setBuddy(m_cmbBooks);
        for (size_t i = 0; i < 4; ++i)
            m_txtField[i]->setAccessibleName(m_lblField[i]->Caption());
        trap.at(2);
        for (QLineEdit *box : m_txtField)
            box->setText(QString());
        trap.at(3);
        m_lblPerso->setText(text("WinMainPersoFields"));
        m_cmdPersoAdd->setText(text("WinMainFieldAdd"));
        m_cmdPersoDel->setText(text("WinMainFieldRemove"));
        trap.at(4);
        m_userFields->Clear();
        m_userFields->setLockOnEnter(false);
        trap.at(5);
        m_cmdApply->setText(text("WinMainApply"));
        m_cmdCancel->setText(text("WinMainCancel"));
        m_lblInfo->setText(text("ProcessGet"));
        m_lblInfoError->setText(text("ProcessBookNotPublished"));
        trap.at(6);
        m_progress->hide();
        m_boxNoFile->hide();
    });
}

void frmMain::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Once per showing, after the show has been handled (see the header).
    if (m_activationQueued)
        return;
    m_activationQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_activationQueued = false;
            if (m_loaded && isVisible())
                Form_Activate();
        },
        Qt::QueuedConnection);
}

void frmMain::Form_Activate()
{
    ErrorTrap trap(QStringLiteral("frmMain.Form_Activate"));
    trap.run([&] {
        trap.at(1);
        repaint();
        trap.at(2);
        mdlTreeview::InitCombo(m_cmbBooks, m_pluginObject);
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
    hide();
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
    ErrorTrap trap(QStringLiteral("frmMain.Form_QueryUnload"));
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
    ErrorTrap trap(QStringLiteral("frmMain.Form_Unload"));
    trap.run([&] {
        trap.at(1);
        // A read under way holds the set until it returns; its events end here.
        if (m_vFields)
            disconnect(m_vFields.get(), nullptr, this, nullptr);
        m_vFields.reset();
        trap.at(2);
        m_pluginObject.clear();
    });
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!m_loaded) {
        event->accept();
        return;
    }
    if (!queryUnload()) {
        event->ignore();
        return;
    }
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

void frmMain::cmdCancel_Click()
{
    // While Apply writes, Cancel takes no effect.
    if (m_working)
        return;
    ErrorTrap trap(QStringLiteral("frmMain.cmdCancel_Click"));
    trap.run([&] {
        trap.at(1);
        m_canceled = true;
    });
    hide();
}

void frmMain::vFields_WorkEnded(bool result)
{
    // The end of a read or a write is known from the return of GetDatas or SaveDatas.
    Q_UNUSED(result);
}

void frmMain::vFields_WorkPercent(qint16 Percent)
{
    m_progress->setValue(Percent);
    DoEvents();
}

// ---- input held back during Apply

void frmMain::setWorking(bool working)
{
    if (working == m_working)
        return;
    m_working = working;
    if (working)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (m_working && isUserInput(event->type()) && watched->isWidgetType() && watched != this) {
        const auto *widget = static_cast<QWidget *>(watched);
        if (widget->window() == this)
            return true;
    }
    return QDialog::eventFilter(watched, event);
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
    for (size_t i = 0; i < 4; ++i) {
        m_lblField[i]->setEnabled(ready);
        m_lblField[i]->setForeColor(ready ? ButtonText : GreyText);
        m_txtField[i]->setEnabled(ready);
        SetBackColor(m_txtField[i], ready ? WindowBackground : Light3D);
    }
    m_lblPerso->setEnabled(ready);
    Platform::SetForeColor(m_lblPerso, ready ? ButtonText : GreyText);
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
    ErrorTrap trap(QStringLiteral("frmMain.cmbBooks_Click"));
    trap.run([&] {
        trap.at(1);
        // Not yet shown (the list is being filled), already closed, or writing.
        if (!isVisible() || !m_loaded || m_working)
            return;
        const QPointer<frmMain> alive(this);
        // The read keeps its own reference: a close during the read releases the
        // dialog's, not the set being read into.
        const std::shared_ptr<clsFields> fields = m_vFields;
        // After each yield: was the window closed, or the dialog destroyed?
        auto abandoned = [&] {
            return !alive || !m_loaded;
        };

        trap.at(2);
        const QString path = mdlFunctions::GetPdfPath(m_pluginObject, m_cmbBooks->currentIndex());
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
        m_progress->show();

        trap.at(5);
        fields->GetDatas(path);
        if (abandoned())
            return;

        trap.at(6);
        m_progress->hide();
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
        QList<clsFields::FieldRef> read;
        for (int i = 1; i <= n; ++i)
            read.append(fields->Field(i));
        const QString word = text("WinMainField");
        for (const clsFields::FieldRef &field : read) {
            const qint32 number = GeneratedNumber(field->Name(), word);
            if (number > m_fieldNumber)
                m_fieldNumber = number;
            m_userFields->AddElem(field->Name(), field->Content(), true);
        }

        trap.at(8);
        if (fields->Count() >= 1)
            m_cmdPersoDel->setEnabled(true);

        trap.at(9);
        QLineEdit *title = m_txtField[0];
        title->setCursorPosition(0);
        if (!title->text().isEmpty())
            title->selectAll();
        title->setFocus(Qt::OtherFocusReason);

        trap.at(10);
        m_cmdApply->setEnabled(true);
    });
}

// ---- editing

void frmMain::txtField_Change(qint16 Index)
{
    ErrorTrap trap(QStringLiteral("frmMain.txtField_Change"));
    trap.run([&] {
        trap.at(1);
        if (!m_vFields || Index < 0 || Index > 3)
            return;
        const QString value = m_txtField[size_t(Index)]->text();
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
    ErrorTrap trap(QStringLiteral("frmMain.cmdPersoAdd_Click"));
    trap.run([&] {
        trap.at(1);
        if (m_fieldNumber == std::numeric_limits<qint32>::max())
            Automation::raise(Automation::Overflow);
        const qint32 number = m_fieldNumber + 1;
        m_fieldNumber = number;
        trap.at(2);
        const QString name = text("WinMainField") + QString::number(number);
        trap.at(3);
        m_userFields->AddElem(name, text("WinMainMyValue"), true);
    });
}

void frmMain::cmdPersoDel_Click()
{
    if (m_working)
        return;
    ErrorTrap trap(QStringLiteral("frmMain.cmdPersoDel_Click"));
    trap.run([&] {
        trap.at(1);
        const qint32 selected = m_userFields->SelectedIndex();
        if (selected >= 1)
            m_userFields->RemoveElem(selected);
    });
}

void frmMain::UserFields_AddField(const QString &Name, const QString &Value)
{
    ErrorTrap trap(QStringLiteral("frmMain.UserFields_AddField"));
    trap.run([&] {
        trap.at(1);
        if (m_vFields)
            m_vFields->AddField(Name, Value);
    });
}

void frmMain::UserFields_RemoveField(const QString &Name, const QString &Value)
{
    Q_UNUSED(Value);
    ErrorTrap trap(QStringLiteral("frmMain.UserFields_RemoveField"));
    trap.run([&] {
        trap.at(1);
        if (m_vFields)
            m_vFields->RemoveField(Name);
    });
}

void frmMain::UserFields_Change()
{
    ErrorTrap trap(QStringLiteral("frmMain.UserFields_Change"));
    trap.run([&] {
        trap.at(1);
        m_cmdPersoDel->setEnabled(m_userFields->Count() >= 1 && m_userFields->SelectedIndex() >= 1);
    });
}

void frmMain::UserFields_SelectedChange()
{
    ErrorTrap trap(QStringLiteral("frmMain.UserFields_SelectedChange"));
    trap.run([&] {
        trap.at(1);
        m_cmdPersoDel->setEnabled(m_userFields->SelectedIndex() != 0);
    });
}

void frmMain::UserFields_ChangingFieldName(const QString &OldName, const QString &NewName,
                                           bool &Cancel)
{
    ErrorTrap trap(QStringLiteral("frmMain.UserFields_ChangingFieldName"));
    trap.run([&] {
        trap.at(1);
        if (NewName == OldName)
            return;
        if (m_working || !m_vFields) {
            Cancel = true;
            return;
        }
        trap.at(2);
        if (NewName.isEmpty()) {
            MsgBox(text("ProcessFieldNameCantEmpty"), vbOKOnly);
            Cancel = true;
            return;
        }
        trap.at(3);
        if (m_vFields->Field(NewName) || !m_vFields->IsValidFieldName(NewName)) {
            MsgBox(text("ProcessFieldNameExist"), vbOKOnly);
            Cancel = true;
            return;
        }
    });
}

void frmMain::UserFields_ChangingFieldValue(const QString &OldValue, const QString &NewValue,
                                            bool &Cancel)
{
    ErrorTrap trap(QStringLiteral("frmMain.UserFields_ChangingFieldValue"));
    trap.run([&] {
        trap.at(1);
        if (NewValue == OldValue)
            return;
        if (m_working || !m_vFields) {
            Cancel = true;
            return;
        }
        if (NewValue.isEmpty()) {
            MsgBox(text("ProcessFieldValueCantEmpty"), vbOKOnly);
            Cancel = true;
        }
    });
}

void frmMain::UserFields_ChangeFieldName(const QString &OldName, const QString &NewName)
{
    ErrorTrap trap(QStringLiteral("frmMain.UserFields_ChangeFieldName"));
    trap.run([&] {
        trap.at(1);
        if (!m_vFields)
            return;
        const clsFields::FieldRef field = m_vFields->RemoveField(OldName);
        if (!field)
            return;
        trap.at(2);
        field->setName(NewName);
        const QString content = field->Content();
        trap.at(3);
        m_vFields->AddField(NewName, content);
    });
}

void frmMain::UserFields_ChangeFieldValue(const QString &Name, const QString &Value)
{
    ErrorTrap trap(QStringLiteral("frmMain.UserFields_ChangeFieldValue"));
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
    const QPointer<frmMain> alive(this);
    ErrorTrap trap(QStringLiteral("frmMain.cmdApply_Click"));
    const bool done = trap.run([&] {
        trap.at(1);
        if (m_working || !m_vFields)
            return;
        trap.at(2);
        setWorking(true);
        trap.at(3);
        m_progress->setValue(0);
        m_progress->show();
        trap.at(4);
        const QString path = mdlFunctions::GetPdfPath(m_pluginObject, m_cmbBooks->currentIndex());
        trap.at(5);
        if (FileExists(path)) {
            if (mdlFunctions::IsFileLocked(path)) {
                MsgBox(text("ProcessFileLocked"), vbCritical);
                m_progress->hide();
                setWorking(false);
                return;
            }
            // The write keeps the set alive, whatever happens to the dialog meanwhile.
            const std::shared_ptr<clsFields> fields = m_vFields;
            fields->SaveDatas(path);
            if (!alive)
                return;
        }
        trap.at(6);
        m_result = true;
        trap.at(7);
        setWorking(false);
        m_canceled = false;
        ended = true;
        hide();
    });
    if (!done && alive && !ended) {
        m_result = false;
        setWorking(false);
        m_canceled = false;
        hide();
    }
}

} // namespace Dialog

// SPDX-License-Identifier: Apache-2.0
#include "VrnFieldList.h"

#include "automation/AutomationError.h"
#include "automation/Variant.h"
#include "i18n/mdlLanguage.h"
#include "i18n/mdli18n.h"
#include "platform/KeyCodes.h"
#include "platform/StdFont.h"
#include "platform/SystemColors.h"
#include "platform/WholeTextTip.h"
#include "trap/ErrorTrap.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>

#include <cmath>

namespace FieldList {

using Trap::ErrorTrap;
using namespace Platform;

namespace {

constexpr int RowPitch = 18;
constexpr int BoxHeight = 19;    // one pixel more than the pitch: neighbouring borders overlap
constexpr double NameShare = 40; // per cent of the width left of the scroll bar
constexpr int PairsAtCreation = 6;

// Design geometry of the pairs at creation and of the list itself.
constexpr int DesignNameColumn = 128; // NameWidth until the first layout
constexpr int DesignNameWidth = DesignNameColumn + 1;
constexpr int DesignValueLeft = DesignNameColumn;
constexpr int DesignValueWidth = 185;
constexpr int DesignScrollWidth = 17;
constexpr int DesignWidth = 329;
constexpr int DesignHeight = 109;

// The scroll bar's settings are 16-bit: a value beyond that range is error 6.
int int16(qint32 value)
{
    return Automation::Variant::toInteger(QVariant(value));
}

// Error 5 when the box cannot take the focus, as the toolkit reports it.
void giveFocus(QWidget *box)
{
    if (!box->isVisible() || !box->isEnabled())
        Automation::raise(Automation::InvalidProcedureCall);
    box->setFocus(Qt::OtherFocusReason);
}

void selectAllText(QLineEdit *box)
{
    box->setSelection(0, int(box->text().size()));
}

void setText(QLineEdit *box, const QString &text)
{
    // An equal text is left alone so that the cursor of the box stays where it is.
    if (box->text() != text)
        box->setText(text);
}

// What a screen reader announces for a box of the row of `field` (none for a blank
// row), in the component's language.
QString rowBoxName(bool value, const QString &field)
{
    const bool french = mdlLanguage::CurrentLanguage() == QLatin1String("french");
    if (field.isEmpty())
        return value ? (french ? QStringLiteral("Valeur") : QStringLiteral("Value"))
                     : (french ? QStringLiteral("Nom") : QStringLiteral("Name"));
    const QString pattern =
        value ? (french ? QStringLiteral("Valeur du champ %1") : QStringLiteral("Value of %1"))
              : (french ? QStringLiteral("Nom du champ %1") : QStringLiteral("Name of %1"));
    return pattern.arg(field);
}

void nameBoxes(QLineEdit *name, QLineEdit *value, const QString &field)
{
    name->setAccessibleName(rowBoxName(false, field));
    value->setAccessibleName(rowBoxName(true, field));
}

// Runs an owner's event handler. Its failures are its own: the list goes on as if
// it had returned.
template <typename Emit> void raiseEvent(Emit &&emitEvent)
{
    try {
        emitEvent();
    } catch (...) {
    }
}

int indexIn(const QList<QLineEdit *> &boxes, const QObject *object)
{
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        if (boxes.at(i) == object)
            return int(i);
    }
    return -1;
}

} // namespace

VrnFieldList::VrnFieldList(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    for (int i = 0; i < PairsAtCreation; ++i) {
        createBox(QStringLiteral("txtFieldName"), i)
            ->setGeometry(0, i * RowPitch, DesignNameWidth, BoxHeight);
        createBox(QStringLiteral("txtFieldValue"), i)
            ->setGeometry(DesignValueLeft, i * RowPitch, DesignValueWidth, BoxHeight);
    }
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setObjectName(QStringLiteral("VScroll1"));
    m_scroll->setGeometry(DesignWidth - DesignScrollWidth, 0, DesignScrollWidth, DesignHeight);
    // The toolkit's defaults for a scroll bar: 0 to 32767 in steps of 1.
    m_scroll->setRange(0, 32767);
    m_scroll->setSingleStep(1);
    m_scroll->setPageStep(1);
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    m_scroll->installEventFilter(this);
    connect(m_scroll, &QScrollBar::valueChanged, this, &VrnFieldList::VScroll1_Change);
    resize(DesignWidth, DesignHeight);
    UserControl_Initialize();
}

VrnFieldList::~VrnFieldList()
{
    UserControl_Terminate();
    // The boxes outlive this body (QWidget deletes its children later): their
    // notifications must not reach a list that is going away.
    for (QLineEdit *box : std::as_const(m_names))
        box->removeEventFilter(this);
    for (QLineEdit *box : std::as_const(m_values))
        box->removeEventFilter(this);
    m_scroll->removeEventFilter(this);
    disconnect(m_scroll, nullptr, this, nullptr);
}

QSize VrnFieldList::sizeHint() const
{
    return QSize(DesignWidth, DesignHeight);
}

void VrnFieldList::UserControl_Initialize()
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.UserControl_Initialize"));
    trap.run([&] {
        trap.at(1);
        m_rows.clear();
        m_enabled = true;
        m_lockOnEnter = true;
        m_selectedIndex = 0;
        m_linesCount = 0;
        m_firstVisible = 1;
        m_rowsCreated = PairsAtCreation;
        m_nameWidth = DesignNameColumn;
        m_refreshing = false;
    });
}

void VrnFieldList::UserControl_Terminate()
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.UserControl_Terminate"));
    trap.run([&] {
        trap.at(1);
        Clear();
        trap.at(2);
        m_rows = QList<Row>();
    });
}

QLineEdit *VrnFieldList::createBox(const QString &name, int index)
{
    auto *box = new QLineEdit(this);
    box->setObjectName(name + u'_' + QString::number(index));
    box->installEventFilter(this);
    ShowWholeTextWhenCutOff(box);
    const bool value = !name.startsWith(u"txtFieldName");
    box->setAccessibleName(rowBoxName(value, QString()));
    (value ? m_values : m_names).append(box);
    box->show();
    return box;
}

// ---- properties

void VrnFieldList::setListEnabled(bool vValue)
{
    if (vValue == m_enabled)
        return;
    m_enabled = vValue;
    IRefresh();
}

void VrnFieldList::setLinesCount(qint32 vValue)
{
    if (vValue == m_linesCount)
        return;
    if (vValue < 0)
        Automation::raise(Automation::InvalidProcedureCall);
    if (vValue > (QWIDGETSIZE_MAX - 1) / RowPitch)
        Automation::raise(Automation::Overflow);
    m_linesCount = vValue;
    applyHeight(vValue * RowPitch + 1);
}

void VrnFieldList::applyHeight(int pixels)
{
    const QSize old = size();
    resize(width(), pixels);
    // A hidden widget gets its resize only when shown; the layout must follow now,
    // as the property promises.
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent event(size(), old);
        QCoreApplication::sendEvent(this, &event);
    }
}

void VrnFieldList::setSelectedIndex(qint32 vValue)
{
    if (vValue == m_selectedIndex)
        return;
    m_selectedIndex = vValue;
    IRefresh();
    raiseEvent([&] { emit SelectedChange(); });
}

// ---- rows

VrnFieldList::Row &VrnFieldList::rowAt(qint32 row)
{
    if (row < 1 || row > Count())
        Automation::raise(Automation::SubscriptOutOfRange);
    return m_rows[row - 1];
}

const VrnFieldList::Row &VrnFieldList::rowAt(qint32 row) const
{
    if (row < 1 || row > Count())
        Automation::raise(Automation::SubscriptOutOfRange);
    return m_rows.at(row - 1);
}

QString VrnFieldList::RowNames(qint32 row) const
{
    return rowAt(row).name;
}

QString VrnFieldList::RowValues(qint32 row) const
{
    return rowAt(row).value;
}

bool VrnFieldList::RowEditable(qint32 row) const
{
    return rowAt(row).editable;
}

QLineEdit *VrnFieldList::txtFieldName(int index) const
{
    if (index < 0 || index >= m_names.size())
        Automation::raise(Automation::SubscriptOutOfRange);
    return m_names.at(index);
}

QLineEdit *VrnFieldList::txtFieldValue(int index) const
{
    if (index < 0 || index >= m_values.size())
        Automation::raise(Automation::SubscriptOutOfRange);
    return m_values.at(index);
}

void VrnFieldList::AddElem(const QString &fieldName, const QString &fieldValue, bool Editable)
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.AddElem"));
    trap.run([&] {
        trap.at(1);
        m_rows.append(Row{fieldName, fieldValue, Editable});
        trap.at(2);
        IRefresh();
        trap.at(3);
        raiseEvent([&] { emit Change(); });
        trap.at(4);
        raiseEvent([&] { emit AddField(fieldName, fieldValue); });
        trap.at(5);
        EnsureVisible(Count());
        trap.at(6);
        setSelectedIndex(Count());
        trap.at(7);
        raiseEvent([&] { emit SelectedChange(); });
        trap.at(8);
        if (Editable) {
            const int i = Count() - m_firstVisible;
            QLineEdit *name = txtFieldName(i);
            selectAllText(name);
            giveFocus(name);
            // The face stays with these two boxes, whatever row they show later.
            const QString face = mdli18n::SystemFont(2);
            StdFont(name).setName(face);
            StdFont(txtFieldValue(i)).setName(face);
        }
    });
}

void VrnFieldList::RemoveElem(qint32 Index)
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.RemoveElem"));
    trap.run([&] {
        trap.at(1);
        if (Index < 1 || Index > Count())
            return;
        trap.at(2);
        const Row removed = m_rows.at(Index - 1);
        trap.at(3);
        m_rows.remove(Index - 1);
        trap.at(4);
        if (m_selectedIndex == Index) {
            if (m_selectedIndex > Count())
                --m_selectedIndex;
            raiseEvent([&] { emit SelectedChange(); });
        } else if (m_selectedIndex > Index) {
            --m_selectedIndex;
        }
        trap.at(5);
        if (m_firstVisible > 1 && m_firstVisible + m_linesCount - 1 > Count())
            --m_firstVisible;
        trap.at(6);
        IRefresh();
        trap.at(7);
        raiseEvent([&] { emit Change(); });
        trap.at(8);
        raiseEvent([&] { emit RemoveField(removed.name, removed.value); });
    });
}

void VrnFieldList::Clear()
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.Clear"));
    trap.run([&] {
        trap.at(1);
        m_rows.clear();
        trap.at(2);
        IRefresh();
        trap.at(3);
        raiseEvent([&] { emit Change(); });
    });
}

void VrnFieldList::EnsureVisible(qint32 Index)
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.EnsureVisible"));
    trap.run([&] {
        trap.at(1);
        IEnsureVisible(Index, true);
    });
}

// ---- layout and drawing

void VrnFieldList::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    UserControl_Resize();
}

void VrnFieldList::UserControl_Resize()
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.UserControl_Resize"));
    trap.run([&] {
        trap.at(1);
        const int w = width();
        const int h = height() - 1;
        trap.at(2);
        m_linesCount = h / RowPitch + (h % RowPitch == 0 ? 0 : 1);
        trap.at(3);
        if (m_rowsCreated < m_linesCount) {
            for (int i = m_rowsCreated; i < m_linesCount; ++i) {
                // New boxes copy the first pair's settings, then take the fonts for
                // the user's script.
                QLineEdit *name = createBox(QStringLiteral("txtFieldName"), i);
                name->setFont(m_names.constFirst()->font());
                name->setGeometry(0, i * RowPitch, name->width(), BoxHeight);
                StdFont nameFont(name);
                mdli18n::SetProperFont(nameFont, 0, 1);
                QLineEdit *value = createBox(QStringLiteral("txtFieldValue"), i);
                value->setFont(m_values.constFirst()->font());
                value->setGeometry(m_nameWidth, i * RowPitch, value->width(), BoxHeight);
                StdFont valueFont(value);
                mdli18n::SetProperFont(valueFont, 0, 1);
                // Keyboard order: row by row, the scroll bar last.
                setTabOrder(m_values.at(i - 1), name);
                setTabOrder(name, value);
                setTabOrder(value, m_scroll);
            }
            m_rowsCreated = m_linesCount;
        }
        trap.at(4);
        const int s = m_scroll->width();
        m_nameWidth = int(std::nearbyint(double(w - s) / 100 * NameShare));
        trap.at(5);
        for (int i = 0; i < m_linesCount; ++i) {
            QLineEdit *name = txtFieldName(i);
            name->setGeometry(name->x(), name->y(), m_nameWidth + 1, BoxHeight);
            QLineEdit *value = txtFieldValue(i);
            value->setGeometry(m_nameWidth, value->y(), w - m_nameWidth - s, BoxHeight);
        }
        trap.at(6);
        m_scroll->setGeometry(w - s, m_scroll->y(), s, h + 1);
        trap.at(7);
        IRefresh();
    });
}

void VrnFieldList::IRefresh()
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.IRefresh"));
    const bool done = trap.run([&] {
        trap.at(1);
        if (m_refreshing)
            return;
        m_refreshing = true;
        trap.at(2);
        const qint32 count = Count();
        if (count <= m_linesCount)
            m_firstVisible = 1;
        else if (m_firstVisible + m_linesCount - 1 > count)
            m_firstVisible = count - m_linesCount + 1;
        trap.at(3);
        if (count >= m_linesCount) {
            for (int v = 0; v < m_linesCount; ++v)
                drawRow(m_firstVisible + v, v);
        } else {
            for (int v = 0; v < count; ++v)
                drawRow(v + 1, v);
            for (int v = count; v < m_linesCount; ++v)
                blankRow(v);
        }
        trap.at(4);
        if (count > m_linesCount) {
            m_scroll->setMinimum(int16(1));
            m_scroll->setMaximum(int16(count - m_linesCount + 1));
            m_scroll->setPageStep(int16(m_linesCount));
            m_scroll->setSingleStep(int16(1));
            m_scroll->setEnabled(true);
            m_scroll->setValue(int16(m_firstVisible));
        } else {
            m_scroll->setEnabled(false);
        }
        trap.at(5);
        m_refreshing = false;
    });
    if (!done)
        m_refreshing = false; // later redraws must run
}

void VrnFieldList::drawRow(qint32 row, int visual)
{
    const Row &r = rowAt(row);
    const bool selected = m_selectedIndex == row;

    QLineEdit *name = txtFieldName(visual);
    if (!m_enabled) {
        name->setEnabled(false);
        SetBackColor(name, SystemColor(COLOR_3DLIGHT));
    } else if (r.editable) {
        name->setEnabled(true);
        name->setReadOnly(false);
        SetBackColor(name, selected ? ToOleColor(GetSysColor(COLOR_GRADIENTACTIVECAPTION))
                                    : SystemColor(COLOR_WINDOW));
    } else {
        name->setEnabled(true);
        name->setReadOnly(true);
        SetBackColor(name, selected ? ToOleColor(GetSysColor(COLOR_MENUHILIGHT))
                                    : SystemColor(COLOR_3DLIGHT));
    }
    setText(name, r.name);

    // Values stay editable in every row: the value box's read-only state is never set.
    QLineEdit *value = txtFieldValue(visual);
    if (!m_enabled) {
        value->setEnabled(false);
        SetBackColor(value, SystemColor(COLOR_3DLIGHT));
    } else {
        value->setEnabled(true);
        SetBackColor(value, selected ? ToOleColor(GetSysColor(COLOR_GRADIENTACTIVECAPTION))
                                     : SystemColor(COLOR_WINDOW));
    }
    setText(value, r.value);
    nameBoxes(name, value, r.name);
}

void VrnFieldList::blankRow(int visual)
{
    for (QLineEdit *box : {txtFieldName(visual), txtFieldValue(visual)}) {
        box->setEnabled(false);
        SetBackColor(box, SystemColor(COLOR_3DLIGHT));
        setText(box, QString());
    }
    nameBoxes(txtFieldName(visual), txtFieldValue(visual), QString());
}

void VrnFieldList::IEnsureVisible(qint32 Index, bool Refresh)
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.IEnsureVisible"));
    trap.run([&] {
        trap.at(1);
        if (Count() <= m_linesCount)
            return;
        trap.at(2);
        if (m_firstVisible <= Index && Index < m_firstVisible + m_linesCount)
            return;
        trap.at(3);
        m_firstVisible = Index;
        if (m_firstVisible + m_linesCount > Count())
            m_firstVisible = Count() - m_linesCount + 1;
        trap.at(4);
        if (Refresh)
            IRefresh();
    });
}

void VrnFieldList::VScroll1_Change()
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.VScroll1_Change"));
    trap.run([&] {
        trap.at(1);
        if (m_firstVisible != m_scroll->value()) {
            m_firstVisible = m_scroll->value();
            IRefresh();
        }
    });
}

// ---- editing and keyboard

bool VrnFieldList::eventFilter(QObject *watched, QEvent *event)
{
    const int name = indexIn(m_names, watched);
    const int value = name < 0 ? indexIn(m_values, watched) : -1;
    switch (event->type()) {
    case QEvent::FocusOut: {
        // The window losing the activation (to a message box, another program) or a
        // context menu opening leaves the box the focus of its window: no commit.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            break;
        if (name >= 0)
            txtFieldName_LostFocus(name);
        else if (value >= 0)
            txtFieldValue_LostFocus(value);
        break;
    }
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            break;
        if (name >= 0)
            txtFieldName_Click(name);
        else if (value >= 0)
            txtFieldValue_Click(value);
        break;
    case QEvent::KeyPress: {
        // Handled before the box or the scroll bar sees the key, which it still gets.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (name >= 0)
            txtFieldName_KeyDown(name, KeyCodeOf(*key), ShiftOf(*key));
        else if (value >= 0)
            txtFieldValue_KeyDown(value, KeyCodeOf(*key), ShiftOf(*key));
        else if (watched == m_scroll)
            VScroll1_KeyDown(KeyCodeOf(*key), ShiftOf(*key));
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void VrnFieldList::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    switch (event->reason()) {
    case Qt::BacktabFocusReason:
        // Going backwards the list is reached from its own first box: pass on, as a
        // list whose boxes take the focus does not hold it itself.
        focusNextPrevChild(false);
        break;
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        break; // its window came back: the focus never left the list
    default:
        UserControl_GotFocus();
        break;
    }
}

void VrnFieldList::keyPressEvent(QKeyEvent *event)
{
    if (QApplication::focusWidget() == this) {
        UserControl_KeyDown(KeyCodeOf(*event), ShiftOf(*event));
        QWidget::keyPressEvent(event);
        return;
    }
    // A key a box did not use comes up here. Enter was the box's commit: it must not
    // go on to press a dialog's default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void VrnFieldList::UserControl_GotFocus()
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.UserControl_GotFocus"));
    trap.run([&] {
        trap.at(1);
        if (m_selectedIndex <= 0)
            return;
        trap.at(2);
        IEnsureVisible(m_selectedIndex, true);
        trap.at(3);
        // The box may be unable to take the focus (a disabled list): not worth a message.
        try {
            giveFocus(txtFieldValue(m_selectedIndex - m_firstVisible));
        } catch (...) {
        }
    });
}

void VrnFieldList::UserControl_KeyDown(int KeyCode, int Shift)
{
    OnKey(KeyCode, Shift, false, false);
}

void VrnFieldList::VScroll1_KeyDown(int KeyCode, int Shift)
{
    OnKey(KeyCode, Shift, false, false);
}

void VrnFieldList::selectRow(const QString &source, int Index)
{
    ErrorTrap trap(source);
    trap.run([&] {
        trap.at(1);
        if (m_selectedIndex == m_firstVisible + Index)
            return;
        m_selectedIndex = m_firstVisible + Index;
        trap.at(2);
        IRefresh();
        trap.at(3);
        raiseEvent([&] { emit SelectedChange(); });
    });
}

void VrnFieldList::txtFieldName_Click(int Index)
{
    selectRow(QStringLiteral(".VrnFieldList.txtFieldName_Click"), Index);
}

void VrnFieldList::txtFieldValue_Click(int Index)
{
    selectRow(QStringLiteral(".VrnFieldList.txtFieldValue_Click"), Index);
}

void VrnFieldList::txtFieldName_LostFocus(int Index)
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.txtFieldName_LostFocus"));
    trap.run([&] {
        trap.at(1);
        const qint32 r = m_firstVisible + Index;
        if (r > Count())
            return;
        trap.at(2);
        const QString oldName = rowAt(r).name;
        const QString newName = txtFieldName(Index)->text();
        bool cancel = false;
        trap.at(3);
        raiseEvent([&] { emit ChangingFieldName(oldName, newName, cancel); });
        if (!cancel) {
            trap.at(4);
            rowAt(r).name = newName;
            nameBoxes(txtFieldName(Index), txtFieldValue(Index), newName);
            raiseEvent([&] { emit ChangeFieldName(oldName, newName); });
        } else {
            trap.at(5);
            txtFieldName(Index)->setText(oldName);
        }
    });
}

void VrnFieldList::txtFieldValue_LostFocus(int Index)
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.txtFieldValue_LostFocus"));
    trap.run([&] {
        trap.at(1);
        const qint32 r = m_firstVisible + Index;
        if (r > Count())
            return;
        trap.at(2);
        const QString oldValue = rowAt(r).value;
        const QString newValue = txtFieldValue(Index)->text();
        bool cancel = false;
        trap.at(3);
        raiseEvent([&] { emit ChangingFieldValue(oldValue, newValue, cancel); });
        if (!cancel) {
            trap.at(4);
            rowAt(r).value = newValue;
            const QString name = txtFieldName(Index)->text();
            raiseEvent([&] { emit ChangeFieldValue(name, newValue); });
        } else {
            trap.at(5);
            txtFieldValue(Index)->setText(oldValue);
        }
    });
}

void VrnFieldList::txtFieldName_KeyDown(int Index, int KeyCode, int Shift)
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.txtFieldName_KeyDown"));
    trap.run([&] {
        trap.at(1);
        OnKey(KeyCode, Shift, true, false);
        trap.at(2);
        if (KeyCode != vbKeyReturn)
            return;
        txtFieldName_LostFocus(Index);
        if (m_lockOnEnter && rowAt(m_firstVisible + Index).editable) {
            rowAt(m_firstVisible + Index).editable = false;
            IRefresh();
        }
    });
}

void VrnFieldList::txtFieldValue_KeyDown(int Index, int KeyCode, int Shift)
{
    ErrorTrap trap(QStringLiteral(".VrnFieldList.txtFieldValue_KeyDown"));
    trap.run([&] {
        trap.at(1);
        OnKey(KeyCode, Shift, false, true);
        trap.at(2);
        if (KeyCode == vbKeyReturn)
            txtFieldValue_LostFocus(Index);
    });
}

void VrnFieldList::OnKey(int KeyCode, int Shift, bool InName, bool InValue)
{
    Q_UNUSED(Shift); // every shift state moves alike
    ErrorTrap trap(QStringLiteral(".VrnFieldList.OnKey"));
    trap.run([&] {
        if (m_selectedIndex <= 0)
            return;
        int step = 0;
        if (KeyCode == vbKeyDown && m_selectedIndex < Count())
            step = 1;
        else if (KeyCode == vbKeyUp && m_selectedIndex > 1)
            step = -1;
        if (step == 0)
            return;
        trap.at(1);
        const int shown = m_selectedIndex - m_firstVisible;
        if (shown >= 0 && shown < m_rowsCreated) {
            txtFieldName_LostFocus(shown);
            // A value typed in the box the key came from is committed too: the
            // redraw would put the stored value back over it before the box loses
            // the focus, and the user's typing would be lost.
            if (InValue)
                txtFieldValue_LostFocus(shown);
        }
        trap.at(2);
        m_selectedIndex += step;
        trap.at(3);
        IEnsureVisible(m_selectedIndex, false);
        trap.at(4);
        IRefresh();
        trap.at(5);
        raiseEvent([&] { emit SelectedChange(); });
        trap.at(6);
        // Moving the focus makes the box that had it commit, with the text the
        // redraw put into it.
        if (InName || InValue) {
            const int v = m_selectedIndex - m_firstVisible;
            QLineEdit *box = InName ? txtFieldName(v) : txtFieldValue(v);
            selectAllText(box);
            giveFocus(box);
        }
    });
}

} // namespace FieldList

// SPDX-License-Identifier: Apache-2.0
// VrnFieldList: a scrollable two-column list of editable name/value rows.
//
// The list keeps its rows itself (1-based row numbers in every interface) and shows
// them in a fixed pool of single-line boxes, `txtFieldName(i)` and `txtFieldValue(i)`
// (object names "txtFieldName_0", "txtFieldValue_0" ...), with the scroll bar
// "VScroll1" at the right. Visual row i, at the top i x 18 pixels, shows row
// FirstVisible + i. Six pairs exist from the start; a taller list creates more, and
// none is ever destroyed. Scrolling rewrites the texts, colours and states of the
// visible pairs only, so a redraw costs the same whatever the number of rows.
//
// The owner keeps its data in step through the events, raised synchronously (signals
// for direct connections):
//  - AddElem: Change, AddField(name, value), SelectedChange (once or twice);
//  - RemoveElem: SelectedChange when the selected row went, then Change and
//    RemoveField(name, value);
//  - Clear: Change;
//  - an edit, committed when its box loses the focus or on Enter:
//    ChangingFieldName(old, new, Cancel) then, unless the handler set Cancel,
//    ChangeFieldName(old, new); the same with ChangingFieldValue and
//    ChangeFieldValue(name shown in the row, new value). A cancelled edit puts the
//    old text back in the box.
//  - a click in another row, Up and Down: SelectedChange. Up and Down first commit
//    the selected row's name and, pressed in a value box, its value.
// A handler that fails is the owner's business: the list goes on as if it had
// returned (with whatever Cancel it had set).
//
// For screen readers every box carries the name of its row as accessible name, "Name
// of Field3" / "Value of Field3" ("Nom du champ Field3" / "Valeur du champ Field3"
// when the component speaks French; "Name" / "Value" in a blank row), renewed as rows
// scroll through the pool and when a rename is committed. A text cut off by its box
// shows whole in a tooltip.
//
// Sizes are pixels, as Qt sizes widgets: the list converts no twips itself.
//
// The automation property Enabled is not QWidget's enabled state: false draws every
// box disabled and grey (the scroll bar stays usable), while the widget itself stays
// enabled. Its C++ accessors are Enabled() and setListEnabled(); isEnabled() and
// setEnabled() remain Qt's.
//
// Operations and the internal handlers are trapped (".VrnFieldList.AddElem" ...):
// a failure shows the trap's message and the operation ends where it stood. The
// property accessors are not trapped: their failures reach the caller.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QLineEdit;
class QScrollBar;

namespace FieldList {

class VrnFieldList : public QWidget
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "OrvFields.VrnFieldList")
    Q_CLASSINFO("ClassID", "{C3FC5ABC-D82F-4149-8A9D-E65B3B534642}")
    Q_CLASSINFO("Interface", "_VrnFieldList")
    Q_CLASSINFO("InterfaceID", "{01039751-D21B-4409-8B1A-9EB0805FE20C}")
    Q_CLASSINFO("Control", "true")
    Q_CLASSINFO("DispId:Count", "0x68030000")
    Q_CLASSINFO("DispId:Enabled", "0x68030001")
    Q_CLASSINFO("DispId:LinesCount", "0x68030002")
    Q_CLASSINFO("DispId:LockOnEnter", "0x68030003")
    Q_CLASSINFO("DispId:SelectedIndex", "0x68030004")
    Q_CLASSINFO("DispId:AddElem", "0x60030000")
    Q_CLASSINFO("DispId:Clear", "0x60030001")
    Q_CLASSINFO("DispId:EnsureVisible", "0x60030002")
    Q_CLASSINFO("DispId:RemoveElem", "0x60030003")
    Q_PROPERTY(qint32 Count READ Count)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setListEnabled)
    Q_PROPERTY(qint32 LinesCount READ LinesCount WRITE setLinesCount)
    Q_PROPERTY(bool LockOnEnter READ LockOnEnter WRITE setLockOnEnter)
    Q_PROPERTY(qint32 SelectedIndex READ SelectedIndex WRITE setSelectedIndex)

public:
    // Six pairs of boxes at their design places, 329 x 109 pixels, no rows. Trapped
    // as ".VrnFieldList.UserControl_Initialize".
    explicit VrnFieldList(QWidget *parent = nullptr);
    // Clears the rows (one Change event to whoever still listens). Trapped as
    // ".VrnFieldList.UserControl_Terminate".
    ~VrnFieldList() override;

    qint32 Count() const { return qint32(m_rows.size()); }
    bool Enabled() const { return m_enabled; }
    // A different value is stored and redrawn.
    void setListEnabled(bool vValue);
    qint32 LinesCount() const { return m_linesCount; }
    // A different value sets the height to vValue x 18 + 1 pixels, whose layout
    // yields that many visual rows. A negative value is error 5, one beyond the
    // toolkit's largest height error 6.
    void setLinesCount(qint32 vValue);
    bool LockOnEnter() const { return m_lockOnEnter; }
    void setLockOnEnter(bool vValue) { m_lockOnEnter = vValue; }
    qint32 SelectedIndex() const { return m_selectedIndex; }
    // A different value is stored, redrawn and announced with SelectedChange. There
    // is no range check and no scrolling.
    void setSelectedIndex(qint32 vValue);

    // Appends a row, shows it, selects it and, for an editable row, puts the focus in
    // its name box with the whole name selected (which fails while the list cannot
    // take the focus: hidden or disabled).
    Q_INVOKABLE void AddElem(const QString &fieldName, const QString &fieldValue, bool Editable);
    // Removes every row; the selection number stays as it was.
    Q_INVOKABLE void Clear();
    // Scrolls row Index into view, when the rows do not all fit.
    Q_INVOKABLE void EnsureVisible(qint32 Index);
    // Removes row Index; a number out of range does nothing.
    Q_INVOKABLE void RemoveElem(qint32 Index);

    // For the component itself (not automation): the stored rows (error 9 out of
    // range), the window and the pool of boxes.
    QString RowNames(qint32 row) const;
    QString RowValues(qint32 row) const;
    bool RowEditable(qint32 row) const;
    qint32 FirstVisible() const { return m_firstVisible; }
    qint32 RowsCreated() const { return m_rowsCreated; }
    qint32 NameWidth() const { return m_nameWidth; }
    QLineEdit *txtFieldName(int index) const;  // error 9 for a box that does not exist
    QLineEdit *txtFieldValue(int index) const; // error 9 for a box that does not exist
    QScrollBar *VScroll1() const { return m_scroll; }

    QSize sizeHint() const override;

signals:
    void AddField(const QString &Name, const QString &Value);
    void Change();
    void ChangingFieldName(const QString &OldName, const QString &NewName, bool &Cancel);
    void ChangingFieldValue(const QString &OldValue, const QString &NewValue, bool &Cancel);
    void ChangeFieldName(const QString &OldName, const QString &NewName);
    void ChangeFieldValue(const QString &Name, const QString &Value);
    void RemoveField(const QString &Name, const QString &Value);
    void SelectedChange();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Row
    {
        QString name;
        QString value;
        bool editable = false;
    };

    void UserControl_Initialize();
    void UserControl_Terminate();
    void UserControl_Resize();
    void UserControl_GotFocus();
    void UserControl_KeyDown(int KeyCode, int Shift);
    void IRefresh();
    void IEnsureVisible(qint32 Index, bool Refresh);
    void VScroll1_Change();
    void VScroll1_KeyDown(int KeyCode, int Shift);
    void txtFieldName_Click(int Index);
    void txtFieldValue_Click(int Index);
    void txtFieldName_LostFocus(int Index);
    void txtFieldValue_LostFocus(int Index);
    void txtFieldName_KeyDown(int Index, int KeyCode, int Shift);
    void txtFieldValue_KeyDown(int Index, int KeyCode, int Shift);
    void OnKey(int KeyCode, int Shift, bool InName, bool InValue);

    void selectRow(const QString &source, int Index);
    void drawRow(qint32 row, int visual);
    void blankRow(int visual);
    Row &rowAt(qint32 row);
    const Row &rowAt(qint32 row) const;
    QLineEdit *createBox(const QString &name, int index);
    void applyHeight(int pixels);

    QList<Row> m_rows; // RowNames, RowValues and RowEditable in one list
    bool m_enabled = true;
    bool m_lockOnEnter = true;
    qint32 m_selectedIndex = 0;
    qint32 m_linesCount = 0;
    qint32 m_firstVisible = 1;
    qint32 m_rowsCreated = 6;
    qint32 m_nameWidth = 128;
    bool m_refreshing = false;

    QList<QLineEdit *> m_names;
    QList<QLineEdit *> m_values;
    QScrollBar *m_scroll = nullptr;
};

} // namespace FieldList

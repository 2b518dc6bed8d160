// SPDX-License-Identifier: Apache-2.0
// VrnFieldList: a scrollable two-column list of editable name/value rows.
//
// The list keeps its rows itself (1-based row numbers in every interface) and shows
// them in a fixed pool of single-line boxes, `txtFieldName(i)` and `txtFieldValue(i)`
// (named "txtFieldName_0", "txtFieldValue_0" ...), with the scroll bar "VScroll1" at
// the right, all inside the user control `control()`. Visual row i, at the top i x 18
// pixels, shows row FirstVisible + i. Six pairs exist from the start; a taller list
// creates more, and none is ever destroyed. Scrolling rewrites the texts, colours and
// states of the visible pairs only, so a redraw costs the same whatever the number of
// rows.
//
// The owner keeps its data in step through the events, raised synchronously to the
// one listener set with setEvents:
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
// scroll through the pool and when a rename is committed.
//
// Sizes are pixels, as the toolkit places controls: the list converts no twips itself.
//
// The automation property Enabled is not the control's enabled state: false draws
// every box disabled and grey (the scroll bar stays usable), while the control itself
// stays enabled. Its C++ accessors are Enabled() and setListEnabled().
//
// Operations and the internal handlers are trapped (".VrnFieldList.AddElem" ...):
// a failure shows the trap's message and the operation ends where it stood. The
// property accessors are not trapped: their failures reach the caller.
#pragma once

#include "automation/Object.h"
#include "platform/Toolkit.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace Automation {
class ClassInfo;
}

namespace FieldList {

class VrnFieldList : public Automation::Object
{
public:
    static constexpr char InterfaceName[] = "_VrnFieldList";

    // The owner's handlers of the eight events. Each does nothing unless overridden.
    class Events
    {
    public:
        virtual ~Events() = default;
        virtual void AddField(const std::u16string & /*Name*/, const std::u16string & /*Value*/) {}
        virtual void Change() {}
        virtual void ChangingFieldName(const std::u16string & /*OldName*/,
                                       const std::u16string & /*NewName*/, bool & /*Cancel*/)
        {}
        virtual void ChangingFieldValue(const std::u16string & /*OldValue*/,
                                        const std::u16string & /*NewValue*/, bool & /*Cancel*/)
        {}
        virtual void ChangeFieldName(const std::u16string & /*OldName*/,
                                     const std::u16string & /*NewName*/)
        {}
        virtual void ChangeFieldValue(const std::u16string & /*Name*/,
                                      const std::u16string & /*Value*/)
        {}
        virtual void RemoveField(const std::u16string & /*Name*/, const std::u16string & /*Value*/)
        {}
        virtual void SelectedChange() {}
    };

    // Six pairs of boxes at their design places, no rows, in a user control named
    // `name` inside `parent` (none: a window of its own, not shown), then laid out at
    // its design size, 329 x 109 pixels (six visual rows). Trapped as
    // ".VrnFieldList.UserControl_Initialize".
    static Automation::Ref<VrnFieldList> create(Platform::Container *parent,
                                                const std::string &name);

    const Automation::ClassInfo *classInfo() const override;
    static const Automation::ClassInfo &staticClassInfo();

    // Where the events go from now on (nullptr: nowhere).
    void setEvents(Events *events) { m_events = events; }

    std::int32_t Count() const { return std::int32_t(m_rows.size()); }
    bool Enabled() const { return m_enabled; }
    // A different value is stored and redrawn.
    void setListEnabled(bool vValue);
    std::int32_t LinesCount() const { return m_linesCount; }
    // A different value sets the height to vValue x 18 + 1 pixels, and the layout
    // yields that many visual rows at once, shown or not. A negative value is error
    // 5, one beyond the toolkit's largest height error 6.
    void setLinesCount(std::int32_t vValue);
    bool LockOnEnter() const { return m_lockOnEnter; }
    void setLockOnEnter(bool vValue) { m_lockOnEnter = vValue; }
    std::int32_t SelectedIndex() const { return m_selectedIndex; }
    // A different value is stored, redrawn and announced with SelectedChange. There
    // is no range check and no scrolling.
    void setSelectedIndex(std::int32_t vValue);

    // Appends a row, shows it, selects it and, for an editable row, puts the focus in
    // its name box with the whole name selected (which fails while the list cannot
    // take the focus: hidden or disabled).
    void AddElem(const std::u16string &fieldName, const std::u16string &fieldValue, bool Editable);
    // Removes every row; the selection number stays as it was.
    void Clear();
    // Scrolls row Index into view, when the rows do not all fit.
    void EnsureVisible(std::int32_t Index);
    // Removes row Index; a number out of range does nothing.
    void RemoveElem(std::int32_t Index);

    // For the component itself (not automation): the stored rows (error 9 out of
    // range), the control and its pool of boxes.
    std::u16string RowNames(std::int32_t row) const;
    std::u16string RowValues(std::int32_t row) const;
    bool RowEditable(std::int32_t row) const;
    std::int32_t FirstVisible() const { return m_firstVisible; }
    std::int32_t RowsCreated() const { return m_rowsCreated; }
    std::int32_t NameWidth() const { return m_nameWidth; }
    // Places the control in its parent; a new size lays the rows out at once.
    void setGeometry(const Platform::Rect &pixels);
    Platform::UserControl &control() { return *m_control; }
    Platform::TextBox &txtFieldName(int index);  // error 9 for a box that does not exist
    Platform::TextBox &txtFieldValue(int index); // error 9 for a box that does not exist
    Platform::ScrollBar &VScroll1() { return *m_scroll; }

protected:
    // As create; the server module makes its instances through a class of its own.
    VrnFieldList(Platform::Container *parent, const std::string &name);
    // Clears the rows (one Change event to whoever still listens). Trapped as
    // ".VrnFieldList.UserControl_Terminate".
    ~VrnFieldList() override;

private:
    struct Row
    {
        std::u16string name;
        std::u16string value;
        bool editable = false;
    };

    void UserControl_Initialize();
    void UserControl_Terminate();
    void UserControl_Resize();
    void UserControl_GotFocus();
    void UserControl_KeyDown(int KeyCode, int Shift);
    void IRefresh();
    void IEnsureVisible(std::int32_t Index, bool Refresh);
    void VScroll1_Change();
    void VScroll1_KeyDown(int KeyCode, int Shift);
    void txtFieldName_Click(int Index);
    void txtFieldValue_Click(int Index);
    void txtFieldName_LostFocus(int Index);
    void txtFieldValue_LostFocus(int Index);
    void txtFieldName_KeyDown(int Index, int KeyCode, int Shift);
    void txtFieldValue_KeyDown(int Index, int KeyCode, int Shift);
    void OnKey(int KeyCode, int Shift, bool InName, bool InValue);

    void selectRow(const char16_t *source, int Index);
    void drawRow(std::int32_t row, int visual);
    void blankRow(int visual);
    Row &rowAt(std::int32_t row);
    const Row &rowAt(std::int32_t row) const;
    Platform::TextBox &createBox(bool value, int index);
    // Runs the layout when the control's size is not the one last laid out.
    void layOutNewSize();
    template <class... Parameters, class... Arguments>
    void raiseEvent(void (Events::*event)(Parameters...), Arguments &&...arguments);

    // The control first: its children go before it.
    std::unique_ptr<Platform::UserControl> m_control;
    std::vector<std::unique_ptr<Platform::TextBox>> m_names;
    std::vector<std::unique_ptr<Platform::TextBox>> m_values;
    std::unique_ptr<Platform::ScrollBar> m_scroll;
    Events *m_events = nullptr;

    // RowNames, RowValues and RowEditable in one list; removing the first row is as
    // cheap as removing the last.
    std::deque<Row> m_rows;
    bool m_enabled = true;
    bool m_lockOnEnter = true;
    std::int32_t m_selectedIndex = 0;
    std::int32_t m_linesCount = 0;
    std::int32_t m_firstVisible = 1;
    std::int32_t m_rowsCreated = 6;
    std::int32_t m_nameWidth = 128;
    bool m_refreshing = false;
    int m_laidOutWidth = -1; // the size of the last layout
    int m_laidOutHeight = -1;
};

} // namespace FieldList

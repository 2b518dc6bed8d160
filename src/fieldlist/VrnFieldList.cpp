// SPDX-License-Identifier: Apache-2.0
#include "VrnFieldList.h"

#include "automation/AutomationError.h"
#include "automation/ClassInfo.h"
#include "automation/Variant.h"
#include "i18n/mdlLanguage.h"
#include "i18n/mdli18n.h"
#include "platform/KeyCodes.h"
#include "platform/SystemColors.h"
#include "trap/ErrorTrap.h"

#include <cmath>
#include <cstddef>
#include <utility>

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

// The largest height a window takes, in pixels: a LinesCount beyond it overflows.
constexpr int LargestHeight = 16777215;

// The scroll bar's settings are 16-bit: a value beyond that range is error 6.
int int16(std::int32_t value)
{
    return Automation::Variant(value).toInteger();
}

// Error 5 when the box cannot take the focus, as the toolkit reports it.
void giveFocus(Control &box)
{
    if (!box.isVisible() || !box.isEnabled())
        Automation::raise(Automation::InvalidProcedureCall);
    box.setFocus();
}

void selectAllText(TextBox &box)
{
    box.setSelection(0, int(box.text().size()));
}

void setText(TextBox &box, const std::u16string &text)
{
    // An equal text is left alone so that the cursor of the box stays where it is.
    if (box.text() != text)
        box.setText(text);
}

// What a screen reader announces for a box of the row of `field` (none for a blank
// row), in the component's language.
std::u16string rowBoxName(bool value, const std::u16string &field)
{
    const bool french = mdlLanguage::CurrentLanguage() == u"french";
    if (field.empty())
        return value ? (french ? u"Valeur" : u"Value") : (french ? u"Nom" : u"Name");
    const std::u16string head = value ? (french ? u"Valeur du champ " : u"Value of ")
                                      : (french ? u"Nom du champ " : u"Name of ");
    return head + field;
}

void nameBoxes(TextBox &name, TextBox &value, const std::u16string &field)
{
    name.setAccessibleName(rowBoxName(false, field));
    value.setAccessibleName(rowBoxName(true, field));
}

void copyFont(Font &to, Font &from)
{
    to.setName(from.name());
    to.setSize(from.size());
    to.setCharset(from.charset());
}

} // namespace

// Runs the owner's handler. Its failures are its own: the list goes on as if it had
// returned.
template <class... Parameters, class... Arguments>
void VrnFieldList::raiseEvent(void (Events::*event)(Parameters...), Arguments &&...arguments)
{
    if (!m_events)
        return;
    try {
        (m_events->*event)(std::forward<Arguments>(arguments)...);
    } catch (...) {
    }
}

const Automation::ClassInfo *VrnFieldList::classInfo() const
{
    return &staticClassInfo();
}

const Automation::ClassInfo &VrnFieldList::staticClassInfo()
{
    using Text = std::u16string;
    static const Automation::ClassInfo info =
        Automation::ClassBuilder<VrnFieldList>(
            "VrnFieldList", "OrvFields.VrnFieldList", "{C3FC5ABC-D82F-4149-8A9D-E65B3B534642}",
            InterfaceName, "{01039751-D21B-4409-8B1A-9EB0805FE20C}")
            .control()
            .get("Count", 0x68030000, &VrnFieldList::Count)
            .get("Enabled", 0x68030001, &VrnFieldList::Enabled)
            .put("Enabled", 0x68030001, &VrnFieldList::setListEnabled)
            .get("LinesCount", 0x68030002, &VrnFieldList::LinesCount)
            .put("LinesCount", 0x68030002, &VrnFieldList::setLinesCount)
            .get("LockOnEnter", 0x68030003, &VrnFieldList::LockOnEnter)
            .put("LockOnEnter", 0x68030003, &VrnFieldList::setLockOnEnter)
            .get("SelectedIndex", 0x68030004, &VrnFieldList::SelectedIndex)
            .put("SelectedIndex", 0x68030004, &VrnFieldList::setSelectedIndex)
            .method("AddElem", 0x60030000, &VrnFieldList::AddElem,
                    {"fieldName", "fieldValue", "Editable"})
            .method("Clear", 0x60030001, &VrnFieldList::Clear)
            .method("EnsureVisible", 0x60030002, &VrnFieldList::EnsureVisible, {"Index"})
            .method("RemoveElem", 0x60030003, &VrnFieldList::RemoveElem, {"Index"})
            .events("__VrnFieldList", "{92410201-0FEB-4E83-80EA-6533530FEF14}")
            .event<Text, Text>("AddField", 1, {"Name", "Value"})
            .event<>("Change", 2, {})
            .event<Text, Text, bool &>("ChangingFieldName", 3, {"OldName", "NewName", "Cancel"})
            .event<Text, Text, bool &>("ChangingFieldValue", 4, {"OldValue", "NewValue", "Cancel"})
            .event<Text, Text>("ChangeFieldName", 5, {"OldName", "NewName"})
            .event<Text, Text>("ChangeFieldValue", 6, {"Name", "Value"})
            .event<Text, Text>("RemoveField", 7, {"Name", "Value"})
            .event<>("SelectedChange", 8, {})
            .build();
    return info;
}

Automation::Ref<VrnFieldList> VrnFieldList::create(Container *parent, const std::string &name)
{
    return Automation::Ref<VrnFieldList>(new VrnFieldList(parent, name));
}

VrnFieldList::VrnFieldList(Container *parent, const std::string &name)
    : m_control(createUserControl(parent, name))
{
    m_control->setFocusable(true);
    for (int i = 0; i < PairsAtCreation; ++i) {
        createBox(false, i).setGeometry({0, i * RowPitch, DesignNameWidth, BoxHeight});
        createBox(true, i).setGeometry(
            {DesignValueLeft, i * RowPitch, DesignValueWidth, BoxHeight});
    }
    m_scroll = createScrollBar(*m_control, "VScroll1");
    m_scroll->setGeometry({DesignWidth - DesignScrollWidth, 0, DesignScrollWidth, DesignHeight});
    // The toolkit's defaults for a scroll bar: 0 to 32767 in steps of 1.
    m_scroll->setRange(0, 32767);
    m_scroll->setSmallChange(1);
    m_scroll->setLargeChange(1);
    UserControl_Initialize();
    m_scroll->onChange = [this] {
        VScroll1_Change();
    };
    m_scroll->onKeyDown = [this](int key, int shift) {
        VScroll1_KeyDown(key, shift);
    };
    m_control->onResize = [this] {
        UserControl_Resize();
    };
    m_control->onGotFocus = [this] {
        UserControl_GotFocus();
    };
    m_control->onKeyDown = [this](int key, int shift) {
        UserControl_KeyDown(key, shift);
    };
    // Sited at its design size: the first layout.
    setGeometry({0, 0, DesignWidth, DesignHeight});
}

VrnFieldList::~VrnFieldList()
{
    UserControl_Terminate();
    // Destroying the controls may move the focus: no notification may reach a list
    // that is going away.
    for (auto *boxes : {&m_names, &m_values}) {
        for (const std::unique_ptr<TextBox> &box : *boxes) {
            box->onChange = nullptr;
            box->onClick = nullptr;
            box->onGotFocus = nullptr;
            box->onLostFocus = nullptr;
            box->onKeyDown = nullptr;
        }
    }
    m_scroll->onChange = nullptr;
    m_scroll->onKeyDown = nullptr;
    m_control->onResize = nullptr;
    m_control->onGotFocus = nullptr;
    m_control->onKeyDown = nullptr;
}

void VrnFieldList::UserControl_Initialize()
{
    ErrorTrap trap(u".VrnFieldList.UserControl_Initialize");
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
    ErrorTrap trap(u".VrnFieldList.UserControl_Terminate");
    trap.run([&] {
        trap.at(1);
        Clear();
        trap.at(2);
        m_rows = {};
    });
}

TextBox &VrnFieldList::createBox(bool value, int index)
{
    std::unique_ptr<TextBox> made = createTextBox(
        *m_control, (value ? "txtFieldValue_" : "txtFieldName_") + std::to_string(index));
    TextBox &box = *made;
    box.setAccessibleName(rowBoxName(value, {}));
    if (value) {
        box.onClick = [this, index] {
            txtFieldValue_Click(index);
        };
        box.onLostFocus = [this, index] {
            txtFieldValue_LostFocus(index);
        };
        box.onKeyDown = [this, index](int key, int shift) {
            txtFieldValue_KeyDown(index, key, shift);
        };
    } else {
        box.onClick = [this, index] {
            txtFieldName_Click(index);
        };
        box.onLostFocus = [this, index] {
            txtFieldName_LostFocus(index);
        };
        box.onKeyDown = [this, index](int key, int shift) {
            txtFieldName_KeyDown(index, key, shift);
        };
    }
    (value ? m_values : m_names).push_back(std::move(made));
    box.show();
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

void VrnFieldList::setLinesCount(std::int32_t vValue)
{
    if (vValue == m_linesCount)
        return;
    if (vValue < 0)
        Automation::raise(Automation::InvalidProcedureCall);
    if (vValue > (LargestHeight - 1) / RowPitch)
        Automation::raise(Automation::Overflow);
    m_linesCount = vValue;
    Rect place = m_control->geometry();
    place.height = vValue * RowPitch + 1;
    setGeometry(place);
}

void VrnFieldList::setGeometry(const Rect &pixels)
{
    m_control->setGeometry(pixels);
    layOutNewSize();
}

void VrnFieldList::layOutNewSize()
{
    // A toolkit may hold back the resize of a hidden control until it is shown; the
    // layout must follow now.
    const Rect now = m_control->geometry();
    if (now.width != m_laidOutWidth || now.height != m_laidOutHeight)
        UserControl_Resize();
}

void VrnFieldList::setSelectedIndex(std::int32_t vValue)
{
    if (vValue == m_selectedIndex)
        return;
    m_selectedIndex = vValue;
    IRefresh();
    raiseEvent(&Events::SelectedChange);
}

// ---- rows

VrnFieldList::Row &VrnFieldList::rowAt(std::int32_t row)
{
    if (row < 1 || row > Count())
        Automation::raise(Automation::SubscriptOutOfRange);
    return m_rows[std::size_t(row - 1)];
}

const VrnFieldList::Row &VrnFieldList::rowAt(std::int32_t row) const
{
    if (row < 1 || row > Count())
        Automation::raise(Automation::SubscriptOutOfRange);
    return m_rows[std::size_t(row - 1)];
}

std::u16string VrnFieldList::RowNames(std::int32_t row) const
{
    return rowAt(row).name;
}

std::u16string VrnFieldList::RowValues(std::int32_t row) const
{
    return rowAt(row).value;
}

bool VrnFieldList::RowEditable(std::int32_t row) const
{
    return rowAt(row).editable;
}

TextBox &VrnFieldList::txtFieldName(int index)
{
    if (index < 0 || std::size_t(index) >= m_names.size())
        Automation::raise(Automation::SubscriptOutOfRange);
    return *m_names[std::size_t(index)];
}

TextBox &VrnFieldList::txtFieldValue(int index)
{
    if (index < 0 || std::size_t(index) >= m_values.size())
        Automation::raise(Automation::SubscriptOutOfRange);
    return *m_values[std::size_t(index)];
}

void VrnFieldList::AddElem(const std::u16string &fieldName, const std::u16string &fieldValue,
                           bool Editable)
{
    ErrorTrap trap(u".VrnFieldList.AddElem");
    trap.run([&] {
        trap.at(1);
        m_rows.push_back(Row{fieldName, fieldValue, Editable});
        trap.at(2);
        IRefresh();
        trap.at(3);
        raiseEvent(&Events::Change);
        trap.at(4);
        raiseEvent(&Events::AddField, fieldName, fieldValue);
        trap.at(5);
        EnsureVisible(Count());
        trap.at(6);
        setSelectedIndex(Count());
        trap.at(7);
        raiseEvent(&Events::SelectedChange);
        trap.at(8);
        if (Editable) {
            const int i = Count() - m_firstVisible;
            TextBox &name = txtFieldName(i);
            selectAllText(name);
            giveFocus(name);
            // The face stays with these two boxes, whatever row they show later.
            const std::u16string face = mdli18n::SystemFont(2);
            name.font().setName(face);
            txtFieldValue(i).font().setName(face);
        }
    });
}

void VrnFieldList::RemoveElem(std::int32_t Index)
{
    ErrorTrap trap(u".VrnFieldList.RemoveElem");
    trap.run([&] {
        trap.at(1);
        if (Index < 1 || Index > Count())
            return;
        trap.at(2);
        const Row removed = m_rows[std::size_t(Index - 1)];
        trap.at(3);
        m_rows.erase(m_rows.begin() + std::ptrdiff_t(Index - 1));
        trap.at(4);
        if (m_selectedIndex == Index) {
            if (m_selectedIndex > Count())
                --m_selectedIndex;
            raiseEvent(&Events::SelectedChange);
        } else if (m_selectedIndex > Index) {
            --m_selectedIndex;
        }
        trap.at(5);
        if (m_firstVisible > 1 && m_firstVisible + m_linesCount - 1 > Count())
            --m_firstVisible;
        trap.at(6);
        IRefresh();
        trap.at(7);
        raiseEvent(&Events::Change);
        trap.at(8);
        raiseEvent(&Events::RemoveField, removed.name, removed.value);
    });
}

void VrnFieldList::Clear()
{
    ErrorTrap trap(u".VrnFieldList.Clear");
    trap.run([&] {
        trap.at(1);
        m_rows.clear();
        trap.at(2);
        IRefresh();
        trap.at(3);
        raiseEvent(&Events::Change);
    });
}

void VrnFieldList::EnsureVisible(std::int32_t Index)
{
    ErrorTrap trap(u".VrnFieldList.EnsureVisible");
    trap.run([&] {
        trap.at(1);
        IEnsureVisible(Index, true);
    });
}

// ---- layout and drawing

void VrnFieldList::UserControl_Resize()
{
    ErrorTrap trap(u".VrnFieldList.UserControl_Resize");
    trap.run([&] {
        trap.at(1);
        const Rect size = m_control->geometry();
        m_laidOutWidth = size.width;
        m_laidOutHeight = size.height;
        const int w = size.width;
        const int h = size.height - 1;
        trap.at(2);
        m_linesCount = h / RowPitch + (h % RowPitch == 0 ? 0 : 1);
        trap.at(3);
        if (m_rowsCreated < m_linesCount) {
            for (int i = m_rowsCreated; i < m_linesCount; ++i) {
                // New boxes copy the first pair's settings, then take the fonts for
                // the user's script.
                TextBox &name = createBox(false, i);
                copyFont(name.font(), m_names.front()->font());
                name.setGeometry({0, i * RowPitch, name.geometry().width, BoxHeight});
                mdli18n::SetProperFont(name.font(), 0, 1);
                TextBox &value = createBox(true, i);
                copyFont(value.font(), m_values.front()->font());
                value.setGeometry({m_nameWidth, i * RowPitch, value.geometry().width, BoxHeight});
                mdli18n::SetProperFont(value.font(), 0, 1);
                // Keyboard order: row by row, the scroll bar last.
                m_control->setTabOrder(txtFieldValue(i - 1), name);
                m_control->setTabOrder(name, value);
                m_control->setTabOrder(value, *m_scroll);
            }
            m_rowsCreated = m_linesCount;
        }
        trap.at(4);
        const int s = m_scroll->geometry().width;
        m_nameWidth = int(std::nearbyint(double(w - s) / 100 * NameShare));
        trap.at(5);
        for (int i = 0; i < m_linesCount; ++i) {
            TextBox &name = txtFieldName(i);
            const Rect n = name.geometry();
            name.setGeometry({n.left, n.top, m_nameWidth + 1, BoxHeight});
            TextBox &value = txtFieldValue(i);
            value.setGeometry({m_nameWidth, value.geometry().top, w - m_nameWidth - s, BoxHeight});
        }
        trap.at(6);
        m_scroll->setGeometry({w - s, m_scroll->geometry().top, s, h + 1});
        trap.at(7);
        IRefresh();
    });
}

void VrnFieldList::IRefresh()
{
    ErrorTrap trap(u".VrnFieldList.IRefresh");
    const bool done = trap.run([&] {
        trap.at(1);
        if (m_refreshing)
            return;
        m_refreshing = true;
        trap.at(2);
        const std::int32_t count = Count();
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
            m_scroll->setRange(int16(1), int16(count - m_linesCount + 1));
            m_scroll->setLargeChange(int16(m_linesCount));
            m_scroll->setSmallChange(int16(1));
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

void VrnFieldList::drawRow(std::int32_t row, int visual)
{
    const Row &r = rowAt(row);
    const bool selected = m_selectedIndex == row;

    TextBox &name = txtFieldName(visual);
    if (!m_enabled) {
        name.setEnabled(false);
        name.setBackColor(SystemColor(COLOR_3DLIGHT));
    } else if (r.editable) {
        name.setEnabled(true);
        name.setReadOnly(false);
        name.setBackColor(selected ? GetSysColor(COLOR_GRADIENTACTIVECAPTION)
                                   : SystemColor(COLOR_WINDOW));
    } else {
        name.setEnabled(true);
        name.setReadOnly(true);
        name.setBackColor(selected ? GetSysColor(COLOR_MENUHILIGHT) : SystemColor(COLOR_3DLIGHT));
    }
    setText(name, r.name);

    // Values stay editable in every row: the value box's read-only state is never set.
    TextBox &value = txtFieldValue(visual);
    if (!m_enabled) {
        value.setEnabled(false);
        value.setBackColor(SystemColor(COLOR_3DLIGHT));
    } else {
        value.setEnabled(true);
        value.setBackColor(selected ? GetSysColor(COLOR_GRADIENTACTIVECAPTION)
                                    : SystemColor(COLOR_WINDOW));
    }
    setText(value, r.value);
    nameBoxes(name, value, r.name);
}

void VrnFieldList::blankRow(int visual)
{
    for (TextBox *box : {&txtFieldName(visual), &txtFieldValue(visual)}) {
        box->setEnabled(false);
        box->setBackColor(SystemColor(COLOR_3DLIGHT));
        setText(*box, {});
    }
    nameBoxes(txtFieldName(visual), txtFieldValue(visual), {});
}

void VrnFieldList::IEnsureVisible(std::int32_t Index, bool Refresh)
{
    ErrorTrap trap(u".VrnFieldList.IEnsureVisible");
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
    ErrorTrap trap(u".VrnFieldList.VScroll1_Change");
    trap.run([&] {
        trap.at(1);
        if (m_firstVisible != m_scroll->value()) {
            m_firstVisible = m_scroll->value();
            IRefresh();
        }
    });
}

// ---- editing and keyboard

void VrnFieldList::UserControl_GotFocus()
{
    ErrorTrap trap(u".VrnFieldList.UserControl_GotFocus");
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

void VrnFieldList::selectRow(const char16_t *source, int Index)
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
        raiseEvent(&Events::SelectedChange);
    });
}

void VrnFieldList::txtFieldName_Click(int Index)
{
    selectRow(u".VrnFieldList.txtFieldName_Click", Index);
}

void VrnFieldList::txtFieldValue_Click(int Index)
{
    selectRow(u".VrnFieldList.txtFieldValue_Click", Index);
}

void VrnFieldList::txtFieldName_LostFocus(int Index)
{
    ErrorTrap trap(u".VrnFieldList.txtFieldName_LostFocus");
    trap.run([&] {
        trap.at(1);
        const std::int32_t r = m_firstVisible + Index;
        if (r > Count())
            return;
        trap.at(2);
        const std::u16string oldName = rowAt(r).name;
        const std::u16string newName = txtFieldName(Index).text();
        bool cancel = false;
        trap.at(3);
        raiseEvent(&Events::ChangingFieldName, oldName, newName, cancel);
        if (!cancel) {
            trap.at(4);
            rowAt(r).name = newName;
            nameBoxes(txtFieldName(Index), txtFieldValue(Index), newName);
            raiseEvent(&Events::ChangeFieldName, oldName, newName);
        } else {
            trap.at(5);
            txtFieldName(Index).setText(oldName);
        }
    });
}

void VrnFieldList::txtFieldValue_LostFocus(int Index)
{
    ErrorTrap trap(u".VrnFieldList.txtFieldValue_LostFocus");
    trap.run([&] {
        trap.at(1);
        const std::int32_t r = m_firstVisible + Index;
        if (r > Count())
            return;
        trap.at(2);
        const std::u16string oldValue = rowAt(r).value;
        const std::u16string newValue = txtFieldValue(Index).text();
        bool cancel = false;
        trap.at(3);
        raiseEvent(&Events::ChangingFieldValue, oldValue, newValue, cancel);
        if (!cancel) {
            trap.at(4);
            rowAt(r).value = newValue;
            const std::u16string name = txtFieldName(Index).text();
            raiseEvent(&Events::ChangeFieldValue, name, newValue);
        } else {
            trap.at(5);
            txtFieldValue(Index).setText(oldValue);
        }
    });
}

void VrnFieldList::txtFieldName_KeyDown(int Index, int KeyCode, int Shift)
{
    ErrorTrap trap(u".VrnFieldList.txtFieldName_KeyDown");
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
    ErrorTrap trap(u".VrnFieldList.txtFieldValue_KeyDown");
    trap.run([&] {
        trap.at(1);
        OnKey(KeyCode, Shift, false, true);
        trap.at(2);
        if (KeyCode == vbKeyReturn)
            txtFieldValue_LostFocus(Index);
    });
}

void VrnFieldList::OnKey(int KeyCode, int /*Shift*/, bool InName, bool InValue)
{
    // Every shift state moves alike.
    ErrorTrap trap(u".VrnFieldList.OnKey");
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
        raiseEvent(&Events::SelectedChange);
        trap.at(6);
        // Moving the focus makes the box that had it commit, with the text the
        // redraw put into it.
        if (InName || InValue) {
            const int v = m_selectedIndex - m_firstVisible;
            TextBox &box = InName ? txtFieldName(v) : txtFieldValue(v);
            selectAllText(box);
            giveFocus(box);
        }
    });
}

} // namespace FieldList

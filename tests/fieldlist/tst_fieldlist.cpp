// SPDX-License-Identifier: Apache-2.0
// The field list on the headless toolkit: its rows and their events, its layout and
// colours, and editing with the mouse and the keyboard. Every event is recorded with its
// arguments and whole sequences are compared.
#include "automation/Dispatch.h"
#include "fieldlist/VrnFieldList.h"
#include "platform/KeyCodes.h"
#include "platform/SystemFonts.h"
#include "support/Boxes.h"
#include "support/Headless.h"

#include <stdexcept>
#include <vector>

using FieldList::VrnFieldList;
using Support::u16;
using Support::utf8;
using namespace Platform;
namespace User = Platform::Headless;

namespace {

// Records the list's events as "Event(arg,arg)" words; the Changing handlers set Cancel
// as told, and can fail after that.
struct EventLog : VrnFieldList::Events
{
    using Text = std::u16string;
    std::string lines;
    bool cancel = false;
    bool fail = false;
    VrnFieldList &list;

    explicit EventLog(VrnFieldList &observed) : list(observed) { list.setEvents(this); }
    ~EventLog() override { list.setEvents(nullptr); }

    void add(const char *event, const std::vector<Text> &args = {})
    {
        lines += (lines.empty() ? "" : " ") + std::string(event);
        for (std::size_t i = 0; i < args.size(); ++i)
            lines += (i ? "," : "(") + utf8(args[i]) + (i + 1 == args.size() ? ")" : "");
    }
    void changing(const char *event, const Text &o, const Text &n, bool &c)
    {
        add(event, {o, n, c ? u"true" : u"false"});
        c = cancel;
        if (fail)
            throw std::runtime_error("handler failed");
    }
    void AddField(const Text &n, const Text &v) override { add("AddField", {n, v}); }
    void Change() override { add("Change"); }
    void ChangingFieldName(const Text &o, const Text &n, bool &c) override
    {
        changing("ChangingFieldName", o, n, c);
    }
    void ChangingFieldValue(const Text &o, const Text &n, bool &c) override
    {
        changing("ChangingFieldValue", o, n, c);
    }
    void ChangeFieldName(const Text &o, const Text &n) override { add("ChangeFieldName", {o, n}); }
    void ChangeFieldValue(const Text &n, const Text &v) override
    {
        add("ChangeFieldValue", {n, v});
    }
    void RemoveField(const Text &n, const Text &v) override { add("RemoveField", {n, v}); }
    void SelectedChange() override { add("SelectedChange"); }

    std::string take() { return std::exchange(lines, {}); }
};

// The two events of a name committed unchanged.
std::string sameName(const std::string &name)
{
    return "ChangingFieldName(" + name + "," + name + ",false) ChangeFieldName(" + name + "," +
           name + ")";
}

// A shown form holding a list of its design size (329 x 109 pixels, six rows) and a box
// outside the list. No message box may be left at the end.
struct Window
{
    Support::HeadlessRun run;
    Boxes boxes;
    std::unique_ptr<Form> form = createForm("window");
    Automation::Ref<VrnFieldList> list = VrnFieldList::create(form.get(), "UserFields");
    std::unique_ptr<TextBox> other = createTextBox(*form, "other");
    ScrollBar &bar = list->VScroll1();

    Window() { form->show(); }
    ~Window() { CHECK(boxes.take() == std::vector<std::string>()); }

    TextBox &name(int i) { return list->txtFieldName(i); }
    TextBox &value(int i) { return list->txtFieldValue(i); }
    // "name i", "value i" or "bar".
    Control &widget(const std::string &where)
    {
        if (where == "bar")
            return bar;
        const int i = where.back() - '0';
        return where[0] == 'n' ? static_cast<Control &>(name(i)) : value(i);
    }
    // Appends rows "nK" with values "vK", numbered on from the rows there are.
    void fill(int rows, bool editable = true)
    {
        for (int k = list->Count() + 1, last = list->Count() + rows; k <= last; ++k)
            list->AddElem(u16("n" + std::to_string(k)), u16("v" + std::to_string(k)), editable);
    }
    // The names shown in the first `rows` visual rows, joined with "|".
    std::string shownNames(int rows = 6)
    {
        std::string names;
        for (int i = 0; i < rows; ++i)
            names += (i ? "|" : "") + utf8(name(i).text());
        return names;
    }
};

} // namespace

TEST_CASE("Enabled late bound")
{
    // (The class table itself is checked against the type library: windows_typelib.)
    Window w;
    // Enabled is the list's own property, not the control's state.
    w.fill(1, false);
    Automation::put(w.list.get(), u"Enabled", false);
    CHECK((!w.name(0).isEnabled() && w.list->control().isEnabled()));
    CHECK(Automation::call(w.list.get(), u"Count").toLong() == 1);
    Automation::put(w.list.get(), u"Enabled", -1);
    CHECK(w.name(0).isEnabled());
}

TEST_CASE("AddElem: its events, the selection, the focus and the message font")
{
    Window w;
    // A face of its own for the message font, so its use is visible.
    SystemFontHandlers faces;
    faces.nonClientMetrics = [](NonClientMetrics &m) {
        m.lfMessageFont.lfFaceName = FaceNameOf(u"Message Face");
        return true;
    };
    const SystemFontHandlers previous = setSystemFontHandlers(faces);
    EventLog log(*w.list);
    w.list->AddElem(u"Name", u"Value", true);
    setSystemFontHandlers(previous);
    CHECK(log.take() == "Change AddField(Name,Value) SelectedChange SelectedChange");
    CHECK(User::selectedText(w.name(0)) == u"Name");
    CHECK(w.name(0).font().name() == u"Message Face");
    CHECK(w.value(0).font().name() == u"Message Face");
    CHECK(w.name(1).font().name() != u"Message Face");

    // Already selected by number: the setter is silent, the final event stays.
    w.list->AddElem(u"b", u"2", false);
    w.list->setSelectedIndex(3);
    log.take();
    w.list->AddElem(u"c", u"3", false);
    CHECK(log.take() == "Change AddField(c,3) SelectedChange");
    CHECK(w.shownNames() == "Name|b|c|||");

    // A hidden list lays out at once, and keeps a row whose box cannot take the focus.
    const Automation::Ref<VrnFieldList> hidden = VrnFieldList::create(nullptr, "hidden");
    hidden->setLinesCount(8);
    CHECK(hidden->RowsCreated() == 8);
    hidden->AddElem(u"a", u"1", true);
    CHECK(w.boxes.take() ==
          std::vector<std::string>{"0 OrvFields: (OrvFields.VrnFieldList.AddElem) "
                                   "Error 5 : Invalid procedure call or "
                                   "argument Line 8"});
    CHECK(hidden->txtFieldName(0).text() == u"a");
}

TEST_CASE("RemoveElem: the selection, the events and the window of rows")
{
    const struct
    {
        const char *what;
        int rows, selected, index, selectedAfter;
        std::string events;
        int firstVisible; // scrolled there before the removal
        std::string shown;
    } rows[] = {
        {"index 0", 3, 3, 0, 3, "", 1, "n1|n2|n3"},
        {"index Count+1", 3, 3, 4, 3, "", 1, "n1|n2|n3"},
        {"selected last row", 3, 3, 3, 2, "SelectedChange Change RemoveField(n3,v3)", 1, "n1|n2|"},
        {"row above the selection", 3, 3, 1, 2, "Change RemoveField(n1,v1)", 1, "n2|n3|"},
        {"selected middle row", 3, 2, 2, 2, "SelectedChange Change RemoveField(n2,v2)", 1,
         "n1|n3|"},
        {"only row", 1, 1, 1, 0, "SelectedChange Change RemoveField(n1,v1)", 1, "||"},
        // Ten rows scrolled to 5: the window moves back to show rows 4 to 9.
        {"scrolled", 10, 0, 5, 0, "Change RemoveField(n5,v5)", 5, "n4|n6|n7"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.what);
        Window w;
        w.fill(row.rows, false);
        w.list->setSelectedIndex(row.selected);
        w.bar.setValue(row.firstVisible);
        EventLog log(*w.list);
        w.list->RemoveElem(row.index);
        CHECK(log.take() == row.events);
        CHECK(w.list->SelectedIndex() == row.selectedAfter);
        CHECK(w.shownNames(3) == row.shown);
    }
}

TEST_CASE("Clear keeps the selection number and resets the window")
{
    Window w;
    EventLog log(*w.list);
    w.list->Clear(); // also when there was nothing to clear
    CHECK(log.take() == "Change");
    w.fill(10, false);
    w.bar.setValue(3);
    w.list->setSelectedIndex(4);
    log.take();
    w.list->Clear();
    CHECK(log.take() == "Change");
    CHECK(w.list->SelectedIndex() == 4);
    CHECK(!w.bar.isEnabled());
    w.list->AddElem(u"x", u"y", false);
    CHECK(w.name(0).text() == u"x");
}

TEST_CASE("layout: rows of the height, boxes made and kept")
{
    Window w;
    CHECK(std::vector<int>{w.list->LinesCount(), w.list->RowsCreated(), w.list->NameWidth()} ==
          std::vector<int>{6, 6, 125});
    CHECK(w.bar.geometry() == Rect{312, 0, 17, 109});

    // One pixel more: a seventh, partly visible row gets a new pair, blank.
    w.list->control().setGeometry({0, 0, 329, 110});
    CHECK((w.name(6).isVisible() && !w.name(6).isEnabled()));

    w.list->setLinesCount(10);
    CHECK(w.list->control().geometry().height == 181);
    CHECK(w.bar.geometry().height == 181);
    for (int i = 0; i < 10; ++i) {
        CAPTURE(i);
        CHECK(w.name(i).geometry() == Rect{0, i * 18, 126, 19});
        CHECK(w.value(i).geometry() == Rect{125, i * 18, 187, 19});
    }
    // Smaller again: the boxes stay, below the visible area. The same count again
    // leaves a height that is not the count's alone; a negative one is refused.
    w.list->setLinesCount(6);
    CHECK(w.list->control().geometry().height == 109);
    CHECK(w.list->RowsCreated() == 10);
    w.list->control().setGeometry({0, 0, 329, 115});
    w.list->setLinesCount(7);
    CHECK(w.list->control().geometry().height == 115);
    CHECK(Support::errorOf([&] { w.list->setLinesCount(-1); }) == 5);
}

TEST_CASE("the scroll bar and EnsureVisible")
{
    Window w;
    w.fill(6, false);
    CHECK(!w.bar.isEnabled());
    w.fill(1, false);
    CHECK(w.bar.isEnabled());
    CHECK(std::vector<int>{w.bar.minimum(), w.bar.maximum(), w.bar.largeChange(),
                           w.bar.smallChange()} == std::vector<int>{1, 2, 6, 1});
    CHECK(w.bar.value() == 2); // the new row scrolled into view

    w.fill(3, false); // ten rows, the last six shown
    CHECK(w.shownNames() == "n5|n6|n7|n8|n9|n10");
    w.list->EnsureVisible(3); // back up, redrawn (a row in view stays: the Up and Down cases)
    CHECK(w.bar.value() == 3);
}

TEST_CASE("boxes are named after their row for screen readers")
{
    // Also after a rename; a blank row's boxes are "Name" and "Value".
    Window w;
    auto names = [&](int i) {
        return utf8(User::accessibleName(w.name(i)) + u"|" + User::accessibleName(w.value(i)));
    };
    w.fill(1);
    CHECK(names(0) + "|" + names(1) == "Name of n1|Value of n1|Name|Value");
    w.name(0).setFocus();
    w.name(0).setText(u"renamed");
    w.other->setFocus();
    CHECK(names(0) == "Name of renamed|Value of renamed");
}

TEST_CASE("the scroll bar's 16-bit limit ends the redraw in its trap")
{
    Window w;
    w.fill(32766 + 6, false); // the most the 16-bit scroll bar takes
    CHECK(w.bar.maximum() == 32767);
    CHECK(w.boxes.shown.empty());
    w.list->AddElem(u"last", {}, false);
    CHECK(w.boxes.takePrompts().at(0) ==
          u"(OrvFields.VrnFieldList.IRefresh) Error 6 : Overflow Line 4");
    // The rows were drawn before the scroll bar failed, and redraws still run.
    CHECK(w.name(5).text() == u"last");
    w.list->RemoveElem(1);
    CHECK(w.bar.value() == 32767);
}

TEST_CASE("seven colour states: by reference, or read at the redraw")
{
    Window w;
    w.list->AddElem(u"editable", {}, true);
    w.list->AddElem(u"fixed", {}, false);
    // The boxes of the two rows and of a visual row without a row: a system colour by
    // reference by its name, one read at the redraw as "=name", then the box's state.
    const auto states = [&] {
        std::string found;
        for (int v = 0; v < 3; ++v) {
            for (const TextBox *box : {&w.name(v), &w.value(v)}) {
                const OleColor c = box->backColor();
                found += std::string(found.empty() ? "" : " ") +
                         (c == SystemColor(COLOR_WINDOW)                  ? "window"
                          : c == SystemColor(COLOR_3DLIGHT)               ? "light"
                          : c == GetSysColor(COLOR_GRADIENTACTIVECAPTION) ? "=caption"
                          : c == GetSysColor(COLOR_MENUHILIGHT)           ? "=menu"
                                                                          : "other") +
                         (!box->isEnabled()   ? "/disabled"
                          : box->isReadOnly() ? "/read-only"
                                              : "");
            }
        }
        return found;
    };
    REQUIRE(GetSysColor(COLOR_GRADIENTACTIVECAPTION) != GetSysColor(COLOR_MENUHILIGHT));
    w.list->setSelectedIndex(1);
    CHECK(states() == "=caption =caption light/read-only window light/disabled light/disabled");
    w.list->setSelectedIndex(2);
    CHECK(states() == "window window =menu/read-only =caption light/disabled light/disabled");

    // The list disabled: every box grey and disabled.
    w.list->setListEnabled(false);
    CHECK(states() == "light/disabled light/disabled light/disabled light/disabled "
                      "light/disabled light/disabled");
}

TEST_CASE("typing a name, then clicking the value")
{
    Window w;
    w.fill(2);
    EventLog log(*w.list);
    // The focus comes to row 1 without a click: the row is not selected yet.
    w.name(0).setFocus();
    CHECK(log.take() == sameName("n2"));
    User::type(u"x");
    User::click(w.value(0));
    CHECK(log.take() == "ChangingFieldName(n1,n1x,false) ChangeFieldName(n1,n1x) SelectedChange");

    // Back into the selected row: a commit of the value, no selection event.
    User::click(w.name(0));
    CHECK(log.take() == "ChangingFieldValue(v1,v1,false) ChangeFieldValue(n1x,v1)");
    // Leaving without typing still commits, old equal to new.
    w.other->setFocus();
    CHECK(log.take() == sameName("n1x"));
}

TEST_CASE("Enter commits, and locks the name when LockOnEnter says so")
{
    for (const auto &[lock, cancel] : {std::pair{true, false}, {true, true}, {false, false}}) {
        CAPTURE(lock);
        CAPTURE(cancel);
        Window w;
        w.fill(2);
        w.list->setLockOnEnter(lock);
        w.name(0).setFocus();
        EventLog log(*w.list);
        // A handler that cancels fails after that: the list goes on, cancelled, silently.
        log.cancel = log.fail = cancel;
        User::type(u"x");
        User::press(vbKeyReturn);
        CHECK(log.take() == "ChangingFieldName(n1,n1x,false)" +
                                std::string(cancel ? "" : " ChangeFieldName(n1,n1x)"));
        CHECK(w.list->RowNames(1) == (cancel ? u"n1" : u"n1x"));
        CHECK(w.list->RowEditable(1) == !lock);
        CHECK(w.name(0).isReadOnly() == lock); // redrawn
        CHECK(w.name(0).hasFocus());

        // Enter in a value box commits the value only, whatever LockOnEnter says.
        w.value(1).setFocus();
        log.take();
        User::type(u"y");
        User::press(vbKeyReturn);
        CHECK(log.take() == "ChangingFieldValue(v2,v2y,false)" +
                                std::string(cancel ? "" : " ChangeFieldValue(n2,v2y)"));
        CHECK(w.list->RowValues(2) == (cancel ? u"v2" : u"v2y"));
        CHECK(w.list->RowEditable(2));
    }
}

TEST_CASE("Up and Down move the selection, committing first")
{
    // The name, then the value typed in the box, are committed before the move; the box
    // commits once more, unchanged, when it loses the focus.
    const std::string typedValue = sameName("n1") + " ChangingFieldValue(v1,v1typed,false) "
                                                    "ChangeFieldValue(n1,v1typed) SelectedChange "
                                                    "ChangingFieldValue(v1typed,v1typed,false) "
                                                    "ChangeFieldValue(n1,v1typed)";
    const std::string select = " SelectedChange ";
    const struct
    {
        const char *what;
        int rows, selected;
        std::string focus; // as Window::widget takes it
        std::u16string typed;
        int key, shift;
        std::string events;
        int selectedAfter, firstVisibleAfter;
        std::string focusAfter;
    } rows[] = {
        {"Shift+Ctrl+Down in a value box", 3, 1, "value 0", u"typed", vbKeyDown,
         vbShiftMask | vbCtrlMask, typedValue, 2, 1, "value 1"},
        {"Up in a name box", 3, 2, "name 1", u"", vbKeyUp, 0,
         sameName("n2") + select + sameName("n2"), 1, 1, "name 0"},
        {"Down out of the window, ten rows", 10, 6, "name 5", u"", vbKeyDown, 0,
         sameName("n6") + select + sameName("n10"), 7, 5, "name 2"},
        {"Down out of the window, twenty rows", 20, 6, "name 5", u"", vbKeyDown, 0,
         sameName("n6") + select + sameName("n12"), 7, 7, "name 0"},
        // The scroll bar still gets the key and steps by one row.
        {"Down on the scroll bar", 10, 2, "bar", u"", vbKeyDown, 0,
         sameName("n2") + " SelectedChange", 3, 2, "bar"},
        {"Down on the last row", 3, 3, "name 2", u"", vbKeyDown, 0, "", 3, 1, "name 2"},
        {"Up on row 1", 3, 1, "name 0", u"", vbKeyUp, 0, "", 1, 1, "name 0"},
        {"Down without a selection", 3, 0, "name 0", u"", vbKeyDown, 0, "", 0, 1, "name 0"},
        {"Page Down", 3, 2, "name 1", u"", vbKeyPageDown, 0, "", 2, 1, "name 1"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.what);
        Window w;
        w.fill(row.rows);
        w.bar.setValue(1);
        w.list->setSelectedIndex(row.selected);
        w.widget(row.focus).setFocus();
        User::type(row.typed);
        EventLog log(*w.list);
        User::press(row.key, row.shift);
        CHECK(log.take() == row.events);
        CHECK(w.list->SelectedIndex() == row.selectedAfter);
        CHECK(w.list->FirstVisible() == row.firstVisibleAfter);
        CHECK(w.widget(row.focusAfter).hasFocus());
        if (auto *box = dynamic_cast<TextBox *>(&w.widget(row.focusAfter));
            box && row.selectedAfter != row.selected)
            CHECK(User::selectedText(*box) == box->text());
    }
}

TEST_CASE("the focus arriving on the list goes to the selected row's value")
{
    Window w;
    w.fill(10);
    w.list->setSelectedIndex(2); // out of view: rows 5 to 10 are shown
    // From a box of the list to the list itself: the box's edit is committed before the
    // list scrolls to the selection.
    w.name(0).setFocus();
    User::type(u"x");
    EventLog log(*w.list);
    User::click(w.list->control());
    CHECK(log.take() == "ChangingFieldName(n5,n5x,false) ChangeFieldName(n5,n5x)");
    CHECK(w.list->FirstVisible() == 2);
    CHECK(w.value(0).hasFocus());

    // By Tab from outside to a disabled list: its value box cannot take the focus, which
    // stays on the list, silently.
    w.other->setFocus();
    w.list->setListEnabled(false);
    User::press(vbKeyTab);
    CHECK(w.list->control().hasFocus());
    // No selection: nothing moves.
    w.list->setListEnabled(true);
    w.other->setFocus();
    w.list->setSelectedIndex(0);
    User::press(vbKeyTab);
    CHECK(w.list->control().hasFocus());

    // Backwards out of the first box the focus passes the list by, even with a
    // selection that would draw it back in.
    w.list->setSelectedIndex(3);
    w.name(0).setFocus();
    User::press(vbKeyTab, vbShiftMask);
    CHECK(w.other->hasFocus());
}

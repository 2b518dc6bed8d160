// SPDX-License-Identifier: Apache-2.0
// Toolkit: the windows and controls the component draws its dialog and its field list
// with, as small interfaces. Each build implements them once: with Qt widgets on
// Linux (qt/), with Win32 windows on Windows (win32/). Only what the component uses is
// here.
//
// Geometry is in pixels, relative to the client area of the parent (twips are
// converted by the caller, Twips.h). Texts are UTF-16. Colours are OLE colours
// (SystemColors.h): a system colour is kept by reference and follows later changes of
// the system's colours; a plain RGB value stays as given.
//
// Controls are made by the create functions below, inside a parent container; the
// caller owns the control, and destroying it destroys its window. Every control has a
// name ("txtField_0", "cmdApply" ...) that the platform gives its window, so that
// tests and accessibility tools find it.
//
// Events are plain callbacks, run synchronously on the user-interface thread: the
// control calls the handler its owner set, and an unset handler is skipped. A handler
// must not throw (the component's handlers trap their own failures); one that does is
// stopped at the toolkit's edge and ignored. Which notifications raise which event:
//  - TextBox::onChange: every change of the text, by the user or by the program;
//  - onClick: a press of the left mouse button (a text box), a press of the button,
//    a change of the selected entry (a drop-down list, by the user or the program);
//  - onGotFocus, onLostFocus: the input focus moving into or out of the control from
//    or to another control of the same window; the window as a whole losing or getting
//    back the activation (a message box, another program) is neither;
//  - onKeyDown(KeyCode, Shift): a key going down while the control has the focus,
//    before the control handles the key (which it still gets; KeyCodes.h);
//  - ScrollBar::onChange: a new value, by the user or by the program;
//  - UserControl::onResize, onGotFocus (the control itself, not one of its children,
//    takes the focus), onKeyDown (a key while the control itself has the focus);
//  - Form::onActivate: once each time the form is shown, after the show is handled;
//    Form::onQueryUnload(cancel): the user asks to close the window (its close box);
//    a handler that sets `cancel` keeps it open, else it closes and its modal run ends.
#pragma once

#include "SystemColors.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace Platform {

struct Rect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const Rect &, const Rect &) = default;
};

// A text box's font, as automation code sees it: a face name, a size in points and a
// Windows character set (StdFont's Name, Size and Charset). Changes show at once. A
// box never given a character set reads 1, DEFAULT_CHARSET.
class Font
{
public:
    virtual ~Font() = default;
    virtual std::u16string name() const = 0;
    // An empty name leaves the face to the toolkit's default.
    virtual void setName(const std::u16string &name) = 0;
    virtual double size() const = 0; // points
    virtual void setSize(double points) = 0;
    virtual int charset() const = 0;
    virtual void setCharset(int charset) = 0;
};

// Character-set numbers of the system's font interface.
enum Charset
{
    ANSI_CHARSET = 0,
    DEFAULT_CHARSET = 1,
    SHIFTJIS_CHARSET = 128,
    HANGEUL_CHARSET = 129,
    GB2312_CHARSET = 134,
    CHINESEBIG5_CHARSET = 136,
    GREEK_CHARSET = 161,
    TURKISH_CHARSET = 162,
    HEBREW_CHARSET = 177,
    ARABIC_CHARSET = 178,
    BALTIC_CHARSET = 186,
    RUSSIAN_CHARSET = 204,
    EASTEUROPE_CHARSET = 238,
};

class Control
{
public:
    virtual ~Control() = default;

    virtual void setGeometry(const Rect &pixels) = 0;
    virtual Rect geometry() const = 0;
    // Shown: this control and every container above it are visible.
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    void show() { setVisible(true); }
    void hide() { setVisible(false); }
    // Enabled: this control and every container above it are enabled.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setBackColor(OleColor color) = 0;
    // The colour last set; 0 (black) when none was.
    virtual OleColor backColor() const = 0;
    // A disabled control draws its text in the system's grey text, whatever its colour.
    virtual void setForeColor(OleColor color) = 0;
    // The colour last set; button text when none was.
    virtual OleColor foreColor() const = 0;
    // Moves the input focus here (the caller checks that the control is shown and
    // enabled); the owner of the focus before gets its onLostFocus first.
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;
    // What a screen reader announces for the control.
    virtual void setAccessibleName(const std::u16string &name) = 0;
    // Above its siblings.
    virtual void raise() = 0;
    // Paints what changed, now.
    virtual void repaint() = 0;
};

// A control that holds others: a form, a panel, a user control.
class Container : public Control
{
public:
    // Keyboard order: `second` comes right after `first` (both children of this one).
    virtual void setTabOrder(Control &first, Control &second) = 0;
};

enum class Alignment
{
    Left,
    Centre, // horizontally; the text starts at the top
};

class Label : public Control
{
public:
    virtual void setCaption(const std::u16string &caption) = 0;
    virtual std::u16string caption() const = 0;
    virtual void setAlignment(Alignment alignment) = 0;
    virtual void setWordWrap(bool wrap) = 0;
};

// A single-line text box. Its text shows whole in a tooltip when the box cuts it off.
class TextBox : public Control
{
public:
    virtual std::u16string text() const = 0;
    virtual void setText(const std::u16string &text) = 0;
    virtual void setReadOnly(bool readOnly) = 0;
    virtual bool isReadOnly() const = 0;
    // SelStart and SelLength; the cursor goes to the end of the selection.
    virtual void setSelection(int start, int length) = 0;
    virtual Font &font() = 0;

    std::function<void()> onChange;
    std::function<void()> onClick;
    std::function<void()> onGotFocus;
    std::function<void()> onLostFocus;
    std::function<void(int keyCode, int shift)> onKeyDown;
};

// A drop-down list of texts, of which only the selected position is read.
class DropDownList : public Control
{
public:
    virtual void clear() = 0;
    virtual void addItem(const std::u16string &text) = 0;
    virtual int count() const = 0;
    virtual std::u16string itemText(int index) const = 0;
    // -1 when nothing is selected.
    virtual int selectedIndex() const = 0;
    virtual void setSelectedIndex(int index) = 0;

    std::function<void()> onClick; // the selected position changed
};

// A push button. It is never a default button: Enter and Escape press nothing.
class Button : public Control
{
public:
    virtual void setCaption(const std::u16string &caption) = 0;
    virtual std::u16string caption() const = 0;

    std::function<void()> onClick;
};

class ScrollBar : public Control
{
public:
    // Min, Max, SmallChange and LargeChange are the toolkit's 16-bit settings.
    virtual void setRange(int minimum, int maximum) = 0;
    virtual int minimum() const = 0;
    virtual int maximum() const = 0;
    virtual void setSmallChange(int step) = 0;
    virtual int smallChange() const = 0;
    virtual void setLargeChange(int step) = 0;
    virtual int largeChange() const = 0;
    virtual void setValue(int value) = 0;
    virtual int value() const = 0;

    std::function<void()> onChange;
    std::function<void(int keyCode, int shift)> onKeyDown;
};

// A raised panel, drawn with its own background above the controls it overlaps.
class Panel : public Container
{
};

// A bar from 0 to 100; a value outside is drawn as the nearest end.
class ProgressBar : public Control
{
public:
    virtual void setValue(int percent) = 0;
    virtual int value() const = 0;
};

// A control of the component's own, made of other controls (the field list).
class UserControl : public Container
{
public:
    // Whether the control itself takes the focus (by Tab or a click on itself).
    virtual void setFocusable(bool focusable) = 0;

    std::function<void()> onResize;
    std::function<void()> onGotFocus;
    std::function<void(int keyCode, int shift)> onKeyDown;
};

// A fixed-size dialog window without minimise and maximise buttons.
class Form : public Container
{
public:
    virtual void setCaption(const std::u16string &caption) = 0;
    // The icon of the window: the images of that name the build carries ("frmMain").
    virtual void setIcon(const std::string &name) = 0;
    // The font of the form and of the controls made in it afterwards: the first face,
    // of a list separated by ";", that the system has ("Tahoma;DejaVu Sans Condensed":
    // Tahoma, else a face of similar width).
    virtual void setFont(const std::u16string &faces, double points) = 0;
    virtual void setClientSize(int width, int height) = 0;
    // Shows the form modally, over the thread's active window, and runs the message
    // loop until the form is hidden (by the program, or closed by the user).
    virtual void showModal() = 0;
    // While held, mouse and keyboard input aimed at the form's controls is dropped
    // before it reaches them; the controls keep their look.
    virtual void setInputHeld(bool held) = 0;

    std::function<void()> onActivate;
    std::function<void(bool &cancel)> onQueryUnload;
};

// How an implementation raises an event: the owner's handler, if set, run on a copy (an
// owner may replace the handler from inside it), its failures stopped here.
template <typename Handler, typename... Args> void fire(const Handler &handler, Args &&...args)
{
    if (!handler)
        return;
    try {
        Handler copy = handler;
        copy(std::forward<Args>(args)...);
    } catch (...) {
    }
}

std::unique_ptr<Form> createForm(const std::string &name);
std::unique_ptr<Label> createLabel(Container &parent, const std::string &name);
std::unique_ptr<TextBox> createTextBox(Container &parent, const std::string &name);
std::unique_ptr<DropDownList> createDropDownList(Container &parent, const std::string &name);
std::unique_ptr<Button> createButton(Container &parent, const std::string &name);
std::unique_ptr<ScrollBar> createScrollBar(Container &parent, const std::string &name);
std::unique_ptr<Panel> createPanel(Container &parent, const std::string &name);
std::unique_ptr<ProgressBar> createProgressBar(Container &parent, const std::string &name);
// Without a parent, a window of its own, not shown (a control created by its
// programmatic identifier, before a host places it).
std::unique_ptr<UserControl> createUserControl(Container *parent, const std::string &name);

} // namespace Platform

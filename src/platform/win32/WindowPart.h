// SPDX-License-Identifier: Apache-2.0
// WindowPart: what the files of the Win32 toolkit share and no one else sees: the part
// of every control that its window knows, the component's window classes, the fonts
// and accessible names the parts are given, and how a control's window is made.
//
// Each control owns one window, which reaches its control through the window's user
// data (cleared when either goes, so that nothing raised while a window is taken down
// reaches a control). A container (form, panel, user control) receives its children's
// notifications (WM_COMMAND, WM_VSCROLL, WM_CTLCOLOR*, WM_DRAWITEM, WM_NOTIFY) and
// hands them to the child's control; the standard controls are subclassed so that
// keys, left presses and focus changes raise their events before the control handles
// them.
#pragma once

#include "platform/Toolkit.h"

#include "Win32Toolkit.h"

#include <memory>
#include <string>
#include <vector>

namespace Platform::Win32 {

// The control's name as a C string: another module of the process (a client driving
// the component's dialog) reads it there without knowing the part's layout.
inline constexpr wchar_t NameProperty[] = L"OrvFields.ControlName";
inline constexpr wchar_t FormClass[] = L"OrvFields.Form";
inline constexpr wchar_t PanelClass[] = L"OrvFields.Panel";
inline constexpr wchar_t UserControlClass[] = L"OrvFields.UserControl";
inline constexpr wchar_t ProgressBarClass[] = L"OrvFields.ProgressBar";

// ---- fonts

struct FontSpec
{
    std::u16string face;
    double points = 0;
    int charset = DEFAULT_CHARSET;

    friend bool operator==(const FontSpec &, const FontSpec &) = default;
};

HFONT makeFont(const FontSpec &wanted);
// The system's dialog font, for windows that no form gave one.
HFONT defaultFont();
FontSpec defaultFontSpec();
// The first face of a list separated by ";" that the system has; the first of the
// list when it has none (the system then picks a face of its own).
std::u16string firstInstalledFace(const std::u16string &faces);

// ---- accessible names

// Gives the window the accessible name screen readers read (IAccPropServices); false
// when the system has no service for it.
bool annotate(HWND window, const std::u16string &name);
void clearAnnotation(HWND window);

// ---- the part of every control that its window knows

class WindowPart
{
public:
    WindowPart() = default;
    WindowPart(const WindowPart &) = delete;
    WindowPart &operator=(const WindowPart &) = delete;
    virtual ~WindowPart()
    {
        if (m_brush)
            DeleteObject(m_brush);
    }

    HWND hwnd = nullptr;
    std::string controlName;
    std::u16string accessibleText;
    bool annotated = false;
    OleColor back = 0;
    bool hasBack = false;
    // Asked to paint again, and not painted since.
    bool repaintPending = false;
    OleColor fore = SystemColor(COLOR_BTNTEXT);
    bool hasFore = false;
    // The font the window's form gave it, or the system's dialog font.
    FontSpec fontSpec = defaultFontSpec();
    HFONT hfont = defaultFont();
    // Containers: their children in keyboard order.
    bool isContainer = false;
    std::vector<HWND> tabOrder;
    // Top-level windows: the control that had the focus last, the tooltip of the text
    // boxes inside.
    HWND lastFocus = nullptr;
    HWND tooltip = nullptr;

    // Notifications from the window's parent.
    virtual void command(WORD) {}
    virtual void verticalScroll(WORD, int) {}
    virtual void draw(const DRAWITEMSTRUCT &) {}
    virtual wchar_t *tooltipText() { return nullptr; }
    // Input and focus, from the window itself.
    virtual void keyDown(int, int) {}
    // Mouse input, before the control handles it (a tooltip follows the pointer).
    virtual void mouseInput(UINT, WPARAM, LPARAM) {}
    virtual bool clickTakesFocus() const { return false; }
    virtual void click() {}
    virtual void gotFocus() {}
    virtual void lostFocus() {}
    virtual bool selectsAllOnTab() const { return false; }
    // Messages of the component's own window classes.
    virtual bool handle(UINT, WPARAM, LPARAM, LRESULT &) { return false; }
    // Brings the window up to date with what the program set and held back, before
    // the window handles any message (a paint, input, a question about its text).
    virtual void flush() {}

    virtual bool hasOwnFont() const { return false; }
    // The window was given another font.
    virtual void fontChanged() {}
    // The window's colours, or the system's, changed.
    virtual void coloursChanged() {}
    // A colour for a control that was given none (WM_CTLCOLOR*); false: the system's.
    virtual bool defaultBack(UINT, COLORREF &) const { return false; }
    // Containers without a colour of their own show their parent's.
    virtual bool inheritsBackground() const { return false; }

    COLORREF background() const;

    // Paints the window again at the next paint. A window already waiting for it is not
    // asked again: a list that scrolls row by row changes a box's colour at every step
    // before anything is painted, and each request is a round trip to wine's server.
    void invalidate(UINT flags)
    {
        if (repaintPending)
            return;
        repaintPending = true;
        RedrawWindow(hwnd, nullptr, nullptr, flags);
    }

    // A solid brush of `colour`, kept until another colour is asked for.
    HBRUSH brush(COLORREF colour)
    {
        if (!m_brush || colour != m_brushColour) {
            if (m_brush)
                DeleteObject(m_brush);
            m_brush = CreateSolidBrush(colour);
            m_brushColour = colour;
        }
        return m_brush;
    }

    // The window is going: it no longer reaches this part.
    void windowGone();
    // Names the window, once it is made.
    void setName(const std::string &name)
    {
        controlName = name;
        SetPropW(hwnd, NameProperty, const_cast<char *>(controlName.c_str()));
    }

protected:
    virtual void gone() {}

private:
    HBRUSH m_brush = nullptr;
    COLORREF m_brushColour = 0;
};

// The part of a window this module made, through the window's user data; null for
// any other window.
WindowPart *partOf(HWND window);
void attach(HWND window, WindowPart *part);
// The part of the window's parent.
WindowPart *containerOf(HWND window);
// Every window inside `root`, at any depth.
std::vector<HWND> descendants(HWND root);

// ---- the windows of controls

// The component's own classes (Form, Panel, UserControl, ProgressBar), once.
void registerClasses();
// A new child window of `parent`, shown, above its older siblings (as a later control
// is), last in its parent's keyboard order, with its parent's font.
void createChild(WindowPart &part, Container &parent, const std::string &name,
                 const wchar_t *windowClass, DWORD style, DWORD exStyle, bool subclassed);

// A control of class `Part` over a new child window of `parent` (createChild).
template <typename Part>
std::unique_ptr<Part> child(Container &parent, const std::string &name, const wchar_t *windowClass,
                            DWORD style, DWORD exStyle = 0, bool subclass = true)
{
    auto part = std::make_unique<Part>();
    createChild(*part, parent, name, windowClass, style, exStyle, subclass);
    return part;
}

} // namespace Platform::Win32

// SPDX-License-Identifier: Apache-2.0
// The toolkit's controls as Win32 windows (Toolkit.h, Win32Toolkit.h).
//
// Each control owns one window, which reaches its control through the window's user
// data (cleared when either goes, so that nothing raised while a window is taken down
// reaches a control). A container (form, panel, user control) receives its children's
// notifications (WM_COMMAND, WM_VSCROLL, WM_CTLCOLOR*, WM_DRAWITEM, WM_NOTIFY) and
// hands them to the child's control; the standard controls are subclassed so that
// keys, left presses and focus changes raise their events before the control handles
// them.
//
// There is no dialog manager: IsDialogMessage would press a default button on Enter
// and cancel on Escape. Tab and Shift+Tab are handled by the controls themselves,
// along the keyboard order of each container's children (creation order, changed by
// setTabOrder), containers' children right after the container.
//
// Focus: the focus moving between two controls of one top-level window raises lost
// and got focus; the window losing or getting back the activation (a message box,
// another program) raises neither, and the form gives the focus back to the control
// that had it, as the other toolkit does.
#include "platform/Toolkit.h"
#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "platform/KeyCodes.h"
#include "platform/Twips.h"

#include "Win32Toolkit.h"

#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Platform {

namespace {

// The control's name as a C string: another module of the process (a client driving
// the component's dialog) reads it there without knowing the part's layout.
constexpr wchar_t NameProperty[] = L"OrvFields.ControlName";
constexpr wchar_t FormClass[] = L"OrvFields.Form";
constexpr wchar_t PanelClass[] = L"OrvFields.Panel";
constexpr wchar_t UserControlClass[] = L"OrvFields.UserControl";
constexpr wchar_t ProgressBarClass[] = L"OrvFields.ProgressBar";
// Posted to a form after it is shown: its activation event.
constexpr UINT ActivateMessage = WM_APP + 0x4F1;
// Rows a drop-down list shows when it opens.
constexpr int DroppedRows = 10;

int shiftState()
{
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= vbShiftMask;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= vbCtrlMask;
    if (GetKeyState(VK_MENU) < 0)
        shift |= vbAltMask;
    return shift;
}

// ---- fonts

struct FontSpec
{
    std::u16string face;
    double points = 0;
    int charset = DEFAULT_CHARSET;

    friend bool operator==(const FontSpec &, const FontSpec &) = default;
};

HFONT makeFont(const FontSpec &wanted)
{
    LOGFONTW font{};
    font.lfHeight = -LONG(std::lround(wanted.points * ScreenDpiY() / 72));
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = BYTE(wanted.charset);
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = wide(wanted.face).substr(0, LF_FACESIZE - 1);
    std::copy(face.begin(), face.end(), font.lfFaceName);
    return CreateFontIndirectW(&font);
}

// The system's dialog font, for windows that no form gave one.
HFONT defaultFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

FontSpec defaultFontSpec()
{
    LOGFONTW font{};
    GetObjectW(defaultFont(), sizeof font, &font);
    return FontSpec{u16(font.lfFaceName), std::fabs(double(font.lfHeight)) * 72 / ScreenDpiY(),
                    DEFAULT_CHARSET};
}

int CALLBACK faceFound(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found)
{
    *reinterpret_cast<bool *>(found) = true;
    return 0;
}

bool faceInstalled(const std::u16string &face)
{
    if (face.empty() || face.size() >= LF_FACESIZE)
        return false;
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    const std::wstring name = wide(face);
    std::copy(name.begin(), name.end(), font.lfFaceName);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &font, faceFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The first face of a list separated by ";" that the system has; the first of the
// list when it has none (the system then picks a face of its own).
std::u16string firstInstalledFace(const std::u16string &faces)
{
    std::u16string first;
    std::size_t start = 0;
    while (start <= faces.size()) {
        std::size_t end = faces.find(u';', start);
        if (end == std::u16string::npos)
            end = faces.size();
        const std::u16string face(Automation::trimmed(faces.substr(start, end - start)));
        if (!face.empty()) {
            if (faceInstalled(face))
                return face;
            if (first.empty())
                first = face;
        }
        start = end + 1;
    }
    return first;
}

// ---- accessible names

// A system without the service (wine has the class but implements none of it) is
// asked once: a list names its rows at every redraw, and each question costs the
// creation of the service.
std::atomic<bool> accessibleNamesUnsupported{false};

bool annotate(HWND window, const std::u16string &name)
{
    IAccPropServices *services = nullptr;
    if (!window || accessibleNamesUnsupported)
        return false;
    HRESULT result = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IAccPropServices, reinterpret_cast<void **>(&services));
    if (SUCCEEDED(result)) {
        result = services->SetHwndPropStr(window, DWORD(OBJID_CLIENT), CHILDID_SELF,
                                          PROPID_ACC_NAME, wide(name).c_str());
        services->Release();
    }
    if (result == E_NOTIMPL || result == REGDB_E_CLASSNOTREG)
        accessibleNamesUnsupported = true;
    return SUCCEEDED(result);
}

void clearAnnotation(HWND window)
{
    IAccPropServices *services = nullptr;
    if (accessibleNamesUnsupported ||
        FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void **>(&services))))
        return;
    services->ClearHwndProps(window, DWORD(OBJID_CLIENT), CHILDID_SELF, &PROPID_ACC_NAME, 1);
    services->Release();
}

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

// A window reaches its part through its user data, which the process reads without
// asking the window server (a property costs a round trip to it under wine, and every
// message asks). Only windows this module made carry one of its parts: a host's windows
// made by another copy of this code are not ours.
WindowPart *partOf(HWND window)
{
    if (!window ||
        GetWindowLongPtrW(window, GWLP_HINSTANCE) != reinterpret_cast<LONG_PTR>(ThisModule()))
        return nullptr;
    return reinterpret_cast<WindowPart *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void attach(HWND window, WindowPart *part)
{
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(part));
}

WindowPart *containerOf(HWND window)
{
    return partOf(GetAncestor(window, GA_PARENT));
}

COLORREF WindowPart::background() const
{
    if (hasBack)
        return FromOleColor(back);
    if (inheritsBackground()) {
        if (const WindowPart *parent = containerOf(hwnd))
            return parent->background();
    }
    return ::GetSysColor(COLOR_BTNFACE);
}

void WindowPart::windowGone()
{
    if (!hwnd)
        return;
    gone();
    if (annotated)
        clearAnnotation(hwnd);
    attach(hwnd, nullptr);
    RemovePropW(hwnd, NameProperty);
    if (WindowPart *parent = containerOf(hwnd)) {
        std::vector<HWND> &order = parent->tabOrder;
        order.erase(std::remove(order.begin(), order.end(), hwnd), order.end());
    }
    if (WindowPart *root = partOf(GetAncestor(hwnd, GA_ROOT)); root && root->lastFocus == hwnd)
        root->lastFocus = nullptr;
    hwnd = nullptr;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM windows)
{
    reinterpret_cast<std::vector<HWND> *>(windows)->push_back(window);
    return TRUE;
}

// Every window inside `root`, at any depth.
std::vector<HWND> descendants(HWND root)
{
    std::vector<HWND> windows;
    if (root)
        EnumChildWindows(root, collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// ---- focus

// Shown and enabled, below its top-level window, and not inside `excluded`.
bool canTakeFocus(HWND window, HWND root, HWND excluded)
{
    for (HWND step = window; step && step != root; step = GetAncestor(step, GA_PARENT)) {
        const LONG style = GetWindowLongW(step, GWL_STYLE);
        if (step == excluded || (style & WS_VISIBLE) == 0 || (style & WS_DISABLED) != 0)
            return false;
    }
    return true;
}

bool isTabStop(HWND window)
{
    return (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) != 0;
}

// The keyboard order of the windows inside `container`.
void collectTabOrder(HWND container, std::vector<HWND> &order)
{
    const WindowPart *part = partOf(container);
    if (!part)
        return;
    for (HWND child : part->tabOrder) {
        order.push_back(child);
        const WindowPart *inside = partOf(child);
        if (inside && inside->isContainer)
            collectTabOrder(child, order);
    }
}

bool isFocusableUserControl(HWND window);

// The control that Tab (or Shift+Tab) moves the focus to from `from`, skipping what is
// inside `excluded`; null when there is none.
HWND nextFocus(HWND root, HWND from, bool backward, HWND excluded)
{
    std::vector<HWND> order;
    collectTabOrder(root, order);
    const auto count = std::ptrdiff_t(order.size());
    if (count == 0)
        return nullptr;
    const auto found = std::find(order.begin(), order.end(), from);
    std::ptrdiff_t index = found == order.end() ? (backward ? count : -1) : found - order.begin();
    for (std::ptrdiff_t step = 0; step < count; ++step) {
        index = ((backward ? index - 1 : index + 1) % count + count) % count;
        const HWND candidate = order[std::size_t(index)];
        // Going backwards a user control is reached from its own first child: it
        // passes the focus on, as a control whose children take the focus does.
        if (candidate == from || (backward && isFocusableUserControl(candidate)))
            continue;
        if (isTabStop(candidate) && canTakeFocus(candidate, root, excluded))
            return candidate;
    }
    return nullptr;
}

void focusByKeyboard(HWND window)
{
    SetFocus(window);
    const WindowPart *part = partOf(window);
    if (part && part->selectsAllOnTab())
        SendMessageW(window, EM_SETSEL, 0, -1);
}

void moveFocus(HWND from, bool backward)
{
    const HWND root = GetAncestor(from, GA_ROOT);
    if (const HWND target = nextFocus(root, from, backward, nullptr))
        focusByKeyboard(target);
}

// Before `window` is hidden or disabled: a focus inside it goes on to the next control,
// else to the top-level window itself.
void leaveFocus(HWND window)
{
    const HWND focus = GetFocus();
    const HWND root = GetAncestor(window, GA_ROOT);
    if (!focus || root == window || (focus != window && !IsChild(window, focus)))
        return;
    if (const HWND target = nextFocus(root, focus, false, window))
        focusByKeyboard(target);
    else
        SetFocus(root);
}

// Between two controls of one top-level window, not from or to another window.
bool movesBetweenControls(HWND window, HWND other)
{
    const HWND root = GetAncestor(window, GA_ROOT);
    return other && other != root && GetAncestor(other, GA_ROOT) == root;
}

void remember(HWND window)
{
    if (WindowPart *root = partOf(GetAncestor(window, GA_ROOT)))
        root->lastFocus = window;
}

// Keys, left presses and focus changes of a control's window, before the window's own
// handling (`standard`, called here when the event must follow it). True when the
// message is handled, with its result.
template <typename Standard>
bool handleInput(WindowPart &part, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT &result, Standard standard)
{
    result = 0;
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const int key = int(wParam & 0xFF);
        const int shift = shiftState();
        part.keyDown(key, shift);
        if (!IsWindow(window))
            return true; // the handler took the control away
        if (message == WM_KEYDOWN && key == VK_TAB && (shift & (vbCtrlMask | vbAltMask)) == 0) {
            moveFocus(window, (shift & vbShiftMask) != 0);
            return true;
        }
        return false;
    }
    case WM_CHAR:
        // Tab, Enter and Escape type nothing (a text box outside a dialog beeps).
        return wParam == L'\t' || wParam == L'\r' || wParam == L'\n' || wParam == 0x1B;
    case WM_LBUTTONDOWN:
        if (!part.clickTakesFocus())
            return false;
        // As in the other toolkit, the focus moves before the press is told.
        if (GetFocus() != window)
            SetFocus(window);
        if (IsWindow(window))
            part.click();
        return !IsWindow(window);
    case WM_SETFOCUS:
        remember(window);
        result = standard();
        if (movesBetweenControls(window, reinterpret_cast<HWND>(wParam)))
            part.gotFocus();
        return true;
    case WM_KILLFOCUS:
        if (movesBetweenControls(window, reinterpret_cast<HWND>(wParam)))
            part.lostFocus();
        return false;
    case WM_GETDLGCODE: {
        // Inside a host's dialog too, Enter and Escape reach the control.
        result = standard();
        const auto *key = reinterpret_cast<const MSG *>(lParam);
        if (key && key->message == WM_KEYDOWN &&
            (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE))
            result |= DLGC_WANTMESSAGE;
        return true;
    }
    default:
        return false;
    }
}

// The standard controls' own window procedures, which the subclass below hands every
// message on to. Kept apart from the parts: a control's window outlives its part for
// the last messages of its destruction. A window procedure replaced by hand, not by the
// common controls' SetWindowSubclass, which looks its data up in a window property at
// every message (a round trip to wine's server each).
std::unordered_map<HWND, WNDPROC> &standardProcedures()
{
    static std::unordered_map<HWND, WNDPROC> procedures;
    return procedures;
}

bool isMouseInput(UINT message)
{
    return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
           message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_MBUTTONDOWN ||
           message == WM_MBUTTONUP;
}

// The subclass of the standard controls.
LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto found = standardProcedures().find(window);
    const WNDPROC standard = found != standardProcedures().end() ? found->second : DefWindowProcW;
    try {
        WindowPart *part = partOf(window);
        if (message == WM_NCDESTROY) {
            if (part)
                part->windowGone();
            standardProcedures().erase(window);
            return CallWindowProcW(standard, window, message, wParam, lParam);
        }
        if (part) {
            part->flush();
            if (message == WM_PAINT)
                part->repaintPending = false;
            if (isMouseInput(message))
                part->mouseInput(message, wParam, lParam);
            LRESULT result = 0;
            if (handleInput(*part, window, message, wParam, lParam, result, [&] {
                    return CallWindowProcW(standard, window, message, wParam, lParam);
                }))
                return result;
        }
    } catch (...) {
    }
    return CallWindowProcW(standard, window, message, wParam, lParam);
}

void subclass(HWND window)
{
    standardProcedures()[window] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc)));
}

// The window procedure of the component's own classes.
LRESULT CALLBACK containerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        if (message == WM_NCCREATE) {
            auto *part = static_cast<WindowPart *>(
                reinterpret_cast<const CREATESTRUCTW *>(lParam)->lpCreateParams);
            part->hwnd = window;
            attach(window, part);
        }
        WindowPart *part = partOf(window);
        if (message == WM_NCDESTROY) {
            if (part)
                part->windowGone();
        } else if (part) {
            LRESULT result = 0;
            if (part->handle(message, wParam, lParam, result))
                return result;
        }
    } catch (...) {
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerClasses()
{
    static bool registered = false;
    if (registered)
        return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    for (const wchar_t *name : {FormClass, PanelClass, UserControlClass, ProgressBarClass}) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = containerProc;
        windowClass.hInstance = ThisModule();
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = name;
        // Classes of a library stay registered after it is unloaded: a library loaded
        // again replaces them.
        if (!RegisterClassExW(&windowClass) && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
            UnregisterClassW(name, ThisModule());
            RegisterClassExW(&windowClass);
        }
    }
    registered = true;
}

// ---- the controls

// A control over its window.
template <typename Interface> class Over : public Interface, public WindowPart
{
public:
    Over() = default;
    ~Over() override { destroyWindow(); }

    void setGeometry(const Rect &pixels) override
    {
        SetWindowPos(hwnd, nullptr, pixels.left, pixels.top, pixels.width, pixels.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Rect geometry() const override
    {
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        MapWindowPoints(HWND_DESKTOP, GetAncestor(hwnd, GA_PARENT),
                        reinterpret_cast<POINT *>(&frame), 2);
        return Rect{frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top};
    }
    void setVisible(bool visible) override
    {
        if (!visible)
            leaveFocus(hwnd);
        ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
    }
    bool isVisible() const override { return hwnd && IsWindowVisible(hwnd); }
    void setEnabled(bool enabled) override
    {
        // A window already disabled holds no focus: nothing to ask the system.
        if (!enabled && IsWindowEnabled(hwnd))
            leaveFocus(hwnd);
        EnableWindow(hwnd, enabled);
    }
    // A control's top-level window is left out: a message box disables it a while.
    bool isEnabled() const override
    {
        if (!hwnd)
            return false;
        const HWND root = GetAncestor(hwnd, GA_ROOT);
        if (root == hwnd)
            return IsWindowEnabled(hwnd) != FALSE;
        for (HWND step = hwnd; step && step != root; step = GetAncestor(step, GA_PARENT)) {
            if (!IsWindowEnabled(step))
                return false;
        }
        return true;
    }
    void setBackColor(OleColor color) override
    {
        if (hasBack && back == color)
            return;
        back = color;
        hasBack = true;
        coloursChanged();
        if (isContainer)
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        else
            invalidate(RDW_INVALIDATE | RDW_ERASE);
    }
    OleColor backColor() const override { return hasBack ? back : 0; }
    void setForeColor(OleColor color) override
    {
        fore = color;
        hasFore = true;
        coloursChanged();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    }
    OleColor foreColor() const override { return fore; }
    // In a window that is not active the control takes the focus when the window gets
    // the activation back, as the other toolkit does.
    void setFocus() override
    {
        if (!hwnd)
            return;
        const HWND root = GetAncestor(hwnd, GA_ROOT);
        if (root != hwnd && GetActiveWindow() != root) {
            if (WindowPart *top = partOf(root))
                top->lastFocus = hwnd;
            return;
        }
        SetFocus(hwnd);
    }
    bool hasFocus() const override { return hwnd && GetFocus() == hwnd; }
    // Lists name their rows again at every refresh: an unchanged name is not sent again.
    void setAccessibleName(const std::u16string &name) override
    {
        if (annotated && name == accessibleText)
            return;
        accessibleText = name;
        if (annotate(hwnd, name))
            annotated = true;
    }
    void raise() override
    {
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    void repaint() override
    {
        RedrawWindow(hwnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

protected:
    // The focus leaves quietly first: no control is told of a focus that moves because
    // one goes away.
    void destroyWindow()
    {
        const HWND window = hwnd;
        if (!window)
            return;
        const HWND root = GetAncestor(window, GA_ROOT);
        const HWND focus = GetFocus();
        windowGone();
        if (root != window && focus && (focus == window || IsChild(window, focus)))
            SetFocus(root);
        DestroyWindow(window);
    }
};

template <typename Interface> class ContainerOver : public Over<Interface>
{
public:
    ContainerOver() { this->isContainer = true; }

    void setTabOrder(Control &first, Control &second) override
    {
        const HWND after = windowOf(first);
        const HWND moved = windowOf(second);
        std::vector<HWND> &order = this->tabOrder;
        if (!after || !moved || after == moved ||
            std::find(order.begin(), order.end(), after) == order.end() ||
            std::find(order.begin(), order.end(), moved) == order.end())
            return;
        order.erase(std::find(order.begin(), order.end(), moved));
        order.insert(std::find(order.begin(), order.end(), after) + 1, moved);
    }

    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result) override
    {
        result = 0;
        switch (message) {
        case WM_COMMAND:
            if (WindowPart *child = partOf(reinterpret_cast<HWND>(lParam))) {
                child->command(HIWORD(wParam));
                return true;
            }
            return false;
        case WM_VSCROLL:
            if (WindowPart *child = partOf(reinterpret_cast<HWND>(lParam))) {
                child->verticalScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
                return true;
            }
            return false;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSCROLLBAR:
            result = childColours(message, wParam, lParam);
            return true;
        case WM_DRAWITEM: {
            const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
            if (WindowPart *child = partOf(item.hwndItem)) {
                child->draw(item);
                result = TRUE;
                return true;
            }
            return false;
        }
        case WM_NOTIFY: {
            auto &header = *reinterpret_cast<NMHDR *>(lParam);
            auto &tip = *reinterpret_cast<NMTTDISPINFOW *>(lParam);
            if (header.code != TTN_GETDISPINFOW || (tip.uFlags & TTF_IDISHWND) == 0)
                return false;
            WindowPart *child = partOf(reinterpret_cast<HWND>(header.idFrom));
            if (!child)
                return false;
            tip.lpszText = child->tooltipText();
            tip.hinst = nullptr;
            return true;
        }
        case WM_ERASEBKGND: {
            RECT area{};
            GetClientRect(this->hwnd, &area);
            const auto dc = reinterpret_cast<HDC>(wParam);
            FillRect(dc, &area, this->brush(this->background()));
            decorate(dc, area);
            result = 1;
            return true;
        }
        case WM_SETFONT:
            this->hfont = reinterpret_cast<HFONT>(wParam);
            return true;
        case WM_GETFONT:
            result = reinterpret_cast<LRESULT>(this->hfont);
            return true;
        default:
            return false;
        }
    }

protected:
    virtual void decorate(HDC, const RECT &) {}

    // Input to the container's own window.
    bool handleOwnInput(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result)
    {
        const HWND window = this->hwnd;
        return handleInput(*this, window, message, wParam, lParam, result,
                           [&] { return DefWindowProcW(window, message, wParam, lParam); });
    }

private:
    // A child's colours, looked up at every paint: a system colour follows the system's.
    // A disabled control draws its text grey whatever its colour.
    LRESULT childColours(UINT message, WPARAM wParam, LPARAM lParam)
    {
        const LRESULT standard = DefWindowProcW(this->hwnd, message, wParam, lParam);
        const auto child = reinterpret_cast<HWND>(lParam);
        WindowPart *part = partOf(child);
        if (!part)
            return standard;
        const auto dc = reinterpret_cast<HDC>(wParam);
        if (!IsWindowEnabled(child))
            SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        else if (part->hasFore)
            SetTextColor(dc, FromOleColor(part->fore));
        COLORREF paper = 0;
        if (part->hasBack)
            paper = FromOleColor(part->back);
        else if (!part->defaultBack(message, paper))
            return standard;
        SetBkColor(dc, paper);
        return reinterpret_cast<LRESULT>(part->brush(paper));
    }
};

// A new child window of `parent`, shown, above its older siblings (as a later control
// is), last in its parent's keyboard order, with its parent's font.
void createChild(WindowPart &part, Container &parent, const std::string &name,
                 const wchar_t *windowClass, DWORD style, DWORD exStyle, bool subclassed)
{
    static int nextId = 1000; // above the ids a dialog manager would act on
    registerClasses();
    auto *container = dynamic_cast<WindowPart *>(&parent);
    const HWND parentWindow = container ? container->hwnd : nullptr;
    if (!parentWindow)
        return;
    const HWND window = CreateWindowExW(
        exStyle, windowClass, L"", style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
        parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)), ThisModule(), &part);
    if (!window)
        return;
    part.hwnd = window;
    part.setName(name);
    attach(window, &part);
    if (subclassed)
        subclass(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    container->tabOrder.push_back(window);
    part.fontSpec = container->fontSpec;
    part.hfont = container->hfont;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(part.hfont), FALSE);
}

// ---- label

class Win32Label final : public Over<Label>
{
public:
    void setCaption(const std::u16string &caption) override
    {
        SetWindowTextW(hwnd, wide(caption).c_str());
    }
    std::u16string caption() const override { return u16(WindowText(hwnd)); }
    void setAlignment(Alignment alignment) override
    {
        m_alignment = alignment;
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    void setWordWrap(bool wrap) override
    {
        m_wrap = wrap;
        InvalidateRect(hwnd, nullptr, TRUE);
    }

    // Drawn by the label itself (an owner-drawn STATIC): on its parent's background
    // unless given one, left-aligned text centred vertically, centred text from the top.
    void draw(const DRAWITEMSTRUCT &item) override
    {
        const HDC dc = item.hDC;
        RECT area = item.rcItem;
        const WindowPart *parent = containerOf(hwnd);
        const COLORREF paper = hasBack  ? FromOleColor(back)
                               : parent ? parent->background()
                                        : ::GetSysColor(COLOR_BTNFACE);
        FillRect(dc, &area, brush(paper));
        SetTextColor(dc, !IsWindowEnabled(hwnd) ? ::GetSysColor(COLOR_GRAYTEXT)
                         : hasFore              ? FromOleColor(fore)
                                                : ::GetSysColor(COLOR_BTNTEXT));
        SetBkMode(dc, TRANSPARENT);
        const HGDIOBJ previous = SelectObject(dc, hfont);
        const std::wstring shown = WindowText(hwnd);
        UINT format = DT_NOPREFIX | DT_EXPANDTABS | (m_wrap ? DT_WORDBREAK : 0u);
        if (m_alignment == Alignment::Centre) {
            format |= DT_CENTER | DT_TOP;
        } else {
            RECT needed = area;
            DrawTextW(dc, shown.c_str(), int(shown.size()), &needed, format | DT_CALCRECT);
            const LONG height = needed.bottom - needed.top;
            area.top += (area.bottom - area.top - height) / 2;
            area.bottom = area.top + height;
        }
        DrawTextW(dc, shown.c_str(), int(shown.size()), &area, format);
        SelectObject(dc, previous);
    }

private:
    Alignment m_alignment = Alignment::Left;
    bool m_wrap = false;
};

// ---- text box

// StdFont over the box's own font: every change makes the box a font of its own, from
// the one it had, and shows at once.
class BoxFont final : public Font
{
public:
    explicit BoxFont(WindowPart &box) : m_box(box) {}
    ~BoxFont() override
    {
        if (m_font)
            DeleteObject(m_font);
    }
    BoxFont(const BoxFont &) = delete;
    BoxFont &operator=(const BoxFont &) = delete;

    bool isOwn() const { return m_font != nullptr; }

    std::u16string name() const override { return current().face; }
    void setName(const std::u16string &face) override
    {
        FontSpec wanted = current();
        wanted.face = face;
        apply(wanted);
    }
    double size() const override { return std::nearbyint(current().points * 10000) / 10000; }
    void setSize(double points) override
    {
        if (!(points > 0))
            Automation::raise(Automation::InvalidProcedureCall);
        FontSpec wanted = current();
        wanted.points = std::nearbyint(points * 10000) / 10000;
        apply(wanted);
    }
    int charset() const override { return current().charset; }
    void setCharset(int charset) override
    {
        FontSpec wanted = current();
        wanted.charset = charset;
        apply(wanted);
    }

private:
    FontSpec current() const { return m_font ? m_spec : m_box.fontSpec; }

    void apply(const FontSpec &wanted)
    {
        if (m_font && wanted == m_spec)
            return;
        const HFONT made = makeFont(wanted);
        if (!made)
            return;
        SendMessageW(m_box.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
        if (m_font)
            DeleteObject(m_font);
        m_font = made;
        m_spec = wanted;
    }

    WindowPart &m_box;
    FontSpec m_spec;
    HFONT m_font = nullptr;
};

class Win32TextBox final : public Over<TextBox>
{
public:
    Win32TextBox() : m_font(*this) {}
    // The window goes before its font.
    ~Win32TextBox() override { destroyWindow(); }

    // A text and a selection the program sets are told at once (the change event, the
    // text read back) and reach the window at its next message, at the latest the paint
    // they ask for: a list that scrolls row by row rewrites every box at each step, and
    // the system's edit control takes its time over each text it is given (under wine a
    // few round trips to its server), where only the last one is ever seen.
    std::u16string text() const override
    {
        return m_pendingText ? *m_pendingText : u16(WindowText(hwnd));
    }
    // The same text again changes nothing (and so raises no change). A new text puts
    // the cursor before its first character, as the system's control does.
    void setText(const std::u16string &text) override
    {
        if (!hwnd || this->text() == text)
            return;
        m_pendingText = text;
        m_pendingSelection.reset();
        invalidate(RDW_INVALIDATE | RDW_ERASE);
        fire(onChange);
    }
    void flush() override
    {
        // The messages the flush itself sends come back here.
        if (m_flushing)
            return;
        m_flushing = true;
        if (m_pendingText) {
            const std::wstring shown = wide(*m_pendingText);
            m_pendingText.reset();
            SetWindowTextW(hwnd, shown.c_str());
        }
        if (const std::optional<std::pair<int, int>> selection =
                std::exchange(m_pendingSelection, {})) {
            SendMessageW(hwnd, EM_SETSEL, WPARAM(selection->first), LPARAM(selection->second));
            SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
        }
        m_flushing = false;
    }
    void setReadOnly(bool readOnly) override
    {
        if (readOnly != isReadOnly())
            SendMessageW(hwnd, EM_SETREADONLY, readOnly, 0);
    }
    bool isReadOnly() const override
    {
        return (GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY) != 0;
    }
    void setSelection(int start, int length) override
    {
        if (!hwnd)
            return;
        const int size = int(text().size());
        const int from = std::clamp(start, 0, size);
        const int to = from + std::clamp(length, 0, size - from);
        m_pendingSelection = {from, to};
        invalidate(RDW_INVALIDATE);
    }
    Font &font() override { return m_font; }

    void command(WORD code) override
    {
        if (code == EN_CHANGE && !m_flushing)
            fire(onChange);
    }
    void keyDown(int key, int shift) override { fire(onKeyDown, key, shift); }
    bool clickTakesFocus() const override { return true; }
    void click() override { fire(onClick); }
    void gotFocus() override { fire(onGotFocus); }
    void lostFocus() override { fire(onLostFocus); }
    bool selectsAllOnTab() const override { return true; }
    bool hasOwnFont() const override { return m_font.isOwn(); }

    // The tooltip sees the pointer through the box's own subclass.
    void mouseInput(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const WindowPart *root = partOf(GetAncestor(hwnd, GA_ROOT));
        if (!root || !root->tooltip)
            return;
        const DWORD at = GetMessagePos();
        const MSG relayed{hwnd,
                          message,
                          wParam,
                          lParam,
                          DWORD(GetMessageTime()),
                          {short(LOWORD(at)), short(HIWORD(at))}};
        SendMessageW(root->tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }

    // A read-only box keeps the background of a box one types in.
    bool defaultBack(UINT message, COLORREF &colour) const override
    {
        if (message != WM_CTLCOLORSTATIC || !IsWindowEnabled(hwnd))
            return false;
        colour = ::GetSysColor(COLOR_WINDOW);
        return true;
    }

    // The whole text when the box cuts it off, else nothing (no tooltip shows).
    wchar_t *tooltipText() override
    {
        m_tip = wide(text());
        if (!isCutOff(m_tip))
            m_tip.clear();
        return m_tip.data();
    }

    void addTooltip()
    {
        WindowPart *root = partOf(GetAncestor(hwnd, GA_ROOT));
        if (!root)
            return;
        if (!root->tooltip)
            root->tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                            WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, root->hwnd,
                                            nullptr, ThisModule(), nullptr);
        TTTOOLINFOW tool = toolInfo();
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(root->tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

protected:
    void gone() override
    {
        const WindowPart *root = partOf(GetAncestor(hwnd, GA_ROOT));
        if (root && root->tooltip && IsWindow(root->tooltip)) {
            TTTOOLINFOW tool = toolInfo();
            SendMessageW(root->tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }

private:
    TTTOOLINFOW toolInfo() const
    {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = GetAncestor(hwnd, GA_PARENT);
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
        return tool;
    }

    bool isCutOff(const std::wstring &shown) const
    {
        if (shown.empty())
            return false;
        RECT client{};
        GetClientRect(hwnd, &client);
        const auto margins = DWORD(SendMessageW(hwnd, EM_GETMARGINS, 0, 0));
        const LONG room = client.right - client.left - LOWORD(margins) - HIWORD(margins);
        const HDC dc = GetDC(hwnd);
        const HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, shown.c_str(), int(shown.size()), &extent);
        SelectObject(dc, previous);
        ReleaseDC(hwnd, dc);
        return extent.cx > room;
    }

    BoxFont m_font;
    std::wstring m_tip;
    std::optional<std::u16string> m_pendingText;
    std::optional<std::pair<int, int>> m_pendingSelection;
    bool m_flushing = false;
};

// ---- drop-down list, button

class Win32DropDownList final : public Over<DropDownList>
{
public:
    void clear() override
    {
        SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
        selectionMoved();
    }
    // The first entry of an empty list is selected, as the other toolkit does.
    void addItem(const std::u16string &text) override
    {
        const bool wasEmpty = count() == 0;
        const std::wstring item = wide(text);
        SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (wasEmpty)
            SendMessageW(hwnd, CB_SETCURSEL, 0, 0);
        selectionMoved();
    }
    int count() const override { return std::max(int(SendMessageW(hwnd, CB_GETCOUNT, 0, 0)), 0); }
    std::u16string itemText(int index) const override
    {
        const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, WPARAM(index), 0);
        if (length == CB_ERR || length < 0)
            return {};
        std::wstring item(std::size_t(length) + 1, L'\0');
        const LRESULT copied =
            SendMessageW(hwnd, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(item.data()));
        item.resize(copied > 0 ? std::size_t(copied) : 0);
        return u16(item);
    }
    int selectedIndex() const override
    {
        const LRESULT index = SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
        return index == CB_ERR ? -1 : int(index);
    }
    void setSelectedIndex(int index) override
    {
        SendMessageW(hwnd, CB_SETCURSEL, WPARAM(index), 0);
        selectionMoved();
    }

    // The height asked is the closed list's; the window also holds the opened list.
    void setGeometry(const Rect &pixels) override
    {
        m_fieldHeight = pixels.height;
        const auto row = int(SendMessageW(hwnd, CB_GETITEMHEIGHT, 0, 0));
        Over::setGeometry({pixels.left, pixels.top, pixels.width,
                           pixels.height + DroppedRows * std::max(row, 1) + 2});
        fitField();
    }

    void command(WORD code) override
    {
        if (code == CBN_SELCHANGE || code == CBN_CLOSEUP || code == CBN_SELENDCANCEL)
            selectionMoved();
    }
    void fontChanged() override { fitField(); }

private:
    // onClick once for every change of the selected position, whoever made it.
    void selectionMoved()
    {
        const int now = selectedIndex();
        if (now == m_reported)
            return;
        m_reported = now;
        fire(onClick);
    }

    // The closed list's height follows its font; its selection field is made as high as
    // the height asked. The height a setting gives is measured, not assumed: wine reads
    // back another setting than the one made.
    void fitField()
    {
        LRESULT setting = SendMessageW(hwnd, CB_GETITEMHEIGHT, WPARAM(-1), 0);
        if (m_fieldHeight <= 0 || setting == CB_ERR)
            return;
        for (int attempt = 0; attempt < 2; ++attempt) {
            RECT frame{};
            GetWindowRect(hwnd, &frame);
            const LONG difference = m_fieldHeight - (frame.bottom - frame.top);
            if (difference == 0 || setting + difference <= 0)
                return;
            setting += difference;
            SendMessageW(hwnd, CB_SETITEMHEIGHT, WPARAM(-1), setting);
        }
    }

    int m_reported = -1;
    int m_fieldHeight = 0;
};

// Never a default button: nothing here presses it on Enter.
class Win32Button final : public Over<Button>
{
public:
    void setCaption(const std::u16string &caption) override
    {
        SetWindowTextW(hwnd, wide(caption).c_str());
    }
    std::u16string caption() const override { return u16(WindowText(hwnd)); }
    void command(WORD code) override
    {
        if (code == BN_CLICKED)
            fire(onClick);
    }
};

// ---- scroll bar

class Win32ScrollBar final : public Over<ScrollBar>
{
public:
    void setRange(int minimum, int maximum) override
    {
        m_minimum = minimum;
        m_maximum = std::max(minimum, maximum);
        moveTo(m_value);
    }
    int minimum() const override { return m_minimum; }
    int maximum() const override { return m_maximum; }
    void setSmallChange(int step) override { m_small = step; }
    int smallChange() const override { return m_small; }
    void setLargeChange(int step) override
    {
        m_large = step;
        update();
    }
    int largeChange() const override { return m_large; }
    void setValue(int value) override { moveTo(value); }
    int value() const override { return m_value; }

    // The toolkit's scrolling: a line is the small change, a page the large one; the
    // thumb's 16-bit position while it is dragged.
    void verticalScroll(WORD code, int position) override
    {
        switch (code) {
        case SB_LINEUP:
            moveTo(m_value - m_small);
            break;
        case SB_LINEDOWN:
            moveTo(m_value + m_small);
            break;
        case SB_PAGEUP:
            moveTo(m_value - m_large);
            break;
        case SB_PAGEDOWN:
            moveTo(m_value + m_large);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            moveTo(position);
            break;
        case SB_TOP:
            moveTo(m_minimum);
            break;
        case SB_BOTTOM:
            moveTo(m_maximum);
            break;
        default:
            break;
        }
    }
    void keyDown(int key, int shift) override { fire(onKeyDown, key, shift); }

    // The thumb's length shows the large change against the range, as the other
    // toolkit's does; the bar reaches its maximum.
    void update()
    {
        const int page = std::max(m_large, 1);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = m_minimum;
        info.nMax = m_maximum + page - 1;
        info.nPage = UINT(page);
        info.nPos = m_value;
        if (m_shown.cbSize && info.nMin == m_shown.nMin && info.nMax == m_shown.nMax &&
            info.nPage == m_shown.nPage && info.nPos == m_shown.nPos)
            return;
        m_shown = info;
        // Painted with the next paint, not at once: a list sets range, page and position
        // one after the other at every redraw, and the system draws a bar anew at each.
        SetScrollInfo(hwnd, SB_CTL, &info, FALSE);
        invalidate(RDW_INVALIDATE);
    }

private:
    void moveTo(int value)
    {
        const int next = std::clamp(value, m_minimum, m_maximum);
        const bool moved = next != m_value;
        m_value = next;
        update();
        if (moved)
            fire(onChange);
    }

    // The toolkit's defaults for a scroll bar: 0 to 32767 in steps of 1.
    int m_minimum = 0;
    int m_maximum = 32767;
    int m_small = 1;
    int m_large = 1;
    int m_value = 0;
    SCROLLINFO m_shown{};
};

// ---- panel, progress bar

class Win32Panel final : public ContainerOver<Panel>
{
protected:
    void decorate(HDC dc, const RECT &area) override
    {
        RECT edge = area;
        DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
    }
};

// A bar of the component's own: a sunken field, filled from the left in the bar's
// colour (the system's highlight unless given one) on its background (the face of
// buttons unless given one). The common controls' bar would serve as well, but wine
// draws it in 7 to 9 ms, which a save of many entries pays at every step. It answers the
// position messages of the system's bar, so that a reader asks it as it would that one.
class Win32ProgressBar final : public Over<ProgressBar>
{
public:
    void setValue(int percent) override
    {
        m_value = percent;
        show(std::clamp(percent, 0, 100));
    }
    int value() const override { return m_value; }

    void coloursChanged() override { InvalidateRect(hwnd, nullptr, FALSE); }

    bool handle(UINT message, WPARAM wParam, LPARAM, LRESULT &result) override
    {
        switch (message) {
        case PBM_GETPOS:
            result = m_shown;
            return true;
        case PBM_SETPOS:
            result = m_shown;
            show(std::clamp(int(wParam), 0, 100));
            return true;
        case WM_ERASEBKGND:
            result = 1; // the paint covers every pixel
            return true;
        case WM_PAINT:
            paint();
            return true;
        default:
            return false;
        }
    }

private:
    // Drawn again only when it moves (a save of many entries reports its progress far
    // more often than the bar has steps), and at once, on the window's device context:
    // a paint through the message loop costs wine about eight round trips to its server
    // (update region, caret, visible region), and a save moves the bar a hundred times.
    void show(int percent)
    {
        if (percent == m_shown)
            return;
        m_shown = percent;
        if (!IsWindowVisible(hwnd))
            return;
        const HDC dc = GetDC(hwnd);
        drawBar(dc);
        ReleaseDC(hwnd, dc);
    }

    void paint()
    {
        PAINTSTRUCT painting{};
        drawBar(BeginPaint(hwnd, &painting));
        EndPaint(hwnd, &painting);
    }

    void drawBar(HDC dc)
    {
        RECT field{};
        GetClientRect(hwnd, &field);
        DrawEdge(dc, &field, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        RECT bar = field;
        bar.right = bar.left + (field.right - field.left) * m_shown / 100;
        RECT rest = field;
        rest.left = bar.right;
        const COLORREF paper = hasBack ? FromOleColor(back) : ::GetSysColor(COLOR_BTNFACE);
        const COLORREF ink = hasFore ? FromOleColor(fore) : ::GetSysColor(COLOR_HIGHLIGHT);
        FillRect(dc, &rest, brush(paper));
        FillRect(dc, &bar, brush(ink));
    }

    int m_value = 0;
    int m_shown = 0;
};

// ---- user control

class Win32UserControl final : public ContainerOver<UserControl>
{
public:
    void setFocusable(bool focusable) override
    {
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        SetWindowLongW(hwnd, GWL_STYLE, focusable ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }

    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result) override
    {
        if (ContainerOver::handle(message, wParam, lParam, result))
            return true;
        if (message == WM_SIZE) {
            const int width = LOWORD(lParam);
            const int height = HIWORD(lParam);
            if (width != m_width || height != m_height) {
                m_width = width;
                m_height = height;
                fire(onResize);
            }
            result = 0;
            return true;
        }
        return handleOwnInput(message, wParam, lParam, result);
    }

    // Tab moves the focus on before the control sees it, as in the other toolkit.
    void keyDown(int key, int shift) override
    {
        if (key != VK_TAB || (shift & (vbCtrlMask | vbAltMask)) != 0)
            fire(onKeyDown, key, shift);
    }
    bool clickTakesFocus() const override { return isTabStop(hwnd); }
    void gotFocus() override { fire(onGotFocus); }
    bool inheritsBackground() const override { return true; }

private:
    int m_width = 0;
    int m_height = 0;
};

bool isFocusableUserControl(HWND window)
{
    return isTabStop(window) && dynamic_cast<Win32UserControl *>(partOf(window)) != nullptr;
}

// ---- form

class Win32Form final : public ContainerOver<Form>
{
public:
    ~Win32Form() override
    {
        *m_alive = false;
        HoldInput(hwnd, false);
        enableOthers();
        destroyWindow();
        for (HICON icon : m_icons)
            DestroyIcon(icon);
        for (HFONT font : m_fonts)
            DeleteObject(font);
    }

    void setCaption(const std::u16string &caption) override
    {
        SetWindowTextW(hwnd, wide(caption).c_str());
    }

    // The module's icon resource of that name, in the system's two sizes.
    void setIcon(const std::string &name) override
    {
        const std::wstring resource = wide(Automation::utf16(name));
        const std::pair<WPARAM, int> sizes[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
        for (const auto &[which, metric] : sizes) {
            const int side = GetSystemMetrics(metric);
            const auto icon = static_cast<HICON>(
                LoadImageW(ThisModule(), resource.c_str(), IMAGE_ICON, side, side, 0));
            if (!icon)
                continue;
            m_icons.push_back(icon);
            SendMessageW(hwnd, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
        }
    }

    // The form and its controls, but those with a font of their own, take the font.
    void setFont(const std::u16string &faces, double points) override
    {
        const FontSpec wanted{firstInstalledFace(faces), points, DEFAULT_CHARSET};
        const HFONT made = makeFont(wanted);
        if (!made)
            return;
        m_fonts.push_back(made);
        fontSpec = wanted;
        hfont = made;
        for (HWND child : descendants(hwnd)) {
            WindowPart *part = partOf(child);
            if (!part)
                continue;
            part->fontSpec = wanted;
            part->hfont = made;
            if (!part->hasOwnFont()) {
                SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
                part->fontChanged();
            }
        }
    }

    void setClientSize(int width, int height) override
    {
        const RECT frame = frameOf(RECT{0, 0, width, height});
        SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // A form's geometry is its client area on the screen.
    void setGeometry(const Rect &pixels) override
    {
        const RECT frame = frameOf(
            RECT{pixels.left, pixels.top, pixels.left + pixels.width, pixels.top + pixels.height});
        SetWindowPos(hwnd, nullptr, frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        m_placed = true;
    }
    Rect geometry() const override
    {
        RECT client{};
        GetClientRect(hwnd, &client);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        return Rect{origin.x, origin.y, client.right, client.bottom};
    }

    void setVisible(bool visible) override
    {
        if (visible) {
            if (!m_placed)
                placeOver(GetActiveWindow());
            ShowWindow(hwnd, SW_SHOW);
            return;
        }
        // The other windows are enabled first, so that the one that had the activation
        // can get it back, rather than another program.
        enableOthers();
        ShowWindow(hwnd, SW_HIDE);
    }

    // Modal for the thread: the form has no owner (the system hides an owned window
    // with its minimised owner, which would end the run), and every other enabled
    // top-level window of the thread is disabled while it shows. Only the form hiding or
    // going ends the run; afterwards exactly the windows it disabled are enabled again
    // and the window that was active gets the activation back.
    void showModal() override
    {
        if (!hwnd || m_modal)
            return;
        const HWND active = GetActiveWindow();
        SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, 0);
        if (!m_placed)
            placeOver(active);
        disableOthers();
        m_modal = true;
        const std::shared_ptr<bool> alive = m_alive;
        ShowWindow(hwnd, SW_SHOW);
        MSG message;
        while (*alive && IsWindowVisible(hwnd)) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == -1)
                break;
            if (got == 0) {
                // The program is ending: its own loop gets the quit message too.
                PostQuitMessage(int(message.wParam));
                break;
            }
            if (IsHeldInput(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!*alive)
            return;
        m_modal = false;
        if (IsWindowVisible(hwnd))
            setVisible(false);
        enableOthers();
        if (active && active != hwnd && IsWindow(active))
            SetActiveWindow(active);
    }

    void setInputHeld(bool held) override { HoldInput(hwnd, held); }

    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result) override
    {
        if (ContainerOver::handle(message, wParam, lParam, result))
            return true;
        result = 0;
        switch (message) {
        case WM_CLOSE: {
            bool cancel = false;
            fire(onQueryUnload, cancel);
            if (!cancel)
                setVisible(false);
            return true;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                return false;
            restoreFocus();
            return true;
        case WM_SHOWWINDOW:
            // Once per showing, after the show is handled; a window shown again with
            // its owner is not shown by the program.
            if (wParam && lParam == 0 && !m_activationQueued) {
                m_activationQueued = true;
                PostMessageW(hwnd, ActivateMessage, 0, 0);
            }
            return false;
        case ActivateMessage:
            m_activationQueued = false;
            if (IsWindowVisible(hwnd))
                fire(onActivate);
            return true;
        case WM_SYSCOLORCHANGE:
            for (HWND child : descendants(hwnd)) {
                SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
                if (WindowPart *part = partOf(child))
                    part->coloursChanged();
            }
            RedrawWindow(hwnd, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
            return false;
        default:
            return handleOwnInput(message, wParam, lParam, result);
        }
    }

private:
    RECT frameOf(RECT client) const
    {
        AdjustWindowRectEx(&client, DWORD(GetWindowLongW(hwnd, GWL_STYLE)), FALSE,
                           DWORD(GetWindowLongW(hwnd, GWL_EXSTYLE)));
        return client;
    }

    // Centred over the owner (or the screen), inside the screen's work area.
    void placeOver(HWND owner)
    {
        if (owner && (!IsWindowVisible(owner) || IsIconic(owner)))
            owner = nullptr;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(owner ? owner : hwnd, MONITOR_DEFAULTTOPRIMARY),
                        &monitor);
        const RECT area = monitor.rcWork;
        RECT over = area;
        if (owner)
            GetWindowRect(owner, &over);
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        const LONG width = frame.right - frame.left;
        const LONG height = frame.bottom - frame.top;
        const LONG left = std::clamp((over.left + over.right - width) / 2, area.left,
                                     std::max(area.left, area.right - width));
        const LONG top = std::clamp((over.top + over.bottom - height) / 2, area.top,
                                    std::max(area.top, area.bottom - height));
        SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The control that had the focus gets it back, or the first in keyboard order;
    // neither hears of it, since no focus moved between controls.
    void restoreFocus()
    {
        HWND target = lastFocus;
        if (!target || !IsChild(hwnd, target) || !canTakeFocus(target, hwnd, nullptr))
            target = nextFocus(hwnd, hwnd, false, nullptr);
        SetFocus(target ? target : hwnd);
    }

    static BOOL CALLBACK collectTopLevel(HWND window, LPARAM windows)
    {
        reinterpret_cast<std::vector<HWND> *>(windows)->push_back(window);
        return TRUE;
    }

    // The windows the form itself owns (its tooltip) stay as they are.
    void disableOthers()
    {
        std::vector<HWND> windows;
        EnumThreadWindows(GetCurrentThreadId(), collectTopLevel,
                          reinterpret_cast<LPARAM>(&windows));
        for (const HWND window : windows) {
            if (window == hwnd || GetWindow(window, GW_OWNER) == hwnd || !IsWindowEnabled(window))
                continue;
            EnableWindow(window, FALSE);
            m_disabled.push_back(window);
        }
    }

    void enableOthers()
    {
        for (const HWND window : std::exchange(m_disabled, {})) {
            if (IsWindow(window))
                EnableWindow(window, TRUE);
        }
    }

    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::vector<HWND> m_disabled; // by the modal run, to enable again
    bool m_modal = false;
    bool m_placed = false;
    bool m_activationQueued = false;
    std::vector<HICON> m_icons;
    std::vector<HFONT> m_fonts;
};

template <typename Part>
std::unique_ptr<Part> child(Container &parent, const std::string &name, const wchar_t *windowClass,
                            DWORD style, DWORD exStyle = 0, bool subclass = true)
{
    auto part = std::make_unique<Part>();
    createChild(*part, parent, name, windowClass, style, exStyle, subclass);
    return part;
}

} // namespace

HWND windowOf(const Control &control)
{
    const auto *part = dynamic_cast<const WindowPart *>(&control);
    return part ? part->hwnd : nullptr;
}

std::string nameOf(HWND window)
{
    const auto *name = window ? static_cast<const char *>(GetPropW(window, NameProperty)) : nullptr;
    return name ? std::string(name) : std::string();
}

HWND findWindow(HWND root, const std::string &name)
{
    if (nameOf(root) == name)
        return root;
    for (HWND window : descendants(root)) {
        if (nameOf(window) == name)
            return window;
    }
    return nullptr;
}

std::u16string accessibleNameOf(const Control &control)
{
    const auto *part = dynamic_cast<const WindowPart *>(&control);
    return part ? part->accessibleText : std::u16string();
}

std::unique_ptr<Form> createForm(const std::string &name)
{
    registerClasses();
    auto form = std::make_unique<Win32Form>();
    WindowPart &part = *form;
    CreateWindowExW(WS_EX_CONTROLPARENT, FormClass, L"",
                    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, CW_USEDEFAULT,
                    CW_USEDEFAULT, 0, 0, nullptr, nullptr, ThisModule(), &part);
    part.setName(name);
    // A fixed dialog: its system menu only moves and closes it.
    if (const HMENU menu = GetSystemMenu(part.hwnd, FALSE)) {
        for (const int command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
            DeleteMenu(menu, UINT(command), MF_BYCOMMAND);
    }
    return form;
}

std::unique_ptr<Label> createLabel(Container &parent, const std::string &name)
{
    return child<Win32Label>(parent, name, L"STATIC", SS_OWNERDRAW);
}

std::unique_ptr<TextBox> createTextBox(Container &parent, const std::string &name)
{
    auto box = child<Win32TextBox>(parent, name, L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                                   WS_EX_CLIENTEDGE);
    // The system's limit of what a user may type, 32 767 characters, would refuse any
    // key in a longer value: the largest limit there is.
    SendMessageW(windowOf(*box), EM_SETLIMITTEXT, 0, 0);
    box->addTooltip();
    return box;
}

std::unique_ptr<DropDownList> createDropDownList(Container &parent, const std::string &name)
{
    return child<Win32DropDownList>(parent, name, L"COMBOBOX",
                                    WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
}

std::unique_ptr<Button> createButton(Container &parent, const std::string &name)
{
    return child<Win32Button>(parent, name, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON);
}

std::unique_ptr<ScrollBar> createScrollBar(Container &parent, const std::string &name)
{
    auto bar = child<Win32ScrollBar>(parent, name, L"SCROLLBAR", WS_TABSTOP | SBS_VERT);
    bar->update();
    return bar;
}

std::unique_ptr<Panel> createPanel(Container &parent, const std::string &name)
{
    return child<Win32Panel>(parent, name, PanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, false);
}

std::unique_ptr<ProgressBar> createProgressBar(Container &parent, const std::string &name)
{
    return child<Win32ProgressBar>(parent, name, ProgressBarClass, 0, 0, false);
}

std::unique_ptr<UserControl> createUserControl(Container *parent, const std::string &name)
{
    if (parent)
        return child<Win32UserControl>(*parent, name, UserControlClass, WS_CLIPCHILDREN,
                                       WS_EX_CONTROLPARENT, false);
    registerClasses();
    auto control = std::make_unique<Win32UserControl>();
    WindowPart &part = *control;
    CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW, UserControlClass, L"",
                    WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0, nullptr, nullptr, ThisModule(), &part);
    part.setName(name);
    return control;
}

} // namespace Platform

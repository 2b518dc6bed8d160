// SPDX-License-Identifier: Apache-2.0
// The user control on Win32: a container of the component's own class, inside a form
// or a window of its own, which may take the focus itself.
#include "platform/KeyCodes.h"

#include "ControlWindow.h"

#include <memory>

namespace Platform {

using namespace Win32;

namespace {

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

} // namespace

bool Win32::isFocusableUserControl(HWND window)
{
    return isTabStop(window) && dynamic_cast<Win32UserControl *>(partOf(window)) != nullptr;
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

// SPDX-License-Identifier: Apache-2.0
// The button on Win32: a BUTTON.
#include "ControlWindow.h"

namespace Platform {

using namespace Win32;

namespace {

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

} // namespace

std::unique_ptr<Button> createButton(Container &parent, const std::string &name)
{
    return child<Win32Button>(parent, name, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON);
}

} // namespace Platform

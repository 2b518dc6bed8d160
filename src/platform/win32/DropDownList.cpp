// SPDX-License-Identifier: Apache-2.0
// The drop-down list on Win32: a COMBOBOX whose closed height is the one asked.
#include "ControlWindow.h"

#include <algorithm>
#include <string>

namespace Platform {

using namespace Win32;

namespace {

// Rows a drop-down list shows when it opens.
constexpr int DroppedRows = 10;

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

} // namespace

std::unique_ptr<DropDownList> createDropDownList(Container &parent, const std::string &name)
{
    return child<Win32DropDownList>(parent, name, L"COMBOBOX",
                                    WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
}

} // namespace Platform

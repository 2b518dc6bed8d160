// SPDX-License-Identifier: Apache-2.0
#include "HostWindow.h"

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "host/model/NodeParameter.h"
#include "host/model/NodeParameters.h"
#include "host/model/PublicationNode.h"
#include "host/model/PublicationReader.h"
#include "win32base/Win32Base.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace Host {

namespace {

constexpr wchar_t WindowClass[] = L"OrvFields.HostWindow";

enum Command : int
{
    OpenCommand = 101,
    QuitCommand,
    PluginCommand,
    EnglishCommand,
    FrenchCommand,
    TreeControl = 201,
    DetailsControl,
    StatusControl,
};

using Win32Base::u16;
using Win32Base::wide;

bool isFile(const std::u16string &path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The window's pixels for a length given at 96 dots per inch.
int scaled(HWND window, int pixels)
{
    const HDC screen = GetDC(window);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(window, screen);
    return MulDiv(pixels, dpi > 0 ? dpi : 96, 96);
}

HMENU makeMenu()
{
    const HMENU bar = CreateMenu();
    const HMENU publication = CreatePopupMenu();
    AppendMenuW(publication, MF_STRING, OpenCommand, L"&Open\u2026\tCtrl+O");
    AppendMenuW(publication, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(publication, MF_STRING, QuitCommand, L"&Quit\tAlt+F4");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(publication), L"&Publication");
    // Every menu and item has its own access key; the button borrows the item's.
    const HMENU plugins = CreatePopupMenu();
    AppendMenuW(plugins, MF_STRING, PluginCommand, L"PDF &fields\u2026");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(plugins), L"Plu&g-ins");
    const HMENU language = CreatePopupMenu();
    AppendMenuW(language, MF_STRING, EnglishCommand, L"&English");
    AppendMenuW(language, MF_STRING, FrenchCommand, L"&French");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(language), L"&Language");
    return bar;
}

} // namespace

PluginLanguage HostWindow::systemLanguage()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_FRENCH ? PluginLanguage::French
                                                                    : PluginLanguage::English;
}

HostWindow::HostWindow()
{
    m_notify = [this](const std::wstring &title, const std::wstring &text) {
        MessageBoxW(m_window, text.c_str(), title.c_str(), MB_OK | MB_ICONWARNING);
    };
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    RegisterClassExW(&windowClass);

    m_window = CreateWindowExW(WS_EX_CONTROLPARENT, WindowClass, L"orvfields-host",
                               WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 520, 480, nullptr,
                               makeMenu(), instance, this);
    const int width = scaled(m_window, 520), height = scaled(m_window, 480);
    SetWindowPos(m_window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    m_font = CreateFontIndirectW(&metrics.lfMessageFont);

    m_view = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"Publication",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                 TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                             0, 0, 0, 0, m_window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(TreeControl)), instance,
                             nullptr);
    m_details = CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, m_window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(DetailsControl)), instance, nullptr);
    m_button = CreateWindowExW(
        0, L"BUTTON", L"PDF &fields\u2026", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0,
        0, 0, 0, m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(PluginCommand)), instance,
        nullptr);
    m_status = CreateWindowExW(
        0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, m_window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(StatusControl)), instance, nullptr);
    for (const HWND control : {m_view, m_details, m_button, m_status})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);

    ACCEL shortcuts[] = {{FCONTROL | FVIRTKEY, 'O', OpenCommand}};
    m_shortcuts = CreateAcceleratorTableW(shortcuts, 1);

    m_tree->onSelectionChanged = [this] {
        showDetails();
    };
    setLanguage(systemLanguage());
    layout();
    rebuild();
    SetFocus(m_view);
}

HostWindow::~HostWindow()
{
    // A plug-in may still hold the tree; it no longer reaches this window.
    m_tree->onSelectionChanged = nullptr;
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    DestroyAcceleratorTable(m_shortcuts);
    DeleteObject(m_font);
}

bool HostWindow::openPublication(const std::wstring &path)
{
    const std::u16string error = PublicationReader::readFile(u16(path), *m_tree);
    rebuild();
    if (!error.empty()) {
        SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"No publication"));
        m_notify(L"Publication not opened", wide(error));
        return false;
    }
    const std::wstring file = wide(m_tree->FileName());
    SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(file.c_str()));
    return true;
}

bool HostWindow::selectPath(const std::wstring &path)
{
    const auto found = m_items.find(m_tree->nodeAt(u16(path)));
    if (found == m_items.end())
        return false;
    TreeView_SelectItem(m_view, found->second);
    TreeView_EnsureVisible(m_view, found->second);
    return true;
}

void HostWindow::setLanguage(PluginLanguage language)
{
    m_language = language;
    CheckMenuRadioItem(GetMenu(m_window), EnglishCommand, FrenchCommand,
                       language == PluginLanguage::French ? FrenchCommand : EnglishCommand,
                       MF_BYCOMMAND);
}

void HostWindow::runPlugin()
{
    try {
        Automation::call(createPlugin(m_tree, m_language), u"Show");
    } catch (const Automation::AutomationError &error) {
        m_notify(L"PDF fields", L"The PDF fields plug-in cannot run (error " +
                                    std::to_wstring(error.number()) + L"):\n" +
                                    wide(error.description()));
    }
}

bool HostWindow::translate(MSG &message)
{
    if (!m_window)
        return false;
    return TranslateAcceleratorW(m_window, m_shortcuts, &message) ||
           IsDialogMessageW(m_window, &message);
}

LRESULT CALLBACK HostWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto *creation = reinterpret_cast<const CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto *self = reinterpret_cast<HostWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->m_window)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT HostWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        const auto *header = reinterpret_cast<const NMHDR *>(lParam);
        if (header->hwndFrom == m_view && header->code == TVN_SELCHANGEDW)
            followSelection(reinterpret_cast<const NMTREEVIEWW *>(lParam)->itemNew.hItem);
        return 0;
    }
    case WM_SIZE:
        layout();
        return 0;
    case WM_GETMINMAXINFO: {
        auto *limits = reinterpret_cast<MINMAXINFO *>(lParam);
        limits->ptMinTrackSize = {scaled(m_window, 320), scaled(m_window, 260)};
        return 0;
    }
    case WM_ACTIVATE:
        // Back to the window (from the plug-in's dialog too): the focus where the user
        // left it, the tree at first.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(m_window, focus))
                m_lastFocus = focus;
        } else if (!HIWORD(wParam)) {
            SetFocus(m_lastFocus && IsWindow(m_lastFocus) ? m_lastFocus : m_view);
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(m_window);
        return 0;
    case WM_DESTROY:
        m_window = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

void HostWindow::command(int id)
{
    switch (id) {
    case OpenCommand:
        chooseFile();
        break;
    case QuitCommand:
        PostMessageW(m_window, WM_CLOSE, 0, 0);
        break;
    case PluginCommand:
        runPlugin();
        break;
    case EnglishCommand:
        setLanguage(PluginLanguage::English);
        break;
    case FrenchCommand:
        setLanguage(PluginLanguage::French);
        break;
    default:
        break;
    }
}

void HostWindow::layout()
{
    if (!m_status)
        return;
    SendMessageW(m_status, WM_SIZE, 0, 0);
    RECT client{}, status{};
    GetClientRect(m_window, &client);
    GetWindowRect(m_status, &status);
    const int margin = scaled(m_window, 8);
    const int buttonWidth = scaled(m_window, 110), buttonHeight = scaled(m_window, 26);
    TEXTMETRICW text{};
    const HDC screen = GetDC(m_window);
    const HGDIOBJ old = SelectObject(screen, m_font);
    GetTextMetricsW(screen, &text);
    SelectObject(screen, old);
    ReleaseDC(m_window, screen);
    const int detailsHeight = 3 * int(text.tmHeight);
    const int bottom = client.bottom - (status.bottom - status.top) - margin;
    const int width = client.right - 2 * margin;
    const int buttonTop = bottom - buttonHeight;
    const int detailsTop = buttonTop - margin - detailsHeight;
    MoveWindow(m_view, margin, margin, width, std::max(detailsTop - 2 * margin, 0), TRUE);
    MoveWindow(m_details, margin, detailsTop, width, detailsHeight, TRUE);
    MoveWindow(m_button, client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight,
               TRUE);
}

void HostWindow::chooseFile()
{
    wchar_t file[MAX_PATH] = {};
    std::wstring start;
    if (!m_tree->FileName().empty()) {
        start = wide(m_tree->FileName());
        start = start.substr(0, start.find_last_of(L"\\/"));
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_window;
    dialog.lpstrFilter = L"Publications (*.xml)\0*.xml\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    dialog.lpstrTitle = L"Open a publication";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&dialog))
        openPublication(file);
}

void HostWindow::rebuild()
{
    // Deleting the items reports selections of nodes that may be gone already.
    m_rebuilding = true;
    TreeView_DeleteAllItems(m_view);
    m_items.clear();
    m_rebuilding = false;
    if (PublicationNode *publication = m_tree->publication()) {
        // Parents before their children, each node's item below its parent's.
        std::vector<std::pair<PublicationNode *, HTREEITEM>> pending{{publication, TVI_ROOT}};
        for (std::size_t next = 0; next < pending.size(); ++next) {
            const auto [node, parent] = pending[next];
            std::wstring text = wide(node->Text());
            TVINSERTSTRUCTW insert{};
            insert.hParent = parent;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM;
            insert.item.pszText = text.data();
            // The tree holds the node as long as the item exists: rebuild follows it.
            insert.item.lParam = reinterpret_cast<LPARAM>(node);
            const HTREEITEM item = TreeView_InsertItem(m_view, &insert);
            m_items[node] = item;
            for (const Automation::Ref<PublicationNode> &child : node->children())
                pending.emplace_back(child.get(), item);
        }
        for (const auto &[node, item] : m_items) {
            if (!node->children().empty())
                TreeView_Expand(m_view, item, TVE_EXPAND);
        }
    }
    const std::wstring title =
        m_tree->publication() ? wide(m_tree->Title()) : std::wstring(L"no publication");
    SetWindowTextW(m_window, (title + L" \u2014 orvfields-host").c_str());
    showDetails();
}

void HostWindow::followSelection(HTREEITEM item)
{
    if (m_rebuilding)
        return;
    PublicationNode *node = nullptr;
    for (const auto &[candidate, shown] : m_items) {
        if (shown == item)
            node = candidate;
    }
    m_tree->setSelectedNode(node);
}

void HostWindow::showDetails()
{
    const PublicationNode *node = m_tree->selectedNode();
    std::wstring text;
    if (!m_tree->publication()) {
        text = L"No publication is open.";
    } else if (!node) {
        text = L"Select a book, or a node of a book, then use PDF fields\u2026";
    } else {
        text = wide(node->tag()) + L": " + wide(node->Text());
        if (const NodeParameter *pdf =
                node->parameters().find(PublicationTree::BookPathParameter)) {
            const std::u16string path = pdf->Contents();
            if (path == PublicationTree::NotPublished)
                text += L"\nNot published.";
            else if (isFile(path))
                text += L"\nPDF: " + wide(path);
            else
                text += L"\nPDF: " + wide(path) + L" (missing)";
        }
    }
    SetWindowTextW(m_details, text.c_str());
}

} // namespace Host

// SPDX-License-Identifier: Apache-2.0
// HostWindow: the main window of orvfields-host.exe, a small publishing application on
// Windows, as host/HostWindow.h is on Linux.
//
// It shows the open publication in a tree view (the common control), keeps the tree
// object's selected node, which the plug-in reads as SelectedNode, in step with the
// view's selection, and runs the PDF fields plug-in from "PDF fields…" (the Plug-ins
// menu and a button): createPlugin (host/model/Plugin.h) makes OrvFields.MainForm by
// its programmatic identifier (CoCreateInstance), hands it the tree, which reaches the
// component through the generic IDispatch bridge, and the language of the Language
// menu; then Show, whose modal dialog runs its own message loop on this thread. A
// publication that cannot be read is reported; the window then has no publication,
// which the plug-in refuses with its own message.
//
// The thread must be in a single-threaded apartment (OleInitialize), and its message
// loop must give every message to translate() first: Tab between the controls, the
// access keys, the menu's shortcuts.
#pragma once

#include "automation/Object.h"
#include "host/model/Plugin.h"
#include "host/model/PublicationTree.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <string>

namespace Host {

class HostWindow
{
public:
    // The system's: French for a French user interface, English otherwise.
    static PluginLanguage systemLanguage();

    // Shows a message to the user; a message box unless replaced.
    using Notifier = std::function<void(const std::wstring &title, const std::wstring &text)>;

    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow &) = delete;
    HostWindow &operator=(const HostWindow &) = delete;

    HWND window() const { return m_window; }
    HWND treeView() const { return m_view; }
    void setNotifier(Notifier notifier) { m_notify = std::move(notifier); }

    // Opens a publication file; false when it cannot be read, after the message.
    bool openPublication(const std::wstring &path);
    // Selects the node at a path of texts joined with "/"; false when there is none.
    bool selectPath(const std::wstring &path);

    PluginLanguage language() const { return m_language; }
    void setLanguage(PluginLanguage language);

    PublicationTree &tree() { return *m_tree; }

    // Creates OrvFields.MainForm and calls its Show over the open publication.
    void runPlugin();

    bool translate(MSG &message);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void command(int id);
    void layout();
    void chooseFile();
    void rebuild();
    void followSelection(HTREEITEM item);
    void showDetails();

    // Counted: the plug-in holds the tree as its PluginObject while it runs.
    const Automation::Ref<PublicationTree> m_tree = Automation::make<PublicationTree>();
    std::map<PublicationNode *, HTREEITEM> m_items;
    HWND m_window = nullptr;
    HWND m_view = nullptr;
    HWND m_details = nullptr;
    HWND m_button = nullptr;
    HWND m_status = nullptr;
    HWND m_lastFocus = nullptr;
    HFONT m_font = nullptr;
    HACCEL m_shortcuts = nullptr;
    PluginLanguage m_language = PluginLanguage::English;
    bool m_rebuilding = false;
    Notifier m_notify;
};

} // namespace Host

// SPDX-License-Identifier: Apache-2.0
// bench_apply.exe: the dialog's times on Windows (or wine) for a book whose PDF has many
// custom fields, as a host sees them: OrvFields.MainForm created by its programmatic
// identifier (the component registered), a one-book publication, Show.
//   open   from the call of Show until the book is read and shown, every message of its
//          loading handled (the press waits behind them) and what it changed painted
//   Apply  from the press of Apply until the dialog starts to hide: the save, its
//          progress, its write; what the user waits for
//   closed from the press until the dialog is hidden. Under wine on a virtual X server
//          without a window manager this adds about 2 s: wine waits that long for a
//          window manager to confirm the hiding
// The success message that follows is answered at once.
// Each is the median of ORVFIELDS_BENCH_RUNS runs (default 3), after one showing that
// is not counted. The Linux twin is bench/dialog/bench_apply.cpp.
//
//   bench_apply.exe [FIELDS...]      (default 10 100 1000); run by wine-bench.sh

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Text.h"
#include "host/model/Plugin.h"
#include "host/model/PublicationReader.h"
#include "host/model/PublicationTree.h"

#include "platform/Toolkit.h"
#include "platform/win32/Win32Toolkit.h"

#include <ole2.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void makeBook(const std::string &path, int fields)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper(pdf).addPage(
        pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 99 99] >>")),
        false);
    QPDFObjectHandle info = QPDFObjectHandle::parse("<< /Title (Book) /Author (Writer) >>");
    for (int i = 1; i <= fields; ++i)
        info.replaceKey("/Field" + std::to_string(i),
                        QPDFObjectHandle::newString("value " + std::to_string(i)));
    pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

int customFields(const std::string &path)
{
    QPDF pdf;
    pdf.processFile(path.c_str());
    int count = 0;
    for (const std::string &key : pdf.getTrailer().getKey("/Info").getKeys())
        count += key.rfind("/Field", 0) == 0 ? 1 : 0;
    return count;
}

// One run's moments, filled by the hook and the probe on the UI thread.
struct Run
{
    Clock::time_point shown, ready, pressed, hiding, applied;
    HWND apply = nullptr;
    std::wstring message;
} run;

HWND probe = nullptr;
constexpr UINT PressApply = WM_APP;

// The component's buttons and forms, subclassed as they are made (a computer-based
// training hook sees each creation): Apply enabled for the first time means the book is
// read and on screen, and the press waits behind the rest of the load in the queue; the
// form told to hide means Apply has ended. A hook on every sent message would cost
// wine a round trip to its server for each one, and weigh on what is measured.
std::map<HWND, WNDPROC> subclassed;

LRESULT CALLBACK watched(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SHOWWINDOW && !wParam && run.apply && window == GetParent(run.apply) &&
        run.hiding == Clock::time_point{})
        run.hiding = Clock::now();
    if (message == WM_ENABLE && wParam && !run.apply && Platform::nameOf(window) == "cmdApply") {
        run.ready = Clock::now();
        run.apply = window;
        PostMessageW(probe, PressApply, 0, 0);
    }
    const WNDPROC next = subclassed[window];
    if (message == WM_NCDESTROY)
        subclassed.erase(window);
    return CallWindowProcW(next, window, message, wParam, lParam);
}

LRESULT CALLBACK watchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const auto window = reinterpret_cast<HWND>(wParam);
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (lstrcmpiW(name, L"Button") == 0 || lstrcmpiW(name, L"OrvFields.Form") == 0)
            subclassed[window] = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watched)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The press as the button reports it to its form: the click runs to its end inside.
LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != PressApply)
        return DefWindowProcW(window, message, wParam, lParam);
    // On screen: what the load left to paint is painted before the press.
    RedrawWindow(GetParent(run.apply), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    run.pressed = Clock::now();
    SendMessageW(GetParent(run.apply), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(run.apply), BN_CLICKED),
                 reinterpret_cast<LPARAM>(run.apply));
    run.applied = Clock::now();
    return 0;
}

BOOL CALLBACK answerBox(HWND window, LPARAM)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
        wchar_t text[256] = {};
        GetWindowTextW(GetDlgItem(window, 0xFFFF), text, 256);
        run.message = text;
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

void CALLBACK answerBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), answerBox, 0);
}

double milliseconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

bool measure(const std::filesystem::path &folder, int fields, double &open, double &apply,
             double &closed)
{
    const std::filesystem::path book = folder / "book.pdf";
    makeBook(book.string(), fields);
    const auto tree = Automation::make<Host::PublicationTree>();
    Host::PublicationReader::read(
        R"(<publication title="Bench"><book name="Book" pdf="book.pdf"/></publication>)",
        folder.u16string(), u"bench.xml", *tree);
    tree->setSelectedNode(tree->nodeAt(u"Book"));

    run = Run{};
    const auto plugin = Host::createPlugin(tree, Host::PluginLanguage::English);
    const HHOOK hook = SetWindowsHookExW(WH_CBT, watchCreation, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, answerBoxes);
    run.shown = Clock::now();
    Automation::call(plugin, u"Show");
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);

    open = milliseconds(run.shown, run.pressed);
    apply = milliseconds(run.pressed, run.hiding);
    closed = milliseconds(run.pressed, run.applied);
    if (!run.apply || run.message != L"Process complete with success.") {
        std::fprintf(
            stderr, "%d fields: the dialog did not apply (%s)\n", fields,
            Automation::utf8(std::u16string(run.message.begin(), run.message.end())).c_str());
        return false;
    }
    if (customFields(book.string()) != fields) {
        std::fprintf(stderr, "%d fields: the save lost fields\n", fields);
        return false;
    }
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::stoi(argv[i]));
    if (counts.empty())
        counts = {10, 100, 1000};
    OleInitialize(nullptr);
    WNDCLASSW probeClass{};
    probeClass.lpfnWndProc = probeProc;
    probeClass.lpszClassName = L"bench_apply.probe";
    RegisterClassW(&probeClass);
    probe = CreateWindowExW(0, probeClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            nullptr, nullptr);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("orvfields-bench-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const char *runsText = std::getenv("ORVFIELDS_BENCH_RUNS");
    const std::size_t runs = runsText ? std::size_t(std::max(1, std::atoi(runsText))) : 3;
    int failed = 0;
    // One showing first, not counted: wine starts its services beside the first program
    // of a session, and they take the processors for a second or two.
    try {
        double open = 0, apply = 0, closed = 0;
        measure(folder, 0, open, apply, closed);
    } catch (const Automation::AutomationError &) {
    }
    std::printf("| custom fields | open (ms) | Apply (ms) | closed (ms) |\n|---|---|---|---|\n");
    for (const int fields : counts) {
        std::vector<double> open(runs), apply(runs), closed(runs);
        try {
            bool measured = true;
            for (std::size_t i = 0; i < open.size() && measured; ++i)
                measured = measure(folder, fields, open[i], apply[i], closed[i]);
            if (measured)
                std::printf("| %d | %.1f | %.1f | %.1f |\n", fields, median(open), median(apply),
                            median(closed));
            else
                ++failed;
        } catch (const Automation::AutomationError &error) {
            std::fprintf(stderr, "error %d: %s\n", int(error.number()),
                         Automation::utf8(error.description()).c_str());
            ++failed;
        }
        std::fflush(stdout);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    DestroyWindow(probe);
    OleUninitialize();
    return failed;
}

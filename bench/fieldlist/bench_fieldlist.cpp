// SPDX-License-Identifier: Apache-2.0
// Cost of the field list's operations as the number of rows grows.
//
// For each row count the list is filled, then each operation is timed one call at a
// time (the median of 1000 calls is reported) and undone outside the timing, so every
// call meets the same row count:
//   AddElem        a new editable row (selection, focus, face), then removed again;
//   RemoveElem(1)  the first row, then a row appended again;
//   scroll step    one step of the scroll bar, up and down in turn;
//   Up/Down        the key in the selected row's name box, Down and Up in turn from
//                  the bottom of the window, so that moves scroll.
// The window is shown and active under the offscreen platform, as in the tests.
//
// Above 32766 + LinesCount rows the 16-bit scroll bar cannot take its maximum: every
// redraw then ends in its trap with a message box. That is the required behaviour,
// so it is measured as it is, with a message-box handler that only counts; the
// boxes per call are reported beside the times.
//
// Usage: bench_fieldlist [ROWS ...]   (default 10 1000 30000 100000)

#include "automation/Text.h"
#include "fieldlist/VrnFieldList.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtToolkit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

using FieldList::VrnFieldList;

namespace {

constexpr int Repeats = 1000;

int boxes = 0;

struct Cost
{
    double microseconds = 0; // median per call: the machine is shared, means wander
    double boxesPerCall = 0;
};

// Times `operation` one call at a time, running `undo` untimed after each.
template <typename Operation, typename Undo> Cost measure(Operation operation, Undo undo)
{
    QElapsedTimer timer;
    QList<qint64> times;
    times.reserve(Repeats);
    int shown = 0;
    for (int i = 0; i < Repeats; ++i) {
        const int boxesBefore = boxes;
        timer.start();
        operation(i);
        times.append(timer.nsecsElapsed());
        shown += boxes - boxesBefore;
        undo(i);
    }
    std::sort(times.begin(), times.end());
    return {double(times.at(Repeats / 2)) / 1000, double(shown) / Repeats};
}

void sendKey(int key)
{
    QWidget *target = QApplication::focusWidget();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

std::u16string numbered(const char16_t *text, int number)
{
    return text + Automation::decimal(number);
}

QString cpuName()
{
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QSysInfo::currentCpuArchitecture();
}

struct Row
{
    int rows;
    double fillSeconds;
    Cost add, remove, scroll, upDown;
};

Row run(int rows)
{
    // The list in a form, as the dialog holds it.
    const std::unique_ptr<Platform::Form> form = Platform::createForm("bench");
    form->setClientSize(340, 120);
    const Automation::Ref<VrnFieldList> list = VrnFieldList::create(form.get(), "UserFields");
    list->setGeometry({0, 0, 329, 109});
    QWidget &window = *Platform::widgetOf(*form);
    window.show();
    QElapsedTimer wait;
    wait.start();
    while (!window.isActiveWindow() && wait.elapsed() < 5000)
        QApplication::processEvents();

    Row result{rows, 0, {}, {}, {}, {}};
    QElapsedTimer fill;
    fill.start();
    for (int k = 1; k <= rows; ++k)
        list->AddElem(numbered(u"Field", k), numbered(u"value ", k), true);
    result.fillSeconds = double(fill.nsecsElapsed()) / 1e9;

    result.add = measure([&](int) { list->AddElem(u"Added", u"value", true); },
                         [&](int) { list->RemoveElem(list->Count()); });
    // Rows put back are new ones, so that the rows moving up keep differing from the
    // ones they replace, as real rows do.
    int next = rows;
    result.remove =
        measure([&](int) { list->RemoveElem(1); },
                [&](int) {
                    ++next;
                    list->AddElem(numbered(u"Field", next), numbered(u"value ", next), false);
                });

    auto *bar = qobject_cast<QScrollBar *>(Platform::widgetOf(list->VScroll1()));
    bar->setValue(1);
    result.scroll = measure(
        [&](int i) {
            bar->triggerAction(i % 2 == 0 ? QAbstractSlider::SliderSingleStepAdd
                                          : QAbstractSlider::SliderSingleStepSub);
        },
        [](int) {});

    // Down and Up in turn, from the last row of the window, so that moves scroll.
    const int last = qMin(rows, list->LinesCount());
    bar->setValue(1);
    list->setSelectedIndex(last);
    list->txtFieldName(last - 1).setFocus();
    result.upDown =
        measure([&](int i) { sendKey(i % 2 == 0 ? Qt::Key_Down : Qt::Key_Up); }, [](int) {});
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Platform::setMessageBoxHandler([](const std::u16string &, int, const std::u16string &) {
        ++boxes;
        return 1;
    });

    QList<int> counts;
    for (const QString &arg : app.arguments().mid(1))
        counts.append(arg.toInt());
    if (counts.isEmpty())
        counts = {10, 1000, 30000, 100000};

    std::printf("Machine: %s, %d logical cores, Qt %s, %s\n\n", qPrintable(cpuName()),
                QThread::idealThreadCount(), qVersion(), qPrintable(QSysInfo::prettyProductName()));
    std::printf("| rows | fill (s) | AddElem (us) | RemoveElem(1) (us) | scroll step (us) | "
                "Up/Down (us) | boxes per call (add/remove/scroll/key) |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---|\n");
    for (int rows : counts) {
        const Row r = run(rows);
        std::printf("| %d | %.2f | %.1f | %.1f | %.1f | %.1f | %.0f / %.0f / %.0f / %.0f |\n",
                    r.rows, r.fillSeconds, r.add.microseconds, r.remove.microseconds,
                    r.scroll.microseconds, r.upDown.microseconds, r.add.boxesPerCall,
                    r.remove.boxesPerCall, r.scroll.boxesPerCall, r.upDown.boxesPerCall);
        std::fflush(stdout);
    }
    return 0;
}

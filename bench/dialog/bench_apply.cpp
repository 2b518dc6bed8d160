// SPDX-License-Identifier: Apache-2.0
// bench_apply: the dialog's times on a book whose PDF has many custom fields:
// MainForm.Show on a one-book publication, Apply pressed once the book is loaded.
//   open   from the call of Show until the book is read and painted (the press comes at
//          the first pass of the message loop after it)
//   Apply  from the press until the dialog is hidden (the save, its progress and its
//          one write)
// Message boxes are answered at once. Each is the median of ORVFIELDS_BENCH_RUNS runs
// (default 3). Its Windows twin is win32/bench_apply.cpp.
//
//   QT_QPA_PLATFORM=offscreen bench_apply [FIELDS...]      (default 10 100 1000)

#include "host/model/PublicationReader.h"
#include "host/model/PublicationTree.h"
#include "platform/MessageBox.h"
#include "plugin/MainForm.h"
#include "tagora/TagoraInfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void makeBook(const QString &path, int fields)
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
    // qpdf keeps the name's pointer: the bytes must outlive the writer.
    const QByteArray name = QFile::encodeName(path);
    QPDFWriter writer(pdf, name.constData());
    writer.write();
}

struct Times
{
    double open = -1;
    double apply = -1;
};

Times measure(const QString &folder, int fields)
{
    makeBook(folder + "/book.pdf", fields);
    const auto tree = Automation::make<Host::PublicationTree>();
    Host::PublicationReader::read(
        R"(<publication title="Bench"><book name="Book" pdf="book.pdf"/></publication>)",
        folder.toStdU16String(), u"bench.xml", *tree);

    Times times;
    QElapsedTimer shown;
    QTimer press;
    press.setInterval(0);
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *apply = window->findChild<QPushButton *>(QStringLiteral("cmdApply"));
            if (!window->isVisible() || !apply || !apply->isEnabled())
                continue;
            press.stop();
            window->repaint();
            times.open = double(shown.nsecsElapsed()) / 1e6;
            QElapsedTimer timer;
            timer.start();
            apply->click();
            times.apply = double(timer.nsecsElapsed()) / 1e6;
        }
    });
    press.start();
    const auto form = Automation::make<Plugin::MainForm>();
    form->setLanguage(1);
    form->setPluginObject(tree);
    shown.start();
    form->Show();

    Tagora::TagoraInfo check;
    if (check.ReadInfo((folder + "/book.pdf").toStdU16String()) < fields)
        std::fprintf(stderr, "the save lost fields\n");
    return times;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Platform::setMessageBoxHandler(
        [](const std::u16string &, int, const std::u16string &) { return 1; });
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.append(QByteArray(argv[i]).toInt());
    if (counts.isEmpty())
        counts = {10, 100, 1000};
    const int runs = qEnvironmentVariableIsSet("ORVFIELDS_BENCH_RUNS")
                         ? std::max(1, qEnvironmentVariableIntValue("ORVFIELDS_BENCH_RUNS"))
                         : 3;
    QTemporaryDir folder;
    std::printf("| custom fields | open (ms) | Apply (ms) |\n|---|---|---|\n");
    for (const int fields : counts) {
        std::vector<double> open, apply;
        for (int i = 0; i < runs; ++i) {
            const Times times = measure(folder.path(), fields);
            open.push_back(times.open);
            apply.push_back(times.apply);
        }
        std::printf("| %d | %.1f | %.1f |\n", fields, median(open), median(apply));
        std::fflush(stdout);
    }
    return 0;
}

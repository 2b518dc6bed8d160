// SPDX-License-Identifier: Apache-2.0
// Draws the dialog's icon at 16, 32 and 48 pixels into PNG files, and at 64, 128
// and 256 for the installed application icon (the host's, in the hicolor theme):
//
//     make-icons OUTPUT_FOLDER
//
// A page with a folded corner, a red band at its head (a PDF) and three form rows,
// each a label and an entry box: the document's fields. The shapes are laid out on a
// 48-unit grid and snapped to whole pixels at each size, so that the small sizes
// stay sharp.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace {

// A rectangle of the 48-unit grid at `size` pixels, edges on whole pixels.
QRectF snapped(double x, double y, double w, double h, int size)
{
    const double k = size / 48.0;
    const double left = std::round(x * k);
    const double top = std::round(y * k);
    return QRectF(left, top, std::max(1.0, std::round((x + w) * k) - left),
                  std::max(1.0, std::round((y + h) * k) - top));
}

QImage draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    const double k = size / 48.0;

    // The page, its corner folded down at the top right.
    const QRectF page = snapped(7, 3, 34, 42, size);
    const double fold = std::round(10 * k);
    QPainterPath outline;
    outline.moveTo(page.left(), page.top());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.right(), page.bottom());
    outline.lineTo(page.left(), page.bottom());
    outline.closeSubpath();
    p.setPen(Qt::NoPen);
    // The outline is the page drawn dark, then its inside drawn light.
    const double edge = std::max(1.0, std::round(1.5 * k));
    QPainterPath inner;
    inner.moveTo(page.left() + edge, page.top() + edge);
    inner.lineTo(page.right() - fold - edge * 0.4, page.top() + edge);
    inner.lineTo(page.right() - edge, page.top() + fold + edge * 0.4);
    inner.lineTo(page.right() - edge, page.bottom() - edge);
    inner.lineTo(page.left() + edge, page.bottom() - edge);
    inner.closeSubpath();
    p.setBrush(QColor(0x5f, 0x63, 0x68));
    p.drawPath(outline);
    p.setBrush(QColor(0xfb, 0xfb, 0xf8));
    p.drawPath(inner);

    // The folded corner.
    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    corner.closeSubpath();
    p.setBrush(QColor(0xc9, 0xcc, 0xd1));
    p.drawPath(corner);

    // The red head band of a PDF.
    p.setBrush(QColor(0xc6, 0x28, 0x28));
    p.drawRect(snapped(7, 9, 24, 7, size).adjusted(edge, 0, 0, 0));

    // Form rows: a dark label, a white entry box with a blue border. Three rows on
    // the grid; two at 16 pixels, placed by hand, where three would run together.
    struct Row
    {
        QRectF label;
        QRectF box;
    };
    QList<Row> rows;
    if (size == 16) {
        rows = {{QRectF(4, 8, 2, 1), QRectF(7, 7, 5, 3)},
                {QRectF(4, 12, 2, 1), QRectF(7, 11, 5, 3)}};
    } else {
        for (int row = 0; row < 3; ++row) {
            const double y = 20 + row * 8.5;
            rows.append({snapped(11, y + 1.5, 7, 3, size), snapped(20, y, 17, 6, size)});
        }
    }
    for (const Row &row : rows) {
        p.setBrush(QColor(0x3a, 0x3f, 0x47));
        p.drawRect(row.label);
        p.setBrush(QColor(0x1e, 0x6b, 0xc6));
        p.drawRect(row.box);
        p.setBrush(Qt::white);
        p.drawRect(row.box.adjusted(edge, edge, -edge, -edge));
    }
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = folder.filePath(QStringLiteral("frmMain-%1.png").arg(size));
        if (!draw(size).save(path)) {
            std::fprintf(stderr, "make-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

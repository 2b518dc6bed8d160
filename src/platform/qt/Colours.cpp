// SPDX-License-Identifier: Apache-2.0
// The system colours over the application palette (the table is in SystemColors.h),
// and the colours of a widget set by reference.
#include "Widgets.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace Platform {

namespace {

constexpr char BackColorProperty[] = "BackColor";
constexpr char ForeColorProperty[] = "OleForeColor";

Rgb rgbOf(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return MakeRgb(rgb.red(), rgb.green(), rgb.blue());
}

Rgb mix(const QColor &a, const QColor &b, double shareOfA)
{
    const double s = shareOfA;
    return rgbOf(QColor::fromRgbF(float(a.redF() * s + b.redF() * (1 - s)),
                                  float(a.greenF() * s + b.greenF() * (1 - s)),
                                  float(a.blueF() * s + b.blueF() * (1 - s))));
}

void paintBack(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

// The role a widget draws its text with.
QPalette::ColorRole textRole(const QWidget *widget)
{
    if (qobject_cast<const QLineEdit *>(widget))
        return QPalette::Text;
    if (qobject_cast<const QPushButton *>(widget))
        return QPalette::ButtonText;
    return QPalette::WindowText;
}

// A disabled widget draws its text in the system's grey text, whatever its colour.
void paintFore(QWidget *widget, const QColor &color)
{
    const QPalette::ColorRole role = textRole(widget);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
    palette.setColor(QPalette::Disabled, role, qColor(GetSysColor(COLOR_GRAYTEXT)));
    widget->setPalette(palette);
}

// Paints again the system colours held by reference when the application palette
// changes. Qt tells the application object of every change, while it passes the new
// palette on to a widget only for the roles the widget has not set itself.
class PaletteFollower : public QObject
{
public:
    static void watchApplication()
    {
        static PaletteFollower *follower = new PaletteFollower;
        static QPointer<QCoreApplication> watched;
        QCoreApplication *application = QCoreApplication::instance();
        if (application && watched != application) {
            application->installEventFilter(follower);
            watched = application;
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ApplicationPaletteChange &&
            watched == QCoreApplication::instance()) {
            for (QWidget *widget : QApplication::allWidgets()) {
                const QVariant back = widget->property(BackColorProperty);
                if (back.isValid() && IsSystemColor(back.toUInt()))
                    paintBack(widget, qColor(FromOleColor(back.toUInt())));
                // The grey of disabled text may have changed too.
                const QVariant fore = widget->property(ForeColorProperty);
                if (fore.isValid())
                    paintFore(widget, qColor(FromOleColor(fore.toUInt())));
            }
        }
        return false;
    }
};

} // namespace

Rgb GetSysColor(int index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case COLOR_WINDOW:
        return rgbOf(palette.color(QPalette::Active, QPalette::Base));
    case COLOR_WINDOWTEXT:
        return rgbOf(palette.color(QPalette::Active, QPalette::Text));
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT:
        return rgbOf(palette.color(QPalette::Active, QPalette::Highlight));
    case COLOR_HIGHLIGHTTEXT:
        return rgbOf(palette.color(QPalette::Active, QPalette::HighlightedText));
    case COLOR_BTNFACE:
        return rgbOf(palette.color(QPalette::Active, QPalette::Button));
    case COLOR_GRAYTEXT:
        return rgbOf(palette.color(QPalette::Disabled, QPalette::Text));
    case COLOR_BTNTEXT:
        return rgbOf(palette.color(QPalette::Active, QPalette::ButtonText));
    case COLOR_3DLIGHT:
        return rgbOf(palette.color(QPalette::Active, QPalette::Midlight));
    case COLOR_GRADIENTACTIVECAPTION:
        // Light enough for text in the Text colour, yet clearly a selection.
        return mix(palette.color(QPalette::Active, QPalette::Highlight),
                   palette.color(QPalette::Active, QPalette::Base), 0.35);
    default:
        return 0;
    }
}

void SetBackColor(QWidget *widget, OleColor color)
{
    const QVariant current = widget->property(BackColorProperty);
    if (current.isValid() && current.toUInt() == color)
        return;
    PaletteFollower::watchApplication();
    widget->setProperty(BackColorProperty, QVariant::fromValue<uint>(color));
    paintBack(widget, qColor(FromOleColor(color)));
}

OleColor BackColor(const QWidget *widget)
{
    return widget->property(BackColorProperty).toUInt();
}

void SetForeColor(QWidget *widget, OleColor color)
{
    PaletteFollower::watchApplication();
    widget->setProperty(ForeColorProperty, QVariant::fromValue<uint>(color));
    paintFore(widget, qColor(FromOleColor(color)));
}

OleColor ForeColor(const QWidget *widget)
{
    const QVariant color = widget->property(ForeColorProperty);
    return color.isValid() ? color.toUInt() : SystemColor(COLOR_BTNTEXT);
}

} // namespace Platform

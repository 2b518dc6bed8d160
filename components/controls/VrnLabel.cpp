#include "VrnLabel.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>

namespace Controls {

namespace {

// Not "ForeColor": that is the property of VrnLabel itself.
constexpr char ForeColorProperty[] = "OleForeColor";

void paint(QLabel *label, Platform::OleColor color)
{
    QPalette colors = label->palette();
    const QColor text = Platform::FromOleColor(color);
    colors.setColor(QPalette::Active, QPalette::WindowText, text);
    colors.setColor(QPalette::Inactive, QPalette::WindowText, text);
    colors.setColor(QPalette::Disabled, QPalette::WindowText,
                    Platform::GetSysColor(Platform::COLOR_GRAYTEXT));
    label->setPalette(colors);
}

// Paints the labels again when the application palette changes: Qt tells the
// application object, and a widget only of the roles it has not set itself.
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
                auto *label = qobject_cast<QLabel *>(widget);
                const QVariant color = widget->property(ForeColorProperty);
                if (label && color.isValid())
                    paint(label, color.toUInt());
            }
        }
        return false;
    }
};

} // namespace

void SetForeColor(QLabel *label, Platform::OleColor color)
{
    PaletteFollower::watchApplication();
    label->setProperty(ForeColorProperty, QVariant::fromValue<uint>(color));
    paint(label, color);
}

Platform::OleColor ForeColor(const QLabel *label)
{
    const QVariant color = label->property(ForeColorProperty);
    return color.isValid() ? color.toUInt() : Platform::SystemColor(Platform::COLOR_BTNTEXT);
}

VrnLabel::VrnLabel(QWidget *parent) : QLabel(parent)
{
    SetForeColor(this, Platform::SystemColor(Platform::COLOR_BTNTEXT));
}

} // namespace Controls

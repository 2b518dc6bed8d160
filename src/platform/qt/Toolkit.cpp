// SPDX-License-Identifier: Apache-2.0
// The toolkit's controls as Qt widgets (Toolkit.h, QtToolkit.h).
//
// Each control owns one widget, a small subclass of the Qt widget that raises the
// control's events from Qt's. Key presses, left-button presses and focus changes are
// taken in the widget's event() before the widget handles them, as an event filter
// would; changes of text, value and selection and button presses come from the
// widget's signals. A widget reaches its control through `ownedBy`, cleared when the
// control goes, so that nothing raised while the widget is taken down reaches it.
#include "platform/Toolkit.h"
#include "QtToolkit.h"
#include "Widgets.h"
#include "automation/AutomationError.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFocusEvent>
#include <QFrame>
#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

// Resources of a static library are registered by hand, outside any namespace.
static void initDialogResources()
{
    Q_INIT_RESOURCE(frmMain);
}

namespace Platform {

namespace {

// Its window losing or getting back the activation (a message box, another program, a
// context menu) moves no focus between the window's controls.
bool movesFocus(const QFocusEvent &event)
{
    return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

// The part of every control's widget that knows its control.
class Owned
{
public:
    virtual ~Owned() = default;
    Control *ownedBy = nullptr;
};

template <typename Base, typename Interface> class Window : public Base, public Owned
{
public:
    using Base::Base;
    Interface *owner() const { return static_cast<Interface *>(ownedBy); }
};

// What widgetOf reads.
class Holder
{
public:
    virtual ~Holder() = default;
    QWidget *widget() const { return m_widget; }

protected:
    QPointer<QWidget> m_widget;
};

// A control over its widget `W`.
template <typename Interface, typename W> class Over : public Interface, public Holder
{
public:
    explicit Over(W *window)
    {
        window->ownedBy = this;
        m_widget = window;
    }

    ~Over() override
    {
        if (!m_widget)
            return;
        window()->ownedBy = nullptr;
        // The controls inside have owners of their own, who destroy them later: their
        // widgets leave this one first.
        const QObjectList children = m_widget->children();
        for (QObject *child : children) {
            const auto *owned = dynamic_cast<const Owned *>(child);
            if (owned && owned->ownedBy)
                static_cast<QWidget *>(child)->setParent(nullptr);
        }
        delete m_widget.data();
    }

    Over(const Over &) = delete;
    Over &operator=(const Over &) = delete;

    W *window() const { return static_cast<W *>(m_widget.data()); }

    void setGeometry(const Rect &pixels) override
    {
        window()->setGeometry(pixels.left, pixels.top, pixels.width, pixels.height);
    }
    Rect geometry() const override
    {
        const QRect g = window()->geometry();
        return Rect{g.x(), g.y(), g.width(), g.height()};
    }
    void setVisible(bool visible) override { window()->setVisible(visible); }
    bool isVisible() const override { return window()->isVisible(); }
    void setEnabled(bool enabled) override { window()->setEnabled(enabled); }
    bool isEnabled() const override { return window()->isEnabled(); }
    void setBackColor(OleColor color) override { SetBackColor(window(), color); }
    OleColor backColor() const override { return BackColor(window()); }
    void setForeColor(OleColor color) override { SetForeColor(window(), color); }
    OleColor foreColor() const override { return ForeColor(window()); }
    void setFocus() override { window()->setFocus(Qt::OtherFocusReason); }
    bool hasFocus() const override { return window()->hasFocus(); }
    void setAccessibleName(const std::u16string &name) override
    {
        window()->setAccessibleName(qText(name));
    }
    void raise() override { window()->raise(); }
    void repaint() override { window()->repaint(); }
};

template <typename Interface, typename W> class ContainerOver : public Over<Interface, W>
{
public:
    using Over<Interface, W>::Over;

    void setTabOrder(Control &first, Control &second) override
    {
        QWidget::setTabOrder(widgetOf(first), widgetOf(second));
    }
};

// A new control's widget: named, and shown with its parent (a control is visible until
// hidden).
template <typename W> W *named(W *window, const std::string &name)
{
    window->setObjectName(QString::fromStdString(name));
    window->show();
    return window;
}

// ---- label

using LabelWindow = Window<QLabel, Label>;

class QtLabel final : public Over<Label, LabelWindow>
{
public:
    using Over::Over;

    void setCaption(const std::u16string &caption) override { window()->setText(qText(caption)); }
    std::u16string caption() const override { return uText(window()->text()); }
    void setAlignment(Alignment alignment) override
    {
        window()->setAlignment(alignment == Alignment::Centre ? Qt::AlignHCenter | Qt::AlignTop
                                                              : Qt::AlignLeft | Qt::AlignVCenter);
    }
    void setWordWrap(bool wrap) override { window()->setWordWrap(wrap); }
};

// ---- text box

// True when the box's text is wider than the room the box gives it.
bool isTextCutOff(const QLineEdit &box)
{
    // QLineEdit's own blank between its contents rectangle and the text, each side.
    constexpr int LineEditMargin = 2;
    QStyleOptionFrame option;
    option.initFrom(&box);
    option.lineWidth =
        box.hasFrame() ? box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &box) : 0;
    const QRect contents = box.style()->subElementRect(QStyle::SE_LineEditContents, &option, &box);
    const QMargins margins = box.textMargins();
    const int room = contents.width() - margins.left() - margins.right() - 2 * LineEditMargin;
    return box.fontMetrics().horizontalAdvance(box.text()) > room;
}

class TextBoxWindow final : public Window<QLineEdit, TextBox>
{
public:
    using Window::Window;

protected:
    bool event(QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ToolTip:
            // A text cut off by the box shows whole in a tooltip (and screen magnifiers
            // that follow tooltips read it); a text that fits shows none.
            if (isTextCutOff(*this))
                QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
            else
                QToolTip::hideText();
            return true;
        case QEvent::KeyPress:
            if (TextBox *box = owner()) {
                const auto &key = *static_cast<QKeyEvent *>(event);
                fire(box->onKeyDown, KeyCodeOf(key), ShiftOf(key));
            }
            break;
        case QEvent::MouseButtonPress:
            if (TextBox *box = owner();
                box && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                fire(box->onClick);
            break;
        case QEvent::FocusOut:
            if (TextBox *box = owner(); box && movesFocus(*static_cast<QFocusEvent *>(event)))
                fire(box->onLostFocus);
            break;
        case QEvent::FocusIn: {
            const bool handled = QLineEdit::event(event);
            if (TextBox *box = owner(); box && movesFocus(*static_cast<QFocusEvent *>(event)))
                fire(box->onGotFocus);
            return handled;
        }
        default:
            break;
        }
        return QLineEdit::event(event);
    }
};

// StdFont over the widget's own font, so that every change shows at once. Qt's fonts
// have no character set: it is kept beside the font, on the widget.
class WidgetFont final : public Font
{
public:
    explicit WidgetFont(QWidget *owner) : m_owner(owner) {}

    std::u16string name() const override { return uText(m_owner->font().family()); }
    void setName(const std::u16string &name) override
    {
        QFont font = m_owner->font();
        font.setFamily(qText(name));
        m_owner->setFont(font);
    }
    double size() const override
    {
        const QFont font = m_owner->font();
        // A font sized in pixels still has a size in points.
        const double points =
            font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
        return std::nearbyint(points * 10000) / 10000;
    }
    void setSize(double points) override
    {
        if (!(points > 0))
            Automation::raise(Automation::InvalidProcedureCall);
        QFont font = m_owner->font();
        font.setPointSizeF(std::nearbyint(points * 10000) / 10000);
        m_owner->setFont(font);
    }
    int charset() const override
    {
        const QVariant charset = m_owner->property(CharsetProperty);
        return charset.isValid() ? charset.toInt() : DEFAULT_CHARSET;
    }
    void setCharset(int charset) override { m_owner->setProperty(CharsetProperty, charset); }

private:
    static constexpr char CharsetProperty[] = "Charset";
    QWidget *m_owner;
};

class QtTextBox final : public Over<TextBox, TextBoxWindow>
{
public:
    explicit QtTextBox(TextBoxWindow *window) : Over(window), m_font(window)
    {
        // A line edit keeps 32 767 characters by default and cuts what it is given
        // beyond: a longer value would be written back shortened.
        window->setMaxLength(std::numeric_limits<int>::max());
        QObject::connect(window, &QLineEdit::textChanged, window, [window] {
            if (TextBox *box = window->owner())
                fire(box->onChange);
        });
    }

    std::u16string text() const override { return uText(window()->text()); }
    void setText(const std::u16string &text) override { window()->setText(qText(text)); }
    void setReadOnly(bool readOnly) override { window()->setReadOnly(readOnly); }
    bool isReadOnly() const override { return window()->isReadOnly(); }
    void setSelection(int start, int length) override
    {
        const int size = int(window()->text().size());
        const int from = std::clamp(start, 0, size);
        window()->setSelection(from, std::clamp(length, 0, size - from));
    }
    Font &font() override { return m_font; }

private:
    WidgetFont m_font;
};

// ---- drop-down list, button

using DropDownWindow = Window<QComboBox, DropDownList>;

class QtDropDownList final : public Over<DropDownList, DropDownWindow>
{
public:
    explicit QtDropDownList(DropDownWindow *window) : Over(window)
    {
        QObject::connect(window, &QComboBox::currentIndexChanged, window, [window] {
            if (DropDownList *list = window->owner())
                fire(list->onClick);
        });
    }

    void clear() override { window()->clear(); }
    void addItem(const std::u16string &text) override { window()->addItem(qText(text)); }
    int count() const override { return window()->count(); }
    std::u16string itemText(int index) const override { return uText(window()->itemText(index)); }
    int selectedIndex() const override { return window()->currentIndex(); }
    void setSelectedIndex(int index) override { window()->setCurrentIndex(index); }

    // On Linux a combo box is named by its current text: screen readers find what it
    // is from the label it is the buddy of, the label beside it showing that name.
    void setAccessibleName(const std::u16string &name) override
    {
        Over::setAccessibleName(name);
        QWidget *parent = window()->parentWidget();
        if (!parent)
            return;
        const QString caption = qText(name);
        for (QLabel *label : parent->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
            if (label->text() == caption && !label->buddy()) {
                label->setBuddy(window());
                break;
            }
        }
    }
};

using ButtonWindow = Window<QPushButton, Button>;

class QtButton final : public Over<Button, ButtonWindow>
{
public:
    explicit QtButton(ButtonWindow *window) : Over(window)
    {
        // Never a default button: Enter and Escape press nothing.
        window->setAutoDefault(false);
        window->setDefault(false);
        QObject::connect(window, &QPushButton::clicked, window, [window] {
            if (Button *button = window->owner())
                fire(button->onClick);
        });
    }

    void setCaption(const std::u16string &caption) override { window()->setText(qText(caption)); }
    std::u16string caption() const override { return uText(window()->text()); }
};

// ---- scroll bar

class ScrollBarWindow final : public Window<QScrollBar, ScrollBar>
{
public:
    explicit ScrollBarWindow(QWidget *parent) : Window(Qt::Vertical, parent) {}

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            if (ScrollBar *bar = owner()) {
                const auto &key = *static_cast<QKeyEvent *>(event);
                fire(bar->onKeyDown, KeyCodeOf(key), ShiftOf(key));
            }
        }
        return QScrollBar::event(event);
    }
};

class QtScrollBar final : public Over<ScrollBar, ScrollBarWindow>
{
public:
    explicit QtScrollBar(ScrollBarWindow *window) : Over(window)
    {
        // The toolkit's defaults for a scroll bar: 0 to 32767 in steps of 1.
        window->setRange(0, 32767);
        window->setSingleStep(1);
        window->setPageStep(1);
        window->setFocusPolicy(Qt::StrongFocus);
        QObject::connect(window, &QScrollBar::valueChanged, window, [window] {
            if (ScrollBar *bar = window->owner())
                fire(bar->onChange);
        });
    }

    void setRange(int minimum, int maximum) override { window()->setRange(minimum, maximum); }
    int minimum() const override { return window()->minimum(); }
    int maximum() const override { return window()->maximum(); }
    void setSmallChange(int step) override { window()->setSingleStep(step); }
    int smallChange() const override { return window()->singleStep(); }
    void setLargeChange(int step) override { window()->setPageStep(step); }
    int largeChange() const override { return window()->pageStep(); }
    void setValue(int value) override { window()->setValue(value); }
    int value() const override { return window()->value(); }
};

// ---- panel, progress bar

using PanelWindow = Window<QFrame, Panel>;

class QtPanel final : public ContainerOver<Panel, PanelWindow>
{
public:
    explicit QtPanel(PanelWindow *window) : ContainerOver(window)
    {
        window->setFrameShape(QFrame::Panel);
        window->setFrameShadow(QFrame::Raised);
        window->setLineWidth(2);
        window->setAutoFillBackground(true);
    }
};

using ProgressBarWindow = Window<QProgressBar, ProgressBar>;

class QtProgressBar final : public Over<ProgressBar, ProgressBarWindow>
{
public:
    explicit QtProgressBar(ProgressBarWindow *window) : Over(window)
    {
        window->setRange(0, 100);
        window->setValue(0);
        window->setTextVisible(false);
    }

    void setValue(int percent) override
    {
        m_value = percent;
        // QProgressBar ignores a value out of its range: the bar would stay where it was.
        window()->setValue(std::clamp(percent, 0, 100));
    }
    int value() const override { return m_value; }

private:
    int m_value = 0;
};

// ---- user control

class UserControlWindow final : public Window<QWidget, UserControl>
{
public:
    using Window::Window;

    // The size of the first geometry given, the control's design size.
    QSize designSize;

    QSize sizeHint() const override { return designSize.isValid() ? designSize : QSize(); }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        if (UserControl *control = owner())
            fire(control->onResize);
    }

    void focusInEvent(QFocusEvent *event) override
    {
        QWidget::focusInEvent(event);
        switch (event->reason()) {
        case Qt::BacktabFocusReason:
            // Going backwards the control is reached from its own first child: pass on,
            // as a control whose children take the focus does not hold it itself.
            focusNextPrevChild(false);
            break;
        case Qt::ActiveWindowFocusReason:
        case Qt::PopupFocusReason:
            break; // its window came back: the focus never left the control
        default:
            if (UserControl *control = owner())
                fire(control->onGotFocus);
            break;
        }
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        if (QApplication::focusWidget() == this) {
            if (UserControl *control = owner())
                fire(control->onKeyDown, KeyCodeOf(*event), ShiftOf(*event));
            QWidget::keyPressEvent(event);
            return;
        }
        // A key a child did not use comes up here. Enter was the child's commit: it
        // must not go on to press a dialog's default button.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
    }
};

class QtUserControl final : public ContainerOver<UserControl, UserControlWindow>
{
public:
    using ContainerOver::ContainerOver;

    void setGeometry(const Rect &pixels) override
    {
        UserControlWindow *control = window();
        if (!control->designSize.isValid())
            control->designSize = QSize(pixels.width, pixels.height);
        const QSize old = control->size();
        Over::setGeometry(pixels);
        // A hidden widget gets its resize only when shown; the control's layout must
        // follow a new size now.
        if (control->testAttribute(Qt::WA_PendingResizeEvent) && control->size() != old) {
            control->setAttribute(Qt::WA_PendingResizeEvent, false);
            QResizeEvent event(control->size(), old);
            QCoreApplication::sendEvent(control, &event);
        }
    }

    void setFocusable(bool focusable) override
    {
        window()->setFocusPolicy(focusable ? Qt::StrongFocus : Qt::NoFocus);
    }
};

// ---- form

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

class FormWindow final : public Window<QDialog, Form>
{
public:
    FormWindow()
    {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    }

    ~FormWindow() override { setInputHeld(false); }

    FormWindow(const FormWindow &) = delete;
    FormWindow &operator=(const FormWindow &) = delete;

    void setInputHeld(bool held)
    {
        if (held == m_inputHeld)
            return;
        m_inputHeld = held;
        if (held)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QDialog::showEvent(event);
        // Once per showing, after the show has been handled. Getting the focus back from
        // a message box or another program is no activation.
        if (m_activationQueued)
            return;
        m_activationQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_activationQueued = false;
                if (Form *form = owner(); form && isVisible())
                    fire(form->onActivate);
            },
            Qt::QueuedConnection);
    }

    void closeEvent(QCloseEvent *event) override
    {
        bool cancel = false;
        if (Form *form = owner())
            fire(form->onQueryUnload, cancel);
        if (cancel) {
            event->ignore();
            return;
        }
        event->accept();
        // Ends a modal run, as the close box does for any dialog.
        done(QDialog::Rejected);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        // QDialog would press a default button on Enter and reject on Escape, closing
        // the window past its close request.
        switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Enter:
        case Qt::Key_Return:
            event->ignore();
            return;
        default:
            QDialog::keyPressEvent(event);
        }
    }

    // Drops input to the form's controls while it is held; the controls keep their look.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_inputHeld && isUserInput(event->type()) && watched->isWidgetType() &&
            watched != this && static_cast<QWidget *>(watched)->window() == this)
            return true;
        return QDialog::eventFilter(watched, event);
    }

private:
    bool m_activationQueued = false;
    bool m_inputHeld = false;
};

class QtForm final : public ContainerOver<Form, FormWindow>
{
public:
    using ContainerOver::ContainerOver;

    void setCaption(const std::u16string &caption) override
    {
        window()->setWindowTitle(qText(caption));
    }

    // The images of the dialog's resources (src/dialog/icons): ":/dialog/<name>-16.png"
    // and its 32 and 48 pixel sizes.
    void setIcon(const std::string &name) override
    {
        initDialogResources();
        QIcon icon;
        for (int size : {16, 32, 48})
            icon.addFile(
                QStringLiteral(":/dialog/%1-%2.png").arg(QString::fromStdString(name)).arg(size),
                QSize(size, size));
        window()->setWindowIcon(icon);
    }

    void setFont(const std::u16string &faces, double points) override
    {
        QFont font;
        font.setFamilies(qText(faces).split(u';', Qt::SkipEmptyParts));
        font.setPointSizeF(points);
        font.setWeight(QFont::Normal);
        window()->setFont(font);
    }

    void setClientSize(int width, int height) override { window()->setFixedSize(width, height); }

    // Modal without an owner window: Qt puts it over the active window, and its run
    // ends when it hides.
    void showModal() override { window()->exec(); }

    void setInputHeld(bool held) override { window()->setInputHeld(held); }
};

QWidget *parentOf(Container &parent)
{
    return widgetOf(parent);
}

} // namespace

QWidget *widgetOf(const Control &control)
{
    const auto *holder = dynamic_cast<const Holder *>(&control);
    return holder ? holder->widget() : nullptr;
}

std::unique_ptr<Form> createForm(const std::string &name)
{
    auto *window = new FormWindow;
    window->setObjectName(QString::fromStdString(name));
    return std::make_unique<QtForm>(window);
}

std::unique_ptr<Label> createLabel(Container &parent, const std::string &name)
{
    return std::make_unique<QtLabel>(named(new LabelWindow(parentOf(parent)), name));
}

std::unique_ptr<TextBox> createTextBox(Container &parent, const std::string &name)
{
    return std::make_unique<QtTextBox>(named(new TextBoxWindow(parentOf(parent)), name));
}

std::unique_ptr<DropDownList> createDropDownList(Container &parent, const std::string &name)
{
    return std::make_unique<QtDropDownList>(named(new DropDownWindow(parentOf(parent)), name));
}

std::unique_ptr<Button> createButton(Container &parent, const std::string &name)
{
    return std::make_unique<QtButton>(named(new ButtonWindow(parentOf(parent)), name));
}

std::unique_ptr<ScrollBar> createScrollBar(Container &parent, const std::string &name)
{
    return std::make_unique<QtScrollBar>(named(new ScrollBarWindow(parentOf(parent)), name));
}

std::unique_ptr<Panel> createPanel(Container &parent, const std::string &name)
{
    return std::make_unique<QtPanel>(named(new PanelWindow(parentOf(parent)), name));
}

std::unique_ptr<ProgressBar> createProgressBar(Container &parent, const std::string &name)
{
    return std::make_unique<QtProgressBar>(named(new ProgressBarWindow(parentOf(parent)), name));
}

std::unique_ptr<UserControl> createUserControl(Container *parent, const std::string &name)
{
    if (!parent) {
        auto *window = new UserControlWindow;
        window->setObjectName(QString::fromStdString(name));
        return std::make_unique<QtUserControl>(window);
    }
    return std::make_unique<QtUserControl>(named(new UserControlWindow(parentOf(*parent)), name));
}

} // namespace Platform

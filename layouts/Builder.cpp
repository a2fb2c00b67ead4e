#include "Builder.h"

#include "Twips.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <vector>

namespace layouts {
namespace {

bool IsEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

Qt::WindowFlags FlagsOf(const Window& design) {
    if (design.border == Border::None) {
        return Qt::Window | Qt::FramelessWindowHint;
    }
    // A fixed window without minimise and maximise boxes is a dialog to the window manager.
    const bool dialog = design.border != Border::Sizable && !design.minButton && !design.maxButton;
    Qt::WindowFlags flags = (dialog ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (design.minButton) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (design.maxButton) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

// Keeps a status bar along the bottom edge of its parent, full width, at its own height.
class BottomDock : public QObject {
public:
    explicit BottomDock(QWidget* bar) : QObject(bar), bar_(bar) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            auto* parent = static_cast<QWidget*>(watched);
            bar_->setGeometry(0, parent->height() - bar_->height(), parent->width(), bar_->height());
        }
        return false;
    }

private:
    QWidget* bar_;
};

// A line drawn in the text colour between two points of its container, cut off at the container's edges.
class LineControl : public QWidget {
public:
    LineControl(QPoint from, QPoint to, QWidget* parent) : QWidget(parent), from_(from), to_(to) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            setGeometry(parentWidget()->rect());
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawLine(from_, to_);
    }

private:
    QPoint from_;
    QPoint to_;
};

QWidget* Make(const Control& c, QWidget* parent, const CustomFactory& custom) {
    const QString caption = QString::fromUtf8(c.caption);
    switch (c.kind) {
    case Kind::Label:
    case Kind::SkinLabel: {
        auto* label = new QLabel(caption, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFocusPolicy(Qt::NoFocus);
        if ((c.flags & Transparent) != 0) {
            label->setAttribute(Qt::WA_TranslucentBackground);
        }
        return label;
    }
    case Kind::PushButton: {
        auto* button = new CommandButton(caption, parent);
        button->setAutoDefault(false);
        return button;
    }
    case Kind::GraphicalButton: {
        auto* button = new GraphicalButton(parent);
        button->setText(caption);
        button->setIcon(Picture(c.picture));
        return button;
    }
    case Kind::TextBox: {
        auto* edit = new QLineEdit(parent);
        edit->setText(caption);
        if ((c.flags & PasswordChar) != 0) {
            edit->setEchoMode(QLineEdit::Password);
            edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
        }
        if ((c.flags & NoInputMethod) != 0) {
            edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        }
        return edit;
    }
    case Kind::CheckBox:
        return new QCheckBox(caption, parent);
    case Kind::StatusBar: {
        auto* bar = new QStatusBar(parent);
        bar->setSizeGripEnabled(false);
        if ((c.flags & DockBottom) != 0) {
            parent->installEventFilter(new BottomDock(bar));
        }
        return bar;
    }
    case Kind::Line:
        return new LineControl(QPoint(twips::ToPixels(c.left), twips::ToPixels(c.top)),
                               QPoint(twips::ToPixels(c.width), twips::ToPixels(c.height)), parent);
    case Kind::PictureBox:
    case Kind::Image: {
        auto* frame = new QLabel(parent);
        frame->setFocusPolicy(Qt::NoFocus);
        if ((c.flags & SunkenBorder) != 0) {
            frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            frame->setLineWidth(2);
        } else if ((c.flags & FlatBorder) != 0) {
            frame->setFrameStyle(QFrame::Box | QFrame::Plain);
            frame->setLineWidth(1);
        }
        if (c.kind == Kind::PictureBox) {
            // The system colours Window Background and Window Text.
            QPalette palette = frame->palette();
            palette.setColor(QPalette::Window, palette.color(QPalette::Base));
            palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
            frame->setPalette(palette);
            frame->setAutoFillBackground(true);
        }
        frame->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (c.picture != nullptr) {
            const QIcon icon = Picture(c.picture);
            if (!icon.availableSizes().isEmpty()) {
                frame->setPixmap(icon.pixmap(icon.availableSizes().first()));
            }
        }
        return frame;
    }
    default:
        return custom ? custom(c, parent) : nullptr;
    }
}

} // namespace

void CommandButton::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event) && !event->isAutoRepeat()) {
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(event);
}

GraphicalButton::GraphicalButton(QWidget* parent) : QToolButton(parent) {
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(32, 32));
    setFocusPolicy(Qt::StrongFocus);
    setAutoRaise(false);
}

void GraphicalButton::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event) && !event->isAutoRepeat()) {
        animateClick();
        return;
    }
    QToolButton::keyPressEvent(event);
}

namespace {
// The property a control's kind is kept in; a property of its own, so that no other value can be read as one.
constexpr const char* kKindProperty = "keyshelfKind";
} // namespace

std::optional<Kind> KindOf(const QWidget* widget) {
    const QVariant kind = widget->property(kKindProperty);
    if (!kind.isValid()) {
        return std::nullopt;
    }
    return static_cast<Kind>(kind.toInt());
}

void SetKind(QWidget* widget, Kind kind) {
    widget->setProperty(kKindProperty, static_cast<int>(kind));
}

QIcon Picture(const char* name) {
    QIcon icon;
    if (name == nullptr) {
        return icon;
    }
    const QString base = QStringLiteral(":/pictures/%1").arg(QString::fromUtf8(name));
    if (QFile::exists(base + QStringLiteral(".png"))) {
        icon.addFile(base + QStringLiteral(".png"));
    }
    // An icon drawn at several sizes: "frmWebsite-32.png", "frmWebsite-16.png".
    for (const int size : {16, 24, 32, 48, 64, 128}) {
        const QString sized = QStringLiteral("%1-%2.png").arg(base).arg(size);
        if (QFile::exists(sized)) {
            icon.addFile(sized, QSize(size, size));
        }
    }
    return icon;
}

QFont FontOf(const Font& font) {
    QFont f(QString::fromUtf8(font.family));
    f.setPointSizeF(font.points);
    f.setBold(font.bold);
    return f;
}

[[noreturn]] void NotMadeAs(const Window& design, std::size_t row, const char* className) {
    qFatal("%s: the control %s was not made as a %s", design.name,
           row < design.controls.size() ? design.controls[row].name : "(none)", className);
}

Made Build(QWidget* window, const Window& design, const CustomFactory& custom) {
    Made made;
    QWidget* client = window;
    auto* mainWindow = qobject_cast<QMainWindow*>(window);
    if (mainWindow != nullptr) {
        // The client area: everything below the menu bar.
        client = new QWidget(mainWindow);
        client->setObjectName(QStringLiteral("clientArea"));
        mainWindow->setCentralWidget(client);
        for (const Menu& menu : design.menus) {
            QMenu* dropDown = mainWindow->menuBar()->addMenu(QString::fromUtf8(menu.caption));
            dropDown->setObjectName(QString::fromUtf8(menu.name));
            for (std::size_t i = 0; i < menu.items.size(); ++i) {
                QAction* item = dropDown->addAction(QString::fromUtf8(menu.items[i]));
                item->setObjectName(QStringLiteral("%1(%2)").arg(QString::fromUtf8(menu.itemName)).arg(i));
                made.items.push_back(item);
            }
        }
    }
    window->setObjectName(QString::fromUtf8(design.name));
    window->setWindowFlags(FlagsOf(design));
    window->setWindowTitle(QString::fromUtf8(design.caption));
    window->setFont(FontOf(design.font.family != nullptr ? design.font : kDialogFont));
    if (design.icon != nullptr) {
        window->setWindowIcon(Picture(design.icon));
    }
    const QSize clientSize(twips::ToPixels(design.clientWidth), twips::ToPixels(design.clientHeight));
    const int menuHeight =
        mainWindow != nullptr && !design.menus.empty() ? mainWindow->menuBar()->sizeHint().height() : 0;
    const QSize windowSize(clientSize.width(), clientSize.height() + menuHeight);
    if (design.border == Border::Sizable) {
        window->resize(windowSize);
    } else {
        window->setFixedSize(windowSize);
    }
    client->resize(clientSize);

    std::vector<std::pair<int, QWidget*>> tabOrder;
    made.controls.reserve(design.controls.size());
    for (const Control& c : design.controls) {
        if (c.kind == Kind::Timer) {
            auto* timer = new QTimer(window);
            timer->setObjectName(QString::fromUtf8(c.name));
            timer->setInterval(c.interval);
            if ((c.flags & Running) != 0) {
                timer->start();
            }
            made.controls.push_back(timer);
            continue;
        }
        QWidget* parent = client;
        if (c.container != nullptr) {
            // A container comes before what it holds.
            for (std::size_t row = 0; row < made.controls.size(); ++row) {
                if (std::strcmp(design.controls[row].name, c.container) == 0 &&
                    qobject_cast<QWidget*>(made.controls[row]) != nullptr) {
                    parent = static_cast<QWidget*>(made.controls[row]);
                }
            }
        }
        QWidget* widget = Make(c, parent, custom);
        made.controls.push_back(widget);
        if (widget == nullptr) {
            continue;
        }
        widget->setObjectName(QString::fromUtf8(c.name));
        SetKind(widget, c.kind);
        if (c.font.family != nullptr) {
            widget->setFont(FontOf(c.font));
        }
        if (c.kind != Kind::Line) {
            SetGeometry(widget, c.left, c.top, c.width, c.height);
        }
        widget->setVisible((c.flags & Hidden) == 0);
        if (c.tabIndex != kNoTabIndex && widget->focusPolicy() != Qt::NoFocus) {
            tabOrder.emplace_back(c.tabIndex, widget);
        }
    }
    std::sort(tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    }
    if (design.centred) {
        CentreOnScreen(window);
    }
    return made;
}

int Left(const QWidget* w) {
    return twips::FromPixels(w->x());
}
int Top(const QWidget* w) {
    return twips::FromPixels(w->y());
}
int Width(const QWidget* w) {
    return twips::FromPixels(w->width());
}
int Height(const QWidget* w) {
    return twips::FromPixels(w->height());
}
void SetGeometry(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twips::ToPixels(left), twips::ToPixels(top), twips::ToPixels(width), twips::ToPixels(height));
}
void SetTop(QWidget* w, int top) {
    w->move(w->x(), twips::ToPixels(top));
}
void SetWidth(QWidget* w, int width) {
    w->resize(twips::ToPixels(width), w->height());
}
void SetHeight(QWidget* w, int height) {
    w->resize(w->width(), twips::ToPixels(height));
}

QWidget* ClientArea(QWidget* window) {
    auto* mainWindow = qobject_cast<QMainWindow*>(window);
    return mainWindow != nullptr && mainWindow->centralWidget() != nullptr ? mainWindow->centralWidget() : window;
}

namespace {

// Twips between the client area's height and the outer height.
int Chrome(const QWidget* window) {
    auto* mainWindow = qobject_cast<const QMainWindow*>(window);
    const bool menu =
        mainWindow != nullptr && mainWindow->menuWidget() != nullptr && !mainWindow->menuBar()->actions().isEmpty();
    return kFrameHeight + (menu ? kMenuHeight : 0);
}

// Pixels the window has above and below its client area (a main window's menu bar).
int ClientOffset(QWidget* window) {
    return window->height() - ClientArea(window)->height();
}

void SetWindowSize(QWidget* window, QSize size) {
    if (window->minimumSize() == window->maximumSize()) {
        window->setFixedSize(size);
    } else {
        window->resize(size);
    }
}

} // namespace

int OuterWidth(const QWidget* window) {
    return twips::FromPixels(window->width());
}

int OuterHeight(const QWidget* window) {
    return twips::FromPixels(ClientArea(const_cast<QWidget*>(window))->height()) + Chrome(window);
}

void SetOuterWidth(QWidget* window, int twips) {
    SetWindowSize(window, QSize(twips::ToPixels(std::max(0, twips)), window->height()));
}

void SetOuterHeight(QWidget* window, int twips) {
    const int client = twips::ToPixels(std::max(0, twips - Chrome(window)));
    SetWindowSize(window, QSize(window->width(), client + ClientOffset(window)));
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace layouts

#include "Builder.h"

#include "Twips.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <algorithm>
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
    const bool dialog = design.border == Border::FixedSingle && !design.minButton && !design.maxButton;
    Qt::WindowFlags flags = (dialog ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
    if (design.minButton) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (design.maxButton) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

QWidget* Make(const Control& c, QWidget* parent, const CustomFactory& custom) {
    const QString caption = QString::fromUtf8(c.caption);
    switch (c.kind) {
    case Kind::Label:
    case Kind::SkinLabel: {
        auto* label = new QLabel(caption, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFocusPolicy(Qt::NoFocus);
        label->setProperty("controlKind", c.kind == Kind::SkinLabel ? "SkinLabel" : "Label");
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
    case Kind::PictureBox:
    case Kind::Image: {
        auto* frame = new QLabel(parent);
        frame->setFocusPolicy(Qt::NoFocus);
        frame->setFrameShape((c.flags & SunkenBorder) != 0 ? QFrame::Panel : QFrame::NoFrame);
        frame->setFrameShadow(QFrame::Sunken);
        frame->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (c.picture != nullptr) {
            const QIcon picture = Picture(c.picture);
            if (!picture.availableSizes().isEmpty()) {
                frame->setPixmap(picture.pixmap(picture.availableSizes().first()));
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

QIcon Picture(const char* name) {
    if (name == nullptr) {
        return {};
    }
    const QString path = QStringLiteral(":/pictures/%1.png").arg(QString::fromUtf8(name));
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QFont FontOf(const Font& font) {
    QFont f(QString::fromUtf8(font.family));
    f.setPointSizeF(font.points);
    f.setBold(font.bold);
    return f;
}

void Build(QWidget* window, const Window& design, const CustomFactory& custom) {
    window->setObjectName(QString::fromUtf8(design.name));
    window->setWindowFlags(FlagsOf(design));
    window->setWindowTitle(QString::fromUtf8(design.caption));
    window->setFont(FontOf(design.font.family != nullptr ? design.font : kDialogFont));
    if (design.icon != nullptr) {
        window->setWindowIcon(Picture(design.icon));
    }
    const QSize client(twips::ToPixels(design.clientWidth), twips::ToPixels(design.clientHeight));
    if (design.border == Border::Sizable) {
        window->resize(client);
    } else {
        window->setFixedSize(client);
    }

    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const Control& c : design.controls) {
        if (c.kind == Kind::Timer) {
            auto* timer = new QTimer(window);
            timer->setObjectName(QString::fromUtf8(c.name));
            timer->setInterval(c.interval);
            if ((c.flags & Running) != 0) {
                timer->start();
            }
            continue;
        }
        QWidget* parent = window;
        if (c.container != nullptr) {
            parent = window->findChild<QWidget*>(QString::fromUtf8(c.container));
        }
        QWidget* widget = Make(c, parent != nullptr ? parent : window, custom);
        if (widget == nullptr) {
            continue;
        }
        widget->setObjectName(QString::fromUtf8(c.name));
        if (c.font.family != nullptr) {
            widget->setFont(FontOf(c.font));
        }
        if (c.kind != Kind::Line) {
            SetGeometry(widget, c.left, c.top, c.width, c.height);
        }
        if (!QString::fromUtf8(c.caption).isEmpty()) {
            widget->setAccessibleName(QString::fromUtf8(c.caption).remove(QLatin1Char('&')));
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
void SetHeight(QWidget* w, int height) {
    w->resize(w->width(), twips::ToPixels(height));
}

int OuterHeight(const QWidget* window) {
    return twips::FromPixels(window->height()) + kFrameHeight;
}

void SetOuterHeight(QWidget* window, int twips) {
    const int client = twips::ToPixels(std::max(0, twips - kFrameHeight));
    if (window->minimumSize() == window->maximumSize()) {
        window->setFixedHeight(client);
    } else {
        window->resize(window->width(), client);
    }
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

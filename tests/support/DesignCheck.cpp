#include "DesignCheck.h"

#include "Builder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <vector>

namespace {

bool KindMatches(layouts::Kind kind, QWidget* w) {
    using layouts::Kind;
    switch (kind) {
    case Kind::Label:
    case Kind::SkinLabel:
    case Kind::PictureBox:
    case Kind::Image:
        return qobject_cast<QLabel*>(w) != nullptr;
    case Kind::PushButton:
        return qobject_cast<QPushButton*>(w) != nullptr;
    case Kind::GraphicalButton:
        return qobject_cast<QToolButton*>(w) != nullptr;
    case Kind::TextBox:
        return qobject_cast<QLineEdit*>(w) != nullptr;
    case Kind::CheckBox:
        return qobject_cast<QCheckBox*>(w) != nullptr;
    case Kind::StatusBar:
        return qobject_cast<QStatusBar*>(w) != nullptr;
    case Kind::RichTextBox:
        return qobject_cast<QTextEdit*>(w) != nullptr;
    case Kind::ListView:
        return w->inherits("ListView");
    default:
        return true;
    }
}

QString TextOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        return b->text();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return l->text();
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        return e->text();
    }
    if (auto* t = qobject_cast<QTextEdit*>(w)) {
        return t->toPlainText();
    }
    return {};
}

bool HasCaption(layouts::Kind kind) {
    using layouts::Kind;
    return kind != Kind::PictureBox && kind != Kind::Image && kind != Kind::ListView && kind != Kind::StatusBar &&
           kind != Kind::WebBrowser && kind != Kind::Line;
}

} // namespace

QStringList CheckDesign(QWidget* window, const layouts::Window& design, const QStringList& outside) {
    QStringList problems;
    if (window->objectName() != QString::fromUtf8(design.name)) {
        problems << "window is named " + window->objectName();
    }
    if (window->windowTitle() != QString::fromUtf8(design.caption)) {
        problems << "caption is " + window->windowTitle();
    }
    QWidget* client = layouts::ClientArea(window);
    if (client->size() != QSize(design.clientWidth / 15, design.clientHeight / 15)) {
        problems << QStringLiteral("client area is %1 x %2").arg(client->width()).arg(client->height());
    }
    std::vector<std::pair<int, QWidget*>> tabbed;
    for (const layouts::Control& c : design.controls) {
        const QString name = QString::fromUtf8(c.name);
        if (c.kind == layouts::Kind::Timer) {
            auto* timer = window->findChild<QTimer*>(name);
            if (timer == nullptr || timer->interval() != c.interval) {
                problems << name + ": no timer of its interval";
            }
            continue;
        }
        auto* w = window->findChild<QWidget*>(name);
        if (w == nullptr) {
            problems << name + ": missing";
            continue;
        }
        if (!KindMatches(c.kind, w)) {
            problems << name + ": wrong kind " + w->metaObject()->className();
        }
        if (HasCaption(c.kind) && TextOf(w) != QString::fromUtf8(c.caption)) {
            problems << name + ": caption " + TextOf(w);
        }
        if (c.kind != layouts::Kind::Line) {
            const QRect expected(c.left / 15, c.top / 15, c.width / 15, c.height / 15);
            if (w->geometry() != expected) {
                problems << QStringLiteral("%1: at %2,%3 %4x%5 in pixels")
                                .arg(name)
                                .arg(w->x())
                                .arg(w->y())
                                .arg(w->width())
                                .arg(w->height());
            }
            const QRect inside = w->parentWidget() == client ? client->rect() : w->parentWidget()->rect();
            if (c.width > 0 && c.height > 0 && !outside.contains(name) && !inside.contains(w->geometry())) {
                problems << name + ": lies outside its window";
            }
        }
        if (c.font.family != nullptr && (w->font().pointSizeF() != c.font.points || w->font().bold() != c.font.bold)) {
            problems << name + ": wrong font";
        }
        if (((c.flags & layouts::Hidden) != 0) == !w->isHidden()) {
            problems << name + ": wrong visibility at creation";
        }
        if (c.tabIndex != layouts::kNoTabIndex && (w->focusPolicy() & Qt::TabFocus) != 0) {
            tabbed.emplace_back(c.tabIndex, w);
        }
    }
    // Tab visits the focusable controls in ascending tab index.
    std::sort(tabbed.begin(), tabbed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabbed.size(); ++i) {
        QWidget* next = tabbed[i - 1].second->nextInFocusChain();
        while (next != tabbed[i].second && !(next->focusPolicy() & Qt::TabFocus)) {
            next = next->nextInFocusChain();
        }
        if (next != tabbed[i].second) {
            problems << tabbed[i - 1].second->objectName() + ": Tab goes to " + next->objectName();
        }
    }
    return problems;
}

#include <QApplication>
#include <QPointer>

void DestroyAllWindows() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->parent() == nullptr) {
            windows.append(w);
        }
    }
    for (const QPointer<QWidget>& w : windows) {
        delete w.data();
    }
}

#include "TypingTarget.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

TypingTarget::TypingTarget(std::initializer_list<QWidget*> buttons, Chooser choose)
    : QObject(buttons.size() > 0 ? (*buttons.begin())->window() : nullptr), choose_(std::move(choose)) {
    for (QWidget* button : buttons) {
        button->installEventFilter(this);
    }
}

QLineEdit* TypingTarget::FirstEmpty(std::initializer_list<QLineEdit*> boxes) {
    for (QLineEdit* box : boxes) {
        if (box != nullptr && box->isVisibleTo(box->window()) && box->isEnabled() && box->text().isEmpty()) {
            return box;
        }
    }
    return nullptr;
}

bool TypingTarget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const bool typed = !text.isEmpty() && text.at(0).isPrint() && text != QStringLiteral(" ") &&
                       (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
    if (!typed) {
        return false;
    }
    QLineEdit* box = choose_();
    if (box == nullptr) {
        return false;
    }
    box->setFocus(Qt::OtherFocusReason);
    box->end(false);
    QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                    key->nativeModifiers(), text, key->isAutoRepeat(), key->count());
    QCoreApplication::sendEvent(box, &again);
    return true;
}

// Typing that starts while a window's focus is on one of its buttons: a dialog that opens with the focus
// on a button still takes a typed text where the person meant it, in a text box, instead of losing it or
// letting a later Enter press the button.
#pragma once

#include <QObject>
#include <functional>
#include <initializer_list>

class QLineEdit;
class QWidget;

class TypingTarget : public QObject {
    Q_OBJECT
public:
    // The box the typing goes to at the moment of the key press, or nullptr for none.
    using Chooser = std::function<QLineEdit*()>;

    // Watches `buttons`: a key press on one of them that types a printable character (not Space, which
    // presses the button, and not a shortcut with Ctrl, Alt or Meta) moves the focus to the box `choose`
    // gives and types the character there. The object belongs to the first button's window.
    TypingTarget(std::initializer_list<QWidget*> buttons, Chooser choose);

    // The first of `boxes` that is shown and empty, else nullptr.
    static QLineEdit* FirstEmpty(std::initializer_list<QLineEdit*> boxes);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Chooser choose_;
};

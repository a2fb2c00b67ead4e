// What a message box shows and what it answers: its buttons, its icon, the button Enter presses, and the
// button the user pressed.
#pragma once

#include <QList>

namespace seams {

// The buttons a message box shows, in this order.
enum class Buttons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
// The icon beside the box's text.
enum class Icon { None, Critical, Question, Exclamation, Information };
// The button pressed.
enum class Answer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct BoxStyle {
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    // The button Enter presses, counted from 0 in the order shown; the first when the box has fewer.
    int defaultButton = 0;

    friend bool operator==(const BoxStyle&, const BoxStyle&) = default;
};

// The answers of the buttons of a set, in the order they are shown.
inline QList<Answer> answersOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return {Answer::Ok};
    case Buttons::OkCancel:
        return {Answer::Ok, Answer::Cancel};
    case Buttons::AbortRetryIgnore:
        return {Answer::Abort, Answer::Retry, Answer::Ignore};
    case Buttons::YesNoCancel:
        return {Answer::Yes, Answer::No, Answer::Cancel};
    case Buttons::YesNo:
        return {Answer::Yes, Answer::No};
    case Buttons::RetryCancel:
        return {Answer::Retry, Answer::Cancel};
    }
    return {Answer::Ok};
}

// The answer of the button Enter presses.
inline Answer defaultAnswer(const BoxStyle& style) {
    const QList<Answer> answers = answersOf(style.buttons);
    const qsizetype index = style.defaultButton;
    return answers[index >= 0 && index < answers.size() ? index : 0];
}

} // namespace seams

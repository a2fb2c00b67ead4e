// The clipboard as a password list uses it: what Keyshelf copies is marked as secret for clipboard
// managers and can be taken off the clipboard later, as when the windows lock and when Keyshelf ends (each
// time unless something else has been copied since), whichever window copied it; and a text box showing a
// password never offers it as the X selection.
#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QMenu;

class SecretClipboard : public QObject {
    Q_OBJECT
public:
    // The run's one, shared by every window: the copy taken off is the last one, whoever made it.
    static SecretClipboard& instance();

    // Puts `text` on the clipboard marked as secret ("x-kde-passwordManagerHint" = "secret": clipboard
    // managers keep no history of it) and remembers it for clearIfStillCopied.
    void copy(const QString& text);

    // Takes the text Keyshelf copied last off the clipboard, if the clipboard still holds it; true if it did.
    bool clearIfStillCopied();

signals:
    // Something was put on the clipboard by copy.
    void copied();

private:
    explicit SecretClipboard(QObject* parent);

    bool copied_ = false; // something put there is still to be taken off
    QString value_;       // the last one
};

namespace secretClipboard {

// SecretClipboard::instance().copy and clearIfStillCopied.
void Copy(const QString& text);
void ClearIfStillCopied();

// Makes `box`'s copy and cut (Ctrl+C, Ctrl+Insert, Ctrl+X, Shift+Delete) go through Copy, and takes back
// at once any X selection (PRIMARY) that selecting text in it offers, so that a middle click elsewhere
// never pastes the password. A menu made by box->createStandardContextMenu() is passed to GuardMenu.
void Guard(QLineEdit* box);

// Makes the Copy and Cut of `box`'s standard context menu go through Copy.
void GuardMenu(QLineEdit* box, QMenu* menu);

} // namespace secretClipboard

// The clipboard as a password list uses it: what Keyshelf copies is marked as secret for clipboard
// managers and taken off the clipboard when Keyshelf ends (unless something else has been copied since),
// whichever window copied it; and a text box showing a password never offers it as the X selection.
#pragma once

#include <QString>

class QLineEdit;
class QMenu;

namespace secretClipboard {

// Puts `text` on the clipboard marked as secret ("x-kde-passwordManagerHint" = "secret": clipboard
// managers keep no history of it), and remembers it for ClearIfStillCopied.
void Copy(const QString& text);

// Takes the text Keyshelf copied last off the clipboard, if the clipboard still holds it.
void ClearIfStillCopied();

// Makes `box`'s copy and cut (Ctrl+C, Ctrl+Insert, Ctrl+X, Shift+Delete) go through Copy, and takes back
// at once any X selection (PRIMARY) that selecting text in it offers, so that a middle click elsewhere
// never pastes the password. A menu made by box->createStandardContextMenu() is passed to GuardMenu.
void Guard(QLineEdit* box);

// Makes the Copy and Cut of `box`'s standard context menu go through Copy.
void GuardMenu(QLineEdit* box, QMenu* menu);

} // namespace secretClipboard

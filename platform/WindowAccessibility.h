// How the program's windows present themselves to a screen reader.
#pragma once

namespace windowAccessibility {

// Gives the program's own windows (classes derived from QWidget itself) the role of their kind: a window
// that can be minimised stands on its own on the desktop and is a frame, any other (the password dialog,
// the editor, the about, help, website and splash windows) is a dialog. Qt gives a top-level QWidget the
// role of a plain client area, which screen readers announce as "filler". Safe to call more than once.
void Install();

} // namespace windowAccessibility

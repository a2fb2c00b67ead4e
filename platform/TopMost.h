// Putting a window into the topmost band of the desktop and taking it out again.
#pragma once

class QWidget;

namespace topMost {

// Keeps `window` above ordinary windows when `onTop` is true, takes it back among them otherwise.
// The window keeps its position and size, and is activated.
void SetTopMost(QWidget* window, bool onTop);

} // namespace topMost

// How a run of Keyshelf begins.
#pragma once

class QApplication;

namespace Startup {

// Names the application, substitutes the designs' fonts, sets the program icon and gives the windows
// their roles for screen readers.
void PrepareApplication();

// Prepares the application and runs it to its end; returns the exit code. A start on a vault that another
// Keyshelf has open brings that one's windows to the front and returns 0 at once; one whose folder
// cannot be found says so and returns 1, making nothing.
int Run(QApplication& app);

} // namespace Startup

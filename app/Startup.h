// How a run of Keyshelf begins.
#pragma once

class QApplication;

namespace Startup {

// Names the application, substitutes the designs' fonts, sets the program icon and gives the windows
// their roles for screen readers.
void PrepareApplication();

// Prepares the application and runs it to its end; returns the exit code.
int Run(QApplication& app);

} // namespace Startup

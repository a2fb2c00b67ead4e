// How a run of Keyshelf begins.
#pragma once

class QApplication;

namespace Startup {

// Prepares the application (names, fonts, icon) and runs it to its end; returns the exit code.
int Run(QApplication& app);

} // namespace Startup

// How a run of Keyshelf begins.
#pragma once

#include "BuildConfiguration.h"

class Desktop;
class QApplication;

namespace Startup {

// Names the application, substitutes the designs' fonts, sets the program icon and gives the windows
// their roles for screen readers.
void PrepareApplication(const BuildConfiguration& build = BuildConfiguration::ofThisBuild());

// Prepares the application and runs it to its end on `desktop`, as `build` has it; returns the exit code. A
// start on a vault that another Keyshelf has open brings that one's windows to the front and returns 0 at
// once; one whose folder cannot be found says so and returns 1, making nothing.
int Run(QApplication& app, Desktop& desktop, const BuildConfiguration& build);

} // namespace Startup

// What Keyshelf does with its command line, decided before any window system is touched, so that
// `keyshelf --help` works over ssh, in a script or on a console with no display.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace command_line {

struct Outcome {
    bool run = true;   // go on and start the program
    int status = 0;    // otherwise, the exit status
    std::string out;   // for standard output
    std::string error; // for standard error
};

// `arguments` are those after the program's name. --help/-h and --version/-V answer and end the run;
// Qt's own options (-platform, -display, -style and the like, with their values) are left to Qt; any
// other argument is refused with status 2. Keyshelf opens only the vault beside itself, so a file name
// is refused too rather than silently ignored. `vault` is the path the help names as the vault.
Outcome Parse(const std::vector<std::string_view>& arguments, std::string_view vault);

// "Keyshelf 1.0": the build's product name and version.
std::string VersionText();

} // namespace command_line

#include "BuildConfiguration.h"
#include "CommandLine.h"
#include "ProcessHardening.h"
#include "ProcessLauncher.h"
#include "Startup.h"
#include "SystemDesktop.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// The vault the help names: data.enc beside the program, wherever it was started from (the same rule
// the program follows, through /proc/self/exe, so also when started through a link).
std::string VaultPath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return "data.enc, beside the program";
    }
    return (program.parent_path() / "data.enc").string();
}

} // namespace

int main(int argc, char* argv[]) {
    ProcessHardening::EnsureStandardDescriptors();
    // The programs Keyshelf starts (the browser, through xdg-open) get the environment the user started it
    // with, not what Keyshelf and the libraries it loads set for themselves.
    ProcessLauncher::KeepStartEnvironment();
    // Before QApplication, which needs a display: --help and --version must answer without one.
    const command_line::Outcome outcome =
        command_line::Parse(std::vector<std::string_view>(argv + (argc > 0 ? 1 : 0), argv + argc), VaultPath());
    if (!outcome.run) {
        std::fputs(outcome.out.c_str(), stdout);
        std::fputs(outcome.error.c_str(), stderr);
        return std::fflush(stdout) == 0 ? outcome.status : 1;
    }
    ProcessHardening::Harden();
    QApplication app(argc, argv);
    // The program is given the desktop it runs on and the build it is.
    const BuildConfiguration build = BuildConfiguration::ofThisBuild();
    SystemDesktop desktop(build.productName);
    return Startup::Run(app, desktop, build);
}

// keyshelf-cli: Keyshelf's vault from a terminal or a script. No Qt: it starts as fast as a plain
// program that reads the file.
#include "Arguments.h"
#include "Commands.h"
#include "Display.h"
#include "ProcessHardening.h"
#include "VaultFile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// data.enc beside the program itself, links followed, as the window finds its vault: never a place the
// environment names.
std::string VaultBesideProgram() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return vault::VaultPath(program.parent_path().string());
}

int Answer(const std::string& out, const std::string& error, int status) {
    std::fputs(out.c_str(), stdout);
    std::fputs(error.c_str(), stderr);
    return std::fflush(stdout) == 0 ? status : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    ProcessHardening::EnsureStandardDescriptors();
    const std::string besideProgram = VaultBesideProgram();
    // No core dump and no debugger of the same user: the process holds the master password and the file.
    ProcessHardening::Harden();

    const cli::Parsed parsed =
        cli::ParseArguments(std::vector<std::string_view>(argv + (argc > 0 ? 1 : 0), argv + argc));
    const cli::Arguments& arguments = parsed.arguments;
    if (!parsed.error.empty()) {
        return Answer({}, "keyshelf-cli: " + cli::ShownUtf8(parsed.error) + "\nTry 'keyshelf-cli --help'.\n", 2);
    }
    const std::string vault = arguments.vault ? *arguments.vault : besideProgram;
    if (arguments.help) {
        return Answer(cli::HelpText(arguments.command, vault.empty() ? "data.enc, beside the program" : vault), {}, 0);
    }
    if (arguments.version) {
        return Answer(cli::VersionText(), {}, 0);
    }
    if (vault.empty() && arguments.command != cli::Command::Generate) {
        return Answer({}, "keyshelf-cli: could not find the program's own folder to open data.enc there\n", 1);
    }
    return cli::RunCommand(arguments, vault);
}

// keyshelf-cli's command line: a command, its operands and its options, and the help texts. Reading it
// touches nothing, so every mistake in it is told (status 2) before the vault is opened.
#pragma once

#include "PasswordGenerator.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class Command { None, List, Show, Add, Edit, Remove, Generate, Passwd, Seal, Unseal, Check, Import, Export };

struct Arguments {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    std::optional<std::string> vault;  // --vault FILE
    std::vector<std::string> operands; // after the command: TEXT or ENTRY
    // --with-username, --with-location: the entry's fields exactly as `ls` prints them
    std::optional<std::string> withUsername;
    std::optional<std::string> withLocation;
    std::optional<std::string> listed;   // --listed STAMP: the file as `ls --stamp` saw it
    bool stamp = false;                  // ls --stamp
    std::optional<std::string> username; // --username
    std::optional<std::string> location; // --location
    bool password = false;               // show: print it; edit: ask for a new one
    std::optional<std::size_t> generate; // --generate [LENGTH]
    std::size_t length = 0;              // generate --length (0: the generator's own length)
    bool yes = false;                    // rm --yes
    bool dryRun = false;                 // import --dry-run
    bool replace = false;                // import --replace
    bool deleteFile = false;             // import --delete-file
    std::optional<std::string> output;   // export -o FILE
    bool force = false;                  // export --force
};

// What the command line asks for, or why it cannot be done (`error` not empty: a usage error).
struct Parsed {
    Arguments arguments;
    std::string error;
};
Parsed ParseArguments(const std::vector<std::string_view>& arguments);

// --help: the program's, or the command's when one was named. `vault` is the path the help names.
std::string HelpText(Command command, std::string_view vault);
// --version: the build's product name and file version, as the window's --version prints them.
std::string VersionText();

// The length of the stamp `ls --stamp` prints and --listed takes: hexadecimal digits.
inline constexpr std::size_t kStampLength = 12;

// The longest password --generate and --length make.
inline constexpr std::size_t kMaxGeneratedLength = vault::kMaxGeneratedLength;

} // namespace cli

#include "CommandRuns.h"
#include "Output.h"
#include "PasswordGenerator.h"

#include <string.h>

namespace cli {
namespace {

int Generate(const Arguments& arguments) {
    std::optional<std::string> made =
        vault::GeneratePassword(arguments.length == 0 ? vault::kGeneratedLength : arguments.length);
    if (!made) {
        return Fail("a password could not be generated: the system's random source did not answer");
    }
    made->push_back('\n');
    const int status = Print(*made);
    ::explicit_bzero(made->data(), made->size());
    return status;
}

} // namespace

// Needs no vault: nothing is opened, and no master password asked.
int runGenerate(const Arguments& arguments, const std::string& /*vaultPath*/) {
    return Generate(arguments);
}

} // namespace cli

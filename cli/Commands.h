// The commands of keyshelf-cli, each one read-change-write of the vault in a single run.
#pragma once

#include "Arguments.h"

#include <string>

namespace cli {

// Runs the command the arguments name on the vault at `vaultPath` and returns the exit status: 0 done,
// 1 failed or refused (a message on standard error).
int RunCommand(const Arguments& arguments, const std::string& vaultPath);

} // namespace cli

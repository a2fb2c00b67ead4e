// What every command on the vault does first: open it, ask for its master password, and hold the
// numbers of a listing to the file as it was listed.
#pragma once

#include "Arguments.h"
#include "Console.h"
#include "Opened.h"

#include <functional>
#include <string>

namespace cli {

// Whether a command only reads the vault or may change it: a vault too large for the window is read in
// part, which a reading command says and a changing one refuses.
enum class Access { Reads, Changes };

// Opens and unlocks the vault at `vaultPath`, then runs `command` on it; the exit status of the command,
// or kFailed with the reason told when the vault could not be opened or the listing no longer holds.
int onUnlocked(const Arguments& arguments, const std::string& vaultPath, Access access,
               const std::function<int(Opened&, Console&)>& command);

} // namespace cli

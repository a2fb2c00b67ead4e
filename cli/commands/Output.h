// What a command says: its result on standard output, its failure on standard error after the program's
// name, and the exit status that goes with each.
#pragma once

#include "VaultError.h"

#include <string_view>

namespace cli {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;

// "keyshelf-cli: MESSAGE" on standard error; returns kFailed.
int Fail(std::string_view message);
int Fail(const vault::VaultError& error);

// Writes all of `text` to standard output; false when it could not (a full disk, a closed pipe).
bool WriteOut(std::string_view text);
// WriteOut, and a failure said when it could not: kDone or kFailed.
int Print(std::string_view text);

} // namespace cli

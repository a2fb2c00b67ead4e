// What `check` says about a vault's passwords, without ever showing one.
#pragma once

#include "EntryTable.h"

#include <string>

namespace cli {

// Passwords shorter than this are reported as short.
inline constexpr std::size_t kShortPassword = 12;

// The report for the entries of slots 0 to count - 1 (numbered from 1, in file order): passwords that
// several entries share, short passwords, passwords equal to their username or location (letter case
// ignored) and entries that repeat an earlier one exactly.
std::string HealthReport(const vault::EntryTable& entries, std::size_t count);

} // namespace cli

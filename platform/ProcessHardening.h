// What a password manager's process does for itself on Linux: no core dumps, no other process of the
// same user reading its memory, and standard descriptors that cannot turn out to be one of its files.
#pragma once

#include <optional>
#include <sys/resource.h>

namespace ProcessHardening {

// Turns off core dumps of this process and makes it non-dumpable (which also keeps debuggers of the same
// user from attaching). False when the system refused either. Only the soft core limit goes to 0: the hard
// limit stays, so that the programs Keyshelf starts can be given back the limit it started with (see
// CoreLimitAtStart); non-dumpable, Keyshelf itself dumps no core whatever its limit.
bool Harden();

// The core-dump limit the process had before Harden lowered it, or nothing before Harden.
std::optional<rlimit> CoreLimitAtStart();

// Opens /dev/null on whichever of standard input, output and error the program was started without.
// Otherwise the next file it opens (the vault, a save's temporary file) would take that number, and a
// diagnostic written to "stderr" would land in it. False when one could not be opened.
bool EnsureStandardDescriptors();

} // namespace ProcessHardening

// What a password manager's process does for itself on Linux: no core dumps, no other process of the
// same user reading its memory.
#pragma once

namespace ProcessHardening {

// Turns off core dumps of this process and makes it non-dumpable (which also keeps debuggers of the same
// user from attaching). False when the system refused either.
bool Harden();

} // namespace ProcessHardening

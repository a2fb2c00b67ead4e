// Starting another program (the desktop's opener, a browser) from Keyshelf without handing it anything of
// Keyshelf's own: the program gets standard input from /dev/null, Keyshelf's standard output and error,
// and no other descriptor, so it can neither read the web engine's sockets, pipes and shared memory nor
// keep the engine's helper processes alive after Keyshelf has ended.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ProcessLauncher {

struct Launch {
    // 0 when the program runs, else the errno of the failure: ENOENT (no such program on the PATH),
    // EACCES (not executable), E2BIG (an argument longer than the system hands to a program, 128 KiB on
    // Linux, or all of them together too long), EINVAL (a NUL byte inside the program or an argument).
    int error = 0;
    // The started program's process id, or -1.
    pid_t pid = -1;
};

// Starts `program` (looked up on the PATH when it holds no slash) with `arguments`, each handed over as
// it is, never through a shell. The program runs in a session of its own, with every signal an
// application uses at its default and none blocked, and is not waited for: it is reaped in the
// background when it ends, so that it leaves no zombie. Returns once the program has been executed or
// has failed to be.
Launch StartDetached(const std::string& program, const std::vector<std::string>& arguments);

// Sets an environment variable for Keyshelf itself (its web engine's switches, for example) while the
// programs it starts get the value the variable had before, or none: a browser opened for the user must
// not run with Keyshelf's settings. Call it before any other thread reads the environment.
void SetForThisProgramOnly(const std::string& name, const std::string& value);

} // namespace ProcessLauncher

// Starting another program (the desktop's opener, a browser) from Keyshelf without handing it anything of
// Keyshelf's own: the program gets standard input from /dev/null, Keyshelf's standard output and error
// (or a pipe for its error, when Keyshelf is to tell why it failed), and no other descriptor, so it can read none of
// Keyshelf's files, sockets, pipes and shared memory.
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

struct WatchedLaunch {
    int error = 0; // as Launch's
    pid_t pid = -1;
    // The read end of the pipe that is the program's standard error, non-blocking and close-on-exec, or
    // -1. The caller closes it, or hands it to DrainInBackground.
    int errorOutput = -1;
};

// Starts `program` as StartDetached does, except that its standard error is a pipe whose read end is
// returned, and that it is not reaped in the background: the caller learns its end with Ended (from a
// timer, or when OpenEndNotice's descriptor becomes readable), or hands it to ReapWhenEnded. The program
// gets no other descriptor of Keyshelf's, this pipe's read end included.
WatchedLaunch StartWithErrorPipe(const std::string& program, const std::vector<std::string>& arguments);

// Nothing while the program started by StartWithErrorPipe runs; once it has ended, its wait status (see
// waitpid), and it is reaped. -1 when nothing can be learnt of it: it is not Keyshelf's child, or has been
// reaped already.
std::optional<int> Ended(pid_t pid);

// A descriptor that becomes readable when the unreaped child `pid` ends (a pidfd), or -1 where the system
// has none (Linux before 5.3): then ask Ended from time to time.
int OpenEndNotice(pid_t pid);

// Reaps the program started by StartWithErrorPipe in the background when it ends, for a caller that stops
// watching it.
void ReapWhenEnded(pid_t pid);

// Reads and drops what comes through the pipe `fd` until no one holds its write end, in a thread of its
// own, then closes it. For the error pipe of a program that has ended while what it started (a browser)
// still holds the write end: closing the read end instead would kill that program with SIGPIPE at its
// next message, and leaving the pipe unread would block it once the pipe is full.
void DrainInBackground(int fd);

// Takes the environment as it is now as the one every started program gets, whatever Keyshelf or its
// toolkit set in its own later. Call it first thing in main, while the process has one thread.
void KeepStartEnvironment();

// Sets an environment variable for Keyshelf itself (a library's switches, for example) while the
// programs it starts get the value the variable had before, or none: a browser opened for the user must
// not run with Keyshelf's settings. Call it before any other thread reads the environment. (Once
// KeepStartEnvironment has been called, the environment kept there is handed over instead.)
void SetForThisProgramOnly(const std::string& name, const std::string& value);

} // namespace ProcessLauncher

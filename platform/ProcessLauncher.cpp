#include "ProcessLauncher.h"

#include "ProcessHardening.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <spawn.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ProcessLauncher {
namespace {

// posix_spawn's attribute and file-action objects, released on every path out.
class SpawnSetup {
public:
    SpawnSetup() {
        attrOk_ = ::posix_spawnattr_init(&attr_) == 0;
        actionsOk_ = ::posix_spawn_file_actions_init(&actions_) == 0;
    }
    ~SpawnSetup() {
        if (actionsOk_) {
            ::posix_spawn_file_actions_destroy(&actions_);
        }
        if (attrOk_) {
            ::posix_spawnattr_destroy(&attr_);
        }
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // 0, or the errno of the first step that failed. `errorOutput`, when not -1, becomes the program's
    // standard error instead of Keyshelf's.
    int Prepare(int errorOutput = -1) {
        if (!attrOk_ || !actionsOk_) {
            return ENOMEM;
        }
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        // A session of its own: the program outlives Keyshelf's terminal and process group, and signals
        // meant for Keyshelf's group (Ctrl+C in the terminal that started it) do not reach it. Signals
        // Keyshelf ignores or blocks (Qt Network ignores SIGPIPE) are not passed on either. Only
        // glibc's two internal signals, 32 and 33, which no application may use, stay ignored: glibc's
        // posix_spawn sets them so, and every glibc program sets them up again as it starts.
        int error =
            ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (error == 0) {
            error = ::posix_spawnattr_setsigmask(&attr_, &none);
        }
        if (error == 0) {
            error = ::posix_spawnattr_setsigdefault(&attr_, &all);
        }
        // Standard input from /dev/null, standard output and error as Keyshelf's, then every descriptor
        // above them closed in the new process itself. Closing there, rather than marking descriptors
        // close-on-exec, also covers whatever another thread (Qt Network's) opens meanwhile.
        if (error == 0) {
            error = ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        }
        if (error == 0 && errorOutput >= 0) {
            error = ::posix_spawn_file_actions_adddup2(&actions_, errorOutput, STDERR_FILENO);
        }
        if (error == 0) {
            error = ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
        }
        return error;
    }

    const posix_spawnattr_t* attr() const { return &attr_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    posix_spawnattr_t attr_{};
    posix_spawn_file_actions_t actions_{};
    bool attrOk_ = false;
    bool actionsOk_ = false;
};

bool HoldsNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

// Waits for the program in a thread of its own, so that its end leaves no zombie behind; the thread ends
// with the program. Only this process id is waited for, never any child, so the children the rest of the
// program waits for itself (QProcess's) stay its own.
void ReapInBackground(pid_t pid) {
    try {
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the program still runs, and its entry in the process table goes when
        // Keyshelf ends.
    }
}

// The variables Keyshelf set for itself, each with the value started programs get instead (none: unset).
std::map<std::string, std::optional<std::string>>& OwnVariables() {
    static std::map<std::string, std::optional<std::string>> variables;
    return variables;
}
std::mutex gOwnVariablesLock;

// The environment as Keyshelf was started with it, once KeepStartEnvironment has taken it.
std::optional<std::vector<std::string>>& StartEnvironment() {
    static std::optional<std::vector<std::string>> kept;
    return kept;
}

// The environment for a started program: the one Keyshelf started with when it was kept; else Keyshelf's
// own, with the variables it set for itself put back. The strings live in `storage` until the program has
// been started.
std::vector<char*> EnvironmentForStarted(std::vector<std::string>& storage) {
    std::lock_guard lock(gOwnVariablesLock);
    if (const auto& kept = StartEnvironment()) {
        std::vector<char*> envp;
        envp.reserve(kept->size() + 1);
        for (const std::string& entry : *kept) {
            envp.push_back(const_cast<char*>(entry.c_str()));
        }
        envp.push_back(nullptr);
        return envp;
    }
    const auto& own = OwnVariables();
    std::vector<char*> envp;
    storage.reserve(own.size());
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const auto it = own.find(std::string(text.substr(0, text.find('='))));
        if (it == own.end()) {
            envp.push_back(*entry);
        } else if (it->second) {
            storage.push_back(it->first + '=' + *it->second);
        }
    }
    for (std::string& restored : storage) {
        envp.push_back(restored.data());
    }
    envp.push_back(nullptr);
    return envp;
}

} // namespace

void KeepStartEnvironment() {
    std::lock_guard lock(gOwnVariablesLock);
    auto& kept = StartEnvironment();
    if (kept) {
        return;
    }
    kept.emplace();
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        // The start-up notice of Keyshelf's own launch: the toolkit takes it and removes it, and a program
        // started later must not end that notice (or claim Keyshelf's activation) as its own.
        if (name == "DESKTOP_STARTUP_ID" || name == "XDG_ACTIVATION_TOKEN") {
            continue;
        }
        kept->emplace_back(text);
    }
}

void SetForThisProgramOnly(const std::string& name, const std::string& value) {
    std::lock_guard lock(gOwnVariablesLock);
    auto& own = OwnVariables();
    if (own.find(name) == own.end()) {
        const char* before = std::getenv(name.c_str());
        own.emplace(name, before != nullptr ? std::optional<std::string>(before) : std::nullopt);
    }
    ::setenv(name.c_str(), value.c_str(), 1);
}

namespace {

// Starts the program as both ways of starting do; the caller reaps it.
Launch Spawn(const std::string& program, const std::vector<std::string>& arguments, int errorOutput) {
    // A C string ends at its first NUL: what follows would be dropped without a word.
    if (program.empty() || HoldsNul(program)) {
        return {program.empty() ? ENOENT : EINVAL, -1};
    }
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        if (HoldsNul(argument)) {
            return {EINVAL, -1};
        }
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    SpawnSetup setup;
    if (const int error = setup.Prepare(errorOutput); error != 0) {
        return {error, -1};
    }
    // posix_spawnp returns only once the new process has executed the program or failed to, and hands
    // back the errno of a failed execution (a missing program, an argument too long) as its result.
    pid_t pid = -1;
    std::vector<std::string> restored;
    std::vector<char*> envp = EnvironmentForStarted(restored);
    const int error = ::posix_spawnp(&pid, argv[0], setup.actions(), setup.attr(), argv.data(), envp.data());
    if (error != 0) {
        return {error, -1};
    }
    // Keyshelf dumps no core, but what it starts may, as it could before Keyshelf ran: the limit Keyshelf
    // started with is given back. posix_spawn cannot set a limit in the new process, so it is set from here
    // at once (Keyshelf kept the hard limit, so no privilege is needed); the program's first instants run
    // with Keyshelf's, which costs at most a core dump nobody asked for to be missing.
    if (const auto core = ProcessHardening::CoreLimitAtStart()) {
        ::prlimit(pid, RLIMIT_CORE, &*core, nullptr);
    }
    return {0, pid};
}

// A descriptor moved above standard input, output and error (close-on-exec, as every descriptor here is):
// a pipe made while one of those was closed would otherwise be replaced by /dev/null or by itself in the
// program.
int AboveStandard(int fd) {
    if (fd > STDERR_FILENO) {
        return fd;
    }
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

} // namespace

Launch StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
    const Launch launch = Spawn(program, arguments, -1);
    if (launch.error == 0) {
        ReapInBackground(launch.pid);
    }
    return launch;
}

WatchedLaunch StartWithErrorPipe(const std::string& program, const std::vector<std::string>& arguments) {
    // Close-on-exec from the start, so that a program another thread starts meanwhile gets neither end.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return {errno, -1, -1};
    }
    const int readEnd = AboveStandard(ends[0]);
    const int writeEnd = AboveStandard(ends[1]);
    if (readEnd < 0 || writeEnd < 0) {
        const int error = errno;
        ::close(readEnd);
        ::close(writeEnd);
        return {error, -1, -1};
    }
    const Launch launch = Spawn(program, arguments, writeEnd);
    // Only the program holds the write end now, so the pipe ends when the program and whatever it left
    // running have closed it.
    ::close(writeEnd);
    if (launch.error != 0) {
        ::close(readEnd);
        return {launch.error, -1, -1};
    }
    ::fcntl(readEnd, F_SETFL, ::fcntl(readEnd, F_GETFL) | O_NONBLOCK);
    return {0, launch.pid, readEnd};
}

std::optional<int> Ended(pid_t pid) {
    int status = 0;
    pid_t got;
    while ((got = ::waitpid(pid, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (got == pid) {
        return status;
    }
    // ECHILD: not a child of Keyshelf's, or reaped already; nothing will ever be learnt of it.
    if (got < 0) {
        return -1;
    }
    return std::nullopt;
}

int OpenEndNotice(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    return fd >= 0 ? static_cast<int>(fd) : -1;
#else
    (void)pid;
    return -1;
#endif
}

void ReapWhenEnded(pid_t pid) {
    ReapInBackground(pid);
}

void DrainInBackground(int fd) {
    if (fd < 0) {
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    try {
        std::thread([fd] {
            char sink[4096];
            ssize_t got;
            while ((got = ::read(fd, sink, sizeof sink)) > 0 || (got < 0 && errno == EINTR)) {
            }
            ::close(fd);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the pipe is closed, and a program still writing to it gets EPIPE, or
        // SIGPIPE, as it would once Keyshelf has ended.
        ::close(fd);
    }
}

} // namespace ProcessLauncher

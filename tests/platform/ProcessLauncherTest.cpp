// Programs Keyshelf starts get standard input from /dev/null, its standard output and error, and nothing
// else it holds; they run in a session of their own, get their arguments unchanged, leave no zombie, and
// a start that fails says why.
#include "ProcessLauncher.h"

#include "ProcessHardening.h"
#include "TempDir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string LinkOf(const std::string& path) {
    std::error_code ignored;
    return fs::read_symlink(path, ignored).string();
}

std::set<int> DescriptorsOf(pid_t pid) {
    std::set<int> fds;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ignored)) {
        fds.insert(std::stoi(entry.path().filename().string()));
    }
    return fds;
}

// The fields of /proc/PID/stat after the command name: [0] is the state, [2] the process group, [3] the
// session.
std::vector<std::string> StatOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::vector<std::string> fields;
    const auto close = line.rfind(')');
    if (close == std::string::npos) {
        return fields;
    }
    std::istringstream rest(line.substr(close + 1));
    for (std::string field; rest >> field;) {
        fields.push_back(field);
    }
    return fields;
}

std::string StatusLine(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key + ":", 0) == 0) {
            return line.substr(line.find_first_not_of(" \t", key.size() + 1));
        }
    }
    return {};
}

// Gone from the process table: reaped, not a zombie.
bool Reaped(pid_t pid) {
    return WaitFor([pid] { return !fs::exists("/proc/" + std::to_string(pid)); }, std::chrono::seconds(5));
}

// The descriptors in a listing of /proc/PID/fd by `ls -l`, whose lines end "FD -> TARGET".
std::map<int, std::string> Listed(const std::string& path) {
    std::map<int, std::string> seen;
    std::istringstream listing(TempDir::Read(path));
    for (std::string line; std::getline(listing, line);) {
        const auto arrow = line.find(" -> ");
        if (arrow == std::string::npos) {
            continue;
        }
        const auto start = line.rfind(' ', arrow - 1) + 1;
        seen[std::stoi(line.substr(start, arrow - start))] = line.substr(arrow + 4);
    }
    return seen;
}

// Waits until `fd` is readable (a pidfd: its program has ended).
bool Readable(int fd) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 10000) == 1;
}

// A descriptor without close-on-exec, as a library or another thread may leave one.
void Keep(std::vector<int>& kept, int fd) {
    ASSERT_GE(fd, 0) << std::strerror(errno);
    ASSERT_EQ(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    kept.push_back(fd);
}

class ProcessLauncherTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    std::vector<int> kept;
    int savedInput = -1;

    // The test's folder first on the PATH.
    void SetUp() override { ::setenv("PATH", (dir.path() + ":" + oldPath).c_str(), 1); }
    void TearDown() override {
        ::setenv("PATH", oldPath.c_str(), 1);
        if (savedInput >= 0) {
            ::dup2(savedInput, STDIN_FILENO);
            ::close(savedInput);
        }
        for (int fd : kept) {
            ::close(fd);
        }
    }

    // Extra descriptors of every kind a library in Keyshelf may hold: a pipe, a socket pair, shared memory, a file,
    // and one far above the others. The test's own standard input becomes the pipe, so that /dev/null in
    // the program cannot be the test's input passed on.
    void HoldDescriptors() {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        Keep(kept, pipeFds[0]);
        Keep(kept, pipeFds[1]);
        savedInput = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
        ASSERT_EQ(::dup2(pipeFds[0], STDIN_FILENO), STDIN_FILENO);
        int sockets[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
        Keep(kept, sockets[0]);
        Keep(kept, sockets[1]);
        Keep(kept, ::memfd_create("keyshelf-test", 0));
        Keep(kept, ::open(dir.file("held").c_str(), O_RDWR | O_CREAT, 0600));
        Keep(kept, ::dup2(kept.back(), 250));
    }

    // A stand-in program in the test's folder that writes, beside itself, its own open descriptors
    // (`ls -l`), its arguments each ended by a NUL, and then a mark that it is done. Its descriptors are
    // listed by a shell of their own, which opens the listing's file: a redirection in the stand-in
    // itself would hold the file and a copy of what it replaces.
    std::string WriteRecorder() {
        const std::string path = dir.file("recorder");
        TempDir::Write(path, "#!/bin/sh\n"
                             "sh -c 'exec ls -l \"/proc/$1/fd\" >\"$2\"' - $$ \"$0.fds\"\n"
                             "for a in \"$@\"; do printf '%s\\000' \"$a\"; done >\"$0.args\"\n"
                             ": >\"$0.done\"\n");
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    bool RecorderDone() {
        return WaitFor([this] { return fs::exists(dir.file("recorder.done")); });
    }
};

TEST_F(ProcessLauncherTest, ChildHoldsOnlyStandardDescriptorsWithInputFromDevNull) {
    HoldDescriptors();
    const std::string recorder = WriteRecorder();
    const ProcessLauncher::Launch launch = ProcessLauncher::StartDetached("recorder", {});
    ASSERT_EQ(launch.error, 0) << std::strerror(launch.error);
    ASSERT_TRUE(RecorderDone());

    // Besides 0, 1 and 2 the shell holds only its own script.
    std::map<int, std::string> seen = Listed(recorder + ".fds");
    ASSERT_EQ(seen.count(0), 1u);
    EXPECT_EQ(seen[0], "/dev/null");
    EXPECT_EQ(seen[1], LinkOf("/proc/self/fd/1"));
    EXPECT_EQ(seen[2], LinkOf("/proc/self/fd/2"));
    for (const auto& [fd, target] : seen) {
        if (fd > 2) {
            EXPECT_EQ(target, recorder) << "descriptor " << fd << " was handed over";
        }
    }
    EXPECT_TRUE(Reaped(launch.pid));
}

// Seen from outside on a program that opens nothing itself: exactly 0, 1 and 2, a session and process
// group of its own, and no signal blocked or ignored although the starting thread blocks and ignores some.
TEST_F(ProcessLauncherTest, ChildRunsInItsOwnSessionWithDefaultSignals) {
    HoldDescriptors();
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    sigset_t before;
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &usr1, &before), 0);
    // A library (Qt Network) may ignore SIGPIPE in Keyshelf's process.
    const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
    const auto oldUsr2 = std::signal(SIGUSR2, SIG_IGN);
    const ProcessLauncher::Launch launch = ProcessLauncher::StartDetached("sleep", {"30"});
    std::signal(SIGUSR2, oldUsr2);
    std::signal(SIGPIPE, oldPipe);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ASSERT_EQ(launch.error, 0) << std::strerror(launch.error);
    ASSERT_GT(launch.pid, 0);

    // The dynamic loader and the locale hold a file for a moment while the program starts, and a look too
    // early sees the descriptors from before the loader opens anything: wait until it has slept, holding
    // only these, for a while.
    const std::set<int> standard{0, 1, 2};
    auto settledSince = std::chrono::steady_clock::time_point::max();
    WaitFor(
        [&] {
            const std::vector<std::string> now = StatOf(launch.pid);
            if (now.empty() || now[0] != "S" || DescriptorsOf(launch.pid) != standard) {
                settledSince = std::chrono::steady_clock::time_point::max();
                return false;
            }
            settledSince = std::min(settledSince, std::chrono::steady_clock::now());
            return std::chrono::steady_clock::now() - settledSince > std::chrono::milliseconds(300);
        },
        std::chrono::seconds(10));
    std::string extra;
    for (const int fd : DescriptorsOf(launch.pid)) {
        if (fd > 2) {
            extra += " " + std::to_string(fd) + " -> " +
                     LinkOf("/proc/" + std::to_string(launch.pid) + "/fd/" + std::to_string(fd));
        }
    }
    EXPECT_EQ(DescriptorsOf(launch.pid), standard) << extra;
    EXPECT_EQ(LinkOf("/proc/" + std::to_string(launch.pid) + "/fd/0"), "/dev/null");

    const std::vector<std::string> stat = StatOf(launch.pid);
    ASSERT_GE(stat.size(), 4u);
    EXPECT_EQ(stat[2], std::to_string(launch.pid)) << "process group";
    EXPECT_EQ(stat[3], std::to_string(launch.pid)) << "session";
    EXPECT_EQ(StatusLine(launch.pid, "SigBlk"), "0000000000000000");
    // Signals 32 and 33 are glibc's own (applications start at SIGRTMIN, 34): its posix_spawn leaves them
    // ignored, and every glibc program sets them up again as it starts.
    const unsigned long long glibcInternal = (1ULL << 31) | (1ULL << 32);
    EXPECT_EQ(std::stoull(StatusLine(launch.pid, "SigIgn"), nullptr, 16) & ~glibcInternal, 0u)
        << StatusLine(launch.pid, "SigIgn");

    ASSERT_EQ(::kill(launch.pid, SIGTERM), 0);
    EXPECT_TRUE(Reaped(launch.pid)) << "the ended program stays a zombie";
}

TEST_F(ProcessLauncherTest, ArgumentsArriveUnchangedWithoutAShell) {
    const std::string recorder = WriteRecorder();
    const std::vector<std::string> arguments = {
        "a b",      "x; rm -rf ~", "'single' \"double\"",       "$HOME `id` $(id)", "", "*", "line\nbreak",
        "--option", "\xC3\xA9",    std::string(64 * 1024, 'w'),
    };
    // Named by its full path; the other tests find theirs on the PATH.
    const ProcessLauncher::Launch launch = ProcessLauncher::StartDetached(recorder, arguments);
    ASSERT_EQ(launch.error, 0) << std::strerror(launch.error);
    ASSERT_TRUE(RecorderDone());
    std::string expected;
    for (const std::string& argument : arguments) {
        expected += argument + '\0';
    }
    EXPECT_EQ(TempDir::Read(recorder + ".args"), expected);
}

// What Keyshelf sets in its environment for itself stays its own: a started program gets the value from
// before, or no variable at all, and everything else unchanged.
TEST_F(ProcessLauncherTest, StartedProgramsGetTheEnvironmentKeyshelfStartedWith) {
    ::setenv("KEYSHELF_TEST_HAD", "the user's", 1);
    ::unsetenv("KEYSHELF_TEST_NEW");
    ::setenv("KEYSHELF_TEST_OTHER", "kept", 1);
    ProcessLauncher::SetForThisProgramOnly("KEYSHELF_TEST_HAD",
                                           "keyshelf's own " + std::string(::getenv("KEYSHELF_TEST_HAD")));
    ProcessLauncher::SetForThisProgramOnly("KEYSHELF_TEST_NEW", "1");
    ProcessLauncher::SetForThisProgramOnly("KEYSHELF_TEST_NEW", "2"); // a second setting keeps the first's "before"
    EXPECT_STREQ(::getenv("KEYSHELF_TEST_HAD"), "keyshelf's own the user's");
    EXPECT_STREQ(::getenv("KEYSHELF_TEST_NEW"), "2");

    const std::string out = dir.file("env.out");
    ASSERT_EQ(ProcessLauncher::StartDetached("sh", {"-c", "env > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"", out}).error, 0);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(out); }));
    const std::string seen = "\n" + TempDir::Read(out);
    EXPECT_NE(seen.find("\nKEYSHELF_TEST_HAD=the user's\n"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("KEYSHELF_TEST_NEW"), std::string::npos) << seen;
    EXPECT_NE(seen.find("\nKEYSHELF_TEST_OTHER=kept\n"), std::string::npos) << seen;
}

// In Keyshelf's order (environment kept, then hardened), in a child so that this process stays as it was:
// a started program gets the environment and the core-dump limit Keyshelf started with, not what Keyshelf
// or its libraries set later, nor Keyshelf's own start-up notice.
TEST_F(ProcessLauncherTest, StartedProgramsGetTheCoreLimitAndEnvironmentOfTheStart) {
    rlimit core{};
    ASSERT_EQ(::getrlimit(RLIMIT_CORE, &core), 0);
    if (core.rlim_max == 0) {
        GTEST_SKIP() << "core dumps are off for good here: no limit to give back";
    }
    core.rlim_cur = core.rlim_max == RLIM_INFINITY ? 1 << 20 : core.rlim_max / 2;
    const std::string env = dir.file("environ");
    const std::string limits = dir.file("limits");
    const pid_t child = ::fork();
    if (child == 0) {
        ::setrlimit(RLIMIT_CORE, &core);
        ::setenv("KEYSHELF_TEST_START", "the user's", 1);
        ::setenv("DESKTOP_STARTUP_ID", "keyshelf-launch", 1);
        ::unsetenv("force_s3tc_enable");
        ProcessLauncher::KeepStartEnvironment();
        ProcessHardening::Harden();
        ::setenv("force_s3tc_enable", "true", 1);
        ::setenv("KEYSHELF_TEST_START", "changed", 1);
        ProcessLauncher::SetForThisProgramOnly("KEYSHELF_TEST_OWN", "1");
        const ProcessLauncher::WatchedLaunch sleeper = ProcessLauncher::StartWithErrorPipe("sleep", {"30"});
        if (sleeper.error != 0) {
            ::_exit(2);
        }
        const std::string proc = "/proc/" + std::to_string(sleeper.pid);
        // Read once it runs sleep, not the launcher's copy of this process, and once exec has made it readable
        // again (this process is hardened, and the exe link changes a moment before that).
        WaitFor([&] {
            return LinkOf(proc + "/exe").find("sleep") != std::string::npos &&
                   !TempDir::Read(proc + "/environ").empty();
        });
        TempDir::Write(env, TempDir::Read(proc + "/environ"));
        TempDir::Write(limits, TempDir::Read(proc + "/limits"));
        ::kill(sleeper.pid, SIGKILL);
        ::waitpid(sleeper.pid, nullptr, 0);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string seen = std::string(1, '\0') + TempDir::Read(env);
    EXPECT_NE(seen.find(std::string(1, '\0') + "KEYSHELF_TEST_START=the user's" + '\0'), std::string::npos);
    EXPECT_EQ(seen.find("force_s3tc_enable"), std::string::npos);
    EXPECT_EQ(seen.find("KEYSHELF_TEST_OWN"), std::string::npos);
    EXPECT_EQ(seen.find("DESKTOP_STARTUP_ID"), std::string::npos);
    EXPECT_NE(seen.find(std::string(1, '\0') + "PATH=" + std::getenv("PATH") + '\0'), std::string::npos);
    std::istringstream lines(TempDir::Read(limits));
    std::string line;
    std::string coreLine;
    while (std::getline(lines, line)) {
        if (line.rfind("Max core file size", 0) == 0) {
            coreLine = line;
        }
    }
    std::istringstream fields(coreLine.substr(std::string("Max core file size").size()));
    std::string soft, hard;
    fields >> soft >> hard;
    EXPECT_EQ(soft, std::to_string(core.rlim_cur)) << coreLine;
    EXPECT_EQ(hard, core.rlim_max == RLIM_INFINITY ? "unlimited" : std::to_string(core.rlim_max)) << coreLine;
}

TEST_F(ProcessLauncherTest, FailuresAreReportedWithTheirErrno) {
    const std::string recorder = WriteRecorder();

    EXPECT_EQ(ProcessLauncher::StartDetached("keyshelf-no-such-program", {"x"}).error, ENOENT);
    EXPECT_EQ(ProcessLauncher::StartDetached(dir.file("missing"), {}).error, ENOENT);
    EXPECT_EQ(ProcessLauncher::StartDetached("", {}).error, ENOENT);

    TempDir::Write(dir.file("not-executable"), "#!/bin/sh\n");
    fs::permissions(dir.file("not-executable"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ProcessLauncher::StartDetached("not-executable", {}).error, EACCES);

    // Linux hands no single argument over 128 KiB to a program.
    const ProcessLauncher::Launch tooLong = ProcessLauncher::StartDetached("recorder", {std::string(200 * 1024, 'a')});
    EXPECT_EQ(tooLong.error, E2BIG);
    EXPECT_EQ(tooLong.pid, -1);

    // A NUL would cut the argument short without a word.
    EXPECT_EQ(ProcessLauncher::StartDetached("recorder", {std::string("a\0b", 3)}).error, EINVAL);

    // None of them ran.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(recorder + ".done"));
}

TEST_F(ProcessLauncherTest, EndedProgramsLeaveNoZombie) {
    std::vector<pid_t> pids;
    for (int i = 0; i < 5; ++i) {
        const ProcessLauncher::Launch launch = ProcessLauncher::StartDetached("true", {});
        ASSERT_EQ(launch.error, 0) << std::strerror(launch.error);
        pids.push_back(launch.pid);
    }
    for (pid_t pid : pids) {
        EXPECT_TRUE(Reaped(pid)) << pid << " is still in the process table";
    }
}

// With its standard error on a pipe, a program hands Keyshelf what it wrote there and how it ended, and
// still holds nothing else of Keyshelf's, the pipe's read end included.
TEST_F(ProcessLauncherTest, ErrorPipeCarriesWhatTheProgramWroteAndItsExitStatus) {
    HoldDescriptors();
    const std::string failer = dir.file("failer");
    TempDir::Write(failer, "#!/bin/sh\n"
                           "sh -c 'exec ls -l \"/proc/$1/fd\" >\"$2\"' - $$ \"$0.fds\"\n"
                           "printf 'first line\\n\\nxdg-open: no such file\\n' >&2\n"
                           "exit 2\n");
    fs::permissions(failer, fs::perms::owner_all);
    const ProcessLauncher::WatchedLaunch launch = ProcessLauncher::StartWithErrorPipe("failer", {});
    ASSERT_EQ(launch.error, 0) << std::strerror(launch.error);
    ASSERT_GT(launch.errorOutput, STDERR_FILENO);
    EXPECT_NE(::fcntl(launch.errorOutput, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(launch.errorOutput, F_GETFD) & FD_CLOEXEC, 0);
    const int notice = ProcessLauncher::OpenEndNotice(launch.pid);
    ASSERT_GE(notice, 0) << std::strerror(errno);
    ASSERT_TRUE(Readable(notice));
    ::close(notice);

    const std::optional<int> status = ProcessLauncher::Ended(launch.pid);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 2) << *status;
    EXPECT_TRUE(Reaped(launch.pid));
    std::string written;
    char buffer[256];
    for (ssize_t got; (got = ::read(launch.errorOutput, buffer, sizeof buffer)) > 0;) {
        written.append(buffer, static_cast<std::size_t>(got));
    }
    EXPECT_EQ(written, "first line\n\nxdg-open: no such file\n");
    const std::string pipe = LinkOf("/proc/self/fd/" + std::to_string(launch.errorOutput));
    ::close(launch.errorOutput);

    std::map<int, std::string> seen = Listed(failer + ".fds");
    EXPECT_EQ(seen[0], "/dev/null");
    EXPECT_EQ(seen[1], LinkOf("/proc/self/fd/1"));
    EXPECT_EQ(seen[2], pipe);
    for (const auto& [fd, target] : seen) {
        if (fd > 2) {
            EXPECT_EQ(target, failer) << "descriptor " << fd << " was handed over";
        }
    }
    EXPECT_EQ(ProcessLauncher::StartWithErrorPipe("keyshelf-no-such-program", {}).error, ENOENT);
}

// An opener may end while what it started (a browser) keeps its standard error: the end is known from the
// process, not from the pipe, and the drained pipe neither blocks the one left nor kills it with SIGPIPE.
TEST_F(ProcessLauncherTest, ProgramLeftHoldingTheErrorPipeKeepsWriting) {
    const std::string opener = dir.file("opener");
    TempDir::Write(opener, "#!/bin/sh\n"
                           "(sleep 0.2; head -c 300000 /dev/zero >&2 && : >\"$0.wrote\") &\n"
                           "while [ ! -e \"$0.go\" ]; do sleep 0.02; done\n"
                           "exit 4\n");
    fs::permissions(opener, fs::perms::owner_all);
    const ProcessLauncher::WatchedLaunch launch = ProcessLauncher::StartWithErrorPipe("opener", {});
    ASSERT_EQ(launch.error, 0) << std::strerror(launch.error);
    const int notice = ProcessLauncher::OpenEndNotice(launch.pid);
    ASSERT_GE(notice, 0);
    EXPECT_FALSE(ProcessLauncher::Ended(launch.pid).has_value()) << "it still runs";

    TempDir::Write(opener + ".go", "");
    ASSERT_TRUE(Readable(notice));
    ::close(notice);
    const std::optional<int> status = ProcessLauncher::Ended(launch.pid);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 4) << *status;
    char byte;
    EXPECT_NE(::read(launch.errorOutput, &byte, 1), 0) << "the pipe ended with the opener";

    ProcessLauncher::DrainInBackground(launch.errorOutput);
    EXPECT_TRUE(WaitFor([&] { return fs::exists(opener + ".wrote"); })) << "the program left running was stopped";
}

} // namespace

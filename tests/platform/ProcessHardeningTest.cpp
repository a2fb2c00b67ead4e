#include "ProcessHardening.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In a child, so that the test process itself stays as it was. The hard limit stays, for the programs
// Keyshelf starts to be given back the limit it started with.
TEST(ProcessHardening, NoCoreDumpsAndNotDumpable) {
    rlimit atStart{};
    ASSERT_EQ(::getrlimit(RLIMIT_CORE, &atStart), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool hardened = ProcessHardening::Harden();
        rlimit core{};
        ::getrlimit(RLIMIT_CORE, &core);
        const auto kept = ProcessHardening::CoreLimitAtStart();
        const bool ok = hardened && core.rlim_cur == 0 && core.rlim_max == atStart.rlim_max &&
                        ::prctl(PR_GET_DUMPABLE) == 0 && kept && kept->rlim_cur == atStart.rlim_cur &&
                        kept->rlim_max == atStart.rlim_max;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Started with its output and error closed, the program's next file must not become "stderr".
TEST(ProcessHardening, ClosedStandardDescriptorsBecomeDevNull) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(1);
        ::close(2);
        const bool ensured = ProcessHardening::EnsureStandardDescriptors();
        const int file = ::open("/proc/self/exe", O_RDONLY);
        struct stat out {
        }, null{};
        ::fstat(2, &out);
        ::stat("/dev/null", &null);
        const bool ok =
            ensured && file > 2 && out.st_rdev == null.st_rdev && S_ISCHR(out.st_mode) && ::fcntl(1, F_GETFD) != -1;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace

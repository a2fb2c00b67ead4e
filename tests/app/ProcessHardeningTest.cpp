#include "ProcessHardening.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In a child, so that the test process itself stays as it was.
TEST(ProcessHardening, NoCoreDumpsAndNotDumpable) {
    const pid_t child = ::fork();
    if (child == 0) {
        const bool hardened = ProcessHardening::Harden();
        rlimit core{};
        ::getrlimit(RLIMIT_CORE, &core);
        const bool ok = hardened && core.rlim_cur == 0 && core.rlim_max == 0 && ::prctl(PR_GET_DUMPABLE) == 0;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace

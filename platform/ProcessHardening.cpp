#include "ProcessHardening.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace ProcessHardening {
namespace {
// Written once, while the process has one thread; read when programs are started.
std::optional<rlimit> gCoreLimitAtStart;
} // namespace

bool Harden() {
    rlimit before{};
    bool noCore = ::getrlimit(RLIMIT_CORE, &before) == 0;
    if (noCore) {
        if (!gCoreLimitAtStart) {
            gCoreLimitAtStart = before;
        }
        const rlimit none{0, before.rlim_max};
        noCore = ::setrlimit(RLIMIT_CORE, &none) == 0;
    }
    const bool notDumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return noCore && notDumpable;
}

std::optional<rlimit> CoreLimitAtStart() {
    return gCoreLimitAtStart;
}

bool EnsureStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // open() takes the lowest free number, which is this one: the ones below are open by now.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd) {
            if (opened >= 0) {
                ::close(opened);
            }
            return false;
        }
    }
    return true;
}

} // namespace ProcessHardening

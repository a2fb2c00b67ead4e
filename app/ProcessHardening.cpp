#include "ProcessHardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace ProcessHardening {

bool Harden() {
    const rlimit none{0, 0};
    const bool noCore = ::setrlimit(RLIMIT_CORE, &none) == 0;
    const bool notDumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return noCore && notDumpable;
}

} // namespace ProcessHardening

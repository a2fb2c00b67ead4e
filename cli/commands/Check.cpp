#include "CommandRuns.h"
#include "HealthReport.h"
#include "Output.h"
#include "Unlocked.h"

namespace cli {

int runCheck(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Reads,
                      [](Opened& vault, Console&) { return Print(HealthReport(vault.entries, vault.count())); });
}

} // namespace cli

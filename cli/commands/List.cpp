#include "CommandRuns.h"
#include "EntryChoice.h"
#include "Output.h"
#include "Unlocked.h"

namespace cli {
namespace {

int List(const Arguments& arguments, Opened& vault) {
    std::string out;
    if (arguments.stamp) {
        out = "Stamp: " + vault.session.stampText(kStampLength) + "\n";
    }
    const std::vector<Slot> found = Listed(vault, arguments);
    out.reserve(out.size() + found.size() * 48);
    for (const Slot slot : found) {
        AppendListLine(out, vault.entries, slot);
    }
    return Print(out);
}

} // namespace

int runList(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Reads,
                      [&](Opened& vault, Console&) { return List(arguments, vault); });
}

} // namespace cli

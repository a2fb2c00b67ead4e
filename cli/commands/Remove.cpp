#include "CommandRuns.h"
#include "EntryChoice.h"
#include "Output.h"
#include "Unlocked.h"

namespace cli {
namespace {

int Remove(const Arguments& arguments, Opened& vault, Console& console) {
    const std::optional<Slot> slot = EntryToChange(vault, arguments);
    if (!slot) {
        return kFailed;
    }
    const std::string shown = Named(vault.entries, *slot);
    if (!arguments.yes) {
        const std::string question = "Delete entry " + shown + "? [y/N] ";
        SecretText answer;
        const bool answered = console.Ask(question, false, answer);
        if (!answered || (answer.str() != "y" && answer.str() != "Y" && answer.str() != "yes")) {
            return Fail("nothing was deleted");
        }
    }
    std::vector<vault::EntryView> rows = vault.rows();
    rows.erase(rows.begin() + *slot);
    if (auto failed = vault.save(rows)) {
        return Fail(*failed);
    }
    return Print("Deleted entry " + shown + ".\n");
}

} // namespace

int runRemove(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Changes,
                      [&](Opened& vault, Console& console) { return Remove(arguments, vault, console); });
}

} // namespace cli

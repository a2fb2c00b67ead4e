#include "CommandRuns.h"
#include "Display.h"
#include "EntryChoice.h"
#include "Output.h"
#include "Unlocked.h"

#include <string.h>

namespace cli {
namespace {

int Show(const Arguments& arguments, Opened& vault) {
    const std::optional<Slot> slot = Resolve(vault, arguments);
    if (!slot) {
        return kFailed;
    }
    const vault::EntryView fields = vault.entries.fields(*slot);
    // Room for every field written out in full (an escaped byte takes four), so that the text holding
    // the password never moves and leaves a copy behind.
    std::size_t room = 64;
    for (const vault::Field field : vault::kFields) {
        room += 16 + 4 * fields[field].size();
    }
    std::string out;
    out.reserve(room);
    out += "Entry: " + std::to_string(*slot + 1) + "\n";
    AppendFieldLines(out, fields, arguments.password);
    const int printed = Print(out);
    ::explicit_bzero(out.data(), out.size());
    return printed;
}

} // namespace

int runShow(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Reads,
                      [&](Opened& vault, Console&) { return Show(arguments, vault); });
}

} // namespace cli

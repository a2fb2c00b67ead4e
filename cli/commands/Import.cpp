#include "CommandRuns.h"
#include "CsvImport.h"
#include "Display.h"
#include "Output.h"
#include "Unlocked.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace cli {
namespace {

// The whole import: the plan, printed; then, unless it is a dry run, one save of every change.
int Import(const Arguments& arguments, const vault::ImportFile& file, Opened& vault) {
    const std::string& path = arguments.operands.front();
    const vault::ImportPlan plan = vault::PlanImport(file, vault.entries, arguments.replace);
    std::string report;
    for (const std::string& line : vault::ImportReport(file, plan, arguments.replace)) {
        report += ShownUtf8(line) + "\n";
    }
    if (!WriteOut(report)) {
        return Fail("could not write to standard output");
    }
    if (plan.tooMany) {
        return kFailed; // the report said why
    }
    if (arguments.dryRun) {
        return Print("Nothing was changed (--dry-run).\n");
    }
    const std::size_t changes = plan.additions.size() + plan.replacements.size();
    if (changes > 0) {
        if (auto refused = vault.session.unchangeable()) {
            return Fail(*refused);
        }
        std::vector<vault::EntryView> rows = vault.rows();
        for (const vault::ImportPlan::Replacement& r : plan.replacements) {
            rows[r.slot].password = r.password;
        }
        for (const vault::ImportPlan::Texts& texts : plan.additions) {
            rows.push_back(texts);
        }
        if (auto failed = vault.save(rows)) {
            return Fail(*failed);
        }
    }
    if (Print("Imported " + std::to_string(changes) + (changes == 1 ? " entry." : " entries.") +
              (changes > 0 ? "  Data saved.\n" : "\n")) != kDone) {
        return kFailed;
    }
    // What the import left out is in the file alone: it is never deleted with them, whatever was asked.
    if (const std::string leftOut = vault::LeftOutText(file); !leftOut.empty()) {
        if (Print("Not imported, and only in " + ShownUtf8(path) + ": " + leftOut + ".\n") != kDone) {
            return kFailed;
        }
        if (arguments.deleteFile) {
            Fail("did not delete " + path + ": it holds what was not imported; delete it once you have kept that " +
                 "elsewhere, as it holds passwords in plain text");
            return kFailed;
        }
    }
    if (!arguments.deleteFile) {
        Fail(path + " holds passwords in plain text: delete it once you no longer need it");
        return kDone;
    }
    if (::unlink(path.c_str()) != 0) {
        return Fail("could not delete " + path + ": " + std::strerror(errno));
    }
    return Print("Deleted " + ShownUtf8(path) +
                 " (on some disks its bytes may stay readable until they are written over).\n");
}

} // namespace

int runImport(const Arguments& arguments, const std::string& vaultPath) {
    // The file to import is read first: what is wrong with it is said before the master password is asked.
    const vault::Result<vault::ImportFile> file = vault::ReadImportFile(arguments.operands.front());
    if (!file) {
        return Fail(file.error());
    }
    return onUnlocked(arguments, vaultPath, Access::Changes,
                      [&](Opened& vault, Console&) { return Import(arguments, file.value(), vault); });
}

} // namespace cli

#include "CommandRuns.h"
#include "Display.h"
#include "EntryRules.h"
#include "Output.h"
#include "Questions.h"
#include "SealedVault.h"
#include "Unlocked.h"

namespace cli {
namespace {

int Passwd(Opened& vault, Console& console) {
    if (auto refused = vault.session.unchangeable()) {
        return Fail(*refused);
    }
    // The master line is all that may change: a file whose entry lines the writer would write otherwise
    // is left as it is.
    const vault::Result<bool> same = vault.session.writesBackSame();
    if (!same) {
        return Fail(same.error());
    }
    if (!*same) {
        return Fail(vault::VaultError{"Could not change the master password of", vault.path(),
                                      "it holds lines Keyshelf would not write back byte for byte (empty lines, "
                                      "entries without their separators, or other line ends); nothing was saved"});
    }
    SecretText typed;
    SecretText again;
    if (!askNewSecret(console, "New master password", false, typed, again)) {
        return Fail("no new master password was given");
    }
    if (const auto refusal = vault::CheckNewMaster(typed.view(), again.view()); refusal != vault::MasterRefusal::None) {
        return Fail(vault::MasterRefusalText(refusal));
    }
    // A sealed vault is sealed again under the new password, with a new salt.
    std::optional<vault::SealKey> seal;
    if (vault.session.sealed()) {
        auto fresh = vault::SealKey::Fresh(typed.view(), vault::kStandardSealCost, vault.path());
        if (!fresh) {
            return Fail(fresh.error());
        }
        seal = std::move(*fresh);
    }
    const std::vector<vault::EntryView> rows = vault.rows();
    if (auto saved = vault.session.changeMasterPassword(
            vault::Secret(typed.view()), rows.size(), [&rows](std::size_t i) { return rows[i]; }, std::move(seal));
        !saved) {
        return Fail(*saved.error);
    }
    return Print("Changed the master password.\n");
}

} // namespace

int runPasswd(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Changes,
                      [](Opened& vault, Console& console) { return Passwd(vault, console); });
}

} // namespace cli

#include "CommandRuns.h"
#include "Display.h"
#include "Output.h"
#include "SealedVault.h"
#include "Unlocked.h"

namespace cli {
namespace {

int Seal(Opened& vault) {
    if (auto refused = vault.session.formRefusal(true)) {
        return Fail(*refused);
    }
    auto seal = vault::SealKey::Fresh(vault.session.master(), vault::kStandardSealCost, vault.path());
    if (!seal) {
        return Fail(seal.error());
    }
    if (auto sealed = vault.session.changeForm(std::move(*seal)); !sealed) {
        return Fail(*sealed.error);
    }
    return Print("Sealed " + ShownUtf8(vault.path()) +
                 ": it opens only with its master password now, in Keyshelf and keyshelf-cli alone.\n");
}

} // namespace

int runSeal(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Changes, [](Opened& vault, Console&) { return Seal(vault); });
}

} // namespace cli

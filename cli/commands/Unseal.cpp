#include "CommandRuns.h"
#include "Display.h"
#include "Output.h"
#include "Unlocked.h"

namespace cli {
namespace {

int Unseal(Opened& vault) {
    if (auto refused = vault.session.formRefusal(false)) {
        return Fail(*refused);
    }
    if (auto unsealed = vault.session.changeForm(std::nullopt); !unsealed) {
        return Fail(*unsealed.error);
    }
    return Print("Unsealed " + ShownUtf8(vault.path()) +
                 ": anyone who has the file can read its master password and entries again.\n");
}

} // namespace

int runUnseal(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Changes, [](Opened& vault, Console&) { return Unseal(vault); });
}

} // namespace cli

#include "Unlocked.h"

#include "Output.h"

namespace cli {

int onUnlocked(const Arguments& arguments, const std::string& vaultPath, Access access,
               const std::function<int(Opened&, Console&)>& command) {
    Console console;
    Opened vault(vaultPath);
    if (auto failed = Unlock(vault, console)) {
        return Fail(*failed);
    }
    // The window shows the first 32,767 entries of a larger file, and changes none.
    if (vault.session.readOnly() && access == Access::Reads) {
        Fail(vault.session.partlyReadNotice());
    }
    // Numbers from a listing hold only while the file is as it was listed.
    if (arguments.listed && *arguments.listed != vault.session.stampText(kStampLength)) {
        return Fail(vault.path() + " changed since the listing stamped " + *arguments.listed +
                    ": list the entries again; nothing was done");
    }
    return command(vault, console);
}

} // namespace cli

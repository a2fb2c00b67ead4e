#include "Opened.h"

#include "Display.h"

namespace cli {
namespace {

constexpr int kTries = 3;

} // namespace

std::vector<vault::EntryView> Opened::rows() const {
    std::vector<vault::EntryView> rows;
    rows.reserve(entries.size() + 1);
    for (vault::EntryTable::Slot slot = 0; slot < entries.slotCount(); ++slot) {
        rows.push_back(entries.fields(slot));
    }
    return rows;
}

vault::Failure Opened::save(const std::vector<vault::EntryView>& rows) {
    return session.save(vault::Secret(session.master()), rows.size(), [&rows](std::size_t i) { return rows[i]; }).error;
}

vault::Failure Unlock(Opened& vault, Console& console) {
    if (auto gate = vault.session.open(); !gate) {
        return gate.error();
    }
    const std::string prompt = "Master password for " + ShownUtf8(vault.path()) + ": ";
    SecretText typed;
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        if (!console.Ask(prompt, true, typed)) {
            return vault::VaultError{"Could not open", vault.path(), "no master password was given"};
        }
        if (vault.session.isMasterPassword(vault::Secret(typed.view()))) {
            // A sealed vault's entries are read once its seal opens.
            auto entries = vault.session.load(vault::Secret(typed.view()));
            if (!entries) {
                return entries.error();
            }
            vault.entries = std::move(*entries);
            return std::nullopt;
        }
        if (const vault::Failure& failed = vault.session.sealFailure()) {
            return failed;
        }
        if (!console.interactive()) {
            break;
        }
        console.Tell("Sorry, the password you entered was not correct.\n");
    }
    return vault::VaultError{"Could not open", vault.path(), "the master password was not correct"};
}

} // namespace cli

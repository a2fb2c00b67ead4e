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

std::optional<std::string> Opened::change(const Edit& edit) {
    // The master password this run was opened with, which a reading again must find unchanged.
    const SecretText master(session.master());
    vault::Failure failed;
    std::string refused;
    const vault::Session::Refusal refusal = session.change(
        vault::Secret(master.view()),
        [&] {
            auto loaded = session.load(vault::Secret(master.view()));
            if (!loaded) {
                failed = loaded.error();
                return false;
            }
            entries = std::move(*loaded);
            return true;
        },
        [&] {
            std::vector<vault::EntryView> now = rows();
            refused = edit(now);
            failed = refused.empty() ? save(now) : std::nullopt;
        });
    switch (refusal) {
    case vault::Session::Refusal::None:
        break;
    case vault::Session::Refusal::NotReadAgain:
        break; // `failed` says why
    case vault::Session::Refusal::ReadOnly:
        failed = session.unchangeable();
        break;
    case vault::Session::Refusal::NewMasterPassword:
        failed = vault::VaultError{"Could not save", path(),
                                   "another program gave it a new master password while keyshelf-cli was changing "
                                   "it; nothing was saved"};
        break;
    case vault::Session::Refusal::Busy:
        failed = session.lockFailure();
        break;
    }
    if (failed) {
        return failed->Message();
    }
    if (!refused.empty()) {
        return refused;
    }
    return std::nullopt;
}

std::optional<std::size_t> Opened::find(const std::vector<vault::EntryView>& rows, std::size_t slot,
                                        const vault::EntryView& was) {
    if (slot < rows.size() && rows[slot] == was) {
        return slot;
    }
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] == was) {
            if (found) {
                return std::nullopt;
            }
            found = i;
        }
    }
    return found;
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

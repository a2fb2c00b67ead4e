#include "OpenVault.h"

#include "Display.h"
#include "VaultFile.h"

#include <string.h>

namespace cli {
namespace {

constexpr int kTries = 3;

} // namespace

OpenVault::~OpenVault() = default;

vault::Failure OpenVault::Read(bool keepBytes) {
    switch (vault::KindOfPath(path_)) {
    case vault::PathKind::RegularFile:
        break;
    case vault::PathKind::Missing:
        return vault::VaultError{"Could not open", path_,
                                 "there is no vault there yet; start Keyshelf once to make one"};
    case vault::PathKind::Directory:
        return vault::VaultError{"Could not open", path_, "it is a folder, not a file"};
    case vault::PathKind::DanglingLink:
        return vault::VaultError{"Could not open", path_, "it is a link to a file that does not exist"};
    default:
        return vault::VaultError{"Could not open", path_, "it is not a regular file"};
    }
    vault::RemoveStaleTemporaries(path_, vault::kStaleTemporarySeconds);
    // Taken before reading: a write that lands while we read then shows as a change, never the reverse.
    stamp_ = vault::StampOf(path_);
    auto bytes = vault::ReadWholeFile(path_);
    if (!bytes) {
        return bytes.error();
    }
    std::string master = vault::ReadMasterLine(*bytes);
    master_.assign(master);
    ::explicit_bzero(master.data(), master.size());
    if (keepBytes) {
        bytes_.assign(*bytes);
    }
    const std::size_t size = bytes->size();
    auto entries = vault::EntryTable::FromFile(std::move(*bytes), vault::kMaxEntries, total_);
    if (!entries) {
        // More than the entry table can number: out of reach behind ReadWholeFile's far smaller limit.
        return vault::TooLargeError(path_, size);
    }
    entries_ = std::move(*entries);
    return std::nullopt;
}

vault::Failure OpenVault::Unlock(Console& console) {
    if (master_.empty()) {
        return vault::VaultError{"Could not open", path_,
                                 "it has no master password yet; start Keyshelf once to make one"};
    }
    const std::string prompt = "Master password for " + ShownUtf8(path_) + ": ";
    SecretText typed;
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        if (!console.Ask(prompt, true, typed)) {
            return vault::VaultError{"Could not open", path_, "no master password was given"};
        }
        if (typed.str() == master_.str()) {
            return std::nullopt;
        }
        if (!console.interactive()) {
            break;
        }
        console.Tell("Sorry, the password you entered was not correct.\n");
    }
    return vault::VaultError{"Could not open", path_, "the master password was not correct"};
}

vault::Failure OpenVault::Unchangeable() const {
    if (total_ <= static_cast<std::size_t>(vault::kMaxEntries)) {
        return std::nullopt;
    }
    return vault::VaultError{"Could not change", path_,
                             "it holds " + std::to_string(total_) +
                                 " entries, more than the 32,767 Keyshelf can show, so no change is saved, so "
                                 "that none of the others is lost"};
}

std::vector<vault::EntryView> OpenVault::Rows() const {
    std::vector<vault::EntryView> rows;
    rows.reserve(entries_.size() + 1);
    for (vault::EntryTable::Slot slot = 0; slot < entries_.slotCount(); ++slot) {
        rows.push_back({entries_.field(slot, 0), entries_.field(slot, 1), entries_.field(slot, 2)});
    }
    return rows;
}

bool OpenVault::WritesBackSame() const {
    const std::vector<vault::EntryView> rows = Rows();
    std::size_t at = 0;
    bool same = true;
    vault::WriteVaultBytes(
        master_.view(), rows.size(), [&](std::size_t i) { return rows[i]; },
        [&](std::string_view piece) {
            same = same && bytes_.view().substr(at, piece.size()) == piece;
            at += piece.size();
            return same;
        },
        vault::TextForm::CodePage);
    return same && at == bytes_.size();
}

vault::Failure OpenVault::Save(const std::string& master, const std::vector<vault::EntryView>& rows) const {
    if (auto refused = Unchangeable()) {
        return refused;
    }
    if (vault::StampOf(path_) != stamp_) {
        return vault::VaultError{"Could not save", path_,
                                 "another program changed it while keyshelf-cli was changing it; nothing was saved"};
    }
    return vault::SaveVault(
        path_, master, rows.size(), [&](std::size_t i) { return rows[i]; }, vault::TextForm::CodePage);
}

} // namespace cli

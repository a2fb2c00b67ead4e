#include "OpenVault.h"

#include "Arguments.h"
#include "Display.h"
#include "VaultFile.h"

#include <cstdint>
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
    keepBytes_ = keepBytes;
    sealed_ = vault::ClaimsSealedForm(*bytes);
    if (!sealed_) {
        return Take(std::move(*bytes));
    }
    auto header = vault::ReadSealHeader(*bytes, path_);
    if (!header) {
        return header.error();
    }
    header_ = *header;
    sealedBytes_ = std::move(*bytes);
    return std::nullopt;
}

vault::Failure OpenVault::Take(std::string bytes) {
    std::string master = vault::ReadMasterLine(bytes);
    master_.assign(master);
    ::explicit_bzero(master.data(), master.size());
    if (keepBytes_) {
        bytes_.assign(bytes);
    }
    const std::size_t size = bytes.size();
    auto entries = vault::EntryTable::FromFile(std::move(bytes), vault::kMaxEntries, total_);
    if (!entries) {
        // More than the entry table can number: out of reach behind ReadWholeFile's far smaller limit.
        return vault::TooLargeError(path_, size);
    }
    entries_ = std::move(*entries);
    return std::nullopt;
}

vault::Failure OpenVault::Unlock(Console& console) {
    if (!sealed_ && master_.empty()) {
        return vault::VaultError{"Could not open", path_,
                                 "it has no master password yet; start Keyshelf once to make one"};
    }
    const std::string prompt = "Master password for " + ShownUtf8(path_) + ": ";
    SecretText typed;
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        if (!console.Ask(prompt, true, typed)) {
            return vault::VaultError{"Could not open", path_, "no master password was given"};
        }
        if (!sealed_ && typed.str() == master_.str()) {
            return std::nullopt;
        }
        if (sealed_) {
            // A sealed vault's entries are read once its seal opens.
            auto plain = vault::UnsealVault(sealedBytes_, *header_, typed.view(), seal_, path_);
            if (plain) {
                return Take(std::move(*plain));
            }
            if (!plain.error().wrongPassword) {
                return plain.error();
            }
        }
        if (!console.interactive()) {
            break;
        }
        console.Tell("Sorry, the password you entered was not correct.\n");
    }
    return vault::VaultError{"Could not open", path_, "the master password was not correct"};
}

std::string OpenVault::listingStamp() const {
    std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
    for (const unsigned long long value :
         {stamp_.device, stamp_.inode, static_cast<unsigned long long>(stamp_.size),
          static_cast<unsigned long long>(stamp_.modifiedNs), static_cast<unsigned long long>(stamp_.changedNs)}) {
        for (int byte = 0; byte < 8; ++byte) {
            hash ^= (value >> (8 * byte)) & 0xFF;
            hash *= 1099511628211ULL;
        }
    }
    constexpr char kHex[] = "0123456789abcdef";
    std::string text(kStampLength, '0');
    for (std::size_t i = 0; i < kStampLength; ++i) {
        text[i] = kHex[(hash >> (60 - 4 * i)) & 0xF];
    }
    return text;
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
        rows.push_back(entries_.fields(slot));
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

vault::Failure OpenVault::Changed() const {
    if (vault::StampOf(path_) != stamp_) {
        return vault::VaultError{"Could not save", path_,
                                 "another program changed it while keyshelf-cli was changing it; nothing was saved"};
    }
    return std::nullopt;
}

vault::Failure OpenVault::Save(const std::string& master, const std::vector<vault::EntryView>& rows) const {
    return Save(master, rows, seal());
}

vault::Failure OpenVault::Save(const std::string& master, const std::vector<vault::EntryView>& rows,
                               const vault::SealKey* seal) const {
    if (auto refused = Unchangeable()) {
        return refused;
    }
    if (auto changed = Changed()) {
        return changed;
    }
    return vault::SaveVault(
        path_, master, rows.size(), [&](std::size_t i) { return rows[i]; }, vault::TextForm::CodePage,
        vault::SystemFileOps(), seal);
}

vault::Failure OpenVault::ReplaceBytes(const vault::SealKey* seal) const {
    if (auto changed = Changed()) {
        return changed;
    }
    return vault::ReplaceVaultBytes(path_, bytes_.view(), seal);
}

} // namespace cli

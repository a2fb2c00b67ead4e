#include "VaultFile.h"

#include "AtomicFile.h"

#include <string.h>

namespace vault {
namespace {

using vault::PathKind;
using vault::Result;
using vault::VaultError;

VaultError NotAFile(const char* action, const std::string& path, PathKind kind) {
    switch (kind) {
    case PathKind::Directory:
        return {action, path, std::string(vault::kFolderText)};
    case PathKind::DanglingLink:
        return {action, path, "it is a link to a file that does not exist"};
    default:
        return {action, path, "it is not a regular file"};
    }
}

Result<std::string> ReadVaultBytes(const std::string& path, vault::FileOps& files) {
    if (auto status = EnsureVaultFile(path, files)) {
        return *status;
    }
    return vault::ReadWholeFile(path, vault::kMaxVaultBytes, files);
}

} // namespace

std::string VaultPath(const std::string& executableDir) {
    return executableDir + '/' + "data.enc";
}

vault::Failure EnsureVaultFile(const std::string& path, vault::FileOps& files) {
    // A regular file, or a link to one, is the vault; anything else at the path is left alone.
    const PathKind kind = vault::KindOfPath(path);
    if (kind == PathKind::RegularFile) {
        return std::nullopt;
    }
    if (kind != PathKind::Missing) {
        return NotAFile("Could not open", path, kind);
    }
    return vault::ReplaceFile(path, vault::EmptyVaultBytes(), files);
}

Result<std::string> ReadMasterPassword(const std::string& path, vault::FileOps& files) {
    auto start = ReadVaultStart(path, files);
    if (!start) {
        return start.error();
    }
    if (start->seal) {
        return VaultError{"Could not read", path, "it is sealed: its master password opens it"};
    }
    return std::move(start->master);
}

Result<VaultStart> ReadVaultStart(const std::string& path, vault::FileOps& files) {
    if (auto status = EnsureVaultFile(path, files)) {
        return *status;
    }
    // Line 1 ends at the first CR: the entries after it are not read until the password is accepted. A
    // sealed file tells itself by its first eight bytes, which hold a CR of their own.
    auto bytes =
        vault::ReadFileUntil(path, vault::kLineEnd.front(), vault::kMaxVaultBytes, files, vault::kSealMagic.size());
    if (!bytes) {
        return bytes.error();
    }
    VaultStart start;
    if (!vault::ClaimsSealedForm(*bytes)) {
        start.master = vault::ReadMasterLine(*bytes);
        ::explicit_bzero(bytes->data(), bytes->size());
        return start;
    }
    if (bytes->size() < vault::kSealHeaderBytes) {
        bytes = vault::ReadWholeFile(path, vault::kMaxVaultBytes, files);
        if (!bytes) {
            return bytes.error();
        }
    }
    auto header = vault::ReadSealHeader(*bytes, path);
    if (!header) {
        return header.error();
    }
    start.seal = *header;
    return start;
}

vault::Failure OpenSeal(const vault::SealHeader& header, std::string_view password, std::optional<vault::SealKey>& key,
                        const std::string& path) {
    if (!key || !key->derivedFor(header)) {
        key.reset();
        auto derived = vault::SealKey::Derive(password, header.salt, header.cost, path);
        if (!derived) {
            return derived.error();
        }
        key = std::move(*derived);
    }
    if (!key->opens(header)) {
        key.reset();
        VaultError wrong{"Could not open", path, "the master password was not correct"};
        wrong.wrongPassword = true;
        return wrong;
    }
    return std::nullopt;
}

Result<std::string> UnsealVault(std::string fileBytes, const vault::SealHeader& header, std::string_view password,
                                std::optional<vault::SealKey>& key, const std::string& path) {
    if (auto failed = OpenSeal(header, password, key, path)) {
        return *failed;
    }
    auto plain = key->unseal(std::move(fileBytes), path);
    if (!plain) {
        return plain.error();
    }
    std::string master = vault::ReadMasterLine(*plain);
    const bool sealsItself = master == password;
    ::explicit_bzero(master.data(), master.size());
    if (!sealsItself) {
        ::explicit_bzero(plain->data(), plain->size());
        return VaultError{"Could not open", path,
                          "it is a sealed vault whose first line is not the password that seals it; it was not "
                          "changed"};
    }
    return plain;
}

Result<std::vector<vault::Entry>> ReadEntries(const std::string& path, vault::FileOps& files) {
    auto bytes = ReadVaultBytes(path, files);
    if (!bytes) {
        return bytes.error();
    }
    if (vault::ClaimsSealedForm(*bytes)) {
        return VaultError{"Could not read", path, "it is sealed: its master password opens it"};
    }
    return vault::ReadEntryLines(*bytes);
}

Result<Loaded> LoadVault(const std::string& path, std::size_t limit, vault::FileOps& files) {
    std::optional<vault::SealKey> none;
    return LoadVault(path, limit, files, {}, none);
}

Result<Loaded> LoadVault(const std::string& path, std::size_t limit, vault::FileOps& files, std::string_view password,
                         std::optional<vault::SealKey>& key) {
    if (auto status = EnsureVaultFile(path, files)) {
        return *status;
    }
    Loaded loaded;
    // Taken before reading: a write that lands while we read then shows as a change, never the reverse.
    loaded.stamp = vault::StampOf(path);
    auto bytes = vault::ReadWholeFile(path, vault::kMaxVaultBytes, files);
    if (!bytes) {
        return bytes.error();
    }
    loaded.sealed = vault::ClaimsSealedForm(*bytes);
    if (!loaded.sealed) {
        key.reset();
    } else {
        auto header = vault::ReadSealHeader(*bytes, path);
        if (!header) {
            return header.error();
        }
        bytes = UnsealVault(std::move(*bytes), *header, password, key, path);
        if (!bytes) {
            return bytes.error();
        }
    }
    loaded.master = vault::ReadMasterLine(*bytes);
    const std::size_t size = bytes->size();
    auto entries = vault::EntryTable::FromFile(std::move(*bytes), limit, loaded.total);
    if (!entries) {
        // More than the entry table can number: out of reach behind ReadWholeFile's far smaller limit.
        ::explicit_bzero(loaded.master.data(), loaded.master.size());
        return vault::TooLargeError(path, size);
    }
    loaded.entries = std::move(*entries);
    return loaded;
}

Result<std::vector<vault::Entry>> WriteMasterPassword(const std::string& path, vault::Secret master,
                                                      vault::FileOps& files) {
    auto kept = ReadEntries(path, files);
    if (!kept) {
        return kept.error();
    }
    const std::string bytes =
        kept->empty() ? vault::MasterOnlyBytes(master.text) : vault::VaultBytes(master.text, *kept);
    if (auto status = vault::ReplaceFile(path, bytes, files)) {
        return *status;
    }
    return kept;
}

vault::Failure SaveVault(const std::string& path, vault::Secret master, const std::vector<vault::Entry>& entries,
                         vault::FileOps& files, const vault::SealKey* seal) {
    return SaveVault(
        path, master, entries.size(),
        [&](std::size_t i) {
            const vault::Entry& e = entries[i];
            return vault::ViewOf(e);
        },
        vault::TextForm::Utf8, files, seal);
}

namespace {

vault::Failure ReplaceVault(const std::string& path, const std::function<bool(const vault::ByteSink&)>& produce,
                            const vault::SealKey* seal, vault::FileOps& files) {
    if (auto status = EnsureVaultFile(path, files)) {
        return status;
    }
    if (seal == nullptr) {
        return vault::ReplaceFileWith(path, produce, files);
    }
    return vault::ReplaceFileWith(
        path, [&](const vault::ByteSink& sink) { return seal->seal(produce, sink); }, files);
}

} // namespace

vault::Failure SaveVault(const std::string& path, vault::Secret master, std::size_t count,
                         const vault::EntrySource& entry, vault::TextForm form, vault::FileOps& files,
                         const vault::SealKey* seal) {
    return ReplaceVault(
        path,
        [&](const vault::ByteSink& sink) { return vault::WriteVaultBytes(master.text, count, entry, sink, form); },
        seal, files);
}

vault::Failure ReplaceVaultBytes(const std::string& path, std::string_view plainBytes, const vault::SealKey* seal,
                                 vault::FileOps& files) {
    return ReplaceVault(
        path, [&](const vault::ByteSink& sink) { return sink(plainBytes); }, seal, files);
}

} // namespace vault

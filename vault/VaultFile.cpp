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
        return {action, path, "it is a folder, not a file"};
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
    if (auto status = EnsureVaultFile(path, files)) {
        return *status;
    }
    // Line 1 ends at the first CR: the entries after it are not read until the password is accepted.
    auto bytes = vault::ReadFileUntil(path, vault::kLineEnd.front(), vault::kMaxVaultBytes, files);
    if (!bytes) {
        return bytes.error();
    }
    return vault::ReadMasterLine(*bytes);
}

Result<std::vector<vault::Entry>> ReadEntries(const std::string& path, vault::FileOps& files) {
    auto bytes = ReadVaultBytes(path, files);
    if (!bytes) {
        return bytes.error();
    }
    return vault::ReadEntryLines(*bytes);
}

Result<Loaded> LoadVault(const std::string& path, std::size_t limit, vault::FileOps& files) {
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

Result<std::vector<vault::Entry>> WriteMasterPassword(const std::string& path, const std::string& master,
                                                      vault::FileOps& files) {
    auto kept = ReadEntries(path, files);
    if (!kept) {
        return kept.error();
    }
    const std::string bytes = kept->empty() ? vault::MasterOnlyBytes(master) : vault::VaultBytes(master, *kept);
    if (auto status = vault::ReplaceFile(path, bytes, files)) {
        return *status;
    }
    return kept;
}

vault::Failure SaveVault(const std::string& path, const std::string& master, const std::vector<vault::Entry>& entries,
                         vault::FileOps& files) {
    return SaveVault(
        path, master, entries.size(),
        [&](std::size_t i) {
            const vault::Entry& e = entries[i];
            return vault::EntryView{e.username, e.password, e.location};
        },
        vault::TextForm::Utf8, files);
}

vault::Failure SaveVault(const std::string& path, const std::string& master, std::size_t count,
                         const vault::EntrySource& entry, vault::TextForm form, vault::FileOps& files) {
    if (auto status = EnsureVaultFile(path, files)) {
        return status;
    }
    return vault::ReplaceFileWith(
        path, [&](const vault::ByteSink& sink) { return vault::WriteVaultBytes(master, count, entry, sink, form); },
        files);
}

} // namespace vault

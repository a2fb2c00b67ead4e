// The file side of the vault: where data.enc lives and every read and write of it.
//
// Each operation opens the file, does all its work and closes it; nothing is held open between calls.
// Every failure comes back as an error naming the file and the reason, and nothing is written when the
// file could not be read first. No read takes in more than vault::kMaxVaultBytes: a larger file is an
// error with tooLarge set, found before its bytes are read. Each reads and writes through the system calls it
// is handed (vault::FileOps), the system's own unless others are given.
#pragma once

#include "AtomicFile.h"
#include "EntryTable.h"
#include "SealedVault.h"
#include "Secret.h"
#include "VaultError.h"
#include "VaultFormat.h"

#include <string>
#include <vector>

namespace vault {

// The executable's folder, "/" and "data.enc".
std::string VaultPath(const std::string& executableDir);

// Creates the file with one empty line when no file exists at `path`. Something else at the path
// (a folder, a link to nothing) is an error, never overwritten.
vault::Failure EnsureVaultFile(const std::string& path, vault::FileOps& files = vault::SystemFileOps());

// Line 1 deciphered: the stored master password, or "" when none is set (a first run).
vault::Result<std::string> ReadMasterPassword(const std::string& path, vault::FileOps& files = vault::SystemFileOps());

// What can be known of a vault before its password is typed: a plain vault's master password (line 1,
// "" on a first run), or a sealed vault's header. A sealed file cut short or damaged is an error here,
// before anyone is asked for a password.
struct VaultStart {
    std::string master;
    std::optional<vault::SealHeader> seal;
};
vault::Result<VaultStart> ReadVaultStart(const std::string& path, vault::FileOps& files = vault::SystemFileOps());

// Makes `key` the key that opens a sealed file with this header: the one it holds when that was derived
// for the header's salt and cost, else one derived from `password` (which `key`, when it holds one, must
// have been derived from too). Fails with wrongPassword set, `key` emptied, when the password does not
// open the seal.
vault::Failure OpenSeal(const vault::SealHeader& header, std::string_view password, std::optional<vault::SealKey>& key,
                        const std::string& path);

// The entry lines, in file order.
vault::Result<std::vector<vault::Entry>> ReadEntries(const std::string& path,
                                                     vault::FileOps& files = vault::SystemFileOps());

// Everything a load needs: the master password of line 1, the entries the format allows (at most
// `limit`), held in the bytes read from the file, how many the file holds in all, and the file's stamp as
// it was read; all of one reading of the file.
struct Loaded {
    std::string master;
    vault::EntryTable entries;
    std::size_t total = 0;
    vault::FileStamp stamp;
    bool sealed = false;
};
vault::Result<Loaded> LoadVault(const std::string& path, std::size_t limit = vault::kMaxEntries,
                                vault::FileOps& files = vault::SystemFileOps());
// The same for a vault of either form: a sealed one is opened as OpenSeal opens it, with `password` and
// `key`, and its master line must be that password. A plain one empties `key`.
vault::Result<Loaded> LoadVault(const std::string& path, std::size_t limit, vault::FileOps& files,
                                std::string_view password, std::optional<vault::SealKey>& key);
// The plain bytes of a sealed file with this header, opened as OpenSeal opens it. Its first line must be
// `password`: Keyshelf seals a vault with the master password that line holds, and a save would change it.
vault::Result<std::string> UnsealVault(std::string fileBytes, const vault::SealHeader& header,
                                       std::string_view password, std::optional<vault::SealKey>& key,
                                       const std::string& path);

// Writes the master password of a first run. A file that has no master password but does hold entry
// lines keeps them: they are written back after the new master line. Returns the entries kept.
vault::Result<std::vector<vault::Entry>> WriteMasterPassword(const std::string& path, vault::Secret master,
                                                             vault::FileOps& files = vault::SystemFileOps());

// Rewrites the whole vault from the master password and the entries in display order: sealed with `seal`
// when one is given (no plain byte reaches the disk, not even in the temporary file), else plain.
vault::Failure SaveVault(const std::string& path, vault::Secret master, const std::vector<vault::Entry>& entries,
                         vault::FileOps& files = vault::SystemFileOps(), const vault::SealKey* seal = nullptr);
vault::Failure SaveVault(const std::string& path, vault::Secret master, std::size_t count,
                         const vault::EntrySource& entry, vault::TextForm form = vault::TextForm::Utf8,
                         vault::FileOps& files = vault::SystemFileOps(), const vault::SealKey* seal = nullptr);
// Replaces the file with `plainBytes`, sealed with `seal` when one is given.
vault::Failure ReplaceVaultBytes(const std::string& path, std::string_view plainBytes, const vault::SealKey* seal,
                                 vault::FileOps& files = vault::SystemFileOps());

} // namespace vault

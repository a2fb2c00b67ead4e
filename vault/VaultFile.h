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
};
vault::Result<Loaded> LoadVault(const std::string& path, std::size_t limit = vault::kMaxEntries,
                                vault::FileOps& files = vault::SystemFileOps());

// Writes the master password of a first run. A file that has no master password but does hold entry
// lines keeps them: they are written back after the new master line. Returns the entries kept.
vault::Result<std::vector<vault::Entry>> WriteMasterPassword(const std::string& path, const std::string& master,
                                                             vault::FileOps& files = vault::SystemFileOps());

// Rewrites the whole vault from the master password and the entries in display order.
vault::Failure SaveVault(const std::string& path, const std::string& master, const std::vector<vault::Entry>& entries,
                         vault::FileOps& files = vault::SystemFileOps());
vault::Failure SaveVault(const std::string& path, const std::string& master, std::size_t count,
                         const vault::EntrySource& entry, vault::TextForm form = vault::TextForm::Utf8,
                         vault::FileOps& files = vault::SystemFileOps());

} // namespace vault

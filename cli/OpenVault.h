// One run's hold on the vault: read whole once, unlocked with the master password (a sealed vault's is the
// one that opens its seal), and written back at most once, atomically, in the form the file had, only when
// no other program has written the file since it was read.
#pragma once

#include "AtomicFile.h"
#include "Console.h"
#include "EntryTable.h"
#include "SealedVault.h"
#include "SecretText.h"
#include "VaultError.h"
#include "VaultFormat.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

class OpenVault {
public:
    explicit OpenVault(std::string path) : path_(std::move(path)) {}
    OpenVault(const OpenVault&) = delete;
    OpenVault& operator=(const OpenVault&) = delete;
    ~OpenVault();

    // Reads the file: its stamp first, then its bytes. Save temporaries that killed saves left beside it
    // go first, as when the window opens the vault. A sealed file that was cut short or damaged is refused
    // here, before any password is asked. With `keepBytes` the file's plain bytes stay, for WritesBackSame
    // and ReplaceBytes.
    vault::Failure Read(bool keepBytes = false);
    // Asks for the master password: three tries at a terminal, one line from a script. Fails when the
    // vault has none yet, and after the last wrong try.
    vault::Failure Unlock(Console& console);

    const std::string& path() const { return path_; }
    // The entries, in file order, in slots 0, 1, 2, ...: at most kMaxEntries of them.
    const vault::EntryTable& entries() const { return entries_; }
    std::size_t count() const { return entries_.size(); }
    // How many the file holds; beyond kMaxEntries no change may be saved.
    std::size_t total() const { return total_; }
    // A short stamp of the file as it was read (kStampLength hexadecimal digits), which every save by any
    // program changes: `ls --stamp` prints it, and --listed refuses numbers from a listing it no longer
    // matches. Made of the file's identity and times, never of its contents.
    std::string listingStamp() const;

    // Why no change may be saved, or nothing.
    vault::Failure Unchangeable() const;
    // Whether writing the file back with its own master password and entries gives its bytes exactly:
    // false when it holds lines the writer would write otherwise (empty lines, missing or extra fields,
    // a lone CR as a line end). Needs Read(true).
    bool WritesBackSame() const;

    // Whether the file is sealed, and the key that opens it once unlocked.
    bool sealed() const { return sealed_; }
    const vault::SealKey* seal() const { return seal_ ? &*seal_ : nullptr; }

    // Replaces the file with `master` (UTF-8) and `rows` (code-page texts), unless another program wrote
    // it after Read: sealed with `seal`, the file's own key unless another is given, or plain.
    vault::Failure Save(const std::string& master, const std::vector<vault::EntryView>& rows) const;
    vault::Failure Save(const std::string& master, const std::vector<vault::EntryView>& rows,
                        const vault::SealKey* seal) const;
    // Replaces the file with the plain bytes it was read with, sealed with `seal` or plain. Needs Read(true).
    vault::Failure ReplaceBytes(const vault::SealKey* seal) const;
    // The entries as read, for handing to Save with changes.
    std::vector<vault::EntryView> Rows() const;
    // The master password as stored, for a save that keeps it.
    const std::string& master() const { return master_.str(); }

private:
    // Takes in the plain bytes of the file.
    vault::Failure Take(std::string bytes);
    vault::Failure Changed() const;

    std::string path_;
    bool keepBytes_ = false;
    bool sealed_ = false;
    std::string sealedBytes_;
    std::optional<vault::SealHeader> header_;
    std::optional<vault::SealKey> seal_;
    vault::FileStamp stamp_;
    SecretText master_;
    SecretText bytes_;
    vault::EntryTable entries_;
    std::size_t total_ = 0;
};

} // namespace cli

// One program's hold on the vault, the window's and keyshelf-cli's alike: opening it (the temporaries
// killed saves left, the file's stamp, its form, damage refused before any password is asked), unlocking
// it plain or sealed, the read-only rule of a file of more entries than the list holds, and saving in the
// file's own form only when no other program wrote it since it was last read or written. What it says
// when one of these fails is worded here, once, for either program.
//
// The entries themselves are the caller's: a load hands them over, and a save is handed them back.
#pragma once

#include "AtomicFile.h"
#include "EntryTable.h"
#include "SealedVault.h"
#include "Secret.h"
#include "VaultError.h"
#include "VaultFile.h"
#include "VaultFormat.h"
#include "WriterLock.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vault {

// Which program holds the vault: the window makes a missing vault and keeps its list past a file that was
// moved away; keyshelf-cli opens only a vault that is there and changes nothing it did not read.
enum class Holder { Window, Companion };

class Session {
public:
    // What must happen before the entries can be read.
    enum class Gate {
        Create, // no master password is stored yet: one is made (the window alone makes one)
        Enter,  // the stored one must be typed
    };
    // The file now, beside the file as it was last read or written.
    enum class FileNow {
        AsRead,  // the same file (or it was never read)
        Changed, // another program wrote it
        Gone,    // nothing is there now (moved away, or about to be replaced)
    };
    // Why a change was not made.
    enum class Refusal {
        None,              // it was made (what became of its save is the caller's to tell)
        ReadOnly,          // the file holds more entries than the list: nothing may be saved
        NewMasterPassword, // the file's master password is not the one this run was opened with
        NotReadAgain,      // another program wrote the file, and reading it again did not succeed
        Busy,              // another program kept the writer lock (or it could not be taken): lockFailure() says so
    };
    // What a save that failed or was refused left: `written` tells a write tried (or refused because another
    // program wrote first: "Not saved.") from a condition found before it.
    struct Saved {
        Failure error;
        bool written = false;
        explicit operator bool() const { return !error; }
    };

    Session(std::string path, Holder holder, FileOps& files = SystemFileOps());
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    const std::string& path() const { return path_; }

    // Clears what killed saves left behind and reads what can be known before a password is typed: a
    // plain vault's master line, a sealed vault's header. A sealed file cut short or damaged is refused
    // here. The companion refuses a vault that has no master password yet; the window makes a missing one.
    Result<Gate> open();
    // Whether `typed` is the master password: the one line 1 holds, or for a sealed vault one that opens
    // its seal (the key is derived then and kept for the reads and saves after). When the seal could not be
    // tried at all, sealFailure() says why.
    bool isMasterPassword(Secret typed);
    const Failure& sealFailure() const { return sealFailure_; }
    // Reads the entries (at most kMaxEntries of them), a sealed file opened with `password`; the stamp is
    // the file's as read.
    Result<EntryTable> load(Secret password);
    // First run: writes the master password, keeping any entries the file already held, and returns them
    // (the first kMaxEntries of them).
    Result<std::vector<Entry>> create(Secret master);

    // Whether the file is sealed, and the master password it holds (as last read or written).
    bool sealed() const { return sealed_; }
    const std::string& master() const { return stored_; }
    const SealKey* seal() const { return seal_ ? &*seal_ : nullptr; }
    // Forgets the master password and key: the file was sealed anew under a password not yet typed.
    void forgetMaster();

    // How many entries the file holds; beyond kMaxEntries nothing may be saved, so that none is lost.
    std::size_t total() const { return total_; }
    bool readOnly() const;
    // Whether a list of `count` entries can take no more.
    static bool full(std::size_t count);
    // Why, for the window's message box, or an empty text.
    std::string readOnlyNotice() const;
    // Why, as keyshelf-cli refuses a change, or nothing.
    Failure unchangeable() const;
    // keyshelf-cli's warning that only the first kMaxEntries were read, or an empty text.
    std::string partlyReadNotice() const;

    FileNow look() const;
    // Whether the file changed since it was last read or written, leaving out a change already found
    // unreadable (markUnreadable), which is told once.
    bool changedSinceRead() const;
    void markUnreadable();
    // A short stamp of the file as last read (`digits` hexadecimal digits), which every save by any program
    // changes. Made of the file's identity and times, never of its contents.
    std::string stampText(std::size_t digits) const;

    // Every change of the entries, the window's and keyshelf-cli's, made to the file as it is now, under the
    // writer lock: when another program wrote it since it was last read, `readAgain` reads it first (false
    // stops there). `apply` makes the change and saves it; a writer that ignores the lock and slips in
    // between is caught by that save, and all of it is done anew, a few times at most. `master` is the
    // master password the run was opened with.
    Refusal change(Secret master, const std::function<bool()>& readAgain, const std::function<void()>& apply);
    // Why the last change found the writer lock kept (Refusal::Busy).
    const Failure& lockFailure() const { return lockFailure_; }
    // Lets go of the writer lock while `wait` runs (a question put to the person inside a change), so that
    // no other program waits on the answer; the save after it takes the lock again, and finds any write
    // made meanwhile by the file's stamp.
    void letGoWhile(const std::function<void()>& wait);

    // Writes `count` entries under `master` in the file's own form, unless another program wrote the file
    // since it was last read or written.
    Saved save(Secret master, std::size_t count, const EntrySource& entry);
    // The same under a new master password; a sealed vault is sealed again with `key` (SealKey::Fresh from
    // the new password), which a plain one does not need.
    Saved changeMasterPassword(Secret master, std::size_t count, const EntrySource& entry, std::optional<SealKey> key);
    // With a key (SealKey::Fresh from the master password) seals a plain vault; without one turns a sealed
    // vault back into the plain form. Either way the file's own plain bytes are written, byte for byte.
    Saved changeForm(std::optional<SealKey> key);
    // Why the file cannot be sealed (`sealing`) or unsealed as it stands, or nothing: asked before a key is made.
    Failure formRefusal(bool sealing) const;
    // Whether writing the file back with its own master password and entries gives its bytes exactly:
    // false when it holds lines the writer would write otherwise (empty lines, missing or extra fields, a
    // lone CR as a line end).
    Result<bool> writesBackSame();

private:
    // The writer lock, held while it lives unless this session holds it already (a save inside a change).
    class Writing;

    Failure refuseMissing() const;
    // Takes what a read or a write of the whole file leaves known.
    void remember(FileStamp stamp);
    void takeMaster(std::string& master);
    void keepMaster(std::string_view master);
    // Why nothing may be written now (another program wrote first), as `doing` would put it.
    Failure overtaken(const char* doing) const;
    Result<std::string> plainBytes();

    std::string path_;
    Holder holder_;
    FileOps& files_;
    std::string stored_; // the master password as line 1 holds it
    bool sealed_ = false;
    std::optional<SealKey> seal_;
    Failure sealFailure_;
    FileStamp stamp_;
    bool stampKnown_ = false;
    FileStamp openedAt_; // the file as open() found it, before the password was asked
    bool firstLoad_ = false;
    FileStamp unreadable_;
    mutable FileStamp looked_; // the stamp changedSinceRead last looked at
    std::size_t total_ = 0;
    bool overtaken_ = false;
    std::optional<WriterLock> writing_;
    Failure lockFailure_;
};

} // namespace vault

// One run's vault: where data.enc lies, the master password, the entries in display order, the file as
// Keyshelf last read or wrote it, and whether this run may save at all. Every change to the entries goes
// through here and is written to the file at once; a change that cannot be written is taken back, so
// what the entries hold is always what the file holds.
//
// Another program may write the file while Keyshelf has it open (keyshelf-cli, a sync tool). A change
// made here is then applied to the file as it is now: read again, changed, saved, so that nothing the
// other program wrote is lost. Only when it changed or removed the very entry an edit or a delete is
// about is there a question, and no answer writes over what it wrote.
//
// The file's rules (its stamp, its form, the read-only rule, the re-reading before a change) are the vault
// session's (vault::Session); this is the window's side of it: the entries as the list shows them, texts
// as Qt holds them, the status line, and the question a change over another program's write may need.
//
// Nothing here shows a window or ends the program: each operation returns what became of it, with the
// file's error when there was one, and its owner tells the user. The one question a change may need
// answered goes to the function the owner hands in.
#pragma once

#include "AtomicFile.h"
#include "CsvImport.h"
#include "EntryStore.h"
#include "SealedVault.h"
#include "Session.h"
#include "VaultError.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class VaultSession : public QObject {
    Q_OBJECT
public:
    // What the password dialog must do for this vault.
    enum class Gate {
        Create, // no master password is stored yet: one is made
        Enter,  // the stored one must be typed
    };
    // What became of a change.
    enum class Stored {
        Saved,             // in the entries and in the file
        NotSaved,          // the file could not be written (`error` says why); the entries are as they were
        Declined,          // another program changed the entry, and the answer was to leave it; nothing was done
        ReadOnly,          // this run must not save (readOnlyReason() says why); nothing was done
        NewMasterPassword, // another program gave the file a new master password; nothing was written
        ListFull,          // the file holds no more entries; nothing was done
        TooLarge,          // the texts are more than the entries can hold; nothing was done
        EntryGone,         // the entry being changed or deleted is gone (here or elsewhere); nothing was done
    };
    struct Outcome {
        Stored stored = Stored::Saved;
        vault::Failure error{};
        // Where the entry stands now: the one added or changed, or the one put back when a removal could
        // not be saved; 0 when none.
        int position = 0;
        bool saved() const { return stored == Stored::Saved; }
    };
    // What a look at the file found.
    enum class Reload {
        Unchanged,         // the file is as Keyshelf last read or wrote it
        Reloaded,          // another program changed it: the entries are the file's again
        NewMasterPassword, // another program gave it a new master password: it must be typed (unlock)
        Failed,            // it changed but could not be read (`error`); the entries are kept
    };
    struct ReloadOutcome {
        Reload result = Reload::Unchanged;
        vault::Failure error{};
    };
    // An edit or a delete whose entry another program changed or removed since Keyshelf last read the file.
    struct Conflict {
        bool removal = false; // a delete; else an edit
        bool changed = false; // an entry of its username and location is there with another password; else none
        ListEntry entry;      // the entry as Keyshelf had it
    };
    // Asked about a conflict. True stores an edit as a new entry beside what the other program left, or
    // deletes a changed entry as it is now; false leaves the file as it is.
    using ConflictQuestion = std::function<bool(const Conflict& conflict)>;

    // The vault at `path`, read and written through `files`.
    explicit VaultSession(QString path, vault::FileOps& files = vault::SystemFileOps(), QObject* parent = nullptr);
    ~VaultSession() override;

    const QString& path() const { return path_; }
    EntryStore* entries() const { return entries_; }
    // The master password of this run; empty until the gate is passed.
    const QString& masterPassword() const { return master_; }

    void setConflictQuestion(ConflictQuestion question) { conflictQuestion_ = std::move(question); }
    // The clock the status line's "Saved" time is read from.
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

    // Clears what killed saves left behind and reads the master password from line 1, or the header of a
    // sealed vault. A vault that cannot be read is never written.
    vault::Result<Gate> open();
    // Whether `typed` is the master password: the one line 1 holds, or for a sealed vault one that opens
    // its seal (the key is derived then, about half a second, and kept for the reads and saves after).
    // When the seal could not be tried at all, sealFailure() says why.
    bool isMasterPassword(const QString& typed);
    const vault::Failure& sealFailure() const { return core_.sealFailure(); }
    // Whether the file is sealed, as Keyshelf last read or wrote it; every save keeps its form.
    bool sealed() const { return core_.sealed(); }
    // Once the right password was typed: reads the entries (again, after a new master password).
    vault::Failure unlock(const QString& master);
    // First run: writes the master password, keeping any entries the file already held, and takes them in.
    // When the file cannot be written nothing changes.
    vault::Failure create(const QString& master);
    // Why this run saves nothing (a file of more entries than the list holds), or an empty text.
    const QString& readOnlyReason() const { return readOnly_; }

    // The changes the windows ask for; each is saved at once and taken back when it cannot be. An edit
    // names its entry by id and by the texts it was opened with (`was`), which find it once the file has
    // been read again.
    Outcome add(const ListEntry& entry);
    Outcome replace(quint64 id, const ListEntry& was, const ListEntry& entry);
    Outcome remove(quint64 id);
    // Rewrites the whole vault from the master password and the entries in display order (read again
    // first when another program wrote the file).
    Outcome save();
    // What importing a CSV file's rows would do to the entries as they are now, and then doing it, planned
    // anew against the entries as they are then: one save of it all, or nothing at all.
    vault::ImportPlan planImport(const vault::ImportFile& file, bool replacePasswords) const;
    Outcome importEntries(const vault::ImportFile& file, bool replacePasswords);

    // Sealing and the master password, as keyshelf-cli's seal, unseal and passwd do them. Each writes only
    // when the file is as Keyshelf last read or wrote it; else nothing is written and `error` says why.
    //
    // With a key (SealKey::Fresh from the master password) seals a plain vault; without one turns a sealed
    // vault back into the plain form. Either way the file's own plain bytes are written, byte for byte.
    Outcome changeForm(std::optional<vault::SealKey> key);
    // Writes the entries as they stand under a new master password; a sealed vault is sealed again with
    // `key` (SealKey::Fresh from the new password), which a plain one does not need.
    Outcome changeMasterPassword(const QString& master, std::optional<vault::SealKey> key);

    // Whether the file is no longer as Keyshelf last read or wrote it.
    bool changedElsewhere() const;
    // Reads the file again when another program has changed it since Keyshelf last read or wrote it.
    ReloadOutcome reload();

    // A date and time in the user's general format: short date, a space, long time.
    static QString GeneralDate(const QDateTime& when);

signals:
    void statusChanged(const QString& text);

private:
    // Reads the entries; a sealed file is opened with `password`.
    vault::Failure load(const QString& password);
    // Reads the file again with this run's master password (a sealed one with its key).
    ReloadOutcome readAgain();
    // Every change goes through here, and through the vault session's change: when another program has
    // written the file since Keyshelf last read or wrote it, the file is read again first; then `apply`
    // changes the entries as they are now and writes them.
    Outcome change(const std::function<Outcome()>& apply);
    // Where the entry a change is about stands now: its id, else its texts as they were (the entries
    // have been read again); 0 when neither is there, and then what the other program left of it is
    // asked about, or EntryGone told.
    int positionFor(quint64 id, const ListEntry& was) const;
    // Asks about an entry another program changed or removed; `yes` is done on a Yes, with the position of
    // its changed entry (0 when removed).
    Outcome conflict(bool removal, const ListEntry& was, const std::function<Outcome(int changedAt)>& yes);
    // The changes themselves, made to the entries as they are and saved: only ever inside change().
    Outcome insertNow(const ListEntry& entry);
    Outcome removeNow(int position);
    Outcome saveNow();
    Outcome importNow(const vault::ImportFile& file, bool replacePasswords);
    // Writes the master password and `count` entries, unless another program wrote the file since it was
    // last read.
    Outcome write(std::size_t count, const vault::EntrySource& row);
    // What a form or master password change the vault session made or refused comes to.
    Outcome written(vault::Session::Saved saved);
    // The entries in display order, as a save hands them to the writer; prepareWalk first.
    vault::EntrySource displayOrder() const;
    // Whether the file's master password is no longer the one this run was opened with.
    bool newMasterPassword() const;
    void noteReadOnly();
    void setStatus(const QString& text);

    QString path_;
    vault::Session core_;
    QString master_;
    EntryStore* entries_;
    ConflictQuestion conflictQuestion_;
    // The first id of the entries as the file was last read: an entry of a smaller id was read before.
    quint64 readFrom_ = 0;
    std::function<QDateTime()> now_;
    // Why this run must not save, when it must not: the file holds more entries than the list can.
    QString readOnly_;
};

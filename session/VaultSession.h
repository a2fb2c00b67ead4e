// One run's vault: where data.enc lies, the master password, the entries in display order, the file as
// Keyshelf last read or wrote it, and whether this run may save at all. Every change to the entries goes
// through here and is written to the file at once; a change that cannot be written is taken back, so
// what the list shows is always what the file holds.
//
// No window is touched from here: the windows show `entries()` and the status texts this reports, and
// ask for changes by calling the functions below.
#pragma once

#include "AtomicFile.h"
#include "EntryList.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class VaultSession : public QObject {
    Q_OBJECT
public:
    // What the password dialog must do for this vault.
    enum class Gate {
        Create, // no master password is stored yet: one is made
        Enter,  // the stored one must be typed
        Closed, // the file could not be read; the user was told and the program is ending
    };
    // What became of an entry the editor handed over.
    enum class Stored {
        Saved,     // in the list and in the file
        NotSaved,  // the file could not or must not be written: the list is as it was, the user was told
        ListFull,  // the file holds no more entries; nothing was done
        EntryGone, // the entry being edited was deleted meanwhile; nothing was done
    };

    explicit VaultSession(QString path, QObject* parent = nullptr);
    ~VaultSession() override;

    const QString& path() const { return path_; }
    EntryList* entries() const { return entries_; }
    // The master password of this run; empty until the gate is passed.
    const QString& masterPassword() const { return master_; }

    // Clears what killed saves left behind and reads the master password from line 1. A vault that
    // cannot be read is reported and ends the program; it is never written.
    Gate Open();
    // Whether `typed` is the stored master password.
    bool IsMasterPassword(const QString& typed) const;
    // Later runs, once the right password was typed: reads the entries into the list. False when the file
    // could not be read (reported; the program is ending).
    bool Unlock(const QString& master);
    // First run: writes the master password, keeping any entries the file already held, and shows them.
    // When the file cannot be written the user is told, nothing changes and false is returned.
    bool Create(const QString& master);
    // A file that held more entries than the list can: tells the user that this run saves nothing.
    void TellWhyReadOnly() const;

    // The changes the windows ask for; each is saved at once and taken back when it cannot be.
    Stored Add(const ListEntry& entry);
    Stored Replace(quint64 id, const ListEntry& entry);
    // Removes the row at `position`. When the file cannot be written the row comes back and its new
    // position is returned; 0 when it was removed and saved.
    int Remove(int position);
    // Rewrites the whole vault from the master password and the entries in display order, and reports.
    // When another program has written the file since Keyshelf last read or saved it, the user is asked
    // first. When the file cannot or must not be written the user is told, the status says nothing was
    // saved, and false is returned.
    bool Save();

    // Puts a text on the status line.
    void SetStatus(const QString& text);

    // A date and time in the user's general format: short date, a space, long time.
    static QString GeneralDate(const QDateTime& when);

signals:
    void statusChanged(const QString& text);

private:
    void Remember();
    void NoteTotal(std::size_t total);

    QString path_;
    QString stored_; // the master password as line 1 holds it
    QString master_;
    EntryList* entries_;
    // The file as Keyshelf last read or wrote it: a save first checks that nobody else has written since.
    vault::FileStamp stamp_;
    bool stampKnown_ = false;
    // Why this run must not save, when it must not: the file holds more entries than the list can.
    QString readOnly_;
};

// The vault as the windows see it: the master password of this run, opening the vault and choosing the
// password dialog's mode, loading the entries into the main list, writing the vault after every change,
// and the status line.
#pragma once

#include <QDateTime>
#include <QString>

class PasswordDialog;

namespace modGlobals {

// The master password as read from line 1 at start-up; empty on a first run.
extern QString strStoredPassword;
// The master password of this run; empty until the password dialog succeeds.
extern QString strMasterPassword;
// True when no master password is stored and the dialog must create one.
extern bool blnCreateMode;

// What the main window's Add and Edit commands hand to the entry editor.
extern QString strEditMode; // "Add", or anything else for an edit
extern QString strEditUsername;
extern QString strEditPassword;
extern QString strEditLocation;
extern qint16 intEditRow; // the row's position when Edit was chosen

// data.enc beside the executable.
QString VaultPathText();

// Reads the master line and opens the password dialog in the right mode. A vault that cannot be read is
// reported and ends the program; it is never written.
void OpenVault();
void ShowCreatePassword();
void ShowEnterPassword();
// The loaded password dialog, or nullptr.
PasswordDialog* LoadedPasswordDialog();
// Closes the password dialog and destroys it once the event loop is back in control.
void UnloadPasswordDialog();

// First run: writes the master password (keeping any entries the file already held), reports and
// finishes start-up. When the file cannot be written the user is told, nothing else happens and false
// is returned, so the dialog stays open for another try.
bool CreateMasterPassword();
// Later runs: fills the main list from the vault, reports and finishes start-up.
void LoadEntries();
// A file that holds more entries than the list can: the user is told, and this run saves nothing.
void TellAboutTooManyEntries(std::size_t total);
// Rewrites the whole vault from the master password and the main list in display order, and reports.
// When another program has written the file since Keyshelf last read or saved it, the user is asked
// first. When the file cannot or must not be written the user is told, the status line says nothing was
// saved, and false is returned.
bool SaveVault();

// Puts a message on the main window's status line.
void SetStatus(const QString& text);

// A date and time in the user's general format: short date, a space, long time.
QString GeneralDate(const QDateTime& when);

// Forgets the run's state; tests start each case from here.
void Reset();

} // namespace modGlobals

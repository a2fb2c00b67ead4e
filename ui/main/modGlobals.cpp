#include "modGlobals.h"

#include "MainWindow.h"
#include "Seams.h"
#include "AtomicFile.h"
#include "VaultFile.h"
#include "PasswordDialog.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <algorithm>

namespace modGlobals {

QString strStoredPassword;
QString strMasterPassword;
bool blnCreateMode = false;
QString strEditMode;
QString strEditUsername;
QString strEditPassword;
QString strEditLocation;
qint16 intEditRow = 0;

namespace {

QPointer<PasswordDialog> gPass;
// The file as Keyshelf last read or wrote it: a save first checks that nobody else has written since.
vault::FileStamp gStamp;
bool gStampKnown = false;
// Why this run must not save, when it must not: the file holds more entries than the list can.
QString gReadOnly;

std::string PathString() {
    return VaultPathText().toStdString();
}

void Remember() {
    gStamp = vault::StampOf(PathString());
    gStampKnown = true;
}

QString Count(std::size_t n) {
    return QLocale(QLocale::English).toString(static_cast<qulonglong>(n));
}


void ShowError(const vault::VaultError& error) {
    seams::MsgBox(QString::fromStdString(error.Message()), seams::vbCritical);
}

// A vault that cannot be read at start-up ends the run, leaving the file as it is.
void EndBecause(const vault::VaultError& error) {
    QString text = QString::fromStdString(error.Message());
    if (error.tooLarge) {
        // A file of gigabytes where the vault should be looks like a vault gone wrong: say it is left as it is.
        text += QStringLiteral(".  Keyshelf will now end without changing it.");
    }
    seams::MsgBox(text, seams::vbCritical);
    seams::EndProgram(1);
}

void ShowPasswordDialog() {
    if (gPass == nullptr) {
        gPass = new PasswordDialog();
        gPass->Form_Load();
    }
    gPass->show();
}

} // namespace

QString VaultPathText() {
    return QString::fromStdString(modGlobals::VaultPath(seams::ExecutableDir().toStdString()));
}

PasswordDialog* LoadedPasswordDialog() {
    return gPass;
}

void UnloadPasswordDialog() {
    PasswordDialog* dialog = gPass;
    gPass.clear();
    if (dialog != nullptr) {
        dialog->close();
        dialog->deleteLater();
    }
}

void OpenVault() {
    // Saves killed half-way (a crash, a power cut) leave their temporary copies behind: scrambled
    // passwords that nothing else would ever remove.
    vault::RemoveStaleTemporaries(PathString(), 10 * 60);
    // The master line is read only from a file of a vault's size: a larger one is refused before any of
    // it is read.
    const auto master = ReadMasterPassword(PathString());
    if (!master) {
        EndBecause(master.error());
        return;
    }
    if (!master->empty()) {
        strStoredPassword = QString::fromStdString(*master);
        ShowEnterPassword();
    } else {
        ShowCreatePassword();
    }
}

void ShowCreatePassword() {
    blnCreateMode = true;
    ShowPasswordDialog();
}

void ShowEnterPassword() {
    blnCreateMode = false;
    ShowPasswordDialog();
}

bool CreateMasterPassword() {
    // The file is written before the dialog goes, so that a failed write leaves the user where they were.
    const auto kept = WriteMasterPassword(PathString(), strMasterPassword.toStdString());
    if (!kept) {
        strMasterPassword.clear();
        ShowError(kept.error());
        return false;
    }
    // The dialog goes away at once; the object itself is destroyed by afterFormLoad, once no handler of
    // the dialog is running any more.
    if (gPass != nullptr) {
        gPass->close();
    }
    QCoreApplication::processEvents();
    Remember();
    std::vector<vault::Entry> shown = *kept;
    const std::size_t total = shown.size();
    if (total > static_cast<std::size_t>(vault::kMaxEntries)) {
        shown.resize(vault::kMaxEntries);
    }
    MainWindow* main = MainWindow::instance();
    if (main != nullptr && !shown.empty()) {
        main->ShowEntries(shown);
    }
    SetStatus(QStringLiteral("Password created successfully"));
    if (main != nullptr) {
        main->afterFormLoad();
    }
    TellAboutTooManyEntries(total);
    return true;
}

void LoadEntries() {
    auto loaded = LoadVault(PathString());
    if (!loaded) {
        EndBecause(loaded.error());
        return;
    }
    gStamp = loaded->stamp;
    gStampKnown = true;
    const std::size_t shown = loaded->entries.size();
    MainWindow* main = MainWindow::instance();
    if (main != nullptr) {
        main->ShowEntries(std::move(loaded->entries));
    }
    SetStatus(QStringLiteral("Loaded %1 entries").arg(shown));
    if (main != nullptr) {
        main->afterFormLoad();
    }
    TellAboutTooManyEntries(loaded->total);
}

void TellAboutTooManyEntries(std::size_t total) {
    if (total <= static_cast<std::size_t>(vault::kMaxEntries)) {
        return;
    }
    // The list holds what the format allows; a save would write only those and lose the rest.
    gReadOnly = QStringLiteral("%1 holds %2 entries, more than the 32,767 Keyshelf can show.  The first 32,767 "
                               "are shown, and no change can be saved, so that none of the others is lost.")
                    .arg(VaultPathText(), Count(total));
    seams::MsgBox(gReadOnly, seams::vbExclamation);
}

bool SaveVault() {
    if (!gReadOnly.isEmpty()) {
        SetStatus(QStringLiteral("Not saved."));
        seams::MsgBox(gReadOnly, seams::vbExclamation);
        return false;
    }
    const vault::FileStamp now = vault::StampOf(PathString());
    if (gStampKnown && now.exists && now != gStamp) {
        const QString question =
            QStringLiteral("%1 has been changed by another program since Keyshelf last read or saved it.  Saving "
                           "now replaces those changes with the list shown here.\r\n\r\nSave anyway?")
                .arg(VaultPathText());
        // Enter keeps the other program's changes: replacing them takes a deliberate Yes.
        if (seams::MsgBox(question, seams::vbYesNo | seams::vbExclamation | seams::vbDefaultButton2,
                          QStringLiteral("File Changed")) != seams::vbYes) {
            SetStatus(QStringLiteral("Not saved."));
            return false;
        }
    }
    MainWindow* main = MainWindow::instance();
    EntryList* items = main != nullptr ? main->lstPass->items() : nullptr;
    const std::size_t count = items != nullptr ? static_cast<std::size_t>(items->count()) : 0;
    // The list keeps its texts in the file's code page: each row is handed over as it stands, copying
    // nothing.
    const auto row = [&](std::size_t index) {
        const int position = static_cast<int>(index) + 1;
        // Once the list has been sorted its rows lie scattered in the table: ask for the texts of a row
        // a few ahead while this one is written.
        constexpr int kAhead = 8;
        if (position + kAhead <= static_cast<int>(count)) {
            for (int f = 0; f < EntryList::kFields; ++f) {
                __builtin_prefetch(items->codePageField(position + kAhead, f).data());
            }
        }
        return vault::EntryView{items->codePageField(position, 0), items->codePageField(position, 1),
                                items->codePageField(position, 2)};
    };
    const auto failed = modGlobals::SaveVault(PathString(), strMasterPassword.toStdString(), count, row,
                                              vault::TextForm::CodePage);
    if (failed) {
        SetStatus(QStringLiteral("Not saved."));
        ShowError(*failed);
        return false;
    }
    Remember();
    SetStatus(QStringLiteral("Saved ") + GeneralDate(seams::Now()));
    return true;
}

void SetStatus(const QString& text) {
    if (MainWindow* main = MainWindow::instance()) {
        main->SetStatusText(text);
    }
}

QString GeneralDate(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    // The long time format without its time zone, which the general format does not show.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormat.trimmed());
}

void Reset() {
    if (gPass != nullptr) {
        delete gPass;
    }
    strStoredPassword.clear();
    strMasterPassword.clear();
    blnCreateMode = false;
    gStamp = {};
    gStampKnown = false;
    gReadOnly.clear();
    strEditMode.clear();
    strEditUsername.clear();
    strEditPassword.clear();
    strEditLocation.clear();
    intEditRow = 0;
}

} // namespace modGlobals

#include "VaultSession.h"

#include "AtomicFile.h"
#include "Seams.h"
#include "VaultFile.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

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

} // namespace

VaultSession::VaultSession(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)), entries_(new EntryList(this)) {}

VaultSession::~VaultSession() = default;

void VaultSession::Remember() {
    stamp_ = vault::StampOf(path_.toStdString());
    stampKnown_ = true;
}

VaultSession::Gate VaultSession::Open() {
    const std::string path = path_.toStdString();
    // Saves killed half-way (a crash, a power cut) leave their temporary copies behind: scrambled
    // passwords that nothing else would ever remove.
    vault::RemoveStaleTemporaries(path, 10 * 60);
    // The master line is read only from a file of a vault's size: a larger one is refused before any of
    // it is read.
    const auto master = vault::ReadMasterPassword(path);
    if (!master) {
        EndBecause(master.error());
        return Gate::Closed;
    }
    stored_ = QString::fromStdString(*master);
    return stored_.isEmpty() ? Gate::Create : Gate::Enter;
}

bool VaultSession::IsMasterPassword(const QString& typed) const {
    return !stored_.isEmpty() && typed == stored_;
}

bool VaultSession::Unlock(const QString& master) {
    auto loaded = vault::LoadVault(path_.toStdString());
    if (!loaded) {
        EndBecause(loaded.error());
        return false;
    }
    master_ = master;
    stamp_ = loaded->stamp;
    stampKnown_ = true;
    const std::size_t shown = loaded->entries.size();
    entries_->addTable(std::move(loaded->entries));
    SetStatus(QStringLiteral("Loaded %1 entries").arg(shown));
    NoteTotal(loaded->total);
    return true;
}

bool VaultSession::Create(const QString& master) {
    const auto kept = vault::WriteMasterPassword(path_.toStdString(), master.toStdString());
    if (!kept) {
        ShowError(kept.error());
        return false;
    }
    master_ = master;
    stored_ = master;
    Remember();
    const std::size_t total = kept->size();
    const std::size_t shown = std::min(total, static_cast<std::size_t>(vault::kMaxEntries));
    QList<ListEntry> rows;
    rows.reserve(static_cast<qsizetype>(shown));
    for (std::size_t i = 0; i < shown; ++i) {
        const vault::Entry& e = (*kept)[i];
        rows.append({QString::fromStdString(e.username), QString::fromStdString(e.password),
                     QString::fromStdString(e.location)});
    }
    if (!rows.isEmpty()) {
        entries_->addRows(rows);
    }
    SetStatus(QStringLiteral("Password created successfully"));
    NoteTotal(total);
    return true;
}

void VaultSession::NoteTotal(std::size_t total) {
    if (total <= static_cast<std::size_t>(vault::kMaxEntries)) {
        return;
    }
    // The list holds what the format allows; a save would write only those and lose the rest.
    readOnly_ = QStringLiteral("%1 holds %2 entries, more than the 32,767 Keyshelf can show.  The first 32,767 "
                               "are shown, and no change can be saved, so that none of the others is lost.")
                    .arg(path_, Count(total));
}

void VaultSession::TellWhyReadOnly() const {
    if (!readOnly_.isEmpty()) {
        seams::MsgBox(readOnly_, seams::vbExclamation);
    }
}

VaultSession::Stored VaultSession::Add(const ListEntry& entry) {
    if (entries_->count() >= vault::kMaxEntries) {
        return Stored::ListFull;
    }
    const int position = entries_->add(entry.username);
    entries_->setField(position, 1, entry.password);
    entries_->setField(position, 2, entry.location);
    const quint64 added = entries_->rowId(position);
    if (!Save()) {
        // The file still holds the list as it was: take the row out again.
        entries_->remove(entries_->positionOf(added));
        return Stored::NotSaved;
    }
    SetStatus(QStringLiteral("Added new entry.  Data saved."));
    return Stored::Saved;
}

VaultSession::Stored VaultSession::Replace(quint64 id, const ListEntry& entry) {
    const int position = entries_->positionOf(id);
    if (position == 0) {
        return Stored::EntryGone;
    }
    const ListEntry before = entries_->item(position);
    entries_->setItem(position, entry);
    if (!Save()) {
        entries_->setItem(entries_->positionOf(id), before);
        return Stored::NotSaved;
    }
    SetStatus(QStringLiteral("Entry changed.  Data saved."));
    return Stored::Saved;
}

int VaultSession::Remove(int position) {
    const ListEntry entry = entries_->item(position);
    entries_->remove(position);
    if (!Save()) {
        // The file still holds the entry: so does the list again.
        return entries_->insert(position, entry);
    }
    SetStatus(QStringLiteral("Entry deleted successfully, data saved."));
    return 0;
}

bool VaultSession::Save() {
    if (!readOnly_.isEmpty()) {
        SetStatus(QStringLiteral("Not saved."));
        seams::MsgBox(readOnly_, seams::vbExclamation);
        return false;
    }
    const std::string path = path_.toStdString();
    const vault::FileStamp now = vault::StampOf(path);
    if (stampKnown_ && now.exists && now != stamp_) {
        const QString question =
            QStringLiteral("%1 has been changed by another program since Keyshelf last read or saved it.  Saving "
                           "now replaces those changes with the list shown here.\r\n\r\nSave anyway?")
                .arg(path_);
        // Enter keeps the other program's changes: replacing them takes a deliberate Yes.
        if (seams::MsgBox(question, seams::vbYesNo | seams::vbExclamation | seams::vbDefaultButton2,
                          QStringLiteral("File Changed")) != seams::vbYes) {
            SetStatus(QStringLiteral("Not saved."));
            return false;
        }
    }
    const EntryList& items = *entries_;
    const std::size_t count = static_cast<std::size_t>(items.count());
    // The list keeps its texts in the file's code page: each row is handed over as it stands, copying
    // nothing.
    const auto row = [&](std::size_t index) {
        const int position = static_cast<int>(index) + 1;
        // Once the list has been sorted its rows lie scattered in the table: ask for the texts of a row
        // a few ahead while this one is written.
        constexpr int kAhead = 8;
        if (position + kAhead <= static_cast<int>(count)) {
            for (int f = 0; f < EntryList::kFields; ++f) {
                __builtin_prefetch(items.codePageField(position + kAhead, f).data());
            }
        }
        return vault::EntryView{items.codePageField(position, 0), items.codePageField(position, 1),
                                items.codePageField(position, 2)};
    };
    const auto failed = vault::SaveVault(path, master_.toStdString(), count, row, vault::TextForm::CodePage);
    if (failed) {
        SetStatus(QStringLiteral("Not saved."));
        ShowError(*failed);
        return false;
    }
    Remember();
    SetStatus(QStringLiteral("Saved ") + GeneralDate(seams::Now()));
    return true;
}

void VaultSession::SetStatus(const QString& text) {
    emit statusChanged(text);
}

QString VaultSession::GeneralDate(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    // The long time format without its time zone, which the general format does not show.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormat.trimmed());
}

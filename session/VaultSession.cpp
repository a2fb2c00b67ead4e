#include "VaultSession.h"

#include "AtomicFile.h"
#include "VaultFile.h"

#include <QLocale>
#include <QRegularExpression>
#include <string.h>
#include <unordered_map>

namespace {

QString Count(std::size_t n) {
    return QLocale(QLocale::English).toString(static_cast<qulonglong>(n));
}

// A master password read from the file, as a string the session keeps; the bytes read are wiped.
QString TakeSecret(std::string& secret) {
    QString text = QString::fromStdString(secret);
    ::explicit_bzero(secret.data(), secret.size());
    return text;
}

} // namespace

VaultSession::VaultSession(QString path, vault::FileOps& files, QObject* parent)
    : QObject(parent), path_(std::move(path)), files_(files), entries_(new EntryStore(this)),
      now_([] { return QDateTime::currentDateTime(); }) {}

VaultSession::~VaultSession() = default;

void VaultSession::remember() {
    stamp_ = vault::StampOf(path_.toStdString());
    stampKnown_ = true;
}

vault::Result<VaultSession::Gate> VaultSession::open() {
    const std::string path = path_.toStdString();
    // Saves killed half-way (a crash, a power cut) leave their temporary copies behind: scrambled
    // passwords that nothing else would ever remove.
    vault::RemoveStaleTemporaries(path, vault::kStaleTemporarySeconds);
    // The master line is read only from a file of a vault's size: a larger one is refused before any of
    // it is read.
    auto start = vault::ReadVaultStart(path, files_);
    if (!start) {
        return start.error();
    }
    sealed_ = start->seal.has_value();
    seal_.reset();
    stored_ = TakeSecret(start->master);
    return stored_.isEmpty() && !sealed_ ? Gate::Create : Gate::Enter;
}

bool VaultSession::isMasterPassword(const QString& typed) {
    sealFailure_.reset();
    if (!sealed_ || seal_) {
        return !stored_.isEmpty() && typed == stored_;
    }
    // Sealed, and not opened yet (or sealed anew elsewhere): only the seal can say. The file is looked at
    // again, since it may have changed since the last look.
    auto start = vault::ReadVaultStart(path_.toStdString(), files_);
    if (!start) {
        sealFailure_ = start.error();
        return false;
    }
    if (!start->seal) {
        sealed_ = false;
        stored_ = TakeSecret(start->master);
        return !stored_.isEmpty() && typed == stored_;
    }
    if (auto failed = openSeal(*start->seal, typed)) {
        if (!failed->wrongPassword) {
            sealFailure_ = std::move(failed);
        }
        return false;
    }
    stored_ = typed;
    return true;
}

vault::Failure VaultSession::openSeal(const vault::SealHeader& header, const QString& password) {
    std::string typed = password.toStdString();
    auto failed = vault::OpenSeal(header, typed, seal_, path_.toStdString());
    ::explicit_bzero(typed.data(), typed.size());
    return failed;
}

vault::Failure VaultSession::load(const QString& password) {
    std::string typed = password.toStdString();
    auto loaded = vault::LoadVault(path_.toStdString(), vault::kMaxEntries, files_, typed, seal_);
    ::explicit_bzero(typed.data(), typed.size());
    if (!loaded) {
        return loaded.error();
    }
    sealed_ = loaded->sealed;
    stored_ = TakeSecret(loaded->master);
    stamp_ = loaded->stamp;
    stampKnown_ = true;
    unreadable_ = {};
    readOnly_.clear();
    readFrom_ = entries_->nextId();
    entries_->replaceAll(std::move(loaded->entries));
    noteTotal(loaded->total);
    return std::nullopt;
}

vault::Failure VaultSession::unlock(const QString& master) {
    if (auto failed = load(master)) {
        return failed;
    }
    master_ = master;
    setStatus(QStringLiteral("Loaded %1 entries").arg(entries_->count()));
    return std::nullopt;
}

vault::Failure VaultSession::create(const QString& master) {
    const auto kept = vault::WriteMasterPassword(path_.toStdString(), master.toStdString(), files_);
    if (!kept) {
        return kept.error();
    }
    master_ = master;
    stored_ = master;
    sealed_ = false;
    seal_.reset();
    remember();
    const std::size_t total = kept->size();
    const std::size_t shown = std::min(total, static_cast<std::size_t>(vault::kMaxEntries));
    QList<ListEntry> rows;
    rows.reserve(static_cast<qsizetype>(shown));
    for (std::size_t i = 0; i < shown; ++i) {
        const vault::Entry& e = (*kept)[i];
        rows.append(vault::MapFields<QString>(e, [](const std::string& text) { return QString::fromStdString(text); }));
    }
    entries_->clear();
    if (!entries_->addRows(rows)) {
        // Out of reach while a vault is at most kMaxVaultBytes. The master password is written all the same.
        vault::VaultError error{"Could not read", path_.toStdString(), "its entries are more than Keyshelf can hold"};
        error.tooLarge = true;
        return error;
    }
    setStatus(QStringLiteral("Password created successfully"));
    noteTotal(total);
    return std::nullopt;
}

void VaultSession::noteTotal(std::size_t total) {
    if (total <= static_cast<std::size_t>(vault::kMaxEntries)) {
        return;
    }
    // The entries hold what the format allows; a save would write only those and lose the rest.
    readOnly_ = QStringLiteral("%1 holds %2 entries, more than the 32,767 Keyshelf can show.  The first 32,767 "
                               "are shown, and no change can be saved, so that none of the others is lost.")
                    .arg(path_, Count(total));
}

VaultSession::Outcome VaultSession::change(const std::function<Outcome()>& apply) {
    // Each try reads what the writer that slipped in wrote; one that keeps writing is let be after a few.
    constexpr int kTries = 3;
    for (int tries = 1;; ++tries) {
        const vault::FileStamp now = vault::StampOf(path_.toStdString());
        // A file that is gone (moved away, or about to be replaced) is written anew from the entries.
        if (readOnly_.isEmpty() && stored_ == master_ && stampKnown_ && now.exists && now != stamp_) {
            const ReloadOutcome reloaded = readAgain();
            if (reloaded.result != Reload::Reloaded) {
                // An unreadable file is never written over, nor a new master password with the old one.
                setStatus(QStringLiteral("Not saved."));
                return {reloaded.result == Reload::Failed ? Stored::NotSaved : Stored::NewMasterPassword,
                        reloaded.error};
            }
        }
        if (!readOnly_.isEmpty()) {
            setStatus(QStringLiteral("Not saved."));
            return {Stored::ReadOnly};
        }
        if (stored_ != master_) {
            // The file's master password is not the one this run was opened with: it must be typed first.
            setStatus(QStringLiteral("Not saved."));
            return {Stored::NewMasterPassword};
        }
        overtaken_ = false;
        Outcome outcome = apply();
        if (!overtaken_ || tries == kTries) {
            return outcome;
        }
    }
}

int VaultSession::positionFor(quint64 id, const ListEntry& was) const {
    const int position = entries_->positionOf(id);
    return position != 0 ? position : entries_->positionOfItem(was);
}

VaultSession::Outcome VaultSession::conflict(bool removal, const ListEntry& was,
                                             const std::function<Outcome(int changedAt)>& yes) {
    const int changedAt = entries_->positionOfItem(was, true);
    if (removal && changedAt == 0) {
        setStatus(QStringLiteral("Not saved."));
        return {Stored::EntryGone}; // nothing is left to delete
    }
    // Enter leaves the file as the other program left it: anything else takes a deliberate Yes.
    if (!conflictQuestion_ || !conflictQuestion_({removal, changedAt != 0, was})) {
        setStatus(QStringLiteral("Not saved."));
        return {Stored::Declined};
    }
    return yes(changedAt);
}

VaultSession::Outcome VaultSession::add(const ListEntry& entry) {
    return change([&] { return insertNow(entry); });
}

VaultSession::Outcome VaultSession::insertNow(const ListEntry& entry) {
    if (entries_->count() >= vault::kMaxEntries) {
        return {Stored::ListFull};
    }
    const int position = entries_->insert(entries_->count() + 1, entry);
    if (position == 0) {
        return {Stored::TooLarge};
    }
    const quint64 added = entries_->rowId(position);
    Outcome outcome = saveNow();
    if (!outcome.saved()) {
        // The file still holds the entries as they were: take this one out again.
        entries_->remove(entries_->positionOf(added));
        return outcome;
    }
    setStatus(QStringLiteral("Added new entry.  Data saved."));
    outcome.position = position; // a save moves no entry
    return outcome;
}

VaultSession::Outcome VaultSession::replace(quint64 id, const ListEntry& was, const ListEntry& entry) {
    // The entry as Keyshelf has it: once the file has been read again, these texts find it.
    const int at = entries_->positionOf(id);
    if (at == 0 && id >= readFrom_) {
        return {Stored::EntryGone}; // deleted here since the file was last read
    }
    const ListEntry before = at != 0 ? entries_->item(at) : was;
    return change([&]() -> Outcome {
        const int position = positionFor(id, before);
        if (position == 0) {
            // What was typed is stored beside whatever the other program left, never over it.
            return conflict(false, before, [&](int) { return insertNow(entry); });
        }
        const quint64 changed = entries_->rowId(position);
        const ListEntry old = entries_->item(position);
        if (!entries_->setItem(position, entry)) {
            return {Stored::TooLarge};
        }
        Outcome outcome = saveNow();
        if (!outcome.saved()) {
            // The old texts fit: the entries held them a moment ago.
            [[maybe_unused]] const bool restored = entries_->setItem(entries_->positionOf(changed), old);
            Q_ASSERT(restored);
            outcome.position = entries_->positionOf(changed);
            return outcome;
        }
        setStatus(QStringLiteral("Entry changed.  Data saved."));
        outcome.position = entries_->positionOf(changed);
        return outcome;
    });
}

VaultSession::Outcome VaultSession::remove(quint64 id) {
    const int at = entries_->positionOf(id);
    if (at == 0) {
        return {Stored::EntryGone};
    }
    const ListEntry was = entries_->item(at);
    return change([&]() -> Outcome {
        const int position = positionFor(id, was);
        if (position == 0) {
            return conflict(true, was, [&](int changedAt) { return removeNow(changedAt); });
        }
        return removeNow(position);
    });
}

VaultSession::Outcome VaultSession::removeNow(int position) {
    const ListEntry entry = entries_->item(position);
    entries_->remove(position);
    Outcome outcome = saveNow();
    if (!outcome.saved()) {
        // The file still holds the entry: so do the entries again.
        outcome.position = entries_->insert(position, entry);
        return outcome;
    }
    setStatus(QStringLiteral("Entry deleted successfully, data saved."));
    return outcome;
}

vault::EntrySource VaultSession::displayOrder() const {
    const EntryStore& items = *entries_;
    // The store keeps its texts in the file's code page: each entry is handed over as it stands, copying
    // nothing.
    return [&items](std::size_t index) {
        const int position = static_cast<int>(index) + 1;
        // Once the entries have been sorted they lie scattered in the table.
        items.prefetchAfter(position);
        return items.codePageFields(position);
    };
}

VaultSession::Outcome VaultSession::save() {
    return change([this] { return saveNow(); });
}

VaultSession::Outcome VaultSession::saveNow() {
    entries_->prepareWalk();
    Outcome outcome = write(static_cast<std::size_t>(entries_->count()), displayOrder());
    if (outcome.saved()) {
        setStatus(QStringLiteral("Saved ") + GeneralDate(now_()));
    }
    return outcome;
}

std::optional<VaultSession::Outcome> VaultSession::refusedUnlessUnchanged(const char* doing) {
    if (stored_ != master_) {
        setStatus(QStringLiteral("Not saved."));
        return Outcome{Stored::NewMasterPassword};
    }
    if (changedElsewhere()) {
        // Unlike an entry's change, which is made to the file as it is now, these write the whole file
        // anew: nothing is written, the list reloads within a second, and the person can look at it before
        // trying again.
        setStatus(QStringLiteral("Not saved."));
        return Outcome{Stored::NotSaved,
                       vault::VaultError{doing, path_.toStdString(),
                                         "another program changed it since Keyshelf last read it, so nothing was "
                                         "changed.  Try again once the list has been read again"}};
    }
    return std::nullopt;
}

VaultSession::Outcome VaultSession::changeForm(std::optional<vault::SealKey> key) {
    const std::string path = path_.toStdString();
    const bool sealing = key.has_value();
    const char* const doing = sealing ? "Could not seal" : "Could not unseal";
    if (sealing == sealed_) {
        return {Stored::NotSaved,
                vault::VaultError{doing, path, sealing ? "it is sealed already" : "it is not sealed"}};
    }
    if (auto refused = refusedUnlessUnchanged(doing)) {
        return *refused;
    }
    auto bytes = vault::ReadWholeFile(path, vault::kMaxVaultBytes, files_);
    if (bytes && sealed_) {
        auto header = vault::ReadSealHeader(*bytes, path);
        if (!header) {
            return {Stored::NotSaved, header.error()};
        }
        std::string password = master_.toStdString();
        bytes = vault::UnsealVault(std::move(*bytes), *header, password, seal_, path);
        ::explicit_bzero(password.data(), password.size());
    }
    if (!bytes) {
        return {Stored::NotSaved, bytes.error()};
    }
    // Read after the look above: a write that landed meanwhile shows now, before anything is replaced.
    if (auto refused = refusedUnlessUnchanged(doing)) {
        ::explicit_bzero(bytes->data(), bytes->size());
        return *refused;
    }
    vault::Failure failed = vault::ReplaceVaultBytes(path, *bytes, sealing ? &*key : nullptr, files_);
    ::explicit_bzero(bytes->data(), bytes->size());
    if (failed) {
        setStatus(QStringLiteral("Not saved."));
        return {Stored::NotSaved, std::move(failed)};
    }
    sealed_ = sealing;
    seal_ = std::move(key);
    remember();
    setStatus(sealing ? QStringLiteral("Sealed: the file opens only with the master password.  Data saved.")
                      : QStringLiteral("Unsealed: the file is no longer encrypted.  Data saved."));
    return {Stored::Saved};
}

VaultSession::Outcome VaultSession::changeMasterPassword(const QString& master, std::optional<vault::SealKey> key) {
    const std::string path = path_.toStdString();
    if (!readOnly_.isEmpty()) {
        setStatus(QStringLiteral("Not saved."));
        return {Stored::ReadOnly};
    }
    if (auto refused = refusedUnlessUnchanged("Could not change the master password of")) {
        return *refused;
    }
    if (sealed_ && !key) {
        return {Stored::NotSaved, vault::VaultError{"Could not change the master password of", path,
                                                    "no key was made to seal it with; nothing was changed"}};
    }
    if (!sealed_) {
        key.reset();
    }
    entries_->prepareWalk();
    std::string typed = master.toStdString();
    vault::Failure failed = vault::SaveVault(path, typed, static_cast<std::size_t>(entries_->count()), displayOrder(),
                                             vault::TextForm::CodePage, files_, key ? &*key : nullptr);
    ::explicit_bzero(typed.data(), typed.size());
    if (failed) {
        setStatus(QStringLiteral("Not saved."));
        return {Stored::NotSaved, std::move(failed)};
    }
    master_ = master;
    stored_ = master;
    if (sealed_) {
        seal_ = std::move(key);
    }
    remember();
    setStatus(QStringLiteral("Master password changed.  Data saved."));
    return {Stored::Saved};
}

VaultSession::Outcome VaultSession::write(std::size_t count, const vault::EntrySource& row) {
    const std::string path = path_.toStdString();
    const vault::FileStamp now = vault::StampOf(path);
    if (stampKnown_ && now.exists && now != stamp_) {
        // Written by another program since it was read a moment ago: what it wrote is read first.
        overtaken_ = true;
        setStatus(QStringLiteral("Not saved."));
        return {Stored::NotSaved,
                vault::VaultError{"Could not save", path, "another program kept changing it; please try again"}};
    }
    if (auto failed = vault::SaveVault(path, master_.toStdString(), count, row, vault::TextForm::CodePage, files_,
                                       sealed_ ? &*seal_ : nullptr)) {
        setStatus(QStringLiteral("Not saved."));
        return {Stored::NotSaved, std::move(failed)};
    }
    stored_ = master_;
    remember();
    return {Stored::Saved};
}

vault::ImportPlan VaultSession::planImport(const vault::ImportFile& file, bool replacePasswords) const {
    return vault::PlanImport(file, entries_->table(), replacePasswords);
}

VaultSession::Outcome VaultSession::importEntries(const vault::ImportFile& file, bool replacePasswords) {
    return change([&] { return importNow(file, replacePasswords); });
}

VaultSession::Outcome VaultSession::importNow(const vault::ImportFile& file, bool replacePasswords) {
    // Planned here, against the entries as they are now, in the layout the save walks: the plan names
    // entries by their slots, which nothing may move until the plan is taken in.
    entries_->prepareWalk();
    const vault::ImportPlan plan = planImport(file, replacePasswords);
    if (plan.tooMany) {
        return {Stored::ListFull};
    }
    const std::size_t imported = plan.additions.size() + plan.replacements.size();
    if (imported > 0) {
        // The file as it will be: the entries in display order, each new password in its entry's place, then
        // the additions. The entries themselves change only once it is written.
        std::unordered_map<vault::EntryTable::Slot, std::string_view> newPasswords;
        for (const vault::ImportPlan::Replacement& r : plan.replacements) {
            newPasswords.emplace(r.slot, r.password);
        }
        const std::size_t count = static_cast<std::size_t>(entries_->count());
        const auto row = [&](std::size_t index) {
            if (index >= count) {
                return plan.additions[index - count];
            }
            const int position = static_cast<int>(index) + 1;
            vault::EntryView fields = entries_->codePageFields(position);
            if (const auto replaced = newPasswords.find(entries_->slotAt(position)); replaced != newPasswords.end()) {
                fields[vault::Field::Password] = replaced->second;
            }
            return fields;
        };
        Outcome outcome = write(count + plan.additions.size(), row);
        if (!outcome.saved()) {
            return outcome;
        }
        if (!entries_->applyImport(plan)) {
            // What the file now holds did not fit in memory as a change: read it whole instead.
            if (auto failed = load(master_)) {
                return {Stored::NotSaved, std::move(failed)};
            }
        }
    }
    setStatus(QStringLiteral("Imported %1 %2.  Data saved.")
                  .arg(Count(imported), imported == 1 ? QStringLiteral("entry") : QStringLiteral("entries")));
    return {Stored::Saved};
}

bool VaultSession::changedElsewhere() const {
    return stampKnown_ && vault::StampOf(path_.toStdString()) != stamp_;
}

VaultSession::ReloadOutcome VaultSession::reload() {
    const vault::FileStamp now = vault::StampOf(path_.toStdString());
    if (!stampKnown_ || now == stamp_ || (unreadable_.exists && now == unreadable_)) {
        return {Reload::Unchanged};
    }
    if (!now.exists) {
        // Gone (moved away, or about to be replaced): the entries stay, and the next save writes them.
        return {Reload::Unchanged};
    }
    ReloadOutcome outcome = readAgain();
    if (outcome.result == Reload::Failed) {
        unreadable_ = now;
    } else if (outcome.result == Reload::Reloaded) {
        setStatus(
            QStringLiteral("Reloaded %1 entries: the file was changed by another program").arg(entries_->count()));
    }
    return outcome;
}

VaultSession::ReloadOutcome VaultSession::readAgain() {
    if (auto failed = load(master_)) {
        if (failed->wrongPassword) {
            // Sealed anew under another password: nothing of it is known until that is typed.
            sealed_ = true;
            stored_.clear();
            readFrom_ = entries_->nextId();
            entries_->clear();
            return {Reload::NewMasterPassword};
        }
        return {Reload::Failed, std::move(failed)};
    }
    if (stored_ != master_) {
        // Its entries are shown only once the new password has been typed (unlock reads them again).
        entries_->clear();
        return {Reload::NewMasterPassword};
    }
    return {Reload::Reloaded};
}

void VaultSession::setStatus(const QString& text) {
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

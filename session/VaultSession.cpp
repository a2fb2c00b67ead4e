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

// A password as the vault session takes it: its UTF-8 bytes, wiped once used.
class Typed {
public:
    explicit Typed(const QString& text) : bytes_(text.toStdString()) {}
    Typed(const Typed&) = delete;
    Typed& operator=(const Typed&) = delete;
    ~Typed() { ::explicit_bzero(bytes_.data(), bytes_.size()); }
    vault::Secret secret() const { return vault::Secret(bytes_); }

private:
    std::string bytes_;
};

} // namespace

VaultSession::VaultSession(QString path, vault::FileOps& files, QObject* parent)
    : QObject(parent), path_(std::move(path)), core_(path_.toStdString(), vault::Holder::Window, files),
      entries_(new EntryStore(this)), now_([] { return QDateTime::currentDateTime(); }) {}

VaultSession::~VaultSession() = default;

vault::Result<VaultSession::Gate> VaultSession::open() {
    auto gate = core_.open();
    if (!gate) {
        return gate.error();
    }
    return *gate == vault::Session::Gate::Create ? Gate::Create : Gate::Enter;
}

bool VaultSession::isMasterPassword(const QString& typed) {
    return core_.isMasterPassword(Typed(typed).secret());
}

bool VaultSession::newMasterPassword() const {
    return Typed(master_).secret().text != core_.master();
}

vault::Failure VaultSession::load(const QString& password) {
    auto loaded = core_.load(Typed(password).secret());
    if (!loaded) {
        return loaded.error();
    }
    readFrom_ = entries_->nextId();
    entries_->replaceAll(std::move(*loaded));
    noteReadOnly();
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
    const auto kept = core_.create(Typed(master).secret());
    if (!kept) {
        return kept.error();
    }
    master_ = master;
    const std::size_t shown = kept->size();
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
    noteReadOnly();
    return std::nullopt;
}

void VaultSession::noteReadOnly() {
    readOnly_ = QString::fromStdString(core_.readOnlyNotice());
}

VaultSession::Outcome VaultSession::change(const std::function<Outcome()>& apply) {
    ReloadOutcome reloaded;
    Outcome outcome;
    const Typed master(master_);
    switch (core_.change(
        master.secret(),
        [&] {
            reloaded = readAgain();
            return reloaded.result == Reload::Reloaded;
        },
        [&] { outcome = apply(); })) {
    case vault::Session::Refusal::None:
        return outcome;
    case vault::Session::Refusal::NotReadAgain:
        setStatus(QStringLiteral("Not saved."));
        return {reloaded.result == Reload::Failed ? Stored::NotSaved : Stored::NewMasterPassword, reloaded.error};
    case vault::Session::Refusal::ReadOnly:
        setStatus(QStringLiteral("Not saved."));
        return {Stored::ReadOnly};
    case vault::Session::Refusal::NewMasterPassword:
        // The file's master password is not the one this run was opened with: it must be typed first.
        setStatus(QStringLiteral("Not saved."));
        return {Stored::NewMasterPassword};
    case vault::Session::Refusal::Busy:
        // Another program is writing the file: the change is taken back, and what was typed stays for
        // another try in a moment.
        setStatus(QStringLiteral("Not saved."));
        return {Stored::NotSaved, core_.lockFailure()};
    }
    return outcome;
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
    bool agreed = false;
    core_.letGoWhile([&] { agreed = conflictQuestion_ && conflictQuestion_({removal, changedAt != 0, was}); });
    if (!agreed) {
        setStatus(QStringLiteral("Not saved."));
        return {Stored::Declined};
    }
    return yes(changedAt);
}

VaultSession::Outcome VaultSession::add(const ListEntry& entry) {
    return change([&] { return insertNow(entry); });
}

VaultSession::Outcome VaultSession::insertNow(const ListEntry& entry) {
    if (vault::Session::full(static_cast<std::size_t>(entries_->count()))) {
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

VaultSession::Outcome VaultSession::written(vault::Session::Saved saved) {
    if (saved) {
        return {Stored::Saved};
    }
    if (saved.written) {
        setStatus(QStringLiteral("Not saved."));
    }
    return {Stored::NotSaved, std::move(saved.error)};
}

VaultSession::Outcome VaultSession::changeForm(std::optional<vault::SealKey> key) {
    const bool sealing = key.has_value();
    if (auto refused = core_.formRefusal(sealing)) {
        return {Stored::NotSaved, std::move(refused)};
    }
    if (newMasterPassword()) {
        setStatus(QStringLiteral("Not saved."));
        return {Stored::NewMasterPassword};
    }
    Outcome outcome = written(core_.changeForm(std::move(key)));
    if (outcome.saved()) {
        setStatus(sealing ? QStringLiteral("Sealed: the file opens only with the master password.  Data saved.")
                          : QStringLiteral("Unsealed: the file is no longer encrypted.  Data saved."));
    }
    return outcome;
}

VaultSession::Outcome VaultSession::changeMasterPassword(const QString& master, std::optional<vault::SealKey> key) {
    if (core_.readOnly() || newMasterPassword()) {
        setStatus(QStringLiteral("Not saved."));
        return {core_.readOnly() ? Stored::ReadOnly : Stored::NewMasterPassword};
    }
    entries_->prepareWalk();
    Outcome outcome = written(core_.changeMasterPassword(
        Typed(master).secret(), static_cast<std::size_t>(entries_->count()), displayOrder(), std::move(key)));
    if (outcome.saved()) {
        master_ = master;
        setStatus(QStringLiteral("Master password changed.  Data saved."));
    }
    return outcome;
}

VaultSession::Outcome VaultSession::write(std::size_t count, const vault::EntrySource& row) {
    return written(core_.save(Typed(master_).secret(), count, row));
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
    return core_.look() != vault::Session::FileNow::AsRead;
}

VaultSession::ReloadOutcome VaultSession::reload() {
    if (!core_.changedSinceRead()) {
        return {Reload::Unchanged};
    }
    ReloadOutcome outcome = readAgain();
    if (outcome.result == Reload::Failed) {
        core_.markUnreadable();
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
            core_.forgetMaster();
            readFrom_ = entries_->nextId();
            entries_->clear();
            return {Reload::NewMasterPassword};
        }
        return {Reload::Failed, std::move(failed)};
    }
    if (newMasterPassword()) {
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

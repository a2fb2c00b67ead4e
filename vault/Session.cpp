#include "Session.h"

#include <cstdint>
#include <string.h>
#include <utility>

namespace vault {
namespace {

// Each try reads what the writer that slipped in wrote; one that keeps writing is let be after a few.
constexpr int kTries = 3;

void Wipe(std::string& text) {
    ::explicit_bzero(text.data(), text.size());
    text.clear();
}

} // namespace

Session::Session(std::string path, Holder holder, FileOps& files)
    : path_(std::move(path)), holder_(holder), files_(files) {}

Session::~Session() {
    Wipe(stored_);
}

Failure Session::refuseMissing() const {
    // The companion never makes a vault: the window's first run does, with its master password.
    if (holder_ == Holder::Companion && KindOfPath(path_) == PathKind::Missing) {
        return VaultError{"Could not open", path_, "there is no vault there yet; start Keyshelf once to make one"};
    }
    return std::nullopt;
}

void Session::remember(FileStamp stamp) {
    stamp_ = stamp;
    stampKnown_ = true;
}

void Session::takeMaster(std::string& master) {
    Wipe(stored_);
    stored_.assign(master);
    ::explicit_bzero(master.data(), master.size());
}

void Session::keepMaster(std::string_view master) {
    // `master` may be the one held already.
    std::string next(master);
    Wipe(stored_);
    stored_.swap(next);
}

void Session::forgetMaster() {
    sealed_ = true;
    seal_.reset();
    Wipe(stored_);
}

Result<Session::Gate> Session::open() {
    if (auto missing = refuseMissing()) {
        return *missing;
    }
    // Saves killed half-way (a crash, a power cut) leave their temporary copies behind: scrambled
    // passwords that nothing else would ever remove.
    RemoveStaleTemporaries(path_, kStaleTemporarySeconds);
    // Taken before reading: a write that lands while we read then shows as a change, never the reverse.
    openedAt_ = StampOf(path_);
    firstLoad_ = true;
    // The master line is read only from a file of a vault's size: a larger one is refused before any of
    // it is read.
    auto start = ReadVaultStart(path_, files_);
    if (!start) {
        return start.error();
    }
    sealed_ = start->seal.has_value();
    seal_.reset();
    takeMaster(start->master);
    if (!stored_.empty() || sealed_) {
        return Gate::Enter;
    }
    if (holder_ == Holder::Companion) {
        return VaultError{"Could not open", path_, "it has no master password yet; start Keyshelf once to make one"};
    }
    return Gate::Create;
}

bool Session::isMasterPassword(Secret typed) {
    sealFailure_.reset();
    if (!sealed_ || seal_) {
        return !stored_.empty() && typed.text == stored_;
    }
    // Sealed, and not opened yet (or sealed anew elsewhere): only the seal can say. The file is looked at
    // again, since it may have changed since the last look.
    if (auto missing = refuseMissing()) {
        sealFailure_ = std::move(missing);
        return false;
    }
    auto start = ReadVaultStart(path_, files_);
    if (!start) {
        sealFailure_ = start.error();
        return false;
    }
    if (!start->seal) {
        sealed_ = false;
        takeMaster(start->master);
        return !stored_.empty() && typed.text == stored_;
    }
    if (auto failed = OpenSeal(*start->seal, typed.text, seal_, path_)) {
        if (!failed->wrongPassword) {
            sealFailure_ = std::move(failed);
        }
        return false;
    }
    keepMaster(typed.text);
    return true;
}

Result<EntryTable> Session::load(Secret password) {
    if (auto missing = refuseMissing()) {
        return *missing;
    }
    auto loaded = LoadVault(path_, kMaxEntries, files_, password.text, seal_);
    if (!loaded) {
        return loaded.error();
    }
    const bool first = std::exchange(firstLoad_, false);
    if (holder_ == Holder::Companion && first) {
        // keyshelf-cli changes only the file it asked the password for: one another program wrote while
        // the password was typed is not shown under it when its master password is another, and no
        // change is saved over it (its stamp is the one taken when the vault was opened).
        if (loaded->master != password.text) {
            Wipe(loaded->master);
            return VaultError{"Could not open", path_,
                              "another program changed it while the master password was asked for; nothing was read"};
        }
        loaded->stamp = openedAt_;
    }
    sealed_ = loaded->sealed;
    takeMaster(loaded->master);
    remember(loaded->stamp);
    unreadable_ = {};
    total_ = loaded->total;
    return std::move(loaded->entries);
}

Result<std::vector<Entry>> Session::create(Secret master) {
    auto kept = WriteMasterPassword(path_, master, files_);
    if (!kept) {
        return kept.error();
    }
    keepMaster(master.text);
    sealed_ = false;
    seal_.reset();
    remember(StampOf(path_));
    total_ = kept->size();
    // The list holds the first kMaxEntries; the others stay in the file, which nothing may then change.
    if (readOnly()) {
        kept->resize(static_cast<std::size_t>(kMaxEntries));
    }
    return kept;
}

bool Session::full(std::size_t count) {
    return count >= static_cast<std::size_t>(kMaxEntries);
}

bool Session::readOnly() const {
    return total_ > static_cast<std::size_t>(kMaxEntries);
}

// The entries hold what the format allows; a save would write only those and lose the rest.
std::string Session::readOnlyNotice() const {
    if (!readOnly()) {
        return {};
    }
    const std::string most = Grouped(kMaxEntries);
    return path_ + " holds " + Grouped(total_) + " entries, more than the " + most + " Keyshelf can show.  The first " +
           most + " are shown, and no change can be saved, so that none of the others is lost.";
}

Failure Session::unchangeable() const {
    if (!readOnly()) {
        return std::nullopt;
    }
    return VaultError{"Could not change", path_,
                      "it holds " + std::to_string(total_) + " entries, more than the " + Grouped(kMaxEntries) +
                          " Keyshelf can show, so no change is saved, so that none of the others is lost"};
}

std::string Session::partlyReadNotice() const {
    if (!readOnly()) {
        return {};
    }
    const std::string most = Grouped(kMaxEntries);
    return path_ + " holds " + std::to_string(total_) + " entries, more than the " + most +
           " Keyshelf can show: only the first " + most + " are read";
}

Session::FileNow Session::look() const {
    if (!stampKnown_) {
        return FileNow::AsRead;
    }
    const FileStamp now = StampOf(path_);
    if (now == stamp_) {
        return FileNow::AsRead;
    }
    return now.exists ? FileNow::Changed : FileNow::Gone;
}

bool Session::changedSinceRead() const {
    if (!stampKnown_) {
        return false;
    }
    looked_ = StampOf(path_);
    // Gone (moved away, or about to be replaced): the entries stay, and the next save writes them.
    return looked_.exists && looked_ != stamp_ && !(unreadable_.exists && looked_ == unreadable_);
}

void Session::markUnreadable() {
    unreadable_ = looked_;
}

std::string Session::stampText(std::size_t digits) const {
    std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
    for (const unsigned long long value :
         {stamp_.device, stamp_.inode, static_cast<unsigned long long>(stamp_.size),
          static_cast<unsigned long long>(stamp_.modifiedNs), static_cast<unsigned long long>(stamp_.changedNs)}) {
        for (int byte = 0; byte < 8; ++byte) {
            hash ^= (value >> (8 * byte)) & 0xFF;
            hash *= 1099511628211ULL;
        }
    }
    constexpr char kHex[] = "0123456789abcdef";
    std::string text(digits, '0');
    for (std::size_t i = 0; i < digits && i < 16; ++i) {
        text[i] = kHex[(hash >> (60 - 4 * i)) & 0xF];
    }
    return text;
}

Session::Refusal Session::change(Secret master, const std::function<bool()>& readAgain,
                                 const std::function<void()>& apply) {
    for (int tries = 1;; ++tries) {
        // A file that is gone (moved away, or about to be replaced) is written anew from the entries; an
        // unreadable one is never written over, nor a new master password with the old one.
        if (!readOnly() && stored_ == master.text && look() == FileNow::Changed && !readAgain()) {
            return Refusal::NotReadAgain;
        }
        if (readOnly()) {
            return Refusal::ReadOnly;
        }
        if (stored_ != master.text) {
            return Refusal::NewMasterPassword;
        }
        overtaken_ = false;
        apply();
        if (!overtaken_ || tries == kTries) {
            return Refusal::None;
        }
    }
}

Failure Session::overtaken(const char* doing) const {
    if (holder_ == Holder::Companion) {
        return VaultError{"Could not save", path_,
                          "another program changed it while keyshelf-cli was changing it; nothing was saved"};
    }
    // Unlike an entry's change, which is made to the file as it is now, these write the whole file anew:
    // nothing is written, the list reloads within a second, and the person can look at it before trying
    // again.
    return VaultError{doing, path_,
                      "another program changed it since Keyshelf last read it, so nothing was changed.  Try again "
                      "once the list has been read again"};
}

Session::Saved Session::save(Secret master, std::size_t count, const EntrySource& entry) {
    if (auto refused = unchangeable()) {
        return {std::move(refused), false};
    }
    const FileNow now = look();
    if (now == FileNow::Changed || (now == FileNow::Gone && holder_ == Holder::Companion)) {
        // Written by another program since it was read: the window reads it again and tries anew.
        overtaken_ = true;
        if (holder_ == Holder::Companion) {
            return {overtaken("Could not save"), true};
        }
        return {VaultError{"Could not save", path_, "another program kept changing it; please try again"}, true};
    }
    if (sealed_ && !seal_) {
        // Never written in the plain form for want of the key that seals it.
        return {VaultError{"Could not save", path_, "it is sealed, and its master password has not been typed"}, false};
    }
    if (auto failed = SaveVault(path_, master, count, entry, TextForm::CodePage, files_, seal())) {
        return {std::move(failed), true};
    }
    keepMaster(master.text);
    remember(StampOf(path_));
    return {};
}

Session::Saved Session::changeMasterPassword(Secret master, std::size_t count, const EntrySource& entry,
                                             std::optional<SealKey> key) {
    const char* const doing = "Could not change the master password of";
    if (auto refused = unchangeable()) {
        return {std::move(refused), true};
    }
    if (look() != FileNow::AsRead) {
        return {overtaken(doing), true};
    }
    if (sealed_ && !key) {
        return {VaultError{doing, path_, "no key was made to seal it with; nothing was changed"}, false};
    }
    if (!sealed_) {
        key.reset();
    }
    if (auto failed = SaveVault(path_, master, count, entry, TextForm::CodePage, files_, key ? &*key : nullptr)) {
        return {std::move(failed), true};
    }
    keepMaster(master.text);
    if (sealed_) {
        seal_ = std::move(key);
    }
    remember(StampOf(path_));
    return {};
}

Failure Session::formRefusal(bool sealing) const {
    if (sealing == sealed_) {
        return VaultError{sealing ? "Could not seal" : "Could not unseal", path_,
                          sealing ? "it is sealed already" : "it is not sealed"};
    }
    return std::nullopt;
}

Result<std::string> Session::plainBytes() {
    auto bytes = ReadWholeFile(path_, kMaxVaultBytes, files_);
    if (bytes && sealed_) {
        auto header = ReadSealHeader(*bytes, path_);
        if (!header) {
            return header.error();
        }
        bytes = UnsealVault(std::move(*bytes), *header, stored_, seal_, path_);
    }
    return bytes;
}

Session::Saved Session::changeForm(std::optional<SealKey> key) {
    const bool sealing = key.has_value();
    const char* const doing = sealing ? "Could not seal" : "Could not unseal";
    if (auto refused = formRefusal(sealing)) {
        return {std::move(refused), false};
    }
    if (look() != FileNow::AsRead) {
        return {overtaken(doing), true};
    }
    auto bytes = plainBytes();
    if (!bytes) {
        return {bytes.error(), false};
    }
    // Read after the look above: a write that landed meanwhile shows now, before anything is replaced.
    if (look() != FileNow::AsRead) {
        Wipe(*bytes);
        return {overtaken(doing), true};
    }
    Failure failed = ReplaceVaultBytes(path_, *bytes, sealing ? &*key : nullptr, files_);
    Wipe(*bytes);
    if (failed) {
        return {std::move(failed), true};
    }
    sealed_ = sealing;
    seal_ = std::move(key);
    remember(StampOf(path_));
    return {};
}

Result<bool> Session::writesBackSame() {
    auto bytes = plainBytes();
    if (!bytes) {
        return bytes.error();
    }
    std::string master = ReadMasterLine(*bytes);
    std::size_t total = 0;
    auto entries = EntryTable::FromFile(std::string(*bytes), kMaxEntries, total);
    bool same = entries.has_value() && total == entries->size();
    std::size_t at = 0;
    if (same) {
        WriteVaultBytes(
            master, entries->size(),
            [&](std::size_t i) {
                const auto slot = static_cast<EntryTable::Slot>(i);
                return entries->fields(slot);
            },
            [&](std::string_view piece) {
                same = same && std::string_view(*bytes).substr(at, piece.size()) == piece;
                at += piece.size();
                return same;
            },
            TextForm::CodePage);
    }
    const bool result = same && at == bytes->size();
    Wipe(master);
    Wipe(*bytes);
    return result;
}

} // namespace vault

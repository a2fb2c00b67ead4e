#include "EntryStore.h"

#include "Cp1252.h"

#include <algorithm>
#include <numeric>

namespace {

// The user's locale; the plain "C" locale of a bare system has no collation of its own (it would order
// by character codes), so it orders as English does.
QLocale CollationLocale() {
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system;
}

} // namespace

QCollator EntryStore::MakeCollator() {
    QCollator collator(CollationLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    return collator;
}

QString EntryStore::FromCodePage(std::string_view bytes) {
    // The code page is Latin-1 but for 0x80-0x9F; converting as Latin-1 and mending those is fastest.
    QString text = QString::fromLatin1(QByteArrayView(bytes));
    QChar* out = nullptr;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b & 0xE0) == 0x80) {
            if (out == nullptr) {
                out = text.begin(); // detaches once, at the first character to mend
            }
            out[i] = QChar(static_cast<char16_t>(cp1252::ToUnicode(b)));
        }
    }
    return text;
}

std::string EntryStore::ToCodePage(QStringView text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            bytes.push_back(static_cast<char>(unit));
            continue;
        }
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // one character, outside the code page
            bytes.push_back('?');
            continue;
        }
        bytes.push_back(static_cast<char>(cp1252::FromUnicode(unit)));
    }
    return bytes;
}

EntryStore::EntryStore(QObject* parent) : QObject(parent) {}

std::size_t EntryStore::indexOf(int position) const {
    Q_ASSERT(has(position));
    return static_cast<std::size_t>(position - 1);
}

const QCollatorSortKey& EntryStore::keyOf(Slot slot, Field field) const {
    // Sized for every slot at once, so that a second call never moves the key the first returned.
    auto& keys = keys_[vault::IndexOf(field)];
    if (keys.size() < table_.slotCount()) {
        keys.resize(table_.slotCount());
    }
    std::optional<QCollatorSortKey>& key = keys[slot];
    if (!key) {
        if (!collator_) {
            // Made at the first sort, not at start-up: opening the locale's collation data takes time.
            collator_.emplace(MakeCollator());
        }
        key.emplace(collator_->sortKey(FromCodePage(table_.field(slot, field))));
    }
    return *key;
}

void EntryStore::forgetKey(Slot slot, Field field) const {
    auto& keys = keys_[vault::IndexOf(field)];
    if (slot < keys.size()) {
        keys[slot].reset();
    }
}

EntryStore::CodePageTexts EntryStore::ToCodePage(const ListEntry& item) {
    return vault::MapFields<std::string>(item, [](const QString& text) { return ToCodePage(text); });
}

void EntryStore::forgetKeys(Slot slot) const {
    for (auto& keys : keys_) {
        if (slot < keys.size()) {
            keys[slot].reset();
        }
    }
}

bool EntryStore::before(Slot a, Slot b) const {
    const int c = keyOf(a, sortKey_).compare(keyOf(b, sortKey_));
    return sortOrder_ == Ascending ? c < 0 : c > 0;
}

// Where the row in `slot` belongs among the rows, not counting the row at index `skip` (the row itself
// when it is being moved): after every row it does not come before, so equal texts keep their order.
std::size_t EntryStore::sortedPlace(Slot slot, std::size_t skip) const {
    std::size_t lo = 0;
    std::size_t hi = order_.size() - (skip < order_.size() ? 1 : 0);
    auto at = [&](std::size_t i) { return order_[i < skip ? i : i + 1]; };
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (before(slot, at(mid))) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

std::optional<EntryStore::Slot> EntryStore::addEntry(const vault::EntryTable::Fields& codePageTexts) {
    const std::optional<Slot> slot = table_.add(codePageTexts);
    if (!slot) {
        return std::nullopt;
    }
    if (ids_.size() <= *slot) {
        ids_.resize(table_.slotCount());
    }
    ids_[*slot] = nextId_++;
    forgetKeys(*slot);
    return slot;
}

// Takes back entries added to the table but not yet shown, when the rest of their batch was refused.
void EntryStore::dropEntries(const std::vector<Slot>& added) {
    for (const Slot slot : added) {
        table_.remove(slot);
    }
}

template <class FieldsOf> bool EntryStore::appendEntries(std::size_t n, const FieldsOf& fieldsOf) {
    // Into the table first and shown after, so that a refusal half-way leaves nothing to announce.
    std::vector<Slot> added;
    added.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::optional<Slot> slot = addEntry(fieldsOf(i));
        if (!slot) {
            dropEntries(added);
            return false;
        }
        added.push_back(*slot);
    }
    const int first = count();
    emit rowsAboutToBeInserted(first, first + static_cast<int>(added.size()) - 1);
    order_.insert(order_.end(), added.begin(), added.end());
    emit rowsInserted();
    if (sorted_) {
        sortRows();
    }
    return true;
}

bool EntryStore::addRows(const QList<ListEntry>& items) {
    if (items.isEmpty()) {
        return true;
    }
    CodePageTexts texts; // an entry's code-page texts, kept until the table has copied them
    return appendEntries(static_cast<std::size_t>(items.size()), [&](std::size_t i) {
        texts = ToCodePage(items[static_cast<qsizetype>(i)]);
        return vault::ViewOf(texts);
    });
}

bool EntryStore::addTable(vault::EntryTable&& table) {
    if (table.size() == 0) {
        return true;
    }
    if (!order_.empty()) {
        return appendEntries(table.slotCount(),
                             [&](std::size_t slot) { return table.fields(static_cast<Slot>(slot)); });
    }
    emit rowsAboutToBeInserted(0, static_cast<int>(table.size()) - 1);
    takeTable(std::move(table));
    emit rowsInserted();
    if (sorted_) {
        sortRows();
    }
    return true;
}

void EntryStore::takeTable(vault::EntryTable&& table) {
    table_ = std::move(table);
    for (auto& keys : keys_) {
        keys.clear();
    }
    order_.resize(table_.slotCount());
    std::iota(order_.begin(), order_.end(), Slot{0});
    ids_.resize(table_.slotCount());
    for (quint32& id : ids_) {
        id = nextId_++;
    }
}

void EntryStore::replaceAll(vault::EntryTable&& table) {
    emit aboutToBeReset();
    // The old texts are wiped as the old table goes.
    table_.clear();
    order_.clear();
    takeTable(std::move(table));
    if (sorted_) {
        sortRows(false);
    }
    emit reset();
}

void EntryStore::remove(int position) {
    if (!has(position)) {
        return;
    }
    const std::size_t index = indexOf(position);
    emit rowAboutToBeRemoved(static_cast<int>(index));
    const Slot slot = order_[index];
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(index));
    forgetKeys(slot);
    table_.remove(slot);
    emit rowRemoved();
}

void EntryStore::clear() {
    emit aboutToBeReset();
    table_.clear();
    order_.clear();
    ids_.clear();
    for (auto& keys : keys_) {
        keys.clear();
    }
    emit reset();
}

QString EntryStore::field(int position, Field field) const {
    if (!has(position)) {
        return {};
    }
    return FromCodePage(table_.field(slotAt(position), field));
}

std::string_view EntryStore::codePageField(int position, Field field) const {
    if (!has(position)) {
        return {};
    }
    return table_.field(slotAt(position), field);
}

vault::EntryTable::Fields EntryStore::codePageFields(int position) const {
    if (!has(position)) {
        return {};
    }
    return table_.fields(slotAt(position));
}

void EntryStore::prepareWalk() {
    // Counted in breaks of the slots' sequence: an entry added in the middle makes two, a sort thousands.
    std::size_t breaks = 0;
    for (std::size_t i = 1; i < order_.size(); ++i) {
        breaks += order_[i] != order_[i - 1] + 1 ? 1 : 0;
    }
    if (breaks <= order_.size() / 16) {
        return;
    }
    table_.reorder(order_);
    std::vector<quint32> ids(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) {
        ids[i] = ids_[order_[i]];
    }
    ids_ = std::move(ids);
    for (auto& keys : keys_) {
        if (keys.empty()) {
            continue;
        }
        std::vector<std::optional<QCollatorSortKey>> moved(order_.size());
        for (std::size_t i = 0; i < order_.size(); ++i) {
            if (order_[i] < keys.size()) {
                moved[i] = std::move(keys[order_[i]]);
            }
        }
        keys = std::move(moved);
    }
    std::iota(order_.begin(), order_.end(), Slot{0});
}

void EntryStore::prefetchAfter(int position) const {
    // The texts of an entry a few ahead, whose place came in earlier; the place of one further ahead.
    constexpr std::size_t kTexts = 24;
    constexpr std::size_t kPlace = 64;
    const std::size_t index = static_cast<std::size_t>(position);
    if (index + kPlace < order_.size()) {
        table_.prefetchEntry(order_[index + kPlace]);
    }
    if (index + kTexts < order_.size()) {
        table_.prefetchTexts(order_[index + kTexts]);
    }
}

ListEntry EntryStore::item(int position) const {
    if (!has(position)) {
        return {};
    }
    return vault::MapFields<QString>(table_.fields(slotAt(position)), &EntryStore::FromCodePage);
}

bool EntryStore::setField(int position, Field field, const QString& value) {
    if (!has(position)) {
        return false;
    }
    const std::size_t index = indexOf(position);
    const Slot slot = order_[index];
    if (!table_.setField(slot, field, ToCodePage(value))) {
        return false;
    }
    forgetKey(slot, field);
    emit fieldsChanged(static_cast<int>(index), field, field);
    if (sorted_ && field == sortKey_) {
        placeRow(index);
    }
    return true;
}

bool EntryStore::applyImport(const vault::ImportPlan& plan) {
    if (!plan.replacements.empty()) {
        std::vector<std::size_t> indexOfSlot(table_.slotCount());
        for (std::size_t index = 0; index < order_.size(); ++index) {
            indexOfSlot[order_[index]] = index;
        }
        for (const vault::ImportPlan::Replacement& r : plan.replacements) {
            if (r.slot >= indexOfSlot.size() || !table_.setField(r.slot, Field::Password, r.password)) {
                return false;
            }
            forgetKey(r.slot, Field::Password);
            const int row = static_cast<int>(indexOfSlot[r.slot]);
            emit fieldsChanged(row, Field::Password, Field::Password);
        }
    }
    const bool added = appendEntries(plan.additions.size(), [&plan](std::size_t i) { return plan.additions[i]; });
    if (sorted_ && sortKey_ == Field::Password && !plan.replacements.empty() && plan.additions.empty()) {
        sortRows(); // new passwords, in a list sorted by them (the additions sort it otherwise)
    }
    return added;
}

bool EntryStore::setItem(int position, const ListEntry& item) {
    if (!has(position)) {
        return false;
    }
    const std::size_t index = indexOf(position);
    const Slot slot = order_[index];
    const CodePageTexts texts = ToCodePage(item);
    if (!table_.setFields(slot, vault::ViewOf(texts))) {
        return false;
    }
    forgetKeys(slot);
    emit fieldsChanged(static_cast<int>(index), vault::kFields.front(), vault::kFields.back());
    if (sorted_) {
        placeRow(index);
    }
    return true;
}

int EntryStore::insert(int position, const ListEntry& item) {
    const std::optional<Slot> added = addEntry(vault::ViewOf(ToCodePage(item)));
    if (!added) {
        return 0;
    }
    const Slot slot = *added;
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(position, 1, count() + 1) - 1);
    const std::size_t place = sorted_ ? sortedPlace(slot, order_.size()) : wanted;
    emit rowsAboutToBeInserted(static_cast<int>(place), static_cast<int>(place));
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(place), slot);
    emit rowsInserted();
    return static_cast<int>(place) + 1;
}

// Moves the row at `index` to its sorted place; a row that still fits where it stands stays.
void EntryStore::placeRow(std::size_t index) {
    const bool fitsAfter = index == 0 || !before(order_[index], order_[index - 1]);
    const bool fitsBefore = index + 1 == order_.size() || !before(order_[index + 1], order_[index]);
    if (fitsAfter && fitsBefore) {
        return;
    }
    const std::size_t target = sortedPlace(order_[index], index);
    const int from = static_cast<int>(index);
    const int destination = static_cast<int>(target > index ? target + 1 : target);
    emit rowAboutToBeMoved(from, destination);
    const Slot slot = order_[index];
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(index));
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(target), slot);
    emit rowMoved();
}

std::vector<int> EntryStore::matches(const QString& text) const {
    std::vector<int> found;
    if (text.isEmpty()) {
        return found;
    }
    // The text as the store could hold it: a character outside the code page is kept as "?" here too.
    // The companion program finds by the same rule.
    const std::string wanted = ToCodePage(text);
    for (std::size_t index = 0; index < order_.size(); ++index) {
        const Slot slot = order_[index];
        for (const Field field : vault::kFields) {
            if (vault::Describe(field).identifies && cp1252::ContainsIgnoringCase(table_.field(slot, field), wanted)) {
                found.push_back(static_cast<int>(index) + 1);
                break;
            }
        }
    }
    return found;
}

int EntryStore::positionOfItem(const ListEntry& item, bool sameLogin) const {
    const CodePageTexts wanted = ToCodePage(item);
    const auto same = [&](Slot slot, bool identifying) {
        for (const Field field : vault::kFields) {
            if (vault::Describe(field).identifies == identifying && table_.field(slot, field) != wanted[field]) {
                return false;
            }
        }
        return true;
    };
    int login = 0;
    for (std::size_t index = 0; index < order_.size(); ++index) {
        const Slot slot = order_[index];
        if (!same(slot, true)) {
            continue;
        }
        if (same(slot, false)) {
            return static_cast<int>(index) + 1;
        }
        if (login == 0 && sameLogin) {
            login = static_cast<int>(index) + 1;
        }
    }
    return login;
}

quint64 EntryStore::rowId(int position) const {
    if (!has(position)) {
        return 0;
    }
    return ids_[order_[static_cast<std::size_t>(position - 1)]];
}

int EntryStore::positionOf(quint64 id) const {
    for (std::size_t i = 0; i < order_.size(); ++i) {
        if (ids_[order_[i]] == id) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

void EntryStore::setSorted(bool sorted) {
    if (sorted == sorted_) {
        return;
    }
    sorted_ = sorted;
    if (sorted_) {
        sortRows();
    }
}

void EntryStore::setSortKey(Field key) {
    if (key == sortKey_) {
        return;
    }
    sortKey_ = key;
    if (sorted_) {
        sortRows();
    }
}

void EntryStore::setSortOrder(int order) {
    if (order != Ascending && order != Descending) {
        return;
    }
    if (order == sortOrder_) {
        return;
    }
    sortOrder_ = order;
    if (sorted_) {
        sortRows();
    }
}

void EntryStore::sortRows(bool announce) {
    if (order_.size() < 2) {
        return;
    }
    if (announce) {
        emit aboutToBeReordered();
    }
    // The collator's sort keys make each comparison a plain byte comparison; the list keeps its keys,
    // so only the first sort by a column makes them. The sort works on a packed copy of the keys in
    // display order (a copy shares the key's bytes), so each comparison reads two neighbouring handles.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(order_.size());
    for (const Slot slot : order_) {
        keys.push_back(keyOf(slot, sortKey_));
    }
    std::vector<std::size_t> sortedIndex(order_.size());
    std::iota(sortedIndex.begin(), sortedIndex.end(), 0);
    const bool ascending = sortOrder_ == Ascending;
    std::stable_sort(sortedIndex.begin(), sortedIndex.end(), [&](std::size_t a, std::size_t b) {
        const int c = keys[a].compare(keys[b]);
        return ascending ? c < 0 : c > 0;
    });

    std::vector<int> newRowOf(order_.size());
    std::vector<Slot> sortedOrder(order_.size());
    for (std::size_t i = 0; i < sortedIndex.size(); ++i) {
        newRowOf[sortedIndex[i]] = static_cast<int>(i);
        sortedOrder[i] = order_[sortedIndex[i]];
    }
    order_ = std::move(sortedOrder);
    if (announce) {
        emit reordered(newRowOf);
    }
}

#include "EntryList.h"

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

QCollator EntryList::MakeCollator() {
    QCollator collator(CollationLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    return collator;
}

QString EntryList::FromCodePage(std::string_view bytes) {
    // The code page is Latin-1 but for 0x80-0x9F; converting as Latin-1 and mending those is fastest.
    QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QChar* out = nullptr;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b & 0xE0) == 0x80) {
            if (out == nullptr) {
                out = text.data();
            }
            out[i] = QChar(static_cast<char16_t>(cp1252::ToUnicode(b)));
        }
    }
    return text;
}

std::string EntryList::ToCodePage(QStringView text) {
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

EntryList::EntryList(QObject* parent) : QAbstractTableModel(parent) {}

void EntryList::addColumnHeader(const QString& text) {
    const int column = headerCount();
    beginInsertColumns(QModelIndex(), column, column);
    headers_.push_back(text);
    endInsertColumns();
}

QString EntryList::headerText(int number) const {
    if (number < 1 || number > headerCount()) {
        return {};
    }
    return headers_[static_cast<std::size_t>(number - 1)];
}

std::size_t EntryList::indexOf(int position) const {
    Q_ASSERT(has(position));
    return static_cast<std::size_t>(position - 1);
}

const QCollatorSortKey& EntryList::keyOf(Slot slot, int field) const {
    // Sized for every slot at once, so that a second call never moves the key the first returned.
    auto& keys = keys_[field];
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

void EntryList::forgetKeys(Slot slot) const {
    for (auto& keys : keys_) {
        if (slot < keys.size()) {
            keys[slot].reset();
        }
    }
}

bool EntryList::before(Slot a, Slot b) const {
    const int c = keyOf(a, sortKey_).compare(keyOf(b, sortKey_));
    return sortOrder_ == Ascending ? c < 0 : c > 0;
}

// Where the row in `slot` belongs among the rows, not counting the row at index `skip` (the row itself
// when it is being moved): after every row it does not come before, so equal texts keep their order.
std::size_t EntryList::sortedPlace(Slot slot, std::size_t skip) const {
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

EntryList::Slot EntryList::addEntry(const ListEntry& item) {
    const Slot slot = table_.add({ToCodePage(item.username), ToCodePage(item.password), ToCodePage(item.location)});
    if (ids_.size() <= slot) {
        ids_.resize(table_.slotCount());
    }
    ids_[slot] = nextId_++;
    forgetKeys(slot);
    return slot;
}

int EntryList::add(const QString& text) {
    return insert(count() + 1, ListEntry{text, QString(), QString()});
}

void EntryList::addRows(const QList<ListEntry>& items) {
    if (items.isEmpty()) {
        return;
    }
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(items.size()) - 1);
    order_.reserve(order_.size() + static_cast<std::size_t>(items.size()));
    for (const ListEntry& item : items) {
        order_.push_back(addEntry(item));
    }
    endInsertRows();
    if (sorted_) {
        sortRows();
    }
}

void EntryList::addTable(vault::EntryTable&& table) {
    if (table.size() == 0) {
        return;
    }
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(table.size()) - 1);
    if (order_.empty()) {
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
    } else {
        for (Slot slot = 0; slot < table.slotCount(); ++slot) {
            const Slot added = table_.add({table.field(slot, 0), table.field(slot, 1), table.field(slot, 2)});
            if (ids_.size() <= added) {
                ids_.resize(table_.slotCount());
            }
            ids_[added] = nextId_++;
            forgetKeys(added);
            order_.push_back(added);
        }
    }
    endInsertRows();
    if (sorted_) {
        sortRows();
    }
}

void EntryList::remove(int position) {
    if (!has(position)) {
        return;
    }
    const std::size_t index = indexOf(position);
    beginRemoveRows(QModelIndex(), static_cast<int>(index), static_cast<int>(index));
    const Slot slot = order_[index];
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(index));
    forgetKeys(slot);
    table_.remove(slot);
    endRemoveRows();
}

void EntryList::clear() {
    beginResetModel();
    table_.clear();
    order_.clear();
    ids_.clear();
    for (auto& keys : keys_) {
        keys.clear();
    }
    endResetModel();
}

QString EntryList::field(int position, int field) const {
    if (field < 0 || field >= kFields || !has(position)) {
        return {};
    }
    return FromCodePage(table_.field(slotAt(position), field));
}

std::string_view EntryList::codePageField(int position, int field) const {
    if (field < 0 || field >= kFields || !has(position)) {
        return {};
    }
    return table_.field(slotAt(position), field);
}

ListEntry EntryList::item(int position) const {
    if (!has(position)) {
        return {};
    }
    const Slot slot = slotAt(position);
    return {FromCodePage(table_.field(slot, 0)), FromCodePage(table_.field(slot, 1)),
            FromCodePage(table_.field(slot, 2))};
}

void EntryList::setField(int position, int field, const QString& value) {
    if (field < 0 || field >= kFields || !has(position)) {
        return;
    }
    const std::size_t index = indexOf(position);
    const Slot slot = order_[index];
    table_.setField(slot, field, ToCodePage(value));
    if (slot < keys_[field].size()) {
        keys_[field][slot].reset();
    }
    const QModelIndex changed = this->index(static_cast<int>(index), field);
    if (field < columnCount()) {
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
    if (sorted_ && field == sortKey_) {
        placeRow(index);
    }
}

void EntryList::setItem(int position, const ListEntry& item) {
    if (!has(position)) {
        return;
    }
    const std::size_t index = indexOf(position);
    const Slot slot = order_[index];
    const QString* texts[kFields] = {&item.username, &item.password, &item.location};
    for (int f = 0; f < kFields; ++f) {
        table_.setField(slot, f, ToCodePage(*texts[f]));
    }
    forgetKeys(slot);
    if (columnCount() > 0) {
        emit dataChanged(this->index(static_cast<int>(index), 0),
                         this->index(static_cast<int>(index), columnCount() - 1), {Qt::DisplayRole});
    }
    if (sorted_) {
        placeRow(index);
    }
}

int EntryList::insert(int position, const ListEntry& item) {
    const Slot slot = addEntry(item);
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(position, 1, count() + 1) - 1);
    const std::size_t place = sorted_ ? sortedPlace(slot, order_.size()) : wanted;
    beginInsertRows(QModelIndex(), static_cast<int>(place), static_cast<int>(place));
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(place), slot);
    endInsertRows();
    return static_cast<int>(place) + 1;
}

// Moves the row at `index` to its sorted place; a row that still fits where it stands stays.
void EntryList::placeRow(std::size_t index) {
    const bool fitsAfter = index == 0 || !before(order_[index], order_[index - 1]);
    const bool fitsBefore = index + 1 == order_.size() || !before(order_[index + 1], order_[index]);
    if (fitsAfter && fitsBefore) {
        return;
    }
    const std::size_t target = sortedPlace(order_[index], index);
    const int from = static_cast<int>(index);
    const int destination = static_cast<int>(target > index ? target + 1 : target);
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), destination);
    const Slot slot = order_[index];
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(index));
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(target), slot);
    endMoveRows();
}

std::vector<int> EntryList::matches(const QString& text) const {
    std::vector<int> found;
    if (text.isEmpty()) {
        return found;
    }
    // The text as the list could hold it: a character outside the code page is kept as "?" here too.
    const QString wanted = FromCodePage(ToCodePage(text));
    for (std::size_t index = 0; index < order_.size(); ++index) {
        const Slot slot = order_[index];
        for (const int field : {0, 2}) {
            if (FromCodePage(table_.field(slot, field)).contains(wanted, Qt::CaseInsensitive)) {
                found.push_back(static_cast<int>(index) + 1);
                break;
            }
        }
    }
    return found;
}

quint64 EntryList::rowId(int position) const {
    if (!has(position)) {
        return 0;
    }
    return ids_[order_[static_cast<std::size_t>(position - 1)]];
}

int EntryList::positionOf(quint64 id) const {
    for (std::size_t i = 0; i < order_.size(); ++i) {
        if (ids_[order_[i]] == id) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

void EntryList::setSorted(bool sorted) {
    if (sorted == sorted_) {
        return;
    }
    sorted_ = sorted;
    if (sorted_) {
        sortRows();
    }
}

void EntryList::setSortKey(int key) {
    if (key < 0 || key >= kFields) {
        return;
    }
    if (key == sortKey_) {
        return;
    }
    sortKey_ = key;
    if (sorted_) {
        sortRows();
    }
}

void EntryList::setSortOrder(int order) {
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

void EntryList::sortRows() {
    if (order_.size() < 2) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
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

    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex& index : persistent) {
        moved.append(this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column()));
    }
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int EntryList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int EntryList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : headerCount();
}

QVariant EntryList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || index.column() >= kFields) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        // A cell shows the start of a very long text; laying out megabytes would stall the window.
        constexpr std::size_t kShown = 1000;
        const std::string_view text = table_.field(order_[static_cast<std::size_t>(index.row())], index.column());
        return text.size() > kShown ? FromCodePage(text.substr(0, kShown)) + QChar(0x2026) : FromCodePage(text);
    }
    return {};
}

QVariant EntryList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headerCount()) {
        return headers_[static_cast<std::size_t>(section)];
    }
    return {};
}

Qt::ItemFlags EntryList::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

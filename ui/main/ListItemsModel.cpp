#include "ListItemsModel.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace {

// The user's locale; the plain "C" locale of a bare system has no collation of its own (it would order
// by character codes), so it orders as English does.
QLocale CollationLocale() {
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system;
}

} // namespace

QCollator ListItemsModel::MakeCollator() {
    QCollator collator(CollationLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    return collator;
}

ListItemsModel::ListItemsModel(QObject* parent) : QAbstractTableModel(parent), collator_(MakeCollator()) {}

void ListItemsModel::addColumnHeader(const QString& text) {
    const int column = headerCount();
    beginInsertColumns(QModelIndex(), column, column);
    headers_.push_back(text);
    endInsertColumns();
}

QString ListItemsModel::headerText(int number) const {
    if (number < 1 || number > headerCount()) {
        throw std::out_of_range("no such column header");
    }
    return headers_[static_cast<std::size_t>(number - 1)];
}

std::size_t ListItemsModel::indexOf(int position) const {
    if (position < 1 || position > count()) {
        throw std::out_of_range("no row at this position");
    }
    return static_cast<std::size_t>(position - 1);
}

const QCollatorSortKey& ListItemsModel::keyOf(const Row& row, int field) const {
    std::optional<QCollatorSortKey>& key = row.keys[field];
    if (!key) {
        key.emplace(collator_.sortKey(row.fields[field]));
    }
    return *key;
}

bool ListItemsModel::before(const Row& a, const Row& b) const {
    const int c = keyOf(a, sortKey_).compare(keyOf(b, sortKey_));
    return sortOrder_ == Ascending ? c < 0 : c > 0;
}

// Where `row` belongs among the rows, not counting the row at index `skip` (the row itself when it is
// being moved): after every row it does not come before, so equal texts keep their order.
std::size_t ListItemsModel::sortedPlace(const Row& row, std::size_t skip) const {
    std::size_t lo = 0;
    std::size_t hi = rows_.size() - (skip < rows_.size() ? 1 : 0);
    auto at = [&](std::size_t i) -> const Row& { return *rows_[i < skip ? i : i + 1]; };
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (before(row, at(mid))) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

int ListItemsModel::add(const QString& text) {
    auto row = std::make_unique<Row>(Row{nextId_++, {text, QString(), QString()}, {}});
    const std::size_t place = sorted_ ? sortedPlace(*row, rows_.size()) : rows_.size();
    const int index = static_cast<int>(place);
    beginInsertRows(QModelIndex(), index, index);
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(place), std::move(row));
    endInsertRows();
    return index + 1;
}

void ListItemsModel::addRows(const QList<ListItem>& items) {
    if (items.isEmpty()) {
        return;
    }
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(items.size()) - 1);
    rows_.reserve(rows_.size() + static_cast<std::size_t>(items.size()));
    for (const ListItem& item : items) {
        rows_.push_back(std::make_unique<Row>(Row{nextId_++, {item.text, item.sub1, item.sub2}, {}}));
    }
    endInsertRows();
    if (sorted_) {
        sortRows();
    }
}

void ListItemsModel::remove(int position) {
    const std::size_t index = indexOf(position);
    beginRemoveRows(QModelIndex(), static_cast<int>(index), static_cast<int>(index));
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    endRemoveRows();
}

void ListItemsModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

QString ListItemsModel::field(int position, int field) const {
    if (field < 0 || field >= kFields) {
        throw std::out_of_range("no such sub-item");
    }
    return rows_[indexOf(position)]->fields[field];
}

QStringView ListItemsModel::fieldView(int position, int field) const {
    return rows_[indexOf(position)]->fields[field];
}

ListItem ListItemsModel::item(int position) const {
    const Row& row = *rows_[indexOf(position)];
    return {row.fields[0], row.fields[1], row.fields[2]};
}

void ListItemsModel::setField(int position, int field, const QString& value) {
    if (field < 0 || field >= kFields) {
        throw std::out_of_range("no such sub-item");
    }
    const std::size_t index = indexOf(position);
    rows_[index]->fields[field] = value;
    rows_[index]->keys[field].reset();
    const QModelIndex changed = this->index(static_cast<int>(index), field);
    if (field < columnCount()) {
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
    if (sorted_ && field == sortKey_) {
        placeRow(index);
    }
}

void ListItemsModel::setItem(int position, const ListItem& item) {
    const std::size_t index = indexOf(position);
    Row& row = *rows_[index];
    row.fields[0] = item.text;
    row.fields[1] = item.sub1;
    row.fields[2] = item.sub2;
    for (auto& key : row.keys) {
        key.reset();
    }
    if (columnCount() > 0) {
        emit dataChanged(this->index(static_cast<int>(index), 0),
                         this->index(static_cast<int>(index), columnCount() - 1), {Qt::DisplayRole});
    }
    if (sorted_) {
        placeRow(index);
    }
}

int ListItemsModel::insert(int position, const ListItem& item) {
    auto row = std::make_unique<Row>(Row{nextId_++, {item.text, item.sub1, item.sub2}, {}});
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(position, 1, count() + 1) - 1);
    const std::size_t place = sorted_ ? sortedPlace(*row, rows_.size()) : wanted;
    beginInsertRows(QModelIndex(), static_cast<int>(place), static_cast<int>(place));
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(place), std::move(row));
    endInsertRows();
    return static_cast<int>(place) + 1;
}

// Moves the row at `index` to its sorted place; a row that still fits where it stands stays.
void ListItemsModel::placeRow(std::size_t index) {
    const bool fitsAfter = index == 0 || !before(*rows_[index], *rows_[index - 1]);
    const bool fitsBefore = index + 1 == rows_.size() || !before(*rows_[index + 1], *rows_[index]);
    if (fitsAfter && fitsBefore) {
        return;
    }
    const std::size_t target = sortedPlace(*rows_[index], index);
    const int from = static_cast<int>(index);
    const int destination = static_cast<int>(target > index ? target + 1 : target);
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), destination);
    RowPtr row = std::move(rows_[index]);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(target), std::move(row));
    endMoveRows();
}

quint64 ListItemsModel::rowId(int position) const {
    if (position < 1 || position > count()) {
        return 0;
    }
    return rows_[static_cast<std::size_t>(position - 1)]->id;
}

int ListItemsModel::positionOf(quint64 id) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i]->id == id) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

void ListItemsModel::setSorted(bool sorted) {
    if (sorted == sorted_) {
        return;
    }
    sorted_ = sorted;
    if (sorted_) {
        sortRows();
    }
}

void ListItemsModel::setSortKey(int key) {
    if (key < 0 || key >= kFields) {
        throw std::out_of_range("no such sort key");
    }
    if (key == sortKey_) {
        return;
    }
    sortKey_ = key;
    if (sorted_) {
        sortRows();
    }
}

void ListItemsModel::setSortOrder(int order) {
    if (order != Ascending && order != Descending) {
        throw std::out_of_range("no such sort order");
    }
    if (order == sortOrder_) {
        return;
    }
    sortOrder_ = order;
    if (sorted_) {
        sortRows();
    }
}

void ListItemsModel::sortRows() {
    if (rows_.size() < 2) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The collator's sort keys make each comparison a plain byte comparison; each row keeps its keys, so
    // only the first sort by a column makes them. The sort works on a packed copy of the keys (a copy
    // shares the key's bytes): comparing through the rows would reach into a scattered row for every
    // comparison.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows_.size());
    for (const RowPtr& row : rows_) {
        keys.push_back(keyOf(*row, sortKey_));
    }
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    const bool ascending = sortOrder_ == Ascending;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = keys[a].compare(keys[b]);
        return ascending ? c < 0 : c > 0;
    });

    std::vector<int> newRowOf(rows_.size());
    std::vector<RowPtr> sortedRows;
    sortedRows.reserve(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newRowOf[order[i]] = static_cast<int>(i);
        sortedRows.push_back(std::move(rows_[order[i]]));
    }
    rows_ = std::move(sortedRows);

    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex& index : persistent) {
        moved.append(this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column()));
    }
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ListItemsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int ListItemsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : headerCount();
}

QVariant ListItemsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || index.column() >= kFields) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        // A cell shows the start of a very long text; laying out megabytes would stall the window.
        constexpr qsizetype kShown = 1000;
        const QString& text = rows_[static_cast<std::size_t>(index.row())]->fields[index.column()];
        return text.size() > kShown ? text.left(kShown) + QChar(0x2026) : text;
    }
    return {};
}

QVariant ListItemsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headerCount()) {
        return headers_[static_cast<std::size_t>(section)];
    }
    return {};
}

Qt::ItemFlags ListItemsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

#include "EntryListModel.h"

EntryListModel::EntryListModel(EntryStore* store, QObject* parent) : QAbstractTableModel(parent), store_(store) {
    connect(store_, &EntryStore::rowsAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows(QModelIndex(), first, last); });
    connect(store_, &EntryStore::rowsInserted, this, [this] { endInsertRows(); });
    connect(store_, &EntryStore::rowAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows(QModelIndex(), row, row); });
    connect(store_, &EntryStore::rowRemoved, this, [this] { endRemoveRows(); });
    connect(store_, &EntryStore::rowAboutToBeMoved, this,
            [this](int row, int destination) { beginMoveRows(QModelIndex(), row, row, QModelIndex(), destination); });
    connect(store_, &EntryStore::rowMoved, this, [this] { endMoveRows(); });
    connect(store_, &EntryStore::fieldsChanged, this, [this](int row, vault::Field firstField, vault::Field lastField) {
        int first = columnCount();
        int last = -1;
        for (std::size_t i = vault::IndexOf(firstField); i <= vault::IndexOf(lastField); ++i) {
            const int column = columnOf(vault::kFields[i]);
            if (column >= 0 && column < columnCount()) {
                first = std::min(first, column);
                last = std::max(last, column);
            }
        }
        if (first <= last) {
            emit dataChanged(index(row, first), index(row, last), {Qt::DisplayRole});
        }
    });
    connect(store_, &EntryStore::aboutToBeReset, this, [this] { beginResetModel(); });
    connect(store_, &EntryStore::reset, this, [this] { endResetModel(); });
    connect(store_, &EntryStore::aboutToBeReordered, this,
            [this] { emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint); });
    connect(store_, &EntryStore::reordered, this, &EntryListModel::followReorder);
}

std::optional<vault::Field> EntryListModel::fieldAt(int column) {
    for (const vault::Field field : vault::kFields) {
        if (!vault::Describe(field).header.empty() && column-- == 0) {
            return field;
        }
    }
    return std::nullopt;
}

int EntryListModel::columnOf(vault::Field field) {
    if (vault::Describe(field).header.empty()) {
        return -1;
    }
    int column = 0;
    for (const vault::Field before : vault::kFields) {
        if (before == field) {
            break;
        }
        column += vault::Describe(before).header.empty() ? 0 : 1;
    }
    return column;
}

void EntryListModel::followReorder(const std::vector<int>& newRowOf) {
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex& index : persistent) {
        moved.append(this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column()));
    }
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void EntryListModel::addColumnHeader(const QString& text) {
    const int column = headerCount();
    beginInsertColumns(QModelIndex(), column, column);
    headers_.push_back(text);
    endInsertColumns();
}

QString EntryListModel::headerText(int number) const {
    if (number < 1 || number > headerCount()) {
        return {};
    }
    return headers_[static_cast<std::size_t>(number - 1)];
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : store_->count();
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : headerCount();
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    const std::optional<vault::Field> field = fieldAt(index.column());
    if (!index.isValid() || index.row() >= store_->count() || !field) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        // A cell shows the start of a very long text; laying out megabytes would stall the window.
        constexpr std::size_t kShown = 1000;
        const std::string_view text = store_->codePageField(index.row() + 1, *field);
        return text.size() > kShown ? EntryStore::FromCodePage(text.substr(0, kShown)) + QChar(0x2026)
                                    : EntryStore::FromCodePage(text);
    }
    return {};
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headerCount()) {
        return headers_[static_cast<std::size_t>(section)];
    }
    return {};
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// The list's table model over the run's entries: a column per header added, a row per entry in the
// store's display order. The columns show the fields that have a column header, in their order. It holds
// no entry itself; it follows the store's changes as they happen.
#pragma once

#include "EntryStore.h"

#include <QAbstractTableModel>
#include <optional>
#include <vector>

class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit EntryListModel(EntryStore* store, QObject* parent = nullptr);

    EntryStore* store() const { return store_; }

    // The field a column shows (0-based), none past the last; the column of a field, -1 for one the list
    // does not show.
    static std::optional<vault::Field> fieldAt(int column);
    static int columnOf(vault::Field field);

    // Column headers, left to right in the order added.
    void addColumnHeader(const QString& text);
    int headerCount() const { return static_cast<int>(headers_.size()); }
    QString headerText(int number) const; // 1-based

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void followReorder(const std::vector<int>& newRowOf);

    EntryStore* store_;
    std::vector<QString> headers_;
};

// The rows of a list view: each row has a text (the first column) and sub-items 1 and 2, addressed by
// 1-based position in display order. While the sorted flag is set the rows stay ordered by the key
// column's text, compared the way a person expects (locale-aware, letter case ignored).
#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <optional>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

struct ListItem {
    QString text;
    QString sub1;
    QString sub2;
};

class ListItemsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The number of texts a row holds: its own text and two sub-items.
    static constexpr int kFields = 3;
    enum SortOrder { Ascending = 0, Descending = 1 };

    explicit ListItemsModel(QObject* parent = nullptr);

    // The collator every list orders its rows with: the user's locale, letter case ignored.
    static QCollator MakeCollator();

    // Column headers, left to right in the order added.
    void addColumnHeader(const QString& text);
    int headerCount() const { return static_cast<int>(headers_.size()); }
    QString headerText(int number) const; // 1-based

    int count() const { return static_cast<int>(rows_.size()); }
    // Adds a row and returns its position: the end, or its sorted place while the list is sorted.
    int add(const QString& text);
    // Adds many rows at once (loading a vault); they keep their order unless the list is sorted.
    void addRows(const QList<ListItem>& items);
    void remove(int position);
    // Puts a row back at a position (undoing a removal); while the list is sorted it goes to its sorted
    // place instead. Returns where it went.
    int insert(int position, const ListItem& item);
    void clear();

    // `field` 0 is the row's text, 1 and 2 its sub-items.
    QString field(int position, int field) const;
    void setField(int position, int field, const QString& value);
    // Replaces all three texts of a row at once; a sorted list moves the row to its new place.
    void setItem(int position, const ListItem& item);
    QString text(int position) const { return field(position, 0); }
    QString subItem(int position, int index) const { return field(position, index); }
    ListItem item(int position) const;
    // A row's text without a copy, for walking every row (a save); valid until the row changes.
    QStringView fieldView(int position, int field) const;

    // A number that stays with a row while rows around it move, are sorted or removed; 0 for no row.
    quint64 rowId(int position) const;
    // The current position of the row with that id, or 0 when it has been removed.
    int positionOf(quint64 id) const;

    bool sorted() const { return sorted_; }
    int sortKey() const { return sortKey_; }
    int sortOrder() const { return sortOrder_; }
    void setSorted(bool sorted);
    void setSortKey(int key);
    void setSortOrder(int order);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Row {
        quint64 id;
        QString fields[kFields];
        // Each field's collation key, made the first time the list is sorted by that field and dropped
        // when the field changes: a header click sorts keys it already has.
        mutable std::optional<QCollatorSortKey> keys[kFields];
    };
    // Rows are held by pointer: a sort or an insertion moves pointers, never the texts and keys (a
    // collation key has no move constructor, so moving a row by value would copy its keys).
    using RowPtr = std::unique_ptr<Row>;

    const QCollatorSortKey& keyOf(const Row& row, int field) const;
    bool before(const Row& a, const Row& b) const;
    std::size_t sortedPlace(const Row& row, std::size_t skip) const;
    void sortRows();
    void placeRow(std::size_t index);
    std::size_t indexOf(int position) const;

    std::vector<QString> headers_;
    std::vector<RowPtr> rows_;
    quint64 nextId_ = 1;
    bool sorted_ = false;
    int sortKey_ = 0;
    int sortOrder_ = Ascending;
    QCollator collator_;
};

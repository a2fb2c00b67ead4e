// The rows of a list view: each row has a text (the first column) and sub-items 1 and 2, addressed by
// 1-based position in display order. While the sorted flag is set the rows stay ordered by the key
// column's text, compared the way a person expects (locale-aware, letter case ignored).
//
// The texts are kept in the vault's code page (Windows-1252, one byte a character) in an entry table,
// so a loaded vault is shown straight from the bytes read from the file; a text is made for the screen
// only when a row is painted or asked for. Characters outside the code page are kept as "?", as the
// file would keep them.
#pragma once

#include "EntryTable.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <optional>
#include <QList>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

// One entry as the list shows it: the row's text and its two sub-items.
struct ListEntry {
    QString username;
    QString password;
    QString location;
};

class EntryList : public QAbstractTableModel {
    Q_OBJECT
public:
    // The number of texts a row holds: its own text and two sub-items.
    static constexpr int kFields = vault::EntryTable::kFields;
    enum SortOrder { Ascending = 0, Descending = 1 };

    explicit EntryList(QObject* parent = nullptr);

    // The collator every list orders its rows with: the user's locale, letter case ignored.
    static QCollator MakeCollator();
    // Code-page text to a string and back; a character outside the code page becomes "?".
    static QString FromCodePage(std::string_view bytes);
    static std::string ToCodePage(QStringView text);

    // Column headers, left to right in the order added.
    void addColumnHeader(const QString& text);
    int headerCount() const { return static_cast<int>(headers_.size()); }
    QString headerText(int number) const; // 1-based

    int count() const { return static_cast<int>(order_.size()); }
    // Whether a row stands at `position`. Asked for a row, a field or a setting that is not there, the
    // list answers with an empty text (or id 0) and changes nothing.
    bool has(int position) const { return position >= 1 && position <= count(); }
    // Adds a row and returns its position: the end, or its sorted place while the list is sorted.
    int add(const QString& text);
    // Adds many rows at once; they keep their order unless the list is sorted.
    void addRows(const QList<ListEntry>& items);
    // Adds every entry of a table (a loaded vault) in its slot order; an empty list takes the table over
    // without copying a text.
    void addTable(vault::EntryTable&& table);
    void remove(int position);
    // Puts a row back at a position (undoing a removal); while the list is sorted it goes to its sorted
    // place instead. Returns where it went.
    int insert(int position, const ListEntry& item);
    void clear();

    // `field` 0 is the row's text, 1 and 2 its sub-items.
    QString field(int position, int field) const;
    void setField(int position, int field, const QString& value);
    // Replaces all three texts of a row at once; a sorted list moves the row to its new place.
    void setItem(int position, const ListEntry& item);
    QString text(int position) const { return field(position, 0); }
    QString subItem(int position, int index) const { return field(position, index); }
    ListEntry item(int position) const;
    // A row's text in the code page without a copy, for walking every row (a save); valid until the
    // list next changes.
    std::string_view codePageField(int position, int field) const;

    // The positions, in display order, of the rows whose username or location holds `text`, letter case
    // ignored. Nothing for an empty text.
    std::vector<int> matches(const QString& text) const;

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
    using Slot = vault::EntryTable::Slot;

    const QCollatorSortKey& keyOf(Slot slot, int field) const;
    void forgetKeys(Slot slot) const;
    bool before(Slot a, Slot b) const;
    std::size_t sortedPlace(Slot slot, std::size_t skip) const;
    void sortRows();
    void placeRow(std::size_t index);
    std::size_t indexOf(int position) const;
    Slot slotAt(int position) const { return order_[indexOf(position)]; }
    Slot addEntry(const ListEntry& item);

    std::vector<QString> headers_;
    vault::EntryTable table_;
    // The slots of the rows in display order: sorting moves these and nothing else.
    std::vector<Slot> order_;
    // By slot: the row's id, and each field's collation key, made the first time the list is sorted by
    // that field and dropped when the field changes, so a header click sorts keys it already has.
    std::vector<quint32> ids_;
    mutable std::vector<std::optional<QCollatorSortKey>> keys_[kFields];
    quint32 nextId_ = 1;
    bool sorted_ = false;
    int sortKey_ = 0;
    int sortOrder_ = Ascending;
    mutable std::optional<QCollator> collator_;
};

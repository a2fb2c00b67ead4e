// The entries of a run, in display order: each entry has a username, a password and a location,
// addressed by 1-based position. While the sorted flag is set the entries stay ordered by the key field's
// text, compared the way a person expects (locale-aware, letter case ignored).
//
// The texts are kept in the vault's code page (Windows-1252, one byte a character) in an entry table,
// so a loaded vault is shown straight from the bytes read from the file; a text is made for the screen
// only when it is asked for. Characters outside the code page are kept as "?", as the file would keep
// them.
//
// A change the entry table cannot hold (texts past its 4 GiB) is refused: it returns so, and the store
// stays as it was and signals nothing.
//
// The store shows nothing itself: a view's model follows it through the signals below, which come in
// pairs around each change, as Qt's item models need them.
#pragma once

#include "CsvImport.h"
#include "EntryTable.h"

#include <QCollator>
#include <QList>
#include <QObject>
#include <QString>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One entry's texts.
using ListEntry = vault::FieldValues<QString>;

class EntryStore : public QObject {
    Q_OBJECT
public:
    using Slot = vault::EntryTable::Slot;
    using Field = vault::Field;
    enum SortOrder { Ascending = 0, Descending = 1 };

    explicit EntryStore(QObject* parent = nullptr);

    // The collator every list orders its entries with: the user's locale, letter case ignored.
    static QCollator MakeCollator();
    // Code-page text to a string and back; a character outside the code page becomes "?".
    static QString FromCodePage(std::string_view bytes);
    static std::string ToCodePage(QStringView text);

    int count() const { return static_cast<int>(order_.size()); }
    // Whether an entry stands at `position`. Asked for an entry, a field or a setting that is not there,
    // the store answers with an empty text (or id 0) and changes nothing.
    bool has(int position) const { return position >= 1 && position <= count(); }
    // Adds an entry at a position (the end when past it), or at its sorted place while the store is
    // sorted. Returns where it went, or 0 when it was refused.
    [[nodiscard]] int insert(int position, const ListEntry& item);
    // Adds many entries at once; they keep their order unless the store is sorted. All or none: false
    // when they were refused.
    [[nodiscard]] bool addRows(const QList<ListEntry>& items);
    // Adds every entry of a table (a loaded vault) in its slot order; an empty store takes the table over
    // without copying a text. All or none, as addRows.
    [[nodiscard]] bool addTable(vault::EntryTable&& table);
    // Replaces every entry with those of a table (a vault read again), keeping the sort settings.
    void replaceAll(vault::EntryTable&& table);
    void remove(int position);
    void clear();

    QString field(int position, Field field) const;
    // False when nothing changed: no such entry, or the text was refused.
    [[nodiscard]] bool setField(int position, Field field, const QString& value);
    // Replaces all the texts at once; a sorted store moves the entry to its new place. False as
    // setField.
    [[nodiscard]] bool setItem(int position, const ListEntry& item);
    ListEntry item(int position) const;
    // A text in the code page without a copy, for walking every entry (a save); valid until the store
    // next changes.
    std::string_view codePageField(int position, Field field) const;
    // All the texts of an entry in the code page, as codePageField gives them; empty for no entry.
    vault::EntryTable::Fields codePageFields(int position) const;
    // Before a walk over every entry in display order (a save): once sorting has scattered the entries
    // over memory, lays them out again in display order, so that the walk reads memory front to back.
    // Positions, ids and texts stay as they are.
    void prepareWalk();
    // During such a walk: asks memory for the entries a little after `position`.
    void prefetchAfter(int position) const;

    // The positions, in display order, of the entries a field of which that names them (the username, the
    // location) holds `text`, letter case ignored. Nothing for an empty text.
    std::vector<int> matches(const QString& text) const;
    // The table the entries lie in, and the slot of the entry at a position: for planning an import.
    const vault::EntryTable& table() const { return table_; }
    Slot slotAt(int position) const { return order_[indexOf(position)]; }
    // Takes in an import the file already holds: the new passwords, then the additions at the end (at their
    // places while sorted). False when the texts would not fit; the additions are then left out.
    [[nodiscard]] bool applyImport(const vault::ImportPlan& plan);
    // The first position holding exactly these texts; else, when `sameLogin`, the first alike in the
    // fields that name it, the username and location (the same login with a new password); else 0.
    int positionOfItem(const ListEntry& item, bool sameLogin = false) const;

    // A number that stays with an entry while entries around it move, are sorted or removed; 0 for none.
    quint64 rowId(int position) const;
    // The current position of the entry with that id, or 0 when it has been removed.
    int positionOf(quint64 id) const;
    // The id the next entry added gets: every id given before it is smaller.
    quint64 nextId() const { return nextId_; }

    bool sorted() const { return sorted_; }
    Field sortKey() const { return sortKey_; }
    int sortOrder() const { return sortOrder_; }
    void setSorted(bool sorted);
    void setSortKey(Field key);
    void setSortOrder(int order);

signals:
    // Rows are 0-based here, as a model counts them.
    void rowsAboutToBeInserted(int first, int last);
    void rowsInserted();
    void rowAboutToBeRemoved(int row);
    void rowRemoved();
    // `destination` is the row the moved one goes before, counted before the move.
    void rowAboutToBeMoved(int row, int destination);
    void rowMoved();
    void fieldsChanged(int row, vault::Field firstField, vault::Field lastField);
    void aboutToBeReset();
    void reset();
    // Every row may move; `newRowOf[old row]` is where each one went.
    void aboutToBeReordered();
    void reordered(const std::vector<int>& newRowOf);

private:
    using CodePageTexts = vault::FieldValues<std::string>;
    static CodePageTexts ToCodePage(const ListEntry& item);
    const QCollatorSortKey& keyOf(Slot slot, Field field) const;
    void forgetKey(Slot slot, Field field) const;
    void forgetKeys(Slot slot) const;
    bool before(Slot a, Slot b) const;
    std::size_t sortedPlace(Slot slot, std::size_t skip) const;
    void sortRows(bool announce = true);
    void placeRow(std::size_t index);
    std::size_t indexOf(int position) const;
    std::optional<Slot> addEntry(const vault::EntryTable::Fields& codePageTexts);
    void dropEntries(const std::vector<Slot>& added);
    // Adds `n` entries at the end, the i-th with the texts fieldsOf(i) gives: all of them, or none.
    template <class FieldsOf> bool appendEntries(std::size_t n, const FieldsOf& fieldsOf);
    void takeTable(vault::EntryTable&& table);

    vault::EntryTable table_;
    // The slots of the entries in display order: sorting moves these and nothing else.
    std::vector<Slot> order_;
    // By slot: the entry's id, and each field's collation key, made the first time the store is sorted by
    // that field and dropped when the field changes, so a header click sorts keys it already has.
    std::vector<quint32> ids_;
    mutable std::array<std::vector<std::optional<QCollatorSortKey>>, vault::kFieldCount> keys_; // by IndexOf
    quint32 nextId_ = 1;
    bool sorted_ = false;
    Field sortKey_ = vault::kFields.front();
    int sortOrder_ = Ascending;
    mutable std::optional<QCollator> collator_;
};

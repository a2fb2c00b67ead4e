// The list view of the main window in report view: column headers, rows with a text and two
// sub-items, selection, the sort settings and the column-click event. Column widths are in twips; the
// list's own place and size go through the window builder's twips geometry like every control's.
#pragma once

#include "EntryListModel.h"

#include <QTreeView>

class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    // The entries the list shows; it shows nothing until given them, and they are not its own.
    void setEntries(EntryStore* entries);
    EntryStore* entries() const { return entries_; }
    EntryListModel* entryModel() const { return model_; }

    // Column headers.
    void addColumnHeader(const QString& text, int widthTwips);
    int columnHeaderCount() const { return model_->headerCount(); }
    int columnHeaderWidth(int number) const; // twips, 1-based
    void setColumnHeaderWidth(int number, int widthTwips);

    // Rows, 1-based in display order.
    int count() const { return entries_->count(); }
    // Where the row went; 0 when it was too long to hold.
    int add(const QString& text);
    void remove(int position) { entries_->remove(position); }
    // A row's text is its first column's; its sub-items are those of the columns after it.
    QString text(int position) const { return subItem(position, 0); }
    QString subItem(int position, int index) const;
    // Whether the text was taken: not for a row or column that is not there, nor one too long to hold.
    bool setText(int position, const QString& text);
    bool setSubItem(int position, int index, const QString& text);
    bool selected(int position) const;
    void setSelected(int position, bool selected);
    // The first selected row scanning from the top, or 0 when none is selected.
    int firstSelected() const;
    // The row of the current cell, or 0.
    int currentPosition() const;
    // Selects that row alone, makes it current and scrolls it into view.
    void selectOnly(int position);

    // Sort settings: while sorted, rows stay ordered by the key column (0 the text, 1 on the sub-items) in
    // the order (0 ascending, 1 descending).
    bool sorted() const { return entries_->sorted(); }
    void setSorted(bool sorted) { entries_->setSorted(sorted); }
    int sortKey() const { return EntryListModel::columnOf(entries_->sortKey()); }
    void setSortKey(int column);
    int sortOrder() const { return entries_->sortOrder(); }
    void setSortOrder(int order) { entries_->setSortOrder(order); }

signals:
    // A column header was clicked; `number` counts from 1.
    void columnClicked(int number);
    // The keys and the double click of a list of entries, as file managers have them. The list itself
    // never copies a text: Ctrl+C and Ctrl+Insert ask for the copy of a field (the current cell's, the
    // first column's when there is none), so that every copy goes through the one command that marks it
    // and clears it.
    void copyRequested(vault::Field field);
    void deleteRequested(); // Delete
    void editRequested();   // Enter, or a double click on a row

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Left and Right move the current cell along its row (Ctrl+C copies that cell's field).
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    // A username or location cut short shows its whole text in a tooltip.
    bool viewportEvent(QEvent* event) override;

private:
    EntryStore* entries_ = nullptr;
    EntryListModel* model_ = nullptr;
};

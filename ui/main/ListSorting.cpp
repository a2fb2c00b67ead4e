#include "ListSorting.h"

#include "ListView.h"

namespace listSorting {

bool SortByColumn(ListView* list, int header) {
    if (list == nullptr) {
        return false;
    }
    if (list->count() < 1) {
        return true;
    }
    if (header < 1 || header > list->columnHeaderCount() || !EntryListModel::fieldAt(header - 1)) {
        return false;
    }
    EntryStore* items = list->entries();
    // Key and direction first, then the flag, so that the rows are put in order once.
    items->setSorted(false);
    list->setSortKey(header - 1);
    items->setSortOrder(items->sortOrder() == EntryStore::Ascending ? EntryStore::Descending : EntryStore::Ascending);
    items->setSorted(true);
    return true;
}

} // namespace listSorting

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
    if (header < 1 || header > list->columnHeaderCount() || header > EntryStore::kFields) {
        return false;
    }
    EntryStore* items = list->entries();
    // Key and direction first, then the flag, so that the rows are put in order once.
    items->setSorted(false);
    items->setSortKey(header - 1);
    items->setSortOrder(items->sortOrder() == EntryStore::Ascending ? EntryStore::Descending : EntryStore::Ascending);
    items->setSorted(true);
    return true;
}

} // namespace listSorting

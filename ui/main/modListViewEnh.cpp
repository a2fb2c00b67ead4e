#include "modListViewEnh.h"

#include "ListView.h"

namespace modListViewEnh {

bool EnhListView_SortColumns(ListView* list, int header) {
    if (list == nullptr) {
        return false;
    }
    if (list->count() < 1) {
        return true;
    }
    if (header < 1 || header > list->columnHeaderCount() || header > ListItemsModel::kFields) {
        return false;
    }
    ListItemsModel* items = list->items();
    // Key and direction first, then the flag, so that the rows are put in order once.
    items->setSorted(false);
    items->setSortKey(header - 1);
    items->setSortOrder(items->sortOrder() == ListItemsModel::Ascending ? ListItemsModel::Descending
                                                                        : ListItemsModel::Ascending);
    items->setSorted(true);
    return true;
}

} // namespace modListViewEnh

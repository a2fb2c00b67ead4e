// Sorting a list view by the column whose header was clicked.
#pragma once

class ListView;

namespace listSorting {

// Switches the list's own sorting on, makes column `header` (1 for the first) the key and flips the one
// direction of the whole list. An empty list is left as it is. False when the header does not exist;
// nothing is changed then.
bool SortByColumn(ListView* list, int header);

} // namespace listSorting

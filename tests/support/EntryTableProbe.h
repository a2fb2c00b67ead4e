// What a test reads of an entry table that the table keeps to itself: its block of texts whole, used or
// not, as a look at the program's memory would find it.
#pragma once

#include "EntryTable.h"

#include <string_view>

namespace vault {

class EntryTableProbe {
public:
    static std::string_view block(const EntryTable& table) { return table.block_; }
};

} // namespace vault

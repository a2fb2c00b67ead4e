// The entries a command names: those `ls` lists, and the one ENTRY (with --with-username and
// --with-location) names for show, edit and rm; and how both are written out.
#pragma once

#include "Arguments.h"
#include "Opened.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

using Slot = vault::EntryTable::Slot;

// "3\talice\texample.com\n": one line of `ls`.
void AppendListLine(std::string& out, const vault::EntryTable& entries, Slot slot);
// "3 (alice, example.com)": an entry as the messages name it.
std::string Named(const vault::EntryTable& entries, Slot slot);

// The entries `ls` lists: all, or those holding its TEXT, then those with the exact fields given.
std::vector<Slot> Listed(const Opened& vault, const Arguments& arguments);
// The one entry ENTRY (a number from `ls`, or a text only it holds) and the exact fields name together.
// Several are listed on standard output, and none is taken; nothing, the reason told, otherwise.
std::optional<Slot> Resolve(const Opened& vault, const Arguments& arguments);
// The one entry an edit or a removal names, in a vault that may be changed; nothing, the reason told,
// otherwise.
std::optional<Slot> EntryToChange(const Opened& vault, const Arguments& arguments);

} // namespace cli

// What may be stored, in the words the user is told: the rules of the entry editor and of the dialog that
// makes a new master password, shared by the window and the command-line companion so that both refuse
// the same texts with the same message.
#pragma once

#include "VaultFormat.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vault {

// The shortest master password the create dialog accepts, in characters.
inline constexpr std::size_t kMinMasterLength = 4;

// The first reason an entry's fields (UTF-8) cannot be stored, or "" when they can: an empty username or
// password, then the first field CheckStorable refuses or that holds a line break, named as the editor
// labels it. The editor, keyshelf-cli's add and edit, and the import all refuse by it, so that every entry
// in the list can be edited and saved again.
std::string EntryRefusal(const EntryView& entry);

// What is wrong with a new master password typed twice (UTF-8), in the order the create dialog checks.
enum class MasterRefusal { None, TooShort, Mismatch, Unstorable };
MasterRefusal CheckNewMaster(std::string_view typed, std::string_view again);
// The message for a refusal; "" for None.
std::string_view MasterRefusalText(MasterRefusal refusal);

// Said when an entry is to be added to a list that already holds kMaxEntries.
inline constexpr std::string_view kListFullText =
    "The list is full: the password file holds at most 32,767 entries.  Delete an entry before adding another.";

} // namespace vault

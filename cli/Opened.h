// The vault as keyshelf-cli's commands have it: the vault session that opened and unlocked it, and the
// entries it read, in file order, in slots 0, 1, 2, ... Read whole once, and written back at most once,
// in the form the file had, only when no other program has written the file since it was read.
#pragma once

#include "Console.h"
#include "EntryTable.h"
#include "Session.h"

#include <string>
#include <vector>

namespace cli {

struct Opened {
    explicit Opened(const std::string& path) : session(path, vault::Holder::Companion) {}

    vault::Session session;
    vault::EntryTable entries;

    const std::string& path() const { return session.path(); }
    std::size_t count() const { return entries.size(); }
    // The entries as read, for handing to save with changes.
    std::vector<vault::EntryView> rows() const;
    // Replaces the file with its own master password and `rows` (code-page texts).
    vault::Failure save(const std::vector<vault::EntryView>& rows);
};

// Opens the vault and asks for its master password: three tries at a terminal, one line from a script.
vault::Failure Unlock(Opened& vault, Console& console);

} // namespace cli

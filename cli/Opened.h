// The vault as keyshelf-cli's commands have it: the vault session that opened and unlocked it, and the
// entries it read, in file order, in slots 0, 1, 2, ... Read whole once, and written back at most once, in
// the form the file had. A change is made under the writer lock to the file as it is then: read again
// first when another program wrote it since, so that what that program wrote stays.
#pragma once

#include "Console.h"
#include "EntryTable.h"
#include "Session.h"

#include <functional>
#include <optional>
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

    // Changes the entries as the file holds them now, under the writer lock, and saves them: `edit` is
    // handed the rows (read again when another program wrote the file since) and changes them, or returns
    // why it cannot, and then nothing is saved. It may be handed rows more than once. Returns why the
    // change was not saved, as keyshelf-cli says it, or nothing.
    using Edit = std::function<std::string(std::vector<vault::EntryView>& rows)>;
    std::optional<std::string> change(const Edit& edit);
    // Where the entry that was `was` in `slot` stands in `rows`: there still, else the one entry of the
    // same texts; nothing when another program changed or deleted it (or it is there more than once).
    static std::optional<std::size_t> find(const std::vector<vault::EntryView>& rows, std::size_t slot,
                                           const vault::EntryView& was);
};

// Opens the vault and asks for its master password: three tries at a terminal, one line from a script.
vault::Failure Unlock(Opened& vault, Console& console);

} // namespace cli

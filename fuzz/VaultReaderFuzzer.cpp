// Any bytes in data.enc: reading never crashes, and what was read is written back so that it reads the
// same again (a save after a load never changes an entry) whenever its fields are ones Keyshelf would
// store. A file Keyshelf never writes can hold others, such as a password ending in "|" on a line
// without a third piece, which the next save cannot keep apart from its separator. The entry table the
// list is filled from reads the same entries, in the code page.
#include "Cp1252.h"
#include "EntryTable.h"
#include "VaultFormat.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string master = vault::ReadMasterLine(bytes);
    const std::vector<vault::Entry> entries = vault::ReadEntryLines(bytes);

    std::size_t total = 0;
    const std::optional<vault::EntryTable> table =
        vault::EntryTable::FromFile(std::string(bytes), entries.size(), total);
    if (!table || total != entries.size() || table->size() != entries.size()) {
        std::abort();
    }
    for (vault::EntryTable::Slot s = 0; s < table->slotCount(); ++s) {
        const vault::Entry& e = entries[s];
        if (cp1252::ToUtf8(table->field(s, vault::Field::Username)) != e.username ||
            cp1252::ToUtf8(table->field(s, vault::Field::Password)) != e.password ||
            cp1252::ToUtf8(table->field(s, vault::Field::Location)) != e.location) {
            std::abort();
        }
    }

    for (const vault::Entry& e : entries) {
        if (vault::CheckStorable(e.username, vault::Field::Username) != vault::Unstorable::None ||
            vault::CheckStorable(e.password, vault::Field::Password) != vault::Unstorable::None ||
            vault::CheckStorable(e.location, vault::Field::Location) != vault::Unstorable::None) {
            return 0;
        }
    }
    const std::string saved = vault::VaultBytes(master, entries);
    if (vault::ReadMasterLine(saved) != master || vault::ReadEntryLines(saved) != entries) {
        std::abort();
    }
    return 0;
}

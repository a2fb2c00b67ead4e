// Every entry the CSV import accepts can be stored: a vault saved with them reads back exactly, and the
// import's own export of them reads back as the same entries.
#include "Cp1252.h"
#include "CsvImport.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto file = vault::ReadImport(bytes, "fuzz.csv");
    if (!file) {
        return 0;
    }
    std::vector<vault::Entry> entries;
    std::vector<vault::Entry> codePage;
    for (const vault::ImportRow& row : file->rows) {
        const vault::Entry entry = file->entry(row);
        entries.push_back(entry);
        codePage.push_back(
            {cp1252::FromUtf8(entry.username), cp1252::FromUtf8(entry.password), cp1252::FromUtf8(entry.location)});
    }
    if (vault::ReadEntryLines(vault::VaultBytes("master", entries)) != entries) {
        std::abort();
    }
    const std::string exported = vault::ExportCsv(codePage.size(), [&codePage](std::size_t i) {
        return vault::EntryView{codePage[i].username, codePage[i].password, codePage[i].location};
    });
    const auto again = vault::ReadImport(exported, "export.csv");
    if (!again || again->rows.size() != entries.size() || !again->refusals.empty()) {
        std::abort();
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const vault::Entry back = again->entry(again->rows[i]);
        // The export names an entry by its location, which the import takes back when the url is empty.
        if (back.username != entries[i].username || back.password != entries[i].password ||
            back.location != entries[i].location) {
            std::abort();
        }
    }
    vault::EntryTable list;
    (void)vault::PlanImport(*file, list, true);
    return 0;
}

// Bringing entries in from a CSV export of a browser or another password manager: which program wrote the
// file (told by its header row), which of its rows can become entries, and what importing them would do to
// a list. The window and the command-line companion both import through these, so both take and refuse the
// same rows and report them in the same words.
#pragma once

#include "CsvReader.h"
#include "EntryTable.h"
#include "VaultError.h"
#include "VaultFormat.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vault {

// The programs whose exports are known by their header row, and any other file whose header names a
// username, a password and a url (or location, or website) column.
enum class CsvLayout { Firefox, Chrome, Bitwarden, KeePassXC, LastPass, ByColumnNames };

// How the report names a layout: "Firefox", "Chrome, Chromium, Edge, Brave or Keyshelf", ...
std::string LayoutName(CsvLayout layout);

// Every program whose export is known by its header row, browsers first: "Firefox, Chrome, ..., LastPass
// <last>Keyshelf".
std::string KnownPrograms(std::string_view last);

// The message for a file of no known layout, naming those it knows.
extern const std::string kUnknownLayoutText;

// A row that became an entry, and the line it starts on; its texts lie in the file's table.
struct ImportRow {
    std::size_t line = 0;
    FieldValues<csv::Span> fields;
};

// A column whose texts no entry keeps (notes, TOTP secrets, folders, anything else), and how many of the
// rows taken hold a value in it.
struct DroppedColumn {
    std::string name; // as the header row names it, or "column 7" when it names none
    std::size_t rows = 0;
    bool operator==(const DroppedColumn&) const = default;
};

// The file's rows, read by its layout: those that become entries, those refused with the entry editor's
// reason ("line 7: You must enter a username"), how many were records of another kind (notes, cards), and
// the columns whose values the entries leave behind, in the header's order.
struct ImportFile {
    CsvLayout layout = CsvLayout::ByColumnNames;
    bool readAsWindows1252 = false;
    std::vector<ImportRow> rows;
    std::vector<std::string> refusals;
    std::size_t otherKinds = 0;
    std::vector<DroppedColumn> dropped;
    csv::Table table; // the texts the rows name

    // A row's texts, UTF-8.
    EntryView view(const ImportRow& row) const {
        return MapFields<std::string_view>(row.fields, [this](const csv::Span& span) { return table.text_of(span); });
    }
    Entry entry(const ImportRow& row) const {
        return MapFields<std::string>(view(row), [](std::string_view text) { return std::string(text); });
    }
};

// Reads an export: refused before it is read when larger than a vault may be, refused when its layout is
// unknown or a quoted field never ends.
Result<ImportFile> ReadImportFile(const std::string& path);
// The same for bytes already read; `path` names them in errors.
Result<ImportFile> ReadImport(std::string_view bytes, const std::string& path);

// What importing the rows into a list would do. A row that is an entry of the list exactly (or an earlier
// row of the file) is skipped; a row with the username and location of an entry but another password is
// added beside it, or with `replacePasswords` gives that entry its password.
//
// Its code-page texts lie in a buffer of its own, which moves with it: a plan is moved, never copied.
struct ImportPlan {
    ImportPlan() = default;
    ImportPlan(ImportPlan&&) = default;
    ImportPlan& operator=(ImportPlan&&) = default;
    ImportPlan(const ImportPlan&) = delete;
    ImportPlan& operator=(const ImportPlan&) = delete;

    using Texts = EntryTable::Fields; // code page, in `text`
    std::vector<Texts> additions;     // in the file's order
    struct Replacement {
        EntryTable::Slot slot;
        std::string_view password; // code page, in `text`
    };
    std::vector<Replacement> replacements;
    std::size_t duplicates = 0;
    std::size_t besides = 0; // of the additions, those beside an entry of the same username and location
    // The list cannot hold the additions: how many more entries it has room for.
    bool tooMany = false;
    std::size_t room = 0;

    std::vector<char> text;
};
ImportPlan PlanImport(const ImportFile& file, const EntryTable& list, bool replacePasswords);

// The report of an import, one line each: the layout, the counts, every refusal and every column not
// kept. Passwords never appear in it.
std::vector<std::string> ImportReport(const ImportFile& file, const ImportPlan& plan, bool replacePasswords);
// What an import leaves in the file alone, in a phrase ("3 refused rows, 1 note or card and the values of
// the note column (15 rows)"), or "" when every row and value it holds goes into the list: said before the
// file is deleted.
std::string LeftOutText(const ImportFile& file);
// Said when the list cannot take them all.
std::string TooManyText(const ImportPlan& plan);

// Writes entries as a CSV file of the layout browsers and password managers import: a header
// "name,url,username,password", then a row per entry with its location as both name and url.
std::string ExportCsv(std::size_t count, const EntrySource& entry);

} // namespace vault

#include "CsvImport.h"

#include "AtomicFile.h"
#include "Cp1252.h"
#include "EntryRules.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>

namespace vault {
namespace {

// Where a layout keeps the texts of an entry: column numbers in the header, or none.
struct Columns {
    std::optional<std::size_t> username, password, url, name, kind;
};

std::string Lowered(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

class Header {
public:
    explicit Header(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            names_.push_back(Lowered(name));
        }
    }
    std::optional<std::size_t> find(std::string_view name) const {
        const auto it = std::find(names_.begin(), names_.end(), name);
        return it == names_.end() ? std::nullopt : std::optional<std::size_t>(it - names_.begin());
    }
    bool has(std::initializer_list<std::string_view> names) const {
        return std::all_of(names.begin(), names.end(), [this](std::string_view n) { return find(n).has_value(); });
    }

private:
    std::vector<std::string> names_;
};

// Where a layout keeps an entry's texts: for each, the column names it may have, the first found taken.
using Names = std::array<std::string_view, 3>;

// The layouts Keyshelf reads, in the order a header row is tried against them: each is told by the columns
// it names, all of them present, and needs a username, a password and a url column. The last, told by no
// column of its own, reads any file that names those three.
struct KnownLayout {
    CsvLayout layout;
    std::array<std::string_view, 4> programs; // whose exports have it
    bool browser;                             // browsers are named before password managers
    std::array<std::string_view, 6> header;   // the columns that tell it
    Names username, password, url, name, kind;
};

constexpr std::array<KnownLayout, 6> kLayouts{{
    {CsvLayout::Bitwarden,
     {"Bitwarden"},
     false,
     {"type", "name", "login_uri", "login_username", "login_password"},
     {"login_username"},
     {"login_password"},
     {"login_uri"},
     {"name"},
     {"type"}},
    {CsvLayout::KeePassXC,
     {"KeePassXC"},
     false,
     {"group", "title", "username", "password", "url"},
     {"username"},
     {"password"},
     {"url"},
     {"title"},
     {}},
    {CsvLayout::LastPass,
     {"LastPass"},
     false,
     {"url", "username", "password", "extra", "name", "grouping"},
     {"username"},
     {"password"},
     {"url"},
     {"name"},
     {}},
    {CsvLayout::Firefox,
     {"Firefox"},
     true,
     {"url", "username", "password", "httprealm"},
     {"username"},
     {"password"},
     {"url"},
     {},
     {}},
    {CsvLayout::Chrome,
     {"Chrome", "Chromium", "Edge", "Brave"},
     true,
     {"name", "url", "username", "password"},
     {"username"},
     {"password"},
     {"url"},
     {"name"},
     {}},
    {CsvLayout::ByColumnNames,
     {},
     false,
     {},
     {"username"},
     {"password"},
     {"url", "location", "website"},
     {"name", "title"},
     {}},
}};

// Keyshelf's own export, which it reads back, has this layout; it is named after the others.
constexpr CsvLayout kOwnLayout = CsvLayout::Chrome;
constexpr std::string_view kOwnName = "Keyshelf";

const KnownLayout& RuleOf(CsvLayout layout) {
    return *std::find_if(kLayouts.begin(), kLayouts.end(),
                         [layout](const KnownLayout& k) { return k.layout == layout; });
}

// "a, b, c<last>d"
std::string Listed(const std::vector<std::string_view>& names, std::string_view last) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += i == 0 ? "" : i + 1 == names.size() ? last : ", ";
        out += names[i];
    }
    return out;
}

std::vector<std::string_view> Named(const std::array<std::string_view, 4>& programs) {
    std::vector<std::string_view> out;
    std::copy_if(programs.begin(), programs.end(), std::back_inserter(out),
                 [](std::string_view p) { return !p.empty(); });
    return out;
}

std::optional<std::pair<CsvLayout, Columns>> Recognise(const Header& h) {
    const auto column = [&h](const Names& names) {
        std::optional<std::size_t> found;
        for (std::string_view name : names) {
            if (!found && !name.empty()) {
                found = h.find(name);
            }
        }
        return found;
    };
    for (const KnownLayout& known : kLayouts) {
        const bool told = std::all_of(known.header.begin(), known.header.end(),
                                      [&h](std::string_view name) { return name.empty() || h.find(name); });
        const Columns columns{column(known.username), column(known.password), column(known.url), column(known.name),
                              column(known.kind)};
        if (told && columns.username && columns.password && columns.url) {
            return {{known.layout, columns}};
        }
    }
    return std::nullopt;
}

bool Blank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// Whether `part` appears in `whole`, letter case ignored: a browser names a login by its site's host, which
// its URL holds, so that name is no text of the person's own that the import would lose.
bool HoldsIgnoringCase(std::string_view whole, std::string_view part) {
    const std::string w = Lowered(whole), p = Lowered(part);
    return w.find(p) != std::string::npos;
}

std::string LineText(std::size_t line) {
    return "line " + std::to_string(line);
}

} // namespace

std::string LayoutName(CsvLayout layout) {
    if (layout == CsvLayout::ByColumnNames) {
        return "columns named username, password and url";
    }
    std::vector<std::string_view> names = Named(RuleOf(layout).programs);
    if (layout == kOwnLayout) {
        names.push_back(kOwnName);
    }
    return Listed(names, " or ");
}

std::string KnownPrograms(std::string_view last) {
    std::vector<std::string_view> names;
    for (const bool browsers : {true, false}) {
        for (const KnownLayout& known : kLayouts) {
            if (known.browser == browsers) {
                const std::vector<std::string_view> programs = Named(known.programs);
                names.insert(names.end(), programs.begin(), programs.end());
            }
        }
    }
    names.push_back(kOwnName);
    return Listed(names, last);
}

namespace {

std::string UnknownLayoutText() {
    const Names& url = RuleOf(CsvLayout::ByColumnNames).url;
    return "Keyshelf does not know this file's layout. It imports the CSV exports of " + KnownPrograms(" and ") +
           ", and any CSV file whose first row names a username, a password and a " + std::string(url[0]) + " (or " +
           std::string(url[1]) + ", or " + std::string(url[2]) + ") column.";
}

} // namespace

const std::string kUnknownLayoutText = UnknownLayoutText();

Result<ImportFile> ReadImport(std::string_view bytes, const std::string& path) {
    Result<csv::Table> parsed = csv::Parse(bytes, path);
    if (!parsed) {
        return parsed.error();
    }
    ImportFile file;
    file.table = std::move(*parsed);
    const csv::Table& table = file.table;
    const auto recognised =
        table.records.empty() ? std::nullopt : Recognise(Header(table.fields(table.records.front())));
    if (!recognised) {
        return VaultError{"Could not import", path, std::string(kUnknownLayoutText)};
    }
    const CsvLayout layout = recognised->first;
    const Columns columns = recognised->second;
    file.layout = layout;
    file.readAsWindows1252 = table.readAsWindows1252;
    file.rows.reserve(table.records.size());

    const csv::Record& header = table.records.front();
    const csv::Span none{};
    std::vector<std::size_t> valued; // by column: how many rows taken hold a value the entry does not keep
    for (std::size_t r = 1; r < table.records.size(); ++r) {
        const csv::Record& record = table.records[r];
        auto span = [&](std::optional<std::size_t> column) {
            return column && *column < record.count ? table.spans[record.first + *column] : none;
        };
        auto text = [&](std::optional<std::size_t> column) { return table.text_of(span(column)); };
        if (columns.kind && Lowered(text(columns.kind)) != "login") {
            ++file.otherKinds; // a note, a card, an identity
            continue;
        }
        if (layout == CsvLayout::LastPass && text(columns.url) == "http://sn") {
            ++file.otherKinds; // LastPass's secure notes
            continue;
        }
        std::optional<std::size_t> locationColumn = columns.url;
        if (text(columns.url).empty() && columns.name) {
            locationColumn = columns.name;
        }
        // The editor's rules, so that every entry imported can be edited and saved as it is.
        const std::string refusal =
            EntryRefusal({text(columns.username), text(columns.password), text(locationColumn)});
        if (!refusal.empty()) {
            file.refusals.push_back(LineText(record.line) + ": " + refusal);
            continue;
        }
        // What the row holds beyond the entry's three texts: the columns the password file has no place for.
        const std::size_t width = std::max(record.count, header.count);
        if (valued.size() < width) {
            valued.resize(width, 0);
        }
        for (std::size_t c = 0; c < width; ++c) {
            if (c == columns.username || c == columns.password || c == columns.url || c == columns.kind ||
                c == locationColumn) {
                continue;
            }
            const std::string_view value = text(c);
            if (Blank(value) || (c == columns.name && HoldsIgnoringCase(text(columns.url), value))) {
                continue;
            }
            ++valued[c];
        }
        file.rows.push_back({record.line, {span(columns.username), span(columns.password), span(locationColumn)}});
    }
    for (std::size_t c = 0; c < valued.size(); ++c) {
        if (valued[c] > 0) {
            const std::string_view name = c < header.count ? table.field(header, c) : std::string_view{};
            file.dropped.push_back({Blank(name) ? "column " + std::to_string(c + 1) : std::string(name), valued[c]});
        }
    }
    return file;
}

Result<ImportFile> ReadImportFile(const std::string& path) {
    Result<std::string> bytes = ReadWholeFile(path, kMaxVaultBytes);
    if (!bytes) {
        VaultError error = bytes.error();
        if (error.tooLarge) {
            error.reason += "; no file that large is imported";
        }
        return error;
    }
    return ReadImport(*bytes, path);
}

namespace {

// An entry's texts, or the fields that name its login alone, as a key of the plan's tables.
using Key = EntryView;
std::size_t HashOf(const Key& k) {
    const std::hash<std::string_view> h;
    std::size_t hash = 0;
    for (const Field field : kFields) {
        hash = hash * 0x9E3779B97F4A7C15ull ^ h(k[field]);
    }
    return hash;
}
Key LoginOf(const EntryView& entry) {
    Key login;
    for (const Field field : kFields) {
        if (Describe(field).identifies) {
            login[field] = entry[field];
        }
    }
    return login;
}

// Keys and a number for each, in one open-addressing table sized once for all it will hold: a plan
// looks up tens of thousands of keys, and a node per key would cost more than the rest of the import.
class KeyTable {
public:
    explicit KeyTable(std::size_t most) {
        std::size_t capacity = 16;
        while (capacity < 2 * most) {
            capacity *= 2;
        }
        cells_.assign(capacity, kEmpty);
        items_.reserve(most);
    }
    // The number kept with `key`, inserting it with `value` first when it is not there yet; `inserted`
    // says which.
    std::uint32_t& find_or_insert(const Key& key, std::uint32_t value, bool& inserted) {
        const std::size_t hash = HashOf(key);
        const std::size_t mask = cells_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            if (cells_[i] == kEmpty) {
                cells_[i] = static_cast<std::uint32_t>(items_.size());
                items_.push_back({key, hash, value});
                inserted = true;
                return items_.back().value;
            }
            Item& item = items_[cells_[i]];
            if (item.hash == hash && item.key == key) {
                inserted = false;
                return item.value;
            }
        }
    }
    bool insert(const Key& key) {
        bool inserted = false;
        find_or_insert(key, 0, inserted);
        return inserted;
    }
    const std::uint32_t* find(const Key& key) const {
        const std::size_t hash = HashOf(key);
        const std::size_t mask = cells_.size() - 1;
        for (std::size_t i = hash & mask; cells_[i] != kEmpty; i = (i + 1) & mask) {
            const Item& item = items_[cells_[i]];
            if (item.hash == hash && item.key == key) {
                return &item.value;
            }
        }
        return nullptr;
    }

private:
    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    struct Item {
        Key key;
        std::size_t hash;
        std::uint32_t value;
    };
    std::vector<std::uint32_t> cells_;
    std::vector<Item> items_;
};

} // namespace

ImportPlan PlanImport(const ImportFile& file, const EntryTable& list, bool replacePasswords) {
    ImportPlan plan;
    // The rows' code-page texts: never longer than their UTF-8, so the buffer is sized once and the views
    // into it stay valid.
    std::size_t bytes = 0;
    for (const ImportRow& row : file.rows) {
        for (const Field field : kFields) {
            bytes += row.fields[field].length;
        }
    }
    plan.text.resize(bytes);
    std::size_t used = 0;
    auto codePage = [&](std::string_view utf8) {
        char* out = plan.text.data() + used;
        const std::size_t n = cp1252::FromUtf8Into(out, utf8);
        used += n;
        return std::string_view(out, n);
    };

    // Views into the list's table, which does not change while the plan is made, and into the plan's text.
    KeyTable entries(list.size() + file.rows.size());
    // Logins: of the list's entries, the slot of the first, marked once its password was replaced; of the
    // additions, no slot.
    constexpr std::uint32_t kAddition = UINT32_MAX;
    constexpr std::uint32_t kReplaced = 0x80000000u;
    KeyTable names(list.size() + file.rows.size());
    for (EntryTable::Slot slot = 0; slot < list.slotCount(); ++slot) {
        const EntryTable::Fields f = list.fields(slot);
        if (f == EntryTable::Fields{}) {
            continue; // a free slot; an entry of empty texts matches no row a file may bring
        }
        entries.insert(f);
        bool inserted = false;
        names.find_or_insert(LoginOf(f), slot, inserted);
    }
    plan.additions.reserve(file.rows.size());
    for (const ImportRow& row : file.rows) {
        const EntryTable::Fields texts = MapFields<std::string_view>(file.view(row), codePage);
        if (!entries.insert(texts)) {
            ++plan.duplicates;
            continue;
        }
        bool newName = false;
        std::uint32_t& namesake = names.find_or_insert(LoginOf(texts), kAddition, newName);
        if (!newName && replacePasswords && namesake != kAddition && (namesake & kReplaced) == 0) {
            plan.replacements.push_back({namesake, texts[Field::Password]});
            namesake |= kReplaced;
            continue;
        }
        if (!newName) {
            ++plan.besides;
        }
        plan.additions.push_back(texts);
    }
    const std::size_t max = static_cast<std::size_t>(kMaxEntries);
    plan.room = list.size() < max ? max - list.size() : 0;
    plan.tooMany = plan.additions.size() > plan.room;
    return plan;
}

std::vector<std::string> ImportReport(const ImportFile& file, const ImportPlan& plan, bool replacePasswords) {
    auto count = [](std::size_t n, std::string_view one, std::string_view many) {
        return std::to_string(n) + " " + std::string(n == 1 ? one : many);
    };
    std::vector<std::string> lines;
    lines.push_back("Layout: " + std::string(LayoutName(file.layout)));
    if (file.readAsWindows1252) {
        lines.push_back("The file is not UTF-8: it was read as Windows-1252.");
    }
    std::string add = "To add: " + count(plan.additions.size(), "entry", "entries");
    if (plan.besides > 0) {
        add += " (" + std::to_string(plan.besides) + " beside an entry of the same username and location)";
    }
    lines.push_back(add);
    if (replacePasswords) {
        lines.push_back("New passwords for: " + count(plan.replacements.size(), "entry", "entries"));
    }
    lines.push_back("Already in the list, skipped: " + std::to_string(plan.duplicates));
    if (file.otherKinds > 0) {
        lines.push_back("Not logins (notes, cards), skipped: " + std::to_string(file.otherKinds));
    }
    lines.push_back("Refused: " + std::to_string(file.refusals.size()));
    for (const std::string& refusal : file.refusals) {
        lines.push_back("  " + refusal);
    }
    if (!file.dropped.empty()) {
        lines.push_back("Not kept, as the password file has no place for them: " +
                        count(file.dropped.size(), "column", "columns"));
        for (const DroppedColumn& column : file.dropped) {
            lines.push_back("  " + column.name + ": a value in " + count(column.rows, "row", "rows"));
        }
    }
    if (plan.tooMany) {
        lines.push_back(TooManyText(plan));
    }
    return lines;
}

std::string LeftOutText(const ImportFile& file) {
    auto count = [](std::size_t n, std::string_view one, std::string_view many) {
        return std::to_string(n) + " " + std::string(n == 1 ? one : many);
    };
    std::vector<std::string> parts;
    if (!file.refusals.empty()) {
        parts.push_back(count(file.refusals.size(), "refused row", "refused rows"));
    }
    if (file.otherKinds > 0) {
        parts.push_back(count(file.otherKinds, "note or card", "notes or cards"));
    }
    if (!file.dropped.empty()) {
        const std::vector<DroppedColumn>& dropped = file.dropped;
        if (dropped.size() == 1) {
            parts.push_back("the values of the " + dropped[0].name + " column (" +
                            count(dropped[0].rows, "row", "rows") + ")");
        } else {
            std::string columns = "the values of the columns ";
            for (std::size_t i = 0; i < dropped.size(); ++i) {
                columns += i == 0 ? "" : i + 1 == dropped.size() ? " and " : ", ";
                columns += dropped[i].name + " (" + count(dropped[i].rows, "row", "rows") + ")";
            }
            parts.push_back(columns);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ";
        text += parts[i];
    }
    return text;
}

std::string TooManyText(const ImportPlan& plan) {
    return "Nothing was imported: the password file holds at most 32,767 entries, and the list has room for " +
           std::to_string(plan.room) + " more, not " + std::to_string(plan.additions.size()) + ".";
}

std::string ExportCsv(std::size_t count, const EntrySource& entry) {
    std::string out = "name,url,username,password\r\n";
    for (std::size_t i = 0; i < count; ++i) {
        const EntryView e = entry(i);
        const std::string location = csv::Field(cp1252::ToUtf8(e[Field::Location]));
        out += location;
        out += ',';
        out += location;
        out += ',';
        out += csv::Field(cp1252::ToUtf8(e[Field::Username]));
        out += ',';
        out += csv::Field(cp1252::ToUtf8(e[Field::Password]));
        out += "\r\n";
    }
    return out;
}

} // namespace vault

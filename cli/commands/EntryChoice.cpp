#include "EntryChoice.h"

#include "Cp1252.h"
#include "Display.h"
#include "Output.h"

#include <algorithm>
#include <charconv>

namespace cli {
namespace {

// Whether an entry's username or location holds a text, as the window's Find selects entries: the text as
// the code page holds it (a character outside it is "?"), letter case ignored.
bool Holds(const vault::EntryTable& entries, Slot slot, const std::string& codePageText) {
    return std::any_of(vault::kFields.begin(), vault::kFields.end(), [&](vault::Field field) {
        return vault::Describe(field).identifies &&
               cp1252::ContainsIgnoringCase(entries.field(slot, field), codePageText);
    });
}

// --with-username and --with-location: fields equal to the texts given, compared as `ls` prints them, so
// that a script can hand back what it listed, a field holding control characters included. Letter case
// counts. Unlike a number, they name the same entry however the list was sorted or grown since.
class ExactFields {
public:
    explicit ExactFields(const Arguments& arguments) {
        if (arguments.withUsername) {
            username_ = ShownUtf8(*arguments.withUsername);
        }
        if (arguments.withLocation) {
            location_ = ShownUtf8(*arguments.withLocation);
        }
    }
    bool any() const { return username_ || location_; }
    bool match(const vault::EntryTable& entries, Slot slot) const {
        return (!username_ || Shown(entries.field(slot, vault::Field::Username)) == *username_) &&
               (!location_ || Shown(entries.field(slot, vault::Field::Location)) == *location_);
    }
    // "the username "bob" and the location "example.com"", for messages.
    std::string described() const {
        std::string text;
        if (username_) {
            text = "the username \"" + *username_ + "\"";
        }
        if (location_) {
            text += (username_ ? " and " : "") + std::string("the location \"") + *location_ + "\"";
        }
        return text;
    }

private:
    std::optional<std::string> username_;
    std::optional<std::string> location_;
};

} // namespace

// "3\talice\texample.com\n": one line of `ls`.
void AppendListLine(std::string& out, const vault::EntryTable& entries, Slot slot) {
    char number[16];
    const auto end = std::to_chars(number, number + sizeof number, slot + 1).ptr;
    out.append(number, end);
    out += '\t';
    AppendLoginShown(out, entries.fields(slot), "\t");
    out += '\n';
}

// The entries `ls` lists: all, or those holding its TEXT, then those with the exact fields given.
std::vector<Slot> Listed(const Opened& vault, const Arguments& arguments) {
    const std::optional<std::string> text =
        arguments.operands.empty() ? std::nullopt : std::optional(cp1252::FromUtf8(arguments.operands.front()));
    const ExactFields exact(arguments);
    std::vector<Slot> found;
    for (Slot slot = 0; slot < vault.count(); ++slot) {
        if ((!text || Holds(vault.entries, slot, *text)) && exact.match(vault.entries, slot)) {
            found.push_back(slot);
        }
    }
    return found;
}

// "3 (alice, example.com)": an entry as the messages name it.
std::string Named(const vault::EntryTable& entries, Slot slot) {
    std::string text = std::to_string(slot + 1) + " (";
    AppendLoginShown(text, entries.fields(slot), ", ");
    return text + ")";
}

// The one entry ENTRY (a number from `ls`, or a text only it holds) and the exact fields name together.
// Several are listed on standard output, and none is taken.
std::optional<Slot> Resolve(const Opened& vault, const Arguments& arguments) {
    const ExactFields exact(arguments);
    const std::string entry = arguments.operands.empty() ? std::string() : arguments.operands.front();
    if (!entry.empty() && entry.find_first_not_of("0123456789") == std::string::npos) {
        std::size_t number = 0;
        const auto parsed = std::from_chars(entry.data(), entry.data() + entry.size(), number);
        if (parsed.ec != std::errc{} || number < 1 || number > vault.count()) {
            Fail("there is no entry " + entry + ": the list holds " + std::to_string(vault.count()) +
                 (vault.count() == 1 ? " entry" : " entries"));
            return std::nullopt;
        }
        const auto slot = static_cast<Slot>(number - 1);
        if (!exact.match(vault.entries, slot)) {
            Fail("entry " + Named(vault.entries, slot) + " does not have " + exact.described());
            return std::nullopt;
        }
        return slot;
    }
    const std::vector<Slot> found = Listed(vault, arguments);
    if (found.size() == 1) {
        return found.front();
    }
    const std::string holding = arguments.operands.empty() ? std::string() : "hold \"" + entry + "\"";
    if (found.empty()) {
        Fail(!exact.any()      ? "no entry's username or location holds \"" + entry + "\""
             : holding.empty() ? "no entry has " + exact.described()
                               : "no entry that holds \"" + entry + "\" has " + exact.described());
        return std::nullopt;
    }
    std::string list;
    for (const Slot slot : found) {
        AppendListLine(list, vault.entries, slot);
    }
    WriteOut(list);
    const std::string several = std::to_string(found.size()) + " entries ";
    Fail(!exact.any()      ? several + holding + ": name one by its number, or by --with-username and --with-location"
         : holding.empty() ? several + "have " + exact.described() + ": name one by its number"
                           : several + "that " + holding + " have " + exact.described() + ": name one by its number");
    return std::nullopt;
}

// The one entry an edit or a removal names, in a vault that may be changed; nothing, the reason told,
// otherwise.
std::optional<Slot> EntryToChange(const Opened& vault, const Arguments& arguments) {
    if (auto refused = vault.session.unchangeable()) {
        Fail(*refused);
        return std::nullopt;
    }
    return Resolve(vault, arguments);
}

} // namespace cli

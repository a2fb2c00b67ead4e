#include "Commands.h"

#include "Console.h"
#include "Cp1252.h"
#include "Display.h"
#include "EntryRules.h"
#include "HealthReport.h"
#include "OpenVault.h"
#include "PasswordGenerator.h"
#include "SecretText.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <unistd.h>

namespace cli {
namespace {

using Slot = vault::EntryTable::Slot;

constexpr int kDone = 0;
constexpr int kFailed = 1;

int Fail(std::string_view message) {
    const std::string line = "keyshelf-cli: " + ShownUtf8(message) + "\n";
    const ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
    return kFailed;
}

int Fail(const vault::VaultError& error) {
    return Fail(error.Message());
}

// Writes all of `text` to standard output; false when it could not (a full disk, a closed pipe).
bool WriteOut(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

int Print(std::string_view text) {
    return WriteOut(text) ? kDone : Fail("could not write to standard output");
}

// "3\talice\texample.com\n": one line of `ls`.
void AppendListLine(std::string& out, const vault::EntryTable& entries, Slot slot) {
    char number[16];
    const auto end = std::to_chars(number, number + sizeof number, slot + 1).ptr;
    out.append(number, end);
    out += '\t';
    AppendShown(out, entries.field(slot, 0));
    out += '\t';
    AppendShown(out, entries.field(slot, 2));
    out += '\n';
}

// The entries whose username or location holds `text` (UTF-8), as the window's Find selects them: the
// text as the code page holds it (a character outside it is "?"), letter case ignored.
std::vector<Slot> Matching(const OpenVault& vault, std::string_view text) {
    const std::string wanted = cp1252::FromUtf8(text);
    std::vector<Slot> found;
    for (Slot slot = 0; slot < vault.count(); ++slot) {
        if (cp1252::ContainsIgnoringCase(vault.entries().field(slot, 0), wanted) ||
            cp1252::ContainsIgnoringCase(vault.entries().field(slot, 2), wanted)) {
            found.push_back(slot);
        }
    }
    return found;
}

// The entry ENTRY names: a number from `ls`, else the one entry a text selects. A text that selects
// several lists them on standard output first.
std::optional<Slot> Resolve(const OpenVault& vault, const std::string& entry, int& status) {
    status = kFailed;
    if (!entry.empty() && entry.find_first_not_of("0123456789") == std::string::npos) {
        std::size_t number = 0;
        const auto parsed = std::from_chars(entry.data(), entry.data() + entry.size(), number);
        if (parsed.ec != std::errc{} || number < 1 || number > vault.count()) {
            Fail("there is no entry " + entry + ": the list holds " + std::to_string(vault.count()) +
                 (vault.count() == 1 ? " entry" : " entries"));
            return std::nullopt;
        }
        return static_cast<Slot>(number - 1);
    }
    const std::vector<Slot> found = Matching(vault, entry);
    if (found.size() == 1) {
        return found.front();
    }
    if (found.empty()) {
        Fail("no entry's username or location holds \"" + entry + "\"");
        return std::nullopt;
    }
    std::string list;
    for (const Slot slot : found) {
        AppendListLine(list, vault.entries(), slot);
    }
    WriteOut(list);
    Fail(std::to_string(found.size()) + " entries hold \"" + entry + "\": name one by its number");
    return std::nullopt;
}

// Reads and unlocks the vault, for every command but generate.
int Open(OpenVault& vault, Console& console, bool keepBytes = false) {
    if (auto failed = vault.Read(keepBytes)) {
        return Fail(*failed);
    }
    if (auto failed = vault.Unlock(console)) {
        return Fail(*failed);
    }
    return kDone;
}

// A field typed or given as UTF-8, as the file stores it.
void ToCodePage(std::string_view utf8, SecretText& out) {
    out.take(cp1252::FromUtf8(utf8));
}

// A new password: generated, or asked (twice at a terminal, once from a script).
int NewPassword(Console& console, const Arguments& arguments, std::string_view prompt, SecretText& password) {
    if (arguments.generate) {
        std::optional<std::string> made = vault::GeneratePassword(*arguments.generate);
        if (!made) {
            return Fail("a password could not be generated: the system's random source did not answer");
        }
        password.take(std::move(*made));
        return kDone;
    }
    if (!console.Ask(std::string(prompt) + ": ", true, password)) {
        return Fail("no password was given");
    }
    if (console.interactive()) {
        SecretText again;
        if (!console.Ask(std::string(prompt) + " again: ", true, again)) {
            return Fail("no password was given");
        }
        if (again.str() != password.str()) {
            return Fail(vault::MasterRefusalText(vault::MasterRefusal::Mismatch));
        }
    }
    return kDone;
}

// A field from its option, or asked; `kept` (UTF-8) stands for an empty answer when there is one.
int Field(Console& console, const std::optional<std::string>& option, std::string_view prompt,
          const std::optional<std::string>& kept, std::string& value) {
    if (option) {
        value = *option;
        return kDone;
    }
    SecretText answer;
    const std::string question = std::string(prompt) + (kept ? " [" + ShownUtf8(*kept) + "]" : std::string()) + ": ";
    if (!console.Ask(question, false, answer)) {
        return Fail("no " + std::string(prompt) + " was given");
    }
    value = answer.empty() && kept ? *kept : answer.str();
    return kDone;
}

int List(const Arguments& arguments, OpenVault& vault) {
    std::string out;
    if (arguments.operands.empty()) {
        out.reserve(vault.count() * 48);
        for (Slot slot = 0; slot < vault.count(); ++slot) {
            AppendListLine(out, vault.entries(), slot);
        }
    } else {
        for (const Slot slot : Matching(vault, arguments.operands.front())) {
            AppendListLine(out, vault.entries(), slot);
        }
    }
    return Print(out);
}

int Show(const Arguments& arguments, OpenVault& vault) {
    int status = kFailed;
    const std::optional<Slot> slot = Resolve(vault, arguments.operands.front(), status);
    if (!slot) {
        return status;
    }
    const vault::EntryTable& entries = vault.entries();
    // Room for every field written out in full (an escaped byte takes four), so that the text holding
    // the password never moves and leaves a copy behind.
    std::string out;
    out.reserve(64 +
                4 * (entries.field(*slot, 0).size() + entries.field(*slot, 1).size() + entries.field(*slot, 2).size()));
    out += "Entry: " + std::to_string(*slot + 1) + "\nUsername: ";
    AppendShown(out, entries.field(*slot, 0));
    if (arguments.password) {
        out += "\nPassword: ";
        AppendShown(out, entries.field(*slot, 1));
    }
    out += "\nUsed At: ";
    AppendShown(out, entries.field(*slot, 2));
    out += '\n';
    const int printed = Print(out);
    ::explicit_bzero(out.data(), out.size());
    return printed;
}

int Add(const Arguments& arguments, OpenVault& vault, Console& console) {
    if (auto refused = vault.Unchangeable()) {
        return Fail(*refused);
    }
    if (vault.count() >= static_cast<std::size_t>(vault::kMaxEntries)) {
        return Fail(vault::kListFullText);
    }
    std::string username;
    std::string location;
    SecretText password;
    if (Field(console, arguments.username, "Username", std::nullopt, username) != kDone ||
        Field(console, arguments.location, "Location", std::nullopt, location) != kDone) {
        return kFailed;
    }
    // What is wrong with the username or the location is said before a password is asked for.
    if (const std::string refusal = vault::EntryRefusal(username, "-", location); !refusal.empty()) {
        return Fail(refusal);
    }
    if (NewPassword(console, arguments, "Password", password) != kDone) {
        return kFailed;
    }
    if (const std::string refusal = vault::EntryRefusal(username, password.view(), location); !refusal.empty()) {
        return Fail(refusal);
    }
    const std::string username8 = cp1252::FromUtf8(username);
    const std::string location8 = cp1252::FromUtf8(location);
    SecretText password8;
    ToCodePage(password.view(), password8);
    std::vector<vault::EntryView> rows = vault.Rows();
    rows.push_back({username8, password8.view(), location8});
    if (auto failed = vault.Save(vault.master(), rows)) {
        return Fail(*failed);
    }
    return Print("Added entry " + std::to_string(rows.size()) + ".\n");
}

int Edit(const Arguments& arguments, OpenVault& vault, Console& console) {
    if (auto refused = vault.Unchangeable()) {
        return Fail(*refused);
    }
    int status = kFailed;
    const std::optional<Slot> slot = Resolve(vault, arguments.operands.front(), status);
    if (!slot) {
        return status;
    }
    const vault::EntryTable& entries = vault.entries();
    const std::string oldUsername = cp1252::ToUtf8(entries.field(*slot, 0));
    const std::string oldLocation = cp1252::ToUtf8(entries.field(*slot, 2));
    SecretText oldPassword;
    oldPassword.assign(entries.field(*slot, 1));
    // Named fields change alone; with none named, each is asked, and an empty answer keeps it.
    const bool askAll = !arguments.username && !arguments.location && !arguments.password && !arguments.generate;
    std::string username = oldUsername;
    std::string location = oldLocation;
    SecretText password; // UTF-8 when changed
    bool passwordChanged = false;
    if (askAll || arguments.username) {
        if (Field(console, arguments.username, "Username", oldUsername, username) != kDone) {
            return kFailed;
        }
    }
    if (askAll || arguments.location) {
        if (Field(console, arguments.location, "Location", oldLocation, location) != kDone) {
            return kFailed;
        }
    }
    if (const std::string refusal = vault::EntryRefusal(username, "-", location); !refusal.empty()) {
        return Fail(refusal);
    }
    if (arguments.password || arguments.generate) {
        if (NewPassword(console, arguments, "New password", password) != kDone) {
            return kFailed;
        }
        passwordChanged = true;
    } else if (askAll) {
        if (!console.Ask("New password (Enter keeps the old one): ", true, password)) {
            return Fail("no password was given");
        }
        if (!password.empty() && console.interactive()) {
            SecretText again;
            if (!console.Ask("New password again: ", true, again)) {
                return Fail("no password was given");
            }
            if (again.str() != password.str()) {
                return Fail(vault::MasterRefusalText(vault::MasterRefusal::Mismatch));
            }
        }
        passwordChanged = !password.empty();
    }
    SecretText password8;
    if (passwordChanged) {
        ToCodePage(password.view(), password8);
    } else {
        password8.assign(oldPassword.view());
        // The editor checks the whole entry; the unchanged password is checked as the text it shows.
        password.take(cp1252::ToUtf8(oldPassword.view()));
    }
    if (const std::string refusal = vault::EntryRefusal(username, password.view(), location); !refusal.empty()) {
        return Fail(refusal);
    }
    // A field left as it was is written back as the file held it.
    const std::string username8 =
        username == oldUsername ? std::string(entries.field(*slot, 0)) : cp1252::FromUtf8(username);
    const std::string location8 =
        location == oldLocation ? std::string(entries.field(*slot, 2)) : cp1252::FromUtf8(location);
    std::vector<vault::EntryView> rows = vault.Rows();
    rows[*slot] = {username8, password8.view(), location8};
    if (auto failed = vault.Save(vault.master(), rows)) {
        return Fail(*failed);
    }
    return Print("Changed entry " + std::to_string(*slot + 1) + ".\n");
}

int Remove(const Arguments& arguments, OpenVault& vault, Console& console) {
    if (auto refused = vault.Unchangeable()) {
        return Fail(*refused);
    }
    int status = kFailed;
    const std::optional<Slot> slot = Resolve(vault, arguments.operands.front(), status);
    if (!slot) {
        return status;
    }
    if (!arguments.yes) {
        std::string question = "Delete entry " + std::to_string(*slot + 1) + " (";
        AppendShown(question, vault.entries().field(*slot, 0));
        question += ", ";
        AppendShown(question, vault.entries().field(*slot, 2));
        question += ")? [y/N] ";
        SecretText answer;
        const bool answered = console.Ask(question, false, answer);
        if (!answered || (answer.str() != "y" && answer.str() != "Y" && answer.str() != "yes")) {
            return Fail("nothing was deleted");
        }
    }
    std::vector<vault::EntryView> rows = vault.Rows();
    rows.erase(rows.begin() + *slot);
    if (auto failed = vault.Save(vault.master(), rows)) {
        return Fail(*failed);
    }
    return Print("Deleted entry " + std::to_string(*slot + 1) + ".\n");
}

int Passwd(OpenVault& vault, Console& console) {
    if (auto refused = vault.Unchangeable()) {
        return Fail(*refused);
    }
    // The master line is all that may change: a file whose entry lines the writer would write otherwise
    // is left as it is.
    if (!vault.WritesBackSame()) {
        return Fail(vault::VaultError{"Could not change the master password of", vault.path(),
                                      "it holds lines Keyshelf would not write back byte for byte (empty lines, "
                                      "entries without their separators, or other line ends); nothing was saved"});
    }
    SecretText typed;
    SecretText again;
    if (!console.Ask("New master password: ", true, typed)) {
        return Fail("no new master password was given");
    }
    if (console.interactive()) {
        if (!console.Ask("New master password again: ", true, again)) {
            return Fail("no new master password was given");
        }
    } else {
        again.assign(typed.view());
    }
    if (const auto refusal = vault::CheckNewMaster(typed.view(), again.view()); refusal != vault::MasterRefusal::None) {
        return Fail(vault::MasterRefusalText(refusal));
    }
    if (auto failed = vault.Save(typed.str(), vault.Rows())) {
        return Fail(*failed);
    }
    return Print("Changed the master password.\n");
}

int Generate(const Arguments& arguments) {
    std::optional<std::string> made =
        vault::GeneratePassword(arguments.length == 0 ? vault::kGeneratedLength : arguments.length);
    if (!made) {
        return Fail("a password could not be generated: the system's random source did not answer");
    }
    made->push_back('\n');
    const int status = Print(*made);
    ::explicit_bzero(made->data(), made->size());
    return status;
}

} // namespace

int RunCommand(const Arguments& arguments, const std::string& vaultPath) {
    if (arguments.command == Command::Generate) {
        return Generate(arguments);
    }
    Console console;
    OpenVault vault(vaultPath);
    if (const int status = Open(vault, console, arguments.command == Command::Passwd); status != kDone) {
        return status;
    }
    // The window shows the first 32,767 entries of a larger file, and changes none.
    if (vault.total() > vault.count() && arguments.command != Command::Add && arguments.command != Command::Edit &&
        arguments.command != Command::Remove && arguments.command != Command::Passwd) {
        Fail(vault.path() + " holds " + std::to_string(vault.total()) +
             " entries, more than the 32,767 Keyshelf can show: only the first 32,767 are read");
    }
    switch (arguments.command) {
    case Command::List:
        return List(arguments, vault);
    case Command::Show:
        return Show(arguments, vault);
    case Command::Add:
        return Add(arguments, vault, console);
    case Command::Edit:
        return Edit(arguments, vault, console);
    case Command::Remove:
        return Remove(arguments, vault, console);
    case Command::Passwd:
        return Passwd(vault, console);
    case Command::Check:
        return Print(HealthReport(vault.entries(), vault.count()));
    case Command::Generate:
    case Command::None:
        break;
    }
    return kFailed;
}

} // namespace cli

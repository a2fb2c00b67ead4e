#include "Commands.h"

#include "Console.h"
#include "Cp1252.h"
#include "CsvImport.h"
#include "Display.h"
#include "EntryRules.h"
#include "HealthReport.h"
#include "Opened.h"
#include "PasswordGenerator.h"
#include "SecretText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
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
    AppendLoginShown(out, entries.fields(slot), "\t");
    out += '\n';
}

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

// A field typed or given as UTF-8, as the file stores it.
void ToCodePage(std::string_view utf8, SecretText& out) {
    out.take(cp1252::FromUtf8(utf8));
}

// A new password: generated, or asked (twice at a terminal, once from a script). With `emptyKeeps` an empty
// answer keeps the old one, and is not asked again.
int NewPassword(Console& console, const Arguments& arguments, std::string_view prompt, SecretText& password,
                bool emptyKeeps = false) {
    if (arguments.generate) {
        std::optional<std::string> made = vault::GeneratePassword(*arguments.generate);
        if (!made) {
            return Fail("a password could not be generated: the system's random source did not answer");
        }
        password.take(std::move(*made));
        return kDone;
    }
    if (!console.Ask(std::string(prompt) + (emptyKeeps ? " (Enter keeps the old one): " : ": "), true, password)) {
        return Fail("no password was given");
    }
    if (console.interactive() && !(emptyKeeps && password.empty())) {
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

int List(const Arguments& arguments, Opened& vault) {
    std::string out;
    if (arguments.stamp) {
        out = "Stamp: " + vault.session.stampText(kStampLength) + "\n";
    }
    const std::vector<Slot> found = Listed(vault, arguments);
    out.reserve(out.size() + found.size() * 48);
    for (const Slot slot : found) {
        AppendListLine(out, vault.entries, slot);
    }
    return Print(out);
}

int Show(const Arguments& arguments, Opened& vault) {
    const std::optional<Slot> slot = Resolve(vault, arguments);
    if (!slot) {
        return kFailed;
    }
    const vault::EntryView fields = vault.entries.fields(*slot);
    // Room for every field written out in full (an escaped byte takes four), so that the text holding
    // the password never moves and leaves a copy behind.
    std::size_t room = 64;
    for (const vault::Field field : vault::kFields) {
        room += 16 + 4 * fields[field].size();
    }
    std::string out;
    out.reserve(room);
    out += "Entry: " + std::to_string(*slot + 1) + "\n";
    AppendFieldLines(out, fields, arguments.password);
    const int printed = Print(out);
    ::explicit_bzero(out.data(), out.size());
    return printed;
}

// The texts of the entry a command chose, kept while the file may be read again (which replaces the
// entries they were read from), to find it there again.
class Was {
public:
    Was(const Opened& vault, Slot slot)
        : named_(Named(vault.entries, slot)), username_(vault.entries.field(slot, vault::Field::Username)),
          password_(vault.entries.field(slot, vault::Field::Password)),
          location_(vault.entries.field(slot, vault::Field::Location)) {}
    vault::EntryView view() const { return {username_, password_.view(), location_}; }
    std::string gone(const Opened& vault) const {
        return "Could not save " + vault.path() + ": another program changed or deleted entry " + named_ +
               " while keyshelf-cli was changing it; nothing was saved";
    }

private:
    std::string named_;
    std::string username_;
    SecretText password_;
    std::string location_;
};

int Add(const Arguments& arguments, Opened& vault, Console& console) {
    if (auto refused = vault.session.unchangeable()) {
        return Fail(*refused);
    }
    if (vault::Session::full(vault.count())) {
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
    if (const std::string refusal = vault::EntryRefusal({username, "-", location}); !refusal.empty()) {
        return Fail(refusal);
    }
    if (NewPassword(console, arguments, "Password", password) != kDone) {
        return kFailed;
    }
    if (const std::string refusal = vault::EntryRefusal({username, password.view(), location}); !refusal.empty()) {
        return Fail(refusal);
    }
    const std::string username8 = cp1252::FromUtf8(username);
    const std::string location8 = cp1252::FromUtf8(location);
    SecretText password8;
    ToCodePage(password.view(), password8);
    std::size_t added = 0;
    if (auto failed = vault.change([&](std::vector<vault::EntryView>& rows) {
            if (vault::Session::full(rows.size())) {
                return std::string(vault::kListFullText);
            }
            rows.push_back({username8, password8.view(), location8});
            added = rows.size();
            return std::string();
        })) {
        return Fail(*failed);
    }
    return Print("Added entry " + std::to_string(added) + ".\n");
}

int Edit(const Arguments& arguments, Opened& vault, Console& console) {
    const std::optional<Slot> slot = EntryToChange(vault, arguments);
    if (!slot) {
        return kFailed;
    }
    const vault::EntryTable& entries = vault.entries;
    const std::string oldUsername = cp1252::ToUtf8(entries.field(*slot, vault::Field::Username));
    const std::string oldLocation = cp1252::ToUtf8(entries.field(*slot, vault::Field::Location));
    SecretText oldPassword;
    oldPassword.assign(entries.field(*slot, vault::Field::Password));
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
    if (const std::string refusal = vault::EntryRefusal({username, "-", location}); !refusal.empty()) {
        return Fail(refusal);
    }
    if (arguments.password || arguments.generate) {
        if (NewPassword(console, arguments, "New password", password) != kDone) {
            return kFailed;
        }
        passwordChanged = true;
    } else if (askAll) {
        if (NewPassword(console, arguments, "New password", password, true) != kDone) {
            return kFailed;
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
    if (const std::string refusal = vault::EntryRefusal({username, password.view(), location}); !refusal.empty()) {
        return Fail(refusal);
    }
    // A field left as it was is written back as the file held it.
    const std::string username8 = username == oldUsername ? std::string(entries.field(*slot, vault::Field::Username))
                                                          : cp1252::FromUtf8(username);
    const std::string location8 = location == oldLocation ? std::string(entries.field(*slot, vault::Field::Location))
                                                          : cp1252::FromUtf8(location);
    // Named as it was, and as it is now when its username or location changed.
    std::string done = "Changed entry " + Named(entries, *slot);
    if (username8 != entries.field(*slot, vault::Field::Username) ||
        location8 != entries.field(*slot, vault::Field::Location)) {
        done += ", now (" + Shown(username8) + ", " + Shown(location8) + ")";
    }
    const Was was(vault, *slot);
    if (auto failed = vault.change([&](std::vector<vault::EntryView>& rows) {
            const std::optional<std::size_t> now = Opened::find(rows, *slot, was.view());
            if (!now) {
                return was.gone(vault);
            }
            rows[*now] = {username8, password8.view(), location8};
            return std::string();
        })) {
        return Fail(*failed);
    }
    return Print(done + ".\n");
}

int Remove(const Arguments& arguments, Opened& vault, Console& console) {
    const std::optional<Slot> slot = EntryToChange(vault, arguments);
    if (!slot) {
        return kFailed;
    }
    const std::string named = Named(vault.entries, *slot);
    if (!arguments.yes) {
        const std::string question = "Delete entry " + named + "? [y/N] ";
        SecretText answer;
        const bool answered = console.Ask(question, false, answer);
        if (!answered || (answer.str() != "y" && answer.str() != "Y" && answer.str() != "yes")) {
            return Fail("nothing was deleted");
        }
    }
    const Was was(vault, *slot);
    if (auto failed = vault.change([&](std::vector<vault::EntryView>& rows) {
            const std::optional<std::size_t> now = Opened::find(rows, *slot, was.view());
            if (!now) {
                return was.gone(vault);
            }
            rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(*now));
            return std::string();
        })) {
        return Fail(*failed);
    }
    return Print("Deleted entry " + named + ".\n");
}

int Passwd(Opened& vault, Console& console) {
    if (auto refused = vault.session.unchangeable()) {
        return Fail(*refused);
    }
    // The master line is all that may change: a file whose entry lines the writer would write otherwise
    // is left as it is.
    const vault::Result<bool> same = vault.session.writesBackSame();
    if (!same) {
        return Fail(same.error());
    }
    if (!*same) {
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
    // A sealed vault is sealed again under the new password, with a new salt.
    std::optional<vault::SealKey> seal;
    if (vault.session.sealed()) {
        auto fresh = vault::SealKey::Fresh(typed.view(), vault::kStandardSealCost, vault.path());
        if (!fresh) {
            return Fail(fresh.error());
        }
        seal = std::move(*fresh);
    }
    const std::vector<vault::EntryView> rows = vault.rows();
    if (auto saved = vault.session.changeMasterPassword(
            vault::Secret(typed.view()), rows.size(), [&rows](std::size_t i) { return rows[i]; }, std::move(seal));
        !saved) {
        return Fail(*saved.error);
    }
    return Print("Changed the master password.\n");
}

int Seal(Opened& vault) {
    if (auto refused = vault.session.formRefusal(true)) {
        return Fail(*refused);
    }
    auto seal = vault::SealKey::Fresh(vault.session.master(), vault::kStandardSealCost, vault.path());
    if (!seal) {
        return Fail(seal.error());
    }
    if (auto sealed = vault.session.changeForm(std::move(*seal)); !sealed) {
        return Fail(*sealed.error);
    }
    return Print("Sealed " + ShownUtf8(vault.path()) +
                 ": it opens only with its master password now, in Keyshelf and keyshelf-cli alone.\n");
}

int Unseal(Opened& vault) {
    if (auto refused = vault.session.formRefusal(false)) {
        return Fail(*refused);
    }
    if (auto unsealed = vault.session.changeForm(std::nullopt); !unsealed) {
        return Fail(*unsealed.error);
    }
    return Print("Unsealed " + ShownUtf8(vault.path()) +
                 ": anyone who has the file can read its master password and entries again.\n");
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

// The whole import: the plan, printed; then, unless it is a dry run, one save of every change.
int Import(const Arguments& arguments, const vault::ImportFile& file, Opened& vault) {
    const std::string& path = arguments.operands.front();
    const vault::ImportPlan plan = vault::PlanImport(file, vault.entries, arguments.replace);
    std::string report;
    for (const std::string& line : vault::ImportReport(file, plan, arguments.replace)) {
        report += ShownUtf8(line) + "\n";
    }
    if (!WriteOut(report)) {
        return Fail("could not write to standard output");
    }
    if (plan.tooMany) {
        return kFailed; // the report said why
    }
    if (arguments.dryRun) {
        return Print("Nothing was changed (--dry-run).\n");
    }
    const std::size_t changes = plan.additions.size() + plan.replacements.size();
    if (changes > 0) {
        if (auto refused = vault.session.unchangeable()) {
            return Fail(*refused);
        }
        vault::ImportPlan now; // the rows hold texts of it until they are saved
        if (auto failed = vault.change([&](std::vector<vault::EntryView>& rows) {
                // Planned anew against the file as it is now; when another program's write changed what
                // the plan above listed, the list would not be what is done.
                now = vault::PlanImport(file, vault.entries, arguments.replace);
                if (now.tooMany || now.additions.size() != plan.additions.size() ||
                    now.replacements.size() != plan.replacements.size()) {
                    return vault.path() +
                           " was changed by another program during the import, which would now do otherwise than "
                           "listed above; nothing was changed: run the import again";
                }
                for (const vault::ImportPlan::Replacement& r : now.replacements) {
                    rows[r.slot].password = r.password;
                }
                for (const vault::ImportPlan::Texts& texts : now.additions) {
                    rows.push_back(texts);
                }
                return std::string();
            })) {
            return Fail(*failed);
        }
    }
    if (Print("Imported " + std::to_string(changes) + (changes == 1 ? " entry." : " entries.") +
              (changes > 0 ? "  Data saved.\n" : "\n")) != kDone) {
        return kFailed;
    }
    // What the import left out is in the file alone: it is never deleted with them, whatever was asked.
    if (const std::string leftOut = vault::LeftOutText(file); !leftOut.empty()) {
        if (Print("Not imported, and only in " + ShownUtf8(path) + ": " + leftOut + ".\n") != kDone) {
            return kFailed;
        }
        if (arguments.deleteFile) {
            Fail("did not delete " + path + ": it holds what was not imported; delete it once you have kept that " +
                 "elsewhere, as it holds passwords in plain text");
            return kFailed;
        }
    }
    if (!arguments.deleteFile) {
        Fail(path + " holds passwords in plain text: delete it once you no longer need it");
        return kDone;
    }
    if (::unlink(path.c_str()) != 0) {
        return Fail("could not delete " + path + ": " + std::strerror(errno));
    }
    return Print("Deleted " + ShownUtf8(path) +
                 " (on some disks its bytes may stay readable until they are written over).\n");
}

// Writes the CSV to a new file of the owner's alone, or with `force` over an existing one (never through
// a link), and makes it the owner's alone.
vault::Failure WriteExport(const std::string& path, bool force, std::string_view csv) {
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (force ? O_TRUNC : O_EXCL);
    const int fd = ::open(path.c_str(), flags, 0600);
    auto failure = [&path](const std::string& reason) { return vault::VaultError{"Could not write", path, reason}; };
    if (fd < 0) {
        return failure(errno == EEXIST ? "it exists already (--force writes over it)" : std::strerror(errno));
    }
    bool written = ::fchmod(fd, 0600) == 0;
    int error = written ? 0 : errno;
    while (written && !csv.empty()) {
        const ssize_t n = ::write(fd, csv.data(), csv.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            written = false;
            error = n < 0 ? errno : EIO;
            break;
        }
        csv.remove_prefix(static_cast<std::size_t>(n));
    }
    if (written && ::fsync(fd) != 0) {
        written = false;
        error = errno;
    }
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        return failure(std::strerror(error));
    }
    return std::nullopt;
}

int Export(const Arguments& arguments, const Opened& vault) {
    if (!arguments.output && ::isatty(STDOUT_FILENO)) {
        return Fail("export prints every password: name a file with -o FILE, or send standard output to one");
    }
    const std::vector<vault::EntryView> rows = vault.rows();
    std::string csv = vault::ExportCsv(rows.size(), [&rows](std::size_t i) { return rows[i]; });
    int status = kDone;
    if (arguments.output) {
        if (auto failed = WriteExport(*arguments.output, arguments.force, csv)) {
            status = Fail(*failed);
        }
    } else if (!WriteOut(csv)) {
        status = Fail("could not write to standard output");
    }
    ::explicit_bzero(csv.data(), csv.size());
    if (status == kDone) {
        Fail("exported " + std::to_string(rows.size()) + (rows.size() == 1 ? " entry" : " entries") + " to " +
             (arguments.output ? *arguments.output : std::string("standard output")) +
             ", every password in plain text: keep it safe, and delete it once it is imported");
    }
    return status;
}

} // namespace

int RunCommand(const Arguments& arguments, const std::string& vaultPath) {
    if (arguments.command == Command::Generate) {
        return Generate(arguments);
    }
    // The file to import is read first: what is wrong with it is said before the master password is asked.
    std::optional<vault::Result<vault::ImportFile>> imported;
    if (arguments.command == Command::Import) {
        imported.emplace(vault::ReadImportFile(arguments.operands.front()));
        if (!*imported) {
            return Fail(imported->error());
        }
    }
    Console console;
    Opened vault(vaultPath);
    if (auto failed = Unlock(vault, console)) {
        return Fail(*failed);
    }
    // The window shows the first 32,767 entries of a larger file, and changes none.
    if (vault.session.readOnly() && arguments.command != Command::Add && arguments.command != Command::Edit &&
        arguments.command != Command::Remove && arguments.command != Command::Passwd &&
        arguments.command != Command::Seal && arguments.command != Command::Unseal &&
        arguments.command != Command::Import) {
        Fail(vault.session.partlyReadNotice());
    }
    // Numbers from a listing hold only while the file is as it was listed.
    if (arguments.listed && *arguments.listed != vault.session.stampText(kStampLength)) {
        return Fail(vault.path() + " changed since the listing stamped " + *arguments.listed +
                    ": list the entries again; nothing was done");
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
    case Command::Seal:
        return Seal(vault);
    case Command::Unseal:
        return Unseal(vault);
    case Command::Check:
        return Print(HealthReport(vault.entries, vault.count()));
    case Command::Import:
        return Import(arguments, imported->value(), vault);
    case Command::Export:
        return Export(arguments, vault);
    case Command::Generate:
    case Command::None:
        break;
    }
    return kFailed;
}

} // namespace cli

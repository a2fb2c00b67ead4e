#include "CommandRuns.h"
#include "Cp1252.h"
#include "Display.h"
#include "EntryChoice.h"
#include "EntryRules.h"
#include "Output.h"
#include "Questions.h"
#include "Unlocked.h"

namespace cli {
namespace {

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
    std::vector<vault::EntryView> rows = vault.rows();
    rows[*slot] = {username8, password8.view(), location8};
    // Named as it was, and as it is now when its username or location changed.
    std::string done = "Changed entry " + Named(entries, *slot);
    if (username8 != entries.field(*slot, vault::Field::Username) ||
        location8 != entries.field(*slot, vault::Field::Location)) {
        done += ", now (" + Shown(username8) + ", " + Shown(location8) + ")";
    }
    if (auto failed = vault.save(rows)) {
        return Fail(*failed);
    }
    return Print(done + ".\n");
}

} // namespace

int runEdit(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Changes,
                      [&](Opened& vault, Console& console) { return Edit(arguments, vault, console); });
}

} // namespace cli

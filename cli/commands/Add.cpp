#include "CommandRuns.h"
#include "Cp1252.h"
#include "EntryRules.h"
#include "Output.h"
#include "Questions.h"
#include "Unlocked.h"

namespace cli {
namespace {

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
    std::vector<vault::EntryView> rows = vault.rows();
    rows.push_back({username8, password8.view(), location8});
    if (auto failed = vault.save(rows)) {
        return Fail(*failed);
    }
    return Print("Added entry " + std::to_string(rows.size()) + ".\n");
}

} // namespace

int runAdd(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Changes,
                      [&](Opened& vault, Console& console) { return Add(arguments, vault, console); });
}

} // namespace cli

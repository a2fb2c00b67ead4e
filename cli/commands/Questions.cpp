#include "Questions.h"

#include "Cp1252.h"
#include "Display.h"
#include "EntryRules.h"
#include "Output.h"

namespace cli {

void ToCodePage(std::string_view utf8, SecretText& out) {
    out.take(cp1252::FromUtf8(utf8));
}

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

bool askNewSecret(Console& console, std::string_view prompt, bool emptyKeeps, SecretText& typed, SecretText& again) {
    if (!console.Ask(std::string(prompt) + (emptyKeeps ? " (Enter keeps the old one): " : ": "), true, typed)) {
        return false;
    }
    if (!console.interactive() || (emptyKeeps && typed.empty())) {
        again.assign(typed.view());
        return true;
    }
    return console.Ask(std::string(prompt) + " again: ", true, again);
}

int NewPassword(Console& console, const Arguments& arguments, std::string_view prompt, SecretText& password,
                bool emptyKeeps) {
    if (arguments.generate) {
        std::optional<std::string> made = vault::GeneratePassword(*arguments.generate);
        if (!made) {
            return Fail("a password could not be generated: the system's random source did not answer");
        }
        password.take(std::move(*made));
        return kDone;
    }
    SecretText again;
    if (!askNewSecret(console, prompt, emptyKeeps, password, again)) {
        return Fail("no password was given");
    }
    if (again.str() != password.str()) {
        return Fail(vault::MasterRefusalText(vault::MasterRefusal::Mismatch));
    }
    return kDone;
}

} // namespace cli

// The questions the changing commands ask: a field, and a new password, each given by an option or asked
// at the console.
#pragma once

#include "Arguments.h"
#include "Console.h"
#include "SecretText.h"

#include <optional>
#include <string>
#include <string_view>

namespace cli {

// A field typed or given as UTF-8, as the file stores it.
void ToCodePage(std::string_view utf8, SecretText& out);

// A field from its option, or asked; `kept` (UTF-8) stands for an empty answer when there is one.
int Field(Console& console, const std::optional<std::string>& option, std::string_view prompt,
          const std::optional<std::string>& kept, std::string& value);

// A new secret, asked as "PROMPT: " and again as "PROMPT again: " at a terminal; from a script one line
// gives both. With `emptyKeeps` the first question says "(Enter keeps the old one)", and an empty answer
// is not asked again. False when an answer did not come; the two answers are for the caller to compare,
// as its own rules say.
bool askNewSecret(Console& console, std::string_view prompt, bool emptyKeeps, SecretText& typed, SecretText& again);

// A new password: generated, or asked as askNewSecret asks. With `emptyKeeps` an empty answer keeps the old
// one.
int NewPassword(Console& console, const Arguments& arguments, std::string_view prompt, SecretText& password,
                bool emptyKeeps = false);

} // namespace cli

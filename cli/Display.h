// Texts from the vault and from the user as they may reach a terminal: UTF-8, with every control
// character (C0, DEL, C1) written out as \xNN. The file is hostile: a username holding an escape sequence
// must not move the cursor, retitle the window or answer back through the terminal.
#pragma once

#include "VaultFormat.h"

#include <string>
#include <string_view>

namespace cli {

// Appends code-page text (a field as the vault holds it) as UTF-8, control characters escaped.
void AppendShown(std::string& out, std::string_view codePage);
std::string Shown(std::string_view codePage);

// The fields that name an entry (code page), shown and joined by `between`: "alice, example.com".
void AppendLoginShown(std::string& out, const vault::EntryView& codePage, std::string_view between);
// An entry's fields a line each, "Username: alice\n", a secret one only `withSecrets`.
void AppendFieldLines(std::string& out, const vault::EntryView& codePage, bool withSecrets);

// The same for UTF-8 text (a path, something typed): control characters, and bytes that are not UTF-8,
// escaped.
std::string ShownUtf8(std::string_view utf8);

} // namespace cli

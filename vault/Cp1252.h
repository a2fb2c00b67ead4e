// Windows-1252, the code page data.enc is stored in (one byte per character), and the one codec for it:
// the vault and the help's RTF reader both read their bytes through it.
#pragma once

#include <string>
#include <string_view>

namespace cp1252 {

// The Unicode code point of a byte. The five codes Windows-1252 leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value so that every byte round-trips.
char32_t ToUnicode(unsigned char byte);

// True when the code point has a byte of its own in the code page.
bool IsRepresentable(char32_t codePoint);

// The byte of a code point, or '?' (63) for a character outside the code page.
unsigned char FromUnicode(char32_t codePoint);

// UTF-8 text to code-page bytes. Characters outside the code page, and bytes that are not valid UTF-8,
// become '?'.
std::string FromUtf8(std::string_view utf8);

// Writes the code-page bytes of a UTF-8 text to `out`, which must have room for utf8.size() bytes (a
// text never grows), and returns how many were written.
std::size_t FromUtf8Into(char* out, std::string_view utf8);

// Appends one character as UTF-8; a surrogate half or a number beyond Unicode becomes U+FFFD.
void AppendCodePoint(std::string& out, char32_t codePoint);

// Code-page bytes to UTF-8 text. Never fails: every byte has a character.
std::string ToUtf8(std::string_view bytes);
void AppendUtf8(std::string& out, std::string_view bytes);

// The first character of a UTF-8 text that the code page cannot hold, as its code point, or 0 when the
// whole text can be stored. Invalid UTF-8 counts as unrepresentable (U+FFFD).
char32_t FirstUnrepresentable(std::string_view utf8);

// The byte of the same letter in lower case, as Unicode's case folding maps it within the code page
// (A-Z, \xC0-\xDE but the multiplication sign, and the pairs Š/š, Œ/œ, Ž/ž, Ÿ/ÿ); any other byte is itself.
unsigned char FoldCase(unsigned char byte);

// Whether code-page text holds `wanted` (code-page bytes too), letter case ignored as FoldCase ignores it.
// An empty `wanted` is held by every text. This is the rule of the list's Find.
bool ContainsIgnoringCase(std::string_view text, std::string_view wanted);

} // namespace cp1252

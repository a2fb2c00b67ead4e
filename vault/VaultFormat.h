// The bytes of data.enc: the keyless cipher, the three shapes the file is written in, and the rules by
// which its bytes are read back into a master password and entries.
//
// Texts handed in and out are UTF-8; on disk every character is one Windows-1252 byte with its top bit
// toggled. Line 1 is the master password, every further line one entry "username|||password|||location".
#pragma once

#include "ByteSink.h"
#include "EntryFields.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vault {

using Entry = FieldValues<std::string>;

// An entry's fields as seen for a moment, while it is written.
using EntryView = FieldValues<std::string_view>;
EntryView ViewOf(const Entry& entry);
// The form of an entry's texts handed to a writer: UTF-8, or the code page's own bytes (Windows-1252,
// not yet enciphered), as a list that keeps its texts in the file's code page holds them.
enum class TextForm { Utf8, CodePage };

// The entry at an index, for writers that keep entries in a form of their own; the views need to stay
// valid only until the next call.
using EntrySource = std::function<EntryView(std::size_t index)>;

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kSeparator = "|||";

// The most entries the file format holds: its readers and writers count rows in 16-bit signed integers.
inline constexpr int kMaxEntries = 32767;

// What is made for a missing vault: one empty line.
std::string EmptyVaultBytes();
// The first-run file: the enciphered master line only.
std::string MasterOnlyBytes(std::string_view master);
// A whole save: master line, one line per entry, then one more empty line.
std::string VaultBytes(std::string_view master, const std::vector<Entry>& entries);
// The same bytes handed to `sink` in pieces of about 64 KiB, so that a save needs no copy of the whole
// file in memory. Returns false when the sink stopped it.
bool WriteVaultBytes(std::string_view master, const std::vector<Entry>& entries, const ByteSink& sink);
bool WriteVaultBytes(std::string_view master, std::size_t count, const EntrySource& entry, const ByteSink& sink,
                     TextForm form = TextForm::Utf8);
// The enciphered line of one entry, without its line end.
std::string EntryLine(const Entry& entry);

// Reading. A line ends at CR, and CR LF is one line end; a lone LF or a NUL is part of the line.
// The deciphered master password of line 1; empty means none is set yet (a first run). A file of no bytes
// at all is a first run too.
std::string ReadMasterLine(std::string_view fileBytes);
// The entries of lines 2 onward, in file order. Empty lines and lines of exactly one space are skipped;
// a line is split at "|||" from left to right, pieces after the third are ignored and missing pieces
// are empty fields.
std::vector<Entry> ReadEntryLines(std::string_view fileBytes);
// The same, keeping at most `limit` entries and counting all of them in `total`.
std::vector<Entry> ReadEntryLines(std::string_view fileBytes, std::size_t limit, std::size_t& total);
// The same rules, handing over each kept entry's fields as they stand in `fileBytes`, still enciphered,
// without copying them.
using RawEntrySink = std::function<void(const EntryView& enciphered)>;
void ScanEntryLines(std::string_view fileBytes, std::size_t limit, std::size_t& total, const RawEntrySink& entry);
// How many CRs the bytes hold: one more than that is the most lines they can have.
std::size_t CountLineEnds(std::string_view fileBytes);
// Toggles the top bit of every byte in place: enciphers code-page text, or deciphers what is stored.
void ToggleCipher(char* data, std::size_t size);

// Whether a text can be stored in the file so that it reads back the same. No text may hold a character
// outside the code page (it would be stored as "?") or U+008D (it enciphers to CR and would end the
// line). An entry field must not hold "|||", and a field a separator follows (all but the last) must not
// end with "|": the reader would find that separator one character early. The master line is never split.
enum class Unstorable { None, Separator, OutsideCodePage, LineBreaking };
Unstorable CheckStorable(std::string_view utf8, Field field);
Unstorable CheckMasterStorable(std::string_view utf8);

} // namespace vault

// Comma-separated values as browsers and password managers export them (RFC 4180): fields split at commas,
// records at CR LF or LF; a field in double quotes may hold commas, line breaks and doubled quotes. The
// reader is forgiving where exports differ (a lone CR ends a record too, a quote inside an unquoted field is
// kept as it is) and strict only where the meaning would be lost: a quoted field that never ends.
#pragma once

#include "VaultError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vault::csv {

// Where a text lies in a table's text.
struct Span {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
};

struct Record {
    std::size_t line = 0;  // the file's line the record starts on, from 1
    std::size_t first = 0; // its fields are spans[first, first + count)
    std::size_t count = 0;
};

// Every field's text lies in one string, so that a file of thousands of records costs a few allocations.
struct Table {
    std::string text;
    std::vector<Span> spans;
    std::vector<Record> records; // blank lines are no records
    // The file was not valid UTF-8, so it was read as Windows-1252; the fields are UTF-8 all the same.
    bool readAsWindows1252 = false;

    std::string_view text_of(Span span) const { return std::string_view(text).substr(span.start, span.length); }
    // A record's field; empty past its last one.
    std::string_view field(const Record& record, std::size_t index) const {
        return index < record.count ? text_of(spans[record.first + index]) : std::string_view();
    }
    std::vector<std::string> fields(const Record& record) const;
};

// The records of a file's bytes, as UTF-8 text: a UTF-8 byte order mark is dropped, and bytes that are not
// valid UTF-8 are read as Windows-1252. `path` names the file in the error of a quoted field left open.
// Files past 4 GiB are not read (the caller's limit is far lower).
Result<Table> Parse(std::string_view bytes, const std::string& path);

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Whether any of eight bytes is `byte` (the classic test for a zero byte in a word): the reader scans
// plain text eight bytes at a time with it.
inline bool HasByte(std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (0x0101010101010101ULL * byte);
    return ((x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL) != 0;
}

// One field as written in a file: quoted when it holds a comma, a quote, a line break or leading or
// trailing space, with its quotes doubled.
std::string Field(std::string_view text);

} // namespace vault::csv

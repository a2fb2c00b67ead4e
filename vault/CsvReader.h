// Comma-separated values as browsers and password managers export them (RFC 4180): fields split at commas,
// records at CR LF or LF; a field in double quotes may hold commas, line breaks and doubled quotes. The
// reader is forgiving where exports differ (a lone CR ends a record too, a quote inside an unquoted field is
// kept as it is) and strict only where the meaning would be lost: a quoted field that never ends.
#pragma once

#include "VaultError.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vault::csv {

struct Record {
    std::size_t line = 0; // the file's line the record starts on, from 1
    std::vector<std::string> fields;
};

struct Table {
    std::vector<Record> records; // blank lines are no records
    // The file was not valid UTF-8, so it was read as Windows-1252; the fields are UTF-8 all the same.
    bool readAsWindows1252 = false;
};

// The records of a file's bytes, as UTF-8 text: a UTF-8 byte order mark is dropped, and bytes that are not
// valid UTF-8 are read as Windows-1252. `path` names the file in the error of a quoted field left open.
Result<Table> Parse(std::string_view bytes, const std::string& path);

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// One field as written in a file: quoted when it holds a comma, a quote, a line break or leading or
// trailing space, with its quotes doubled.
std::string Field(std::string_view text);

} // namespace vault::csv

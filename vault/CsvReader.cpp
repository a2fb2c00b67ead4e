#include "CsvReader.h"

#include "Cp1252.h"

#include <cstring>

namespace vault::csv {
namespace {

bool EndsPlainText(char c) {
    return c == ',' || c == '\r' || c == '\n';
}

// Where plain text starting at `i` ends: at the next comma or line end, or at the end. Eight bytes at a
// time, as a file is mostly such text.
std::size_t PlainTextEnd(std::string_view bytes, std::size_t i) {
    std::uint64_t word;
    while (i + 8 <= bytes.size()) {
        std::memcpy(&word, bytes.data() + i, 8);
        if (HasByte(word, ',') || HasByte(word, '\r') || HasByte(word, '\n')) {
            break;
        }
        i += 8;
    }
    while (i < bytes.size() && !EndsPlainText(bytes[i])) {
        ++i;
    }
    return i;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Runs of ASCII go eight bytes at a time.
        std::uint64_t word;
        while (i + 8 <= bytes.size()) {
            std::memcpy(&word, bytes.data() + i, 8);
            if ((word & 0x8080808080808080ULL) != 0) {
                break;
            }
            i += 8;
        }
        if (i >= bytes.size()) {
            break;
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code = 0;
        char32_t least = 0;
        if ((b & 0xE0) == 0xC0) {
            length = 2, code = b & 0x1F, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, code = b & 0x0F, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, code = b & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (c & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::vector<std::string> Table::fields(const Record& record) const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < record.count; ++i) {
        out.emplace_back(field(record, i));
    }
    return out;
}

Result<Table> Parse(std::string_view bytes, const std::string& path) {
    Table table;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    std::string decoded;
    if (!IsValidUtf8(bytes)) {
        decoded = cp1252::ToUtf8(bytes);
        bytes = decoded;
        table.readAsWindows1252 = true;
    }
    if (bytes.size() > UINT32_MAX) {
        return VaultError{"Could not read", path, "it is larger than any file Keyshelf imports"};
    }
    // Sized once: no field is longer than the bytes it came from. Records and fields are reserved for the
    // line ends and the fields of a typical export; more only grow the vectors.
    table.text.reserve(bytes.size());
    std::size_t lineEnds = 0;
    for (const char* p = bytes.data();
         (p = static_cast<const char*>(
              std::memchr(p, '\n', static_cast<std::size_t>(bytes.data() + bytes.size() - p)))) != nullptr;
         ++p) {
        ++lineEnds;
    }
    table.records.reserve(lineEnds + 1);
    table.spans.reserve(8 * (lineEnds + 1));
    std::string& text = table.text;

    std::size_t line = 1;
    Record record{line, 0, 0};
    bool fieldOpen = false; // a field is in progress (an empty one after a comma too)
    std::uint32_t fieldStart = 0;

    auto endField = [&] {
        table.spans.push_back({fieldStart, static_cast<std::uint32_t>(text.size()) - fieldStart});
        ++record.count;
        fieldStart = static_cast<std::uint32_t>(text.size());
    };
    auto endRecord = [&] {
        if (fieldOpen) {
            endField();
        }
        if (record.count > 0) {
            table.records.push_back(record);
        }
        record = Record{line, table.spans.size(), 0};
        fieldOpen = false;
    };

    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        const char c = bytes[i];
        if (c == '"' && text.size() == fieldStart) {
            // A quoted field: up to the quote that is not doubled, line breaks and all.
            const std::size_t openedOn = line;
            fieldOpen = true;
            ++i;
            bool closed = false;
            while (i < size) {
                const std::size_t quote = bytes.find('"', i);
                const std::string_view run = bytes.substr(i, (quote == std::string_view::npos ? size : quote) - i);
                for (std::size_t k = 0; k < run.size(); ++k) {
                    line += run[k] == '\n' || (run[k] == '\r' && (k + 1 == run.size() || run[k + 1] != '\n'));
                }
                text.append(run);
                if (quote == std::string_view::npos) {
                    i = size;
                    break;
                }
                if (quote + 1 < size && bytes[quote + 1] == '"') {
                    text += '"';
                    i = quote + 2;
                    continue;
                }
                i = quote + 1;
                closed = true;
                break;
            }
            if (!closed) {
                return VaultError{"Could not read", path,
                                  "a quoted field that starts on line " + std::to_string(openedOn) +
                                      " never ends (a \" is missing)"};
            }
            continue;
        }
        if (c == ',') {
            fieldOpen = true;
            endField();
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            i += (c == '\r' && i + 1 < size && bytes[i + 1] == '\n') ? 2 : 1;
            ++line;
            endRecord();
            continue;
        }
        // Plain text up to the next comma or line end; a quote within it, or after a closing quote, is
        // kept as it stands.
        const std::size_t end = PlainTextEnd(bytes, i + 1);
        fieldOpen = true;
        text.append(bytes.substr(i, end - i));
        i = end;
    }
    endRecord();
    return table;
}

std::string Field(std::string_view text) {
    const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        return std::string(text);
    }
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
    return out;
}

} // namespace vault::csv

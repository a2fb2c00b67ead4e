#include "CsvReader.h"

#include "Cp1252.h"

namespace vault::csv {

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
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

    std::size_t line = 1;
    Record record{line, {}};
    std::string field;
    bool fieldStarted = false; // the record has a field in progress (even an empty one after a comma)

    auto endField = [&] {
        record.fields.push_back(std::move(field));
        field.clear();
    };
    auto endRecord = [&] {
        if (fieldStarted) {
            endField();
        }
        if (!record.fields.empty()) {
            table.records.push_back(std::move(record));
        }
        record = Record{line, {}};
        fieldStarted = false;
    };

    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '"' && field.empty()) {
            // A quoted field: up to the quote that is not doubled.
            const std::size_t openedOn = line;
            fieldStarted = true;
            ++i;
            bool closed = false;
            while (i < bytes.size()) {
                const char q = bytes[i];
                if (q == '"') {
                    if (i + 1 < bytes.size() && bytes[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (q == '\n' || (q == '\r' && !(i + 1 < bytes.size() && bytes[i + 1] == '\n'))) {
                    ++line;
                }
                field += q;
                ++i;
            }
            if (!closed) {
                return VaultError{"Could not read", path,
                                  "a quoted field that starts on line " + std::to_string(openedOn) +
                                      " never ends (a \" is missing)"};
            }
            continue;
        }
        if (c == ',') {
            fieldStarted = true;
            endField();
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            ++line;
            endRecord();
            continue;
        }
        // Text after a closing quote, or a quote within unquoted text, is kept as it stands.
        fieldStarted = true;
        field += c;
        ++i;
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

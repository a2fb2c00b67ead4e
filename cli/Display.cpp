#include "Display.h"

#include "Cp1252.h"

namespace cli {
namespace {

void AppendEscaped(std::string& out, unsigned value) {
    constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[(value >> 4) & 0xF];
    out += kHex[value & 0xF];
}

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool Plain(std::string_view text) {
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F) {
            return false;
        }
    }
    return true;
}

// The length of the well-formed UTF-8 sequence at `at`, and its code point; 0 when it is not one.
std::size_t Sequence(std::string_view s, std::size_t at, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[at]);
    std::size_t length = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (at + length > s.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[at + i]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

void AppendShown(std::string& out, std::string_view codePage) {
    if (Plain(codePage)) {
        out += codePage;
        return;
    }
    for (const char byte : codePage) {
        const auto b = static_cast<unsigned char>(byte);
        const char32_t c = cp1252::ToUnicode(b);
        if (IsControl(c)) {
            AppendEscaped(out, static_cast<unsigned>(c));
        } else if (b < 0x80) {
            out += byte;
        } else {
            cp1252::AppendCodePoint(out, c);
        }
    }
}

std::string Shown(std::string_view codePage) {
    std::string out;
    AppendShown(out, codePage);
    return out;
}

void AppendLoginShown(std::string& out, const vault::EntryView& codePage, std::string_view between) {
    bool first = true;
    for (const vault::Field field : vault::kFields) {
        if (vault::Describe(field).identifies) {
            out += first ? std::string_view() : between;
            AppendShown(out, codePage[field]);
            first = false;
        }
    }
}

void AppendFieldLines(std::string& out, const vault::EntryView& codePage, bool withSecrets) {
    for (const vault::Field field : vault::kFields) {
        if (withSecrets || !vault::Describe(field).secret) {
            out += vault::Describe(field).label;
            out += ": ";
            AppendShown(out, codePage[field]);
            out += '\n';
        }
    }
}

std::string ShownUtf8(std::string_view utf8) {
    std::string out;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = Sequence(utf8, at, c);
        if (length == 0) {
            AppendEscaped(out, static_cast<unsigned char>(utf8[at]));
            ++at;
        } else if (IsControl(c)) {
            AppendEscaped(out, static_cast<unsigned>(c));
            at += length;
        } else {
            out.append(utf8.substr(at, length));
            at += length;
        }
    }
    return out;
}

} // namespace cli

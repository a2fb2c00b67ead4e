#include "Cp1252.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace cp1252 {
namespace {

// 0x80..0x9F are where Windows-1252 differs from Latin-1; every other byte is its own code point.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr unsigned char kUnknown = '?';

// Each byte's lower-case byte. Only letters whose both cases the code page holds change; the code
// page's other letters (ß, µ, ƒ, ª, º) fold to themselves, or to a character it does not have.
constexpr std::array<unsigned char, 256> kFolded = [] {
    std::array<unsigned char, 256> folded{};
    for (int b = 0; b < 256; ++b) {
        folded[b] = static_cast<unsigned char>(b);
    }
    for (int b = 'A'; b <= 'Z'; ++b) {
        folded[b] = static_cast<unsigned char>(b + 0x20);
    }
    for (int b = 0xC0; b <= 0xDE; ++b) {
        if (b != 0xD7) { // the multiplication sign; 0xF7 is the division sign
            folded[b] = static_cast<unsigned char>(b + 0x20);
        }
    }
    folded[0x8A] = 0x9A; // Š š
    folded[0x8C] = 0x9C; // Œ œ
    folded[0x8E] = 0x9E; // Ž ž
    folded[0x9F] = 0xFF; // Ÿ ÿ
    return folded;
}();

// Decodes one UTF-8 sequence at `pos`, advancing it. Returns U+FFFD for a malformed sequence
// (consuming one byte), so every input makes progress.
char32_t DecodeUtf8(std::string_view s, std::size_t& pos) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + extra >= s.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += extra + 1;
    return cp;
}

} // namespace

void AppendCodePoint(std::string& out, char32_t cp) {
    // A surrogate half or a number beyond Unicode is no character: it becomes the replacement character.
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = 0xFFFD;
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHigh[byte - 0x80];
    }
    return byte;
}

unsigned char FromUnicode(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<unsigned char>(codePoint);
    }
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == codePoint) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return kUnknown;
}

bool IsRepresentable(char32_t codePoint) {
    return codePoint == kUnknown || FromUnicode(codePoint) != kUnknown;
}

std::size_t FromUtf8Into(char* out, std::string_view utf8) {
    std::size_t written = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        // Runs of ASCII go eight bytes at a time.
        std::uint64_t word;
        while (pos + 8 <= utf8.size()) {
            std::memcpy(&word, utf8.data() + pos, 8);
            if ((word & 0x8080808080808080ULL) != 0) {
                break;
            }
            std::memcpy(out + written, &word, 8);
            pos += 8;
            written += 8;
        }
        if (pos >= utf8.size()) {
            break;
        }
        const auto b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            out[written++] = static_cast<char>(b);
            ++pos;
            continue;
        }
        out[written++] = static_cast<char>(FromUnicode(DecodeUtf8(utf8, pos)));
    }
    return written;
}

std::string FromUtf8(std::string_view utf8) {
    std::string out(utf8.size(), '\0');
    out.resize(FromUtf8Into(out.data(), utf8));
    return out;
}

void AppendUtf8(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            AppendCodePoint(out, ToUnicode(b));
        }
    }
}

std::string ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    AppendUtf8(out, bytes);
    return out;
}

char32_t FirstUnrepresentable(std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = DecodeUtf8(utf8, pos);
        if (!IsRepresentable(cp)) {
            return cp;
        }
    }
    return 0;
}

unsigned char FoldCase(unsigned char byte) {
    return kFolded[byte];
}

bool ContainsIgnoringCase(std::string_view text, std::string_view wanted) {
    if (wanted.size() > text.size()) {
        return false;
    }
    const auto fold = [](char c) { return kFolded[static_cast<unsigned char>(c)]; };
    const std::size_t last = text.size() - wanted.size();
    for (std::size_t at = 0; at <= last; ++at) {
        std::size_t i = 0;
        while (i < wanted.size() && fold(text[at + i]) == fold(wanted[i])) {
            ++i;
        }
        if (i == wanted.size()) {
            return true;
        }
    }
    return false;
}

} // namespace cp1252

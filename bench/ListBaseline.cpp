// The least a program can do to print what `keyshelf-cli ls` prints, the baseline of cli_ls_bench.sh:
// read the master password from standard input, read data.enc whole, check its line 1, then decipher
// every entry line and print "N<TAB>username<TAB>location" in UTF-8, control characters written as \xNN.
// Standard C++ and C only, built with the same flags as keyshelf-cli.
//   ListBaseline PATH < master-password
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// 0x80-0x9F of Windows-1252 as UTF-8; "" for the five codes it leaves unassigned (C1 controls).
const char* const kHigh[32] = {"€", "",  "‚", "ƒ", "„", "…", "†", "‡", "ˆ", "‰", "Š", "‹", "Œ", "", "Ž", "",
                               "",  "‘", "’", "“", "”", "•", "–", "—", "˜", "™", "š", "›", "œ", "", "ž", "Ÿ"};

void Append(std::string& out, const char* raw, std::size_t size) {
    // Printable ASCII, nearly every field, is deciphered straight into the output.
    const std::size_t at = out.size();
    out.resize(at + size);
    bool plain = true;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(raw[i]) ^ 0x80;
        plain = plain && b >= 0x20 && b < 0x7F;
        out[at + i] = static_cast<char>(b);
    }
    if (plain) {
        return;
    }
    out.resize(at);
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(raw[i]) ^ 0x80;
        if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else if (b < 0x20 || b == 0x7F || (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80][0] == '\0')) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", b);
            out += escaped;
        } else if (b < 0xA0) {
            out += kHigh[b - 0x80];
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    char typed[1024];
    if (std::fgets(typed, sizeof typed, stdin) == nullptr) {
        return 1;
    }
    typed[std::strcspn(typed, "\n")] = '\0';
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        return 1;
    }
    std::string bytes;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        bytes.reserve(static_cast<std::size_t>(std::max(0L, std::ftell(file))));
        std::rewind(file);
    }
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        bytes.append(chunk, n);
    }
    std::fclose(file);

    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    // One line: up to CR, a LF after it being part of the line end.
    const auto next = [&](const char*& begin, const char*& stop) {
        if (p >= end) {
            return false;
        }
        begin = p;
        stop = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
        stop = stop == nullptr ? end : stop;
        p = stop == end ? end : stop + 1;
        if (p < end && *p == '\n') {
            ++p;
        }
        return true;
    };
    const char* begin;
    const char* stop;
    std::string master;
    if (next(begin, stop)) {
        Append(master, begin, static_cast<std::size_t>(stop - begin));
    }
    if (master.empty() || master != typed) {
        return 1;
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    const char separator[] = "\xFC\xFC\xFC"; // "|||" enciphered
    unsigned long number = 0;
    while (next(begin, stop)) {
        const std::string_view line(begin, static_cast<std::size_t>(stop - begin));
        if (line.empty() || line == "\xA0") { // an empty line, or one space
            continue;
        }
        if (++number > 32767) {
            break;
        }
        const std::size_t first = line.find(separator);
        const std::string_view username = line.substr(0, first);
        std::string_view location;
        if (first != std::string_view::npos) {
            const std::size_t second = line.find(separator, first + 3);
            if (second != std::string_view::npos) {
                location = line.substr(second + 3);
                location = location.substr(0, location.find(separator));
            }
        }
        out += std::to_string(number);
        out += '\t';
        Append(out, username.data(), username.size());
        out += '\t';
        Append(out, location.data(), location.size());
        out += '\n';
    }
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() ? 0 : 1;
}

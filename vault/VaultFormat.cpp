#include "VaultFormat.h"

#include "Cp1252.h"

#include <cstring>

namespace vault {
namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
// "|||" as it stands on disk.
constexpr std::string_view kRawSeparator = "\xFC\xFC\xFC";

void AppendEnciphered(std::string& out, std::string_view utf8) {
    const std::size_t start = out.size();
    out += cp1252::FromUtf8(utf8);
    for (std::size_t i = start; i < out.size(); ++i) {
        out[i] = static_cast<char>(out[i] ^ 0x80);
    }
}

// Deciphers raw bytes and appends them as UTF-8.
void AppendDeciphered(std::string& out, std::string_view raw) {
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c ^ 0x80);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
        } else {
            const char one = static_cast<char>(b);
            cp1252::AppendUtf8(out, std::string_view(&one, 1));
        }
    }
}

std::string Deciphered(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    AppendDeciphered(out, raw);
    return out;
}

// Steps through the raw lines of a file by the reading rules.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    bool Next(std::string_view& line) {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        const char* begin = bytes_.data() + pos_;
        const auto* cr = static_cast<const char*>(std::memchr(begin, kCR, bytes_.size() - pos_));
        if (cr == nullptr) {
            line = bytes_.substr(pos_);
            pos_ = bytes_.size();
            return true;
        }
        const auto length = static_cast<std::size_t>(cr - begin);
        line = bytes_.substr(pos_, length);
        pos_ += length + 1;
        if (pos_ < bytes_.size() && bytes_[pos_] == kLF) {
            ++pos_;
        }
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

} // namespace

std::string& CipherText(std::string& text) {
    for (char& c : text) {
        c = static_cast<char>(c ^ 0x80);
    }
    return text;
}

std::string EmptyVaultBytes() {
    return std::string(kLineEnd);
}

std::string MasterOnlyBytes(std::string_view master) {
    std::string out;
    AppendEnciphered(out, master);
    out += kLineEnd;
    return out;
}

std::string EntryLine(const Entry& entry) {
    std::string out;
    AppendEnciphered(out, entry.username);
    out += kRawSeparator;
    AppendEnciphered(out, entry.password);
    out += kRawSeparator;
    AppendEnciphered(out, entry.location);
    return out;
}

std::string VaultBytes(std::string_view master, const std::vector<Entry>& entries) {
    std::size_t size = master.size() + 4;
    for (const Entry& e : entries) {
        size += e.username.size() + e.password.size() + e.location.size() + 8;
    }
    std::string out;
    out.reserve(size);
    AppendEnciphered(out, master);
    out += kLineEnd;
    for (const Entry& e : entries) {
        AppendEnciphered(out, e.username);
        out += kRawSeparator;
        AppendEnciphered(out, e.password);
        out += kRawSeparator;
        AppendEnciphered(out, e.location);
        out += kLineEnd;
    }
    out += kLineEnd;
    return out;
}

std::string ReadMasterLine(std::string_view fileBytes) {
    LineReader reader(fileBytes);
    std::string_view line;
    if (!reader.Next(line)) {
        return {};
    }
    return Deciphered(line);
}

std::vector<Entry> ReadEntryLines(std::string_view fileBytes) {
    std::vector<Entry> entries;
    LineReader reader(fileBytes);
    std::string_view line;
    if (!reader.Next(line)) {
        return entries;
    }
    while (reader.Next(line)) {
        if (line.empty() || line == " ") {
            continue;
        }
        Entry& entry = entries.emplace_back();
        std::string* fields[] = {&entry.username, &entry.password, &entry.location};
        std::size_t pos = 0;
        for (std::string* field : fields) {
            const std::size_t sep = line.find(kRawSeparator, pos);
            const std::string_view piece = line.substr(pos, sep == std::string_view::npos ? line.npos : sep - pos);
            field->reserve(piece.size());
            AppendDeciphered(*field, piece);
            if (sep == std::string_view::npos) {
                break;
            }
            pos = sep + kRawSeparator.size();
        }
    }
    return entries;
}

Unstorable CheckStorable(std::string_view utf8, Field field) {
    if (field != Field::Master) {
        const bool endsBeforeSeparator = field != Field::Location && !utf8.empty() && utf8.back() == '|';
        if (endsBeforeSeparator || utf8.find(kSeparator) != std::string_view::npos) {
            return Unstorable::Separator;
        }
    }
    if (cp1252::FirstUnrepresentable(utf8) != 0) {
        return Unstorable::OutsideCodePage;
    }
    if (utf8.find("\xC2\x8D") != std::string_view::npos) {
        return Unstorable::LineBreaking;
    }
    return Unstorable::None;
}

} // namespace vault

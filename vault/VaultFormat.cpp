#include "VaultFormat.h"

#include "Cp1252.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vault {
namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
// "|||" as it stands on disk.
constexpr std::string_view kRawSeparator = "\xFC\xFC\xFC";

constexpr std::uint64_t kTopBits = 0x8080808080808080ULL;

// Toggles the top bit of `size` bytes, eight at a time. Returns the top bits of the result ORed
// together, so a caller can tell whether any byte ended at 0x80 or above.
std::uint64_t ToggleTopBits(char* data, std::size_t size) {
    std::uint64_t high = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        word ^= kTopBits;
        high |= word;
        std::memcpy(data + i, &word, 8);
    }
    for (; i < size; ++i) {
        data[i] = static_cast<char>(data[i] ^ 0x80);
        high |= static_cast<unsigned char>(data[i]);
    }
    return high & kTopBits;
}

// Copies `in` to `out` with every top bit toggled, eight bytes at a time, the last few as one word
// that overlaps the one before. Reports whether any byte read, and any byte written, was 0x80 or above.
struct Toggled {
    bool highIn;
    bool highOut;
};
Toggled CopyToggled(char* out, std::string_view in) {
    std::uint64_t orIn = 0;
    std::uint64_t orOut = 0;
    auto word = [&](std::size_t at) {
        std::uint64_t w;
        std::memcpy(&w, in.data() + at, 8);
        orIn |= w;
        w ^= kTopBits;
        orOut |= w;
        std::memcpy(out + at, &w, 8);
    };
    const std::size_t size = in.size();
    if (size >= 8) {
        std::size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            word(i);
        }
        if (i < size) {
            word(size - 8);
        }
    } else {
        for (std::size_t i = 0; i < size; ++i) {
            const auto b = static_cast<unsigned char>(in[i]);
            orIn |= b;
            orOut |= b ^ 0x80u;
            out[i] = static_cast<char>(b ^ 0x80u);
        }
    }
    return {(orIn & kTopBits) != 0, (orOut & kTopBits) != 0};
}

// Builds enciphered lines in a buffer and hands it to a sink whenever the next line might not fit.
// Every line is reserved for its worst case first (a UTF-8 text never grows in the code page).
class LineWriter {
public:
    static constexpr std::size_t kChunk = 512 * 1024;

    explicit LineWriter(const ByteSink& sink) : sink_(sink), bytes_(kChunk, '\0'), end_(bytes_.data()) {}
    ~LineWriter() {
        // The buffer held enciphered secrets; leave nothing of them behind in freed memory.
        std::fill(bytes_.begin(), bytes_.end(), '\0');
    }

    // Makes room for `size` more bytes. False when the sink refused what was written so far.
    bool Reserve(std::size_t size) {
        if (Room() >= size) {
            return true;
        }
        if (!Flush()) {
            return false;
        }
        if (bytes_.size() < size) {
            bytes_.assign(size, '\0');
            end_ = bytes_.data();
        }
        return true;
    }
    void Text(std::string_view utf8) {
        if (CopyToggled(end_, utf8).highIn) {
            const std::size_t n = cp1252::FromUtf8Into(end_, utf8);
            ToggleTopBits(end_, n);
            end_ += n;
            return;
        }
        end_ += utf8.size();
    }
    // Text already in the code page: enciphering is all that is left.
    void CodePageText(std::string_view text) {
        CopyToggled(end_, text);
        end_ += text.size();
    }
    void LineEnd() { Raw(kLineEnd); }
    // One entry line, without its line end.
    void Entry(const EntryView& entry, TextForm form) {
        const auto put = [&](std::string_view t) { form == TextForm::CodePage ? CodePageText(t) : Text(t); };
        for (const Field field : kFields) {
            if (field != kFields.front()) {
                Raw(kRawSeparator);
            }
            put(entry[field]);
        }
    }
    bool Flush() {
        const std::string_view pending(bytes_.data(), static_cast<std::size_t>(end_ - bytes_.data()));
        end_ = bytes_.data();
        return pending.empty() || sink_(pending);
    }

private:
    std::size_t Room() const { return bytes_.size() - static_cast<std::size_t>(end_ - bytes_.data()); }
    void Raw(std::string_view raw) {
        std::memcpy(end_, raw.data(), raw.size());
        end_ += raw.size();
    }

    const ByteSink& sink_;
    std::string bytes_;
    char* end_;
};

std::size_t LineSize(const EntryView& e) {
    std::size_t size = (kFieldCount - 1) * kSeparator.size() + kLineEnd.size();
    for (const Field field : kFields) {
        size += e[field].size();
    }
    return size;
}

ByteSink AppendTo(std::string& out) {
    return [&out](std::string_view piece) {
        out += piece;
        return true;
    };
}

// Deciphers raw bytes and appends them as UTF-8.
void AppendDeciphered(std::string& out, std::string_view raw) {
    for (const char c : raw) {
        const char plain = static_cast<char>(c ^ 0x80);
        if (static_cast<unsigned char>(plain) < 0x80) {
            out.push_back(plain);
        } else {
            cp1252::AppendUtf8(out, std::string_view(&plain, 1));
        }
    }
}

// Deciphers raw bytes into `field` as UTF-8. Plain ASCII, by far the commonest text, is deciphered in
// place with one allocation; a Windows character sends the piece through the decoder.
void Decipher(std::string& field, std::string_view raw) {
    field.resize(raw.size());
    if (CopyToggled(field.data(), raw).highOut) {
        field.clear();
        AppendDeciphered(field, raw);
    }
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

void ToggleCipher(char* data, std::size_t size) {
    ToggleTopBits(data, size);
}

std::string EmptyVaultBytes() {
    return std::string(kLineEnd);
}

std::string MasterOnlyBytes(std::string_view master) {
    std::string out;
    const ByteSink sink = AppendTo(out);
    LineWriter writer(sink);
    writer.Reserve(master.size() + kLineEnd.size());
    writer.Text(master);
    writer.LineEnd();
    writer.Flush();
    return out;
}

std::string EntryLine(const Entry& entry) {
    std::string out;
    const ByteSink sink = AppendTo(out);
    LineWriter writer(sink);
    writer.Reserve(LineSize(ViewOf(entry)));
    writer.Entry(ViewOf(entry), TextForm::Utf8);
    writer.Flush();
    return out;
}

bool WriteVaultBytes(std::string_view master, std::size_t count, const EntrySource& entry, const ByteSink& sink,
                     TextForm form) {
    LineWriter writer(sink);
    if (!writer.Reserve(master.size() + kLineEnd.size())) {
        return false;
    }
    writer.Text(master);
    writer.LineEnd();
    for (std::size_t i = 0; i < count; ++i) {
        const EntryView e = entry(i);
        if (!writer.Reserve(LineSize(e))) {
            return false;
        }
        writer.Entry(e, form);
        writer.LineEnd();
    }
    return writer.Reserve(kLineEnd.size()) && (writer.LineEnd(), writer.Flush());
}

bool WriteVaultBytes(std::string_view master, const std::vector<Entry>& entries, const ByteSink& sink) {
    return WriteVaultBytes(
        master, entries.size(), [&](std::size_t i) { return ViewOf(entries[i]); }, sink);
}

std::string VaultBytes(std::string_view master, const std::vector<Entry>& entries) {
    std::size_t size = master.size() + 2 * kLineEnd.size();
    for (const Entry& e : entries) {
        size += LineSize(ViewOf(e));
    }
    std::string out;
    out.reserve(size);
    WriteVaultBytes(master, entries, AppendTo(out));
    return out;
}

std::string ReadMasterLine(std::string_view fileBytes) {
    LineReader reader(fileBytes);
    std::string_view line;
    if (!reader.Next(line)) {
        return {};
    }
    std::string master;
    Decipher(master, line);
    return master;
}

std::vector<Entry> ReadEntryLines(std::string_view fileBytes) {
    std::size_t total = 0;
    return ReadEntryLines(fileBytes, static_cast<std::size_t>(-1), total);
}

std::size_t CountLineEnds(std::string_view fileBytes) {
    std::size_t lineEnds = 0;
    for (const char *p = fileBytes.data(), *end = p + fileBytes.size();
         (p = static_cast<const char*>(std::memchr(p, kCR, static_cast<std::size_t>(end - p)))) != nullptr; ++p) {
        ++lineEnds;
    }
    return lineEnds;
}

void ScanEntryLines(std::string_view fileBytes, std::size_t limit, std::size_t& total, const RawEntrySink& entry) {
    total = 0;
    LineReader reader(fileBytes);
    std::string_view line;
    if (!reader.Next(line)) {
        return;
    }
    while (reader.Next(line)) {
        if (line.empty() || line == " ") {
            continue;
        }
        if (++total > limit) {
            continue; // counted, not kept
        }
        EntryView fields;
        std::size_t pos = 0;
        for (const Field field : kFields) {
            const std::size_t sep = line.find(kRawSeparator, pos);
            fields[field] = line.substr(pos, sep == std::string_view::npos ? line.npos : sep - pos);
            if (sep == std::string_view::npos) {
                break;
            }
            pos = sep + kRawSeparator.size();
        }
        entry(fields);
    }
}

std::vector<Entry> ReadEntryLines(std::string_view fileBytes, std::size_t limit, std::size_t& total) {
    std::vector<Entry> entries;
    // One entry per line end at most: counting them first spares the vector's regrowth.
    entries.reserve(std::min<std::size_t>({CountLineEnds(fileBytes) + 1, limit, kMaxEntries + 1}));
    ScanEntryLines(fileBytes, limit, total, [&](const EntryView& enciphered) {
        Entry& e = entries.emplace_back();
        for (const Field field : kFields) {
            Decipher(e[field], enciphered[field]);
        }
    });
    return entries;
}

EntryView ViewOf(const Entry& entry) {
    return MapFields<std::string_view>(entry, [](const std::string& text) { return std::string_view(text); });
}

Unstorable CheckStorable(std::string_view utf8, Field field) {
    const bool endsBeforeSeparator = field != kLastField && !utf8.empty() && utf8.back() == '|';
    if (endsBeforeSeparator || utf8.find(kSeparator) != std::string_view::npos) {
        return Unstorable::Separator;
    }
    return CheckMasterStorable(utf8);
}

Unstorable CheckMasterStorable(std::string_view utf8) {
    if (cp1252::FirstUnrepresentable(utf8) != 0) {
        return Unstorable::OutsideCodePage;
    }
    if (utf8.find("\xC2\x8D") != std::string_view::npos) {
        return Unstorable::LineBreaking;
    }
    return Unstorable::None;
}

} // namespace vault

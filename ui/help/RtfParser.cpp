#include "RtfParser.h"

#include "Cp1252.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace rtf {

std::string Paragraph::Text() const {
    std::string text;
    for (const Run& run : runs) {
        text += run.text;
    }
    return text;
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Printable ASCII that stands for itself in body text.
bool IsPlainText(char c) {
    return c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}';
}

// Where the characters of a group go.
enum class Dest : std::uint8_t {
    Text,        // the document body
    Skip,        // nothing of it is shown
    FontTable,   // font names, each ended by ';'
    ColourTable, // \red \green \blue entries, each ended by ';'
    UprAnsi,     // {\upr ...}: the ANSI copy is dropped, its {\*\ud ...} Unicode copy is shown
};

// A font number that stands for the document's default font (\deff), so that \deff may come later.
constexpr int kDocumentFont = INT_MIN;

constexpr int kMaxHalfPoints = 3276; // 1638 pt
constexpr std::size_t kMaxFontName = 64;

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;
    int font = kDocumentFont;
    int halfPoints = kDefaultHalfPoints;
    int colour = 0; // index into the colour table
    bool operator==(const CharFormat&) const = default;
};

struct State {
    CharFormat format;
    Dest dest = Dest::Text;
    Dest parentDest = Dest::Text;
    int unicodeSkip = 1; // \ucN
};

enum class Action : std::uint8_t {
    Paragraph,
    Character, // inserts `character`
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Hidden,
    Plain,
    Font,
    FontSize,
    Colour,
    DefaultFont,
    UnicodeSkip,
    Unicode,
    FontTable,
    ColourTable,
    Red,
    Green,
    Blue,
    Upr,
    Ud,
    SkipGroup,
};

struct WordInfo {
    Action action;
    char32_t character = 0;
};

struct NamedWord {
    std::string_view name;
    WordInfo info;
};

// clang-format off
constexpr NamedWord kWords[] = {
    {"par", {Action::Paragraph}}, {"sect", {Action::Paragraph}}, {"page", {Action::Paragraph}},
    {"row", {Action::Paragraph}},
    {"line", {Action::Character, 0x2028}}, {"tab", {Action::Character, '\t'}},
    {"cell", {Action::Character, '\t'}}, {"nestcell", {Action::Character, '\t'}},
    {"emdash", {Action::Character, 0x2014}}, {"endash", {Action::Character, 0x2013}},
    {"bullet", {Action::Character, 0x2022}}, {"lquote", {Action::Character, 0x2018}},
    {"rquote", {Action::Character, 0x2019}}, {"ldblquote", {Action::Character, 0x201C}},
    {"rdblquote", {Action::Character, 0x201D}}, {"emspace", {Action::Character, 0x2003}},
    {"enspace", {Action::Character, 0x2002}}, {"qmspace", {Action::Character, 0x2005}},
    {"zwj", {Action::Character, 0x200D}}, {"zwnj", {Action::Character, 0x200C}},
    {"zwbo", {Action::Character, 0x200B}}, {"ltrmark", {Action::Character, 0x200E}},
    {"rtlmark", {Action::Character, 0x200F}},
    {"b", {Action::Bold}}, {"i", {Action::Italic}}, {"ulnone", {Action::UnderlineNone}}, {"v", {Action::Hidden}},
    {"plain", {Action::Plain}}, {"f", {Action::Font}}, {"fs", {Action::FontSize}}, {"cf", {Action::Colour}},
    {"deff", {Action::DefaultFont}}, {"uc", {Action::UnicodeSkip}}, {"u", {Action::Unicode}},
    {"fonttbl", {Action::FontTable}}, {"colortbl", {Action::ColourTable}},
    {"red", {Action::Red}}, {"green", {Action::Green}}, {"blue", {Action::Blue}},
    {"upr", {Action::Upr}}, {"ud", {Action::Ud}},
};

// Every kind of underline shows as a plain one.
constexpr std::string_view kUnderlines[] = {
    "ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd", "ulthdash",
    "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave",
};

// Groups that hold nothing to show. Every {\*...} group is skipped as well.
constexpr std::string_view kSkippedGroups[] = {
    "pict", "info", "stylesheet", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
    "footerf", "footnote", "fldinst", "object", "objdata", "themedata", "colorschememapping", "latentstyles",
    "datastore", "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "mmathPr", "filetbl",
    "revtbl", "pgdsctbl", "nonshppict", "docvar", "userprops", "template", "xe", "tc", "txe", "private",
};
// clang-format on

const std::unordered_map<std::string_view, WordInfo>& Words() {
    static const std::unordered_map<std::string_view, WordInfo> words = [] {
        std::unordered_map<std::string_view, WordInfo> w;
        for (const NamedWord& word : kWords) {
            w.emplace(word.name, word.info);
        }
        for (const std::string_view name : kUnderlines) {
            w.emplace(name, WordInfo{Action::Underline});
        }
        for (const std::string_view name : kSkippedGroups) {
            w.emplace(name, WordInfo{Action::SkipGroup});
        }
        return w;
    }();
    return words;
}

class Parser {
public:
    explicit Parser(std::string_view input, std::size_t start) : in_(input), pos_(start) {}

    Document Run() {
        stack_.push_back(State{}); // outside every group
        while (pos_ < in_.size() && !done_) {
            const char c = in_[pos_];
            switch (c) {
            case '{':
                ++pos_;
                OpenGroup();
                break;
            case '}':
                ++pos_;
                CloseGroup();
                break;
            case '\\':
                ++pos_;
                Control();
                break;
            case '\r':
            case '\n':
                ++pos_;
                break;
            default:
                if (IsPlainText(c) && skip_ == 0 && pendingHigh_ == 0 && Top().dest == Dest::Text) {
                    std::size_t end = pos_ + 1;
                    while (end < in_.size() && IsPlainText(in_[end])) {
                        ++end;
                    }
                    AppendText(in_.substr(pos_, end - pos_));
                    pos_ = end;
                } else {
                    ++pos_;
                    RawByte(static_cast<unsigned char>(c));
                }
                break;
            }
        }
        FlushHighSurrogate();
        FlushRun();
        if (!paragraph_.runs.empty()) {
            doc_.paragraphs.push_back(std::move(paragraph_));
        }
        doc_.isRtf = true;
        return std::move(doc_);
    }

private:
    State& Top() { return stack_.back(); }

    void OpenGroup() {
        skip_ = 0; // fallback characters never run past a brace
        if (stack_.size() > kMaxGroupDepth) {
            ++unstacked_;
            return;
        }
        State inner = stack_.back();
        inner.parentDest = inner.dest;
        stack_.push_back(inner);
    }

    void CloseGroup() {
        skip_ = 0;
        if (unstacked_ > 0) {
            --unstacked_;
            return;
        }
        if (stack_.back().dest == Dest::FontTable) {
            CommitFont(); // an entry may end with its group instead of ';'
        }
        if (stack_.size() > 1) {
            stack_.pop_back();
        }
        if (stack_.size() == 1) {
            done_ = true; // the outer {\rtf group is closed
        }
    }

    void Control() {
        if (pos_ >= in_.size()) {
            return; // a backslash at the very end
        }
        const char c = in_[pos_];
        if (IsLetter(c)) {
            ControlWord();
            return;
        }
        ++pos_;
        if (c == '\'') {
            int value = -1;
            if (pos_ + 1 < in_.size() && HexValue(in_[pos_]) >= 0 && HexValue(in_[pos_ + 1]) >= 0) {
                value = HexValue(in_[pos_]) * 16 + HexValue(in_[pos_ + 1]);
                pos_ += 2;
            } else if (pos_ < in_.size() && HexValue(in_[pos_]) >= 0) {
                ++pos_; // cut short: dropped
            }
            if (skip_ > 0) {
                --skip_;
            } else if (value >= 0) {
                Byte(static_cast<unsigned char>(value));
            }
            return;
        }
        if (skip_ > 0) {
            --skip_;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Character(static_cast<unsigned char>(c));
            break;
        case '~':
            Character(0x00A0);
            break;
        case '_':
            Character(0x2011);
            break;
        case '*':
            Top().dest = Dest::Skip; // {\*\ud} inside {\upr} is shown again when \ud comes
            break;
        case '\r':
        case '\n':
            if (Top().dest == Dest::Text) {
                Paragraph(); // a backslash before a line end is \par
            }
            break;
        default:
            break; // \- optional hyphen, \: \| and the rest show nothing
        }
    }

    void ControlWord() {
        const std::size_t start = pos_;
        while (pos_ < in_.size() && IsLetter(in_[pos_])) {
            ++pos_;
        }
        const std::string_view word = in_.substr(start, pos_ - start);

        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && IsDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        bool hasParam = false;
        long long value = 0;
        while (pos_ < in_.size() && IsDigit(in_[pos_])) {
            hasParam = true;
            value = std::min<long long>(value * 10 + (in_[pos_] - '0'), INT_MAX);
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') {
            ++pos_; // the delimiter belongs to the word
        }
        const int param = static_cast<int>(negative ? -value : value);

        if (word == "bin") {
            // Binary data follows, whatever the destination and even inside fallback characters.
            if (hasParam && param > 0) {
                pos_ += std::min<std::size_t>(static_cast<std::size_t>(param), in_.size() - pos_);
            }
            if (skip_ > 0) {
                --skip_;
            }
            return;
        }
        if (skip_ > 0) {
            --skip_;
            return;
        }
        const auto& known = Words();
        const auto found = known.find(word);
        if (found == known.end()) {
            return;
        }
        Apply(found->second, hasParam, param);
    }

    void Apply(const WordInfo& info, bool hasParam, int param) {
        State& s = Top();
        const bool on = !hasParam || param != 0;
        switch (s.dest) {
        case Dest::Skip:
            if (info.action == Action::Ud && s.parentDest == Dest::UprAnsi) {
                s.dest = Dest::Text;
            }
            return;
        case Dest::UprAnsi:
            if (info.action == Action::SkipGroup) {
                s.dest = Dest::Skip;
            }
            return;
        case Dest::FontTable:
            if (info.action == Action::Font) {
                CommitFont();
                fontNumber_ = hasParam ? param : 0;
            } else if (info.action == Action::SkipGroup) {
                s.dest = Dest::Skip;
            } else if (info.action == Action::Unicode) {
                Unicode(hasParam, param);
            }
            return;
        case Dest::ColourTable:
            if (info.action == Action::Red || info.action == Action::Green || info.action == Action::Blue) {
                const int shift = info.action == Action::Red ? 16 : info.action == Action::Green ? 8 : 0;
                const auto component = static_cast<std::uint32_t>(std::clamp(param, 0, 255));
                colourEntry_ = (colourEntry_ & ~(0xFFu << shift)) | (component << shift);
                colourEntrySet_ = true;
            } else if (info.action == Action::SkipGroup) {
                s.dest = Dest::Skip;
            }
            return;
        case Dest::Text:
            break;
        }

        CharFormat& f = s.format;
        switch (info.action) {
        case Action::Paragraph:
            Paragraph();
            break;
        case Action::Character:
            Character(info.character);
            break;
        case Action::Bold:
            f.bold = on;
            break;
        case Action::Italic:
            f.italic = on;
            break;
        case Action::Underline:
            f.underline = on;
            break;
        case Action::UnderlineNone:
            f.underline = false;
            break;
        case Action::Hidden:
            f.hidden = on;
            break;
        case Action::Plain:
            f = CharFormat{};
            break;
        case Action::Font:
            f.font = hasParam ? param : 0;
            break;
        case Action::FontSize:
            f.halfPoints = hasParam && param > 0 ? std::min(param, kMaxHalfPoints) : kDefaultHalfPoints;
            break;
        case Action::Colour:
            f.colour = hasParam ? param : 0;
            break;
        case Action::DefaultFont:
            defaultFont_ = hasParam ? param : 0;
            break;
        case Action::UnicodeSkip:
            s.unicodeSkip = hasParam ? std::max(param, 0) : 1;
            break;
        case Action::Unicode:
            Unicode(hasParam, param);
            break;
        case Action::FontTable:
            s.dest = Dest::FontTable;
            fontName_.clear();
            break;
        case Action::ColourTable:
            s.dest = Dest::ColourTable;
            colourEntry_ = 0;
            colourEntrySet_ = false;
            break;
        case Action::Upr:
            s.dest = Dest::UprAnsi;
            break;
        case Action::SkipGroup:
            s.dest = Dest::Skip;
            break;
        case Action::Red:
        case Action::Green:
        case Action::Blue:
        case Action::Ud:
            break;
        }
    }

    void Unicode(bool hasParam, int param) {
        if (!hasParam) {
            return;
        }
        // A signed 16-bit number: negative values are the upper half of the BMP.
        long long c = param < 0 ? param + 65536LL : param;
        if (c < 0 || c > 0x10FFFF) {
            c = kReplacement;
        }
        Character(static_cast<char32_t>(c));
        skip_ = Top().unicodeSkip;
    }

    // A byte of the document's code page, raw or from \'hh.
    void Byte(unsigned char byte) { Character(cp1252::ToUnicode(byte)); }

    void RawByte(unsigned char value) {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        const Dest dest = Top().dest;
        if (value == ';' && dest == Dest::FontTable) {
            CommitFont();
        } else if (value == ';' && dest == Dest::ColourTable) {
            colours_.push_back(colourEntrySet_ ? colourEntry_ : kAutoColour);
            colourEntry_ = 0;
            colourEntrySet_ = false;
        } else {
            Byte(value);
        }
    }

    void Character(char32_t c) {
        if (c < 0x20 && c != '\t') {
            return;
        }
        switch (Top().dest) {
        case Dest::Text:
            TextCharacter(c);
            break;
        case Dest::FontTable:
            if (fontName_.size() < kMaxFontName) {
                cp1252::AppendCodePoint(fontName_, c);
            }
            break;
        default:
            break;
        }
    }

    // Joins \u surrogate pairs; a half without its partner becomes U+FFFD.
    void TextCharacter(char32_t c) {
        if (pendingHigh_ != 0) {
            const char32_t high = pendingHigh_;
            pendingHigh_ = 0;
            if (IsLowSurrogate(c)) {
                AppendCharacter(0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00));
                return;
            }
            AppendCharacter(kReplacement);
        }
        if (IsHighSurrogate(c)) {
            pendingHigh_ = c;
            return;
        }
        AppendCharacter(c);
    }

    void FlushHighSurrogate() {
        if (pendingHigh_ != 0) {
            pendingHigh_ = 0;
            AppendCharacter(kReplacement);
        }
    }

    void MatchFormat() {
        const CharFormat& current = Top().format;
        if (!(current == pendingFormat_)) {
            FlushRun();
            pendingFormat_ = current;
        }
    }

    void AppendCharacter(char32_t c) {
        MatchFormat();
        if (!pendingFormat_.hidden) {
            cp1252::AppendCodePoint(pendingText_, c);
        }
    }

    void AppendText(std::string_view ascii) {
        MatchFormat();
        if (!pendingFormat_.hidden) {
            pendingText_ += ascii;
        }
    }

    void FlushRun() {
        if (pendingText_.empty()) {
            return;
        }
        rtf::Run run;
        run.bold = pendingFormat_.bold;
        run.italic = pendingFormat_.italic;
        run.underline = pendingFormat_.underline;
        run.halfPoints = pendingFormat_.halfPoints;
        const int fontNumber = pendingFormat_.font == kDocumentFont ? defaultFont_ : pendingFormat_.font;
        if (const auto font = fonts_.find(fontNumber); font != fonts_.end()) {
            run.font = font->second;
        }
        const int colour = pendingFormat_.colour;
        if (colour >= 0 && static_cast<std::size_t>(colour) < colours_.size()) {
            run.colour = colours_[static_cast<std::size_t>(colour)];
        }
        std::vector<rtf::Run>& runs = paragraph_.runs;
        if (!runs.empty() && runs.back().SameFormat(run)) {
            runs.back().text += pendingText_;
            pendingText_.clear();
        } else {
            run.text = std::move(pendingText_);
            pendingText_.clear();
            runs.push_back(std::move(run));
        }
    }

    void Paragraph() {
        FlushHighSurrogate();
        FlushRun();
        doc_.paragraphs.push_back(std::move(paragraph_));
        paragraph_ = {};
    }

    void CommitFont() {
        const auto first = fontName_.find_first_not_of(' ');
        if (first != std::string::npos) {
            const auto last = fontName_.find_last_not_of(' ');
            fonts_.insert_or_assign(fontNumber_, fontName_.substr(first, last - first + 1));
        }
        fontName_.clear();
    }

    std::string_view in_;
    std::size_t pos_;
    bool done_ = false;

    std::vector<State> stack_;
    std::size_t unstacked_ = 0; // open braces beyond kMaxGroupDepth

    int skip_ = 0;             // \uc fallback characters still to skip
    char32_t pendingHigh_ = 0; // a \u high surrogate waiting for its low half

    std::unordered_map<int, std::string> fonts_;
    int defaultFont_ = 0;
    int fontNumber_ = 0;
    std::string fontName_;

    std::vector<std::uint32_t> colours_;
    std::uint32_t colourEntry_ = 0;
    bool colourEntrySet_ = false;

    CharFormat pendingFormat_;
    std::string pendingText_;
    rtf::Paragraph paragraph_;
    Document doc_;
};

} // namespace

Document Parse(std::string_view bytes) {
    const std::size_t start = bytes.find_first_not_of(" \t\r\n\f\v");
    if (start == std::string_view::npos || bytes.substr(start, 5) != "{\\rtf") {
        return {};
    }
    return Parser(bytes, start).Run();
}

} // namespace rtf

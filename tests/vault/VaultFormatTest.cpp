#include "VaultFormat.h"

#include <gtest/gtest.h>

namespace {

using vault::Entry;

// The expected bytes are made here, independently of the writer under test: UTF-8 decoded by hand, each
// character's code-page byte from the published table, its top bit toggled.
constexpr char32_t kWindowsCodes[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned char CodePageByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<unsigned char>(c);
    }
    for (int i = 0; i < 32; ++i) {
        if (kWindowsCodes[i] == c) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return '?';
}

std::string E(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : b & (0x7F >> n);
        for (int k = 1; k < n; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        }
        i += static_cast<std::size_t>(n);
        out.push_back(static_cast<char>(CodePageByte(c) ^ 0x80));
    }
    return out;
}

// Toggles every top bit: a plain line as it stands on disk.
std::string Stored(std::string plain) {
    for (char& c : plain) {
        c = static_cast<char>(c ^ 0x80);
    }
    return plain;
}

TEST(FileShapes, EveryCharacterIsStoredAsItsCodePageByteWithTheTopBitToggled) {
    for (int b = 1; b < 256; ++b) {
        const char32_t c = b >= 0x80 && b < 0xA0 ? kWindowsCodes[b - 0x80] : static_cast<char32_t>(b);
        std::string utf8;
        if (c < 0x80) {
            utf8 = std::string(1, static_cast<char>(c));
        } else if (c < 0x800) {
            utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        }
        EXPECT_EQ(vault::MasterOnlyBytes(utf8), std::string(1, static_cast<char>(b ^ 0x80)) + "\r\n") << "byte " << b;
    }
}

// The writer scrambles eight bytes at a time and the last few as one overlapping word: every length
// from one byte to several words, ASCII and Windows characters mixed, is checked byte for byte.
TEST(FileShapes, FieldsOfEveryLengthAreScrambledInEveryByte) {
    const std::string windows = "aB3\xE2\x82\xAC-x\xC3\xA9Z9_q\xC5\xA0"; // with €, é and Š
    for (std::size_t length = 1; length <= 70; ++length) {
        std::string ascii;
        for (std::size_t i = 0; ascii.size() < length; ++i) {
            ascii += static_cast<char>('!' + i % 90);
        }
        const std::string mixed = windows + ascii;
        const std::string bytes = vault::VaultBytes("m", {{ascii, mixed, ascii + "|x"}});
        EXPECT_EQ(bytes, E("m") + "\r\n" + E(ascii) + "\xFC\xFC\xFC" + E(mixed) + "\xFC\xFC\xFC" + E(ascii + "|x") +
                             "\r\n\r\n")
            << "length " << length;
    }
}

TEST(FileShapes, AreByteExact) {
    EXPECT_EQ(vault::EmptyVaultBytes(), "\r\n");
    EXPECT_EQ(vault::MasterOnlyBytes("abc"), "\xE1\xE2\xE3\r\n");
    EXPECT_EQ(vault::VaultBytes("abc", {}), "\xE1\xE2\xE3\r\n\r\n");
    EXPECT_EQ(vault::EntryLine({"a", "", "b"}), "\xE1\xFC\xFC\xFC\xFC\xFC\xFC\xE2");

    const std::vector<Entry> two = {{"user", "pw", "site.example"}, {"bob", "x y", ""}};
    const std::string bytes = vault::VaultBytes("master", two);
    EXPECT_EQ(bytes, E("master") + "\r\n" + E("user") + "\xFC\xFC\xFC" + E("pw") + "\xFC\xFC\xFC" + E("site.example") +
                         "\r\n" + E("bob") + "\xFC\xFC\xFC" + E("x y") + "\xFC\xFC\xFC" + "\r\n\r\n");
    // (master + 2) + sum over entries of (fields + 8) + 2
    EXPECT_EQ(bytes.size(), (6u + 2) + (4 + 2 + 12 + 8) + (3 + 3 + 0 + 8) + 2);
    EXPECT_EQ(E(" "), "\xA0");
}

TEST(FileShapes, WindowsCharactersAreOneByteEach) {
    // "€" is code 128 and is stored as NUL; "Š" is 0x8A and is stored as LF. Both read back.
    const std::vector<Entry> entries = {{"€", "a€b", "€"}, {"Š", "xŠ", "Šy"}, {"é", "ü", "Ÿ"}};
    const std::string bytes = vault::VaultBytes("m€Š", entries);
    EXPECT_EQ(bytes.substr(0, 5), std::string("\xED\x00\x0A\r\n", 5));
    EXPECT_EQ(bytes.substr(5, 1), std::string(1, '\0'));
    EXPECT_EQ(vault::ReadMasterLine(bytes), "m€Š");
    EXPECT_EQ(vault::ReadEntryLines(bytes), entries);
}

TEST(FileShapes, CharactersOutsideTheCodePageReadBackAsQuestionMarks) {
    const std::string bytes = vault::VaultBytes("pass中", {{"Ωmega", "p", "l"}});
    EXPECT_EQ(vault::ReadMasterLine(bytes), "pass?");
    EXPECT_EQ(vault::ReadEntryLines(bytes).at(0).username, "?mega");
}

TEST(ReadingRules, FirstRunFiles) {
    EXPECT_EQ(vault::ReadMasterLine(""), ""); // zero bytes: a first run
    EXPECT_TRUE(vault::ReadEntryLines("").empty());
    EXPECT_EQ(vault::ReadMasterLine("\r\n"), ""); // the file made for a missing vault
    EXPECT_TRUE(vault::ReadEntryLines("\r\n").empty());
    // The first-run file holds the master line only.
    EXPECT_EQ(vault::ReadMasterLine(vault::MasterOnlyBytes("secret")), "secret");
    EXPECT_TRUE(vault::ReadEntryLines(vault::MasterOnlyBytes("secret")).empty());
    // An empty list.
    EXPECT_TRUE(vault::ReadEntryLines(vault::VaultBytes("secret", {})).empty());
}

TEST(ReadingRules, LineEnds) {
    const std::string m = E("m");
    // CR alone ends a line; CR LF is one line end; a master line without any CR is still line 1.
    EXPECT_EQ(vault::ReadEntryLines(m + "\r" + E("a") + "\r" + E("b")),
              (std::vector<Entry>{{"a", "", ""}, {"b", "", ""}}));
    EXPECT_EQ(vault::ReadMasterLine(m), "m");
    EXPECT_TRUE(vault::ReadEntryLines(m).empty());
    // A lone LF and a NUL are characters of the line (the stored "Š" and "€").
    EXPECT_EQ(vault::ReadEntryLines(m + "\r\n" + E("a") + "\n" + std::string(1, '\0') + "\r\n"),
              (std::vector<Entry>{{"aŠ€", "", ""}}));
    // A last line without a line end is read.
    EXPECT_EQ(vault::ReadEntryLines(m + "\r\n" + vault::EntryLine({"u", "p", "l"})),
              (std::vector<Entry>{{"u", "p", "l"}}));
}

TEST(ReadingRules, EmptyAndOneSpaceLinesAreSkipped) {
    const std::string bytes = E("m") + "\r\n\r\n \r\n" + vault::EntryLine({"u", "p", "l"}) + "\r\n  \r\n\r\n";
    // A raw single space is skipped; two raw spaces make an entry (their deciphered text).
    EXPECT_EQ(vault::ReadEntryLines(bytes), (std::vector<Entry>{{"u", "p", "l"}, {"\xC2\xA0\xC2\xA0", "", ""}}));
}

TEST(ReadingRules, SplittingAtSeparators) {
    auto one = [](const std::string& plain) {
        const std::string line = Stored(plain);
        const auto entries = vault::ReadEntryLines(E("m") + "\r\n" + line + "\r\n");
        return entries.at(0);
    };
    EXPECT_EQ(one("a|||b|||c"), (Entry{"a", "b", "c"}));
    EXPECT_EQ(one("a|||b"), (Entry{"a", "b", ""})); // missing pieces are empty
    EXPECT_EQ(one("a"), (Entry{"a", "", ""}));
    EXPECT_EQ(one("|||||||||"), (Entry{"", "", ""}));
    EXPECT_EQ(one("a|||b|||c|||d|||e"), (Entry{"a", "b", "c"})); // pieces after the third are ignored
    EXPECT_EQ(one("a||||b"), (Entry{"a", "|b", ""}));            // left to right, no overlap
    EXPECT_EQ(one("a|||||b"), (Entry{"a", "||b", ""}));
    EXPECT_EQ(one("a||b|c"), (Entry{"a||b|c", "", ""}));
}

TEST(ReadingRules, EntriesWithEmptyFieldsSurviveASave) {
    const std::vector<Entry> entries = {{"u", "", "l"}, {"u2", "p", ""}, {"", "p3", ""}};
    EXPECT_EQ(vault::ReadEntryLines(vault::VaultBytes("m", entries)), entries);
}

TEST(Storable, RefusesWhatWouldNotReadBack) {
    using vault::Field;
    using vault::Unstorable;
    EXPECT_EQ(vault::CheckStorable("plain ascii", Field::Username), Unstorable::None);
    EXPECT_EQ(vault::CheckStorable("€uro Šk", Field::Password), Unstorable::None);
    EXPECT_EQ(vault::CheckStorable("a|||b", Field::Location), Unstorable::Separator);
    EXPECT_EQ(vault::CheckMasterStorable("a|||b"), Unstorable::None); // line 1 is never split
    EXPECT_EQ(vault::CheckStorable("a||b", Field::Username), Unstorable::None);
    EXPECT_EQ(vault::CheckStorable("|lead", Field::Password), Unstorable::None);
    EXPECT_EQ(vault::CheckMasterStorable("中"), Unstorable::OutsideCodePage);
    EXPECT_EQ(vault::CheckMasterStorable("a\xC2\x8D"
                                         "b"),
              Unstorable::LineBreaking);
    // A trailing bar would join the separator after it; the location has none after it.
    EXPECT_EQ(vault::CheckStorable("pipe|", Field::Username), Unstorable::Separator);
    EXPECT_EQ(vault::CheckStorable("pipe|", Field::Password), Unstorable::Separator);
    EXPECT_EQ(vault::CheckStorable("pipe|", Field::Location), Unstorable::None);
}

TEST(Storable, WhatIsStorableReadsBackExactly) {
    const std::vector<Entry> entries = {{"|a||", "||b|c", "d||"}, {"", "|", ""}, {"x", "", "|||"}};
    std::vector<Entry> storable;
    for (const Entry& e : entries) {
        if (vault::CheckStorable(e.username, vault::Field::Username) == vault::Unstorable::None &&
            vault::CheckStorable(e.password, vault::Field::Password) == vault::Unstorable::None &&
            vault::CheckStorable(e.location, vault::Field::Location) == vault::Unstorable::None) {
            storable.push_back(e);
        }
    }
    ASSERT_EQ(storable.size(), 0u) << "each of these has a field that would split wrongly";
    const std::vector<Entry> fine = {{"|a|b", "||b|c", "d||"}, {"", "", "|"}};
    EXPECT_EQ(vault::ReadEntryLines(vault::VaultBytes("m", fine)), fine);
}

} // namespace

#include "Cp1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1252, EveryByteRoundTripsThroughUnicode) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(cp1252::FromUtf8(cp1252::ToUtf8(byte)), byte) << "byte " << b;
        EXPECT_TRUE(cp1252::IsRepresentable(cp1252::ToUnicode(static_cast<unsigned char>(b))));
    }
}

// The code page's published table for 0x80-0x9F; the five codes it leaves unassigned stand for the C1
// controls of the same value. Every other byte is the Unicode character of the same number.
constexpr char32_t kWindowsCodes[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

TEST(Cp1252, EveryByteIsThePublishedCharacter) {
    for (int b = 0; b < 256; ++b) {
        const char32_t expected = b >= 0x80 && b < 0xA0 ? kWindowsCodes[b - 0x80] : static_cast<char32_t>(b);
        EXPECT_EQ(cp1252::ToUnicode(static_cast<unsigned char>(b)), expected) << "byte " << b;
        EXPECT_EQ(cp1252::FromUnicode(expected), b) << "byte " << b;
    }
}

TEST(Cp1252, HighCodesAreTheWindowsCharacters) {
    EXPECT_EQ(cp1252::ToUtf8("\x80"), "€");
    EXPECT_EQ(cp1252::ToUtf8("\x8A"), "Š");
    EXPECT_EQ(cp1252::ToUtf8("\x9F"), "Ÿ");
    EXPECT_EQ(cp1252::ToUtf8("\xE9"), "é");
    EXPECT_EQ(cp1252::FromUtf8("€Š“”…"), "\x80\x8A\x93\x94\x85");
    // The five unassigned codes stand for the C1 controls of the same value.
    for (const unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(cp1252::ToUnicode(b), static_cast<char32_t>(b));
        EXPECT_EQ(cp1252::FromUnicode(b), b);
    }
    // Latin-1's own characters at 0x80..0x9F are not in the code page.
    EXPECT_EQ(cp1252::FromUnicode(0x0080), '?');
    EXPECT_EQ(cp1252::FromUnicode(0x008A), '?');
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(cp1252::FromUtf8("a€b"), "a\x80"
                                       "b");
    EXPECT_EQ(cp1252::FromUtf8("Ωж中😀"), "????");
    EXPECT_EQ(cp1252::FirstUnrepresentable("naïve €"), U'\0');
    EXPECT_EQ(cp1252::FirstUnrepresentable("pass中"), U'中');
}

TEST(Cp1252, MalformedUtf8NeverStallsAndBecomesQuestionMarks) {
    EXPECT_EQ(cp1252::FromUtf8("a\xFF"
                               "b"),
              "a?b");
    EXPECT_EQ(cp1252::FromUtf8("\xC3"), "?");           // cut short at the end
    EXPECT_EQ(cp1252::FromUtf8("\xE2\x82"), "??");      // cut short, two bytes
    EXPECT_EQ(cp1252::FromUtf8("\xC0\xAF"), "??");      // overlong
    EXPECT_EQ(cp1252::FromUtf8("\xED\xA0\x80"), "???"); // a surrogate
    EXPECT_NE(cp1252::FirstUnrepresentable("\xFF"), U'\0');
}

// Find's rule: letter case ignored exactly where Unicode's case folding pairs two characters of the code
// page. Texts are written in UTF-8 here and searched as the file's bytes.
TEST(Cp1252, ContainsIgnoringCaseFoldsTheCodePagesLetterPairs) {
    struct Row {
        const char* text;
        const char* wanted;
        bool found;
    };
    const Row rows[] = {
        {"Mail.Example.COM", "example.com", true},
        {"alice", "ALICE", true},
        {"ÀÉÎÕÜÝÞ", "àéîõüýþ", true}, // the Latin-1 capitals and their small letters, 0x20 apart
        {"ÆØÐ", "æøð", true},
        {"Šeřík", "š", true},
        {"Œuvre", "œ", true},
        {"Žofia", "ž", true},
        {"Ÿ", "ÿ", true},
        {"2×3", "2÷3", false},        // × and ÷ stand 0x20 apart but are no pair
        {"Straße", "STRASSE", false}, // one letter is one letter: ß never matches "SS"
        {"µ", "Μ", false},            // the Greek capital is outside the code page: "?"
        {"abc", "", true},
        {"", "a", false},
        {"ab", "abc", false},
        {"@[`{", "`{@[", false}, // the neighbours of A-Z and a-z are not letters
        {"x@", "X`", false},
        {"pass|||word", "|||", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cp1252::ContainsIgnoringCase(cp1252::FromUtf8(row.text), cp1252::FromUtf8(row.wanted)), row.found)
            << row.text << " / " << row.wanted;
    }
}

TEST(Cp1252, FoldCaseChangesOnlyCapitalsAndIsItsOwnFixedPoint) {
    int changed = 0;
    for (int b = 0; b < 256; ++b) {
        const unsigned char folded = cp1252::FoldCase(static_cast<unsigned char>(b));
        EXPECT_EQ(cp1252::FoldCase(folded), folded) << "byte " << b;
        changed += folded != b;
    }
    // A-Z, 0xC0-0xDE but 0xD7, and Š Œ Ž Ÿ.
    EXPECT_EQ(changed, 26 + 30 + 4);
}

} // namespace

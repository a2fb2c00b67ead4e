#include "VaultFormat.h"

#include <gtest/gtest.h>

namespace {

using vault::Entry;

std::string E(std::string utf8) {
    return vault::MasterOnlyBytes(utf8).substr(0, vault::MasterOnlyBytes(utf8).size() - 2);
}

TEST(CipherText, TogglesTheTopBitAndIsItsOwnInverse) {
    std::string abc = "abc";
    EXPECT_EQ(vault::CipherText(abc), "\xE1\xE2\xE3");
    EXPECT_EQ(vault::CipherText(abc), "abc");

    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    std::string copy = all;
    vault::CipherText(copy);
    EXPECT_EQ(static_cast<unsigned char>(copy[0x80]), 0x00); // code 128 becomes 0
    EXPECT_EQ(static_cast<unsigned char>(copy[0x20]), 0xA0);
    EXPECT_EQ(vault::CipherText(copy), all);

    std::string empty;
    EXPECT_EQ(vault::CipherText(empty), "");
}

TEST(FileShapes, AreByteExact) {
    EXPECT_EQ(vault::EmptyVaultBytes(), "\r\n");
    EXPECT_EQ(vault::MasterOnlyBytes("abc"), "\xE1\xE2\xE3\r\n");
    EXPECT_EQ(vault::VaultBytes("abc", {}), "\xE1\xE2\xE3\r\n\r\n");
    EXPECT_EQ(vault::EntryLine({"a", "", "b"}), "\xE1\xFC\xFC\xFC\xFC\xFC\xFC\xE2");

    const std::vector<Entry> two = {{"user", "pw", "site.example"}, {"bob", "x y", ""}};
    const std::string bytes = vault::VaultBytes("master", two);
    EXPECT_EQ(bytes, E("master") + "\r\n" + E("user") + "\xFC\xFC\xFC" + E("pw") + "\xFC\xFC\xFC" +
                         E("site.example") + "\r\n" + E("bob") + "\xFC\xFC\xFC" + E("x y") + "\xFC\xFC\xFC" +
                         "\r\n\r\n");
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
    EXPECT_EQ(vault::ReadMasterLine(""), "");          // zero bytes: a first run
    EXPECT_TRUE(vault::ReadEntryLines("").empty());
    EXPECT_EQ(vault::ReadMasterLine("\r\n"), "");      // the file made for a missing vault
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
        std::string line = plain;
        vault::CipherText(line);
        const auto entries = vault::ReadEntryLines(E("m") + "\r\n" + line + "\r\n");
        return entries.at(0);
    };
    EXPECT_EQ(one("a|||b|||c"), (Entry{"a", "b", "c"}));
    EXPECT_EQ(one("a|||b"), (Entry{"a", "b", ""}));              // missing pieces are empty
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
    EXPECT_EQ(vault::CheckStorable("a|||b", Field::Master), Unstorable::None); // line 1 is never split
    EXPECT_EQ(vault::CheckStorable("a||b", Field::Username), Unstorable::None);
    EXPECT_EQ(vault::CheckStorable("|lead", Field::Password), Unstorable::None);
    EXPECT_EQ(vault::CheckStorable("中", Field::Master), Unstorable::OutsideCodePage);
    EXPECT_EQ(vault::CheckStorable("a\xC2\x8D" "b", Field::Master), Unstorable::LineBreaking);
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

// The compact entry table a loaded vault is shown from: it must read a file exactly as the entry
// reader does, write it back byte for byte, and keep every entry intact through edits and compaction.
#include "EntryTable.h"

#include "Cp1252.h"
#include "EntryTableProbe.h"
#include "VaultFormat.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using vault::EntryTable;
using Texts = std::array<std::string, 3>;

// The field a column of Texts holds.
vault::Field FieldAt(int column) {
    return vault::kFields[static_cast<std::size_t>(column)];
}

// Enciphers by hand (every byte's top bit toggled), independently of the writer under test.
std::string Stored(std::string codePage) {
    for (char& c : codePage) {
        c = static_cast<char>(c ^ 0x80);
    }
    return codePage;
}

std::vector<Texts> Rows(const EntryTable& table) {
    std::vector<Texts> rows;
    for (EntryTable::Slot s = 0; s < table.slotCount(); ++s) {
        rows.push_back({std::string(table.field(s, FieldAt(0))), std::string(table.field(s, FieldAt(1))),
                        std::string(table.field(s, FieldAt(2)))});
    }
    return rows;
}

TEST(EntryTable, ReadsAFileAsTheEntryReaderDoes) {
    const std::string sep = Stored("|||");
    const std::vector<std::string> files = {
        "",
        "\r\n",
        Stored("m") + "\r\n" + Stored("a") + sep + Stored("b") + sep + Stored("c") + "\r\n\r\n",
        // CR alone ends a line; a lone LF and a NUL belong to the line; empty and one-space lines are
        // skipped; pieces after the third are ignored and missing ones are empty.
        Stored("m") + "\r" + Stored("x\ny") + "\r" + std::string(1, '\0') + sep + "\r\n \r\n\r\n" + Stored("one") +
            "\r\n" + Stored("1") + sep + Stored("2") + sep + Stored("3") + sep + Stored("4"),
        // Windows characters: € is 0x80 (stored as NUL), Š is 0x8A (stored as LF).
        Stored("m") + "\r\n" + Stored("\x80\x8A") + sep + Stored("\xE9\xFC") + sep + Stored("\x9F") + "\r\n",
        // No master line end at all.
        Stored("only a master"),
    };
    for (const std::string& file : files) {
        std::size_t readerTotal = 0;
        const auto expected = vault::ReadEntryLines(file, 100, readerTotal);
        std::size_t total = 0;
        const EntryTable table = EntryTable::FromFile(file, 100, total).value();
        EXPECT_EQ(total, readerTotal);
        ASSERT_EQ(table.size(), expected.size());
        for (EntryTable::Slot s = 0; s < table.slotCount(); ++s) {
            EXPECT_EQ(cp1252::ToUtf8(table.field(s, FieldAt(0))), expected[s].username);
            EXPECT_EQ(cp1252::ToUtf8(table.field(s, FieldAt(1))), expected[s].password);
            EXPECT_EQ(cp1252::ToUtf8(table.field(s, FieldAt(2))), expected[s].location);
        }
    }
    std::size_t total = 0;
    const EntryTable table = EntryTable::FromFile(files[4], 100, total).value();
    EXPECT_EQ(Rows(table), (std::vector<Texts>{{"\x80\x8A", "\xE9\xFC", "\x9F"}}));
}

TEST(EntryTable, KeepsTheFirstEntriesUpToTheLimitAndCountsThemAll) {
    std::string file = Stored("m") + "\r\n";
    for (int i = 0; i < 10; ++i) {
        file += Stored("user" + std::to_string(i)) + "\r\n";
    }
    std::size_t total = 0;
    const EntryTable table = EntryTable::FromFile(file, 4, total).value();
    EXPECT_EQ(total, 10u);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table.field(3, FieldAt(0)), "user3");
}

TEST(EntryTable, ALoadedVaultIsWrittenBackByteForByte) {
    const std::vector<vault::Entry> entries = {
        {"alice@mail.example", "s3cret|x", "https://mail.example/"}, {"", "", ""}, {"b\xC3\xB6", "\xE2\x82\xAC", "x"}};
    const std::string file = vault::VaultBytes("master", entries);
    std::size_t total = 0;
    const EntryTable table = EntryTable::FromFile(file, vault::kMaxEntries, total).value();
    std::string written;
    vault::WriteVaultBytes(
        "master", table.slotCount(),
        [&](std::size_t i) {
            const auto s = static_cast<EntryTable::Slot>(i);
            return vault::EntryView{table.field(s, FieldAt(0)), table.field(s, FieldAt(1)), table.field(s, FieldAt(2))};
        },
        [&](std::string_view piece) {
            written += piece;
            return true;
        },
        vault::TextForm::CodePage);
    EXPECT_EQ(written, file);
}

// A password replaced or removed is wiped where it lay at once, not when the block is next compacted,
// which a small vault may never be: otherwise it would stay in memory for as long as the list is open.
TEST(EntryTable, ReplacedAndRemovedTextsLeaveNothingInMemory) {
    std::size_t total = 0;
    EntryTable table =
        EntryTable::FromFile(vault::VaultBytes("m", {{"alice", "loaded secret", "a.example"}}), 100, total).value();
    const EntryTable::Slot added = table.add({"bob", "added secret", "b.example"}).value();
    ASSERT_TRUE(table.setField(0, FieldAt(1), "new password"));
    table.remove(added);
    for (const std::string_view gone : {"loaded secret", "added secret", "bob", "b.example"}) {
        EXPECT_EQ(vault::EntryTableProbe::block(table).find(gone), std::string_view::npos) << gone;
    }
    EXPECT_EQ(Rows(table)[0], (Texts{"alice", "new password", "a.example"}));
}

// Random adds, edits and removals, some of them large enough to make the table compact its block,
// checked after every step against a plain list of the same texts.
TEST(EntryTable, EditsAndCompactionKeepEveryOtherEntry) {
    std::mt19937 random(7);
    const auto text = [&](std::size_t most) {
        std::string t(std::uniform_int_distribution<std::size_t>(0, most)(random), '\0');
        for (char& c : t) {
            c = static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random));
        }
        return t;
    };
    std::size_t total = 0;
    EntryTable table =
        EntryTable::FromFile(vault::VaultBytes("m", {{"a", "b", "c"}, {"d", "e", "f"}}), 100, total).value();
    std::vector<std::optional<Texts>> expected = {Texts{"a", "b", "c"}, Texts{"d", "e", "f"}};
    std::vector<EntryTable::Slot> live = {0, 1};
    for (int step = 0; step < 3000; ++step) {
        const int action = std::uniform_int_distribution<int>(0, 9)(random);
        const std::size_t most = step % 97 == 0 ? 200000 : 40;
        if (action < 4 || live.empty()) {
            const Texts t{text(most), text(most), text(most)};
            const EntryTable::Slot slot = table.add({t[0], t[1], t[2]}).value();
            if (slot >= expected.size()) {
                expected.resize(slot + 1);
            }
            ASSERT_FALSE(expected[slot]) << "a live slot was handed out again";
            expected[slot] = t;
            live.push_back(slot);
        } else {
            const std::size_t pick = std::uniform_int_distribution<std::size_t>(0, live.size() - 1)(random);
            const EntryTable::Slot slot = live[pick];
            if (action < 8) {
                const int field = std::uniform_int_distribution<int>(0, 2)(random);
                const std::string t = text(most);
                ASSERT_TRUE(table.setField(slot, FieldAt(field), t));
                (*expected[slot])[static_cast<std::size_t>(field)] = t;
            } else {
                table.remove(slot);
                expected[slot].reset();
                live.erase(live.begin() + static_cast<std::ptrdiff_t>(pick));
            }
        }
        ASSERT_EQ(table.size(), live.size());
        for (const EntryTable::Slot slot : live) {
            for (int f = 0; f < 3; ++f) {
                ASSERT_EQ(table.field(slot, FieldAt(f)), (*expected[slot])[static_cast<std::size_t>(f)])
                    << "step " << step;
            }
        }
    }
    // Compaction keeps the block near what the entries hold.
    std::size_t held = 0;
    for (const EntryTable::Slot slot : live) {
        for (int f = 0; f < 3; ++f) {
            held += table.field(slot, FieldAt(f)).size();
        }
    }
    EXPECT_LE(table.blockSize(), 2 * held + 64 * 1024 + 600000);
}

// Editing the same few entries over and over, with nothing ever removed, must not grow the block without
// end: each edit leaves the old text unused, and the table compacts once more than 64 KiB of it is
// unused and that is more than the entries hold, so the block stays within twice what they hold plus
// 64 KiB.
TEST(EntryTable, EditsAloneKeepTheBlockNearWhatTheEntriesHold) {
    EntryTable table;
    const std::array<EntryTable::Slot, 3> slots = {
        table.add({"a", "b", "c"}).value(), table.add({"d", "e", "f"}).value(), table.add({"g", "h", "i"}).value()};
    std::mt19937 random(11);
    for (int step = 0; step < 10000; ++step) {
        const std::string text(std::uniform_int_distribution<std::size_t>(0, 200)(random), char('a' + step % 26));
        ASSERT_TRUE(table.setField(slots[static_cast<std::size_t>(step) % slots.size()], FieldAt(step / 3 % 3), text));
        std::size_t held = 0;
        for (const EntryTable::Slot slot : slots) {
            for (int f = 0; f < 3; ++f) {
                held += table.field(slot, FieldAt(f)).size();
            }
        }
        ASSERT_LE(table.blockSize(), 2 * held + 64 * 1024) << "step " << step;
    }
}

// The texts' places are numbered in 32 bits, so a table holds at most 4 GiB of text and as many entries:
// a change past that is refused and leaves every entry as it was, while one that fits once the room of
// replaced texts is reused is taken. Tried with limits of a few bytes; a slot that is not there changes
// nothing either.
TEST(EntryTable, RefusesWhatItCannotHoldAndKeepsWhatItHad) {
    constexpr vault::TableLimits kSmall{12, 3};
    const std::vector<Texts> before = {{"ab", "cd", "ef"}, {"g", "", ""}}; // 7 of the 12 bytes
    struct Case {
        const char* what;
        std::function<bool(EntryTable&)> change;
        bool taken;
        std::vector<Texts> after; // empty: as before
    };
    const std::vector<Case> cases = {
        {"an entry up to the limit",
         [](EntryTable& t) {
             return t.add({"abc", "", "de"}).has_value();
         },
         true,
         {{"ab", "cd", "ef"}, {"g", "", ""}, {"abc", "", "de"}}},
        {"an entry one byte past it",
         [](EntryTable& t) {
             return t.add({"abc", "", "def"}).has_value();
         },
         false,
         {}},
        {"an entry past the number of slots",
         [](EntryTable& t) {
             return t.add({"x", "", ""}) && t.add({"", "", ""});
         },
         false,
         {{"ab", "cd", "ef"}, {"g", "", ""}, {"x", "", ""}}},
        {"a text up to the limit, once the old one's room is reused",
         [](EntryTable& t) { return t.setField(0, FieldAt(1), "cdefghi"); },
         true,
         {{"ab", "cdefghi", "ef"}, {"g", "", ""}}},
        {"a text one byte past it", [](EntryTable& t) { return t.setField(0, FieldAt(1), "cdefghij"); }, false, {}},
        {"three texts up to the limit",
         [](EntryTable& t) {
             return t.setFields(0, {"1234", "5678", "901"});
         },
         true,
         {{"1234", "5678", "901"}, {"g", "", ""}}},
        {"three texts one byte past it",
         [](EntryTable& t) {
             return t.setFields(0, {"1234", "5678", "9012"});
         },
         false,
         {}},
        {"a slot that is not there",
         [](EntryTable& t) {
             t.remove(5);
             t.reorder({1, 5});
             return t.setField(5, FieldAt(0), "x") || t.setFields(5, {"x", "", ""}) ||
                    !t.field(5, FieldAt(0)).empty() || t.fields(5) != EntryTable::Fields{};
         },
         false,
         {}},
    };
    for (const Case& c : cases) {
        EntryTable table(kSmall);
        for (const Texts& t : before) {
            ASSERT_TRUE(table.add({t[0], t[1], t[2]}));
        }
        EXPECT_EQ(c.change(table), c.taken) << c.what;
        EXPECT_EQ(Rows(table), c.after.empty() ? before : c.after) << c.what;
        EXPECT_LE(table.blockSize(), kSmall.blockBytes) << c.what;
    }

    // A file larger than the block can be is refused whole.
    std::size_t total = 1;
    EXPECT_FALSE(EntryTable::FromFile(std::string(13, 'x'), 100, total, kSmall));
    EXPECT_EQ(total, 0u);
    EXPECT_TRUE(EntryTable::FromFile(Stored("m") + "\r\n" + Stored("abcdefg"), 100, total, kSmall));
    EXPECT_EQ(total, 1u);
}

} // namespace

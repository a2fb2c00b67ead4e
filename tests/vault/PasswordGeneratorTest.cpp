#include "PasswordGenerator.h"

#include "VaultFormat.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <sys/syscall.h>
#include <unistd.h>

// Every call the program makes to the kernel's random source passes through here first, so a test can
// see that passwords come from it.
namespace {
std::atomic<int> gSystemRandomCalls{0};
}
extern "C" ssize_t getrandom(void* buffer, size_t size, unsigned int flags) {
    ++gSystemRandomCalls;
    return ::syscall(SYS_getrandom, buffer, size, flags);
}

namespace {

// The password as it reads back from a vault that stored it.
std::string StoredAndReadBack(const std::string& password) {
    const std::string bytes = vault::VaultBytes("master", {{"user", password, "site"}});
    const auto entries = vault::ReadEntryLines(bytes);
    return entries.size() == 1 ? entries[0].password : std::string("(no entry)");
}

} // namespace

TEST(PasswordGenerator, TwentyCharactersThatTheVaultStoresExactly) {
    const std::string_view alphabet = vault::PasswordAlphabet();
    // Letters, digits and punctuation: printable ASCII but the space and the field separator's "|".
    EXPECT_EQ(alphabet.size(), 93u);
    for (char c = '!'; c <= '~'; ++c) {
        EXPECT_EQ(alphabet.find(c) != std::string_view::npos, c != '|') << c;
    }
    // Each character, wherever it stands, reads back as it was written.
    const std::string all(alphabet);
    EXPECT_EQ(StoredAndReadBack(all), all);
    for (int draw = 0; draw < 200; ++draw) {
        const auto password = vault::GeneratePassword();
        ASSERT_TRUE(password.has_value());
        EXPECT_EQ(password->size(), 20u);
        EXPECT_EQ(password->find_first_not_of(alphabet), std::string::npos) << *password;
        EXPECT_EQ(vault::CheckStorable(*password, vault::Field::Password), vault::Unstorable::None) << *password;
        EXPECT_EQ(StoredAndReadBack(*password), *password);
    }
}

TEST(PasswordGenerator, NoTwoOfTenThousandAlikeAndEveryCharacterDrawn) {
    std::set<std::string> seen;
    std::set<char> used;
    for (int draw = 0; draw < 10000; ++draw) {
        const auto password = vault::GeneratePassword();
        ASSERT_TRUE(password.has_value());
        EXPECT_TRUE(seen.insert(*password).second) << "drawn twice: " << *password;
        used.insert(password->begin(), password->end());
    }
    EXPECT_EQ(used.size(), vault::PasswordAlphabet().size());
}

TEST(PasswordGenerator, ComesFromTheSystemRandomSource) {
    const int before = gSystemRandomCalls;
    ASSERT_TRUE(vault::GeneratePassword().has_value());
    EXPECT_GT(gSystemRandomCalls - before, 0);
}

TEST(PasswordGenerator, EachByteOfTheSourcePicksOneCharacterWithoutBias) {
    // Bytes 0, 1, 2, ... pick the characters in order; bytes from 186 (two whole alphabets) up are
    // passed over, so that no character is likelier than another.
    unsigned char next = 0;
    const vault::RandomSource counting = [&](unsigned char* bytes, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = next++;
        }
        return true;
    };
    EXPECT_EQ(vault::GeneratePassword(20, counting), "!\"#$%&'()*+,-./01234");
    next = 180; // 180..185 pick, 186..255 are passed over, then 0 and on
    EXPECT_EQ(vault::GeneratePassword(10, counting), "xyz{}~!\"#$");
    // A byte passed over is skipped, not read by its remainder: here the byte after it, 1, picks '"',
    // where 186 read as 186 % 93 would pick '!' and 255 would pick 'f'.
    for (const auto& [firstByte, picked] :
         {std::pair<unsigned char, std::string_view>{185, "~"}, {186, "\""}, {255, "\""}}) {
        const unsigned char first = firstByte; // clang before 16 cannot capture a structured binding
        const vault::RandomSource scripted = [first](unsigned char* bytes, std::size_t size) {
            std::fill(bytes, bytes + size, 1);
            bytes[0] = first;
            return true;
        };
        EXPECT_EQ(vault::GeneratePassword(1, scripted), picked) << int(first);
    }

    const vault::RandomSource failing = [](unsigned char*, std::size_t) { return false; };
    EXPECT_FALSE(vault::GeneratePassword(20, failing).has_value());
}

TEST(PasswordGenerator, OptionsChooseTheLengthAndTheKindsOfCharacter) {
    const std::string_view lower = "abcdefghijklmnopqrstuvwxyz";
    const std::string_view upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string_view digits = "0123456789";
    const std::string_view punctuation = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{}~";
    struct Case {
        vault::PasswordOptions options;
        std::string alphabet;
    };
    const std::vector<Case> cases = {
        {{1, true, false, false, false}, std::string(lower)},
        {{1024, false, true, false, false}, std::string(upper)},
        {{8, false, false, true, false}, std::string(digits)},
        {{64, false, false, false, true}, std::string(punctuation)},
        {{30, true, false, true, false}, std::string(digits) + std::string(lower)},
        {{20, true, true, true, true}, std::string(vault::PasswordAlphabet())},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.options.valid());
        EXPECT_EQ(vault::PasswordAlphabet(c.options).size(), c.alphabet.size());
        EXPECT_EQ(vault::PasswordAlphabet(c.options).find_first_not_of(c.alphabet), std::string::npos);
        std::set<char> used;
        for (int draw = 0; draw < 200; ++draw) {
            const auto password = vault::GeneratePassword(c.options);
            ASSERT_TRUE(password.has_value());
            ASSERT_EQ(password->size(), c.options.length);
            EXPECT_EQ(password->find_first_not_of(c.alphabet), std::string::npos) << *password;
            EXPECT_EQ(StoredAndReadBack(*password), *password);
            used.insert(password->begin(), password->end());
        }
        EXPECT_EQ(used.size(), c.alphabet.size()) << c.alphabet; // every chosen character is drawn
    }
    // A byte past the last whole round of a smaller alphabet is passed over too: of ten digits, 250 to 255.
    const vault::RandomSource scripted = [](unsigned char* bytes, std::size_t size) {
        std::fill(bytes, bytes + size, 3);
        bytes[0] = 250;
        bytes[1] = 249;
        return true;
    };
    EXPECT_EQ(vault::GeneratePassword({2, false, false, true, false}, scripted), "93");

    // No kind chosen, or a length out of bounds: nothing is made, not even from a source that answers.
    for (const vault::PasswordOptions& refused : {vault::PasswordOptions{20, false, false, false, false},
                                                  vault::PasswordOptions{0}, vault::PasswordOptions{1025}}) {
        EXPECT_FALSE(refused.valid());
        EXPECT_FALSE(vault::GeneratePassword(refused).has_value());
    }
}

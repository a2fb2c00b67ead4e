// The sealed form of data.enc: what it hides, what it gives back, and that no damage to it goes unseen.
#include "SealedVault.h"

#include "Cp1252.h"
#include "TempDir.h"
#include "VaultFile.h"
#include "VaultFormat.h"

#include <gtest/gtest.h>
#include <sodium.h>

namespace {

using vault::Entry;

class SealedVaultTest : public ::testing::Test {
protected:
    std::string path() const { return dir.file("data.enc"); }
    vault::SealKey freshKey(const std::string& password = "Secret1") {
        auto key = vault::SealKey::Fresh(password, vault::kLeastSealCost, path());
        EXPECT_TRUE(key);
        return std::move(*key);
    }
    // Writes the entries sealed with `key` and returns the file's bytes.
    std::string sealed(const vault::SealKey& key, const std::vector<Entry>& entries,
                       const std::string& master = "Secret1") {
        EXPECT_FALSE(vault::SaveVault(path(), vault::Secret(master), entries, vault::SystemFileOps(), &key));
        return TempDir::Read(path());
    }
    vault::Result<vault::Loaded> load(const std::string& password) {
        return vault::LoadVault(path(), vault::kMaxEntries, vault::SystemFileOps(), password, key);
    }
    // Entries whose plain bytes fill `chunks` of the stream's messages and then `extra` bytes more.
    static std::vector<Entry> filling(std::size_t chunks, std::size_t extra) {
        const std::size_t wanted = chunks * vault::kSealChunkBytes + extra;
        std::vector<Entry> many;
        std::string bytes;
        for (int i = 0; bytes.size() < wanted; ++i) {
            many.push_back({"user" + std::to_string(i), std::string(200, 'p'), "site" + std::to_string(i)});
            bytes = vault::VaultBytes("Secret1", many);
        }
        many.back().password.resize(many.back().password.size() - (bytes.size() - wanted));
        return many;
    }
    // `damaged` written in place of the vault is refused with the right password: the error names the
    // file and says it was not changed, is never taken for a wrong password, and the file stays as it was.
    void expectRefused(const std::string& damaged, const std::string& what) {
        TempDir::Write(path(), damaged);
        key.reset();
        std::optional<vault::VaultError> error;
        if (auto start = vault::ReadVaultStart(path()); !start) {
            error = start.error();
        } else if (!start->seal) {
            ADD_FAILURE() << what << ": read as a plain vault";
            return;
        } else if (auto loaded = load("Secret1"); !loaded) {
            error = loaded.error();
        }
        ASSERT_TRUE(error) << what << ": opened";
        EXPECT_FALSE(error->wrongPassword) << what;
        EXPECT_EQ(error->Message().rfind("Could not open " + path() + ": ", 0), 0u) << what;
        EXPECT_NE(error->reason.find("it was not changed"), std::string::npos) << what;
        EXPECT_EQ(TempDir::Read(path()), damaged) << what;
    }

    TempDir dir;
    std::optional<vault::SealKey> key;
    const std::vector<Entry> two{{"alice", "hunter2-pw", "a.example"}, {"bob", "s3cr3t-pw", "b.example"}};
};

TEST_F(SealedVaultTest, HidesEveryTextAndGivesBackThePlainBytesExactly) {
    const vault::SealKey seal = freshKey();
    const std::string bytes = sealed(seal, two);
    EXPECT_TRUE(vault::ClaimsSealedForm(bytes));
    for (const std::string text : {"Secret1", "alice", "hunter2-pw", "b.example"}) {
        std::string scrambled = text;
        vault::ToggleCipher(scrambled.data(), scrambled.size());
        EXPECT_EQ(bytes.find(text), std::string::npos) << text;
        EXPECT_EQ(bytes.find(scrambled), std::string::npos) << text;
    }
    auto plain = seal.unseal(bytes, path());
    ASSERT_TRUE(plain);
    EXPECT_EQ(*plain, vault::VaultBytes("Secret1", two));

    auto loaded = load("Secret1");
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->sealed);
    EXPECT_EQ(loaded->master, "Secret1");
    EXPECT_EQ(loaded->entries.size(), 2u);
    EXPECT_TRUE(key && key->derivedFor(*vault::ReadSealHeader(bytes, path())));

    // Each save seals anew: the same entries never give the same bytes twice.
    EXPECT_NE(sealed(seal, two), bytes);
    // Turned back, the file is the plain vault byte for byte.
    ASSERT_FALSE(vault::ReplaceVaultBytes(path(), *plain, nullptr));
    EXPECT_EQ(TempDir::Read(path()), vault::VaultBytes("Secret1", two));
}

TEST_F(SealedVaultTest, AWrongPasswordIsToldApartFromDamage) {
    sealed(freshKey(), two);
    auto wrong = load("Secret2");
    ASSERT_FALSE(wrong);
    EXPECT_TRUE(wrong.error().wrongPassword);
    EXPECT_FALSE(key);
    EXPECT_TRUE(load("Secret1"));
}

TEST_F(SealedVaultTest, AMessageLargerThanOneChunkRoundTrips) {
    // Entries filling several of the stream's messages, the last one exactly full.
    const std::vector<Entry> many = filling(3, 0);
    ASSERT_EQ(vault::VaultBytes("Secret1", many).size(), 3 * vault::kSealChunkBytes);
    for (std::size_t drop : {0, 1}) {
        std::vector<Entry> entries(many.begin(), many.end() - static_cast<long>(drop));
        const vault::SealKey seal = freshKey();
        auto plain = seal.unseal(sealed(seal, entries), path());
        ASSERT_TRUE(plain);
        EXPECT_EQ(*plain, vault::VaultBytes("Secret1", entries));
    }
}

// Every single changed byte and every cut is refused, naming the file and saying it was not changed, and
// never taken for a wrong password.
TEST_F(SealedVaultTest, EveryChangedByteAndEveryCutIsRefused) {
    const std::string bytes = sealed(freshKey(), two);
    const auto refused = [this](const std::string& damaged, const std::string& what) { expectRefused(damaged, what); };
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::string changed = bytes;
        changed[at] = static_cast<char>(changed[at] ^ 0x01);
        refused(changed, "byte " + std::to_string(at) + " changed");
    }
    for (std::size_t size = 1; size < bytes.size(); ++size) {
        refused(bytes.substr(0, size), "cut to " + std::to_string(size) + " bytes");
    }
    refused(bytes + '\0', "one byte added");
}

// Whole messages cut off, repeated or swapped: each message of the stream is bound to its place and the
// last one is marked final, so a vault cut at a message boundary never opens with entries missing.
TEST_F(SealedVaultTest, AVaultCutAtAMessageBoundaryOrWithMessagesMovedIsRefused) {
    constexpr std::size_t kSealed = vault::kSealChunkBytes + 17; // a full message and its overhead
    for (const std::size_t extra : {std::size_t{0}, vault::kSealChunkBytes / 2}) {
        // Three full messages, the last of them final, or a fourth half full after them.
        const std::string bytes = sealed(freshKey(), filling(3, extra));
        const std::size_t messages = (bytes.size() - vault::kSealHeaderBytes + kSealed - 1) / kSealed;
        ASSERT_GE(messages, 3u);
        const auto message = [&](std::size_t i) {
            return bytes.substr(vault::kSealHeaderBytes + i * kSealed, kSealed);
        };
        const std::string what = extra == 0 ? "a full final message" : "a final message half full";
        for (std::size_t kept = 0; kept < messages; ++kept) {
            expectRefused(bytes.substr(0, vault::kSealHeaderBytes + kept * kSealed),
                          what + ", cut after " + std::to_string(kept) + " messages");
        }
        const std::string head = bytes.substr(0, vault::kSealHeaderBytes);
        const std::string rest = bytes.substr(vault::kSealHeaderBytes + 2 * kSealed);
        expectRefused(head + message(0) + message(0) + message(1) + rest, what + ", the first message repeated");
        expectRefused(head + message(1) + message(0) + rest, what + ", the first two messages swapped");
        expectRefused(bytes.substr(0, vault::kSealHeaderBytes + 3 * kSealed) + message(2) +
                          bytes.substr(vault::kSealHeaderBytes + 3 * kSealed),
                      what + ", the third message repeated");
    }
}

// Keyshelf seals a vault with the master password its first line holds; a file sealed with one password
// over a first line of another would take the other once saved, so it is refused and left as it is.
TEST_F(SealedVaultTest, ASealWhosePasswordIsNotTheFirstLineIsRefused) {
    const std::string bytes = sealed(freshKey("Secret1"), two, "Other12");
    auto loaded = load("Secret1");
    ASSERT_FALSE(loaded);
    EXPECT_FALSE(loaded.error().wrongPassword);
    EXPECT_EQ(loaded.error().Message(), "Could not open " + path() +
                                            ": it is a sealed vault whose first line is not the password that seals "
                                            "it; it was not changed");
    key.reset();
    EXPECT_TRUE(load("Other12").error().wrongPassword);
    EXPECT_EQ(TempDir::Read(path()), bytes);
}

TEST_F(SealedVaultTest, AHeaderThisVersionDoesNotReadIsRefusedBeforeAnyKeyIsDerived) {
    const std::string bytes = sealed(freshKey(), two);
    struct Case {
        std::size_t at;
        std::string value;
        std::string says;
    };
    const std::vector<Case> cases{
        {8, "\x02", "sealed in form 2, which this version of Keyshelf does not read"},
        // A cost past the most allowed (17 passes, then 2 GiB), with the checksum made to match.
        {10, std::string("\x11\0\0\0", 4), "a key derivation this version of Keyshelf does not do"},
        {14, std::string("\0\0\x20\0", 4), "a key derivation this version of Keyshelf does not do"},
        // Less than the least allowed: no pass at all, then 7 KiB.
        {10, std::string("\0\0\0\0", 4), "a key derivation this version of Keyshelf does not do"},
        {14, std::string("\x07\0\0\0", 4), "a key derivation this version of Keyshelf does not do"},
    };
    for (const Case& c : cases) {
        std::string changed = bytes;
        changed.replace(c.at, c.value.size(), c.value);
        if (c.at != 8) {
            // The header's checksum (BLAKE2b of its first 75 bytes) made to match, as a later version's would.
            crypto_generichash(reinterpret_cast<unsigned char*>(changed.data()) + 75, 16,
                               reinterpret_cast<const unsigned char*>(changed.data()), 75, nullptr, 0);
        }
        auto read = vault::ReadSealHeader(changed, path());
        ASSERT_FALSE(read) << c.says;
        EXPECT_NE(read.error().reason.find(c.says), std::string::npos) << read.error().reason;
    }
}

TEST_F(SealedVaultTest, NoVaultThePlainWriterMakesIsTakenForASealedOne) {
    EXPECT_FALSE(vault::ClaimsSealedForm(vault::EmptyVaultBytes()));
    // Whatever storable character its master password begins with, followed by the magic's own bytes as
    // far as they can be stored.
    std::string rest;
    for (const unsigned char stored : vault::kSealMagic) {
        if (const char32_t c = cp1252::ToUnicode(stored ^ 0x80); c != 0x8D) {
            cp1252::AppendCodePoint(rest, c);
        }
    }
    for (unsigned byte = 0; byte < 256; ++byte) {
        const std::string master = cp1252::ToUtf8(std::string(1, static_cast<char>(byte ^ 0x80))) + rest;
        if (vault::CheckMasterStorable(master) == vault::Unstorable::None) {
            EXPECT_FALSE(vault::ClaimsSealedForm(vault::MasterOnlyBytes(master))) << byte;
            EXPECT_FALSE(vault::ClaimsSealedForm(vault::VaultBytes(master, two))) << byte;
        }
    }
}

} // namespace

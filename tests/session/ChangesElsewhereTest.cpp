// What the run's vault does when another program moves the file away or seals it under a new password
// while Keyshelf has it open.
#include "TempDir.h"
#include "VaultFile.h"
#include "VaultFormat.h"
#include "VaultSession.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using vault::Entry;

class ChangesElsewhereTest : public ::testing::Test {
protected:
    std::string path() const { return dir.file("data.enc"); }
    // Writes the vault elsewhere and moves it into place, sealed with `sealedWith` unless that is empty.
    void writeElsewhere(const std::string& master, const std::string& sealedWith) {
        const std::string other = dir.file("other");
        std::optional<vault::SealKey> key;
        if (!sealedWith.empty()) {
            key.emplace(std::move(*vault::SealKey::Fresh(sealedWith, vault::kLeastSealCost, other)));
        }
        ASSERT_FALSE(
            vault::SaveVault(other, vault::Secret(master), two, vault::SystemFileOps(), key ? &*key : nullptr));
        std::filesystem::rename(other, path());
    }
    VaultSession& opened(const std::string& master) {
        session = std::make_unique<VaultSession>(QString::fromStdString(path()));
        EXPECT_TRUE(session->open());
        EXPECT_TRUE(session->isMasterPassword(QString::fromStdString(master)));
        EXPECT_FALSE(session->unlock(QString::fromStdString(master)));
        EXPECT_EQ(session->entries()->count(), 2);
        return *session;
    }

    TempDir dir;
    std::unique_ptr<VaultSession> session;
    const std::vector<Entry> two{{"alice", "pa", "a.example"}, {"bob", "pb", "b.example"}};
};

// Moved away (as a program replacing it does first): the entries stay, no empty vault takes its place, and
// the next save writes them back.
TEST_F(ChangesElsewhereTest, AVaultMovedAwayIsNoChange) {
    writeElsewhere("abcd", "");
    VaultSession& s = opened("abcd");
    std::filesystem::rename(path(), dir.file("moved"));
    EXPECT_EQ(s.reload().result, VaultSession::Reload::Unchanged);
    EXPECT_EQ(s.entries()->count(), 2);
    EXPECT_FALSE(std::filesystem::exists(path()));
    ASSERT_TRUE(s.add({"carol", "pc", ""}).saved());
    auto loaded = vault::LoadVault(path());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->entries.size(), 3u);
}

// Sealed anew under another password: nothing of the old entries stays in the list until that is typed.
TEST_F(ChangesElsewhereTest, ASealUnderANewPasswordEmptiesTheList) {
    writeElsewhere("abcd", "abcd");
    VaultSession& s = opened("abcd");
    writeElsewhere("n3w-pass", "n3w-pass");
    EXPECT_EQ(s.reload().result, VaultSession::Reload::NewMasterPassword);
    EXPECT_EQ(s.entries()->count(), 0);
    ASSERT_TRUE(s.isMasterPassword("n3w-pass"));
    ASSERT_FALSE(s.unlock("n3w-pass"));
    EXPECT_EQ(s.entries()->count(), 2);
}

} // namespace

// The vault session both programs open the file through: what each is refused before a password is asked,
// and how a save meets another program's write.
#include "Session.h"

#include "TempDir.h"
#include "VaultFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using vault::Holder;
using vault::Session;

class SessionTest : public ::testing::Test {
protected:
    std::string path() const { return dir_.file("data.enc"); }
    void writeVault(const std::string& master, const std::vector<vault::Entry>& entries) const {
        ASSERT_FALSE(vault::SaveVault(path(), vault::Secret(master), entries));
    }
    static std::size_t entriesOnDisk(const std::string& path) {
        auto entries = vault::ReadEntries(path);
        return entries ? entries->size() : 0;
    }

    TempDir dir_;
};

TEST_F(SessionTest, TheCompanionIsRefusedWhatOnlyTheWindowMayMakeBeforeAnyPassword) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        std::string reason;
    } cases[] = {
        {"missing", [](const std::string&) {}, "there is no vault there yet; start Keyshelf once to make one"},
        {"folder", [](const std::string& p) { ::mkdir(p.c_str(), 0700); }, "it is a folder, not a file"},
        {"no master password", [](const std::string& p) { TempDir::Write(p, "\r\n"); },
         "it has no master password yet; start Keyshelf once to make one"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string file = dir.file("data.enc");
        c.make(file);
        Session companion(file, Holder::Companion);
        const auto gate = companion.open();
        ASSERT_FALSE(gate);
        EXPECT_EQ(gate.error().Message(), "Could not open " + file + ": " + c.reason);
    }
    // The window makes the missing vault, whose master password is then to be created.
    Session window(path(), Holder::Window);
    const auto gate = window.open();
    ASSERT_TRUE(gate);
    EXPECT_EQ(*gate, Session::Gate::Create);
}

TEST_F(SessionTest, AnotherProgramsWriteStopsTheCompanionAndIsReadAgainByTheWindow) {
    writeVault("Secret1", {{"alice", "pw", "example.com"}});
    Session companion(path(), Holder::Companion);
    Session window(path(), Holder::Window);
    for (Session* session : {&companion, &window}) {
        ASSERT_TRUE(session->open());
        ASSERT_TRUE(session->isMasterPassword(vault::Secret("Secret1")));
        ASSERT_TRUE(session->load(vault::Secret("Secret1")));
    }
    writeVault("Secret1", {{"alice", "pw", "example.com"}, {"bob", "pw2", "example.org"}});
    const auto one = [](std::size_t) { return vault::EntryView{"carol", "pw3", "example.net"}; };

    const Session::Saved refused = companion.save(vault::Secret(companion.master()), 1, one);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->Message(), "Could not save " + path() +
                                            ": another program changed it while keyshelf-cli was changing it; "
                                            "nothing was saved");
    EXPECT_EQ(entriesOnDisk(path()), 2u);

    int readAgain = 0;
    std::size_t held = 0;
    const auto refusal = window.change(
        vault::Secret("Secret1"),
        [&] {
            ++readAgain;
            auto entries = window.load(vault::Secret("Secret1"));
            held = entries ? entries->size() : 0;
            return entries.ok();
        },
        [&] {
            std::vector<vault::EntryView> rows(held, vault::EntryView{"x", "y", "z"});
            rows.push_back(one(0));
            EXPECT_TRUE(
                window.save(vault::Secret(window.master()), rows.size(), [&rows](std::size_t i) { return rows[i]; }));
        });
    EXPECT_EQ(refusal, Session::Refusal::None);
    EXPECT_EQ(readAgain, 1);
    EXPECT_EQ(entriesOnDisk(path()), 3u);
    // Saved, twice, with the master password the session held, which stays the file's.
    EXPECT_TRUE(window.save(vault::Secret(window.master()), 1, one));
    auto master = vault::ReadMasterPassword(path());
    ASSERT_TRUE(master);
    EXPECT_EQ(*master, "Secret1");
}

} // namespace

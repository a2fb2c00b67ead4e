// The vault session both programs open the file through: what each is refused before a password is asked,
// and how a save meets another program's write.
#include "Session.h"

#include "TempDir.h"
#include "VaultFile.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using vault::Holder;
using vault::Session;
using vault::WriterLock;
using namespace std::chrono_literals;

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

// One writer at a time, across processes and across the paths to one vault; a holder that is killed
// leaves nothing that blocks, and the lock file is its owner's alone, and gone once no one writes.
TEST_F(SessionTest, TheWriterLockKeepsASecondWriterOutForABoundedTimeOnly) {
    writeVault("Secret1", {});
    const std::string link = dir_.file("link.enc");
    ASSERT_EQ(::symlink(path().c_str(), link.c_str()), 0);
    const mode_t umask = ::umask(0);
    auto first = WriterLock::Take(link, "Could not save");
    ::umask(umask);
    ASSERT_TRUE(first);
    struct stat st {};
    ASSERT_EQ(::stat(dir_.file(".data.enc.lock").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    const auto start = std::chrono::steady_clock::now();
    const auto second = WriterLock::Take(path(), "Could not save", 200ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().Message(), "Could not save " + path() +
                                            ": another program is writing it, so nothing was changed.  Try again in "
                                            "a moment");
    first = WriterLock::Take(dir_.file("other.enc"), "Could not save", 0ms); // lets go of the vault's lock
    EXPECT_TRUE(WriterLock::Take(path(), "Could not save", 0ms));

    // A holder killed while it holds the lock.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        auto held = WriterLock::Take(path(), "Could not save", 0ms);
        (void)!::write(ready[1], held ? "y" : "n", 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    EXPECT_FALSE(WriterLock::Take(path(), "Could not save", 0ms));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(WriterLock::Take(path(), "Could not save", 0ms));
    EXPECT_NE(::access(dir_.file(".data.enc.lock").c_str(), F_OK), 0); // removed as it was let go
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(SessionTest, ALockFileThatIsNotARegularFileOfItsOwnIsRefusedAndNeverFollowed) {
    writeVault("Secret1", {});
    const std::string lock = dir_.file(".data.enc.lock");
    const std::string elsewhere = dir_.file("elsewhere");
    const struct {
        const char* what;
        std::function<void()> make;
        std::string reason;
    } cases[] = {
        {"a link", [&] { ASSERT_EQ(::symlink(elsewhere.c_str(), lock.c_str()), 0); },
         "is a symbolic link, which Keyshelf never follows"},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0); }, "is not a regular file of its own"},
        {"a folder", [&] { ASSERT_EQ(::mkdir(lock.c_str(), 0700), 0); }, "is not a regular file of its own"},
        {"a hard link",
         [&] {
             TempDir::Write(elsewhere, "");
             ASSERT_EQ(::link(elsewhere.c_str(), lock.c_str()), 0);
         },
         "is not a regular file of its own"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::unlink(elsewhere.c_str());
        ::unlink(lock.c_str());
        ::rmdir(lock.c_str());
        c.make();
        const auto taken = WriterLock::Take(path(), "Could not save", 0ms);
        ASSERT_FALSE(taken);
        EXPECT_EQ(taken.error().Message(),
                  "Could not save " + path() + ": its lock file " + lock + " " + c.reason + "; nothing was changed");
        EXPECT_TRUE(c.what != std::string("a link") || ::access(elsewhere.c_str(), F_OK) != 0); // nothing made there
    }
}

} // namespace

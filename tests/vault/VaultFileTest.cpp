#include "VaultFile.h"

#include "AtomicFile.h"
#include "TempDir.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vault::Entry;

// A file's path and its master password are of types that cannot stand for each other: a call that
// swaps them does not compile, where it would otherwise write the path into the file as its password.
constexpr auto kSave = [](auto path, auto master) -> decltype(vault::SaveVault(path, master, std::vector<Entry>{})) {
    return {};
};
constexpr auto kWriteMaster = [](auto path, auto master) -> decltype(vault::WriteMasterPassword(path, master)) {
    return {};
};
static_assert(std::is_invocable_v<decltype(kSave), std::string, vault::Secret>);
static_assert(!std::is_invocable_v<decltype(kSave), vault::Secret, std::string>);
static_assert(!std::is_invocable_v<decltype(kSave), std::string, std::string>);
static_assert(std::is_invocable_v<decltype(kWriteMaster), std::string, vault::Secret>);
static_assert(!std::is_invocable_v<decltype(kWriteMaster), vault::Secret, std::string>);
static_assert(!std::is_invocable_v<decltype(kWriteMaster), std::string, std::string>);

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

int FilesIn(const std::string& dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

class VaultFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = vault::VaultPath(dir.path());
};

TEST_F(VaultFile, LivesBesideTheExecutable) {
    EXPECT_EQ(vault::VaultPath("/opt/keyshelf"), "/opt/keyshelf/data.enc");
}

TEST_F(VaultFile, AMissingVaultIsCreatedAsOneEmptyLineForItsOwnerOnly) {
    const auto master = vault::ReadMasterPassword(path);
    ASSERT_TRUE(master.ok()) << master.error().Message();
    EXPECT_EQ(*master, "");
    EXPECT_EQ(TempDir::Read(path), "\r\n");
    EXPECT_EQ(ModeOf(path), 0600u);

    // An existing file is left as it is.
    TempDir::Write(path, "\xE1\r\n");
    ASSERT_FALSE(vault::EnsureVaultFile(path).has_value());
    EXPECT_EQ(TempDir::Read(path), "\xE1\r\n");
}

TEST_F(VaultFile, FirstRunWritesTheMasterLineOnly) {
    ASSERT_FALSE(vault::EnsureVaultFile(path).has_value());
    const auto kept = vault::WriteMasterPassword(path, vault::Secret("abcd"));
    ASSERT_TRUE(kept.ok());
    EXPECT_TRUE(kept->empty());
    EXPECT_EQ(TempDir::Read(path), "\xE1\xE2\xE3\xE4\r\n");
}

TEST_F(VaultFile, ZeroByteVaultIsAFirstRun) {
    TempDir::Write(path, "");
    EXPECT_EQ(*vault::ReadMasterPassword(path), "");
    ASSERT_TRUE(vault::WriteMasterPassword(path, vault::Secret("abcd")).ok());
    EXPECT_EQ(TempDir::Read(path), "\xE1\xE2\xE3\xE4\r\n");
}

TEST_F(VaultFile, EntriesBehindAnEmptyMasterLineAreKeptWhenTheMasterIsCreated) {
    const std::vector<Entry> entries = {{"u", "p", "l"}, {"v", "q", "m"}};
    std::string bytes = vault::VaultBytes("", entries);
    TempDir::Write(path, bytes);
    EXPECT_EQ(*vault::ReadMasterPassword(path), "");

    const auto kept = vault::WriteMasterPassword(path, vault::Secret("abcd"));
    ASSERT_TRUE(kept.ok());
    EXPECT_EQ(*kept, entries);
    EXPECT_EQ(TempDir::Read(path), vault::VaultBytes("abcd", entries));
}

TEST_F(VaultFile, SaveWritesTheWholeVaultInDisplayOrder) {
    ASSERT_TRUE(vault::WriteMasterPassword(path, vault::Secret("master")).ok());
    const std::vector<Entry> entries = {{"zed", "1", "a.example"}, {"amy", "2", ""}};
    ASSERT_FALSE(vault::SaveVault(path, vault::Secret("master"), entries).has_value());
    EXPECT_EQ(TempDir::Read(path), vault::VaultBytes("master", entries));
    EXPECT_EQ(*vault::ReadEntries(path), entries);

    // Deleting the last entry leaves the master line and CR LF CR LF.
    ASSERT_FALSE(vault::SaveVault(path, vault::Secret("master"), {}).has_value());
    EXPECT_EQ(TempDir::Read(path), vault::MasterOnlyBytes("master") + "\r\n");
    EXPECT_EQ(FilesIn(dir.path()), 1); // no temporary file left behind
}

TEST_F(VaultFile, ASaveKeepsTheModeTheUserGaveTheFile) {
    TempDir::Write(path, vault::MasterOnlyBytes("m"));
    ::chmod(path.c_str(), 0640);
    ASSERT_FALSE(vault::SaveVault(path, vault::Secret("m"), {{"u", "p", "l"}}).has_value());
    EXPECT_EQ(ModeOf(path), 0640u);
}

TEST_F(VaultFile, ASaveThroughALinkReplacesTheFileItPointsTo) {
    TempDir elsewhere;
    const std::string real = elsewhere.file("real.enc");
    TempDir::Write(real, vault::MasterOnlyBytes("m"));
    fs::create_symlink(real, path);
    ASSERT_FALSE(vault::SaveVault(path, vault::Secret("m"), {{"u", "p", "l"}}).has_value());
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(TempDir::Read(real), vault::VaultBytes("m", {{"u", "p", "l"}}));
}

TEST_F(VaultFile, SomethingOtherThanAFileIsReportedAndLeftAlone) {
    fs::create_directory(path);
    auto master = vault::ReadMasterPassword(path);
    ASSERT_FALSE(master.ok());
    EXPECT_EQ(master.error().path, path);
    EXPECT_NE(master.error().Message().find("folder"), std::string::npos) << master.error().Message();
    auto saved = vault::SaveVault(path, vault::Secret("m"), {});
    ASSERT_TRUE(saved.has_value());
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);

    fs::create_symlink(dir.file("nowhere"), path);
    master = vault::ReadMasterPassword(path);
    ASSERT_FALSE(master.ok());
    EXPECT_NE(master.error().reason.find("does not exist"), std::string::npos) << master.error().Message();
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
}

// Runs `check` without the superuser's power to ignore file modes: as is when the tests run as an
// ordinary user, else in a child process that has become the unprivileged user "nobody".
bool AsOrdinaryUser(const std::string& folder, const std::function<bool()>& check) {
    if (::geteuid() != 0) {
        return check();
    }
    constexpr uid_t kNobody = 65534;
    if (::chown(folder.c_str(), kNobody, kNobody) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        ::_exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chown(folder.c_str(), 0, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(VaultFile, MissingRightsAreReportedAndNothingIsChanged) {
    const std::string before = vault::VaultBytes("m", {{"old", "entry", ""}});
    EXPECT_TRUE(AsOrdinaryUser(dir.path(), [&] {
        TempDir::Write(path, before);
        // A file the user may not read.
        ::chmod(path.c_str(), 0200);
        const auto unreadable = vault::ReadEntries(path);
        const bool readRefused = !unreadable.ok() && unreadable.error().reason == "permission denied" &&
                                 unreadable.error().action == "Could not read";
        // A file the user may not write, in a folder they may.
        ::chmod(path.c_str(), 0400);
        const auto readOnlyFile = vault::SaveVault(path, vault::Secret("m"), {{"new", "entry", ""}});
        // A folder the user may not write, holding a file they may.
        ::chmod(path.c_str(), 0600);
        ::chmod(dir.path().c_str(), 0500);
        const auto readOnlyFolder = vault::SaveVault(path, vault::Secret("m"), {{"new", "entry", ""}});
        ::chmod(dir.path().c_str(), 0700);
        return readRefused && readOnlyFile && readOnlyFile->reason == "permission denied" && readOnlyFolder &&
               readOnlyFolder->reason == "permission denied" && TempDir::Read(path) == before;
    }));
}

// Gives a file a last-write time an hour ago, so that only its name can keep it from the clean-up.
void MakeOld(const std::string& file) {
    const timeval old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::lutimes(file.c_str(), old), 0) << file;
}

// Remembers the name a save gave its temporary file.
class RecordingRename : public vault::FileOps {
public:
    std::string from;
    int Rename(const char* source, const char* target) override {
        from = source;
        return FileOps::Rename(source, target);
    }
};

TEST_F(VaultFile, OnlyKeyshelfsOwnStaleTemporariesAreRemoved) {
    TempDir::Write(path, vault::MasterOnlyBytes("m"));
    // What a killed save leaves is exactly what the clean-up looks for.
    RecordingRename rename;
    ASSERT_FALSE(vault::SaveVault(path, vault::Secret("m"), {{"u", "p", "l"}}, rename).has_value());
    const std::string made = fs::path(rename.from).filename().string();
    EXPECT_EQ(made.rfind(".data.enc.keyshelf-save-", 0), 0u) << made;
    EXPECT_TRUE(vault::IsTemporaryName(made)) << made;

    const std::string stale = dir.file(".data.enc.keyshelf-save-a1B2c3");
    const std::string young = dir.file(".data.enc.keyshelf-save-Z9y8X7");
    // The user's own files, however much they look like ours.
    const std::vector<std::string> kept = {".data.enc.backup",
                                           ".data.enc.old123",
                                           ".data.enc.a1B2c3",
                                           ".data.enc.keyshelf-save-a1B2c",
                                           ".data.enc.keyshelf-save-a1B2c3d",
                                           ".data.enc.keyshelf-save-a1-2c3",
                                           ".data.enc.keyshelf-save-a1B2c~",
                                           ".data.enc.keyshelf-save-\xc3\xa9"
                                           "1B2c",
                                           "data.enc.keyshelf-save-a1B2c3",
                                           ".Data.enc.keyshelf-save-a1B2c3",
                                           ".data.enc.KEYSHELF-SAVE-a1B2c3",
                                           "notes.txt"};
    for (const std::string& name : kept) {
        TempDir::Write(dir.file(name), "mine");
        MakeOld(dir.file(name));
    }
    TempDir::Write(stale, "x");
    MakeOld(stale);
    TempDir::Write(young, "x");
    // Our name on something that is not a regular file: a folder, and a link to a file of the user's.
    fs::create_directory(dir.file(".data.enc.keyshelf-save-Folder"));
    MakeOld(dir.file(".data.enc.keyshelf-save-Folder"));
    fs::create_symlink(dir.file("notes.txt"), dir.file(".data.enc.keyshelf-save-Linked"));
    MakeOld(dir.file(".data.enc.keyshelf-save-Linked"));

    EXPECT_EQ(vault::RemoveStaleTemporaries(path, 600), 1);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(young));
    for (const std::string& name : kept) {
        EXPECT_EQ(TempDir::Read(dir.file(name)), "mine") << name;
    }
    EXPECT_TRUE(fs::is_directory(dir.file(".data.enc.keyshelf-save-Folder")));
    EXPECT_TRUE(fs::is_symlink(dir.file(".data.enc.keyshelf-save-Linked")));
    EXPECT_EQ(TempDir::Read(path), vault::VaultBytes("m", {{"u", "p", "l"}}));
}

// Makes a file of `size` bytes that takes no room on the disk: a hole, read back as zeros.
void MakeSparse(const std::string& path, off_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

// Counts what reads take in; before the first one it can make the file grow, as another program might
// between the check of the size and the read.
class CountingReads : public vault::FileOps {
public:
    std::string growPath;
    off_t growTo = 0;
    int calls = 0;
    std::size_t bytes = 0;

    ssize_t Read(int fd, void* data, std::size_t size) override {
        if (calls++ == 0 && !growPath.empty()) {
            EXPECT_EQ(::truncate(growPath.c_str(), growTo), 0);
        }
        const ssize_t n = FileOps::Read(fd, data, size);
        bytes += n > 0 ? static_cast<std::size_t>(n) : 0;
        return n;
    }
};

class OversizedVault : public VaultFile {
protected:
    CountingReads reads;
};

constexpr off_t kTwoGiB = off_t{2} << 30;
const std::string kTwoGiBReason = "it is 2.0 GB, larger than any Keyshelf vault can be (64 MB)";

TEST_F(OversizedVault, IsRefusedByEveryReaderBeforeAnyByteIsReadAndLeftUntouched) {
    MakeSparse(path, kTwoGiB);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    const auto expectRefused = [&](const vault::VaultError& error) {
        EXPECT_TRUE(error.tooLarge);
        EXPECT_EQ(error.path, path);
        EXPECT_EQ(error.Message(), "Could not read " + path + ": " + kTwoGiBReason);
    };
    const auto master = vault::ReadMasterPassword(path, reads);
    ASSERT_FALSE(master.ok());
    expectRefused(master.error());
    const auto entries = vault::ReadEntries(path, reads);
    ASSERT_FALSE(entries.ok());
    expectRefused(entries.error());
    const auto loaded = vault::LoadVault(path, vault::kMaxEntries, reads);
    ASSERT_FALSE(loaded.ok());
    expectRefused(loaded.error());
    // A first run's write begins by reading the entries to keep, so it writes nothing either.
    const auto created = vault::WriteMasterPassword(path, vault::Secret("abcd"), reads);
    ASSERT_FALSE(created.ok());
    expectRefused(created.error());

    EXPECT_EQ(reads.calls, 0);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, kTwoGiB);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(FilesIn(dir.path()), 1);
}

TEST_F(OversizedVault, AFileThatGrowsPastTheLimitWhileReadIsRefusedAfterTheLimit) {
    TempDir::Write(path, vault::VaultBytes("m", {{"u", "p", "l"}}));
    reads.growPath = path;
    reads.growTo = kTwoGiB;
    const auto entries = vault::ReadEntries(path, reads);
    ASSERT_FALSE(entries.ok());
    EXPECT_TRUE(entries.error().tooLarge);
    EXPECT_EQ(entries.error().reason, kTwoGiBReason);
    EXPECT_LE(reads.bytes, vault::kMaxVaultBytes + 1);
}

TEST_F(OversizedVault, TheLimitItselfIsReadAndTheSizeIsNamedInUnitsAUserReads) {
    MakeSparse(path, static_cast<off_t>(vault::kMaxVaultBytes));
    const auto atLimit = vault::ReadWholeFile(path);
    ASSERT_TRUE(atLimit.ok()) << atLimit.error().Message();
    EXPECT_EQ(atLimit->size(), vault::kMaxVaultBytes);

    struct Case {
        off_t size;
        std::uint64_t limit;
        const char* reason;
    };
    const Case cases[] = {
        {off_t(vault::kMaxVaultBytes) + 1, vault::kMaxVaultBytes,
         "it is 67,108,865 bytes, larger than any Keyshelf vault can be (64 MB)"},
        {(off_t{1} << 30) - (off_t{1} << 14), vault::kMaxVaultBytes,
         "it is 1.0 GB, larger than any Keyshelf vault can be (64 MB)"},
        {1536, 1000, "it is 1.5 KB, larger than any Keyshelf vault can be (1000 bytes)"},
    };
    for (const Case& c : cases) {
        MakeSparse(path, c.size);
        const auto read = vault::ReadWholeFile(path, c.limit);
        ASSERT_FALSE(read.ok()) << c.size;
        EXPECT_TRUE(read.error().tooLarge);
        EXPECT_EQ(read.error().reason, c.reason);
    }
}

// A save may make a file of exactly the size a start reads, and not one byte more: a larger one is refused
// before it replaces anything, the vault left as it was and no temporary behind.
TEST_F(OversizedVault, ASaveOfTheLimitItselfIsWrittenAndOneByteMoreIsNot) {
    const std::string kept = vault::VaultBytes("master", {{"u", "p", "l"}});
    struct Case {
        std::uint64_t size;
        bool written;
    };
    for (const Case c : {Case{vault::kMaxVaultBytes + 1, false}, Case{vault::kMaxVaultBytes, true}}) {
        TempDir::Write(path, kept);
        const auto failure = vault::ReplaceFile(path, std::string(c.size, 'x'));
        if (c.written) {
            EXPECT_FALSE(failure.has_value()) << failure->Message();
            EXPECT_EQ(fs::file_size(path), c.size);
        } else {
            ASSERT_TRUE(failure.has_value()) << c.size;
            EXPECT_TRUE(failure->tooLarge);
            EXPECT_EQ(TempDir::Read(path), kept);
        }
        EXPECT_EQ(FilesIn(dir.path()), 1) << c.size;
    }
}

// The password dialog needs line 1 only: a vault of the most entries is not read whole for it, and line 1
// is the same whichever way it is read.
TEST_F(OversizedVault, TheMasterPasswordIsReadFromLineOneAlone) {
    std::vector<vault::Entry> entries(vault::kMaxEntries,
                                      vault::Entry{"someone@example.org", "pw|x", "www.example.org"});
    TempDir::Write(path, vault::VaultBytes("the master", entries));
    const auto master = vault::ReadMasterPassword(path, reads);
    ASSERT_TRUE(master.ok());
    EXPECT_EQ(*master, "the master");
    EXPECT_LE(reads.bytes, std::size_t{1} << 16);
    EXPECT_EQ(vault::ReadMasterLine(*vault::ReadWholeFile(path)), "the master");

    // A file without any line end is line 1 whole, and a CR LF split across reads still ends it.
    TempDir::Write(path, std::string(200000, char(0xE1)));
    EXPECT_EQ(vault::ReadMasterPassword(path)->size(), 200000u);
    TempDir::Write(path, std::string((1 << 16) - 1, char(0xE1)) + "\r\n" + std::string(100000, char(0xE2)));
    EXPECT_EQ(*vault::ReadMasterPassword(path), std::string((1 << 16) - 1, 'a'));
}

// A save that would make a file the next start refuses writes nothing: the vault stays as it was.
TEST_F(OversizedVault, ASaveLargerThanTheLimitLeavesTheVaultAsItWas) {
    ASSERT_TRUE(vault::WriteMasterPassword(path, vault::Secret("master")).ok());
    const std::vector<vault::Entry> before = {{"u", "p", "l"}};
    ASSERT_FALSE(vault::SaveVault(path, vault::Secret("master"), before).has_value());
    const std::string kept = TempDir::Read(path);

    const std::vector<vault::Entry> huge = {{"u", "p", "l"}, {"big", std::string(vault::kMaxVaultBytes, 'x'), ""}};
    const auto status = vault::SaveVault(path, vault::Secret("master"), huge);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->tooLarge);
    EXPECT_EQ(status->Message(),
              "Could not save " + path + ": it would be larger than any Keyshelf vault can be (64 MB)");
    EXPECT_EQ(TempDir::Read(path), kept);
    EXPECT_EQ(FilesIn(dir.path()), 1); // no temporary left behind
}

// Records the order of a save's steps: the file is flushed before the rename, and the folder after it,
// so that the rename itself survives a power cut.
class StepsOps : public vault::FileOps {
public:
    std::vector<std::string> steps;
    ino_t folder = 0;
    int Fsync(int fd) override {
        struct stat st {};
        ::fstat(fd, &st);
        steps.push_back(S_ISDIR(st.st_mode) && st.st_ino == folder ? "sync folder"
                        : S_ISREG(st.st_mode)                      ? "sync file"
                                                                   : "sync other");
        return FileOps::Fsync(fd);
    }
    int Rename(const char* from, const char* to) override {
        steps.push_back("rename");
        return FileOps::Rename(from, to);
    }
};

TEST_F(VaultFile, ASaveFlushesTheFileBeforeTheRenameAndTheFolderAfterIt) {
    StepsOps ops;
    struct stat st {};
    ASSERT_EQ(::stat(dir.path().c_str(), &st), 0);
    ops.folder = st.st_ino;
    const auto status = vault::SaveVault(path, vault::Secret("master"), {{"u", "p", "l"}}, ops);
    ASSERT_FALSE(status.has_value()) << status->Message();
    // Making the missing file first is a save of its own.
    ASSERT_GE(ops.steps.size(), 3u);
    const std::vector<std::string> last(ops.steps.end() - 3, ops.steps.end());
    EXPECT_EQ(last, (std::vector<std::string>{"sync file", "rename", "sync folder"}));
}

// Replaces the system calls of a save to make it fail at a chosen step.
class FailingOps : public vault::FileOps {
public:
    std::size_t bytesBeforeDiskFull = SIZE_MAX;
    bool failFsync = false;
    bool failRename = false;
    std::size_t written = 0;

    ssize_t Write(int fd, const void* data, std::size_t size) override {
        if (written >= bytesBeforeDiskFull) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t n = std::min(size, bytesBeforeDiskFull - written);
        const ssize_t done = FileOps::Write(fd, data, n);
        written += static_cast<std::size_t>(done);
        return done;
    }
    int Fsync(int fd) override {
        if (failFsync) {
            errno = EIO;
            return -1;
        }
        return FileOps::Fsync(fd);
    }
    int Rename(const char* from, const char* to) override {
        if (failRename) {
            errno = EACCES;
            return -1;
        }
        return FileOps::Rename(from, to);
    }
};

class FailedSave : public VaultFile {
protected:
    FailingOps ops;
    std::string before;
    void SetUp() override {
        before = vault::VaultBytes("master", {{"old", "entry", "kept"}});
        TempDir::Write(path, before);
    }

    void ExpectOldFileWhole(const vault::Failure& status, const std::string& reasonPart) {
        ASSERT_TRUE(status.has_value()) << "a failed save reported success";
        EXPECT_EQ(status->path, path);
        EXPECT_NE(status->reason.find(reasonPart), std::string::npos) << status->Message();
        EXPECT_EQ(TempDir::Read(path), before);
        EXPECT_EQ(FilesIn(dir.path()), 1);
    }
};

TEST_F(FailedSave, DiskFullHalfWayLeavesTheOldFileWhole) {
    ops.bytesBeforeDiskFull = 10;
    std::vector<Entry> many(100, Entry{"user", "password", "place"});
    ExpectOldFileWhole(vault::SaveVault(path, vault::Secret("master"), many, ops), "disk is full");
}

TEST_F(FailedSave, DiskFullBeforeTheFirstByte) {
    ops.bytesBeforeDiskFull = 0;
    ExpectOldFileWhole(vault::SaveVault(path, vault::Secret("master"), {}, ops), "disk is full");
}

TEST_F(FailedSave, FailedFlushToDisk) {
    ops.failFsync = true;
    ExpectOldFileWhole(vault::SaveVault(path, vault::Secret("master"), {}, ops), "error");
}

TEST_F(FailedSave, RefusedRename) {
    ops.failRename = true;
    ExpectOldFileWhole(vault::SaveVault(path, vault::Secret("master"), {}, ops), "permission");
}

TEST_F(FailedSave, FirstRunWriteFailureLeavesTheEmptyVault) {
    TempDir::Write(path, "\r\n");
    before = "\r\n";
    ops.bytesBeforeDiskFull = 3;
    auto kept = vault::WriteMasterPassword(path, vault::Secret("abcdefgh"), ops);
    ASSERT_FALSE(kept.ok());
    ExpectOldFileWhole(kept.error(), "disk is full");
}

} // namespace

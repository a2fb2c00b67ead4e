// A disk that fills up during a save. The save must be reported as failed, with data.enc's path and the
// full disk as the reason; data.enc keeps the bytes it had; the half-written temporary file is removed;
// and once there is room again the next save works.
//
// Two kinds of full disk: a real one (a 64 KiB tmpfs, when this process may mount one), and writes that
// stop after a chosen number of bytes, swept across every part of a save.
#include "AtomicFile.h"
#include "TempDir.h"
#include "VaultFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vault::Entry;

constexpr char kMaster[] = "correct horse";

// `count` entries of everyday length, some with Windows characters; `seed` makes lists of equal length differ.
std::vector<Entry> EverydayEntries(std::size_t count, unsigned seed) {
    std::vector<Entry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string n = std::to_string(seed) + "-" + std::to_string(i);
        entries.push_back({"user" + n + "@example.com", "Pw!" + n + (i % 5 == 0 ? "€ß" : "xQ7#kL2"),
                           (i % 7 == 0 ? "Büro – VPN " : "https://site.example.org/login?id=") + n});
    }
    return entries;
}

std::vector<std::string> NamesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(dir)) {
        names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> ReadIfPresent(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return TempDir::Read(path);
}

// Compares file contents without printing hundreds of kilobytes when they differ.
::testing::AssertionResult SameBytes(const std::optional<std::string>& actual, const std::string& expected) {
    if (!actual) {
        return ::testing::AssertionFailure() << "data.enc is missing";
    }
    if (*actual == expected) {
        return ::testing::AssertionSuccess();
    }
    const auto diff = std::mismatch(actual->begin(), actual->end(), expected.begin(), expected.end());
    return ::testing::AssertionFailure() << "data.enc holds " << actual->size() << " bytes instead of "
                                         << expected.size() << ", first difference at byte "
                                         << (diff.first - actual->begin());
}

void ExpectReportedAsFull(const vault::Failure& status, const std::string& path) {
    ASSERT_TRUE(status.has_value()) << "a save the disk had no room for reported success";
    EXPECT_EQ(status->path, path);
    EXPECT_NE(status->reason.find("disk is full"), std::string::npos) << status->Message();
}

// A small real disk. Mounting needs root (or CAP_SYS_ADMIN); without it these cases are skipped.
class TinyDisk : public ::testing::Test {
protected:
    TempDir dir;
    std::string disk = dir.file("disk");
    std::string path = vault::VaultPath(disk);
    bool mounted = false;

    void SetUp() override {
        fs::create_directory(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
            GTEST_SKIP() << "cannot mount a 64 KiB tmpfs (" << std::strerror(errno)
                         << "); run as root to test a really full disk";
        }
        mounted = true;
    }
    void TearDown() override {
        if (mounted) {
            EXPECT_EQ(::umount2(disk.c_str(), MNT_DETACH), 0) << std::strerror(errno);
        }
    }

    // Saves `entries` and checks that data.enc holds them.
    void SaveThatFits(const std::vector<Entry>& entries) {
        const auto status = vault::SaveVault(path, vault::Secret(kMaster), entries);
        ASSERT_FALSE(status.has_value()) << status->Message();
        EXPECT_TRUE(SameBytes(ReadIfPresent(path), vault::VaultBytes(kMaster, entries)));
    }
};

TEST_F(TinyDisk, ASaveTooBigForTheDiskIsReportedAndTheVaultKeepsItsBytes) {
    ASSERT_NO_FATAL_FAILURE(SaveThatFits(EverydayEntries(20, 1)));
    const std::string before = TempDir::Read(path);

    const std::vector<Entry> big = EverydayEntries(3000, 2);
    ASSERT_GT(vault::VaultBytes(kMaster, big).size(), 64u * 1024);
    ASSERT_NO_FATAL_FAILURE(ExpectReportedAsFull(vault::SaveVault(path, vault::Secret(kMaster), big), path));
    EXPECT_TRUE(SameBytes(ReadIfPresent(path), before));
    EXPECT_EQ(NamesIn(disk), std::vector<std::string>{"data.enc"});

    // The space the failed save took is given back: a change that fits goes through.
    ASSERT_NO_FATAL_FAILURE(SaveThatFits(EverydayEntries(40, 3)));
    EXPECT_EQ(NamesIn(disk), std::vector<std::string>{"data.enc"});
}

// The vault grows past what the disk holds (the old file and the new one must fit side by side until the
// rename) and shrinks again. Every save either lands whole or is reported and changes nothing.
TEST_F(TinyDisk, EverySaveEitherLandsWholeOrChangesNothing) {
    const std::vector<std::size_t> counts = {0,   100,  200, 300, 400, 500, 600, 700, 800,
                                             900, 1000, 850, 700, 550, 400, 250, 100};
    ASSERT_NO_FATAL_FAILURE(SaveThatFits({}));
    std::string before = TempDir::Read(path);
    int landed = 0;
    int refused = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        SCOPED_TRACE("save of " + std::to_string(counts[i]) + " entries");
        const std::vector<Entry> entries = EverydayEntries(counts[i], static_cast<unsigned>(i));
        const std::string after = vault::VaultBytes(kMaster, entries);
        const auto status = vault::SaveVault(path, vault::Secret(kMaster), entries);
        if (!status) {
            ++landed;
            ASSERT_TRUE(SameBytes(ReadIfPresent(path), after));
            before = after;
        } else {
            ++refused;
            ASSERT_NO_FATAL_FAILURE(ExpectReportedAsFull(status, path));
            ASSERT_TRUE(SameBytes(ReadIfPresent(path), before));
            // Both files together taking no more than half the disk always fit.
            EXPECT_GT(before.size() + after.size(), 32u * 1024) << "a save with plenty of room was refused";
        }
        ASSERT_EQ(NamesIn(disk), std::vector<std::string>{"data.enc"});
    }
    EXPECT_GT(landed, 0);
    EXPECT_GT(refused, 0) << "no save outgrew the disk";
}

TEST_F(TinyDisk, AFullDiskRefusesEvenASmallChangeUntilSpaceIsFreed) {
    ASSERT_NO_FATAL_FAILURE(SaveThatFits(EverydayEntries(10, 1)));
    const std::string before = TempDir::Read(path);

    // Another file takes every byte that is left.
    const std::string filler = disk + "/filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    const std::string block(4096, 'x');
    int err = 0;
    for (int i = 0; i < 1000 && err == 0; ++i) {
        if (::write(fd, block.data(), block.size()) < 0) {
            err = errno;
        }
    }
    ::close(fd);
    ASSERT_EQ(err, ENOSPC) << "the disk did not fill up";

    const std::vector<Entry> oneMore = EverydayEntries(11, 1);
    ASSERT_NO_FATAL_FAILURE(ExpectReportedAsFull(vault::SaveVault(path, vault::Secret(kMaster), oneMore), path));
    EXPECT_TRUE(SameBytes(ReadIfPresent(path), before));
    EXPECT_EQ(NamesIn(disk), (std::vector<std::string>{"data.enc", "filler"}));

    ASSERT_EQ(::unlink(filler.c_str()), 0);
    ASSERT_NO_FATAL_FAILURE(SaveThatFits(oneMore));
    EXPECT_EQ(NamesIn(disk), std::vector<std::string>{"data.enc"});
}

// A disk with room for `room` more bytes of a save. Most filesystems cut short the write that reaches the
// limit and refuse the next one with ENOSPC; some refuse the whole write that does not fit.
class DiskWithRoom : public vault::FileOps {
public:
    std::size_t room = 0;
    bool cutShort = true;
    std::size_t written = 0;

    ssize_t Write(int fd, const void* data, std::size_t size) override {
        const std::size_t left = room - written;
        if (left == 0 || (!cutShort && size > left)) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t done = FileOps::Write(fd, data, std::min(size, left));
        if (done > 0) {
            written += static_cast<std::size_t>(done);
        }
        return done;
    }
};

class FullAfterSomeBytes : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = vault::VaultPath(dir.path());
    DiskWithRoom disk;

    // 0, 1, every `step` bytes, and the last bytes of the save: the room a save of `size` bytes is tried with.
    static std::vector<std::size_t> Rooms(std::size_t size, std::size_t step, std::vector<std::size_t> extra = {}) {
        std::vector<std::size_t> rooms = {0, 1, size - 1, size, size + 1};
        for (std::size_t n = step; n < size; n += step) {
            rooms.push_back(n);
        }
        for (const std::size_t n : extra) {
            if (n < size) {
                rooms.push_back(n);
            }
        }
        std::sort(rooms.begin(), rooms.end());
        rooms.erase(std::unique(rooms.begin(), rooms.end()), rooms.end());
        return rooms;
    }

    // With `before` in data.enc (nothing when absent), a save of `entries` meets a disk with room for
    // `room` bytes. A save that did not get all its bytes out must be reported and leave data.enc as it
    // was; one that did must land whole. Either way, the next save on a disk with room succeeds.
    void SaveWithRoom(const std::optional<std::string>& before, const std::vector<Entry>& entries, std::size_t room,
                      bool cutShort) {
        SCOPED_TRACE("room for " + std::to_string(room) + " bytes, " +
                     (cutShort ? "the last write cut short" : "the last write refused whole"));
        if (before) {
            TempDir::Write(path, *before);
        } else {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
        const std::string after = vault::VaultBytes(kMaster, entries);

        disk.room = room;
        disk.cutShort = cutShort;
        disk.written = 0;
        const auto status = vault::SaveVault(path, vault::Secret(kMaster), entries, disk);

        const auto onDisk = ReadIfPresent(path);
        if (!status) {
            ASSERT_GE(room, after.size()) << "a save that could not write all its bytes reported success";
            ASSERT_TRUE(SameBytes(onDisk, after));
        } else {
            ASSERT_NO_FATAL_FAILURE(ExpectReportedAsFull(status, path));
            // Creating a missing vault writes its empty line first, two bytes more than the save itself.
            ASSERT_LT(room, after.size() + (before ? 0 : vault::EmptyVaultBytes().size()))
                << "a save with room for all its bytes failed";
            if (before) {
                ASSERT_TRUE(SameBytes(onDisk, *before));
            } else if (onDisk) {
                ASSERT_TRUE(SameBytes(onDisk, vault::EmptyVaultBytes())) << "a first save left a partial vault";
            }
        }
        const std::vector<std::string> nothingElse =
            onDisk ? std::vector<std::string>{"data.enc"} : std::vector<std::string>{};
        ASSERT_EQ(NamesIn(dir.path()), nothingElse) << "a temporary file was left behind";

        const auto retry = vault::SaveVault(path, vault::Secret(kMaster), entries);
        ASSERT_FALSE(retry.has_value()) << retry->Message();
        ASSERT_TRUE(SameBytes(ReadIfPresent(path), after));
    }

    void Sweep(const std::optional<std::string>& before, const std::vector<Entry>& entries,
               const std::vector<std::size_t>& rooms) {
        for (const bool cutShort : {true, false}) {
            for (const std::size_t room : rooms) {
                ASSERT_NO_FATAL_FAILURE(SaveWithRoom(before, entries, room, cutShort));
            }
        }
    }
};

TEST_F(FullAfterSomeBytes, AGrowingVaultAtEveryKibibyte) {
    const std::string before = vault::VaultBytes(kMaster, EverydayEntries(100, 1));
    const std::vector<Entry> entries = EverydayEntries(600, 2);
    const std::size_t size = vault::VaultBytes(kMaster, entries).size();
    ASSERT_GT(size, before.size());
    Sweep(before, entries, Rooms(size, 1024));
}

TEST_F(FullAfterSomeBytes, AShrinkingVaultAtEveryKibibyte) {
    const std::string before = vault::VaultBytes(kMaster, EverydayEntries(2000, 1));
    const std::vector<Entry> entries = EverydayEntries(600, 2);
    const std::size_t size = vault::VaultBytes(kMaster, entries).size();
    ASSERT_LT(size, before.size());
    Sweep(before, entries, Rooms(size, 1024));
}

// A vault bigger than the 512 KiB the writer hands out at a time reaches the disk in several writes; the
// disk may fill during any of them.
TEST_F(FullAfterSomeBytes, AVaultWrittenInSeveralPieces) {
    const std::string before = vault::VaultBytes(kMaster, EverydayEntries(300, 1));
    const std::vector<Entry> entries = EverydayEntries(9000, 2);
    const std::size_t size = vault::VaultBytes(kMaster, entries).size();
    constexpr std::size_t kPiece = 512 * 1024;
    ASSERT_GT(size, kPiece + 16 * 1024);
    Sweep(before, entries, Rooms(size, 16 * 1024, {kPiece - 4096, kPiece - 1, kPiece, kPiece + 1, kPiece + 4096}));
}

// On a first run there is no vault yet. A full disk then leaves no file or the empty vault, never part of one.
TEST_F(FullAfterSomeBytes, AFirstSaveLeavesNoVaultOrTheEmptyOne) {
    const std::vector<Entry> entries = EverydayEntries(300, 2);
    const std::size_t size = vault::VaultBytes(kMaster, entries).size();
    const std::size_t withEmptyLine = size + vault::EmptyVaultBytes().size();
    Sweep(std::nullopt, entries, Rooms(withEmptyLine, 1024, {2, 3, size - 1, size, size + 1}));
}

} // namespace

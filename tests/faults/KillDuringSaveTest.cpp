// A process killed while it saves, again and again. After every kill data.enc must be one whole vault: the
// last save the process finished, or the one it was in the middle of when it died. Never a mix of the two,
// never a cut-off file, never a temporary file in its place.
//
// A saver child saves vault after vault and reports each finished save through a pipe. The parent kills it
// after a short, seeded wait, reads which saves finished and compares data.enc with the bytes those saves
// write. The next saver carries on from whatever the file holds.
#include "AtomicFile.h"
#include "TempDir.h"
#include "VaultFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vault::Entry;

constexpr char kMaster[] = "m";

// What data.enc holds between kills: no file yet, the empty line a first save begins by creating, or the
// vault of save number k for k >= 0.
using State = std::int64_t;
constexpr State kAbsent = -2;
constexpr State kEmptyLine = -1;

std::string Describe(State state) {
    if (state == kAbsent) {
        return "no file";
    }
    if (state == kEmptyLine) {
        return "the empty vault";
    }
    return "save " + std::to_string(state);
}

// The list save number k writes: 200 to 3000 entries of everyday length, some with Windows characters.
// The count jumps up and down from one save to the next, so the file grows and shrinks under the kills.
std::vector<Entry> EntriesOf(State k) {
    std::mt19937 rng(static_cast<std::uint32_t>(k) * 2654435761u + 12345u);
    auto pick = [&rng](std::size_t lo, std::size_t hi) {
        return std::uniform_int_distribution<std::size_t>(lo, hi)(rng);
    };
    static constexpr std::string_view kNames[] = {"anna", "jdoe", "m.keller", "admin", "sophie.laurent", "k.tanaka"};
    static constexpr std::string_view kPlaces[] = {"https://mail.example.com", "https://bank.example.org/login",
                                                   "Router at home",           "Büro – VPN",
                                                   "ftp://files.example.net",  "Café Wi-Fi"};
    static constexpr std::string_view kPasswordChars =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&*+-=?@^_~";

    std::vector<Entry> entries(pick(200, 3000));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        e.username = std::string(kNames[pick(0, std::size(kNames) - 1)]) + std::to_string(pick(0, 9999));
        if (pick(0, 3) == 0) {
            e.username += "@example.com";
        }
        e.password.resize(pick(8, 24));
        for (char& c : e.password) {
            c = kPasswordChars[pick(0, kPasswordChars.size() - 1)];
        }
        if (pick(0, 9) == 0) {
            e.password += "€ß";
        }
        e.location = std::string(kPlaces[pick(0, std::size(kPlaces) - 1)]) + " #" + std::to_string(i);
    }
    return entries;
}

std::optional<std::string> BytesOf(State state) {
    if (state == kAbsent) {
        return std::nullopt;
    }
    if (state == kEmptyLine) {
        return vault::EmptyVaultBytes();
    }
    return vault::VaultBytes(kMaster, EntriesOf(state));
}

// Why a saver stopped by itself instead of being killed.
constexpr int kSaveFailed = 3;
constexpr int kReportFailed = 4;

// What a saver reports before its first save, so that the wait before the kill counts from there and not
// from the fork, which is slow in instrumented builds.
constexpr State kStarted = std::numeric_limits<State>::min();

// The child: saves vault `first`, `first` + 1, ... and writes the number of each save that returned success
// to `reportFd`, until it is killed.
[[noreturn]] void SaveUntilKilled(const std::string& path, State first, int reportFd, const vault::SealKey* seal) {
    if (::write(reportFd, &kStarted, sizeof kStarted) != static_cast<ssize_t>(sizeof kStarted)) {
        ::_exit(kReportFailed);
    }
    for (State k = first;; ++k) {
        const std::vector<Entry> entries = EntriesOf(k);
        if (vault::SaveVault(path, vault::Secret(kMaster), entries, vault::SystemFileOps(), seal).has_value()) {
            ::_exit(kSaveFailed);
        }
        if (::write(reportFd, &k, sizeof k) != static_cast<ssize_t>(sizeof k)) {
            ::_exit(kReportFailed);
        }
    }
}

class KillDuringSave : public ::testing::Test {
protected:
    int kills = 0;
    State savesFinished = 0;
    int onLastFinished = 0; // the file held the last save the child reported
    int onUnreported = 0;   // the save in flight had replaced the file, but was killed before reporting it
    int noFile = 0;         // nothing was saved yet, not even the empty vault
    int emptyVault = 0;     // the first save had created the empty vault but not yet replaced it
    std::set<std::string> leftovers;
    std::size_t mostLeftByOneKill = 0;
    // The key a sealed vault is saved with; none for the plain form.
    std::optional<vault::SealKey> seal;

    // Starts a saver on the vault in `dir`, which holds `onDisk`, kills it after `wait` and checks what it
    // left. `onDisk` becomes the state the file holds now.
    void KillOneSaver(const std::string& dir, State& onDisk, std::chrono::microseconds wait) {
        const std::string path = vault::VaultPath(dir);
        const State first = onDisk >= 0 ? onDisk + 1 : 0;

        int report[2];
        ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0) << std::strerror(errno);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0) << std::strerror(errno);
        if (pid == 0) {
            ::close(report[0]);
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            SaveUntilKilled(path, first, report[1], seal ? &*seal : nullptr);
        }
        ::close(report[1]);
        State started = 0;
        while (::read(report[0], &started, sizeof started) < 0 && errno == EINTR) {
        }
        std::this_thread::sleep_for(wait);
        ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        const std::vector<State> finished = ReadReports(report[0]);
        ::close(report[0]);
        ++kills;

        ASSERT_EQ(started, kStarted) << "the saver did not start";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the saver stopped by itself with exit code " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
            << (WIFEXITED(status) && WEXITSTATUS(status) == kSaveFailed ? " (a save reported failure)" : "");
        for (std::size_t i = 0; i < finished.size(); ++i) {
            ASSERT_EQ(finished[i], first + static_cast<State>(i)) << "saves were reported out of order";
        }

        // The file holds what it held before or what the save in flight writes. Before any save of this
        // child finished, a first save may also have got as far as creating the empty vault.
        std::vector<State> allowed;
        if (!finished.empty()) {
            allowed = {finished.back(), finished.back() + 1};
        } else {
            allowed = {onDisk, first};
            if (onDisk == kAbsent) {
                allowed.push_back(kEmptyLine);
            }
        }
        State now = kAbsent;
        ASSERT_NO_FATAL_FAILURE(StateOnDisk(path, allowed, now));
        if (!seal) {
            ASSERT_NO_FATAL_FAILURE(ExpectReadBack(path, now));
        }
        const std::size_t leftBefore = leftovers.size();
        ASSERT_NO_FATAL_FAILURE(NoteLeftovers(dir));
        mostLeftByOneKill = std::max(mostLeftByOneKill, leftovers.size() - leftBefore);

        savesFinished += static_cast<State>(finished.size());
        if (now == kAbsent) {
            ++noFile;
        } else if (now == kEmptyLine) {
            ++emptyVault;
        } else if (now == first + static_cast<State>(finished.size())) {
            ++onUnreported;
        } else {
            ++onLastFinished;
        }
        onDisk = now;
    }

    // How long one save of a typical list takes in this build. The waits before the kills are drawn as
    // fractions of it, so that they spread over a few saves whether the build is optimised or instrumented.
    static std::chrono::microseconds SaveDuration() {
        TempDir scratch;
        const std::string path = vault::VaultPath(scratch.path());
        constexpr State kSaves = 8;
        const auto start = std::chrono::steady_clock::now();
        for (State k = 0; k < kSaves; ++k) {
            EXPECT_FALSE(vault::SaveVault(path, vault::Secret(kMaster), EntriesOf(k)).has_value());
        }
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) / kSaves;
    }

    void Report(const char* what) {
        std::cout << "[ " << what << " ] " << kills << " kills, " << savesFinished << " saves finished; after a kill "
                  << "data.enc held the last reported save " << onLastFinished << " times, a finished but "
                  << "unreported save " << onUnreported << " times, no file " << noFile << " times, the empty vault "
                  << emptyVault << " times; " << leftovers.size() << " temporary files left behind, at most "
                  << mostLeftByOneKill << " by one kill\n";
        RecordProperty("kills", kills);
        RecordProperty("leftover_temporary_files", static_cast<int>(leftovers.size()));
    }

private:
    static std::vector<State> ReadReports(int fd) {
        std::string bytes;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        // A pipe write this small is all or nothing, so a kill cannot leave half a report.
        EXPECT_EQ(bytes.size() % sizeof(State), 0u) << "a report was cut short";
        std::vector<State> reports(bytes.size() / sizeof(State));
        if (!reports.empty()) {
            std::memcpy(reports.data(), bytes.data(), reports.size() * sizeof(State));
        }
        return reports;
    }

    // Which of the `allowed` states data.enc holds, byte for byte, into `state`; fails when it is none of them.
    void StateOnDisk(const std::string& path, const std::vector<State>& allowed, State& state) const {
        const auto isAllowed = [&](State s) { return std::find(allowed.begin(), allowed.end(), s) != allowed.end(); };
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            ASSERT_EQ(errno, ENOENT) << std::strerror(errno);
            ASSERT_TRUE(isAllowed(kAbsent)) << "data.enc is gone";
            state = kAbsent;
            return;
        }
        ASSERT_TRUE(S_ISREG(st.st_mode)) << "data.enc is not a regular file";
        std::string bytes = TempDir::Read(path);
        if (seal && bytes != vault::EmptyVaultBytes()) {
            auto plain = seal->unseal(bytes, path);
            ASSERT_TRUE(plain) << plain.error().Message();
            bytes = std::move(*plain);
        }
        std::string expected;
        for (const State candidate : allowed) {
            const auto wanted = BytesOf(candidate);
            if (!wanted) {
                expected += "\n  no file";
                continue;
            }
            if (*wanted == bytes) {
                state = candidate;
                return;
            }
            const bool cutOff = bytes.size() < wanted->size() && wanted->compare(0, bytes.size(), bytes) == 0;
            expected += "\n  " + Describe(candidate) + " (" + std::to_string(wanted->size()) + " bytes" +
                        (cutOff ? ", of which data.enc is the beginning" : "") + ")";
        }
        FAIL() << "data.enc holds " << bytes.size() << " bytes that are none of:" << expected;
    }

    // What the program reads back from the file is the list that was saved.
    static void ExpectReadBack(const std::string& path, State state) {
        if (state == kAbsent) {
            return; // reading would create the file
        }
        const auto master = vault::ReadMasterPassword(path);
        ASSERT_TRUE(master.ok()) << master.error().Message();
        const auto entries = vault::ReadEntries(path);
        ASSERT_TRUE(entries.ok()) << entries.error().Message();
        if (state == kEmptyLine) {
            EXPECT_EQ(*master, "");
            EXPECT_TRUE(entries->empty());
            return;
        }
        EXPECT_EQ(*master, kMaster);
        EXPECT_TRUE(*entries == EntriesOf(state)) << "the entries read back are not those of " << Describe(state);
    }

    // A sealed vault's texts reach the disk neither as they are nor scrambled, not even in a temporary file.
    static void HoldsNoText(const fs::path& file) {
        const std::string bytes = TempDir::Read(file);
        for (std::string text : {"example.", "Router at home", "@example.com"}) {
            EXPECT_EQ(bytes.find(text), std::string::npos) << file << " holds \"" << text << "\"";
            vault::ToggleCipher(text.data(), text.size());
            EXPECT_EQ(bytes.find(text), std::string::npos) << file << " holds \"" << text << "\" scrambled";
        }
    }

    // A killed save cannot remove its temporary file. Those files must not be mistaken for the vault, and
    // as they hold the vault's bytes they must be as private as data.enc.
    void NoteLeftovers(const std::string& dir) {
        for (const auto& item : fs::directory_iterator(dir)) {
            const std::string name = item.path().filename().string();
            if (name == "data.enc") {
                if (seal) {
                    ASSERT_NO_FATAL_FAILURE(HoldsNoText(item.path()));
                }
                continue;
            }
            // Named so that the next start removes it once it is old, and takes nothing of the user's.
            ASSERT_TRUE(vault::IsTemporaryName(name)) << "unexpected file " << name;
            if (seal) {
                ASSERT_NO_FATAL_FAILURE(HoldsNoText(item.path()));
            }
            if (leftovers.insert(dir + "/" + name).second) {
                struct stat st {};
                ASSERT_EQ(::lstat(item.path().c_str(), &st), 0);
                EXPECT_EQ(st.st_mode & 077, 0u) << name << " can be read by others";
            }
        }
    }
};

// How many savers to kill: KEYSHELF_KILLS when set (a long run by hand, say 1000), else 150, which keeps
// the suite to a few seconds. A value that is not a positive number stops the test instead of running a
// different number of kills than asked for.
constexpr int kDefaultKills = 150;
std::optional<int> KillsWanted() {
    const char* text = std::getenv("KEYSHELF_KILLS");
    if (text == nullptr || *text == '\0') {
        return kDefaultKills;
    }
    char* end = nullptr;
    errno = 0;
    const long kills = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || kills <= 0 || kills > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(kills);
}

TEST_F(KillDuringSave, TheVaultIsAlwaysTheLastFinishedSaveOrTheOneInFlight) {
    const std::optional<int> wanted = KillsWanted();
    ASSERT_TRUE(wanted.has_value()) << "KEYSHELF_KILLS is \"" << std::getenv("KEYSHELF_KILLS")
                                    << "\", not a positive number of kills";
    TempDir dir;
    const std::string path = vault::VaultPath(dir.path());
    ASSERT_FALSE(vault::SaveVault(path, vault::Secret(kMaster), EntriesOf(0)).has_value());
    State onDisk = 0;

    // Waits of up to three saves: at least up to 15 ms, and never beyond 100 ms on a slow disk.
    const std::chrono::microseconds longest = std::clamp<std::chrono::microseconds>(
        3 * SaveDuration(), std::chrono::milliseconds(15), std::chrono::milliseconds(100));
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < *wanted; ++i) {
        const std::chrono::microseconds wait(static_cast<std::int64_t>(fraction(rng) * longest.count()));
        ASSERT_NO_FATAL_FAILURE(KillOneSaver(dir.path(), onDisk, wait));
    }
    EXPECT_EQ(kills, *wanted);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Report("kill/save");
    std::cout << "[ kill/save ] waits of 0 to " << longest.count() << " us; " << seconds << " s in all\n";
    // Without a finished save every kill would have hit the first save, and the saves after it went untried.
    EXPECT_GT(savesFinished, 0);
}

// A sealed vault under the same kills: whatever is on disk after any of them, data.enc or a temporary
// file, holds no entry's text, and data.enc unseals to a whole save.
TEST_F(KillDuringSave, ASealedVaultNeverReachesTheDiskInPlain) {
    TempDir dir;
    const std::string path = vault::VaultPath(dir.path());
    auto key = vault::SealKey::Fresh(kMaster, vault::kLeastSealCost, path);
    ASSERT_TRUE(key);
    seal = std::move(*key);
    ASSERT_FALSE(
        vault::SaveVault(path, vault::Secret(kMaster), EntriesOf(0), vault::SystemFileOps(), &*seal).has_value());
    State onDisk = 0;
    const std::chrono::microseconds longest = std::clamp<std::chrono::microseconds>(
        3 * SaveDuration(), std::chrono::milliseconds(15), std::chrono::milliseconds(100));
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    for (int i = 0; i < 40; ++i) {
        const std::chrono::microseconds wait(static_cast<std::int64_t>(fraction(rng) * longest.count()));
        ASSERT_NO_FATAL_FAILURE(KillOneSaver(dir.path(), onDisk, wait));
    }
    Report("sealed");
    EXPECT_GT(savesFinished, 0);
}

// A first run: the saver starts in a folder without data.enc. Until its first save finishes the file is
// absent or the empty line (CR LF) the save creates before it writes the vault; then it is a whole save.
TEST_F(KillDuringSave, AVaultCreatedFromNothingIsAbsentEmptyOrWhole) {
    // Waits of up to two saves: about half the kills land before the first save has finished.
    const std::chrono::microseconds longest =
        std::min<std::chrono::microseconds>(2 * SaveDuration(), std::chrono::milliseconds(100));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    for (int folder = 0; folder < 30; ++folder) {
        TempDir dir;
        State onDisk = kAbsent;
        for (int i = 0; i < 3; ++i) {
            const std::chrono::microseconds wait(static_cast<std::int64_t>(fraction(rng) * longest.count()));
            ASSERT_NO_FATAL_FAILURE(KillOneSaver(dir.path(), onDisk, wait));
        }
    }
    Report("first run");
    std::cout << "[ first run ] waits of 0 to " << longest.count() << " us\n";
}

} // namespace

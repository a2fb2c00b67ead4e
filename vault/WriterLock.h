// One writer at a time. Every Keyshelf program that changes a vault (the window, keyshelf-cli) holds an
// exclusive advisory lock on a small file beside it, ".data.enc.lock" beside data.enc, from reading the file
// for a change until the replacement is renamed into place and its folder flushed. Without it two writers
// could each find the file as they read it, and the later rename would drop the earlier one's change.
//
// The lock is flock(2)'s: the kernel lets go of it when its holder ends, however it ends, so a killed
// writer leaves nothing that blocks. The holder removes the lock file as it lets go; one a killed writer
// left stays, harmless, and is used by the next. A program that ignores the lock (a sync tool, an editor)
// is still caught by the file's stamp.
#pragma once

#include "VaultError.h"

#include <chrono>
#include <string>
#include <utility>

namespace vault {

class WriterLock {
public:
    // How long a writer waits for another to finish before it gives up: far longer than any save takes,
    // short enough that the person is told soon.
    static constexpr std::chrono::milliseconds kWait{4000};

    // The lock file of the vault at `vaultPath`: beside the file a save replaces (the target of a link), so
    // that every path to one vault takes one lock.
    static std::string PathFor(const std::string& vaultPath);

    // Takes the lock of the vault at `vaultPath`, waiting up to `wait` for another holder to let go. Fails,
    // as `doing` would say it, when another program kept it (nothing was changed), or when the lock file is
    // a link or not a regular file of its own (never opened through a link) or cannot be made.
    static Result<WriterLock> Take(const std::string& vaultPath, const char* doing,
                                   std::chrono::milliseconds wait = kWait);

    WriterLock(WriterLock&& other) noexcept;
    WriterLock& operator=(WriterLock&& other) noexcept;
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    ~WriterLock();

private:
    WriterLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    void release();

    int fd_ = -1;
    std::string path_;
    bool held_ = false;
};

} // namespace vault

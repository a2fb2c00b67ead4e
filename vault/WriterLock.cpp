#include "WriterLock.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace vault {

std::string WriterLock::PathFor(const std::string& vaultPath) {
    const std::string target = ReplacedPath(vaultPath);
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + ".lock";
}

Result<WriterLock> WriterLock::Take(const std::string& vaultPath, const char* doing, std::chrono::milliseconds wait) {
    const std::string lockPath = PathFor(vaultPath);
    auto refused = [&](const std::string& why) {
        return VaultError{doing, vaultPath, "its lock file " + lockPath + " " + why + "; nothing was changed"};
    };
    // Read-only is all flock needs, and lets a lock file of another owner be shared. O_NONBLOCK: a FIFO put
    // in its place must not hold the open up.
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        if (errno == ELOOP) {
            return refused("is a symbolic link, which Keyshelf never follows");
        }
        if (errno == EISDIR) {
            return refused("is not a regular file of its own");
        }
        if (errno == ENOENT || errno == EACCES || errno == EPERM || errno == EROFS) {
            // No file can be made in that folder, so no save can land there either: the save says why.
            return WriterLock(-1);
        }
        return refused("could not be opened: " + std::string(std::strerror(errno)));
    }
    WriterLock lock(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        return refused("is not a regular file of its own");
    }
    // Left by a run under another umask, or made by hand: it tells when the vault is written, so it is the
    // owner's alone like the vault.
    if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0600) {
        (void)::fchmod(fd, 0600);
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(2);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return refused("could not be locked: " + std::string(std::strerror(errno)));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return VaultError{doing, vaultPath,
                              "another program is writing it, so nothing was changed.  Try again "
                              "in a moment"};
        }
        // Short pauses at first: a save takes milliseconds, and the next writer should not wait much longer.
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(25));
    }
    return lock;
}

WriterLock::WriterLock(WriterLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

WriterLock& WriterLock::operator=(WriterLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

WriterLock::~WriterLock() {
    // Closing the last descriptor lets go of the lock.
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace vault

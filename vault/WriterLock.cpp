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
namespace {

// Whether `path` names the file open as `fd` (and not one made in its place since).
bool StillAt(const std::string& path, int fd) {
    struct stat open {};
    struct stat there {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &there) == 0 && open.st_dev == there.st_dev &&
           open.st_ino == there.st_ino;
}

} // namespace

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
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        // Read-only is all flock needs, and lets a lock file of another owner be shared. O_NONBLOCK: a FIFO
        // put in its place must not hold the open up.
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
                return WriterLock(-1, {});
            }
            return refused("could not be opened: " + std::string(std::strerror(errno)));
        }
        WriterLock lock(fd, lockPath);
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1) {
            return refused("is not a regular file of its own");
        }
        // Left by a run under another umask, or made by hand: it tells when the vault is written, so it is
        // the owner's alone like the vault.
        if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0600) {
            (void)::fchmod(fd, 0600);
        }
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                return refused("could not be locked: " + std::string(std::strerror(errno)));
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return VaultError{doing, vaultPath,
                                  "another program is writing it, so nothing was changed.  Try again in a moment"};
            }
            // Short pauses at first: a save takes milliseconds, and the next writer should not wait longer.
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(25));
        }
        // The writer before removed the file as it let go: a lock on a file no longer there locks nothing,
        // and the one at the path now is tried.
        if (StillAt(lockPath, fd)) {
            lock.held_ = true;
            return lock;
        }
    }
}

WriterLock::WriterLock(WriterLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), held_(std::exchange(other.held_, false)) {}

WriterLock& WriterLock::operator=(WriterLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        held_ = std::exchange(other.held_, false);
    }
    return *this;
}

WriterLock::~WriterLock() {
    release();
}

void WriterLock::release() {
    if (fd_ < 0) {
        return;
    }
    // Removed while still held, so that a folder holds no lock file while no one writes; a writer waiting
    // on it then finds it gone and takes the one at the path.
    if (held_ && StillAt(path_, fd_)) {
        ::unlink(path_.c_str());
    }
    // Closing the last descriptor lets go of the lock.
    ::close(fd_);
    fd_ = -1;
    held_ = false;
}

} // namespace vault

#include "AtomicFile.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <dirent.h>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vault {
namespace {

FileOps gSystemOps;
FileOps* gOps = &gSystemOps;

std::string Reason(int err) {
    switch (err) {
    case ENOSPC:
        return "the disk is full (" + std::string(std::strerror(err)) + ")";
    case EACCES:
    case EPERM:
        return "permission denied";
    case EROFS:
        return "the disk is read-only";
    case EISDIR:
        return "it is a folder, not a file";
    case ENOENT:
        return "the file or its folder does not exist";
    default:
        return std::strerror(err);
    }
}

VaultError Failure(const char* action, const std::string& path, int err) {
    return VaultError{action, path, Reason(err)};
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a replacement must land on: the target of a symbolic link, or the path itself.
Result<std::string> ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    std::vector<char> buffer(PATH_MAX + 1);
    std::string target = path;
    // Follow a short chain of links by hand so that a dangling one can be reported as such.
    for (int hops = 0; hops < 16; ++hops) {
        const ssize_t n = ::readlink(target.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0) {
            return Failure("Could not save", path, errno);
        }
        std::string next(buffer.data(), static_cast<std::size_t>(n));
        if (next.empty() || next[0] != '/') {
            next = DirectoryOf(target) + "/" + next;
        }
        target = next;
        if (::lstat(target.c_str(), &st) != 0) {
            return VaultError{"Could not save", path, "it is a link to " + target + ", which does not exist"};
        }
        if (!S_ISLNK(st.st_mode)) {
            return target;
        }
    }
    return VaultError{"Could not save", path, "it is a chain of links that does not end"};
}

} // namespace

ssize_t FileOps::Write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}
int FileOps::Fsync(int fd) {
    return ::fsync(fd);
}
int FileOps::Rename(const char* from, const char* to) {
    return ::rename(from, to);
}

FileOps* SetFileOps(FileOps* ops) {
    FileOps* previous = gOps == &gSystemOps ? nullptr : gOps;
    gOps = ops != nullptr ? ops : &gSystemOps;
    return previous;
}

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {};
    }
    return {true, static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
            static_cast<long long>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

int RemoveStaleTemporaries(const std::string& path, long long olderThanSeconds) {
    std::vector<std::string> folders = {DirectoryOf(path)};
    if (auto target = ResolveTarget(path); target && *target != path) {
        folders.push_back(DirectoryOf(*target));
    }
    const std::string prefix = ".data.enc.";
    const auto now = static_cast<long long>(::time(nullptr));
    int removed = 0;
    for (const std::string& folder : folders) {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            continue;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
                continue;
            }
            const std::string file = folder + "/" + name;
            struct stat st {};
            if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                now - static_cast<long long>(st.st_mtime) > olderThanSeconds && ::unlink(file.c_str()) == 0) {
                ++removed;
            }
        }
        ::closedir(dir);
    }
    return removed;
}

PathKind KindOfPath(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Unknown;
    }
    if (S_ISLNK(st.st_mode)) {
        if (::stat(path.c_str(), &st) != 0) {
            return PathKind::DanglingLink;
        }
    }
    if (S_ISREG(st.st_mode)) {
        return PathKind::RegularFile;
    }
    if (S_ISDIR(st.st_mode)) {
        return PathKind::Directory;
    }
    return PathKind::Other;
}

Result<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Failure("Could not read", path, errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return Failure("Could not read", path, err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Failure("Could not read", path, EISDIR);
    }
    std::string bytes;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    }
    char chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int err = errno;
            ::close(fd);
            return Failure("Could not read", path, err);
        }
        if (n == 0) {
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

Status ReplaceFile(const std::string& path, std::string_view bytes) {
    return ReplaceFileWith(path, [bytes](const ByteSink& sink) { return sink(bytes); });
}

Status ReplaceFileWith(const std::string& path, const std::function<bool(const ByteSink&)>& produce) {
    auto resolved = ResolveTarget(path);
    if (!resolved) {
        return resolved.error();
    }
    const std::string& target = *resolved;

    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return Failure("Could not save", path, EISDIR);
        }
        if (!S_ISREG(st.st_mode)) {
            return VaultError{"Could not save", path, "it is not a regular file"};
        }
        mode = st.st_mode & 07777;
        // Renaming over a file the user may not write would succeed in a folder they may write:
        // honour the file's own protection.
        if (::access(target.c_str(), W_OK) != 0) {
            return Failure("Could not save", path, errno);
        }
    }

    std::string temp = DirectoryOf(target) + "/.data.enc.XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return Failure("Could not save", path, errno);
    }
    auto fail = [&](int err) -> Status {
        ::close(fd);
        ::unlink(temp.c_str());
        return Failure("Could not save", path, err);
    };
    if (::fchmod(fd, mode) != 0) {
        return fail(errno);
    }
    int writeError = 0;
    const ByteSink sink = [&](std::string_view bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = gOps->Write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                writeError = n < 0 ? errno : EIO;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    };
    if (!produce(sink)) {
        return fail(writeError != 0 ? writeError : EIO);
    }
    if (gOps->Fsync(fd) != 0) {
        return fail(errno);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Failure("Could not save", path, err);
    }
    if (gOps->Rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Failure("Could not save", path, err);
    }
    // Make the rename itself durable. The new file is complete either way, so a failure here is not
    // a failed save.
    const int dir = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

} // namespace vault

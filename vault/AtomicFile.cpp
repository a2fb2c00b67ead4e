#include "AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vault {
namespace {

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
        return std::string(kFolderText);
    case ENOENT:
        return "the file or its folder does not exist";
    default:
        return std::strerror(err);
    }
}

VaultError ErrorOf(const char* action, const std::string& path, int err) {
    return VaultError{action, path, Reason(err)};
}

// A size as people read it, in units of 1024: "900 bytes", "1.5 KB", "2.0 GB". `whole` drops the
// decimal when the size is a whole number of its unit ("64 MB").
std::string SizeText(std::uint64_t bytes, bool whole) {
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1024) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    std::size_t unit = 0;
    std::uint64_t divisor = 1024;
    // Rounded to tenths first, so that 1023.96 MB shows as 1.0 GB and not 1024.0 MB.
    const auto tenthsOf = [&] {
        return static_cast<std::uint64_t>(static_cast<long double>(bytes) * 10 / divisor + 0.5L);
    };
    while (unit + 1 < std::size(kUnits) && tenthsOf() >= 1024 * 10) {
        divisor *= 1024;
        ++unit;
    }
    const std::uint64_t tenths = tenthsOf();
    std::string text = std::to_string(tenths / 10);
    if (!whole || bytes % divisor != 0) {
        text += "." + std::to_string(tenths % 10);
    }
    return text + " " + kUnits[unit];
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
            return ErrorOf("Could not save", path, errno);
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

std::string ReplacedPath(const std::string& path) {
    auto target = ResolveTarget(path);
    return target ? *target : path;
}

std::string Grouped(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

VaultError TooLargeError(const std::string& path, std::uint64_t size, std::uint64_t limit) {
    std::string shown = SizeText(size, false);
    if (shown == SizeText(limit, false)) {
        shown = Grouped(size) + " bytes"; // just over the limit: "64.0 MB, larger than 64 MB" would puzzle
    }
    VaultError error{"Could not read", path,
                     "it is " + shown + ", larger than any Keyshelf vault can be (" + SizeText(limit, true) + ")"};
    error.tooLarge = true;
    return error;
}

ssize_t FileOps::Read(int fd, void* data, std::size_t size) {
    return ::read(fd, data, size);
}
ssize_t FileOps::Write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}
int FileOps::Fsync(int fd) {
    return ::fsync(fd);
}
int FileOps::Rename(const char* from, const char* to) {
    return ::rename(from, to);
}

FileOps& SystemFileOps() {
    // Holds nothing: every call is the system's.
    static FileOps system;
    return system;
}

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {};
    }
    return {true,
            static_cast<unsigned long long>(st.st_dev),
            static_cast<unsigned long long>(st.st_ino),
            static_cast<long long>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
            static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec};
}

bool IsTemporaryName(std::string_view name) {
    constexpr std::size_t kRandom = 6; // the XXXXXX that mkstemp fills
    if (name.size() != kTemporaryPrefix.size() + kRandom || !name.starts_with(kTemporaryPrefix)) {
        return false;
    }
    return std::all_of(name.end() - kRandom, name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

int RemoveStaleTemporaries(const std::string& path, long long olderThanSeconds) {
    std::vector<std::string> folders = {DirectoryOf(path)};
    if (auto target = ResolveTarget(path); target && *target != path) {
        folders.push_back(DirectoryOf(*target));
    }
    const auto now = static_cast<long long>(::time(nullptr));
    int removed = 0;
    for (const std::string& folder : folders) {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            continue;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (!IsTemporaryName(name)) {
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

Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t limit, FileOps& files) {
    return ReadFileUntil(path, std::nullopt, limit, files);
}

Result<std::string> ReadFileUntil(const std::string& path, std::optional<char> stop, std::uint64_t limit,
                                  FileOps& files, std::size_t atLeast) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return ErrorOf("Could not read", path, errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return ErrorOf("Could not read", path, err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return ErrorOf("Could not read", path, EISDIR);
    }
    const auto size = static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0));
    if (size > limit) {
        ::close(fd);
        return TooLargeError(path, size, limit);
    }
    std::string bytes;
    if (!stop) {
        bytes.reserve(static_cast<std::size_t>(size));
    }
    // One byte past the limit is enough to know that the file has grown beyond it since fstat.
    const std::uint64_t most = limit + 1;
    char chunk[1 << 16];
    bool stopped = false;
    while (bytes.size() < most) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, most - bytes.size()));
        const ssize_t n = files.Read(fd, chunk, want);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int err = errno;
            ::close(fd);
            return ErrorOf("Could not read", path, err);
        }
        if (n == 0) {
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
        stopped = stopped || (stop && std::memchr(chunk, *stop, static_cast<std::size_t>(n)) != nullptr);
        if (stopped && bytes.size() >= atLeast) {
            break;
        }
    }
    if (bytes.size() > limit) {
        const std::uint64_t now = ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
        ::close(fd);
        return TooLargeError(path, std::max<std::uint64_t>(now, bytes.size()), limit);
    }
    ::close(fd);
    return bytes;
}

Failure ReplaceFile(const std::string& path, std::string_view bytes, FileOps& files) {
    return ReplaceFileWith(
        path, [bytes](const ByteSink& sink) { return sink(bytes); }, files);
}

Failure ReplaceFileWith(const std::string& path, const std::function<bool(const ByteSink&)>& produce, FileOps& files) {
    auto resolved = ResolveTarget(path);
    if (!resolved) {
        return resolved.error();
    }
    const std::string& target = *resolved;

    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return ErrorOf("Could not save", path, EISDIR);
        }
        if (!S_ISREG(st.st_mode)) {
            return VaultError{"Could not save", path, "it is not a regular file"};
        }
        mode = st.st_mode & 07777;
        // Renaming over a file the user may not write would succeed in a folder they may write:
        // honour the file's own protection.
        if (::access(target.c_str(), W_OK) != 0) {
            return ErrorOf("Could not save", path, errno);
        }
    }

    std::string temp = DirectoryOf(target) + "/" + std::string(kTemporaryPrefix) + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return ErrorOf("Could not save", path, errno);
    }
    auto fail = [&](int err) -> Failure {
        ::close(fd);
        ::unlink(temp.c_str());
        return ErrorOf("Could not save", path, err);
    };
    if (::fchmod(fd, mode) != 0) {
        return fail(errno);
    }
    int writeError = 0;
    // What is written must be readable again: a vault the next start would refuse is not saved.
    std::uint64_t written = 0;
    bool overLimit = false;
    const ByteSink sink = [&](std::string_view bytes) {
        written += bytes.size();
        if (written > kMaxVaultBytes) {
            overLimit = true;
            return false;
        }
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = files.Write(fd, bytes.data() + done, bytes.size() - done);
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
        if (overLimit) {
            fail(0);
            VaultError error{"Could not save", path,
                             "it would be larger than any Keyshelf vault can be (" + SizeText(kMaxVaultBytes, true) +
                                 ")"};
            error.tooLarge = true;
            return error;
        }
        return fail(writeError != 0 ? writeError : EIO);
    }
    if (files.Fsync(fd) != 0) {
        return fail(errno);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return ErrorOf("Could not save", path, err);
    }
    if (files.Rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return ErrorOf("Could not save", path, err);
    }
    // Make the rename itself durable. The new file is complete either way, so a failure here is not
    // a failed save.
    const int dir = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        files.Fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

} // namespace vault

// Reading a file whole and replacing it atomically.
//
// A replacement is written to a temporary file in the same folder, flushed, synced and renamed over the
// old one, so a crash or a full disk at any moment leaves either the old file or the new one, never a mix.
#pragma once

#include "ByteSink.h"
#include "VaultError.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace vault {

// The system calls a replacement and a read go through: each does what the system call of its name does.
// Whoever reads or replaces a file may hand in others (a disk that fills after some bytes, a rename that
// is refused, a file that grows while it is read); the old file is left whole whatever they answer.
struct FileOps {
    virtual ~FileOps() = default;
    virtual ssize_t Read(int fd, void* data, std::size_t size);
    virtual ssize_t Write(int fd, const void* data, std::size_t size);
    virtual int Fsync(int fd);
    virtual int Rename(const char* from, const char* to);
};
// The system's own calls.
FileOps& SystemFileOps();

// The largest data.enc Keyshelf reads; a larger file is refused before any of it is read. The format
// holds at most 32,767 entries (kMaxEntries), and 32,767 entries whose three fields fill 2 KB together
// come to 64 MB, while real entries take a few dozen bytes: a larger file is no vault (a disk image, a
// log, a file of zeros), and reading it would only cost memory, time and a master line of millions of
// characters.
inline constexpr std::uint64_t kMaxVaultBytes = std::uint64_t{64} << 20;

// The error for a file of `size` bytes, as far as is known, which is more than `limit`: "Could not read
// …: it is 80.0 MB, larger than any Keyshelf vault can be (64 MB)", with tooLarge set.
VaultError TooLargeError(const std::string& path, std::uint64_t size, std::uint64_t limit = kMaxVaultBytes);

// Reads the whole file. Fails for a missing file, a folder, missing rights or a read error, and for a
// file of more than `limit` bytes (an error with tooLarge set): one that is larger when opened is refused
// before any byte is read, and one that grows past the limit while it is read is refused after at most
// `limit` + 1 bytes.
Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t limit = kMaxVaultBytes,
                                  FileOps& files = SystemFileOps());
// The same, but it stops reading once it has read a `stop` byte and at least `atLeast` bytes: the bytes up
// to there and at most one read's worth beyond. With no `stop` it reads the whole file.
Result<std::string> ReadFileUntil(const std::string& path, std::optional<char> stop,
                                  std::uint64_t limit = kMaxVaultBytes, FileOps& files = SystemFileOps(),
                                  std::size_t atLeast = 0);

// Replaces the file with `bytes`. A new file is created readable and writable by its owner only; an
// existing one keeps its permissions. When `path` is a symbolic link the file it points to is replaced
// and the link stays. More than kMaxVaultBytes is not written (an error with tooLarge set, the old file
// left as it was): the next start would refuse the file.
Failure ReplaceFile(const std::string& path, std::string_view bytes, FileOps& files = SystemFileOps());
// The same, with the bytes written piece by piece as `produce` hands them to its sink. A producer that
// returns false leaves the old file as it was.
Failure ReplaceFileWith(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                        FileOps& files = SystemFileOps());

// The file a replacement of `path` lands on: the file a symbolic link points to, or `path` itself (also
// when the link leads nowhere).
std::string ReplacedPath(const std::string& path);

// Who the file at a path is: which file, how big, when last written, and when its inode last changed.
// Another program's write, a copy put in its place or its removal all change it. The change time is there
// because a program can put the modification time back after writing in place; no one can set the change
// time, and every write or utimensat moves it.
struct FileStamp {
    bool exists = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedNs = 0;
    long long changedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp StampOf(const std::string& path);

// A replacement writes its temporary file beside the file it replaces (beside the file a link points to),
// named kTemporaryPrefix and six random letters and digits, as mkstemp makes them:
// ".data.enc.keyshelf-save-Xy3kQ9". No user names a file so, and the start-up clean-up removes nothing else.
inline constexpr std::string_view kTemporaryPrefix = ".data.enc.keyshelf-save-";

// Whether a file name is one a replacement gives its temporary file.
bool IsTemporaryName(std::string_view name);

// Removes the temporary files that replacements of `path` left behind when they were killed before they
// finished: regular files whose names pass IsTemporaryName, beside the file or beside the file a link
// points to, when older than `olderThanSeconds`: younger ones may belong to a save still under way.
// Returns how many went.
int RemoveStaleTemporaries(const std::string& path, long long olderThanSeconds);
// The age at which a program opening the vault takes a temporary file for a leftover: a save under way
// finishes in far less.
inline constexpr long long kStaleTemporarySeconds = 10 * 60;

// Why a folder cannot be read or written as the vault.
inline constexpr std::string_view kFolderText = "it is a folder, not a file";

// A count as messages write it: "1,234,567".
std::string Grouped(std::uint64_t n);

// What the filesystem says is at a path, without following a final symbolic link.
enum class PathKind { Missing, RegularFile, Directory, DanglingLink, Other, Unknown };
PathKind KindOfPath(const std::string& path);

} // namespace vault

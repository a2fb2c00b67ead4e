#include "CommandRuns.h"
#include "CsvImport.h"
#include "Output.h"
#include "Unlocked.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {
namespace {

// Writes the CSV to a new file of the owner's alone, or with `force` over an existing one (never through
// a link), and makes it the owner's alone.
vault::Failure WriteExport(const std::string& path, bool force, std::string_view csv) {
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (force ? O_TRUNC : O_EXCL);
    const int fd = ::open(path.c_str(), flags, 0600);
    auto failure = [&path](const std::string& reason) { return vault::VaultError{"Could not write", path, reason}; };
    if (fd < 0) {
        return failure(errno == EEXIST ? "it exists already (--force writes over it)" : std::strerror(errno));
    }
    bool written = ::fchmod(fd, 0600) == 0;
    int error = written ? 0 : errno;
    while (written && !csv.empty()) {
        const ssize_t n = ::write(fd, csv.data(), csv.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            written = false;
            error = n < 0 ? errno : EIO;
            break;
        }
        csv.remove_prefix(static_cast<std::size_t>(n));
    }
    if (written && ::fsync(fd) != 0) {
        written = false;
        error = errno;
    }
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        return failure(std::strerror(error));
    }
    return std::nullopt;
}

int Export(const Arguments& arguments, const Opened& vault) {
    if (!arguments.output && ::isatty(STDOUT_FILENO)) {
        return Fail("export prints every password: name a file with -o FILE, or send standard output to one");
    }
    const std::vector<vault::EntryView> rows = vault.rows();
    std::string csv = vault::ExportCsv(rows.size(), [&rows](std::size_t i) { return rows[i]; });
    int status = kDone;
    if (arguments.output) {
        if (auto failed = WriteExport(*arguments.output, arguments.force, csv)) {
            status = Fail(*failed);
        }
    } else if (!WriteOut(csv)) {
        status = Fail("could not write to standard output");
    }
    ::explicit_bzero(csv.data(), csv.size());
    if (status == kDone) {
        Fail("exported " + std::to_string(rows.size()) + (rows.size() == 1 ? " entry" : " entries") + " to " +
             (arguments.output ? *arguments.output : std::string("standard output")) +
             ", every password in plain text: keep it safe, and delete it once it is imported");
    }
    return status;
}

} // namespace

int runExport(const Arguments& arguments, const std::string& vaultPath) {
    return onUnlocked(arguments, vaultPath, Access::Reads,
                      [&](Opened& vault, Console&) { return Export(arguments, vault); });
}

} // namespace cli

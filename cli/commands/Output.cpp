#include "Output.h"

#include "Display.h"

#include <cerrno>
#include <unistd.h>

namespace cli {

int Fail(std::string_view message) {
    const std::string line = "keyshelf-cli: " + ShownUtf8(message) + "\n";
    const ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
    return kFailed;
}

int Fail(const vault::VaultError& error) {
    return Fail(error.Message());
}

bool WriteOut(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

int Print(std::string_view text) {
    return WriteOut(text) ? kDone : Fail("could not write to standard output");
}

} // namespace cli

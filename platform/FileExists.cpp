#include "FileExists.h"

#include <sys/stat.h>

namespace fileExists {

std::optional<std::string> FileNameOfPath(const std::string& path, char separator) {
    std::string rest = path;
    for (;;) {
        const auto pos = rest.find(separator);
        if (pos == std::string::npos) {
            return rest;
        }
        // Positions are 1-based 16-bit counts.
        if (pos + 1 > 32767) {
            return std::nullopt;
        }
        rest.erase(0, pos + 1);
    }
}

bool FileExists(const std::string& path) {
    const std::optional<std::string> name = FileNameOfPath(path);
    if (!name || name->empty() || name->find_first_of("*?[") != std::string::npos || (*name)[0] == '.') {
        return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace fileExists

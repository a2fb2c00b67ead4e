// Whether a file exists at a path, by the rule the vault and the help window rely on.
#pragma once

#include <optional>
#include <string>

namespace fileExists {

// The separator between the components of a path on this platform.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True when `path` names an ordinary file: directories, devices, hidden files (a name starting with "."
// on this platform) and names holding a wildcard never count. Never throws: any failure gives false.
bool FileExists(const std::string& path);

// The text after the last separator; only `separator` separates components. An empty path gives "".
// Nothing when a separator stands beyond position 32,767, as the position is counted in a 16-bit
// integer.
std::optional<std::string> FileNameOfPath(const std::string& path, char separator = kPathSeparator);

} // namespace fileExists

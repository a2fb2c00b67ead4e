#pragma once

#include <functional>
#include <string_view>

namespace vault {

// Receives a file's bytes piece by piece; returns false to stop the producer (a write failed).
using ByteSink = std::function<bool(std::string_view)>;

} // namespace vault

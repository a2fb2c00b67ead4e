// A master password, or any other secret, as a function is handed it beside a file's path: a type of its
// own, so that the two cannot be swapped. The text is borrowed, never kept.
#pragma once

#include <string>
#include <string_view>

namespace vault {

struct Secret {
    explicit Secret(std::string_view text) : text(text) {}
    std::string str() const { return std::string(text); }
    std::string_view text;
};

} // namespace vault

// New passwords drawn from the system's cryptographic random source.
//
// Every character is one the vault stores exactly: printable ASCII without the space (which a reader
// could not see at either end) and without "|" (which separates the fields of an entry), so a generated
// password can always be saved and reads back the same.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vault {

// The characters a generated password is drawn from, each equally likely: letters, digits, punctuation.
std::string_view PasswordAlphabet();

// Fills `size` bytes with random bytes; false when the source failed.
using RandomSource = std::function<bool(unsigned char* bytes, std::size_t size)>;
// The kernel's cryptographic random source (getrandom), which blocks only until it is first seeded.
bool SystemRandom(unsigned char* bytes, std::size_t size);

inline constexpr std::size_t kGeneratedLength = 20;

// A new password of `length` characters, or nothing when the random source failed.
std::optional<std::string> GeneratePassword(std::size_t length = kGeneratedLength,
                                            const RandomSource& random = SystemRandom);

} // namespace vault

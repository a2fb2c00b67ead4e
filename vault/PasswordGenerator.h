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

// The characters a generated password is drawn from by default, each equally likely: letters, digits,
// punctuation.
std::string_view PasswordAlphabet();

// Fills `size` bytes with random bytes; false when the source failed.
using RandomSource = std::function<bool(unsigned char* bytes, std::size_t size)>;
// The kernel's cryptographic random source (getrandom), which blocks only until it is first seeded.
bool SystemRandom(unsigned char* bytes, std::size_t size);

inline constexpr std::size_t kGeneratedLength = 20;
// The shortest and longest password the generator makes.
inline constexpr std::size_t kMinGeneratedLength = 1;
inline constexpr std::size_t kMaxGeneratedLength = 1024;

// How a password is made: its length, and which kinds of character it is drawn from.
struct PasswordOptions {
    std::size_t length = kGeneratedLength;
    bool lower = true;       // a to z
    bool upper = true;       // A to Z
    bool digits = true;      // 0 to 9
    bool punctuation = true; // the other printable ASCII characters but the space and "|"

    // A length within the bounds and at least one kind of character.
    bool valid() const;
    friend bool operator==(const PasswordOptions&, const PasswordOptions&) = default;
};

// The characters of the chosen kinds, in ASCII order; empty when none is chosen.
std::string PasswordAlphabet(const PasswordOptions& options);

// A new password of `length` characters from every kind, or nothing when the random source failed.
std::optional<std::string> GeneratePassword(std::size_t length = kGeneratedLength,
                                            const RandomSource& random = SystemRandom);
// A new password as `options` have it, each character drawn evenly from the chosen kinds; nothing when the
// options are not valid() or the random source failed.
std::optional<std::string> GeneratePassword(const PasswordOptions& options, const RandomSource& random = SystemRandom);

} // namespace vault

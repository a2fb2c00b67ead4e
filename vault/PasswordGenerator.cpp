#include "PasswordGenerator.h"

#include <array>
#include <cerrno>
#include <string.h>
#include <sys/random.h>

namespace vault {

namespace {

constexpr std::array<char, 93> kAlphabet = [] {
    std::array<char, 93> alphabet{};
    std::size_t n = 0;
    for (char c = '!'; c <= '~'; ++c) {
        if (c != '|') {
            alphabet[n++] = c;
        }
    }
    return alphabet;
}();

} // namespace

std::string_view PasswordAlphabet() {
    return {kAlphabet.data(), kAlphabet.size()};
}

bool SystemRandom(unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t got = ::getrandom(bytes, size, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool PasswordOptions::valid() const {
    return length >= kMinGeneratedLength && length <= kMaxGeneratedLength && (lower || upper || digits || punctuation);
}

std::string PasswordAlphabet(const PasswordOptions& options) {
    std::string alphabet;
    for (const char c : kAlphabet) {
        const bool chosen = c >= 'a' && c <= 'z'   ? options.lower
                            : c >= 'A' && c <= 'Z' ? options.upper
                            : c >= '0' && c <= '9' ? options.digits
                                                   : options.punctuation;
        if (chosen) {
            alphabet.push_back(c);
        }
    }
    return alphabet;
}

std::optional<std::string> GeneratePassword(std::size_t length, const RandomSource& random) {
    PasswordOptions options;
    options.length = length;
    return GeneratePassword(options, random);
}

std::optional<std::string> GeneratePassword(const PasswordOptions& options, const RandomSource& random) {
    if (!options.valid()) {
        return std::nullopt;
    }
    const std::string alphabet = PasswordAlphabet(options);
    // Bytes at or above this are thrown away, so that each character is exactly as likely as any other.
    const unsigned unbiasedBelow = 256 / alphabet.size() * alphabet.size();
    std::string password;
    password.reserve(options.length);
    std::array<unsigned char, 64> pool{};
    while (password.size() < options.length) {
        if (!random(pool.data(), pool.size())) {
            explicit_bzero(password.data(), password.size());
            return std::nullopt;
        }
        for (const unsigned char byte : pool) {
            if (byte < unbiasedBelow && password.size() < options.length) {
                password.push_back(alphabet[byte % alphabet.size()]);
            }
        }
    }
    // Nothing of the password stays behind in the pool.
    explicit_bzero(pool.data(), pool.size());
    return password;
}

} // namespace vault

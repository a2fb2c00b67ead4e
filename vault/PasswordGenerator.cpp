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

// Bytes at or above this are thrown away, so that each character is exactly as likely as any other.
constexpr unsigned kUnbiasedBelow = 256 / kAlphabet.size() * kAlphabet.size();

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

std::optional<std::string> GeneratePassword(std::size_t length, const RandomSource& random) {
    std::string password;
    password.reserve(length);
    std::array<unsigned char, 64> pool{};
    while (password.size() < length) {
        if (!random(pool.data(), pool.size())) {
            return std::nullopt;
        }
        for (const unsigned char byte : pool) {
            if (byte < kUnbiasedBelow && password.size() < length) {
                password.push_back(kAlphabet[byte % kAlphabet.size()]);
            }
        }
    }
    // Nothing of the password stays behind in the pool.
    explicit_bzero(pool.data(), pool.size());
    return password;
}

} // namespace vault

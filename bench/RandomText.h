// Realistic field texts for the benchmarks' vaults, the same on every run.
#pragma once

#include <cstring>
#include <random>
#include <string>

namespace bench {

// A text of `minLength` to `maxLength` characters drawn from `alphabet`.
inline std::string RandomText(std::mt19937& rng, const char* alphabet, int minLength, int maxLength) {
    const std::size_t n = std::strlen(alphabet);
    std::uniform_int_distribution<int> length(minLength, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, n - 1);
    std::string out;
    const int len = length(rng);
    for (int i = 0; i < len; ++i) {
        out.push_back(alphabet[pick(rng)]);
    }
    return out;
}

} // namespace bench

// Any bytes in data.enc, read as the sealed form: reading never crashes; no plain vault is taken for a
// sealed one; a header that reads asks for a cost within the bounds, reads the same from the file's first
// bytes alone (the start-up reads no more), and is the one a key derived for it was derived for. The
// corpus's sealed vaults are sealed with kSeedPassword at the least cost: a header asking for that cost is
// opened with it, and what it unseals seals again, under a new stream header, into bytes that unseal to
// the same plain bytes and are refused cut short or extended. A header asking for more is never derived
// for here: a hostile cost may not make a run slow. Each input is read twice when it is long enough for a
// header: as it is, and with the header's checksum made to hold, or hardly a changed header would be read
// past its checksum.
#include "SealedVault.h"
#include "VaultFile.h"

#include <cstdint>
#include <cstdlib>
#include <sodium.h>
#include <string>
#include <string_view>

namespace {

// The master password of the sealed vaults in fuzz/corpus/sealed (make_vault --sealed PATH "sealed seed").
constexpr std::string_view kSeedPassword = "sealed seed";
const std::string kPath = "fuzz.enc";

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool CostWithinBounds(const vault::SealCost& cost) {
    return cost.passes >= vault::kLeastSealCost.passes && cost.passes <= vault::kMostSealCost.passes &&
           cost.memoryKiB >= vault::kLeastSealCost.memoryKiB && cost.memoryKiB <= vault::kMostSealCost.memoryKiB;
}

std::string Reseal(const vault::SealKey& key, std::string_view plain) {
    std::string sealed;
    Require(key.seal([&](const vault::ByteSink& sink) { return sink(plain); },
                     [&](std::string_view piece) {
                         sealed.append(piece);
                         return true;
                     }));
    return sealed;
}

// Unsealing `sealed` fails as damage does: never as a wrong password, never with plain bytes.
void RequireDamaged(const vault::SealKey& key, std::string_view sealed) {
    const auto plain = key.unseal(sealed, kPath);
    Require(!plain && !plain.error().wrongPassword);
}

// Bytes 75-90 of the header: BLAKE2b of bytes 0-74.
std::string WithChecksum(std::string_view bytes) {
    constexpr std::size_t kSumAt = 75;
    std::string fixed(bytes);
    auto* at = reinterpret_cast<unsigned char*>(fixed.data());
    crypto_generichash(at + kSumAt, vault::kSealHeaderBytes - kSumAt, at, kSumAt, nullptr, 0);
    return fixed;
}

void Check(std::string_view bytes) {
    const bool claimed = vault::ClaimsSealedForm(bytes);
    const auto header = vault::ReadSealHeader(bytes, kPath);
    if (bytes.size() >= vault::kSealHeaderBytes) {
        Require(vault::ReadSealHeader(bytes.substr(0, vault::kSealHeaderBytes), kPath).ok() == header.ok());
    }
    if (!header) {
        Require(header.error().path == kPath && !header.error().reason.empty() && !header.error().wrongPassword);
        return;
    }
    Require(claimed && CostWithinBounds(header->cost));
    Require(bytes.substr(0, vault::kSealHeaderBytes) ==
            std::string_view(reinterpret_cast<const char*>(header->bytes.data()), header->bytes.size()));
    if (header->cost != vault::kLeastSealCost) {
        return;
    }

    auto key = vault::SealKey::Derive(kSeedPassword, header->salt, header->cost, kPath);
    Require(key.ok() && key->derivedFor(*header));
    const auto plain = key->unseal(bytes, kPath);
    if (!key->opens(*header)) {
        Require(!plain && plain.error().wrongPassword);
        return;
    }
    if (!plain) {
        Require(!plain.error().wrongPassword);
        return;
    }

    const std::string again = Reseal(*key, *plain);
    const auto resealedHeader = vault::ReadSealHeader(again, kPath);
    Require(resealedHeader && key->derivedFor(*resealedHeader) && key->opens(*resealedHeader));
    // A new seal never reuses the stream header (its nonce, bytes 34-57) of the one it replaces.
    constexpr std::size_t kStreamAt = 34;
    constexpr std::size_t kStreamBytes = 24;
    Require(std::string_view(again).substr(kStreamAt, kStreamBytes) != bytes.substr(kStreamAt, kStreamBytes));
    const auto back = key->unseal(again, kPath);
    Require(back && *back == *plain);
    RequireDamaged(*key, std::string_view(again).substr(0, again.size() - 1));
    RequireDamaged(*key, again + '\0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = sodium_init() >= 0;
    Require(ready);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    if (size >= vault::kSealHeaderBytes) {
        if (const std::string fixed = WithChecksum(bytes); fixed != bytes) {
            Check(fixed);
        }
    }
    return 0;
}

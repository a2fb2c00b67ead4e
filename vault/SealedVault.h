// The sealed form of data.enc: the bytes of a vault as the plain form has them (line 1 and the entries),
// encrypted under a key derived from the master password. Everything cryptographic is libsodium's.
//
//   offset  size
//        0     8  kSealMagic: bytes no plain vault begins with (see ClaimsSealedForm)
//        8     1  the form's version, 1
//        9     1  the key derivation: 2, Argon2id 1.3
//       10     4  its passes (little-endian)
//       14     4  its memory in KiB (little-endian)
//       18    16  its random salt
//       34    24  the header of an XChaCha20-Poly1305 secret stream
//       58    17  the stream's first message: empty, with bytes 0-57 as its additional data. Only the right
//                 key opens it, so it tells a wrong password from damage further on.
//       75    16  BLAKE2b of bytes 0-74: damage to the header is found before any password is asked for
//       91   ...  the plain bytes in messages of 64 KiB each (the last one shorter, possibly empty, and
//                 marked final), each 17 bytes longer than what it holds
//
// A file cut short, with a byte changed anywhere, or with bytes added after the final message, is refused.
#pragma once

#include "ByteSink.h"
#include "VaultError.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vault {

inline constexpr std::array<unsigned char, 8> kSealMagic{0x01, '\r', 0x1D, 'K', 'S', '\r', 0x1D, 'V'};
inline constexpr unsigned char kSealVersion = 1;
inline constexpr std::size_t kSealHeaderBytes = 91;
inline constexpr std::size_t kSealChunkBytes = 64 * 1024;

// Whether a file's first bytes claim the sealed form, whole or damaged: their first eight are the magic's
// with at most one changed, or a shorter file (not an empty one) is the magic's beginning. The plain writer ends every
// line with CR LF and stores no character that enciphers to CR, so it never writes a CR followed by anything but LF:
// the magic holds two such pairs, one change spoils at most one of them, and so no vault the plain writer made is ever
// taken for a sealed one. A reader of the plain form alone sees a master password of one character nobody types, never
// an empty one that would ask for a new password.
bool ClaimsSealedForm(std::string_view fileStart);

// The cost of deriving the key: Argon2id's passes over its memory.
struct SealCost {
    std::uint32_t passes = 0;
    std::uint32_t memoryKiB = 0;
    friend bool operator==(const SealCost&, const SealCost&) = default;
};
// What a new seal costs: three passes over 256 MiB (libsodium's "moderate" limits), about half a second on a
// two-core machine of 2026.
inline constexpr SealCost kStandardSealCost{3, 256 * 1024};
// The least a sealed file may ask for: Argon2id's own floor, one pass over 8 KiB.
inline constexpr SealCost kLeastSealCost{1, 8};
// The most a sealed file may ask for. A file asking for more is refused before any memory is taken: a
// hostile file could otherwise make the program allocate without limit.
inline constexpr SealCost kMostSealCost{16, 1024 * 1024};

using SealSalt = std::array<unsigned char, 16>;

// A sealed file's header, checked: its version is this one, its checksum holds and its cost is within
// kMostSealCost.
struct SealHeader {
    std::array<unsigned char, kSealHeaderBytes> bytes{};
    SealCost cost;
    SealSalt salt{};
};
// The header of a sealed file's bytes (all of them, or at least its first kSealHeaderBytes). The error
// names `path` and says why: cut short, damaged, or sealed by a later version; in each case the file was
// not changed.
Result<SealHeader> ReadSealHeader(std::string_view fileBytes, const std::string& path);

// The key of one seal, derived from a master password with a salt and cost, held in memory of its own that
// is kept out of swap and wiped when the key goes.
class SealKey {
public:
    // Derives the key for a header's salt and cost. Fails only when the memory for the derivation could
    // not be had.
    static Result<SealKey> Derive(std::string_view password, const SealSalt& salt, const SealCost& cost,
                                  const std::string& path);
    // A key for a new seal: a new random salt.
    static Result<SealKey> Fresh(std::string_view password, const SealCost& cost, const std::string& path);

    SealKey(SealKey&&) noexcept;
    SealKey& operator=(SealKey&&) noexcept;
    ~SealKey();

    const SealSalt& salt() const { return salt_; }
    const SealCost& cost() const { return cost_; }
    // Whether this key was derived for the header's salt and cost (it may still be a wrong password's).
    bool derivedFor(const SealHeader& header) const;
    // Whether the header was sealed with this key: its first message opens.
    bool opens(const SealHeader& header) const;

    // The plain bytes of a sealed file this key opens. Fails, naming `path`, when the file was cut short,
    // changed or extended; nothing is handed back then.
    Result<std::string> unseal(std::string_view fileBytes, const std::string& path) const;
    // The same, the plain bytes handed back in the file bytes' own buffer.
    Result<std::string> unseal(std::string&& fileBytes, const std::string& path) const;
    // Seals what `produce` hands its sink, handing the sealed bytes to `out` piece by piece: no more than
    // one message of plain bytes is held at a time, in memory that is wiped. False when `produce` or `out`
    // stopped.
    bool seal(const std::function<bool(const ByteSink&)>& produce, const ByteSink& out) const;

private:
    struct Secret;
    SealKey(std::unique_ptr<Secret> key, const SealSalt& salt, const SealCost& cost);

    std::unique_ptr<Secret> key_;
    SealSalt salt_{};
    SealCost cost_;
};

} // namespace vault

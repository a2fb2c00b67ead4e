#include "SealedVault.h"

#include <algorithm>
#include <cstring>
#include <sodium.h>

namespace vault {
namespace {

using Stream = crypto_secretstream_xchacha20poly1305_state;

constexpr unsigned char kArgon2id = crypto_pwhash_ALG_ARGON2ID13;
constexpr std::size_t kVersionAt = 8;
constexpr std::size_t kCostAt = 10;
constexpr std::size_t kSaltAt = 18;
constexpr std::size_t kStreamAt = 34;
constexpr std::size_t kKeyCheckAt = kStreamAt + crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr std::size_t kSumAt = kKeyCheckAt + crypto_secretstream_xchacha20poly1305_ABYTES;
constexpr std::size_t kSumBytes = 16;
constexpr std::size_t kOverhead = crypto_secretstream_xchacha20poly1305_ABYTES;
constexpr std::size_t kSealedChunkBytes = kSealChunkBytes + kOverhead;
static_assert(kSumAt + kSumBytes == kSealHeaderBytes);
static_assert(sizeof(SealSalt) == crypto_pwhash_SALTBYTES);
static_assert(crypto_pwhash_ALG_ARGON2ID13 == 2);
static_assert(kLeastSealCost.passes >= crypto_pwhash_OPSLIMIT_MIN &&
              std::size_t{kLeastSealCost.memoryKiB} * 1024 >= crypto_pwhash_MEMLIMIT_MIN);

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::uint32_t ReadU32(const unsigned char* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

void WriteU32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

void Checksum(const unsigned char* header, unsigned char* sum) {
    crypto_generichash(sum, kSumBytes, header, kSumAt, nullptr, 0);
}

VaultError Refused(const std::string& path, const std::string& why) {
    return {"Could not open", path, why + "; it was not changed"};
}

VaultError Damaged(const std::string& path) {
    return Refused(path, "it is a sealed vault whose bytes are not the ones Keyshelf sealed (it was cut short, "
                         "damaged or altered)");
}

VaultError CutShort(const std::string& path) {
    return Refused(path, "it is a sealed vault that was cut short");
}

VaultError NoMemory(const std::string& path) {
    return {"Could not open", path, "there was not enough memory to derive its key"};
}

// Plain bytes on their way into a message or out of one, in memory of their own that is wiped when it goes.
struct Guarded {
    explicit Guarded(std::size_t size) : data(static_cast<unsigned char*>(sodium_malloc(size))) {}
    ~Guarded() {
        if (data != nullptr) {
            sodium_free(data);
        }
    }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;
    unsigned char* data;
};

} // namespace

bool ClaimsSealedForm(std::string_view fileStart) {
    if (fileStart.size() < kSealMagic.size()) {
        return !fileStart.empty() &&
               std::equal(fileStart.begin(), fileStart.end(), kSealMagic.begin(),
                          [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; });
    }
    int differing = 0;
    for (std::size_t i = 0; i < kSealMagic.size(); ++i) {
        differing += static_cast<unsigned char>(fileStart[i]) != kSealMagic[i];
    }
    return differing <= 1;
}

Result<SealHeader> ReadSealHeader(std::string_view fileBytes, const std::string& path) {
    if (fileBytes.size() <= kVersionAt) {
        return CutShort(path);
    }
    if (!std::equal(kSealMagic.begin(), kSealMagic.end(), Bytes(fileBytes))) {
        return Damaged(path);
    }
    const unsigned version = static_cast<unsigned char>(fileBytes[kVersionAt]);
    if (version != kSealVersion) {
        return Refused(path, "it is sealed in form " + std::to_string(version) +
                                 ", which this version of Keyshelf does not read (a later version sealed it, or it "
                                 "was damaged)");
    }
    if (fileBytes.size() < kSealHeaderBytes) {
        return CutShort(path);
    }
    SealHeader header;
    std::copy_n(Bytes(fileBytes), kSealHeaderBytes, header.bytes.begin());
    unsigned char sum[kSumBytes];
    Checksum(header.bytes.data(), sum);
    if (sodium_memcmp(sum, header.bytes.data() + kSumAt, kSumBytes) != 0) {
        return Damaged(path);
    }
    header.cost = {ReadU32(header.bytes.data() + kCostAt), ReadU32(header.bytes.data() + kCostAt + 4)};
    std::copy_n(header.bytes.data() + kSaltAt, header.salt.size(), header.salt.begin());
    const SealCost& cost = header.cost;
    if (header.bytes[kVersionAt + 1] != kArgon2id || cost.passes < kLeastSealCost.passes ||
        cost.passes > kMostSealCost.passes || cost.memoryKiB < kLeastSealCost.memoryKiB ||
        cost.memoryKiB > kMostSealCost.memoryKiB) {
        return Refused(path, "it is sealed with a key derivation this version of Keyshelf does not do");
    }
    return header;
}

struct SealKey::Secret {
    Secret() : key(crypto_secretstream_xchacha20poly1305_KEYBYTES) {}
    Guarded key;
};

SealKey::SealKey(std::unique_ptr<Secret> key, const SealSalt& salt, const SealCost& cost)
    : key_(std::move(key)), salt_(salt), cost_(cost) {}
SealKey::SealKey(SealKey&&) noexcept = default;
SealKey& SealKey::operator=(SealKey&&) noexcept = default;
SealKey::~SealKey() = default;

Result<SealKey> SealKey::Derive(std::string_view password, const SealSalt& salt, const SealCost& cost,
                                const std::string& path) {
    if (!SodiumReady()) {
        return VaultError{"Could not open", path, "the encryption library could not start"};
    }
    auto key = std::make_unique<Secret>();
    if (key->key.data == nullptr ||
        crypto_pwhash(key->key.data, crypto_secretstream_xchacha20poly1305_KEYBYTES, password.data(), password.size(),
                      salt.data(), cost.passes, std::size_t{cost.memoryKiB} * 1024, kArgon2id) != 0) {
        return NoMemory(path);
    }
    return SealKey(std::move(key), salt, cost);
}

Result<SealKey> SealKey::Fresh(std::string_view password, const SealCost& cost, const std::string& path) {
    if (!SodiumReady()) {
        return VaultError{"Could not seal", path, "the encryption library could not start"};
    }
    SealSalt salt;
    randombytes_buf(salt.data(), salt.size());
    auto key = Derive(password, salt, cost, path);
    if (!key) {
        VaultError error = key.error();
        error.action = "Could not seal";
        return error;
    }
    return key;
}

bool SealKey::derivedFor(const SealHeader& header) const {
    return header.salt == salt_ && header.cost == cost_;
}

bool SealKey::opens(const SealHeader& header) const {
    if (!derivedFor(header)) {
        return false;
    }
    Stream stream;
    unsigned char empty[1];
    unsigned long long length = 0;
    unsigned char tag = 0;
    const bool opened =
        crypto_secretstream_xchacha20poly1305_init_pull(&stream, header.bytes.data() + kStreamAt, key_->key.data) ==
            0 &&
        crypto_secretstream_xchacha20poly1305_pull(&stream, empty, &length, &tag, header.bytes.data() + kKeyCheckAt,
                                                   kOverhead, header.bytes.data(), kKeyCheckAt) == 0 &&
        length == 0 && tag == crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
    sodium_memzero(&stream, sizeof stream);
    return opened;
}

Result<std::string> SealKey::unseal(std::string_view fileBytes, const std::string& path) const {
    return unseal(std::string(fileBytes), path);
}

Result<std::string> SealKey::unseal(std::string&& fileBytes, const std::string& path) const {
    auto header = ReadSealHeader(fileBytes, path);
    if (!header) {
        return header.error();
    }
    if (!opens(*header)) {
        VaultError wrong{"Could not open", path, "the master password was not correct"};
        wrong.wrongPassword = true;
        return wrong;
    }
    // Where the messages lie: all of kSealedChunkBytes but the last, which holds at least its overhead.
    const std::size_t body = fileBytes.size() - kSealHeaderBytes;
    std::size_t messages = body / kSealedChunkBytes;
    if (const std::size_t rest = body % kSealedChunkBytes; rest != 0 || messages == 0) {
        if (rest < kOverhead) {
            return Damaged(path);
        }
        ++messages;
    }
    // The plain bytes take the place of the sealed ones, each message's ahead of where the message lay, so
    // that no second buffer of the file's size is taken. Each message is opened into memory of its own first:
    // libsodium does not promise to open one into memory that overlaps it.
    Guarded opened(kSealChunkBytes);
    if (opened.data == nullptr) {
        return VaultError{"Could not open", path, "there was not enough memory to open it"};
    }
    std::string plain = std::move(fileBytes);
    Stream stream;
    unsigned char empty[1];
    unsigned long long length = 0;
    unsigned char tag = 0;
    crypto_secretstream_xchacha20poly1305_init_pull(&stream, header->bytes.data() + kStreamAt, key_->key.data);
    crypto_secretstream_xchacha20poly1305_pull(&stream, empty, &length, &tag, header->bytes.data() + kKeyCheckAt,
                                               kOverhead, header->bytes.data(), kKeyCheckAt);
    const unsigned char* in = Bytes(plain) + kSealHeaderBytes;
    char* out = plain.data();
    bool whole = true;
    for (std::size_t i = 0; i < messages && whole; ++i) {
        const bool last = i + 1 == messages;
        const std::size_t size = last ? body - i * kSealedChunkBytes : kSealedChunkBytes;
        const int pulled =
            crypto_secretstream_xchacha20poly1305_pull(&stream, opened.data, &length, &tag, in, size, nullptr, 0);
        whole = pulled == 0 && (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) == last &&
                (last || tag == crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
        in += size;
        if (pulled == 0) {
            std::memcpy(out, opened.data, length);
            out += length;
        }
    }
    sodium_memzero(&stream, sizeof stream);
    sodium_memzero(opened.data, kSealChunkBytes);
    if (!whole) {
        sodium_memzero(plain.data(), plain.size());
        return Damaged(path);
    }
    plain.resize(static_cast<std::size_t>(out - plain.data()));
    return plain;
}

bool SealKey::seal(const std::function<bool(const ByteSink&)>& produce, const ByteSink& out) const {
    std::array<unsigned char, kSealHeaderBytes> header{};
    std::copy(kSealMagic.begin(), kSealMagic.end(), header.begin());
    header[kVersionAt] = kSealVersion;
    header[kVersionAt + 1] = kArgon2id;
    WriteU32(header.data() + kCostAt, cost_.passes);
    WriteU32(header.data() + kCostAt + 4, cost_.memoryKiB);
    std::copy(salt_.begin(), salt_.end(), header.begin() + kSaltAt);
    Stream stream;
    crypto_secretstream_xchacha20poly1305_init_push(&stream, header.data() + kStreamAt, key_->key.data);
    crypto_secretstream_xchacha20poly1305_push(&stream, header.data() + kKeyCheckAt, nullptr, nullptr, 0, header.data(),
                                               kKeyCheckAt, crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
    Checksum(header.data(), header.data() + kSumAt);
    struct StreamWipe {
        Stream* stream;
        ~StreamWipe() { sodium_memzero(stream, sizeof *stream); }
    } wipe{&stream};
    Guarded plain(kSealChunkBytes);
    std::string sealed(kSealedChunkBytes, '\0');
    if (plain.data == nullptr || !out(std::string_view(reinterpret_cast<const char*>(header.data()), header.size()))) {
        return false;
    }
    std::size_t held = 0;
    const auto send = [&](unsigned char tag) {
        unsigned long long length = 0;
        crypto_secretstream_xchacha20poly1305_push(&stream, reinterpret_cast<unsigned char*>(sealed.data()), &length,
                                                   plain.data, held, nullptr, 0, tag);
        sodium_memzero(plain.data, held);
        held = 0;
        return out(std::string_view(sealed.data(), static_cast<std::size_t>(length)));
    };
    const bool produced = produce([&](std::string_view piece) {
        while (!piece.empty()) {
            // A full message goes only once more bytes come: the last one must be marked final.
            if (held == kSealChunkBytes && !send(crypto_secretstream_xchacha20poly1305_TAG_MESSAGE)) {
                return false;
            }
            const std::size_t taken = std::min(piece.size(), kSealChunkBytes - held);
            std::memcpy(plain.data + held, piece.data(), taken);
            held += taken;
            piece.remove_prefix(taken);
        }
        return true;
    });
    if (!produced) {
        sodium_memzero(plain.data, held);
        return false;
    }
    return send(crypto_secretstream_xchacha20poly1305_TAG_FINAL);
}

} // namespace vault

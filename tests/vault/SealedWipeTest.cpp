// A sealed vault that fails to open halfway hands back no memory still holding what it had opened: every
// block this process frees while the vault is read is searched for the plain bytes of its first message.
// A program of its own, because it replaces the global operator new and delete to see those blocks.
#include "SealedVault.h"
#include "TempDir.h"
#include "VaultFile.h"
#include "VaultFormat.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <malloc.h>
#include <new>

namespace {

// The bytes looked for in each freed block while `watching`, and how many blocks held them.
std::atomic<bool> watching{false};
char wanted[32];
std::atomic<int> blocksHolding{0};

void Inspect(void* block, std::size_t size) {
    if (watching.load() && block != nullptr && ::memmem(block, size, wanted, sizeof wanted) != nullptr) {
        ++blocksHolding;
    }
}

void* Allocate(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept {
    Inspect(block, block != nullptr ? ::malloc_usable_size(block) : 0);
    std::free(block);
}
void operator delete[](void* block) noexcept {
    operator delete(block);
}
void operator delete(void* block, std::size_t size) noexcept {
    Inspect(block, size);
    std::free(block);
}
void operator delete[](void* block, std::size_t size) noexcept {
    operator delete(block, size);
}

namespace {

TEST(SealedWipeTest, AVaultThatFailsHalfwayLeavesNoPlainBytesInFreedMemory) {
    TempDir dir;
    const std::string path = dir.file("data.enc");
    // Two messages' worth of entries, each password its own, so that the first message's plain bytes are
    // found nowhere else.
    std::vector<vault::Entry> entries;
    for (int i = 0; vault::VaultBytes("Secret1", entries).size() < vault::kSealChunkBytes + 1000; ++i) {
        entries.push_back({"user" + std::to_string(i), "unique-password-" + std::to_string(100000 + i), "site"});
    }
    auto key = vault::SealKey::Fresh("Secret1", vault::kLeastSealCost, path);
    ASSERT_TRUE(key);
    ASSERT_FALSE(vault::SaveVault(path, vault::Secret("Secret1"), entries, vault::SystemFileOps(), &*key));
    std::string bytes = TempDir::Read(path);
    // A byte changed in the second message: the first opens, then the second does not.
    bytes[vault::kSealHeaderBytes + vault::kSealChunkBytes + 17 + 100] ^= 0x01;
    TempDir::Write(path, bytes);
    const std::string plain = vault::VaultBytes("Secret1", entries);
    // The stored form of entry 50's line, which lies well inside the first message.
    std::string line = "user50|||unique-password-100050|||site";
    vault::ToggleCipher(line.data(), line.size());
    ASSERT_LT(plain.find(line), vault::kSealChunkBytes - line.size());
    std::memcpy(wanted, line.data(), sizeof wanted);

    std::optional<vault::SealKey> opening;
    watching = true;
    auto loaded = vault::LoadVault(path, vault::kMaxEntries, vault::SystemFileOps(), "Secret1", opening);
    watching = false;
    ASSERT_FALSE(loaded);
    EXPECT_FALSE(loaded.error().wrongPassword);
    EXPECT_EQ(blocksHolding.load(), 0);
}

} // namespace

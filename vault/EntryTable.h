// Entries held compactly: the texts of all of them in one block of Windows-1252 text (the code page the
// file stores), and for each entry where its three fields lie in that block. A vault read from disk
// becomes the block itself, deciphered where it lies, so loading copies no text: a list of 32,767
// entries costs the size of its file and 28 bytes an entry.
//
// An entry lives in a slot, which it keeps until it is removed; a removed entry's slot is given to the
// next entry added. Texts replaced or removed are wiped at once; the block is compacted when more of it
// is unused than used.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vault {

class EntryTable {
public:
    static constexpr int kFields = 3;
    using Slot = std::uint32_t;
    using Fields = std::array<std::string_view, kFields>;

    EntryTable() = default;
    EntryTable(EntryTable&& other) noexcept;
    EntryTable& operator=(EntryTable&& other) noexcept;
    EntryTable(const EntryTable&) = delete;
    EntryTable& operator=(const EntryTable&) = delete;
    ~EntryTable();

    // The entries of a whole file, its bytes as stored, read by the file's rules (those of
    // ReadEntryLines): at most `limit` are kept, in slots 0, 1, 2, … in file order, and `total` counts
    // them all. The file's bytes become the block; its master line is wiped from it.
    static EntryTable FromFile(std::string fileBytes, std::size_t limit, std::size_t& total);

    // Live entries, and the number of slots a caller may index (live or free).
    std::size_t size() const { return entries_.size() - free_.size(); }
    std::size_t slotCount() const { return entries_.size(); }

    // A field of the entry in a slot (0 username, 1 password, 2 location) in the code page; valid until
    // the table next changes.
    std::string_view field(Slot slot, int field) const;
    // All three at once.
    Fields fields(Slot slot) const;
    void setField(Slot slot, int field, std::string_view codePageText);
    // Adds an entry (texts in the code page) and returns its slot.
    Slot add(const Fields& codePageTexts);
    void remove(Slot slot);
    void clear();

    // Ask the processor for an entry's place in the table, and for its texts, ahead of reading them: a
    // walk over the entries in an order other than the slots' (a sorted list being saved) would otherwise
    // wait on memory at every entry. Asking for an entry that is not there does nothing.
    void prefetchEntry(Slot slot) const {
        if (slot < entries_.size()) {
            __builtin_prefetch(&entries_[slot]);
        }
    }
    void prefetchTexts(Slot slot) const {
        if (slot < entries_.size()) {
            for (const Span& span : entries_[slot].fields) {
                __builtin_prefetch(block_.data() + span.start);
            }
        }
    }

    // Lays the entries out anew in `order`, which names every live slot once: the entry in order[i] takes
    // slot i, and its texts follow those of slot i - 1 in the block, so that a walk in that order reads
    // memory front to back. The old block is wiped.
    void reorder(const std::vector<Slot>& order);

    // Bytes the block holds, used or not; for measuring.
    std::size_t blockSize() const { return block_.size(); }
    // The block itself, used or not: for checking what the table keeps in memory.
    std::string_view blockBytes() const { return block_; }

private:
    struct Span {
        std::uint32_t start = 0;
        std::uint32_t length = 0;
    };
    struct Entry {
        Span fields[kFields];
    };

    Span Append(std::string_view text);
    void Release(Span& span);
    void Compact(std::size_t extra);
    void Wipe();

    std::string block_;
    std::vector<Entry> entries_;
    std::vector<Slot> free_;
    std::size_t unused_ = 0; // bytes of the block no entry refers to
};

} // namespace vault

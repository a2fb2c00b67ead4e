// Entries held compactly: the texts of all of them in one block of Windows-1252 text (the code page the
// file stores), and for each entry where its three fields lie in that block. A vault read from disk
// becomes the block itself, deciphered where it lies, so loading copies no text: a list of 32,767
// entries costs the size of its file and 28 bytes an entry.
//
// An entry lives in a slot, which it keeps until it is removed; a removed entry's slot is given to the
// next entry added. Texts replaced or removed are wiped at once; the block is compacted when more of it
// is unused than used.
//
// Nothing here throws. A change the table cannot hold (texts past 4 GiB in all, more entries than a slot
// can number) is refused and leaves the table as it was; a slot that is not there reads as empty texts
// and changes nothing.
#pragma once

#include "VaultFormat.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vault {

// How much a table holds: the block's bytes and the slots are numbered in 32 bits. Smaller limits are
// for trying a table at its limits without gigabytes of text.
struct TableLimits {
    std::size_t blockBytes = std::numeric_limits<std::uint32_t>::max();
    std::size_t entries = std::numeric_limits<std::uint32_t>::max();
};

class EntryTable {
public:
    using Slot = std::uint32_t;
    using Fields = EntryView;

    EntryTable() = default;
    explicit EntryTable(TableLimits limits) : limits_(limits) {}
    EntryTable(EntryTable&& other) noexcept;
    EntryTable& operator=(EntryTable&& other) noexcept;
    EntryTable(const EntryTable&) = delete;
    EntryTable& operator=(const EntryTable&) = delete;
    ~EntryTable();

    // The entries of a whole file, its bytes as stored, read by the file's rules (those of
    // ReadEntryLines): at most `limit` are kept, in slots 0, 1, 2, … in file order, and `total` counts
    // them all. The file's bytes become the block; its master line is wiped from it. Nothing for a file
    // larger than the block can be (its bytes are wiped all the same).
    static std::optional<EntryTable> FromFile(std::string fileBytes, std::size_t limit, std::size_t& total,
                                              TableLimits limits = {});

    // Live entries, and the number of slots a caller may index (live or free).
    std::size_t size() const { return entries_.size() - free_.size(); }
    std::size_t slotCount() const { return entries_.size(); }

    // A field of the entry in a slot in the code page; valid until the table next changes. Empty for a
    // slot that is not there.
    std::string_view field(Slot slot, Field field) const;
    // All of them at once.
    Fields fields(Slot slot) const;
    // Replaces one text, or all at once; false, with nothing changed, when there is no such slot or the
    // new texts would not fit. The texts must not lie in this table's block.
    [[nodiscard]] bool setField(Slot slot, Field field, std::string_view codePageText);
    [[nodiscard]] bool setFields(Slot slot, const Fields& codePageTexts);
    // Adds an entry (texts in the code page) and returns its slot; nothing, with nothing changed, when
    // the table cannot hold it.
    [[nodiscard]] std::optional<Slot> add(const Fields& codePageTexts);
    // A slot that is not there is left alone.
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
    // memory front to back. The old block is wiped. An order naming a slot that is not there changes
    // nothing.
    void reorder(const std::vector<Slot>& order);

    // Bytes the block holds, used or not; for measuring.
    std::size_t blockSize() const { return block_.size(); }

private:
    friend class EntryTableProbe; // reads the block whole, as a look at the memory would

    struct Span {
        std::uint32_t start = 0;
        std::uint32_t length = 0;
    };
    struct Entry {
        std::array<Span, kFieldCount> fields; // by IndexOf(field)
    };

    bool Has(Slot slot) const { return slot < entries_.size(); }
    bool Fits(std::size_t released, std::size_t added) const;
    Span Append(std::string_view text);
    void Release(Span& span);
    void Compact(std::size_t extra);
    void CompactIfSparse();
    void Wipe();

    TableLimits limits_;
    std::string block_;
    std::vector<Entry> entries_;
    std::vector<Slot> free_;
    std::size_t unused_ = 0; // bytes of the block no entry refers to
};

} // namespace vault

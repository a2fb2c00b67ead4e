#include "EntryTable.h"

#include "VaultFormat.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <string.h>
#include <utility>

namespace vault {
namespace {

// Below this much unused text the block is never compacted: small edits cost nothing.
constexpr std::size_t kCompactFloor = 64 * 1024;

// Wipes texts before their memory is given back; explicit_bzero is never optimised away.
void Zero(std::string& s) {
    ::explicit_bzero(s.data(), s.size());
}

} // namespace

EntryTable::EntryTable(EntryTable&& other) noexcept
    : limits_(other.limits_), block_(std::move(other.block_)), entries_(std::move(other.entries_)),
      free_(std::move(other.free_)), unused_(std::exchange(other.unused_, 0)) {
    other.block_.clear();
    other.entries_.clear();
    other.free_.clear();
}

EntryTable& EntryTable::operator=(EntryTable&& other) noexcept {
    if (this != &other) {
        Wipe();
        limits_ = other.limits_;
        block_ = std::move(other.block_);
        entries_ = std::move(other.entries_);
        free_ = std::move(other.free_);
        unused_ = std::exchange(other.unused_, 0);
        other.block_.clear();
        other.entries_.clear();
        other.free_.clear();
    }
    return *this;
}

EntryTable::~EntryTable() {
    Wipe();
}

void EntryTable::Wipe() {
    Zero(block_);
}

std::optional<EntryTable> EntryTable::FromFile(std::string fileBytes, std::size_t limit, std::size_t& total,
                                               TableLimits limits) {
    total = 0;
    if (fileBytes.size() > limits.blockBytes) {
        Zero(fileBytes);
        return std::nullopt;
    }
    EntryTable table(limits);
    table.entries_.reserve(std::min<std::size_t>({CountLineEnds(fileBytes) + 1, limit, kMaxEntries + 1}));
    const char* base = fileBytes.data();
    const auto span = [base](std::string_view piece) {
        if (piece.empty()) {
            return Span{}; // a missing field has no place in the file
        }
        return Span{static_cast<std::uint32_t>(piece.data() - base), static_cast<std::uint32_t>(piece.size())};
    };
    std::size_t used = 0;
    ScanEntryLines(fileBytes, limit, total, [&](const EntryView& enciphered) {
        Entry& entry = table.entries_.emplace_back();
        for (const Field field : kFields) {
            entry.fields[IndexOf(field)] = span(enciphered[field]);
            used += enciphered[field].size();
        }
    });
    // The master line is of no use here and is a secret: it goes before anything else is done.
    const std::size_t masterEnd = std::min(fileBytes.find(kLineEnd.front()), fileBytes.size());
    ::explicit_bzero(fileBytes.data(), masterEnd);
    ToggleCipher(fileBytes.data(), fileBytes.size());
    table.unused_ = fileBytes.size() - used;
    table.block_ = std::move(fileBytes);
    return table;
}

std::string_view EntryTable::field(Slot slot, Field field) const {
    if (!Has(slot)) {
        return {};
    }
    const Span& s = entries_[slot].fields[IndexOf(field)];
    return std::string_view(block_.data() + s.start, s.length);
}

EntryTable::Fields EntryTable::fields(Slot slot) const {
    Fields texts;
    for (const Field f : kFields) {
        texts[f] = field(slot, f);
    }
    return texts;
}

void EntryTable::reorder(const std::vector<Slot>& order) {
    if (!std::all_of(order.begin(), order.end(), [this](Slot slot) { return Has(slot); })) {
        return;
    }
    std::string block;
    block.reserve(block_.size() - unused_);
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (const Slot slot : order) {
        Entry entry = entries_[slot];
        for (Span& span : entry.fields) {
            const Span old = span;
            span = Span{static_cast<std::uint32_t>(block.size()), old.length};
            block.append(block_, old.start, old.length);
        }
        entries.push_back(entry);
    }
    Zero(block_);
    block_ = std::move(block);
    entries_ = std::move(entries);
    free_.clear();
    unused_ = 0;
}

// Whether the texts the entries hold, less `released` bytes of them and with `added` more, stay within
// the block's limit (compacted, if need be).
bool EntryTable::Fits(std::size_t released, std::size_t added) const {
    const std::size_t held = block_.size() - unused_ - released;
    return added <= limits_.blockBytes && held <= limits_.blockBytes - added;
}

// Callers have made sure the text fits (Fits): at worst a compaction makes room.
EntryTable::Span EntryTable::Append(std::string_view text) {
    if (block_.size() + text.size() > limits_.blockBytes) {
        Compact(text.size());
    }
    assert(block_.size() + text.size() <= limits_.blockBytes);
    const Span span{static_cast<std::uint32_t>(block_.size()), static_cast<std::uint32_t>(text.size())};
    if (block_.capacity() < block_.size() + text.size()) {
        // Growing moves the block: the old copy holds passwords and must not be left behind in freed
        // memory, so the move is done here, where the old copy can be wiped.
        std::string grown;
        grown.reserve(std::max(block_.size() + text.size(), block_.size() + block_.size() / 2));
        grown.append(block_);
        Zero(block_);
        block_ = std::move(grown);
    }
    block_.append(text);
    return span;
}

void EntryTable::Release(Span& span) {
    std::memset(block_.data() + span.start, 0, span.length);
    unused_ += span.length;
    span = Span{};
}

bool EntryTable::setField(Slot slot, Field field, std::string_view codePageText) {
    if (!Has(slot)) {
        return false;
    }
    const std::size_t at = IndexOf(field);
    if (!Fits(entries_[slot].fields[at].length, codePageText.size())) {
        return false;
    }
    Release(entries_[slot].fields[at]);
    // Appending may compact the block, which moves every span: the entry is looked up again after.
    const Span span = Append(codePageText);
    entries_[slot].fields[at] = span;
    CompactIfSparse();
    return true;
}

bool EntryTable::setFields(Slot slot, const Fields& codePageTexts) {
    if (!Has(slot)) {
        return false;
    }
    std::size_t released = 0;
    std::size_t added = 0;
    for (const Field field : kFields) {
        released += entries_[slot].fields[IndexOf(field)].length;
        added += codePageTexts[field].size();
    }
    if (!Fits(released, added)) {
        return false;
    }
    for (Span& span : entries_[slot].fields) {
        Release(span);
    }
    for (const Field field : kFields) {
        const Span span = Append(codePageTexts[field]);
        entries_[slot].fields[IndexOf(field)] = span;
    }
    CompactIfSparse();
    return true;
}

std::optional<EntryTable::Slot> EntryTable::add(const Fields& codePageTexts) {
    std::size_t added = 0;
    for (const Field field : kFields) {
        added += codePageTexts[field].size();
    }
    if ((free_.empty() && entries_.size() >= limits_.entries) || !Fits(0, added)) {
        return std::nullopt;
    }
    Slot slot;
    if (!free_.empty()) {
        slot = free_.back();
        free_.pop_back();
    } else {
        slot = static_cast<Slot>(entries_.size());
        entries_.emplace_back();
    }
    for (const Field field : kFields) {
        const Span span = Append(codePageTexts[field]);
        entries_[slot].fields[IndexOf(field)] = span;
    }
    return slot;
}

void EntryTable::remove(Slot slot) {
    if (!Has(slot)) {
        return;
    }
    Entry& entry = entries_[slot];
    for (Span& span : entry.fields) {
        Release(span);
    }
    free_.push_back(slot);
    if (free_.size() == entries_.size()) {
        clear();
        return;
    }
    CompactIfSparse();
}

void EntryTable::clear() {
    Wipe();
    block_ = std::string();
    entries_.clear();
    free_.clear();
    unused_ = 0;
}

void EntryTable::CompactIfSparse() {
    if (unused_ > kCompactFloor && unused_ > block_.size() / 2) {
        Compact(0);
    }
}

// Copies every entry's texts into a new block with room for `extra` more bytes, and wipes the old one.
void EntryTable::Compact(std::size_t extra) {
    std::string compact;
    compact.reserve(block_.size() - unused_ + extra);
    for (Entry& entry : entries_) {
        for (Span& span : entry.fields) {
            const std::uint32_t start = static_cast<std::uint32_t>(compact.size());
            compact.append(block_, span.start, span.length);
            span.start = span.length == 0 ? 0 : start;
        }
    }
    Wipe();
    block_ = std::move(compact);
    unused_ = 0;
}

} // namespace vault

#include "EntryTable.h"

#include "VaultFormat.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string.h>
#include <utility>

namespace vault {
namespace {

constexpr std::size_t kMaxBlock = std::numeric_limits<std::uint32_t>::max();
// Below this much unused text the block is never compacted: small edits cost nothing.
constexpr std::size_t kCompactFloor = 64 * 1024;

// Wipes texts before their memory is given back; explicit_bzero is never optimised away.
void Zero(std::string& s) {
    ::explicit_bzero(s.data(), s.size());
}

} // namespace

EntryTable::EntryTable(EntryTable&& other) noexcept
    : block_(std::move(other.block_)), entries_(std::move(other.entries_)), free_(std::move(other.free_)),
      unused_(std::exchange(other.unused_, 0)) {
    other.block_.clear();
    other.entries_.clear();
    other.free_.clear();
}

EntryTable& EntryTable::operator=(EntryTable&& other) noexcept {
    if (this != &other) {
        Wipe();
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

EntryTable EntryTable::FromFile(std::string fileBytes, std::size_t limit, std::size_t& total) {
    if (fileBytes.size() > kMaxBlock) {
        throw std::length_error("a vault file too large to hold");
    }
    EntryTable table;
    table.entries_.reserve(std::min<std::size_t>({CountLineEnds(fileBytes) + 1, limit, kMaxEntries + 1}));
    const char* base = fileBytes.data();
    const auto span = [base](std::string_view piece) {
        if (piece.empty()) {
            return Span{}; // a missing field has no place in the file
        }
        return Span{static_cast<std::uint32_t>(piece.data() - base), static_cast<std::uint32_t>(piece.size())};
    };
    std::size_t used = 0;
    ScanEntryLines(fileBytes, limit, total,
                   [&](std::string_view username, std::string_view password, std::string_view location) {
                       table.entries_.push_back(Entry{{span(username), span(password), span(location)}});
                       used += username.size() + password.size() + location.size();
                   });
    // The master line is of no use here and is a secret: it goes before anything else is done.
    const std::size_t masterEnd = std::min(fileBytes.find(kLineEnd.front()), fileBytes.size());
    ::explicit_bzero(fileBytes.data(), masterEnd);
    ToggleCipher(fileBytes.data(), fileBytes.size());
    table.unused_ = fileBytes.size() - used;
    table.block_ = std::move(fileBytes);
    return table;
}

std::string_view EntryTable::field(Slot slot, int field) const {
    const Span& s = entries_.at(slot).fields[field];
    return std::string_view(block_).substr(s.start, s.length);
}

EntryTable::Fields EntryTable::fields(Slot slot) const {
    const Entry& entry = entries_.at(slot);
    const std::string_view block(block_);
    return {block.substr(entry.fields[0].start, entry.fields[0].length),
            block.substr(entry.fields[1].start, entry.fields[1].length),
            block.substr(entry.fields[2].start, entry.fields[2].length)};
}

void EntryTable::reorder(const std::vector<Slot>& order) {
    std::string block;
    block.reserve(block_.size() - unused_);
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (const Slot slot : order) {
        Entry entry = entries_.at(slot);
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

EntryTable::Span EntryTable::Append(std::string_view text) {
    if (block_.size() + text.size() > kMaxBlock) {
        Compact(text.size());
        if (block_.size() + text.size() > kMaxBlock) {
            throw std::length_error("entries too large to hold");
        }
    }
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

void EntryTable::setField(Slot slot, int field, std::string_view codePageText) {
    Entry& entry = entries_.at(slot);
    Release(entry.fields[field]);
    const Span span = Append(codePageText);
    entries_[slot].fields[field] = span;
    if (unused_ > kCompactFloor && unused_ > block_.size() / 2) {
        Compact(0);
    }
}

EntryTable::Slot EntryTable::add(const Fields& codePageTexts) {
    Slot slot;
    if (!free_.empty()) {
        slot = free_.back();
        free_.pop_back();
    } else {
        if (entries_.size() >= std::numeric_limits<Slot>::max()) {
            throw std::length_error("too many entries");
        }
        slot = static_cast<Slot>(entries_.size());
        entries_.emplace_back();
    }
    for (int f = 0; f < kFields; ++f) {
        const Span span = Append(codePageTexts[static_cast<std::size_t>(f)]);
        entries_[slot].fields[f] = span;
    }
    return slot;
}

void EntryTable::remove(Slot slot) {
    Entry& entry = entries_.at(slot);
    for (Span& span : entry.fields) {
        Release(span);
    }
    free_.push_back(slot);
    if (free_.size() == entries_.size()) {
        clear();
        return;
    }
    if (unused_ > kCompactFloor && unused_ > block_.size() / 2) {
        Compact(0);
    }
}

void EntryTable::clear() {
    Wipe();
    block_ = std::string();
    entries_.clear();
    free_.clear();
    unused_ = 0;
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

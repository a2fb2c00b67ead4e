#include "HealthReport.h"

#include "Cp1252.h"
#include "Display.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cli {
namespace {

using Slot = vault::EntryTable::Slot;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && cp1252::ContainsIgnoringCase(a, b);
}

// "3 alice": an entry as the report names it, by its number and its username.
void AppendEntry(std::string& out, const vault::EntryTable& entries, Slot slot) {
    out += std::to_string(slot + 1);
    out += ' ';
    AppendShown(out, entries.field(slot, vault::Field::Username));
}

void AppendHeading(std::string& out, std::string_view heading, std::size_t count) {
    out += heading;
    out += count == 0 ? std::string(": none\n") : " (" + std::to_string(count) + "):\n";
}

} // namespace

std::string HealthReport(const vault::EntryTable& entries, std::size_t count) {
    // Entries by password, in file order; each group's first entry is where the group stands.
    std::unordered_map<std::string_view, std::vector<Slot>> byPassword;
    std::vector<std::string_view> order;
    std::vector<Slot> shortOnes;
    std::vector<Slot> guessable;
    for (Slot slot = 0; slot < count; ++slot) {
        const vault::EntryView fields = entries.fields(slot);
        const std::string_view password = fields[vault::Field::Password];
        auto& group = byPassword[password];
        if (group.empty()) {
            order.push_back(password);
        }
        group.push_back(slot);
        if (password.size() < kShortPassword) {
            shortOnes.push_back(slot);
        }
        const auto named = [&](vault::Field field) {
            return vault::Describe(field).identifies && SameIgnoringCase(password, fields[field]);
        };
        if (!password.empty() && std::any_of(vault::kFields.begin(), vault::kFields.end(), named)) {
            guessable.push_back(slot);
        }
    }
    std::vector<const std::vector<Slot>*> shared;
    std::vector<std::pair<Slot, Slot>> repeats; // an entry, and the earlier one it repeats
    for (const std::string_view password : order) {
        const std::vector<Slot>& group = byPassword[password];
        if (group.size() < 2) {
            continue;
        }
        if (!password.empty()) {
            shared.push_back(&group);
        }
        std::map<std::vector<std::string_view>, Slot> first; // by the other fields' texts
        for (const Slot slot : group) {
            std::vector<std::string_view> others;
            for (const vault::Field field : vault::kFields) {
                if (field != vault::Field::Password) {
                    others.push_back(entries.field(slot, field));
                }
            }
            const auto [at, added] = first.try_emplace(std::move(others), slot);
            if (!added) {
                repeats.emplace_back(slot, at->second);
            }
        }
    }
    std::sort(repeats.begin(), repeats.end());

    std::string out = "Checked " + std::to_string(count) + (count == 1 ? " entry.\n" : " entries.\n");
    AppendHeading(out, "Passwords shared by several entries", shared.size());
    for (const std::vector<Slot>* group : shared) {
        out += "  ";
        for (std::size_t i = 0; i < group->size(); ++i) {
            out += i == 0 ? "" : ", ";
            AppendEntry(out, entries, (*group)[i]);
        }
        out += '\n';
    }
    AppendHeading(out, "Passwords shorter than " + std::to_string(kShortPassword) + " characters", shortOnes.size());
    for (const Slot slot : shortOnes) {
        out += "  ";
        AppendEntry(out, entries, slot);
        out += '\n';
    }
    AppendHeading(out, "Passwords equal to their username or location", guessable.size());
    for (const Slot slot : guessable) {
        out += "  ";
        AppendEntry(out, entries, slot);
        out += '\n';
    }
    AppendHeading(out, "Entries that repeat another exactly", repeats.size());
    for (const auto& [slot, earlier] : repeats) {
        out += "  ";
        AppendEntry(out, entries, slot);
        out += ", the same as " + std::to_string(earlier + 1) + '\n';
    }
    return out;
}

} // namespace cli

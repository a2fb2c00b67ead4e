// The fields of an entry, named here and nowhere else: the order a line of the password file holds them
// in, the names and headers the user reads, and what each one is for. Everything that walks an entry's
// texts (the file's reader and writer, the entry table, the list and its columns, the import, the
// companion's output) walks this table, so a field added here is stored, listed and printed by them all;
// only what is particular to one field (a box in the editor, a command-line option) names it.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace vault {

// In the order of the file's line "username|||password|||location".
enum class Field { Username, Password, Location };

inline constexpr std::array<Field, 3> kFields = {Field::Username, Field::Password, Field::Location};
inline constexpr std::size_t kFieldCount = kFields.size();

constexpr std::size_t IndexOf(Field field) {
    return static_cast<std::size_t>(field);
}

struct FieldInfo {
    // Lower case, as messages name it after the editor's label ("The website can not contain …").
    std::string_view name;
    // Capitalised, where one field is asked for or reported ("Copied Location …", "Location: ").
    std::string_view title;
    // The list's column header; empty for a field the list does not show.
    std::string_view header;
    // Before its text where an entry is written out whole ("Used At: example.com").
    std::string_view label;
    // An entry without it is refused.
    bool required = false;
    // Kept from sight where it can be: the list shows no tooltip of it and the companion's show prints it
    // with --password alone.
    bool secret = false;
    // Names the entry: Find and the companion's list search it, messages name an entry by it, and two
    // entries alike in these fields are the same login (an import gives it the new password).
    bool identifies = false;
};

inline constexpr std::array<FieldInfo, kFieldCount> kFieldInfo = {{
    {"username", "Username", "Username", "Username", true, false, true},
    {"password", "Password", "Password", "Password", true, true, false},
    {"website", "Location", "Website/Location", "Used At", false, false, true},
}};

constexpr const FieldInfo& Describe(Field field) {
    return kFieldInfo[IndexOf(field)];
}

// The last field of a line: the only one no separator follows.
inline constexpr Field kLastField = kFields.back();

// One value for each field: an entry's texts, or where they lie. Reached by name where one field is
// meant, by Field where all are walked.
template <class T> struct FieldValues {
    T username{};
    T password{};
    T location{};

    T& operator[](Field field) { return this->*Member(field); }
    const T& operator[](Field field) const { return this->*Member(field); }

    friend bool operator==(const FieldValues&, const FieldValues&) = default;

private:
    static constexpr T FieldValues::*Member(Field field) {
        constexpr T FieldValues::*kMembers[] = {&FieldValues::username, &FieldValues::password, &FieldValues::location};
        static_assert(std::size(kMembers) == kFieldCount);
        return kMembers[IndexOf(field)];
    }
};

// The same values of another type, made one field at a time.
template <class To, class From, class Convert>
FieldValues<To> MapFields(const FieldValues<From>& from, Convert convert) {
    FieldValues<To> to;
    for (const Field field : kFields) {
        to[field] = convert(from[field]);
    }
    return to;
}

} // namespace vault

#include "EntryRules.h"

#include "Cp1252.h"
#include "VaultFormat.h"

namespace vault {
namespace {

// How many characters the dialog's text box counts in a UTF-8 text: UTF-16 units, so a character beyond
// the Basic Multilingual Plane counts twice.
std::size_t BoxLength(std::string_view utf8) {
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) {
            units += b >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

std::string StorableRefusal(std::string_view text, Field field) {
    const std::string name(Describe(field).name);
    switch (CheckStorable(text, field)) {
    case Unstorable::None:
        return {};
    case Unstorable::Separator:
        return field == kLastField
                   ? "The " + name + " can not contain \"|||\", which separates the fields in the password file."
                   : "The " + name +
                         " can not contain \"|||\" or end with \"|\", because \"|||\" separates the fields in the "
                         "password file.";
    case Unstorable::OutsideCodePage: {
        const char32_t c = cp1252::FirstUnrepresentable(text);
        std::string shown;
        if (c != 0xFFFD) {
            shown = " \"";
            cp1252::AppendCodePoint(shown, c);
            shown += '"';
        }
        return "The " + name + " contains a character" + shown +
               " that can not be stored in the password file.  Please leave it out.";
    }
    case Unstorable::LineBreaking:
        return "The " + name +
               " contains a control character that can not be stored in the password file.  Please leave it out.";
    }
    return {};
}

} // namespace

std::string EntryRefusal(const EntryView& entry) {
    for (const Field field : kFields) {
        if (Describe(field).required && entry[field].empty()) {
            return "You must enter a " + std::string(Describe(field).name);
        }
    }
    for (const Field field : kFields) {
        if (std::string refusal = StorableRefusal(entry[field], field); !refusal.empty()) {
            return refusal;
        }
        // The file would hold it, but the list shows one line per field and the editor's boxes hold one
        // line: an entry with a line break could be neither read whole nor edited.
        if (entry[field].find_first_of("\r\n") != std::string_view::npos) {
            return "The " + std::string(Describe(field).name) + " can not contain a line break.";
        }
    }
    return {};
}

MasterRefusal CheckNewMaster(std::string_view typed, std::string_view again) {
    if (BoxLength(typed) < kMinMasterLength) {
        return MasterRefusal::TooShort;
    }
    if (again != typed) {
        return MasterRefusal::Mismatch;
    }
    // A character the vault file cannot hold would be stored as something else, and the password could
    // never be typed again.
    if (CheckMasterStorable(typed) != Unstorable::None) {
        return MasterRefusal::Unstorable;
    }
    return MasterRefusal::None;
}

std::string_view MasterRefusalText(MasterRefusal refusal) {
    switch (refusal) {
    case MasterRefusal::None:
        break;
    case MasterRefusal::TooShort:
        return "You must enter a password that is at least 4 characters long";
    case MasterRefusal::Mismatch:
        return "Your passwords did not match.  Please try again.";
    case MasterRefusal::Unstorable:
        return "Your password contains a character that can not be stored in the password file.  Please choose a "
               "password without it.";
    }
    return {};
}

} // namespace vault

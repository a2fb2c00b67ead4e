#include "EntryRules.h"

#include <gtest/gtest.h>

namespace {

// The editor's and the companion's refusals: the first rule an entry breaks, in the words the user reads.
TEST(EntryRules, EntryRefusalNamesTheFirstRuleBroken) {
    struct Row {
        const char* username;
        const char* password;
        const char* location;
        const char* refusal;
    };
    const Row rows[] = {
        {"alice", "pw", "", ""},
        {"alice", "pw", "https://example.com/a|b", ""},
        {"", "", "", "You must enter a username"},
        {"alice", "", "x", "You must enter a password"},
        {"al|||ice", "pw", "",
         "The username can not contain \"|||\" or end with \"|\", because \"|||\" separates "
         "the fields in the password file."},
        {"alice", "pw|", "",
         "The password can not contain \"|||\" or end with \"|\", because \"|||\" separates "
         "the fields in the password file."},
        {"alice", "pw", "a|||b",
         "The website can not contain \"|||\", which separates the fields in the password file."},
        {"alice", "pw", "site|", ""},        // the location ends the line: a "|" at its end is read back
        {"al\xE2\x82\xACice", "pw", "", ""}, // the euro sign is in the code page
        {"alice", "p\xE2\x98\x83w", "",
         "The password contains a character \"\xE2\x98\x83\" that can not be stored in "
         "the password file.  Please leave it out."},
        {"alice", "pw", "\xFF",
         "The website contains a character that can not be stored in the password file.  "
         "Please leave it out."},
        {"al\xC2\x8Dice", "pw", "",
         "The username contains a control character that can not be stored in the "
         "password file.  Please leave it out."},
        {"alice", "p\nw", "", "The password can not contain a line break."},
        {"alice", "pw", "a\r", "The website can not contain a line break."},
        {"al|||ice", "p\xE2\x98\x83w", "",
         "The username can not contain \"|||\" or end with \"|\", because \"|||\" "
         "separates the fields in the password file."},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(vault::EntryRefusal({row.username, row.password, row.location}), row.refusal)
            << row.username << " / " << row.password << " / " << row.location;
    }
}

// The create dialog's order: length (as its text box counts, in UTF-16 units), then the second typing,
// then what the file can hold.
TEST(EntryRules, NewMasterPasswordIsCheckedInTheDialogsOrder) {
    using vault::MasterRefusal;
    struct Row {
        const char* typed;
        const char* again;
        MasterRefusal refusal;
    };
    const Row rows[] = {
        {"abcd", "abcd", MasterRefusal::None},
        {"abc", "abc", MasterRefusal::TooShort},
        {"abc", "xyz", MasterRefusal::TooShort},
        {"\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9\xC3\xA9", MasterRefusal::TooShort}, // three characters
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", MasterRefusal::None},
        {"abcd", "abce", MasterRefusal::Mismatch},
        {"abcd\xE2\x98\x83", "abcd\xE2\x98\x83", MasterRefusal::Unstorable},
        // Two characters beyond the BMP are four units long, so the dialog gets as far as the code page.
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80", MasterRefusal::Unstorable},
        {"ab|||cd|", "ab|||cd|", MasterRefusal::None}, // the master line has no fields
    };
    for (const Row& row : rows) {
        EXPECT_EQ(vault::CheckNewMaster(row.typed, row.again), row.refusal) << row.typed << " / " << row.again;
    }
    EXPECT_EQ(vault::MasterRefusalText(MasterRefusal::TooShort),
              "You must enter a password that is at least 4 characters long");
    EXPECT_EQ(vault::MasterRefusalText(MasterRefusal::Mismatch), "Your passwords did not match.  Please try again.");
    EXPECT_EQ(vault::MasterRefusalText(MasterRefusal::None), "");
}

} // namespace

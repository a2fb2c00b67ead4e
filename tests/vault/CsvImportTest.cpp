// Reading the CSV exports of browsers and password managers, and what importing them does to a list.
#include "CsvImport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using vault::CsvLayout;
using vault::Entry;

namespace {

std::string Sample(const std::string& name) {
    return std::string(KEYSHELF_IMPORT_SAMPLES) + "/" + name;
}

struct SampleCase {
    const char* file;
    CsvLayout layout;
    std::vector<Entry> entries;
    std::vector<std::string> refusals;
    std::vector<vault::DroppedColumn> dropped;
    std::size_t otherKinds = 0;
    bool windows1252 = false;
};

class Samples : public testing::TestWithParam<SampleCase> {};

TEST_P(Samples, EachLayoutReadsEntryByEntry) {
    const SampleCase& c = GetParam();
    const auto file = vault::ReadImportFile(Sample(c.file));
    ASSERT_TRUE(file.ok()) << file.error().Message();
    EXPECT_EQ(file->layout, c.layout);
    std::vector<Entry> entries;
    for (const vault::ImportRow& row : file->rows) {
        entries.push_back(file->entry(row));
    }
    EXPECT_EQ(entries, c.entries);
    EXPECT_EQ(file->refusals, c.refusals);
    EXPECT_EQ(file->dropped, c.dropped);
    EXPECT_EQ(file->otherKinds, c.otherKinds);
    EXPECT_EQ(file->readAsWindows1252, c.windows1252);
}

// Each row is refused for the first rule of the entry editor it breaks, in the editor's words; a "|" that
// is no field separator is kept. A column no entry keeps is counted in the rows taken that hold a value in
// it; a name the URL already holds (a browser's site name) or that became the location is kept.
INSTANTIATE_TEST_SUITE_P(
    Csv, Samples,
    testing::Values(
        SampleCase{"firefox.csv",
                   CsvLayout::Firefox,
                   {{"ann@example.org", "a,b\"c", "https://shop.example"},
                    {"bob", "p|pe", "https://bank.example"},
                    {"cat", "s3cret", "https://news.example"}},
                   {"line 3: The password can not contain a line break."},
                   {{"formActionOrigin", 1},
                    {"guid", 3},
                    {"timeCreated", 3},
                    {"timeLastUsed", 3},
                    {"timePasswordChanged", 3}}},
        SampleCase{"chrome.csv",
                   CsvLayout::Chrome,
                   {{"ann", "pa ss", "https://shop.example/login"},
                    {"dan", "forum-pw", "Forum"},
                    {"bo", "a|b|c", "https://bars.example"}},
                   {"line 5: You must enter a username",
                    "line 6: The username contains a character \"\xCE\xB1\" that can not be stored in the password "
                    "file.  Please leave it out.",
                    "line 7: You must enter a username"},
                   {{"name", 1}, {"note", 1}}},
        SampleCase{"bitwarden.csv",
                   CsvLayout::Bitwarden,
                   {{"eve", "e\"ve", "https://intra.example"}, {"admin", "admin-pw", "Router"}},
                   {},
                   {{"folder", 1}, {"favorite", 1}, {"name", 1}},
                   2},
        SampleCase{"keepassxc.csv",
                   CsvLayout::KeePassXC,
                   {{"fay", "f@y", "https://wiki.example"}, {"fay", "other", "Webmail"}},
                   {},
                   {{"Group", 2}, {"Notes", 1}, {"Icon", 2}, {"Last Modified", 1}, {"Created", 1}}},
        SampleCase{"lastpass.csv",
                   CsvLayout::LastPass,
                   {{"gus", "gus-pw", "https://lp.example"}},
                   {},
                   {{"grouping", 1}, {"fav", 1}},
                   1},
        SampleCase{"windows1252.csv",
                   CsvLayout::ByColumnNames,
                   {{"ren\xC3\xA9", "na\xC3\xAFve", "https://caf\xC3\xA9.example"}},
                   {},
                   {},
                   0,
                   true}));

// The report and the offer to delete the file name everything left behind: every refused row, however
// many, and each column no entry keeps with its count; a file whose every value is kept leaves nothing.
TEST(CsvImport, ReportNamesEveryRefusalAndEveryColumnNotKept) {
    std::string csv = "url,username,password,totp,Folder\n";
    for (int i = 0; i < 7; ++i) {
        csv += "site" + std::to_string(i) + ",,pw,,\n";
    }
    csv += "a.example,ann,pa,JBSWY3DP,\nb.example,bob,pb,KRSXG5A,Work\n,,,,\n";
    const auto file = vault::ReadImport(csv, "in.csv");
    ASSERT_TRUE(file.ok());
    const std::vector<std::string> report = vault::ImportReport(*file, vault::PlanImport(*file, {}, false), false);
    const std::vector<std::string> expected = {
        "Layout: columns named username, password and url",
        "To add: 2 entries",
        "Already in the list, skipped: 0",
        "Refused: 8",
        "  line 2: You must enter a username",
        "  line 3: You must enter a username",
        "  line 4: You must enter a username",
        "  line 5: You must enter a username",
        "  line 6: You must enter a username",
        "  line 7: You must enter a username",
        "  line 8: You must enter a username",
        "  line 11: You must enter a username",
        "Not kept, as the password file has no place for them: 2 columns",
        "  totp: a value in 2 rows",
        "  Folder: a value in 1 row",
    };
    EXPECT_EQ(report, expected);
    EXPECT_EQ(vault::LeftOutText(*file),
              "8 refused rows and the values of the columns totp (2 rows) and Folder (1 row)");

    const auto kept = vault::ReadImport("type,name,login_uri,login_username,login_password,notes\n"
                                        "note,n,,,,text\nlogin,Mail,https://mail.example,ann,pa,\n",
                                        "bw.csv");
    ASSERT_TRUE(kept.ok());
    EXPECT_EQ(vault::LeftOutText(*kept), "1 note or card");
    const auto all = vault::ReadImport("name,url,username,password\nshop.example,https://shop.example,a,p\n", "c.csv");
    ASSERT_TRUE(all.ok());
    EXPECT_TRUE(all->dropped.empty());
    EXPECT_EQ(vault::LeftOutText(*all), "");
}

TEST(CsvReader, RecordsFieldsAndLineEnds) {
    const auto table = vault::csv::Parse("a,\"b,c\",\"d\"\"e\"\r\n\r\n\"f\ng\",,h\rlast", "x.csv");
    ASSERT_TRUE(table.ok());
    ASSERT_EQ(table->records.size(), 3u);
    EXPECT_EQ(table->fields(table->records[0]), (std::vector<std::string>{"a", "b,c", "d\"e"}));
    EXPECT_EQ(table->records[1].line, 3u);
    EXPECT_EQ(table->fields(table->records[1]), (std::vector<std::string>{"f\ng", "", "h"}));
    EXPECT_EQ(table->records[2].line, 5u);
    EXPECT_EQ(table->fields(table->records[2]), (std::vector<std::string>{"last"}));
}

TEST(CsvReader, AQuotedFieldLeftOpenIsRefusedWithItsLine) {
    const auto table = vault::csv::Parse("url,username,password\nx,\"y,z\n", "open.csv");
    ASSERT_FALSE(table.ok());
    EXPECT_EQ(table.error().Message(),
              "Could not read open.csv: a quoted field that starts on line 2 never ends (a \" is missing)");
}

TEST(CsvImport, UnknownLayoutNamesTheKnownOnes) {
    const auto file = vault::ReadImport("title,login,secret\na,b,c\n", "other.csv");
    ASSERT_FALSE(file.ok());
    EXPECT_NE(file.error().reason.find("Firefox, Chrome"), std::string::npos);
    EXPECT_NE(file.error().reason.find("KeePassXC, LastPass"), std::string::npos);
}

// The man page and the README are written by hand: each names every program whose export the importer
// knows, and the other names a url column may have.
TEST(CsvImport, TheManPageAndReadmeNameEveryKnownLayout) {
    std::vector<std::string> names;
    std::istringstream programs(vault::KnownPrograms(", "));
    for (std::string name; std::getline(programs, name, ',');) {
        names.push_back(name.substr(name.find_first_not_of(' ')));
    }
    ASSERT_GT(names.size(), 5u);
    names.insert(names.end(), {"location", "website"});
    for (const char* doc : {"docs/keyshelf-cli.1", "README.md"}) {
        std::ifstream in(std::string(KEYSHELF_SOURCE_DIR) + "/" + doc);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(text.empty()) << doc;
        for (const std::string& name : names) {
            EXPECT_NE(text.find(name), std::string::npos) << doc << " does not name " << name;
        }
    }
}

// A list holding ann's shop login; the file brings it again, a new password for it, and two new entries.
TEST(CsvImport, PlanSkipsDuplicatesAndAddsBesideOrReplaces) {
    vault::EntryTable list;
    ASSERT_TRUE(list.add({"ann", "old", "shop"}));
    const auto file = vault::ReadImport("url,username,password\nshop,ann,old\nshop,ann,new\nmail,bob,b\n"
                                        "mail,bob,b\nshop,ann,newer\n",
                                        "f.csv");
    ASSERT_TRUE(file.ok());

    const vault::ImportPlan beside = vault::PlanImport(*file, list, false);
    EXPECT_EQ(beside.duplicates, 2u);
    ASSERT_EQ(beside.additions.size(), 3u);
    EXPECT_EQ(beside.additions[0][vault::Field::Password], "new");
    EXPECT_EQ(beside.besides, 2u);
    EXPECT_TRUE(beside.replacements.empty());

    const vault::ImportPlan replace = vault::PlanImport(*file, list, true);
    ASSERT_EQ(replace.replacements.size(), 1u);
    EXPECT_EQ(replace.replacements[0].password, "new");
    ASSERT_EQ(replace.additions.size(), 2u); // bob, and ann's second new password beside the replaced one
    EXPECT_EQ(replace.additions[1][vault::Field::Password], "newer");
}

TEST(CsvImport, PlanRefusesMoreThanTheListHoldsAndSaysHowManyFit) {
    vault::EntryTable list;
    for (int i = 0; i < vault::kMaxEntries - 1; ++i) {
        ASSERT_TRUE(list.add({std::to_string(i), "p", "l"}));
    }
    const auto file = vault::ReadImport("url,username,password\na,b,c\nd,e,f\n", "f.csv");
    ASSERT_TRUE(file.ok());
    const vault::ImportPlan plan = vault::PlanImport(*file, list, false);
    EXPECT_TRUE(plan.tooMany);
    EXPECT_EQ(vault::TooManyText(plan), "Nothing was imported: the password file holds at most 32,767 entries, and "
                                        "the list has room for 1 more, not 2.");
}

TEST(CsvImport, ExportReadsBackAsTheSameEntries) {
    const std::vector<Entry> entries = {{"a,\"b\"", "p w", "https://x.example"}, {"c", "d\ne", ""}, {"\xE9", "f", "g"}};
    const std::string csv = vault::ExportCsv(entries.size(), [&entries](std::size_t i) {
        return vault::EntryView{entries[i].username, entries[i].password, entries[i].location};
    });
    EXPECT_TRUE(csv.starts_with("name,url,username,password\r\n"));
    const auto table = vault::csv::Parse(csv, "export.csv");
    ASSERT_TRUE(table.ok());
    ASSERT_EQ(table->records.size(), 4u);
    EXPECT_EQ(table->fields(table->records[1]),
              (std::vector<std::string>{"https://x.example", "https://x.example", "a,\"b\"", "p w"}));
    EXPECT_EQ(table->field(table->records[2], 3), "d\ne");
    EXPECT_EQ(table->field(table->records[3], 2), "\xC3\xA9"); // code page to UTF-8
}

} // namespace

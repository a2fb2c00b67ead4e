// How full a list an import may fill.
#include "CsvImport.h"

#include <gtest/gtest.h>

namespace {

// An import may fill the list to its last entry, and not one past it.
TEST(ImportLimits, AnImportMayFillTheListExactly) {
    struct Case {
        int listed;
        int imported;
        bool tooMany;
    };
    const auto file = [](int rows) {
        std::string csv = "url,username,password\n";
        for (int i = 0; i < rows; ++i) {
            csv += "new.example,new" + std::to_string(i) + ",pw\n";
        }
        return vault::ReadImport(csv, "f.csv");
    };
    vault::EntryTable list;
    for (const Case c : {Case{vault::kMaxEntries - 3, 3, false}, Case{vault::kMaxEntries - 3, 4, true},
                         Case{vault::kMaxEntries - 1, 1, false}, Case{vault::kMaxEntries - 1, 2, true},
                         Case{vault::kMaxEntries, 1, true}}) {
        while (static_cast<int>(list.size()) < c.listed) {
            ASSERT_TRUE(list.add({std::to_string(list.size()), "p", "l"}));
        }
        const auto rows = file(c.imported);
        ASSERT_TRUE(rows.ok());
        const vault::ImportPlan plan = vault::PlanImport(*rows, list, false);
        EXPECT_EQ(plan.additions.size(), static_cast<std::size_t>(c.imported));
        EXPECT_EQ(plan.tooMany, c.tooMany) << c.listed << " listed, " << c.imported << " imported";
    }
}

} // namespace

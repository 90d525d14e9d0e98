// The report table's definition as the engine stores it, and its creation
// only where it is missing.
#include "ReportTable.h"

#include "TestRecords.h"
#include "tabula/TabulaTable.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace morvane {
namespace {

class ReportTable : public ::testing::Test {
protected:
    test::TScratchDir scratch_;
    const std::string dir_ = scratch_.Path();
};

TEST_F(ReportTable, FieldsSizesAndPrimaryIndex) {
    CreateReportTable(dir_);
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/ReportTableDetail.DAT"));
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/ReportTableDetail.IDX"));

    tabula::TTabulaTable table;
    table.SetDatabaseName(dir_); // a database name holding "/" is itself the directory
    table.SetTableName(kReportTableFile);
    table.UpdateFieldDefs();
    const tabula::TFieldDefs& defs = table.FieldDefs();
    ASSERT_EQ(defs.Count(), 6);
    struct Expected {
        const char* name;
        tabula::TFieldType type;
        int size;
    };
    using tabula::TFieldType;
    const Expected expected[] = {{"No", TFieldType::ftInteger, 0},
                                 {"Product", TFieldType::ftString, 3},
                                 {"AccountNumber", TFieldType::ftString, 25},
                                 {"AccountName", TFieldType::ftString, 70},
                                 {"Ref1", TFieldType::ftString, 20},
                                 {"Action", TFieldType::ftString, 11}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(defs[i].Name, expected[i].name);
        EXPECT_EQ(defs[i].FieldNo, i + 1);
        EXPECT_EQ(defs[i].DataType, expected[i].type);
        EXPECT_EQ(defs[i].Size, expected[i].size);
    }
    const tabula::TIndexDefs& indexes = table.IndexDefs();
    ASSERT_EQ(indexes.Count(), 1);
    EXPECT_EQ(indexes[0].Name, "");
    EXPECT_EQ(indexes[0].Fields, "No");
    EXPECT_TRUE(indexes[0].Unique);
    table.Open();
    EXPECT_EQ(table.RecordCount(), 0);
    table.Close();
}

TEST_F(ReportTable, EnsureCreatesOnlyWhenMissing) {
    EXPECT_TRUE(EnsureReportTable(dir_));
    // Rows written since must survive a second call.
    tabula::TTabulaTable table;
    table.SetDatabaseName(dir_);
    table.SetTableName(kReportTableName);
    table.Open();
    table.Append();
    table.FieldByName("No").SetAsInteger(1);
    table.Post();
    table.Close();

    EXPECT_FALSE(EnsureReportTable(dir_ + "/"));
    table.Open();
    EXPECT_EQ(table.RecordCount(), 1);
    table.Close();
}

} // namespace
} // namespace morvane

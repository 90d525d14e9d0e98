// The report table's definition as the engine stores it, and its creation
// only where it is missing.
#include "ReportTable.h"

#include "DataFile.h"
#include "DataFileFormat.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace morvane {
namespace {

class ReportTable : public ::testing::Test {
protected:
    void SetUp() override {
        // mkdtemp replaces the six trailing X characters.
        std::string pattern = "/tmp/morvane-report-" + std::string(6, 'X');
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string dir_;
};

TEST_F(ReportTable, FieldsSizesAndPrimaryIndex) {
    CreateReportTable(dir_);
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/ReportTableDetail.DAT"));
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/ReportTableDetail.IDX"));

    tabula::TDataFile file;
    file.SetFileName(dir_ + "/" + kReportTableFile);
    file.Open();
    ASSERT_EQ(file.FieldCount(), 6);
    struct Expected {
        const char* name;
        std::uint8_t type;
        int size;
    };
    const Expected expected[] = {{"No", tabula::datafmt::kFtInt32, 0},
                                 {"Product", tabula::datafmt::kFtString, 3},
                                 {"AccountNumber", tabula::datafmt::kFtString, 25},
                                 {"AccountName", tabula::datafmt::kFtString, 70},
                                 {"Ref1", tabula::datafmt::kFtString, 20},
                                 {"Action", tabula::datafmt::kFtString, 11}};
    for (int i = 0; i < 6; ++i) {
        const tabula::TFieldDescriptor d = file.GetFieldDescriptor(i + 1);
        EXPECT_EQ(d.name, expected[i].name);
        EXPECT_EQ(d.type, expected[i].type);
        EXPECT_EQ(d.declaredSize, expected[i].size);
    }
    EXPECT_TRUE(file.PrimaryHasKeys());
    const tabula::TIndexDescriptor primary = file.GetIndexDescriptor(0);
    ASSERT_EQ(primary.fieldCount, 1);
    EXPECT_EQ(primary.fieldNumbers[0], 1);
    EXPECT_EQ(file.RecordCount(), 0);
    file.Close();
}

TEST_F(ReportTable, EnsureCreatesOnlyWhenMissing) {
    EXPECT_TRUE(EnsureReportTable(dir_));
    // Rows written since must survive a second call.
    {
        tabula::TDataFile file;
        file.SetFileName(dir_ + "/" + kReportTableName);
        file.Open();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(file.RecordBufferSize()));
        file.InitRecord(image);
        const std::int32_t no = 1;
        file.WriteField(
            1, image, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&no), 4));
        file.AppendRecord(image);
        file.Close();
    }
    EXPECT_FALSE(EnsureReportTable(dir_ + "/"));
    tabula::TDataFile file;
    file.SetFileName(dir_ + "/" + kReportTableName);
    file.Open();
    EXPECT_EQ(file.RecordCount(), 1);
    file.Close();
}

} // namespace
} // namespace morvane

// Generation over a table-store table: a data band walks a report dataset
// link, and field names without a dataset - in its text objects and in the
// aggregates of the summary - read the record the band stands on.
#include "TemplateBuilder.h"
#include "TrpDBDataSet.h"
#include "TrpReportGeneration.h"
#include "data/ReportTableSupport.h"
#include "layout/LayoutTestSupport.h"

#include <gtest/gtest.h>

namespace report {
namespace {

class TrpGenerationTableTest : public test::ReportTableTest {
protected:
    void SetUp() override {
        layout_test::EnsureGuiApplication();
        test::ReportTableTest::SetUp();
        report_ = new TrpReport(owner_.get());
        report_->ShowProgress = false;
        link_ = new TrpDBDataSet(owner_.get());
        link_->SetName("rpData");
        link_->SetDataSet(table_);
    }
    TrpReport* report_ = nullptr;
    TrpDBDataSet* link_ = nullptr;
};

TEST_F(TrpGenerationTableTest, BareFieldNamesReadTheBandsRecordInRowsAndAggregates) {
    Fill(3);
    for (table_->First(); !table_->Eof(); table_->Next()) {
        table_->Edit();
        table_->FieldByName("Qty").SetAsInteger(CurrentNo() * 10);
        table_->Post();
    }
    testing::TemplateBuilder build(*report_);
    build.Band(btMasterData, 0, 20, "rpData", "MasterData1");
    build.Memo(0, 0, 200, 18, {"[Name] [Qty]"}, "Row");
    build.Band(btReportSummary, 40, 20);
    build.Memo(0, 40, 200, 18, {"[SUM(Qty)] [COUNT(MasterData1)]"}, "Total");
    ASSERT_TRUE(BuildPages(*report_)) << LastGenerationError();
    auto rows = testing::FindPrinted(*report_, "Row");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].object.text, "R1 10");
    EXPECT_EQ(rows[2].object.text, "R3 30");
    auto total = testing::FindPrinted(*report_, "Total");
    ASSERT_EQ(total.size(), 1u);
    EXPECT_EQ(total[0].object.text, "60 3");
}

} // namespace
} // namespace report

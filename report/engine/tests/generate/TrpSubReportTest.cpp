// Sub-reports: templates whose bands hold sub-report objects are generated
// and the printed rows of the sub-report pages are read back - side by side
// placement, continuation over page breaks, the position after them, the
// counters and groups of a replayed page, nesting, two passes, and pages
// that print only through a sub-report object.
#include "SubReportTemplate.h"
#include "TrpReportGeneration.h"

#include <gtest/gtest.h>

namespace report {
namespace {

using testing::Bottom;
using testing::FindPrinted;
using testing::SubReport;
using testing::TemplateBuilder;

class TrpSubReportTest : public testing::GenerationFixture {
protected:
    // A further template page whose master data band walks count records
    // (a count as data source) with one text object named name printing
    // text, indent pixels right of the page's left bound.
    TrpPage& RowsPage(int count, int rowHeight, const std::string& name,
                      const std::string& text = "[LINE#]", int indent = 0) {
        TrpPage& page = build_.AddPage();
        build_.Band(btMasterData, 40, rowHeight, std::to_string(count));
        build_.Memo(page.Bounds().left + indent, 40, 100, rowHeight, {text}, name);
        return page;
    }
    // The index of the builder's current page.
    int CurrentPage() { return static_cast<int>(report_.Pages.Count()) - 1; }
};

TEST_F(TrpSubReportTest, SideBySideSubReportsContinueOverThePageBreakOfTheLongerOne) {
    const int top = Bounds().top;
    build_.Band(btPageHeader, 0, 20);
    build_.Memo(0, 0, 100, 20, {"[PAGE#]"}, "Head");
    build_.Band(btMasterData, 40, 30, "1");
    SubReport(build_, 10, 45, 200, 20, 1);
    SubReport(build_, 300, 45, 200, 20, 2);
    build_.Band(btReportSummary, 100, 20);
    build_.Memo(0, 100, 100, 20, {"After"}, "After");
    RowsPage(3, 20, "A");
    build_.Band(btReportTitle, 0, 20);
    build_.Memo(0, 0, 100, 20, {"never"}, "SubTitle");
    RowsPage(40, 30, "B", "[LINE#]", 5);

    ASSERT_TRUE(BuildPages(report_));
    EXPECT_TRUE(LastGenerationError().empty());
    ASSERT_EQ(report_.EMFPages().Count(), 2u);
    auto a = FindPrinted(report_, "A"), b = FindPrinted(report_, "B");
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 40u);
    // Both start at the sub-report objects' top, each at its object's left.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a[i].page, 0u);
        EXPECT_EQ(a[i].object.top, top + 25 + i * 20);
        EXPECT_EQ(a[i].object.left, 10);
        EXPECT_EQ(a[i].object.text, std::to_string(i + 1));
    }
    EXPECT_EQ(b[0].page, 0u);
    EXPECT_EQ(b[0].object.top, top + 25);
    EXPECT_EQ(b[0].object.left, 305);
    // The longer one goes on below the next page's header, counting on.
    std::size_t firstOnNext = 0;
    while (firstOnNext < b.size() && b[firstOnNext].page == 0)
        ++firstOnNext;
    ASSERT_LT(firstOnNext, b.size());
    EXPECT_LE(Bottom(b[firstOnNext - 1].object), Bounds().bottom);
    EXPECT_EQ(b[firstOnNext].page, 1u);
    EXPECT_EQ(b[firstOnNext].object.top, top + 20);
    EXPECT_EQ(b[firstOnNext].object.text, std::to_string(firstOnNext + 1));
    EXPECT_EQ(b.back().page, 1u);
    // Printing goes on below the lower sub-report on the last page.
    auto after = FindPrinted(report_, "After");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].page, 1u);
    EXPECT_EQ(after[0].object.top, Bottom(b.back().object));
    EXPECT_EQ(FindPrinted(report_, "Head").size(), 2u);
    EXPECT_TRUE(FindPrinted(report_, "SubTitle").empty());
}

TEST_F(TrpSubReportTest, PrintingContinuesBelowTheLowerOfTheBandAndItsSubReports) {
    // A sub-report of 2 rows ends inside its 100 pixel band; one of 8 rows
    // reaches below it.
    for (int rows : {2, 8}) {
        testing::OwnedReport owned;
        TrpReport& report = *owned;
        TemplateBuilder build(report);
        const int top = build.Page().Bounds().top;
        build.Band(btReportTitle, 0, 100);
        SubReport(build, 0, 10, 200, 20, 1);
        build.Band(btReportSummary, 200, 20);
        build.Memo(0, 200, 100, 20, {"After"}, "After");
        TrpPage& sub = build.AddPage();
        build.Band(btMasterData, 0, 20, std::to_string(rows));
        build.Memo(sub.Bounds().left, 0, 100, 20, {"[LINE#]"}, "Row");
        ASSERT_TRUE(BuildPages(report));
        auto after = FindPrinted(report, "After");
        ASSERT_EQ(after.size(), 1u);
        EXPECT_EQ(after[0].object.top, std::max(top + 100, top + 10 + rows * 20)) << rows;
        EXPECT_EQ(FindPrinted(report, "Row").size(), static_cast<std::size_t>(rows));
    }
}

TEST_F(TrpSubReportTest, FirstRowThatDoesNotFitBelowTheObjectStartsOnTheNextPage) {
    // The holding band fits the page's last 30 pixels; the sub-report's
    // first row, 15 pixels down in it, does not.
    build_.Band(btReportTitle, 0, Room() - 30);
    build_.Band(btMasterData, 2000, 30, "1");
    build_.Memo(0, 2000, 100, 30, {"Holder"}, "Holder");
    SubReport(build_, 200, 2015, 200, 20, 1);
    RowsPage(2, 20, "Row");
    ASSERT_TRUE(BuildPages(report_));
    auto holder = FindPrinted(report_, "Holder"), rows = FindPrinted(report_, "Row");
    ASSERT_EQ(holder.size(), 1u);
    EXPECT_EQ(holder[0].page, 0u);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].page, 1u);
    EXPECT_EQ(rows[0].object.top, Bounds().top);
    EXPECT_EQ(rows[1].object.top, Bounds().top + 20);
}

TEST_F(TrpSubReportTest, PageNamedBySubReportNeverPrintsOnItsOwn) {
    // The holding band's dataset is empty and the other object is hidden:
    // neither sub-report page prints anything, nor does it get a page.
    build_.Records("Empty", 0);
    build_.Band(btReportTitle, 0, 40);
    build_.Memo(0, 0, 100, 20, {"Title"}, "Title");
    SubReport(build_, 0, 20, 200, 20, 1).Visible = false;
    build_.Band(btMasterData, 100, 40, "Empty");
    SubReport(build_, 0, 100, 200, 20, 2);
    RowsPage(3, 20, "Hidden");
    build_.Band(btReportTitle, 0, 20);
    build_.Memo(0, 0, 100, 20, {"x"}, "HiddenTitle");
    RowsPage(3, 20, "Unreached");
    ASSERT_TRUE(BuildPages(report_));
    EXPECT_EQ(report_.EMFPages().Count(), 1u);
    EXPECT_EQ(FindPrinted(report_, "Title").size(), 1u);
    EXPECT_TRUE(FindPrinted(report_, "Hidden").empty());
    EXPECT_TRUE(FindPrinted(report_, "HiddenTitle").empty());
    EXPECT_TRUE(FindPrinted(report_, "Unreached").empty());
}

TEST_F(TrpSubReportTest, EachPrintOfTheHoldingBandReplaysTheSubReportFromItsFirstRecord) {
    const int top = Bounds().top;
    build_.Band(btMasterData, 0, 20, "2");
    build_.Memo(0, 0, 100, 20, {"[LINE#]"}, "M");
    SubReport(build_, 200, 0, 200, 20, 1);
    RowsPage(3, 20, "S", "[LINE#]/[CURRENT#]");
    build_.Band(btMasterFooter, 100, 20);
    build_.Memo(0, 100, 100, 20, {"[SUM([LINE#])]"}, "Sum");
    ASSERT_TRUE(BuildPages(report_));
    EXPECT_TRUE(LastGenerationError().empty());
    auto sums = FindPrinted(report_, "Sum");
    ASSERT_EQ(sums.size(), 2u);
    EXPECT_EQ(sums[0].object.text, "6");
    EXPECT_EQ(sums[1].object.text, "6");
    auto m = FindPrinted(report_, "M"), s = FindPrinted(report_, "S");
    ASSERT_EQ(m.size(), 2u);
    ASSERT_EQ(s.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(s[i].object.text, std::to_string(i % 3 + 1) + "/" + std::to_string(i % 3 + 1));
    EXPECT_EQ(m[0].object.top, top);
    EXPECT_EQ(s[0].object.top, top);
    // The second record starts below the first one's sub-report.
    EXPECT_EQ(m[1].object.top, Bottom(sums[0].object));
    EXPECT_EQ(s[3].object.top, m[1].object.top);
    EXPECT_EQ(m[1].object.text, "2");
}

TEST_F(TrpSubReportTest, GroupsOnASubReportPagePrintInTheOrderOfAnOrdinaryPage) {
    // Records 0..5 in groups of two, as on an ordinary page.
    build_.Band(btReportTitle, 0, 20);
    SubReport(build_, 0, 0, 200, 20, 1);
    build_.AddPage();
    TrpUserDataset& data = build_.Records("Data", 6);
    report_.OnGetValue = [&data](const std::string& name, TrpValue& value) {
        if (name == "GRP")
            value = std::int64_t{std::min(data.RecordNo(), 5) / 2};
    };
    build_.Band(btGroupHeader, 0, 20, "GRP");
    build_.Memo(0, 0, 50, 18, {"[GRP]"}, "GH").Flags &= ~kMemoHideZeros;
    build_.Band(btMasterData, 40, 20, "Data");
    build_.Memo(0, 40, 50, 18, {"[LINE#]"}, "D");
    build_.Band(btGroupFooter, 80, 20);
    build_.Memo(0, 80, 50, 18, {"end [GRP]"}, "GF").Flags &= ~kMemoHideZeros;
    ASSERT_TRUE(BuildPages(report_));
    std::vector<std::string> order;
    int lastTop = 0;
    for (const auto& object : testing::PrintedObjects(report_, 0)) {
        order.push_back(object.text);
        EXPECT_GT(object.top, lastTop - 1) << object.text;
        lastTop = object.top;
    }
    const std::vector<std::string> expected{"0", "1",     "2", "end 0", "1", "1",
                                            "2", "end 1", "2", "1",     "2", "end 2"};
    EXPECT_EQ(order, expected);
}

TEST_F(TrpSubReportTest, NestedSubReportPausesItsBandAndResumesAfterThePageBreak) {
    // Page 0 holds page 1; each of page 1's two records holds page 2 (rows
    // taller than a page together), so page 1's band waits for page 2.
    const int top = Bounds().top;
    const int rows = Room() / 30 + 5;
    build_.Band(btReportTitle, 0, 20);
    SubReport(build_, 0, 0, 500, 20, 1);
    build_.Band(btReportSummary, 100, 20);
    build_.Memo(0, 100, 100, 20, {"After"}, "After");
    TrpPage& middle = build_.AddPage();
    build_.Band(btMasterData, 0, 20, "2").ChildBand = "Kid";
    build_.Memo(middle.Bounds().left, 0, 100, 20, {"[LINE#]"}, "Mid");
    SubReport(build_, middle.Bounds().left + 200, 0, 200, 20, 2);
    build_.Band(btChild, 50, 10, {}, "Kid");
    build_.Memo(middle.Bounds().left, 50, 100, 10, {"kid"}, "Kid");
    RowsPage(rows, 30, "Inner");

    ASSERT_TRUE(BuildPages(report_));
    EXPECT_TRUE(LastGenerationError().empty());
    auto mid = FindPrinted(report_, "Mid"), inner = FindPrinted(report_, "Inner");
    ASSERT_EQ(mid.size(), 2u);
    ASSERT_EQ(inner.size(), 2u * rows);
    EXPECT_EQ(mid[0].page, 0u);
    EXPECT_EQ(mid[0].object.top, top);
    EXPECT_EQ(inner[0].object.top, top);
    EXPECT_EQ(inner[0].object.left, 200);
    const auto& lastOfFirst = inner[rows - 1];
    EXPECT_EQ(lastOfFirst.page, 1u);
    EXPECT_EQ(lastOfFirst.object.text, std::to_string(rows));
    // The child band follows the first sub-report's end, and page 1's
    // second record follows the child.
    auto kid = FindPrinted(report_, "Kid");
    ASSERT_EQ(kid.size(), 2u);
    EXPECT_EQ(kid[0].page, 1u);
    EXPECT_EQ(kid[0].object.top, Bottom(lastOfFirst.object));
    EXPECT_EQ(mid[1].page, 1u);
    EXPECT_EQ(mid[1].object.top, Bottom(kid[0].object));
    EXPECT_EQ(inner[rows].object.text, "1");
    EXPECT_EQ(inner[rows].object.top, mid[1].object.top);
    auto after = FindPrinted(report_, "After");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].page, inner.back().page);
    EXPECT_EQ(after[0].object.top, Bottom(kid[1].object));
}

TEST_F(TrpSubReportTest, TwoPassGivesSubReportRowsTheFinalPageCount) {
    build_.Band(btReportTitle, 0, 20);
    SubReport(build_, 0, 0, 200, 20, 1);
    RowsPage(Room() / 20 + 5, 20, "Row", "[PAGE#]/[TOTALPAGES]");
    report_.TwoPass = true;
    ASSERT_TRUE(BuildPages(report_));
    EXPECT_EQ(report_.EMFPages().Count(), 2u);
    auto rows = FindPrinted(report_, "Row");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(Room() / 20 + 5));
    EXPECT_EQ(rows.front().object.text, "1/2");
    EXPECT_EQ(rows.back().object.text, "2/2");
}

TEST_F(TrpSubReportTest, SubReportNamingARunningPagePrintsNothingInsteadOfRecursing) {
    // Page 1 names itself: its inner object prints nothing, its rows print.
    build_.Band(btReportTitle, 0, 20);
    SubReport(build_, 0, 0, 200, 20, 1);
    TrpPage& sub = build_.AddPage();
    build_.Band(btMasterData, 0, 20, "3");
    build_.Memo(sub.Bounds().left, 0, 100, 20, {"[LINE#]"}, "Row");
    SubReport(build_, sub.Bounds().left + 200, 0, 200, 20, CurrentPage());
    ASSERT_TRUE(BuildPages(report_));
    EXPECT_EQ(FindPrinted(report_, "Row").size(), 3u);
    EXPECT_EQ(report_.EMFPages().Count(), 1u);
}

} // namespace
} // namespace report

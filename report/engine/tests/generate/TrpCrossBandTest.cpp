// Cross bands: cells printed across a row band, one column per record of
// the cross data band's dataset; columns past the right bound continuing on
// further generated pages; per-column and per-row aggregates; the measured
// height of a stretched row with cells; and the aggregate key shared by
// the per-column copies and the reads in cells.
#include "CrossTemplate.h"
#include "TrpAggregates.h"
#include "TrpReportGeneration.h"

#include <gtest/gtest.h>

namespace report {
namespace {

using testing::CrossBand;
using testing::FindPrinted;
using testing::Texts;

class TrpCrossBandTest : public testing::GenerationFixture {};

TEST_F(TrpCrossBandTest, CrossDataOverFiveRecordsNumbersItsColumnsAcrossEachRow) {
    build_.Band(btMasterData, 40, 20, "2", "MasterData1");
    build_.Memo(10, 40, 60, 18, {"Row [LINE#]"}, "Own");
    CrossBand(build_, btCrossData, 100, 50, "5", "CrossData1");
    build_.Memo(100, 40, 50, 18, {"[COLUMN#]/[LINE#]"}, "Cell");
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    ASSERT_EQ(report_.EMFPages().Count(), 1u);
    // The row's own object prints once per row, not once per column.
    EXPECT_EQ(Texts(FindPrinted(report_, "Own")), (std::vector<std::string>{"Row 1", "Row 2"}));
    auto cells = FindPrinted(report_, "Cell");
    ASSERT_EQ(cells.size(), 10u);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 5; ++col) {
            const auto& cell = cells[static_cast<std::size_t>(row * 5 + col)].object;
            EXPECT_EQ(cell.text, std::to_string(col + 1) + "/" + std::to_string(row + 1));
            EXPECT_EQ(cell.left, 100 + col * 50);
            EXPECT_EQ(cell.top, Bounds().top + row * 20);
        }
}

TEST_F(TrpCrossBandTest, ColumnsPastTheRightBoundContinueOnTheNextPageAtTheSameHeight) {
    const int left = Bounds().left, right = Bounds().right;
    const int headerWidth = 60, dataLeft = left + headerWidth, width = 100;
    const int onFirst = (right - dataLeft) / width;
    const int onSecond = (right - left - headerWidth) / width;
    const int columns = onFirst + 2;
    ASSERT_LT(2, onSecond);
    build_.Band(btMasterData, 40, 20, "2", "MasterData1");
    TrpBandView& header = CrossBand(build_, btCrossHeader, left, headerWidth, "", "CrossHeader1");
    header.Flags |= kBandRepeatHeader;
    CrossBand(build_, btCrossData, dataLeft, width, std::to_string(columns), "CrossData1");
    build_.Memo(dataLeft + 5, 40, 80, 18, {"[COLUMN#]"}, "Cell");
    build_.Memo(left + 5, 40, 50, 18, {"H"}, "Head");
    build_.Band(btMasterFooter, 100, 20, "", "MasterFooter1");
    build_.Memo(left + 5, 100, 50, 18, {"End"}, "End");
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    ASSERT_EQ(report_.EMFPages().Count(), 2u);

    auto cells = FindPrinted(report_, "Cell");
    ASSERT_EQ(cells.size(), static_cast<std::size_t>(2 * columns));
    for (const auto& at : cells) {
        const int col = std::stoi(at.object.text) - 1;
        const bool first = col < onFirst;
        EXPECT_EQ(at.page, first ? 0u : 1u) << col;
        const int row = (at.object.top - Bounds().top) / 20;
        EXPECT_EQ(at.object.top, Bounds().top + row * 20);
        EXPECT_TRUE(row == 0 || row == 1) << at.object.top;
        const int x = first ? dataLeft + col * width : left + headerWidth + (col - onFirst) * width;
        EXPECT_EQ(at.object.left, x + 5) << col;
    }
    // The repeated cross header opens both rows on the second page too, at
    // the rows' own heights.
    auto heads = FindPrinted(report_, "Head");
    ASSERT_EQ(heads.size(), 4u);
    for (std::size_t i = 0; i < heads.size(); ++i) {
        EXPECT_EQ(heads[i].page, i / 2);
        EXPECT_EQ(heads[i].object.left, left + 5);
        EXPECT_EQ(heads[i].object.top, Bounds().top + static_cast<int>(i % 2) * 20);
    }
    // The second row and the footer continue on the page where the previous
    // row began.
    auto end = FindPrinted(report_, "End");
    ASSERT_FALSE(end.empty());
    EXPECT_EQ(end[0].page, 0u);
    EXPECT_EQ(end[0].object.top, Bounds().top + 40);
}

TEST_F(TrpCrossBandTest, OverflowPageGetsThePageHeaderOnlyPerItsFirstPageRule) {
    for (bool onFirstPage : {false, true}) {
        testing::OwnedReport owned;
        testing::TemplateBuilder build(*owned);
        const TrpPageBounds bounds = owned->Pages[0]->Bounds();
        TrpBandView& pageHeader = build.Band(btPageHeader, 0, 20, "", "PageHeader1");
        pageHeader.Flags = onFirstPage ? kBandDefaultFlags : std::uint16_t{kBandOnLastPage};
        build.Memo(bounds.left, 0, 50, 18, {"Page [PAGE#]"}, "PH");
        build.Band(btMasterData, 40, 20, "1", "MasterData1");
        CrossBand(build, btCrossData, bounds.left + 100, 200, "8", "CrossData1");
        build.Memo(bounds.left + 100, 40, 50, 18, {"[COLUMN#]"}, "Cell");
        ASSERT_TRUE(BuildPages(*owned)) << LastGenerationError();
        ASSERT_GE(owned->EMFPages().Count(), 2u);
        auto ph = FindPrinted(*owned, "PH");
        // The row begins on the template page's first generated page: its
        // overflow page follows the page header's first-page rule.
        const std::size_t expected = onFirstPage ? owned->EMFPages().Count() : 0u;
        EXPECT_EQ(ph.size(), expected) << onFirstPage;
        if (onFirstPage && ph.size() > 1) {
            EXPECT_EQ(ph[1].object.text, "Page 2");
        }
    }
}

TEST_F(TrpCrossBandTest, PagesStartedForColumnsGetTheirPageFooterBeforeTheNextPage) {
    const int left = Bounds().left;
    TrpBandView& footer = build_.Band(btPageFooter, 900, 20, "", "PageFooter1");
    footer.Flags = kBandDefaultFlags;
    build_.Memo(left, 900, 50, 18, {"Foot [PAGE#]"}, "PF");
    // Rows tall enough that three need a second vertical page.
    const int rowHeight = (Room() - 20) / 2 - 1;
    build_.Band(btMasterData, 40, rowHeight, "3", "MasterData1");
    CrossBand(build_, btCrossData, left + 100, 300, "6", "CrossData1");
    build_.Memo(left + 100, 40, 50, 18, {"[COLUMN#]"}, "Cell");
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    const std::size_t pages = report_.EMFPages().Count();
    ASSERT_GE(pages, 4u);
    auto feet = FindPrinted(report_, "PF");
    ASSERT_EQ(feet.size(), pages);
    for (std::size_t p = 0; p < pages; ++p) {
        EXPECT_EQ(feet[p].page, p);
        EXPECT_EQ(feet[p].object.text, "Foot " + std::to_string(p + 1));
    }
}

TEST_F(TrpCrossBandTest, CellAggregatesTotalEachRowAcrossAndEachColumnDown) {
    build_.Band(btMasterData, 40, 20, "3", "MasterData1");
    build_.Band(btMasterFooter, 80, 20, "", "MasterFooter1");
    CrossBand(build_, btCrossData, 100, 60, "4", "CrossData1");
    CrossBand(build_, btCrossFooter, 400, 100, "", "CrossFooter1");
    // Data rows: the column number times the row number, and the row's
    // total and column count in the cross footer.
    build_.Memo(100, 40, 60, 18, {"[COLUMN# * LINE#]"}, "Cell");
    build_.Memo(400, 40, 100, 18, {"[SUM(COLUMN# * LINE#)] [COUNT(CrossData1)]"}, "RowTotal");
    // Footer row: each column's total over the rows and its record count.
    build_.Memo(100, 80, 60, 18, {"[SUM(COLUMN# * LINE#, MasterData1)] [COUNT(MasterData1)]"},
                "ColumnTotal");
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    // Row r: 1r + 2r + 3r + 4r over 4 columns, reset after every row.
    EXPECT_EQ(Texts(FindPrinted(report_, "RowTotal")),
              (std::vector<std::string>{"10 4", "20 4", "30 4"}));
    // Column c: c + 2c + 3c over the 3 rows; a record counted once per row,
    // not once more for the last column by the row's own round.
    EXPECT_EQ(Texts(FindPrinted(report_, "ColumnTotal")),
              (std::vector<std::string>{"6 3", "12 3", "18 3", "24 3"}));
}

TEST_F(TrpCrossBandTest, StretchedRowTakesTheTallestColumnAndCellsKeepTheirOwnText) {
    TrpBandView& data = build_.Band(btMasterData, 40, 20, "2", "MasterData1");
    data.Flags |= kFlagStretched;
    CrossBand(build_, btCrossData, 100, 60, "3", "CrossData1");
    build_.Memo(100, 40, 60, 18, {"[COLUMN#]", "second", "third"}, "Cell");
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    auto cells = FindPrinted(report_, "Cell");
    ASSERT_EQ(cells.size(), 6u);
    const int rowHeight = cells[3].object.top - cells[0].object.top;
    EXPECT_GT(rowHeight, 20);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        // Measuring every column must not leave the last column's text.
        EXPECT_EQ(cells[i].object.text, std::to_string(i % 3 + 1) + "\r\nsecond\r\nthird");
        EXPECT_EQ(cells[i].object.height, rowHeight);
    }
}

TEST_F(TrpCrossBandTest, RowBandsWalkTheCrossDatasetNamedForThem) {
    build_.Records("Two", 2);
    build_.Records("Four", 4);
    build_.Band(btMasterHeader, 0, 20, "", "Top");
    build_.Band(btMasterData, 40, 20, "1", "MasterData1");
    CrossBand(build_, btCrossData, 100, 40, "Top=Two;masterdata1=Four;", "CrossData1");
    build_.Memo(100, 0, 40, 18, {"[COLUMN#]"}, "HeadCell");
    build_.Memo(100, 40, 40, 18, {"[COLUMN#]"}, "DataCell");
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    EXPECT_EQ(FindPrinted(report_, "HeadCell").size(), 2u);
    EXPECT_EQ(FindPrinted(report_, "DataCell").size(), 4u);
}

TEST(TrpAggregateKeyTest, ColumnCopiesReplaceOnlyTheCrossMark) {
    const std::string sep(1, kAggregateSeparator);
    const std::string marked = "0" + sep + "MasterFooter1" + sep + "x" + sep;
    EXPECT_EQ(ColumnAggregateKey(12, marked), "12" + sep + "MasterFooter1" + sep + "x" + sep);
    const std::string plain = "CrossFooter1" + sep + "x" + sep;
    EXPECT_EQ(ColumnAggregateKey(3, plain), plain);
}

} // namespace
} // namespace report

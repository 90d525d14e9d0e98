// Generation of the harder layouts: a breakable band split over pages,
// page columns and band columns, repeated headers, detail levels with
// empty subsets, data-band chains, and aggregates per group, page and
// report.
#include "TemplateBuilder.h"
#include "TrpReportGeneration.h"
#include "layout/LayoutTestSupport.h"

#include <gtest/gtest.h>

namespace report {
namespace {

using testing::FindPrinted;
using testing::TemplateBuilder;

class TrpGenerationLayoutTest : public testing::GenerationFixture {};

TEST_F(TrpGenerationLayoutTest, BreakableBandWithLongTextContinuesOnTheNextPage) {
    std::vector<std::string> lines;
    for (int i = 0; i < 400; ++i)
        lines.push_back("line " + std::to_string(i));
    TrpBandView& band = build_.Band(btMasterData, 0, 20, "1");
    band.Flags |= kFlagStretched | kBandBreaked;
    build_.Memo(0, 0, 200, 20, lines, "Long");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_GE(report_.EMFPages().Count(), 2u);
    auto parts = FindPrinted(report_, "Long");
    ASSERT_GE(parts.size(), 2u);
    EXPECT_EQ(parts[0].page, 0u);
    EXPECT_EQ(parts[0].object.top, Bounds().top);
    EXPECT_LE(parts[0].object.top + parts[0].object.height, Bounds().bottom);
    EXPECT_EQ(parts[1].page, 1u);
    EXPECT_EQ(parts[1].object.top, Bounds().top);
    // Every line is printed over the parts. A part carries its lines as
    // already wrapped, each with its paragraph mark: drop the marks.
    std::string all;
    for (const auto& part : parts)
        for (char c : part.object.text + "\n")
            if (c == '\n' || static_cast<unsigned char>(c) >= 32)
                all += c;
    for (int i : {0, 1, 150, 399})
        EXPECT_NE(all.find("line " + std::to_string(i) + "\n"), std::string::npos) << i;
}

TEST_F(TrpGenerationLayoutTest, PrintedInstanceExpandsTagAndAlignsToItsBand) {
    // A stretched band grows to 10 lines of text; the aligned objects follow
    // the grown band, each record gets its own Tag, and the next record
    // sees the template's Tag and rectangle again.
    TrpBandView& band = build_.Band(btMasterData, 100, 40, "2");
    band.Flags |= kFlagStretched;
    std::vector<std::string> lines(10, "text");
    build_.Memo(0, 100, 200, 20, lines, "Long");
    TrpMemoView& bottom = build_.Memo(300, 105, 50, 10, {"B"}, "Bottom");
    bottom.SetFlag(kFlagStretched, false);
    bottom.BandAlign = kAlignBottom;
    bottom.Tag = "row [LINE#]";
    TrpMemoView& top = build_.Memo(300, 120, 50, 10, {"T"}, "Top");
    top.SetFlag(kFlagStretched, false);
    top.BandAlign = kAlignTop;
    TrpMemoView& wide = build_.Memo(300, 110, 50, 10, {"W"}, "Wide");
    wide.SetFlag(kFlagStretched, false);
    wide.BandAlign = kAlignWidth;
    wide.Tag = "plain";
    ASSERT_TRUE(BuildPages(report_));
    auto longs = FindPrinted(report_, "Long");
    auto bottoms = FindPrinted(report_, "Bottom");
    auto tops = FindPrinted(report_, "Top");
    auto wides = FindPrinted(report_, "Wide");
    ASSERT_EQ(longs.size(), 2u);
    ASSERT_EQ(bottoms.size(), 2u);
    ASSERT_EQ(tops.size(), 2u);
    ASSERT_EQ(wides.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& text = longs[i].object;
        EXPECT_GT(text.height, 40);
        EXPECT_EQ(tops[i].object.top, text.top) << i;
        EXPECT_EQ(bottoms[i].object.top + bottoms[i].object.height, text.top + text.height) << i;
        EXPECT_EQ(bottoms[i].object.height, 10);
        EXPECT_EQ(wides[i].object.left, 0);
        EXPECT_EQ(wides[i].object.width, 600);
        EXPECT_EQ(wides[i].object.top, text.top + 10);
    }
    // The Tag travels with the prepared object.
    TrpPage& page = report_.EMFPages().BuildPage(0);
    std::vector<std::string> tags;
    for (std::size_t i = 0; i < page.Count(); ++i)
        if (page.Object(i)->Name == "Bottom" || page.Object(i)->Name == "Wide")
            tags.push_back(page.Object(i)->Tag);
    EXPECT_EQ(tags, (std::vector<std::string>{"row 1", "plain", "row 2", "plain"}));
}

TEST_F(TrpGenerationLayoutTest, PageAlignedObjectsPrintAtTheirAlignedPlaceOnEveryRecord) {
    build_.Band(btMasterData, 0, 20, "3");
    TrpMemoView& right = build_.Memo(5, 0, 50, 18, {"R"}, "Right");
    right.BandAlign = kAlignRight;
    TrpMemoView& centre = build_.Memo(5, 0, 60, 18, {"C"}, "Centre");
    centre.BandAlign = kAlignCenter;
    ASSERT_TRUE(BuildPages(report_));
    const TrpPageBounds b = Bounds();
    auto rights = FindPrinted(report_, "Right");
    auto centres = FindPrinted(report_, "Centre");
    ASSERT_EQ(rights.size(), 3u);
    ASSERT_EQ(centres.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(rights[i].object.left, b.right - 50) << i;
        EXPECT_EQ(centres[i].object.left, b.left + (b.right - b.left - 60) / 2) << i;
        EXPECT_EQ(rights[i].object.top, b.top + 20 * static_cast<int>(i)) << i;
    }
}

TEST_F(TrpGenerationLayoutTest, UnbreakableStretchedBandMovesWholeToTheNextPage) {
    build_.Band(btReportTitle, 0, Room() - 100);
    std::vector<std::string> lines(30, "text");
    TrpBandView& band = build_.Band(btMasterData, 3000, 20, "1");
    band.Flags |= kFlagStretched;
    build_.Memo(0, 3000, 200, 20, lines, "Long");
    ASSERT_TRUE(BuildPages(report_));
    auto parts = FindPrinted(report_, "Long");
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].page, 1u);
    EXPECT_GT(parts[0].object.height, 100);
}

TEST_F(TrpGenerationLayoutTest, PageColumnsFillLeftColumnThenRight) {
    build_.Page().Columns = 2;
    build_.Page().ColumnGap = 10;
    const int rows = Room() / 20 + 3;
    build_.Band(btMasterData, 0, 20, std::to_string(rows));
    build_.Memo(Bounds().left, 0, 50, 18, {"[LINE#]"}, "D");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 1u);
    auto printed = FindPrinted(report_, "D");
    ASSERT_EQ(printed.size(), static_cast<std::size_t>(rows));
    const int columnWidth = (Bounds().right - Bounds().left - 10) / 2;
    const auto& firstRight = printed[static_cast<std::size_t>(Room() / 20)].object;
    EXPECT_EQ(firstRight.left, Bounds().left + columnWidth + 10);
    EXPECT_EQ(firstRight.top, Bounds().top);
    EXPECT_EQ(printed[0].object.left, Bounds().left);
}

TEST_F(TrpGenerationLayoutTest, BandColumnsPlaceSuccessiveRecordsSideBySide) {
    TrpBandView& band = build_.Band(btMasterData, 0, 20, "5");
    band.Columns = 2;
    band.ColumnWidth = 100;
    band.ColumnGap = 20;
    build_.Memo(Bounds().left, 0, 50, 18, {"[LINE#]"}, "D");
    build_.Band(btReportSummary, 40, 20);
    build_.Memo(Bounds().left, 40, 50, 18, {"S"}, "S");
    ASSERT_TRUE(BuildPages(report_));
    auto d = FindPrinted(report_, "D");
    ASSERT_EQ(d.size(), 5u);
    const int left = Bounds().left, top = Bounds().top;
    EXPECT_EQ(d[0].object.left, left);
    EXPECT_EQ(d[1].object.left, left + 120);
    EXPECT_EQ(d[1].object.top, top);
    EXPECT_EQ(d[2].object.left, left);
    EXPECT_EQ(d[2].object.top, top + 20);
    EXPECT_EQ(d[4].object.top, top + 40);
    // The summary comes below the half-filled row.
    auto s = FindPrinted(report_, "S");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].object.left, left);
    EXPECT_EQ(s[0].object.top, top + 60);
}

TEST_F(TrpGenerationLayoutTest, RepeatHeaderReprintsTheMasterHeaderOnEachNewPage) {
    TrpBandView& header = build_.Band(btMasterHeader, 0, 20);
    header.Flags |= kBandRepeatHeader;
    build_.Memo(0, 0, 50, 18, {"H"}, "H");
    build_.Band(btMasterData, 40, 20, std::to_string(Room() / 20 + 3));
    build_.Memo(0, 40, 50, 18, {"[LINE#]"}, "D");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 2u);
    auto h = FindPrinted(report_, "H");
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[1].page, 1u);
    EXPECT_EQ(h[1].object.top, Bounds().top);
    auto d = FindPrinted(report_, "D");
    for (const auto& row : d)
        if (row.page == 1) {
            EXPECT_EQ(row.object.top, Bounds().top + 20);
            break;
        }
}

TEST_F(TrpGenerationLayoutTest, EmptySubsetDropsTheMasterUnlessPrintIfSubsetEmpty) {
    for (bool printIfEmpty : {false, true}) {
        testing::OwnedReport owned;
        TrpReport& report = *owned;
        TemplateBuilder build(report);
        TrpUserDataset& masters = build.Records("Masters", 3);
        TrpUserDataset& details = build.Records("Details", 0);
        // The first master has two details, the others none.
        details.OnCheckEOF = [&masters, &details](TrpDataset&, bool& eof) {
            eof = masters.RecordNo() != 0 || details.RecordNo() >= 2;
        };
        details.RangeEnd = TRangeEnd::reLast;
        TrpBandView& master = build.Band(btMasterData, 0, 20, "Masters");
        if (printIfEmpty)
            master.Flags |= kBandPrintIfSubsetEmpty;
        build.Memo(0, 0, 50, 18, {"M[LINE#]"}, "M");
        build.Band(btDetailData, 40, 20, "Details");
        build.Memo(0, 40, 50, 18, {"D[LINE#]"}, "D");
        ASSERT_TRUE(BuildPages(report));
        std::vector<std::string> order;
        for (const auto& object : testing::PrintedObjects(report, 0))
            order.push_back(object.text);
        const std::vector<std::string> expected =
            printIfEmpty ? std::vector<std::string>{"M1", "D1", "D2", "M2", "M3"}
                         : std::vector<std::string>{"M1", "D1", "D2"};
        EXPECT_EQ(order, expected) << printIfEmpty;
    }
}

TEST_F(TrpGenerationLayoutTest, DataBandChainWithoutDatasetPrintsWithEachRecord) {
    build_.Band(btMasterData, 0, 20, "3");
    build_.Memo(0, 0, 50, 18, {"A[LINE#]"}, "A");
    build_.Band(btMasterData, 40, 15);
    build_.Memo(0, 40, 50, 14, {"B"}, "B");
    ASSERT_TRUE(BuildPages(report_));
    auto a = FindPrinted(report_, "A"), b = FindPrinted(report_, "B");
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].object.top, Bounds().top + 20);
    EXPECT_EQ(a[1].object.top, Bounds().top + 35);
}

TEST_F(TrpGenerationLayoutTest, AggregatesPerGroupAndReport) {
    TrpUserDataset& data = build_.Records("Data", 6);
    report_.OnGetValue = [&data](const std::string& name, TrpValue& value) {
        if (name == "GRP")
            value = std::int64_t{data.RecordNo() / 3};
        else if (name == "AMOUNT")
            value = std::int64_t{data.RecordNo() + 1};
    };
    build_.Band(btGroupHeader, 0, 20, "GRP");
    build_.Band(btMasterData, 40, 20, "Data", "Rows");
    build_.Band(btGroupFooter, 80, 20);
    build_.Memo(0, 80, 100, 18, {"[SUM([AMOUNT])] [COUNT(Rows)]"}, "GF");
    build_.Band(btReportSummary, 120, 20);
    build_.Memo(0, 120, 100, 18, {"[SUM([AMOUNT])] [MAX([AMOUNT])]"}, "S");
    ASSERT_TRUE(BuildPages(report_));
    auto gf = FindPrinted(report_, "GF");
    ASSERT_EQ(gf.size(), 2u);
    EXPECT_EQ(gf[0].object.text, "6 3");
    EXPECT_EQ(gf[1].object.text, "15 3");
    auto s = FindPrinted(report_, "S");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].object.text, "21 6");
}

TEST_F(TrpGenerationLayoutTest, PageFooterSumCoversTheRecordsOfItsPage) {
    const int perPage = (Room() - 20) / 20;
    build_.Band(btPageFooter, 900, 20);
    build_.Memo(0, 900, 100, 18, {"[SUM([LINE#])]"}, "PF");
    build_.Band(btMasterData, 0, 20, std::to_string(perPage + 2));
    ASSERT_TRUE(BuildPages(report_));
    auto pf = FindPrinted(report_, "PF");
    ASSERT_EQ(pf.size(), 2u);
    EXPECT_EQ(pf[0].object.text, std::to_string(perPage * (perPage + 1) / 2));
    EXPECT_EQ(pf[1].object.text, std::to_string(2 * perPage + 3));
}

} // namespace
} // namespace report

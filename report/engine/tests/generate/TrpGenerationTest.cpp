// Generation: templates built in code are generated and the printed objects
// are read back from the generated pages - rows and their positions, page
// breaks at the bottom limit, page furniture, groups, two passes, requests
// of scripts, calculation errors and the template put back afterwards.
#include "TemplateBuilder.h"
#include "TrpPreviewSeam.h"
#include "TrpReportGeneration.h"
#include "layout/LayoutTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace report {
namespace {

using testing::FindPrinted;
using testing::RecordingMessageBoxes;
using testing::TemplateBuilder;

class TrpGenerationTest : public testing::GenerationFixture {};

TEST_F(TrpGenerationTest, MasterBandOnACountPrintsEachRecordBelowThePageHeader) {
    build_.Band(btPageHeader, 0, 20);
    build_.Memo(10, 0, 100, 18, {"Head"}, "Head");
    build_.Band(btMasterData, 40, 18, "5");
    build_.Memo(10, 40, 100, 18, {"[LINE#]"}, "Row");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 1u);
    auto rows = FindPrinted(report_, "Row");
    ASSERT_EQ(rows.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rows[i].object.text, std::to_string(i + 1));
        EXPECT_EQ(rows[i].object.top, Bounds().top + 20 + i * 18);
        EXPECT_EQ(rows[i].object.left, 10);
    }
    EXPECT_EQ(FindPrinted(report_, "Head").size(), 1u);
    EXPECT_TRUE(LastGenerationError().empty());
}

TEST_F(TrpGenerationTest, ManyRecordsRepeatThePageHeaderOnEveryPage) {
    build_.Band(btPageHeader, 0, 20);
    build_.Memo(10, 0, 100, 18, {"[PAGE#]"}, "Head");
    const int rows = Room() / 20 * 2; // a little over two pages
    build_.Band(btMasterData, 40, 20, std::to_string(rows));
    build_.Memo(10, 40, 100, 18, {"[LINE#]"}, "Row");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 3u);
    auto heads = FindPrinted(report_, "Head");
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_EQ(heads[2].object.text, "3");
    auto printed = FindPrinted(report_, "Row");
    ASSERT_EQ(printed.size(), static_cast<std::size_t>(rows));
    EXPECT_EQ(printed.back().object.text, std::to_string(rows));
    for (const auto& row : printed)
        EXPECT_LE(row.object.top + 20, Bounds().bottom);
}

TEST_F(TrpGenerationTest, BandFittingTheBottomExactlyStaysAndOnePixelMoreMoves) {
    for (int extra : {0, 1}) {
        testing::OwnedReport owned;
        TrpReport& report = *owned;
        TemplateBuilder build(report);
        const TrpPageBounds b = build.Page().Bounds();
        build.Band(btReportTitle, 0, b.bottom - b.top - 30);
        build.Band(btMasterData, 2000, 30 + extra, "1");
        build.Memo(0, 2000, 50, 10, {"x"}, "Row");
        ASSERT_TRUE(BuildPages(report));
        auto rows = FindPrinted(report, "Row");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].page, static_cast<std::size_t>(extra)) << "extra " << extra;
        EXPECT_EQ(rows[0].object.top, extra ? b.top : b.bottom - 30);
    }
}

TEST_F(TrpGenerationTest, EmptyDatasetPrintsNeitherHeaderNorFooter) {
    build_.Records("Empty", 0);
    build_.Band(btMasterHeader, 0, 20);
    build_.Memo(0, 0, 50, 18, {"H"}, "H");
    build_.Band(btMasterData, 40, 20, "Empty");
    build_.Memo(0, 40, 50, 18, {"D"}, "D");
    build_.Band(btMasterFooter, 80, 20);
    build_.Memo(0, 80, 50, 18, {"F"}, "F");
    ASSERT_TRUE(BuildPages(report_));
    EXPECT_TRUE(FindPrinted(report_, "H").empty());
    EXPECT_TRUE(FindPrinted(report_, "D").empty());
    EXPECT_TRUE(FindPrinted(report_, "F").empty());
}

TEST_F(TrpGenerationTest, HeaderAndFooterFrameTheRecordsOfANamedDataset) {
    TrpUserDataset& data = build_.Records("Data", 3);
    int firsts = 0;
    data.OnFirst = [&firsts](TrpDataset&) { ++firsts; };
    build_.Band(btMasterHeader, 0, 20);
    build_.Memo(0, 0, 50, 18, {"H"}, "H");
    build_.Band(btMasterData, 40, 20, "Data");
    build_.Memo(0, 40, 50, 18, {"D"}, "D");
    build_.Band(btMasterFooter, 80, 20);
    build_.Memo(0, 80, 50, 18, {"F"}, "F");
    ASSERT_TRUE(BuildPages(report_));
    EXPECT_EQ(firsts, 1);
    auto h = FindPrinted(report_, "H"), d = FindPrinted(report_, "D"),
         f = FindPrinted(report_, "F");
    ASSERT_EQ(h.size(), 1u);
    ASSERT_EQ(d.size(), 3u);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(h[0].object.top, Bounds().top);
    EXPECT_EQ(d[0].object.top, Bounds().top + 20);
    EXPECT_EQ(f[0].object.top, Bounds().top + 80);
}

TEST_F(TrpGenerationTest, TwoPassPrintsTheFinalPageCountOnEveryPage) {
    const int rows = Room() / 20 + 5;
    build_.Band(btMasterData, 0, 20, std::to_string(rows));
    build_.Memo(0, 0, 100, 18, {"[PAGE#]/[TOTALPAGES]"}, "Row").Flags &= ~kMemoHideZeros;
    report_.TwoPass = true;
    ASSERT_TRUE(BuildPages(report_));
    EXPECT_TRUE(report_.TwoPass);
    auto printed = FindPrinted(report_, "Row");
    ASSERT_EQ(printed.size(), static_cast<std::size_t>(rows));
    EXPECT_EQ(printed.front().object.text, "1/2");
    EXPECT_EQ(printed.back().object.text, "2/2");

    report_.TwoPass = false;
    ASSERT_TRUE(BuildPages(report_));
    EXPECT_EQ(FindPrinted(report_, "Row").back().object.text, "2/0");
}

TEST_F(TrpGenerationTest, PageFooterOnLastPageOnlySkipsTheFirstPage) {
    const int rows = Room() / 20 + 5;
    TrpBandView& footer = build_.Band(btPageFooter, 500, 20);
    footer.Flags = kBandOnLastPage;
    build_.Memo(0, 500, 100, 18, {"[PAGE#]"}, "Foot");
    build_.Band(btMasterData, 0, 20, std::to_string(rows));
    build_.Memo(0, 0, 100, 18, {"[LINE#]"}, "Row");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 2u);
    auto feet = FindPrinted(report_, "Foot");
    ASSERT_EQ(feet.size(), 1u);
    EXPECT_EQ(feet[0].page, 1u);
    // The footer sits at the bottom bound, which makes room for it.
    EXPECT_EQ(feet[0].object.top, Bounds().bottom - 20);
}

TEST_F(TrpGenerationTest, PageFooterOnBothFlagsPrintsOnEveryPageAtTheBottom) {
    const int rows = Room() / 20 + 5;
    build_.Band(btPageFooter, 500, 20);
    build_.Memo(0, 500, 100, 18, {"[PAGE#]"}, "Foot");
    build_.Band(btMasterData, 0, 20, std::to_string(rows));
    build_.Memo(0, 0, 100, 18, {"[LINE#]"}, "Row");
    ASSERT_TRUE(BuildPages(report_));
    auto feet = FindPrinted(report_, "Foot");
    ASSERT_EQ(feet.size(), 2u);
    EXPECT_EQ(feet[0].object.text, "1");
    EXPECT_EQ(feet[1].object.text, "2");
    for (const auto& row : FindPrinted(report_, "Row"))
        EXPECT_LE(row.object.top + 20, feet[0].object.top);
}

TEST_F(TrpGenerationTest, TitleAndSummaryPrintOnceAroundTheData) {
    build_.Band(btReportTitle, 0, 30);
    build_.Memo(0, 0, 50, 18, {"T"}, "T");
    build_.Band(btMasterData, 40, 20, "2");
    build_.Memo(0, 40, 50, 18, {"D"}, "D");
    build_.Band(btReportSummary, 80, 25);
    build_.Memo(0, 80, 50, 18, {"S"}, "S");
    ASSERT_TRUE(BuildPages(report_));
    auto t = FindPrinted(report_, "T"), s = FindPrinted(report_, "S");
    ASSERT_EQ(t.size(), 1u);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(t[0].object.top, Bounds().top);
    EXPECT_EQ(s[0].object.top, Bounds().top + 30 + 2 * 20);
}

TEST_F(TrpGenerationTest, GroupBreaksPrintFooterBeforeTheNextHeader) {
    // Records 0..5 in groups of two: group value RecordNo / 2. Past the end
    // the last record's value is read, as a table would.
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
    auto printed = testing::PrintedObjects(report_, 0);
    std::vector<std::string> order;
    for (const auto& object : printed)
        order.push_back(object.text);
    const std::vector<std::string> expected{"0", "1",     "2", "end 0", "1", "1",
                                            "2", "end 1", "2", "1",     "2", "end 2"};
    EXPECT_EQ(order, expected);
}

TEST_F(TrpGenerationTest, GroupWithFormNewPageStartsEachGroupOnANewPage) {
    TrpUserDataset& data = build_.Records("Data", 4);
    report_.OnGetValue = [&data](const std::string& name, TrpValue& value) {
        if (name == "GRP")
            value = std::int64_t{data.RecordNo() / 2};
    };
    TrpBandView& group = build_.Band(btGroupHeader, 0, 20, "GRP");
    group.Flags |= kBandFormNewPage;
    build_.Memo(0, 0, 50, 18, {"[GRP]"}, "GH");
    build_.Band(btMasterData, 40, 20, "Data");
    build_.Memo(0, 40, 50, 18, {"[LINE#]"}, "D");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 2u);
    auto heads = FindPrinted(report_, "GH");
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[1].page, 1u);
    EXPECT_EQ(heads[1].object.top, Bounds().top);
}

TEST_F(TrpGenerationTest, DataBandFormNewPagePutsEachRecordOnItsOwnPage) {
    TrpBandView& band = build_.Band(btMasterData, 0, 20, "3");
    band.Flags |= kBandFormNewPage;
    build_.Memo(0, 0, 50, 18, {"[LINE#]"}, "D");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 3u);
    auto rows = FindPrinted(report_, "D");
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(rows[i].page, i);
}

TEST_F(TrpGenerationTest, ScriptStopReportEndsAfterTheCurrentBand) {
    TrpBandView& band = build_.Band(btMasterData, 0, 20, "10");
    band.Memo = {"if [LINE#] = 3 then StopReport"};
    build_.Memo(0, 0, 50, 18, {"[LINE#]"}, "D");
    BuildPages(report_);
    auto rows = FindPrinted(report_, "D");
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_TRUE(LastGenerationError().empty());
}

TEST_F(TrpGenerationTest, CalculationErrorIsShownAndLeavesNoPages) {
    RecordingMessageBoxes boxes;
    build_.Band(btMasterData, 0, 20, "3");
    build_.Memo(0, 0, 50, 18, {"[1 +]"}, "Bad");
    EXPECT_FALSE(BuildPages(report_));
    EXPECT_EQ(report_.EMFPages().Count(), 0u);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    const std::string& text = LastGenerationError();
    EXPECT_EQ(boxes.boxes[0].text, text);
    EXPECT_EQ(text.rfind("An error occured during calculating\n[1 +]\n\nReport:", 0), 0u) << text;
    EXPECT_NE(text.find("Object: Bad\n"), std::string::npos) << text;
}

TEST_F(TrpGenerationTest, ScriptChangesAreUndoneAfterGeneration) {
    TrpBandView& band = build_.Band(btMasterData, 0, 20, "2");
    band.Memo = {"Row.Left := 200"};
    TrpMemoView& row = build_.Memo(10, 0, 50, 18, {"x"}, "Row");
    row.ScriptText = {"Memo.Add('y')"};
    ASSERT_TRUE(BuildPages(report_));
    auto rows = FindPrinted(report_, "Row");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].object.left, 200);
    TrpView* after = report_.FindObject("Row");
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->Left, 10);
    EXPECT_EQ(after->Top, 0);
    EXPECT_EQ(after->Memo, TrpStrings{"x"});
    EXPECT_EQ(after->ScriptText, TrpStrings{"Memo.Add('y')"});
}

} // namespace
} // namespace report

namespace report {
namespace {

class RecordingSinks : public TrpPreviewSink, public TrpProgressSink {
public:
    RecordingSinks() {
        previousPreview_ = SetPreviewSink(this);
        previousProgress_ = SetProgressSink(this);
    }
    ~RecordingSinks() override {
        SetPreviewSink(previousPreview_);
        SetProgressSink(previousProgress_);
    }
    void ShowPreview(TrpReport&, const std::string& caption) override {
        previews.push_back(caption);
    }
    void Run(TrpReport&, const std::string& caption, const std::string& label,
             const std::function<void()>& build) override {
        captions.push_back(caption);
        labels.push_back(label);
        build();
    }
    void SetLabel(const std::string& label) override { labels.push_back(label); }
    void ProcessEvents() override {}

    std::vector<std::string> previews, captions, labels;

private:
    TrpPreviewSink* previousPreview_;
    TrpProgressSink* previousProgress_;
};

TEST(TrpGenerationSinksTest, RunReportBuildsUnderTheProgressWindowAndShowsThePreview) {
    layout_test::EnsureGuiApplication();
    RecordingSinks sinks;
    testing::OwnedReport owned;
    TrpReport& report = *owned;
    report.ShowProgress = true;
    report.Title = "Payees";
    report.TwoPass = true;
    TemplateBuilder build(report);
    build.Band(btMasterData, 0, 20, "2");
    build.Memo(0, 0, 50, 18, {"x"}, "D");
    RunReport(report);
    ASSERT_EQ(sinks.captions.size(), 1u);
    EXPECT_EQ(sinks.captions[0], "Report preparing - Payees");
    EXPECT_EQ(sinks.labels.front(), "Performing 1st pass:  1");
    EXPECT_EQ(sinks.labels.back(), "Processing page:  2 from 1");
    ASSERT_EQ(sinks.previews.size(), 1u);
    EXPECT_EQ(sinks.previews[0], "Preview - Payees");

    // Without pages there is nothing to show.
    report.EMFPages().Clear();
    ShowPages(report);
    EXPECT_EQ(sinks.previews.size(), 1u);
}

} // namespace
} // namespace report

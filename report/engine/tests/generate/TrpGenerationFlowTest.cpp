// Generation flow: template pages continuing the previous sheet, reports
// repeated per record, pages formed by a handler, bands printed on request
// and moved by scripts, child bands of hidden bands, a Cancel in the final
// pass, highlights per record, footers at the end of a counted walk over a
// table, and the printer a report was stored with.
#include "TemplateBuilder.h"
#include "TrpDBDataSet.h"
#include "TrpGenerationInfo.h"
#include "TrpPreviewSeam.h"
#include "TrpPrinter.h"
#include "TrpReportGeneration.h"
#include "data/ReportTableSupport.h"
#include "layout/LayoutTestSupport.h"

#include <gtest/gtest.h>

namespace report {
namespace {

using testing::FindPrinted;
using testing::TemplateBuilder;

class TrpGenerationFlowTest : public testing::GenerationFixture {
protected:
    std::vector<std::string> Texts(std::size_t page) {
        std::vector<std::string> texts;
        for (const auto& object : testing::PrintedObjects(report_, page))
            texts.push_back(object.text);
        return texts;
    }
};

TEST_F(TrpGenerationFlowTest, PrintToPrevPageContinuesBelowThePreviousPage) {
    build_.Band(btMasterData, 0, 20, "3");
    build_.Memo(0, 0, 50, 18, {"[LINE#]"}, "Row");
    TrpPage& second = build_.AddPage();
    build_.Band(btReportTitle, 0, 30);
    build_.Memo(5, 0, 50, 18, {"Second"}, "Second");
    second.PrintToPrevPage = true;
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 1u);
    auto printed = FindPrinted(report_, "Second");
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].object.top, Bounds().top + 60);

    // Without the flag the second template page starts a sheet of its own.
    report_.Pages[1]->PrintToPrevPage = false;
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 2u);
    printed = FindPrinted(report_, "Second");
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].page, 1u);
    EXPECT_EQ(printed[0].object.top, Bounds().top);
}

TEST_F(TrpGenerationFlowTest, PrintToPrevPageOnAFullSheetStartsANewOne) {
    build_.Band(btReportTitle, 0, Room());
    TrpPage& second = build_.AddPage();
    build_.Band(btReportTitle, 0, 30);
    build_.Memo(0, 0, 50, 18, {"Second"}, "Second");
    second.PrintToPrevPage = true;
    ASSERT_TRUE(BuildPages(report_));
    auto printed = FindPrinted(report_, "Second");
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].page, 1u);
    EXPECT_EQ(printed[0].object.top, Bounds().top);
}

TEST_F(TrpGenerationFlowTest, MultipleReportRepeatsEveryPageForEachRecord) {
    TrpUserDataset& runs = build_.Records("Runs", 3);
    report_.Dataset = &runs;
    report_.ReportType = TrpReportType::rtMultiple;
    report_.OnGetValue = [&runs](const std::string& name, TrpValue& value) {
        if (name == "RUN")
            value = std::int64_t{runs.RecordNo() + 1};
    };
    build_.Band(btReportTitle, 0, 20);
    build_.Memo(0, 0, 80, 18, {"Run [RUN]"}, "Title");
    build_.Band(btMasterData, 40, 20, "2");
    build_.Memo(0, 40, 80, 18, {"[RUN].[LINE#]"}, "Row");
    ASSERT_TRUE(BuildPages(report_));
    ASSERT_EQ(report_.EMFPages().Count(), 3u);
    for (std::size_t p = 0; p < 3; ++p) {
        const std::string run = std::to_string(p + 1);
        EXPECT_EQ(Texts(p), (std::vector<std::string>{"Run " + run, run + ".1", run + ".2"}));
    }
}

TEST_F(TrpGenerationFlowTest, ManualBuildPrintsTheBandsItAsksForOnAStartedPage) {
    build_.Band(btPageFooter, 900, 20);
    build_.Memo(0, 900, 50, 18, {"Foot [PAGE#]"}, "Foot");
    build_.Band(btChild, 0, 25, {}, "Line");
    build_.Memo(0, 0, 50, 18, {"Line"}, "LineText");
    // The data loop does not run: this master band never prints.
    build_.Band(btMasterData, 100, 20, "3");
    build_.Memo(0, 100, 50, 18, {"Row"}, "Row");
    std::vector<int> ended;
    report_.OnEndPage = [&](int pgNo) { ended.push_back(pgNo); };
    int calls = 0;
    report_.OnManualBuild = [&](TrpPage* page) {
        ++calls;
        EXPECT_EQ(page, report_.Pages[0]);
        report_.Evaluate("SHOWBAND('Line')");
        report_.Evaluate("SHOWBAND('Line')");
    };
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(report_.EMFPages().Count(), 1u);
    auto lines = FindPrinted(report_, "LineText");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].object.top, Bounds().top);
    EXPECT_EQ(lines[1].object.top, Bounds().top + 25);
    EXPECT_TRUE(FindPrinted(report_, "Row").empty());
    auto foot = FindPrinted(report_, "Foot");
    ASSERT_EQ(foot.size(), 1u);
    EXPECT_EQ(foot[0].object.text, "Foot 1");
    EXPECT_EQ(ended, std::vector<int>{0});
}

TEST_F(TrpGenerationFlowTest, ShowBandAndCurYFromBandScripts) {
    TrpBandView& data = build_.Band(btMasterData, 0, 20, "4");
    // Record 2 asks for the extra band first; record 3 moves itself down.
    data.Memo = {"begin if [LINE#] = 2 then ShowBand('Extra');",
                 "if [LINE#] = 3 then CurY := CurY + 50 end"};
    build_.Memo(0, 0, 50, 18, {"[LINE#]"}, "Row");
    build_.Band(btChild, 100, 10, {}, "Extra");
    build_.Memo(0, 100, 50, 8, {"extra"}, "ExtraText");
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    const int top = Bounds().top;
    auto rows = FindPrinted(report_, "Row");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].object.top, top);
    EXPECT_EQ(rows[1].object.top, top + 30);
    EXPECT_EQ(rows[2].object.top, top + 50 + 50);
    EXPECT_EQ(rows[3].object.top, top + 120);
    auto extra = FindPrinted(report_, "ExtraText");
    ASSERT_EQ(extra.size(), 1u);
    EXPECT_EQ(extra[0].object.top, top + 20);
}

TEST_F(TrpGenerationFlowTest, ChildOfAHiddenBandPrintsOnlyWithPrintChildIfInvisible) {
    for (bool flag : {true, false}) {
        testing::OwnedReport owned;
        TrpReport& report = *owned;
        TemplateBuilder build(report);
        TrpBandView& data = build.Band(btMasterData, 0, 20, "3", "Data");
        data.Memo = {"Data.Visible := [LINE#] <> 2"};
        data.ChildBand = "Kid";
        if (flag)
            data.Flags |= kBandPrintChildIfInvisible;
        build.Memo(0, 0, 50, 18, {"D[LINE#]"}, "D");
        build.Band(btChild, 100, 10, {}, "Kid");
        build.Memo(0, 100, 50, 8, {"K[LINE#]"}, "K");
        ASSERT_TRUE(BuildPages(report)) << LastGenerationError();
        std::vector<std::string> order;
        for (const auto& object : testing::PrintedObjects(report, 0))
            order.push_back(object.text);
        const std::vector<std::string> expected =
            flag ? std::vector<std::string>{"D1", "K1", "K2", "D3", "K3"}
                 : std::vector<std::string>{"D1", "K1", "D3", "K3"};
        EXPECT_EQ(order, expected) << "flag " << flag;
    }
}

// A progress window whose Cancel is pressed when the label first shows
// the given text.
class CancellingProgress : public TrpProgressSink {
public:
    explicit CancellingProgress(std::string at) : at_(std::move(at)) {
        previous_ = SetProgressSink(this);
    }
    ~CancellingProgress() override { SetProgressSink(previous_); }
    void Run(TrpReport& report, const std::string&, const std::string&,
             const std::function<void()>& build) override {
        report_ = &report;
        build();
    }
    void SetLabel(const std::string& label) override {
        if (label == at_)
            report_->Terminated = true;
    }
    void ProcessEvents() override {}

private:
    std::string at_;
    TrpReport* report_ = nullptr;
    TrpProgressSink* previous_;
};

TEST_F(TrpGenerationFlowTest, CancelKeepsTheFinalPassPagesAndDropsTheFirstPassOnes) {
    const int perPage = Room() / 20;
    build_.Band(btMasterData, 0, 20, std::to_string(perPage * 3 + 1)); // four pages
    build_.Memo(0, 0, 50, 18, {"[LINE#]"}, "Row");
    report_.TwoPass = true;
    report_.ShowProgress = true;
    {
        // Pressed as the second page is full: the third page starts with
        // the band that did not fit, and nothing follows.
        CancellingProgress cancel("Processing page:  2 from 4");
        EXPECT_FALSE(BuildPages(report_));
    }
    ASSERT_EQ(report_.EMFPages().Count(), 3u);
    auto printed = FindPrinted(report_, "Row");
    ASSERT_EQ(printed.size(), static_cast<std::size_t>(perPage * 2 + 1));
    EXPECT_EQ(printed.front().object.text, "1");
    EXPECT_EQ(printed.back().page, 2u);
    EXPECT_EQ(printed.back().object.text, std::to_string(perPage * 2 + 1));
    EXPECT_TRUE(report_.TwoPass);
    {
        CancellingProgress cancel("Performing 1st pass:  2");
        EXPECT_FALSE(BuildPages(report_));
    }
    EXPECT_EQ(report_.EMFPages().Count(), 0u);
}

TEST_F(TrpGenerationFlowTest, HighlightFollowsItsConditionOnEachRecord) {
    build_.Band(btMasterData, 0, 20, "3");
    TrpMemoView& row = build_.Memo(0, 0, 50, 18, {"[LINE#]"}, "Row");
    row.FillColor = kClWhite;
    row.Highlight.Condition = "LINE# = 2";
    row.Highlight.FillColor = 0x0000FF;
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    TrpPage& page = report_.EMFPages().BuildPage(0);
    ASSERT_EQ(page.Count(), 3u);
    EXPECT_EQ(page.Object(0)->FillColor, kClWhite);
    EXPECT_EQ(page.Object(1)->FillColor, 0x0000FFu);
    EXPECT_EQ(page.Object(2)->FillColor, kClWhite);
    // The template keeps its own colour.
    EXPECT_EQ(report_.FindObject("Row")->FillColor, kClWhite);

    // A condition that does not parse is the object's calculation error.
    testing::RecordingMessageBoxes boxes;
    static_cast<TrpMemoView*>(report_.FindObject("Row"))->Highlight.Condition = "LINE# =";
    EXPECT_FALSE(BuildPages(report_));
    EXPECT_NE(LastGenerationError().find("Object: Row"), std::string::npos);
}

TEST_F(TrpGenerationFlowTest, PartsOfABreakableBandAlignAgainstTheirOwnPart) {
    std::vector<std::string> lines(300, "line");
    TrpBandView& band = build_.Band(btMasterData, 0, 40, "1");
    band.Flags |= kFlagStretched | kBandBreaked;
    build_.Memo(0, 0, 200, 20, lines, "Long");
    TrpMemoView& foot = build_.Memo(300, 20, 50, 30, {"f"}, "Foot");
    foot.BandAlign = kAlignBottom;
    foot.Flags &= ~kFlagStretched;
    TrpMemoView& wide = build_.Memo(300, 0, 10, 10, {"w"}, "Wide");
    wide.BandAlign = kAlignWidth;
    wide.Flags &= ~kFlagStretched;
    ASSERT_TRUE(BuildPages(report_)) << LastGenerationError();
    ASSERT_GE(report_.EMFPages().Count(), 2u);
    // Both lie in the first part, which fills the first page down to the
    // break margin above the bottom.
    auto printedFoot = FindPrinted(report_, "Foot");
    ASSERT_EQ(printedFoot.size(), 1u);
    EXPECT_EQ(printedFoot[0].page, 0u);
    EXPECT_EQ(printedFoot[0].object.top, Bounds().bottom - 2 - 30);
    auto printedWide = FindPrinted(report_, "Wide");
    ASSERT_EQ(printedWide.size(), 1u);
    EXPECT_EQ(printedWide[0].object.left, 0);
    EXPECT_EQ(printedWide[0].object.width, 600);
}

// A platform with one printer, "Office", current.
class OnePrinter : public TrpPrinterBackend {
public:
    std::vector<std::string> PrinterNames() override { return {"Office"}; }
    int CurrentPrinter() override { return 0; }
    bool MakeCurrent(int) override { return true; }
    std::optional<TrpDeviceInfo> ReadDevice() override {
        TrpDeviceInfo d;
        d.device = "Office";
        d.paperCode = 9;
        d.dpiX = d.dpiY = 600;
        d.physicalWidth = 4961;
        d.physicalHeight = 7016;
        d.pageWidth = 4761;
        d.pageHeight = 6816;
        d.paperCodes = {9};
        d.paperNames = {"A4"};
        return d;
    }
    bool ApplyDeviceMode(const TrpDeviceMode&) override { return true; }
    bool Printing() override { return false; }
};

TEST_F(TrpGenerationFlowTest, GenerationStartsOnTheStoredPrinterUnlessTheDefaultIsKept) {
    OnePrinter office;
    Printer().AttachPrinter(&office);
    build_.Band(btMasterData, 0, 20, "1");
    report_.PrinterName = kVirtualPrinterName;
    report_.UseDefaultPrinter = true;
    EXPECT_TRUE(BuildPages(report_));
    EXPECT_EQ(Printer().PrinterIndex(), 0);
    // A template stores the printer selected when it is saved: the
    // generation's reload gives the report that name.
    EXPECT_EQ(report_.PrinterName, "Office");
    report_.PrinterName = kVirtualPrinterName;
    report_.UseDefaultPrinter = false;
    EXPECT_TRUE(BuildPages(report_));
    EXPECT_TRUE(Printer().VirtualSelected());
    report_.PrinterName = "Office";
    EXPECT_TRUE(BuildPages(report_));
    EXPECT_EQ(Printer().PrinterIndex(), 0);
    Printer().AttachPrinter(nullptr);
}

// A counted walk over a table ends with the table standing on the record
// after the last one walked; footers must not read that record.
class TrpGenerationWalkEndTest : public test::ReportTableTest {
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

TEST_F(TrpGenerationWalkEndTest, FootersAtTheEndReadTheLastRecordWalked) {
    Fill(5);
    link_->RangeEnd = TRangeEnd::reCount;
    link_->RangeEndCount = 2;
    TemplateBuilder build(*report_);
    build.Band(btGroupHeader, 0, 20, "1");
    build.Band(btMasterData, 40, 20, "rpData");
    build.Memo(0, 40, 80, 18, {"[Name]"}, "Row");
    build.Band(btGroupFooter, 80, 20);
    build.Memo(0, 80, 80, 18, {"group [Name]"}, "GF");
    build.Band(btMasterFooter, 120, 20);
    build.Memo(0, 120, 80, 18, {"end [Name]"}, "MF");
    ASSERT_TRUE(BuildPages(*report_)) << LastGenerationError();
    std::vector<std::string> order;
    for (const auto& object : testing::PrintedObjects(*report_, 0))
        order.push_back(object.text);
    EXPECT_EQ(order, (std::vector<std::string>{"R1", "R2", "group R2", "end R2"}));

    // A walk that ends with the table leaves the table where it stands.
    link_->RangeEndCount = 5;
    ASSERT_TRUE(BuildPages(*report_)) << LastGenerationError();
    order.clear();
    for (const auto& object : testing::PrintedObjects(*report_, 0))
        order.push_back(object.text);
    ASSERT_EQ(order.size(), 7u);
    EXPECT_EQ(order[5], "group R5");
    EXPECT_EQ(order[6], "end R5");
}

} // namespace
} // namespace report

// The summary template as the build writes it beside the executables: it
// loads back with its bands, its data link and the variables the program
// sets, and every text object lies inside its band and the page margins.
// Also the summary's components: the variables evaluate to the plain texts.
#include "THeadlessGui.h"
#include "TSummaryReport.h"
#include "TSummaryTemplate.h"
#include "TrpBandView.h"
#include "TrpMemoView.h"
#include "TrpReport.h"
#include "VirtualPaperTable.h"
#include "tabula/Component.h"
#include "tabula/TabulaTable.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

using namespace morvane;
using namespace report;

class SummaryTemplateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_ = new THeadlessGui(); }
    static void TearDownTestSuite() {
        delete gui_;
        gui_ = nullptr;
    }
    static inline THeadlessGui* gui_ = nullptr;

    static std::string BuiltTemplate() { return SummaryTemplatePath(MORVANE_BIN_DIR); }

    static std::map<std::string, TrpBandView*> Bands(const TrpPage& page) {
        std::map<std::string, TrpBandView*> bands;
        for (std::size_t i = 0; i < page.Count(); ++i)
            if (auto* band = dynamic_cast<TrpBandView*>(page.Object(i)))
                bands[band->Name] = band;
        return bands;
    }

    // Every memo line of the page, joined.
    static std::string AllText(const TrpPage& page) {
        std::string text;
        for (std::size_t i = 0; i < page.Count(); ++i)
            if (auto* memo = dynamic_cast<TrpMemoView*>(page.Object(i)))
                for (const std::string& line : memo->Memo)
                    text += line + "\n";
        return text;
    }
};

TEST_F(SummaryTemplateTest, BuiltFileLoadsWithItsBandsAndDataLink) {
    TrpReport loaded;
    ASSERT_TRUE(loaded.LoadFromFile(BuiltTemplate())) << BuiltTemplate();
    EXPECT_TRUE(loaded.TwoPass) << "the footer's page total needs two passes";
    ASSERT_EQ(loaded.Pages.Count(), 1u);
    const TrpPage& page = *loaded.Pages[0];
    EXPECT_EQ(page.PaperSize, kA4PaperCode);
    EXPECT_EQ(page.Orientation, TrpOrientation::Portrait);

    const auto bands = Bands(page);
    const std::map<std::string, TrpBandType> expected{
        {TSummaryTemplateNames::kTitleBand, btReportTitle},
        {TSummaryTemplateNames::kPageHeaderBand, btPageHeader},
        {TSummaryTemplateNames::kMasterDataBand, btMasterData},
        {TSummaryTemplateNames::kPageFooterBand, btPageFooter},
        {TSummaryTemplateNames::kSummaryBand, btReportSummary},
    };
    ASSERT_EQ(bands.size(), expected.size());
    for (const auto& [name, type] : expected) {
        ASSERT_TRUE(bands.count(name)) << name;
        EXPECT_EQ(bands.at(name)->BandType(), type) << name;
    }
    EXPECT_EQ(bands.at(TSummaryTemplateNames::kMasterDataBand)->FormatPattern,
              kSummaryDataSetName);

    const std::string text = AllText(page);
    for (const char* needed :
         {"Payee registration summary", "[comId]", "[hashValue]", "[recordcount]", "[No]",
          "[Product]", "[AccountNumber]", "[AccountName]", "[Ref1]", "[Action]",
          "Page [PAGE#] of [TOTALPAGES]", "Action = 'Special Add'", "[COUNT(MasterData1)]"})
        EXPECT_NE(text.find(needed), std::string::npos) << needed;
}

// Objects belong to the band whose rows they lie in; one that sticks out
// would print with the neighbouring band or off the paper.
TEST_F(SummaryTemplateTest, TextObjectsLieInsideTheirBandAndTheMargins) {
    TrpReport loaded;
    ASSERT_TRUE(loaded.LoadFromFile(BuiltTemplate()));
    const TrpPage& page = *loaded.Pages[0];
    const TrpPageBounds bounds = page.Bounds();
    const auto bands = Bands(page);
    int memos = 0;
    for (std::size_t i = 0; i < page.Count(); ++i) {
        auto* memo = dynamic_cast<TrpMemoView*>(page.Object(i));
        if (memo == nullptr)
            continue;
        ++memos;
        EXPECT_GE(memo->Left, bounds.left) << memo->Name;
        EXPECT_LE(memo->Left + memo->Width, bounds.right) << memo->Name;
        int holders = 0;
        for (const auto& [name, band] : bands)
            if (memo->Top >= band->Top && memo->Top + memo->Height <= band->Top + band->Height)
                ++holders;
        EXPECT_EQ(holders, 1) << memo->Name << " " << memo->Memo.at(0);
    }
    EXPECT_GT(memos, 20);
}

// What the program puts into the dictionary reaches a template as the plain
// text, even with a quote in it.
TEST_F(SummaryTemplateTest, VariablesEvaluateToThePlainTexts) {
    tabula::TComponent owner;
    tabula::TTabulaTable table;
    TSummaryReport summary(owner, table);
    summary.SetVariables("O'NEIL", "ABC'", 3);
    TrpReport& report = summary.rpReport1();
    EXPECT_EQ(report.Evaluate("comId").ToText(), "O'NEIL");
    EXPECT_EQ(report.Evaluate("hashValue").ToText(), "ABC'");
    EXPECT_EQ(report.Evaluate("recordcount").ToText(), "3");
    EXPECT_EQ(report.Evaluate("recordcount + 'x'").ToText(), "3x") << "the count is text";
    const TrpVariables& variables = report.Dictionary.Variables;
    ASSERT_EQ(variables.Count(), 3);
    EXPECT_EQ(variables.Name(0), "comId");
    EXPECT_EQ(variables.Name(1), "hashValue");
    EXPECT_EQ(variables.Name(2), "recordcount");
}

// A missing file loads nothing and keeps the template the report had.
TEST_F(SummaryTemplateTest, MissingTemplateKeepsTheCurrentOne) {
    tabula::TComponent owner;
    tabula::TTabulaTable table;
    TSummaryReport summary(owner, table);
    ASSERT_TRUE(summary.LoadTemplate(BuiltTemplate()));
    EXPECT_FALSE(summary.LoadTemplate(BuiltTemplate() + ".missing"));
    ASSERT_EQ(summary.rpReport1().Pages.Count(), 1u);
    EXPECT_EQ(Bands(*summary.rpReport1().Pages[0]).size(), 5u);
}

} // namespace

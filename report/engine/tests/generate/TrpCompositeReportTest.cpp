// Composite reports: the member reports generate one after another into
// the composite's pages, a member can continue the previous member's last
// sheet, the composite hears every page begin and end, a stop in one
// member ends the whole, and every member's template is put back.
#include "TrpCompositeReport.h"

#include "TemplateBuilder.h"
#include "TrpReportGeneration.h"

#include <gtest/gtest.h>
#include <list>

namespace report {
namespace {

using testing::FindPrinted;
using testing::TemplateBuilder;

class TrpCompositeReportTest : public testing::GenerationFixture {
protected:
    TrpCompositeReportTest() : composite_(new TrpCompositeReport(&owner_)) {
        composite_->ShowProgress = false;
    }
    // A member with rows of the given name on a master band over count
    // records, and a page footer "Foot" showing the page of all pages.
    TrpReport& Member(const std::string& name, int count, bool footer = false) {
        testing::OwnedReport& owned = members_.emplace_back();
        TemplateBuilder build(*owned);
        build.Band(btMasterData, 0, 20, std::to_string(count));
        build.Memo(0, 0, 80, 18, {name + "[LINE#]"}, name);
        if (footer) {
            build.Band(btPageFooter, 900, 20);
            build.Memo(0, 900, 80, 18, {"[PAGE#]/[TOTALPAGES]"}, "Foot");
        }
        composite_->Reports.push_back(&*owned);
        return *owned;
    }
    int Top() { return composite_->Reports[0]->Pages[0]->Bounds().top; }

    tabula::TComponent owner_;
    TrpCompositeReport* composite_;
    std::list<testing::OwnedReport> members_;
};

TEST_F(TrpCompositeReportTest, MembersFollowEachOtherOnPagesOfTheirOwn) {
    Member("A", 2);
    Member("B", 3);
    std::vector<int> begun, ended;
    composite_->OnBeginPage = [&](int pgNo) { begun.push_back(pgNo); };
    composite_->OnEndPage = [&](int pgNo) { ended.push_back(pgNo); };
    ASSERT_TRUE(BuildPages(*composite_)) << LastGenerationError();
    ASSERT_EQ(composite_->EMFPages().Count(), 2u);
    auto a = FindPrinted(*composite_, "A");
    auto b = FindPrinted(*composite_, "B");
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(a[1].object.text, "A2");
    EXPECT_EQ(b[0].page, 1u);
    EXPECT_EQ(b[0].object.top, Top());
    EXPECT_EQ(b[2].object.text, "B3");
    EXPECT_EQ(begun, (std::vector<int>{0, 1}));
    EXPECT_EQ(ended, (std::vector<int>{0, 1}));
    // The members keep no pages of their own.
    EXPECT_EQ(composite_->Reports[0]->EMFPages().Count(), 0u);
    EXPECT_EQ(composite_->Reports[1]->EMFPages().Count(), 0u);
}

TEST_F(TrpCompositeReportTest, MemberWithPrintToPrevPageContinuesThePreviousSheet) {
    Member("A", 2);
    TrpReport& second = Member("B", 1);
    second.Pages[0]->PrintToPrevPage = true;
    std::vector<int> memberBegun;
    second.OnBeginPage = [&](int pgNo) { memberBegun.push_back(pgNo); };
    ASSERT_TRUE(BuildPages(*composite_)) << LastGenerationError();
    ASSERT_EQ(composite_->EMFPages().Count(), 1u);
    auto b = FindPrinted(*composite_, "B");
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].page, 0u);
    EXPECT_EQ(b[0].object.top, Top() + 40);
    // B started no page of its own, so it heard of none.
    EXPECT_TRUE(memberBegun.empty());
}

TEST_F(TrpCompositeReportTest, StopInOneMemberEndsTheCompositeAndTemplatesComeBack) {
    TrpReport& first = Member("A", 5);
    Member("B", 2);
    TrpBandView* band = nullptr;
    for (std::size_t i = 0; i < first.Pages[0]->Count(); ++i)
        if (auto* b = dynamic_cast<TrpBandView*>(first.Pages[0]->Object(i)))
            band = b;
    ASSERT_NE(band, nullptr);
    band->Memo = {"begin A.Left := 100;", "if [LINE#] = 3 then StopReport end"};
    BuildPages(*composite_);
    auto a = FindPrinted(*composite_, "A");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].object.left, 100);
    EXPECT_TRUE(FindPrinted(*composite_, "B").empty());
    EXPECT_EQ(composite_->Reports[0]->FindObject("A")->Left, 0);
    EXPECT_FALSE(composite_->Reports[0]->Generating);

    // Generating again runs both members in full.
    for (std::size_t i = 0; i < first.Pages[0]->Count(); ++i)
        if (auto* b = dynamic_cast<TrpBandView*>(first.Pages[0]->Object(i)))
            b->Memo.clear();
    ASSERT_TRUE(BuildPages(*composite_)) << LastGenerationError();
    EXPECT_EQ(FindPrinted(*composite_, "A").size(), 5u);
    EXPECT_EQ(FindPrinted(*composite_, "B").size(), 2u);
}

TEST_F(TrpCompositeReportTest, TwoPassCountsThePagesOfEveryMember) {
    Member("A", 1);
    Member("B", 1, true);
    composite_->TwoPass = true;
    ASSERT_TRUE(BuildPages(*composite_)) << LastGenerationError();
    auto foot = FindPrinted(*composite_, "Foot");
    ASSERT_EQ(foot.size(), 1u);
    EXPECT_EQ(foot[0].object.text, "2/2");
    EXPECT_TRUE(composite_->TwoPass);
}

} // namespace
} // namespace report

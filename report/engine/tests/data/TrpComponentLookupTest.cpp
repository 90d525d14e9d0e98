// Component names of templates: lookup among the owner's components and
// the forms, and the data sources of bands (counts, report datasets, wrong
// classes, missing components).
#include "TrpComponentLookup.h"

#include "ReportTableSupport.h"
#include "TrpBandDataSource.h"
#include "TrpDBDataSet.h"
#include "TrpDataErrors.h"
#include "TrpForm.h"

namespace report::test {
namespace {

tabula::TComponent* Named(tabula::TComponent* owner, const std::string& name) {
    auto* component = new tabula::TComponent(owner);
    component->SetName(name);
    return component;
}

std::string MissingText(const TrpLookupContext& context, const std::string& name) {
    try {
        FindReportComponent(context, name);
    } catch (const EClassNotFound& error) {
        return error.what();
    }
    return "no error";
}

TEST(TrpComponentLookupTest, NamesWithZeroOneAndTwoDots) {
    tabula::TComponent owner, form;
    form.SetName("MainForm");
    tabula::TComponent* a = Named(&owner, "Alpha");
    tabula::TComponent* onForm = Named(&form, "Beta");
    tabula::TComponent* panel = Named(&form, "Panel");
    tabula::TComponent* inPanel = Named(panel, "Gamma");
    const TrpLookupContext context{&owner, {&form}};

    EXPECT_EQ(FindReportComponent(context, "alpha"), a);
    EXPECT_EQ(FindReportComponent(context, "mainform.BETA"), onForm);
    EXPECT_EQ(FindReportComponent(context, "MainForm.Panel.Gamma"), inPanel);
    EXPECT_EQ(FindReportComponent(context, "Nothing"), nullptr);
    EXPECT_EQ(FindReportComponent(context, "MainForm.Nothing"), nullptr);
    EXPECT_EQ(FindReportComponent(context, "Beta"), nullptr) << "forms are not searched bare";

    EXPECT_EQ(MissingText(context, "Other.Beta"), "Missing Other.Beta");
    EXPECT_EQ(MissingText(context, "MainForm.None.Gamma"), "Missing MainForm.None.Gamma");
    EXPECT_EQ(MissingText(context, "A.B.C.D"), "Missing A.B.C.D");
    EXPECT_EQ(MissingText(context, "MainForm."), "Missing MainForm.");
    EXPECT_EQ(MissingText(TrpLookupContext{}, "Alpha"), "Missing Alpha");
}

class TrpBandDataSourceTest : public ReportTableTest {};

TEST_F(TrpBandDataSourceTest, CountTextPrintsThatManyTimesWithoutData) {
    TrpBandDataSource source = ResolveBandDataSource({owner_.get(), {}}, "3");
    ASSERT_NE(source.owned, nullptr);
    ASSERT_EQ(source.dataset, source.owned.get());
    int prints = 0;
    TrpDataset& dataset = *source.dataset;
    for (dataset.First(); !dataset.Eof() && prints < 10; dataset.Next())
        ++prints;
    EXPECT_EQ(prints, 3);

    EXPECT_EQ(ResolveBandDataSource({owner_.get(), {}}, "12").owned->RangeEndCount, 12);
    EXPECT_THROW(ResolveBandDataSource({owner_.get(), {}}, "3x"), EConvertError);
    EXPECT_THROW(ResolveBandDataSource({owner_.get(), {}}, "99999999999"), EConvertError);
    // "0..." is no count: it is looked up as a name and finds nothing.
    EXPECT_EQ(ResolveBandDataSource({owner_.get(), {}}, "0").dataset, nullptr);
    EXPECT_EQ(ResolveBandDataSource({owner_.get(), {}}, "").dataset, nullptr);
}

TEST_F(TrpBandDataSourceTest, ComponentNamesMustBeReportDatasets) {
    Fill(2);
    table_->Close();
    auto* link = new TrpDBDataSet(owner_.get());
    link->SetName("ReportLink");
    link->SetDataSet(table_);
    const TrpLookupContext context{owner_.get(), {}};

    TrpBandDataSource source = ResolveBandDataSource(context, "reportlink");
    EXPECT_EQ(source.dataset, link);
    EXPECT_EQ(source.owned, nullptr);
    EXPECT_TRUE(table_->Active()) << "the walk was opened";
    link->CloseRange();

    try {
        ResolveBandDataSource(context, "T");
        FAIL() << "a table is not a report dataset";
    } catch (const EInvalidCast& error) {
        EXPECT_STREQ(error.what(), "Invalid class typecast");
    }
    EXPECT_EQ(ResolveBandDataSource(context, "Absent").dataset, nullptr);
    EXPECT_THROW(ResolveBandDataSource(context, "NoForm.Link"), EClassNotFound);
}

TEST(TrpUserDatasetTest, CheckEofDecidesOpenEndedWalks) {
    TrpUserDataset dataset;
    int steps = 0;
    dataset.OnCheckEOF = [&](TrpDataset& sender, bool& eof) { eof = sender.RecordNo() >= 4; };
    for (dataset.First(); !dataset.Eof(); dataset.Next())
        ++steps;
    EXPECT_EQ(steps, 4);

    dataset.RangeEnd = TRangeEnd::reCount;
    dataset.RangeEndCount = 1;
    dataset.OnCheckEOF = [](TrpDataset&, bool& eof) { eof = false; };
    dataset.First();
    dataset.Next();
    EXPECT_FALSE(dataset.Eof()) << "OnCheckEOF overrules the count";
    int priors = 0;
    dataset.OnPrior = [&](TrpDataset&) { ++priors; };
    dataset.Prior();
    EXPECT_EQ(dataset.RecordNo(), 0);
    EXPECT_EQ(priors, 1);
}

} // namespace
} // namespace report::test

namespace report::test {
namespace {

// A report owned by one form reaches another form's components by
// "Form.Name"; a destroyed form is gone from the lookup, not dangling.
TEST(TrpComponentLookupTest, ApplicationFormsJoinAndLeave) {
    TrpForm reportForm("ReportForm");
    tabula::TComponent* local = Named(&reportForm, "Local");
    auto* other = new TrpForm("Validation");
    tabula::TComponent* table = Named(other, "dbDetail");

    EXPECT_EQ(FindReportComponent(LookupContextOf(&reportForm), "Local"), local);
    EXPECT_EQ(FindReportComponent(LookupContextOf(&reportForm), "validation.DBDETAIL"), table);
    delete other;
    EXPECT_EQ(MissingText(LookupContextOf(&reportForm), "Validation.dbDetail"),
              "Missing Validation.dbDetail");
}

} // namespace
} // namespace report::test

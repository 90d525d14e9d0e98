// Report objects: defaults, default naming and look-up, named properties
// and methods per class, and the declared property lists scripts check.
#include "TrpBandRuntime.h"
#include "TrpBandView.h"
#include "TrpLineView.h"
#include "TrpMemoView.h"
#include "TrpObjectFactory.h"
#include "TrpPictureView.h"
#include "TrpReport.h"
#include "TrpSubReportView.h"
#include "TrpUserDataset.h"
#include "TrpValueConvert.h"
#include "tabula/FormatSettings.h"

#include <gtest/gtest.h>

using namespace report;

namespace {

struct TrpReportModelTest : ::testing::Test {
    TrpReport report;
    TrpPage* page = report.Pages.Add();

    template <class T> T* Create(int code) { return dynamic_cast<T*>(page->CreateView(code)); }
};

std::string Text(const TrpValue& v) {
    return ValueToText(v);
}

} // namespace

TEST(TrpReportObjectsTest, NewTextObjectHasItsDefaults) {
    auto view = CreateReportObject(kTypeMemo);
    auto* memo = dynamic_cast<TrpMemoView*>(view.get());
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->ObjectType, kTypeMemo);
    EXPECT_EQ(memo->Flags, 67);
    EXPECT_EQ(memo->Font, TrpFont{});
    EXPECT_EQ(memo->Font.Name, "Arial");
    EXPECT_EQ(memo->Font.Size, 10);
    EXPECT_EQ(memo->Font.Style, 0);
    EXPECT_EQ(memo->Font.Color, kClBlack);
    EXPECT_EQ(memo->LineSpacing, 2);
    EXPECT_EQ(memo->GapX, 2);
    EXPECT_EQ(memo->GapY, 1);
    EXPECT_EQ(memo->FillColor, 0x1FFFFFFFu);
    EXPECT_EQ(memo->FormatCode,
              static_cast<unsigned char>(tabula::TFormatSettings::Global().decimalSeparator) + 512);
    EXPECT_EQ(memo->Highlight.FontStyle, kFontBold);
    EXPECT_EQ(memo->Highlight.FontColor, kClBlack);
    EXPECT_EQ(memo->Highlight.FillColor, 0xFFFFFFu);
    EXPECT_DOUBLE_EQ(memo->FrameWidth, 1.0);
    EXPECT_EQ(memo->ObjectVersionMajor, 2);
    EXPECT_EQ(memo->ObjectVersionMinor, 0);
}

TEST(TrpReportObjectsTest, EachTypeCodeMakesItsClassWithGrowingIds) {
    auto band = CreateReportObject(kTypeBand);
    auto picture = CreateReportObject(kTypePicture);
    auto sub = CreateReportObject(kTypeSubReport);
    auto line = CreateReportObject(kTypeLine);
    ASSERT_TRUE(band && picture && sub && line);
    EXPECT_EQ(band->NamePrefix, "Band");
    EXPECT_EQ(band->Flags, 48);
    EXPECT_EQ(band->FormatCode, 0);
    EXPECT_EQ(band->ObjectVersionMinor, 1);
    EXPECT_EQ(picture->NamePrefix, "Picture");
    EXPECT_EQ(picture->Flags, 5);
    EXPECT_EQ(sub->NamePrefix, "SubReport");
    EXPECT_EQ(line->NamePrefix, "Line");
    EXPECT_EQ(line->FrameTyp, kFrameLeft);
    EXPECT_LT(band->ObjectId, picture->ObjectId);
    EXPECT_LT(picture->ObjectId, line->ObjectId);
    auto* bandView = dynamic_cast<TrpBandView*>(band.get());
    EXPECT_EQ(bandView->Columns, 1);
    EXPECT_EQ(bandView->ColumnWidth, 200);
    EXPECT_EQ(bandView->ColumnGap, 20);
    EXPECT_EQ(bandView->NewColumnAfter, 1);
    // No extension class is registered; unknown codes make nothing.
    EXPECT_EQ(CreateReportObject(kTypeExtension, "TrpDBLookupControl"), nullptr);
    EXPECT_EQ(CreateReportObject(7), nullptr);
}

TEST_F(TrpReportModelTest, DefaultNamesTakeTheSmallestFreeNumberOverTheReport) {
    TrpView* first = page->CreateView(kTypeMemo);
    EXPECT_EQ(first->Name, "Memo1");
    // Names on other pages count too, and case does not matter.
    TrpPage* second = report.Pages.Add();
    EXPECT_EQ(second->Name, "Page2");
    TrpView* other = second->CreateView(kTypeMemo);
    EXPECT_EQ(other->Name, "Memo2");
    page->Delete(0);
    EXPECT_EQ(page->CreateView(kTypeMemo)->Name, "Memo1");
    other->Name = "MEMO3";
    EXPECT_EQ(page->CreateView(kTypeMemo)->Name, "Memo2");
    EXPECT_EQ(page->CreateView(kTypeBand)->Name, "Band1");

    EXPECT_EQ(report.FindObject("memo3"), other);
    EXPECT_EQ(report.FindObject("Band1"), page->Object(2));
    EXPECT_EQ(report.FindObject("Memo9"), nullptr);

    // Pages reuse the lowest free number too.
    report.Pages.Delete(0);
    EXPECT_EQ(report.Pages.Add()->Name, "Page1");
}

TEST_F(TrpReportModelTest, DefaultNamingGivesUpAfterTenThousand) {
    for (int n = 1; n <= kMaxDefaultNameNumber; ++n)
        page->Add(CreateReportObject(kTypeLine))->Name = "Line" + std::to_string(n);
    EXPECT_EQ(report.FreeObjectName("Line"), "");
    EXPECT_EQ(report.FreeObjectName("Memo"), "Memo1");
}

TEST_F(TrpReportModelTest, CommonNamedPropertiesReadAndWrite) {
    auto* memo = Create<TrpMemoView>(kTypeMemo);
    memo->SetPropertyValue("left", std::int64_t{12});
    memo->SetPropertyValue("Top", std::string("34"));
    memo->SetPropertyValue("FRAMEWIDTH", 2.5);
    memo->SetPropertyValue("framecolor", std::int64_t{0xFF});
    memo->SetPropertyValue("Visible", std::string("False"));
    memo->SetPropertyValue("Memo", std::string("one\r\ntwo\nthree"));
    memo->SetPropertyValue("Stretched", false);
    memo->SetPropertyValue("BandAlign", std::int64_t{kAlignCenter});
    memo->SetPropertyValue("NoSuchProperty", std::int64_t{1});
    EXPECT_EQ(memo->Left, 12);
    EXPECT_EQ(memo->Top, 34);
    EXPECT_DOUBLE_EQ(memo->FrameWidth, 2.5);
    EXPECT_EQ(memo->FrameColor, 0xFFu);
    EXPECT_FALSE(memo->Visible);
    EXPECT_EQ(memo->Memo, (TrpStrings{"one", "two", "three"}));
    EXPECT_EQ(memo->Flags, 66);
    EXPECT_EQ(memo->BandAlign, kAlignCenter);

    EXPECT_EQ(Text(memo->GetPropertyValue("memo")), "one\r\ntwo\r\nthree");
    EXPECT_EQ(ValueToInt(memo->GetPropertyValue("MEMO.COUNT")), 3);
    EXPECT_EQ(ValueToInt(memo->GetPropertyValue("Lines.Count")), 3);
    EXPECT_EQ(Text(memo->GetPropertyValue("DATAFIELD")), "one");
    EXPECT_TRUE(IsNull(memo->GetPropertyValue("NoSuchProperty")));

    // DATAFIELD sets the whole text; with no lines it reads as empty text.
    memo->SetPropertyValue("DataField", std::string(""));
    EXPECT_TRUE(memo->Memo.empty());
    TrpValue empty = memo->GetPropertyValue("DATAFIELD");
    ASSERT_TRUE(empty.IsText());
    EXPECT_EQ(empty.AsText(), "");
}

TEST_F(TrpReportModelTest, TextObjectFontAndFlagProperties) {
    auto* memo = Create<TrpMemoView>(kTypeMemo);
    memo->SetPropertyValue("FONT.STYLE", std::int64_t{2});
    EXPECT_EQ(memo->Font.Style, kFontBold);
    memo->SetPropertyValue("Font.Style", std::int64_t{1});
    EXPECT_EQ(memo->Font.Style, kFontItalic);
    memo->SetPropertyValue("font.name", std::string("Courier New"));
    memo->SetPropertyValue("FONT.SIZE", 12.0);
    memo->SetPropertyValue("FONT.COLOR", std::int64_t{0xFF0000});
    EXPECT_EQ(memo->Font.Name, "Courier New");
    EXPECT_EQ(memo->Font.Size, 12);
    EXPECT_EQ(memo->Font.Color, 0xFF0000u);

    memo->SetPropertyValue("WordWrap", false);
    memo->SetPropertyValue("Underlines", true);
    memo->SetPropertyValue("HIDEZEROS", std::int64_t{0});
    EXPECT_EQ(memo->Flags, kFlagStretched | kMemoUnderlines);
    EXPECT_EQ(memo->GetPropertyValue("UNDERLINES"), TrpValue(true));
    EXPECT_EQ(memo->GetPropertyValue("TextOnly"), TrpValue(false));
    memo->SetPropertyValue("ALIGNMENT", std::int64_t{kTextAlignCenter | kTextAlignBottom});
    EXPECT_EQ(ValueToInt(memo->GetPropertyValue("alignment")), 18);
}

TEST_F(TrpReportModelTest, MemoListMethodsEvaluateTheirArgument) {
    auto* memo = Create<TrpMemoView>(kTypeMemo);
    report.Evaluator = [](const std::string& e) -> TrpValue {
        if (e == "1+1")
            return std::int64_t{2};
        if (e == "7")
            return std::int64_t{7};
        return "<" + e + ">";
    };
    memo->CallMethod("Memo.Add", std::string("1+1"), {}, {});
    memo->CallMethod("LINES.ADD", std::string("x"), {}, {});
    EXPECT_EQ(memo->Memo, (TrpStrings{"2", "<x>"}));
    EXPECT_EQ(ValueToInt(memo->CallMethod("MEMO.INDEXOF", std::string("x"), {}, {})), 1);
    EXPECT_EQ(ValueToInt(memo->CallMethod("MEMO.INDEXOF", std::string("y"), {}, {})), -1);

    memo->CallMethod("SETINDEXPROPERTY", std::string("memo"), std::int64_t{0}, std::string("a"));
    EXPECT_EQ(Text(memo->CallMethod("GETINDEXPROPERTY", std::string("MEMO"), std::int64_t{0}, {})),
              "a");
    // An index outside the lines changes nothing and reads Null.
    memo->CallMethod("SETINDEXPROPERTY", std::string("MEMO"), std::int64_t{5}, std::string("z"));
    EXPECT_TRUE(
        IsNull(memo->CallMethod("GETINDEXPROPERTY", std::string("MEMO"), std::int64_t{-1}, {})));
    memo->CallMethod("MEMO.DELETE", std::string("7"), {}, {});
    EXPECT_EQ(memo->Memo.size(), 2u);

    report.Evaluator = nullptr; // the expression stands for its own text
    memo->CallMethod("MEMO.DELETE", std::string("0"), {}, {});
    EXPECT_EQ(memo->Memo, (TrpStrings{"<x>"}));
    memo->CallMethod("MEMO.ADD", std::string("plain"), {}, {});
    EXPECT_EQ(memo->Memo.back(), "plain");
    memo->CallMethod("Lines.Clear", {}, {}, {});
    EXPECT_TRUE(memo->Memo.empty());

    memo->CallMethod("hide", {}, {}, {});
    EXPECT_FALSE(memo->Visible);
    memo->CallMethod("SHOW", {}, {}, {});
    EXPECT_TRUE(memo->Visible);
    EXPECT_TRUE(IsNull(memo->CallMethod("NOSUCHMETHOD", {}, {}, {})));
    // "LINES" belongs to text objects only.
    auto* line = Create<TrpLineView>(kTypeLine);
    line->CallMethod("LINES.ADD", std::string("x"), {}, {});
    EXPECT_TRUE(line->Memo.empty());
}

namespace {

// A run-time band as the generation engine would link it.
struct FakeRuntime : TrpBandRuntime {
    TrpDataset* dataset = nullptr;
    std::int64_t top = 500;
    TrpDataset* Dataset() override { return dataset; }
    bool GetProperty(const std::string& n, TrpValue& v) override {
        if (n != "TOP")
            return false;
        v = top;
        return true;
    }
    bool SetProperty(const std::string& n, const TrpValue& v) override {
        if (n != "TOP")
            return false;
        top = ValueToInt(v);
        return true;
    }
};

} // namespace

TEST_F(TrpReportModelTest, BandPropertiesAndDatasetMovesOnlyWhileGenerating) {
    auto* band = Create<TrpBandView>(kTypeBand);
    band->SetBandType(btGroupHeader);
    band->SetPropertyValue("Condition", std::string("[Group]"));
    band->SetPropertyValue("FORMNEWPAGE", true);
    band->SetPropertyValue("OnFirstPage", false);
    band->SetPropertyValue("ChildBand", std::string("Band9"));
    band->SetPropertyValue("COLUMNS", std::int64_t{3});
    EXPECT_EQ(band->FormatPattern, "[Group]");
    EXPECT_EQ(band->Flags, kBandFormNewPage | kBandOnLastPage);
    EXPECT_EQ(band->ChildBand, "Band9");
    EXPECT_EQ(band->Columns, 3);
    EXPECT_EQ(band->BandType(), btGroupHeader);

    TrpUserDataset dataset;
    dataset.RangeEnd = TRangeEnd::reCount;
    dataset.RangeEndCount = 2;
    FakeRuntime runtime;
    runtime.dataset = &dataset;
    band->Runtime = &runtime;
    band->Top = 40;

    // Outside generation the moves do nothing and the band's own fields answer.
    band->CallMethod("NEXT", {}, {}, {});
    EXPECT_EQ(dataset.RecordNo(), 0);
    EXPECT_EQ(ValueToInt(band->GetPropertyValue("TOP")), 40);

    report.Generating = true;
    band->CallMethod("First", {}, {}, {});
    band->CallMethod("NEXT", {}, {}, {});
    EXPECT_EQ(dataset.RecordNo(), 1);
    EXPECT_EQ(band->GetPropertyValue("EOF"), TrpValue(false));
    band->CallMethod("NEXT", {}, {}, {});
    EXPECT_EQ(band->GetPropertyValue("EOF"), TrpValue(true));
    band->CallMethod("PRIOR", {}, {}, {});
    EXPECT_EQ(dataset.RecordNo(), 1);
    EXPECT_EQ(ValueToInt(band->GetPropertyValue("TOP")), 500);
    band->SetPropertyValue("TOP", std::int64_t{7});
    EXPECT_EQ(runtime.top, 7);
    EXPECT_EQ(band->Top, 40);

    // A generating band without a dataset moves nothing.
    runtime.dataset = nullptr;
    EXPECT_TRUE(IsNull(band->CallMethod("NEXT", {}, {}, {})));
    EXPECT_EQ(band->GetPropertyValue("EOF"), TrpValue(true));
}

TEST_F(TrpReportModelTest, PictureProperties) {
    auto* picture = Create<TrpPictureView>(kTypePicture);
    picture->SetPropertyValue("CENTER", true);
    picture->SetPropertyValue("KeepAspect", false);
    picture->SetPropertyValue("BLOBTYPE", std::int64_t{btJPG});
    EXPECT_EQ(picture->Flags, kFlagStretched | kPictureCenter);
    EXPECT_EQ(picture->BlobType, btJPG);
    EXPECT_EQ(picture->GetPropertyValue("center"), TrpValue(true));
    EXPECT_EQ(ValueToInt(picture->GetPropertyValue("BlobType")), btJPG);
    // A file that does not exist leaves the picture as it was.
    // The argument is an expression, as a script writes it.
    picture->CallMethod("LOADFROMFILE", std::string("'/nonexistent/picture.bmp'"), {}, {});
    EXPECT_TRUE(picture->Picture.Empty());
}

TEST(TrpReportObjectsTest, DeclaredListsFollowClassAndBandType) {
    TrpMemoView memo;
    const TrpPropertyList& memoList = memo.PropList();
    for (const char* name :
         {"Name", "Left", "Flags", "Memo", "Memo.Count", "Restrictions", "FrameStyle", "BandAlign",
          "Font.Style", "Highlight", "WordWrap", "Lines.Count", "GapX"})
        EXPECT_NE(memoList.Find(name), nullptr) << name;
    EXPECT_EQ(memoList.Find("NAME")->kind, kPropString | kPropText);
    EXPECT_EQ(memoList.Find("Flags")->kind, 0);
    EXPECT_EQ(memoList.Find("FrameWidth")->kind, kPropReal | kPropPixelSize);
    EXPECT_EQ(memoList.Find("BandAlign")->enumValues.back(), 6);
    EXPECT_EQ(memoList.Find("ChildBand"), nullptr);

    TrpBandView band;
    auto has = [&band](int type, const char* name) {
        band.SetBandType(static_cast<std::uint8_t>(type));
        return band.PropList().Find(name) != nullptr;
    };
    // Bands carry no frame properties, and their text is a script.
    EXPECT_FALSE(has(btMasterData, "FrameTyp"));
    EXPECT_FALSE(has(btMasterData, "Memo"));
    EXPECT_TRUE(has(btMasterData, "OnBeforePrint"));
    EXPECT_TRUE(has(btMasterData, "Columns"));
    EXPECT_TRUE(has(btMasterData, "PrintIfSubsetEmpty"));
    EXPECT_FALSE(has(btMasterHeader, "Columns"));
    EXPECT_FALSE(has(btPageFooter, "ChildBand"));
    EXPECT_TRUE(has(btPageFooter, "OnLastPage"));
    EXPECT_FALSE(has(btPageFooter, "Stretched"));
    EXPECT_FALSE(has(btPageHeader, "OnLastPage"));
    EXPECT_TRUE(has(btGroupHeader, "Condition"));
    EXPECT_TRUE(has(btGroupHeader, "Master"));
    EXPECT_FALSE(has(btGroupFooter, "FormNewPage"));
    EXPECT_TRUE(has(btGroupFooter, "Breaked"));
    EXPECT_TRUE(has(btCrossData, "DataSource"));
    EXPECT_FALSE(has(btCrossData, "Columns"));
    EXPECT_TRUE(has(btOverlay, "EOF"));
    EXPECT_FALSE(has(btOverlay, "Breaked"));

    TrpSubReportView sub;
    EXPECT_EQ(sub.PropList().Find("FillColor"), nullptr);
    EXPECT_NE(sub.PropList().Find("Visible"), nullptr);
    TrpPictureView picture;
    EXPECT_EQ(picture.PropList().Find("BlobType")->enumNames.size(), 4u);
    TrpLineView line;
    EXPECT_NE(line.PropList().Find("Stretched"), nullptr);
    EXPECT_EQ(line.PropList().Find("WordWrap"), nullptr);
}

// The summary report's layout; see TSummaryTemplate.h.
#include "TSummaryTemplate.h"

#include "EnginePixels.h"
#include "TSummaryReport.h"
#include "TrpBandView.h"
#include "TrpMemoView.h"
#include "TrpReport.h"
#include "VirtualPaperTable.h"

#include <array>
#include <string>
#include <utility>

namespace morvane {

namespace {

using namespace report;

// Page geometry in tenths of a millimetre, converted once per page.
constexpr int kMarginTenthsMm = 100;
// Band heights and the gap between blocks, in engine pixels.
constexpr int kTitleHeight = 118;
constexpr int kHeaderHeight = 22;
constexpr int kRowHeight = 18;
constexpr int kFooterHeight = 26;
constexpr int kSummaryHeight = 200;
constexpr int kBandGap = 8;
constexpr int kLineHeight = 18;

constexpr const char* kFontName = "Arial";
constexpr int kBodySize = 9;
constexpr int kHeadingSize = 14;
// Light grey caption background (0x00BBGGRR).
constexpr TrpColor kCaptionFill = 0x00E6E6E6;

// One column of the detail rows: caption, the field it prints, its width in
// engine pixels and the text alignment. The widths add up to the printable
// width of A4 portrait with the margins above (see kColumnsWidth).
struct TColumn {
    const char* caption;
    const char* field;
    int width;
    std::int32_t alignment;
};
constexpr std::array<TColumn, 6> kColumns{{
    {"No", "No", 36, kTextAlignRight},
    {"Product", "Product", 56, kTextAlignCenter},
    // The widths hold a full field (25 digits, 20 characters) at the body
    // size; account names wrap and the row grows with them.
    {"Account number", "AccountNumber", 170, kTextAlignLeft},
    {"Account name", "AccountName", 204, kTextAlignLeft},
    {"Ref1", "Ref1", 150, kTextAlignLeft},
    {"Action", "Action", 70, kTextAlignLeft},
}};
constexpr int ColumnsWidth() {
    int sum = 0;
    for (const TColumn& c : kColumns)
        sum += c.width;
    return sum;
}
constexpr int kColumnsWidth = ColumnsWidth();
static_assert(kColumnsWidth == 686, "the columns fill A4 portrait between 10 mm margins");

// The action words the report table holds, in action-code order.
constexpr std::array<const char*, 4> kActionWords{"Delete", "Add", "Force Add", "Special Add"};

// Places bands one below the other and text objects inside the band being
// laid out; coordinates are page coordinates in engine pixels.
class TLayout {
public:
    explicit TLayout(TrpPage& page) : page_(page) {
        left_ = TenthsMmToEnginePixels(kMarginTenthsMm);
        top_ = left_;
        width_ = page.Metrics.sheetWidth - 2 * left_;
        page.LeftMargin = page.TopMargin = page.RightMargin = page.BottomMargin = left_;
    }

    int Left() const { return left_; }
    int Width() const { return width_; }

    TrpBandView& Band(TrpBandType type, const char* name, int height) {
        auto* band = static_cast<TrpBandView*>(page_.CreateView(kTypeBand));
        band->Name = name;
        band->SetBandType(type);
        band->SetBounds(0, top_, page_.Metrics.sheetWidth, height);
        bandTop_ = top_;
        top_ += height + kBandGap;
        return *band;
    }

    // A text object at (x, y) inside the current band, x from the left
    // margin and y from the band's top.
    TrpMemoView& Text(int x, int y, int width, int height, const std::string& text,
                      int size = kBodySize, std::int16_t style = 0) {
        auto* memo = static_cast<TrpMemoView*>(page_.CreateView(kTypeMemo));
        memo->SetBounds(left_ + x, bandTop_ + y, width, height);
        memo->Memo = {text};
        memo->Font.Name = kFontName;
        memo->Font.Size = size;
        memo->Font.Style = style;
        // A count of 0 is a figure the reader must see.
        memo->SetFlag(kMemoHideZeros, false);
        return *memo;
    }

    TrpMemoView& FramedText(int x, int y, int width, int height, const std::string& text,
                            std::int16_t style = 0) {
        TrpMemoView& memo = Text(x, y, width, height, text, kBodySize, style);
        memo.FrameTyp = kFrameAllSides;
        memo.FrameWidth = 1.0;
        memo.Alignment |= kTextAlignMiddle;
        return memo;
    }

private:
    TrpPage& page_;
    int left_ = 0, top_ = 0, width_ = 0, bandTop_ = 0;
};

void AddTitle(TLayout& layout) {
    layout.Band(btReportTitle, TSummaryTemplateNames::kTitleBand, kTitleHeight);
    layout.Text(0, 0, layout.Width(), 28, "Payee registration summary", kHeadingSize, kFontBold);
    const std::array<std::pair<const char*, const char*>, 3> facts{{
        {"Company id:", "[comId]"},
        {"Digest (SHA-1):", "[hashValue]"},
        {"Record count:", "[recordcount]"},
    }};
    constexpr int kLabelWidth = 110;
    int y = 36;
    for (const auto& [label, value] : facts) {
        layout.Text(0, y, kLabelWidth, kLineHeight, label, kBodySize, kFontBold);
        layout.Text(kLabelWidth, y, layout.Width() - kLabelWidth, kLineHeight, value);
        y += kLineHeight + 2;
    }
    TrpMemoView& rule = layout.Text(0, kTitleHeight - 4, layout.Width(), 2, "");
    rule.FrameTyp = kFrameTop;
}

void AddColumns(TLayout& layout, bool captions) {
    int x = 0;
    const int height = captions ? kHeaderHeight : kRowHeight;
    for (const TColumn& c : kColumns) {
        const std::string text = captions ? c.caption : "[" + std::string(c.field) + "]";
        TrpMemoView& cell = layout.FramedText(x, 0, c.width, height, text,
                                              captions ? std::int16_t{kFontBold} : std::int16_t{0});
        if (captions) {
            cell.FillColor = kCaptionFill;
            cell.Alignment = kTextAlignCenter | kTextAlignMiddle;
        } else {
            // Top-aligned: a wrapped account name grows the row downwards
            // and its first line stays level with the other cells.
            cell.Alignment = c.alignment;
        }
        x += c.width;
    }
}

void AddRows(TLayout& layout) {
    layout.Band(btPageHeader, TSummaryTemplateNames::kPageHeaderBand, kHeaderHeight);
    AddColumns(layout, true);
    TrpBandView& data = layout.Band(btMasterData, TSummaryTemplateNames::kMasterDataBand,
                                    kRowHeight);
    data.FormatPattern = kSummaryDataSetName;
    AddColumns(layout, false);
}

void AddFooter(TLayout& layout) {
    layout.Band(btPageFooter, TSummaryTemplateNames::kPageFooterBand, kFooterHeight);
    TrpMemoView& page = layout.Text(0, 6, layout.Width(), kLineHeight,
                                    "Page [PAGE#] of [TOTALPAGES]");
    page.Alignment = kTextAlignRight;
    page.FrameTyp = kFrameTop;
}

void AddSummary(TLayout& layout) {
    layout.Band(btReportSummary, TSummaryTemplateNames::kSummaryBand, kSummaryHeight);
    layout.Text(0, 8, 300, kLineHeight, "Records per action", kBodySize, kFontBold);
    constexpr int kWordWidth = 120, kCountWidth = 60;
    int y = 8 + kLineHeight + 4;
    for (const char* word : kActionWords) {
        layout.FramedText(0, y, kWordWidth, kRowHeight, word);
        layout.FramedText(kWordWidth, y, kCountWidth, kRowHeight,
                          "[SUM(IF(Action = '" + std::string(word) + "', 1, 0))]")
            .Alignment = kTextAlignRight | kTextAlignMiddle;
        y += kRowHeight;
    }
    layout.FramedText(0, y, kWordWidth, kRowHeight, "Total", kFontBold);
    layout.FramedText(kWordWidth, y, kCountWidth, kRowHeight,
                      "[COUNT(" + std::string(TSummaryTemplateNames::kMasterDataBand) + ")]",
                      kFontBold)
        .Alignment = kTextAlignRight | kTextAlignMiddle;

    // Sign-off: name and signature, and the date, each over a rule.
    constexpr int kSignTop = kSummaryHeight - 44;
    const int half = layout.Width() / 2;
    for (const auto& [x, caption] :
         std::array<std::pair<int, const char*>, 2>{{{0, "Checked and approved by (name, signature)"},
                                                     {half + 40, "Date"}}}) {
        TrpMemoView& line = layout.Text(x, kSignTop, half - 40, 30, caption);
        line.FrameTyp = kFrameTop;
        line.FrameWidth = 1.0;
        line.Alignment = kTextAlignLeft;
    }
}

} // namespace

void BuildSummaryTemplate(TrpReport& report) {
    report.Pages.Clear();
    report.TwoPass = true;
    TrpPage* page = report.Pages.Add();
    page->ChangePaper(kA4PaperCode, 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
    TLayout layout(*page);
    AddTitle(layout);
    AddRows(layout);
    AddFooter(layout);
    AddSummary(layout);
}

} // namespace morvane

// make_cross_template FILE: writes a cross-tab template over the report
// table: one row per product, one column per action word, each cell the
// number of records of that product and action. The rows are summary bands
// (the summary and its child bands); the master data band walks the table
// and gives every record's column totals through its hidden cells. Exit
// status 0 on success, 1 with the engine's message, 2 on a usage error.
#include "EnginePixels.h"
#include "THeadlessGui.h"
#include "TSummaryReport.h"
#include "TrpBandView.h"
#include "TrpMemoView.h"
#include "TrpReport.h"

#include <array>
#include <exception>
#include <iostream>
#include <string>

namespace {

using namespace report;

constexpr int kMarginTenthsMm = 100;
constexpr int kRowHeight = 20;
constexpr int kLabelWidth = 120;
constexpr int kColumnWidth = 110;
constexpr std::array<const char*, 4> kActionWords{"Delete", "Add", "Force Add", "Special Add"};
constexpr std::array<const char*, 5> kProducts{"PAY", "PA2", "DCP", "MCP", "BNT"};

// The action word of the current column, as an expression.
std::string ColumnWord() {
    std::string text = "'" + std::string(kActionWords.back()) + "'";
    for (int i = static_cast<int>(kActionWords.size()) - 2; i >= 0; --i)
        text =
            "IF(COLUMN# = " + std::to_string(i + 1) + ", '" + kActionWords[i] + "', " + text + ")";
    return text;
}

class TCrossLayout {
public:
    explicit TCrossLayout(TrpPage& page) : page_(page) {
        left_ = TenthsMmToEnginePixels(kMarginTenthsMm);
        page.LeftMargin = page.TopMargin = page.RightMargin = page.BottomMargin = left_;
        top_ = left_;
    }
    int Left() const { return left_; }

    TrpBandView& Band(TrpBandType type, const std::string& name, int height) {
        auto* band = static_cast<TrpBandView*>(page_.CreateView(kTypeBand));
        band->Name = name;
        band->SetBandType(type);
        band->SetBounds(0, top_, page_.Metrics.sheetWidth, height);
        bandTop_ = top_;
        top_ += height;
        return *band;
    }
    TrpBandView& Strip(TrpBandType type, const std::string& name, int left, int width) {
        auto* band = static_cast<TrpBandView*>(page_.CreateView(kTypeBand));
        band->Name = name;
        band->SetBandType(type);
        band->SetBounds(left, 0, width, page_.Metrics.sheetHeight);
        return *band;
    }
    TrpMemoView& Cell(int x, int width, const std::string& text, bool bold = false) {
        auto* memo = static_cast<TrpMemoView*>(page_.CreateView(kTypeMemo));
        memo->SetBounds(left_ + x, bandTop_, width, kRowHeight);
        memo->Memo = {text};
        memo->Font.Name = "Arial";
        memo->Font.Size = 9;
        memo->Font.Style = bold ? kFontBold : 0;
        memo->FrameTyp = kFrameAllSides;
        memo->FrameWidth = 1.0;
        memo->Alignment = kTextAlignCenter | kTextAlignMiddle;
        memo->SetFlag(kMemoHideZeros, false);
        return *memo;
    }

private:
    TrpPage& page_;
    int left_ = 0, top_ = 0, bandTop_ = 0;
};

void BuildCrossTemplate(TrpReport& report) {
    TrpPage& page = *report.Pages.Add();
    TCrossLayout layout(page);
    const std::string master = "MasterData1";
    layout.Strip(btCrossData, "CrossData1", layout.Left() + kLabelWidth, kColumnWidth)
        .FormatPattern = std::to_string(kActionWords.size());
    layout.Band(btReportTitle, "ReportTitle1", 30);
    layout.Cell(0, kLabelWidth + 4 * kColumnWidth, "Records by product and action", true).FrameTyp =
        0;
    layout.Band(btMasterHeader, "MasterHeader1", kRowHeight);
    layout.Cell(0, kLabelWidth, "Product", true).FillColor = 0x00E6E6E6;
    layout.Cell(kLabelWidth, kColumnWidth, "[" + ColumnWord() + "]", true).FillColor = 0x00E6E6E6;
    // One pixel per record: the hidden cell makes every record count in
    // each column's totals.
    layout.Band(btMasterData, master, 1).FormatPattern = morvane::kSummaryDataSetName;
    layout.Cell(kLabelWidth, kColumnWidth, "").Visible = false;
    for (std::size_t i = 0; i < kProducts.size(); ++i) {
        const std::string name = "Row" + std::to_string(i + 1);
        TrpBandView& row = layout.Band(i == 0 ? btReportSummary : btChild, name, kRowHeight);
        if (i + 1 < kProducts.size())
            row.ChildBand = "Row" + std::to_string(i + 2);
        const std::string product = kProducts[i];
        layout.Cell(0, kLabelWidth, product, true);
        layout.Cell(kLabelWidth, kColumnWidth,
                    "[SUM(IF(Product = '" + product + "', IF(Action = " + ColumnWord() +
                        ", 1, 0), 0), " + master + ")]");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_cross_template FILE\n";
        return 2;
    }
    try {
        morvane::THeadlessGui gui;
        report::TrpReport report;
        BuildCrossTemplate(report);
        report.SaveToFile(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "make_cross_template: " << error.what() << "\n";
        return 1;
    }
    return 0;
}

// make_subreport_demo FILE: writes a template that shows two sub-reports
// side by side - a band on the first page holds two sub-report objects, one
// printing a page of 3 rows, the other a page of 40 rows that runs on over
// a page break; a summary prints below the longer one on the last page.
// The rows count their records themselves, so the template needs no data.
// Exit status 0 on success, 1 with the engine's message on standard error
// otherwise, 2 on a usage error.
#include "THeadlessGui.h"
#include "TrpBandView.h"
#include "TrpMemoView.h"
#include "TrpReport.h"
#include "TrpSubReportView.h"

#include <exception>
#include <iostream>
#include <string>

namespace {

using namespace report;

constexpr int kRowHeight = 26;
constexpr int kColumnWidth = 300;
constexpr int kGap = 40;
constexpr TrpColor kShortFill = 0x00F0E0D0; // light blue
constexpr TrpColor kLongFill = 0x00D0F0E0;  // light green

void AddBand(TrpPage& page, std::uint8_t type, int top, int height, const std::string& source) {
    auto* band = static_cast<TrpBandView*>(page.CreateView(kTypeBand));
    band->SetBandType(type);
    band->SetBounds(0, top, page.Metrics.sheetWidth, height);
    band->FormatPattern = source;
}

TrpMemoView& AddText(TrpPage& page, int left, int top, int width, int height,
                     const std::string& text) {
    auto* memo = static_cast<TrpMemoView*>(page.CreateView(kTypeMemo));
    memo->SetBounds(left, top, width, height);
    memo->Memo = {text};
    memo->Font.Name = "Arial";
    memo->Font.Size = 10;
    memo->FrameTyp = kFrameAllSides;
    memo->FrameWidth = 1.0;
    memo->Alignment |= kTextAlignMiddle;
    return *memo;
}

// A page of rows: its master data band walks count records.
void AddRowsPage(TrpReport& report, int count, const std::string& label, TrpColor fill) {
    TrpPage& page = *report.Pages.Add();
    AddBand(page, btMasterData, 0, kRowHeight, std::to_string(count));
    AddText(page, page.Bounds().left, 0, kColumnWidth, kRowHeight,
            label + " row [LINE#] of " + std::to_string(count))
        .FillColor = fill;
}

void BuildDemo(TrpReport& report) {
    TrpPage& page = *report.Pages.Add();
    const int left = page.Bounds().left;
    AddBand(page, btPageHeader, 0, 40, {});
    AddText(page, left, 0, 2 * kColumnWidth + kGap, 30,
            "Two sub-reports side by side - page [PAGE#]")
        .Font.Style = kFontBold;
    AddBand(page, btMasterData, 60, kRowHeight, "1");
    for (int i = 0; i < 2; ++i) {
        auto* sub = static_cast<TrpSubReportView*>(page.CreateView(kTypeSubReport));
        sub->SetBounds(left + i * (kColumnWidth + kGap), 60, kColumnWidth, kRowHeight);
        sub->SubPage = i + 1;
    }
    AddBand(page, btReportSummary, 120, 40, {});
    AddText(page, left, 130, 2 * kColumnWidth + kGap, 30,
            "Summary: printed below the longer sub-report")
        .Font.Style = kFontBold;
    AddRowsPage(report, 3, "Short", kShortFill);
    AddRowsPage(report, 40, "Long", kLongFill);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_subreport_demo FILE\n";
        return 2;
    }
    try {
        morvane::THeadlessGui gui;
        report::TrpReport demo;
        BuildDemo(demo);
        demo.SaveToFile(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "make_subreport_demo: " << error.what() << "\n";
        return 1;
    }
    return 0;
}

// Template pages: paper sizes in engine pixels, dialog-page properties, the
// paper change with its retry, page bounds and band alignment.
#include "EnginePixels.h"
#include "TrpBandView.h"
#include "TrpMemoView.h"
#include "TrpReport.h"
#include "TrpValueConvert.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace report;

namespace {

// One platform printer; device modes with a paper other than the user size
// fail with an error while refusePapers is set.
class PaperBackend : public TrpPrinterBackend {
public:
    std::vector<std::string> PrinterNames() override { return {"Office"}; }
    int CurrentPrinter() override { return 0; }
    bool MakeCurrent(int) override { return true; }
    std::optional<TrpDeviceInfo> ReadDevice() override { return info; }
    bool ApplyDeviceMode(const TrpDeviceMode& mode) override {
        modes.push_back(mode);
        if (refusePapers && mode.paperCode != kUserPaperSize)
            throw std::runtime_error("paper refused");
        info.paperCode = mode.paperCode;
        info.portrait = mode.portrait;
        if (mode.paperCode == kUserPaperSize) {
            // 254 dots per inch: one device unit is a tenth of a millimetre.
            info.physicalWidth = mode.paperWidth;
            info.physicalHeight = mode.paperLength;
        }
        return true;
    }
    bool Printing() override { return false; }

    TrpDeviceInfo info = [] {
        TrpDeviceInfo d;
        d.device = "Office";
        d.paperCode = 9;
        d.dpiX = d.dpiY = 254;
        d.physicalWidth = 2100;
        d.physicalHeight = 2970;
        d.physicalOffsetX = d.physicalOffsetY = 50;
        d.pageWidth = 2000;
        d.pageHeight = 2870;
        d.defaultSource = 7;
        d.paperCodes = {9, 256};
        d.paperNames = {"A4", "User"};
        d.sourceCodes = {7};
        d.sourceNames = {"Tray"};
        return d;
    }();
    std::vector<TrpDeviceMode> modes;
    bool refusePapers = false;
};

} // namespace

TEST(TrpPageTest, NewPageTakesTheDefaultPaperAndDialogDefaults) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    EXPECT_EQ(page->Name, "Page1");
    EXPECT_EQ(page->PaperSize, 9);
    EXPECT_EQ(page->PaperWidth, 2100);
    EXPECT_EQ(page->PaperHeight, 2970);
    EXPECT_EQ(page->PaperBin, kStoredDefaultPaperBin);
    EXPECT_EQ(page->Metrics.sheetWidth, 758);
    EXPECT_EQ(page->Metrics.printableHeight, 1035);
    EXPECT_EQ(page->Caption, "Form");
    EXPECT_EQ(page->Color, 0x8000000Fu);
    EXPECT_EQ(page->BorderStyle, bsDialog);
    EXPECT_EQ(page->Position, poScreenCenter);
    EXPECT_EQ(page->DialogWidth, 380);
    EXPECT_EQ(report.FileName, "Untitled");
}

TEST(TrpPageTest, ReportPageSizesReadInEnginePixels) {
    TrpPage page;
    page.SetPropertyValue("WIDTH", std::int64_t{100});
    EXPECT_EQ(page.PaperWidth, 278);
    EXPECT_EQ(ValueToInt(page.GetPropertyValue("width")), 100);
    // A4 portrait: 2970 tenths are round(1069.2) pixels.
    page.PaperHeight = 2970;
    EXPECT_EQ(ValueToInt(page.GetPropertyValue("HEIGHT")), 1069);
    // Report pages have no window position.
    EXPECT_TRUE(IsNull(page.GetPropertyValue("LEFT")));

    page.SetPropertyValue("StretchToPrintable", true);
    EXPECT_FALSE(page.UseMargins);
    page.SetPropertyValue("Orientation", std::int64_t{1});
    EXPECT_EQ(page.Orientation, TrpOrientation::Landscape);
    EXPECT_EQ(ValueToInt(page.GetPropertyValue("ORIENTATION")), 1);
    EXPECT_NE(page.PropList().Find("Size"), nullptr);
    EXPECT_EQ(page.PropList().Find("Caption"), nullptr);

    // A dialog page's bounds are its window's, in pixels as they are.
    page.SetPropertyValue("Type", std::int64_t{ptDialog});
    page.SetPropertyValue("Width", std::int64_t{100});
    page.SetPropertyValue("LEFT", std::int64_t{5});
    page.SetPropertyValue("caption", std::string("Ask"));
    EXPECT_EQ(page.DialogWidth, 100);
    EXPECT_EQ(page.DialogLeft, 5);
    EXPECT_EQ(page.PaperWidth, 278);
    EXPECT_EQ(page.Caption, "Ask");
    EXPECT_NE(page.PropList().Find("OnActivate"), nullptr);
    EXPECT_EQ(page.PropList().Find("LeftMargin"), nullptr);
    EXPECT_TRUE(IsNull(page.GetPropertyValue("NoSuch")));
}

TEST(TrpPageTest, PaperChangeOnTheVirtualPrinter) {
    TrpPrinter printer;
    printer.StartUp(nullptr);
    TrpPage page;
    page.ChangePaper(11, 0, 0, kDefaultPaperBin, TrpOrientation::Landscape, printer);
    EXPECT_EQ(page.PaperSize, 11);
    EXPECT_EQ(page.PaperWidth, 2100); // A5 exchanged for landscape
    EXPECT_EQ(page.PaperHeight, 1480);
    EXPECT_EQ(page.Orientation, TrpOrientation::Landscape);
    EXPECT_EQ(page.PaperBin, 0xFFFF);
    EXPECT_EQ(page.Metrics.offsetX, 18);
    EXPECT_EQ(page.Metrics.sheetWidth, TenthsMmToEnginePixels(2100));
}

TEST(TrpPageTest, RefusedPaperIsRetriedAsUserSizeInTheDefaultBin) {
    PaperBackend backend;
    TrpPrinter printer;
    printer.StartUp(&backend);
    ASSERT_FALSE(printer.VirtualSelected());
    TrpPage page;

    page.ChangePaper(8, 2970, 4200, 7, TrpOrientation::Portrait, printer);
    EXPECT_EQ(page.PaperSize, 8);
    EXPECT_EQ(page.PaperBin, 7); // the printer's bin, not the one asked for

    backend.refusePapers = true;
    backend.modes.clear();
    page.ChangePaper(1, 2159, 2794, 7, TrpOrientation::Portrait, printer);
    ASSERT_EQ(backend.modes.size(), 2u);
    EXPECT_EQ(backend.modes[0].paperCode, 1);
    EXPECT_EQ(backend.modes[1].paperCode, kUserPaperSize);
    EXPECT_EQ(backend.modes[1].paperWidth, 2159);
    EXPECT_EQ(backend.modes[1].paperLength, 2794);
    EXPECT_EQ(page.PaperSize, kUserPaperSize);
    EXPECT_EQ(page.PaperWidth, 2159);
    EXPECT_EQ(page.PaperHeight, 2794);
    EXPECT_EQ(page.Metrics.offsetX, DeviceToEnginePixels(50, 254));
    EXPECT_EQ(page.Metrics.printableWidth, DeviceToEnginePixels(2000, 254));
}

TEST(TrpPageTest, BoundsComeFromMarginsOrThePrintableArea) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    page->Metrics.sheetWidth = 758;
    page->Metrics.sheetHeight = 1071;
    page->Metrics.offsetX = page->Metrics.offsetY = 18;
    page->Metrics.printableWidth = 722;
    page->Metrics.printableHeight = 1035;

    TrpPageBounds b = page->Bounds();
    EXPECT_EQ(b.left, 18);
    EXPECT_EQ(b.top, 18);
    EXPECT_EQ(b.right, 740);
    EXPECT_EQ(b.bottom, 1053);

    page->LeftMargin = 30;
    page->RightMargin = 40;
    page->BottomMargin = 50;
    b = page->Bounds();
    EXPECT_EQ(b.left, 30);
    EXPECT_EQ(b.top, 18);
    EXPECT_EQ(b.right, 718);
    EXPECT_EQ(b.bottom, 1021);

    // While generating, a page footer band takes its height off the bottom.
    auto* footer = dynamic_cast<TrpBandView*>(page->CreateView(kTypeBand));
    footer->SetBandType(btPageFooter);
    footer->Height = 40;
    EXPECT_EQ(page->Bounds().bottom, 1021);
    report.Generating = true;
    EXPECT_EQ(page->Bounds().bottom, 981);

    page->UseMargins = false;
    b = page->Bounds();
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.right, 758);
    EXPECT_EQ(b.bottom, 1071);
}

TEST(TrpPageTest, BandAlignmentPlacesObjectsBetweenTheBounds) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    page->LeftMargin = 20;
    page->RightMargin = 20;
    page->Metrics.sheetWidth = 725; // bounds 20 .. 705
    auto* band = dynamic_cast<TrpBandView*>(page->CreateView(kTypeBand));
    band->SetBounds(0, 100, 725, 60);
    auto* memo = dynamic_cast<TrpMemoView*>(page->CreateView(kTypeMemo));
    memo->SetBounds(300, 110, 100, 20);

    auto align = [memo](int how) {
        memo->BandAlign = static_cast<std::uint8_t>(how);
        memo->ApplyBandAlign();
    };
    align(kAlignLeft);
    EXPECT_EQ(memo->Left, 20);
    align(kAlignRight);
    EXPECT_EQ(memo->Left, 605);
    memo->Width = 101;
    align(kAlignCenter);
    EXPECT_EQ(memo->Left, 20 + (685 - 101) / 2);
    align(kAlignBottom);
    EXPECT_EQ(memo->Top, 140);
    align(kAlignTop);
    EXPECT_EQ(memo->Top, 100);
    align(kAlignWidth);
    EXPECT_EQ(memo->Left, 20);
    EXPECT_EQ(memo->Width, 685);

    // While generating: width stops one short for objects outside a band,
    // and bottom/top wait for the printing.
    report.Generating = true;
    memo->Top = 120;
    align(kAlignWidth);
    EXPECT_EQ(memo->Width, 684);
    align(kAlignBottom);
    EXPECT_EQ(memo->Top, 120);
}

// Printer layer: the virtual printer's figures, paper equality, and the
// fall-back to the virtual printer when a platform printer fails.
#include "TrpPrinter.h"

#include "EnginePixels.h"
#include "VirtualPaperTable.h"

#include <gtest/gtest.h>

using namespace report;

namespace {

// A platform with one printer whose answers the test controls.
class FakeBackend : public TrpPrinterBackend {
public:
    std::vector<std::string> PrinterNames() override { return {"Office"}; }
    int CurrentPrinter() override { return 0; }
    bool MakeCurrent(int) override { return true; }
    std::optional<TrpDeviceInfo> ReadDevice() override {
        ++reads;
        if (failReads)
            return std::nullopt;
        return info;
    }
    bool ApplyDeviceMode(const TrpDeviceMode& mode) override {
        applied = mode;
        if (refuseModes)
            return false;
        info.paperCode = mode.paperCode;
        info.portrait = mode.portrait;
        return true;
    }
    bool Printing() override { return printing; }

    TrpDeviceInfo info = [] {
        TrpDeviceInfo d;
        d.device = "Office";
        d.paperCode = 9;
        d.dpiX = d.dpiY = 600;
        d.physicalWidth = 4961; // A4 at 600 dpi
        d.physicalHeight = 7016;
        d.physicalOffsetX = d.physicalOffsetY = 100;
        d.pageWidth = 4761;
        d.pageHeight = 6816;
        d.paperCodes = {9, 1};
        d.paperNames = {"A4", "Letter"};
        d.sourceCodes = {7};
        d.sourceNames = {"Automatic"};
        return d;
    }();
    TrpDeviceMode applied;
    int reads = 0;
    bool failReads = false;
    bool refuseModes = false;
    bool printing = false;
};

} // namespace

TEST(EnginePixelsTest, ConvertsWithHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(TenthsMmToEnginePixels(50), 18);
    EXPECT_EQ(TenthsMmToEnginePixels(2100), 758);
    EXPECT_EQ(TenthsMmToEnginePixels(2970), 1071);
    // 18600/203 pixels per inch: 203 device dots at 18600 dpi are one pixel.
    EXPECT_EQ(DeviceToEnginePixels(600, 600), 92);
    EXPECT_EQ(DeviceToEnginePixels(100, 0), 0);
}

TEST(VirtualPaperTableTest, HoldsTheCodesInOrderWithStandardSizes) {
    auto table = VirtualPaperTable();
    ASSERT_EQ(table.size(), 67u);
    EXPECT_EQ(table[0].code, 1);
    EXPECT_EQ(table[46].code, 47);
    EXPECT_EQ(table[47].code, 50);
    EXPECT_EQ(table[65].code, 68);
    EXPECT_EQ(table[66].code, kUserPaperCode);
    EXPECT_EQ(table[66].width, 0);
    struct Size {
        int code, width, height;
    };
    for (Size s : {Size{1, 2159, 2794}, Size{8, 2970, 4200}, Size{9, 2100, 2970},
                   Size{11, 1480, 2100}, Size{20, 1048, 2413}}) {
        const TrpPaperEntry* e = FindVirtualPaper(s.code);
        ASSERT_NE(e, nullptr) << s.code;
        EXPECT_EQ(e->width, s.width) << s.code;
        EXPECT_EQ(e->height, s.height) << s.code;
    }
    EXPECT_EQ(FindVirtualPaper(48), nullptr);
}

TEST(TrpPrinterTest, VirtualA4MetricsAndLandscape) {
    TrpPrinter printer;
    printer.StartUp(nullptr);
    ASSERT_EQ(printer.PrinterNames(), std::vector<std::string>{kVirtualPrinterName});
    EXPECT_TRUE(printer.Started());
    EXPECT_EQ(printer.PaperCode(), 9);
    EXPECT_EQ(printer.DefaultPaper(), 9);
    EXPECT_EQ(printer.PaperCodeList().size(), 67u);
    TrpPageMetrics m;
    printer.FillPageMetrics(m);
    EXPECT_EQ(m.sheetWidth, 758);
    EXPECT_EQ(m.sheetHeight, 1071);
    EXPECT_EQ(m.offsetX, 18);
    EXPECT_EQ(m.offsetY, 18);
    EXPECT_EQ(m.printableWidth, 722);
    EXPECT_EQ(m.printableHeight, 1035);
    EXPECT_EQ(m.deviceSheetWidth, 0);

    printer.SetPaper(9, 0, 0, TrpOrientation::Landscape, -1, false);
    EXPECT_EQ(printer.SheetWidth(), 2970);
    EXPECT_EQ(printer.SheetHeight(), 2100);
    printer.SelectPrinter(printer.VirtualPrinterIndex());
    EXPECT_EQ(printer.SheetWidth(), 2970);

    // A user-defined size keeps the given width and height.
    printer.SetPaper(kUserPaperCode, 1000, 500, TrpOrientation::Portrait, -1, false);
    EXPECT_EQ(printer.SheetWidth(), 1000);
    EXPECT_EQ(printer.SheetHeight(), 500);
}

TEST(TrpPrinterTest, IsPaperEqualCases) {
    TrpPrinter printer;
    printer.SetPaper(kUserPaperCode, 2100, 2970, TrpOrientation::Portrait, 3, true);
    auto P = TrpOrientation::Portrait;
    EXPECT_TRUE(printer.IsPaperEqual(256, 2101, 2969, P, 3));
    EXPECT_FALSE(printer.IsPaperEqual(256, 2103, 2970, P, 3));
    EXPECT_FALSE(printer.IsPaperEqual(256, 2100, 2970, TrpOrientation::Landscape, 3));
    // The bin does not matter for a user-defined size.
    EXPECT_TRUE(printer.IsPaperEqual(256, 2100, 2970, P, 5));
    EXPECT_FALSE(printer.IsPaperEqual(9, 2100, 2970, P, 3));

    printer.SetPaper(9, 0, 0, P, 3, true);
    EXPECT_TRUE(printer.IsPaperEqual(9, 1, 1, P, 3));  // sizes come from the code
    EXPECT_TRUE(printer.IsPaperEqual(9, 0, 0, P, -1)); // the default bin always fits
    EXPECT_FALSE(printer.IsPaperEqual(9, 0, 0, P, 4));
    EXPECT_FALSE(printer.IsPaperEqual(9, 0, 0, TrpOrientation::Landscape, 3));
}

TEST(TrpPrinterTest, RealPrinterReadsTheDeviceAndConvertsMetrics) {
    FakeBackend backend;
    TrpPrinter printer;
    printer.StartUp(&backend);
    ASSERT_EQ(printer.PrinterNames(), (std::vector<std::string>{"Office", kVirtualPrinterName}));
    EXPECT_EQ(printer.PrinterIndex(), 0);
    EXPECT_EQ(printer.VirtualPrinterIndex(), 1);
    EXPECT_EQ(printer.Device(), "Office");
    EXPECT_EQ(printer.SheetWidth(), 2100);
    EXPECT_EQ(printer.SheetHeight(), 2970);
    EXPECT_EQ(printer.SourceCodeList(), (std::vector<int>{-1, 7}));
    EXPECT_EQ(printer.SourceNameList(), (std::vector<std::string>{"", "Automatic"}));
    TrpPageMetrics m;
    printer.FillPageMetrics(m);
    EXPECT_EQ(m.deviceSheetWidth, 4961);
    EXPECT_EQ(m.sheetWidth, DeviceToEnginePixels(4961, 600));
    EXPECT_EQ(m.offsetX, DeviceToEnginePixels(100, 600));
    EXPECT_EQ(m.printableHeight, DeviceToEnginePixels(6816, 600));

    // A paper change writes the device mode and reads the device back.
    printer.SetPaper(kUserPaperCode, 1000, 1500, TrpOrientation::Landscape, -1, false);
    EXPECT_EQ(backend.applied.paperCode, kUserPaperCode);
    EXPECT_EQ(backend.applied.paperWidth, 1000);
    EXPECT_EQ(backend.applied.paperLength, 1500);
    EXPECT_FALSE(backend.applied.portrait);
    EXPECT_EQ(backend.applied.copies, 1);
    EXPECT_EQ(backend.applied.printQuality, -2);

    // Nothing changes while the printer is printing.
    backend.printing = true;
    backend.applied = {};
    printer.SetPaper(11, 0, 0, TrpOrientation::Portrait, -1, true);
    EXPECT_EQ(backend.applied.paperCode, 0);
}

TEST(TrpPrinterTest, FailuresFallBackToTheVirtualPrinter) {
    FakeBackend unreadable;
    unreadable.failReads = true;
    TrpPrinter printer;
    printer.StartUp(&unreadable);
    EXPECT_EQ(unreadable.reads, 2); // read again once when nothing came back
    EXPECT_TRUE(printer.VirtualSelected());
    TrpPageMetrics m;
    printer.FillPageMetrics(m);
    EXPECT_EQ(m.sheetWidth, 758);

    FakeBackend refusing;
    refusing.refuseModes = true;
    TrpPrinter second;
    second.StartUp(&refusing);
    ASSERT_FALSE(second.VirtualSelected());
    second.SetPaper(11, 0, 0, TrpOrientation::Portrait, -1, true);
    EXPECT_TRUE(second.VirtualSelected());
    EXPECT_EQ(second.SheetWidth(), 1480); // A5 from the virtual table

    FakeBackend noResolution;
    noResolution.info.dpiX = 0;
    TrpPrinter third;
    third.StartUp(&noResolution);
    EXPECT_TRUE(third.VirtualSelected());
    // An index off the list selects the virtual printer.
    third.SelectPrinter(7);
    EXPECT_EQ(third.PrinterIndex(), third.VirtualPrinterIndex());
}

TEST(TrpPrinterTest, StoredPrinterIsChosenOnlyWhenInstalledAndNotKeptDefault) {
    FakeBackend backend;
    TrpPrinter printer;
    printer.StartUp(&backend);
    ASSERT_EQ(printer.PrinterIndex(), 0);
    // The report keeps the default printer: the stored name is ignored.
    printer.SelectStoredPrinter(kVirtualPrinterName, true);
    EXPECT_EQ(printer.PrinterIndex(), 0);
    // A printer that is not installed changes nothing.
    printer.SelectStoredPrinter("Gone", false);
    EXPECT_EQ(printer.PrinterIndex(), 0);
    printer.SelectStoredPrinter(kVirtualPrinterName, false);
    EXPECT_TRUE(printer.VirtualSelected());
    // Choosing the current printer again does not read the device again.
    printer.SelectStoredPrinter("Office", false);
    EXPECT_EQ(printer.PrinterIndex(), 0);
    const int reads = backend.reads;
    printer.SelectStoredPrinter("Office", false);
    EXPECT_EQ(backend.reads, reads);
}

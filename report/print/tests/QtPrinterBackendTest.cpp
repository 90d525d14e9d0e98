// The platform printers beside the virtual one: whatever the machine has
// installed (none on a build server), the virtual printer is last and pages
// get metrics.
#include "QtPrinterBackend.h"

#include "TrpPrinter.h"
#include "VirtualPaperTable.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace report;

TEST(QtPrinterBackendTest, VirtualPrinterComesLastAndMetricsAreFilled) {
    int argc = 0;
    QGuiApplication app(argc, nullptr);
    QtPrinterBackend backend;
    TrpPrinter printer;
    printer.StartUp(&backend);
    const auto& names = printer.PrinterNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), kVirtualPrinterName);
    EXPECT_EQ(printer.VirtualPrinterIndex(), static_cast<int>(names.size()) - 1);
    EXPECT_EQ(names.size(), backend.PrinterNames().size() + 1);
    // A real printer lists each paper once, by its own code: sizes without
    // a code would all read as the user size.
    if (!printer.VirtualSelected()) {
        for (int code : printer.PaperCodeList())
            EXPECT_NE(code, kUserPaperCode);
    }
    TrpPageMetrics m;
    printer.FillPageMetrics(m);
    EXPECT_GT(m.printableWidth, 0);
    EXPECT_GT(m.printableHeight, 0);
    printer.SelectPrinter(printer.VirtualPrinterIndex());
    printer.SetPaper(9, 0, 0, TrpOrientation::Portrait, -1, true);
    printer.FillPageMetrics(m);
    EXPECT_EQ(m.sheetWidth, 758);
}

// TrpPrintJob: page order, paper per sheet and the drawing rectangle.
#include "TrpPrintJob.h"

#include "EnginePixels.h"
#include "TrpMessages.h"
#include "TrpPageList.h"
#include "TrpPreviewSeam.h"
#include "TrpPrinter.h"
#include "TrpReport.h"

#include <algorithm>
#include <exception>

namespace report {

namespace {

// A page that asked for the default bin records it as stored; the printer
// layer knows it as kDefaultPaperSource.
TrpPrintPaper PaperOf(const TrpEMFPage& page) {
    const int bin = page.PaperBin == kStoredDefaultPaperBin ? kDefaultPaperSource : page.PaperBin;
    return {page.PaperSize, page.PaperWidth, page.PaperHeight, page.Orientation, bin};
}

int Scaled(int margin, int device, int engine) {
    if (engine <= 0)
        return 0;
    return static_cast<int>(RoundHalfEven(static_cast<double>(margin) * device / engine));
}

int TenthsMmToDevice(int tenths, int dpi) {
    return static_cast<int>(RoundHalfEven(tenths * static_cast<double>(dpi) / kTenthsMmPerInch));
}

bool Skipped(int pageNumber, TrpPageSelection selection) {
    const bool odd = pageNumber % 2 == 1;
    return (selection == TrpPageSelection::OddPages && !odd) ||
           (selection == TrpPageSelection::EvenPages && odd);
}

} // namespace

TrpPrintJob::TrpPrintJob(TrpReport& report, TrpEMFPages& pages, TrpPrinter& printer,
                         TrpPrintTarget& target)
    : report_(report), pages_(pages), printer_(printer), target_(target) {}

bool TrpPrintJob::Run(const TrpPrintRequest& request) {
    if (ReattachTo)
        printer_.AttachPrinter(ReattachTo);
    const TrpPageList list(request.pageList, pages_.Count());
    const int copies = std::max(request.copies, 1);
    if (pages_.Count() == 0)
        return true;

    TrpEMFPage& first = pages_.Page(0);
    const TrpPrintPaper firstPaper = PaperOf(first);
    printer_.SetPaper(firstPaper.size, firstPaper.width, firstPaper.height, firstPaper.orientation,
                      firstPaper.bin, true);
    printer_.FillPageMetrics(first.Metrics);
    target_.BeginDoc(report_.Title.empty() ? std::string(MessageText(kMsgUntitled))
                                           : report_.Title);
    if (report_.OnPrintReport)
        report_.OnPrintReport();

    const std::size_t count = pages_.Count();
    const int outer = request.collate ? copies : 1;
    const int inner = request.collate ? 1 : copies;
    for (int pass = 0; pass < outer; ++pass) {
        for (std::size_t i = 0; i < count; ++i) {
            if (!list.Contains(i + 1))
                continue;
            for (int copy = 0; copy < inner; ++copy) {
                if (!PrintPage(i, request)) {
                    target_.Abort();
                    return false;
                }
            }
        }
    }
    target_.EndDoc();
    return true;
}

// One page: false when the report was terminated after it.
bool TrpPrintJob::PrintPage(std::size_t index, const TrpPrintRequest& request) {
    const int pageNumber = static_cast<int>(index) + 1;
    if (Skipped(pageNumber, request.selection))
        return true;
    TrpEMFPage& page = pages_.Page(index);
    const TrpPrintPaper paper = PaperOf(page);
    if (!printer_.IsPaperEqual(paper.size, paper.width, paper.height, paper.orientation, paper.bin))
        printer_.SetPaper(paper.size, paper.width, paper.height, paper.orientation, paper.bin,
                          true);
    target_.StartSheet(paper);
    printer_.FillPageMetrics(page.Metrics);
    target_.DrawPage(pages_, index, PageRect(page, DeviceMetrics(page.Metrics)));
    if (OnPagePrinted)
        OnPagePrinted(pageNumber);
    return !report_.Terminated;
}

// A layer without a device (the virtual printer) does not fill the device
// fields (a page may still carry those of an earlier printer); they are
// then the layer's sheet at the target's resolution, with the same 5 mm
// border.
TrpPageMetrics TrpPrintJob::DeviceMetrics(const TrpPageMetrics& metrics) const {
    TrpPageMetrics m = metrics;
    if (printer_.Attached() && !printer_.VirtualSelected())
        return m;
    const int dpi = target_.Resolution();
    m.deviceSheetWidth = TenthsMmToDevice(printer_.SheetWidth(), dpi);
    m.deviceSheetHeight = TenthsMmToDevice(printer_.SheetHeight(), dpi);
    m.deviceOffsetX = TenthsMmToDevice(kVirtualBorderTenthsMm, dpi);
    m.deviceOffsetY = m.deviceOffsetX;
    m.devicePrintableWidth = m.deviceSheetWidth - 2 * m.deviceOffsetX;
    m.devicePrintableHeight = m.deviceSheetHeight - 2 * m.deviceOffsetY;
    return m;
}

// A whole-sheet page covers the sheet; any other is scaled into the
// printable area inside its margins (engine pixels scaled to device units).
// The result is in sheet coordinates: the printable area starts at the
// device offset.
QRect TrpPrintJob::PageRect(const TrpEMFPage& page, const TrpPageMetrics& m) {
    if (page.WholeSheet)
        return QRect(0, 0, m.deviceSheetWidth, m.deviceSheetHeight);
    const int left = Scaled(page.LeftMargin, m.devicePrintableWidth, m.printableWidth);
    const int top = Scaled(page.TopMargin, m.devicePrintableHeight, m.printableHeight);
    const int right =
        m.devicePrintableWidth - Scaled(page.RightMargin, m.devicePrintableWidth, m.printableWidth);
    const int bottom = m.devicePrintableHeight -
                       Scaled(page.BottomMargin, m.devicePrintableHeight, m.printableHeight);
    return QRect(QPoint(left, top), QPoint(right, bottom))
        .translated(m.deviceOffsetX, m.deviceOffsetY);
}

bool PrintPreparedReport(TrpReport& report, TrpPrintJob& job, const TrpPrintRequest& request) {
    report.Terminated = false;
    TrpProgressSink* sink = ProgressSink();
    bool printed = false;
    if (report.OnProgress || !report.ShowProgress || !sink) {
        job.OnPagePrinted = report.OnProgress;
        auto mouseOver = std::move(report.OnMouseOverObject);
        report.OnMouseOverObject = nullptr;
        try {
            printed = job.Run(request);
        } catch (...) {
            report.OnMouseOverObject = std::move(mouseOver);
            report.Terminated = false;
            throw;
        }
        report.OnMouseOverObject = std::move(mouseOver);
    } else {
        job.OnPagePrinted = [sink](int pageNumber) {
            sink->SetLabel(std::string(kPrintingPageLabel) + "  " + std::to_string(pageNumber));
            sink->ProcessEvents();
        };
        std::string caption(MessageText(kMsgReportPreparing));
        if (!report.Title.empty())
            caption += " - " + report.Title;
        std::exception_ptr failure;
        sink->Run(report, caption, kPrintingPageLabel, [&] {
            try {
                printed = job.Run(request);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        if (failure) {
            report.Terminated = false;
            std::rethrow_exception(failure);
        }
        printed = printed && !report.Terminated;
    }
    report.Terminated = false;
    return printed;
}

} // namespace report

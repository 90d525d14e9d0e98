// TrpPrintJob: sends prepared pages to a print target page by page.
//
// Order: collated, copies passes over the pages in document order;
// uncollated, each page copies times before the next. Only pages of the
// page list and of the odd/even selection print. The first page's paper is
// applied to the printer layer before the job begins; a later page whose
// paper differs is applied again before its sheet. All sheets go to one
// document: a platform job (and a PDF file) carries a paper per sheet, so
// a change of paper does not need a second job.
//
// After every printed page the progress is reported and the report's
// Terminated flag is read; when set the target is aborted and the job
// stops (sheets already sent stay printed).
#pragma once

#include "TrpEMFPages.h"
#include "TrpPageMetrics.h"
#include "TrpPrintRequest.h"
#include "TrpPrintTarget.h"

#include <functional>

namespace report {

class TrpPrinter;
class TrpPrinterBackend;
class TrpReport;

inline constexpr const char* kPrintingPageLabel = "Printing page:";

class TrpPrintJob {
public:
    TrpPrintJob(TrpReport& report, TrpEMFPages& pages, TrpPrinter& printer, TrpPrintTarget& target);

    // Attach the printer layer to this backend again before printing (a
    // platform printer); null leaves the layer's selection alone (a PDF
    // file, printed through the virtual printer).
    TrpPrinterBackend* ReattachTo = nullptr;
    // Called with the page number after each printed page.
    std::function<void(int pageNumber)> OnPagePrinted;

    // False when the report's Terminated flag stopped the job. Throws the
    // conversion error for a bad page list before anything is printed.
    bool Run(const TrpPrintRequest& request);

    // The device rectangle (sheet coordinates) a page is drawn into.
    static QRect PageRect(const TrpEMFPage& page, const TrpPageMetrics& metrics);

private:
    bool PrintPage(std::size_t index, const TrpPrintRequest& request);
    TrpPageMetrics DeviceMetrics(const TrpPageMetrics& metrics) const;

    TrpReport& report_;
    TrpEMFPages& pages_;
    TrpPrinter& printer_;
    TrpPrintTarget& target_;
};

// Print prepared report: clears Terminated, runs the job (in the installed
// progress window, captioned "Report preparing" [+ " - " + title], unless
// the report has OnProgress or ShowProgress off; then directly, with the
// mouse-over handler switched off), clears Terminated again. Answers the
// job's result; errors pass on after the window closed.
bool PrintPreparedReport(TrpReport& report, TrpPrintJob& job, const TrpPrintRequest& request);

} // namespace report

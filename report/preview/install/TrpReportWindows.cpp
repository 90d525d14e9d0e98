// Installing the report engine's windows.
#include "TrpReportWindows.h"

#include "TrpEMFPages.h"
#include "TrpPreviewForm.h"
#include "TrpPreviewSeams.h"
#include "TrpPreviewWindows.h"
#include "TrpPrintForm.h"
#include "TrpPrinter.h"
#include "TrpProgressForm.h"
#include "TrpReport.h"

#include <memory>

namespace report {

namespace {

// The preview's Print button: the pages were handed back to the report for
// the call; the dialog may replace them with pages rebuilt for another
// printer, which then go back to the report the same way.
void PrintFromPreview(TrpPreviewForm& form) {
    TrpReport* report = form.Report();
    if (!report)
        return;
    std::unique_ptr<TrpEMFPages> pages = report->TakeEMFPages();
    try {
        ShowPrintDialog(&form, *report, pages, form.CurrentPage());
    } catch (...) {
        if (pages)
            report->SetEMFPages(std::move(pages));
        throw;
    }
    if (pages)
        report->SetEMFPages(std::move(pages));
}

} // namespace

void InstallReportWindows() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    // The printer layer lists the platform's printers from the start, so
    // that the preview knows whether any is installed.
    if (!Printer().Started())
        Printer().StartUp(&PlatformPrinterBackend());
    InstallPreviewWindows();
    InstallProgressForm();
    PreviewPrintRequest() = PrintFromPreview;
}

} // namespace report

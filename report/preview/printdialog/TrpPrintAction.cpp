// ShowPrintDialog: the preview's Print action - dialog, printer change and
// rebuild, then the print job on a platform printer or a PDF file.
#include "QtPrinterBackend.h"
#include "TrpEMFPages.h"
#include "TrpMessageBox.h"
#include "TrpMessages.h"
#include "TrpPageList.h"
#include "TrpPrintErrors.h"
#include "TrpPrintForm.h"
#include "TrpPrintJob.h"
#include "TrpPrinter.h"
#include "TrpQtPrintTarget.h"
#include "TrpReport.h"
#include "TrpReportGeneration.h"

#include <memory>

namespace report {

namespace {

TrpPrinterBackend* g_backend = nullptr;

// Every template report page asks the printer layer for its paper again.
// Each paper is applied forced first: the layer's current paper belongs to
// the previous printer and must not count as already set.
void ReapplyTemplatePapers(TrpReport& report, TrpPrinter& printer) {
    for (std::size_t i = 0; i < report.Pages.Count(); ++i) {
        TrpPage& page = *report.Pages[i];
        if (page.PageType != ptReport)
            continue;
        const int bin = page.PaperBin == kStoredDefaultPaperBin ? kDefaultPaperBin : page.PaperBin;
        printer.SetPaper(page.PaperSize, page.PaperWidth, page.PaperHeight, page.Orientation, bin,
                         true);
        page.ChangePaper(page.PaperSize, page.PaperWidth, page.PaperHeight, bin, page.Orientation,
                         printer);
    }
}

// Selects the newly chosen printer for the report's template pages. False
// (after the error box and with the old printer back) when it cannot be
// used: the layer then fell back to another entry.
bool ChangePrinter(TrpReport& report, TrpPrinter& printer, int oldIndex, int newIndex) {
    const std::string oldName = report.PrinterName;
    printer.SelectPrinter(newIndex);
    if (printer.PrinterIndex() == newIndex) {
        report.PrinterName = printer.PrinterNames().at(static_cast<std::size_t>(newIndex));
        ReapplyTemplatePapers(report, printer);
        return true;
    }
    ShowMessageBox(kPrinterNotValid, std::string(MessageText(kMsgErrorCaption)),
                   TrpMessageIcon::Error);
    printer.SelectPrinter(oldIndex);
    report.PrinterName = oldName;
    ReapplyTemplatePapers(report, printer);
    return false;
}

TrpPrintTargetFactory& TargetFactory() {
    static TrpPrintTargetFactory factory;
    return factory;
}

std::unique_ptr<TrpPrintTarget> MakeTarget(QWidget* parent, const TrpPrintForm& form,
                                           TrpPrinter& printer) {
    const std::string printerName =
        form.PdfSelected() ? std::string() : printer.PrinterNames().at(printer.PrinterIndex());
    if (TargetFactory())
        return TargetFactory()(parent, printerName);
    if (printerName.empty()) {
        const QString file = ChoosePdfFile(parent);
        if (file.isEmpty())
            return nullptr;
        return TrpQtPrintTarget::ForPdfFile(file);
    }
    return TrpQtPrintTarget::ForPrinter(QString::fromStdString(printerName));
}

} // namespace

TrpPrintTargetFactory SetPrintTargetFactory(TrpPrintTargetFactory factory) {
    return std::exchange(TargetFactory(), std::move(factory));
}

TrpPrinterBackend& PlatformPrinterBackend() {
    if (g_backend)
        return *g_backend;
    static QtPrinterBackend platform;
    return platform;
}

void SetPlatformPrinterBackend(TrpPrinterBackend* backend) {
    g_backend = backend;
}

bool ShowPrintDialog(QWidget* parent, TrpReport& report, std::unique_ptr<TrpEMFPages>& pages,
                     int currentPage) {
    if (!pages || pages->Count() == 0)
        return false;
    TrpPrinter& printer = Printer();
    TrpPrinterBackend& backend = PlatformPrinterBackend();
    if (!printer.Attached())
        printer.AttachPrinter(&backend);
    const int remembered = printer.PrinterIndex();

    TrpPrintForm form(printer, parent);
    form.SetCopies(report.DefaultCopies);
    form.SetCollate(report.DefaultCollate);
    if (form.exec() != QDialog::Accepted)
        return false;

    const int chosen = form.ChosenPrinter();
    if (chosen != remembered && pages->CanRebuild) {
        if (!ChangePrinter(report, printer, remembered, chosen))
            return false;
        pages.reset();
        try {
            BuildPages(report);
        } catch (...) {
            // Whatever was generated is held, so the preview never holds
            // nothing.
            pages = report.TakeEMFPages();
            throw;
        }
        pages = report.TakeEMFPages();
    } else if (printer.PrinterIndex() != chosen) {
        // Loaded pages keep their layout on the chosen printer, which must
        // still be usable.
        ShowMessageBox(kPrinterNotValid, std::string(MessageText(kMsgErrorCaption)),
                       TrpMessageIcon::Error);
        printer.SelectPrinter(remembered);
        return false;
    }
    // Both fields are read before anything is printed; a bad one leaves the
    // held pages as they are.
    const TrpPrintRequest request = form.Request(currentPage);
    [[maybe_unused]] const TrpPageList checked(request.pageList, pages->Count());

    std::unique_ptr<TrpPrintTarget> target;
    try {
        target = MakeTarget(parent, form, printer);
    } catch (const ETrpPrintError& e) {
        ShowMessageBox(e.what(), std::string(MessageText(kMsgErrorCaption)), TrpMessageIcon::Error);
        return false;
    }
    if (!target)
        return false;
    TrpPrintJob job(report, *pages, printer, *target);
    if (!form.PdfSelected())
        job.ReattachTo = &backend;
    return PrintPreparedReport(report, job, request);
}

} // namespace report

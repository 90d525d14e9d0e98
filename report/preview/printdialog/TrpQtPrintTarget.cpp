// TrpQtPrintTarget: sheets on a QPrinter.
#include "TrpQtPrintTarget.h"

#include "TrpEMFPages.h"
#include "TrpPrintErrors.h"
#include "VirtualPaperTable.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>

namespace report {

namespace {
constexpr double kTenthsPerMillimetre = 10.0;
}

TrpQtPrintTarget::TrpQtPrintTarget(std::unique_ptr<QPrinter> printer)
    : printer_(std::move(printer)) {
    printer_->setFullPage(true);
    printer_->setCopyCount(1);
}

std::unique_ptr<TrpQtPrintTarget> TrpQtPrintTarget::ForPrinter(const QString& printerName) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (info.isNull())
        throw ETrpPrintError(kPrinterNotValid);
    return std::unique_ptr<TrpQtPrintTarget>(
        new TrpQtPrintTarget(std::make_unique<QPrinter>(info, QPrinter::HighResolution)));
}

std::unique_ptr<TrpQtPrintTarget> TrpQtPrintTarget::ForPdfFile(const QString& fileName) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(fileName);
    return std::unique_ptr<TrpQtPrintTarget>(new TrpQtPrintTarget(std::move(printer)));
}

void TrpQtPrintTarget::BeginDoc(const std::string& title) {
    printer_->setDocName(QString::fromStdString(title));
}

// Paper codes are the platform's (QPageSize's Windows ids); a user size is
// taken exactly, in portrait terms, so that the device does not swap it for
// a nearby standard sheet.
void TrpQtPrintTarget::ApplyPaper(const TrpPrintPaper& paper) {
    const bool landscape = paper.orientation == TrpOrientation::Landscape;
    QPageSize size;
    if (paper.size == kUserPaperCode || QPageSize::id(paper.size) == QPageSize::Custom) {
        const int w = landscape ? paper.height : paper.width;
        const int h = landscape ? paper.width : paper.height;
        size = QPageSize(QSizeF(w / kTenthsPerMillimetre, h / kTenthsPerMillimetre),
                         QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    } else {
        size = QPageSize(QPageSize::id(paper.size));
    }
    if (!size.isValid())
        return;
    QPageLayout layout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    printer_->setPageLayout(layout);
}

void TrpQtPrintTarget::StartSheet(const TrpPrintPaper& paper) {
    ApplyPaper(paper);
    if (!painter_.isActive()) {
        if (!painter_.begin(printer_.get()))
            throw ETrpPrintError(kPrintJobNotStarted);
        return;
    }
    if (!printer_->newPage())
        throw ETrpPrintError(kPrintJobNotStarted);
}

void TrpQtPrintTarget::DrawPage(TrpEMFPages& pages, std::size_t index, const QRect& rect) {
    DrawPreparedPage(pages, index, painter_, rect);
}

void TrpQtPrintTarget::EndDoc() {
    if (painter_.isActive())
        painter_.end();
}

void TrpQtPrintTarget::Abort() {
    if (!painter_.isActive())
        return;
    printer_->abort();
    painter_.end();
}

void DrawPreparedPage(TrpEMFPages& pages, std::size_t index, QPainter& painter, const QRect& rect) {
    TrpEMFPage& page = pages.Page(index);
    const bool visible = page.Visible;
    page.Visible = true;
    try {
        painter.save();
        pages.Draw(index, painter, rect, true);
        painter.restore();
    } catch (...) {
        painter.restore();
        page.Visible = false;
        pages.Draw(index, painter, QRect());
        page.Visible = visible;
        throw;
    }
    // Drawn into an empty rectangle with Visible clear, the page releases
    // its objects.
    page.Visible = false;
    pages.Draw(index, painter, QRect());
    page.Visible = visible;
}

} // namespace report

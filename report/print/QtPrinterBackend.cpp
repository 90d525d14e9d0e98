// QtPrinterBackend: device information and settings through QPrinter.
#include "QtPrinterBackend.h"

#include "VirtualPaperTable.h"

#include <QPageLayout>
#include <QPageSize>

namespace report {

QtPrinterBackend::QtPrinterBackend() : printers_(QPrinterInfo::availablePrinters()) {
    QString defaultName = QPrinterInfo::defaultPrinterName();
    for (int i = 0; i < printers_.size(); ++i)
        if (printers_[i].printerName() == defaultName)
            current_ = i;
    if (current_ < 0 && !printers_.isEmpty())
        current_ = 0;
    if (current_ >= 0)
        MakeCurrent(current_);
}

std::vector<std::string> QtPrinterBackend::PrinterNames() {
    std::vector<std::string> names;
    for (const QPrinterInfo& info : printers_)
        names.push_back(info.printerName().toStdString());
    return names;
}

bool QtPrinterBackend::MakeCurrent(int index) {
    if (index < 0 || index >= printers_.size())
        return false;
    current_ = index;
    printer_ = std::make_unique<QPrinter>(printers_[index], QPrinter::HighResolution);
    return printer_->isValid();
}

std::optional<TrpDeviceInfo> QtPrinterBackend::ReadDevice() {
    if (!printer_ || !printer_->isValid())
        return std::nullopt;
    TrpDeviceInfo d;
    const QPrinterInfo& info = printers_[current_];
    d.device = info.printerName().toStdString();
    d.driver = info.makeAndModel().toStdString();
    d.port = info.location().toStdString();
    QPageLayout layout = printer_->pageLayout();
    int code = layout.pageSize().windowsId();
    d.paperCode = code > 0 ? code : kUserPaperCode;
    d.portrait = layout.orientation() == QPageLayout::Portrait;
    d.dpiX = d.dpiY = printer_->resolution();
    QRect paper = printer_->paperRect(QPrinter::DevicePixel).toRect();
    QRect page = printer_->pageRect(QPrinter::DevicePixel).toRect();
    d.physicalWidth = paper.width();
    d.physicalHeight = paper.height();
    d.physicalOffsetX = page.x() - paper.x();
    d.physicalOffsetY = page.y() - paper.y();
    d.pageWidth = page.width();
    d.pageHeight = page.height();
    for (const QPageSize& size : info.supportedPageSizes()) {
        // Sizes without a paper id of their own all answer the user-size
        // code; listed, they could not be told apart, so they are left out.
        int id = size.windowsId();
        if (id <= 0 || id == kUserPaperCode)
            continue;
        d.paperCodes.push_back(id);
        d.paperNames.push_back(size.name().toStdString());
    }
    // Qt names no paper bins of a CUPS printer; only the default source is offered.
    d.defaultSource = -1;
    return d;
}

bool QtPrinterBackend::ApplyDeviceMode(const TrpDeviceMode& mode) {
    if (!printer_)
        return false;
    QPageSize size;
    if (mode.paperCode == kUserPaperCode)
        // Exact: a fuzzy match would quietly swap a user size for a nearby
        // standard sheet.
        size = QPageSize(QSizeF(mode.paperWidth / 10.0, mode.paperLength / 10.0),
                         QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    else
        size = QPageSize(QPageSize::id(mode.paperCode));
    if (!size.isValid())
        return false;
    printer_->setPageSize(size);
    printer_->setPageOrientation(mode.portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    printer_->setCopyCount(mode.copies);
    return true;
}

bool QtPrinterBackend::Printing() {
    return printer_ && printer_->printerState() == QPrinter::Active;
}

} // namespace report

// TrpPrinter: printer list, paper selection and page metrics.
#include "TrpPrinter.h"

#include "EnginePixels.h"
#include "VirtualPaperTable.h"

#include <algorithm>
#include <cstdlib>

namespace report {
namespace {

std::string Cut(const std::string& text, std::size_t length) {
    return text.size() <= length ? text : text.substr(0, length);
}

} // namespace

// An unattached layer already lists the virtual printer with its A4 sheet,
// so pages made before (or without) a platform printer get real metrics.
TrpPrinter::TrpPrinter() {
    printerNames_ = {kVirtualPrinterName};
    ApplyVirtualPaper();
}

void TrpPrinter::AttachPrinter(TrpPrinterBackend* backend) {
    backend_ = backend;
    printerNames_.clear();
    if (backend_)
        printerNames_ = backend_->PrinterNames();
    printerNames_.push_back(kVirtualPrinterName);
    virtualIndex_ = static_cast<int>(printerNames_.size()) - 1;
    int current = backend_ ? backend_->CurrentPrinter() : -1;
    printerIndex_ = (current >= 0 && current < virtualIndex_) ? current : 0;
    if (virtualIndex_ == 0)
        ApplyPaper();
    else
        ReadPrinterInfo();
}

void TrpPrinter::StartUp(TrpPrinterBackend* backend) {
    paperCode_ = kA4PaperCode;
    AttachPrinter(backend);
    defaultPaper_ = paperCode_;
    started_ = true;
}

void TrpPrinter::SelectPrinter(int index) {
    if (index < 0 || index > virtualIndex_)
        index = virtualIndex_;
    printerIndex_ = index;
    if (VirtualSelected()) {
        ApplyPaper();
        return;
    }
    if (!backend_->MakeCurrent(index)) {
        FallBackToVirtual();
        return;
    }
    ReadPrinterInfo();
}

void TrpPrinter::SelectStoredPrinter(const std::string& name, bool useDefaultPrinter) {
    if (useDefaultPrinter)
        return;
    const auto found = std::find(printerNames_.begin(), printerNames_.end(), name);
    if (found == printerNames_.end())
        return;
    const int index = static_cast<int>(found - printerNames_.begin());
    if (index != printerIndex_)
        SelectPrinter(index);
}

void TrpPrinter::FallBackToVirtual() {
    printerIndex_ = virtualIndex_;
    ApplyPaper();
}

void TrpPrinter::ReadPrinterInfo() {
    if (VirtualSelected() || !backend_) {
        ApplyPaper();
        return;
    }
    std::optional<TrpDeviceInfo> info = backend_->ReadDevice();
    if (!info)
        info = backend_->ReadDevice();
    if (!info || !TakeDeviceInfo(*info))
        FallBackToVirtual();
}

// Steps 2 to 6 of reading a device; false when the device's answers cannot
// be used (no resolution, mismatched lists).
bool TrpPrinter::TakeDeviceInfo(const TrpDeviceInfo& info) {
    if (info.dpiX <= 0 || info.dpiY <= 0 || info.paperCodes.size() != info.paperNames.size() ||
        info.sourceCodes.size() != info.sourceNames.size())
        return false;
    device_ = Cut(info.device, kMaxDeviceTextLength);
    driver_ = Cut(info.driver, kMaxDeviceTextLength);
    port_ = Cut(info.port, kMaxDeviceTextLength);
    paperCode_ = info.paperCode;
    sheetWidth_ = DeviceToTenthsMm(info.physicalWidth, info.dpiX);
    sheetHeight_ = DeviceToTenthsMm(info.physicalHeight, info.dpiY);
    std::size_t papers = std::min<std::size_t>(info.paperCodes.size(), kMaxPaperCodes);
    paperCodes_.assign(info.paperCodes.begin(), info.paperCodes.begin() + papers);
    paperNames_.clear();
    for (std::size_t i = 0; i < papers; ++i)
        paperNames_.push_back(Cut(info.paperNames[i], kMaxPaperNameLength));
    paperSource_ = info.defaultSource;
    sourceCodes_ = {kDefaultPaperSource};
    sourceNames_ = {std::string()};
    for (std::size_t i = 0; i < info.sourceCodes.size(); ++i) {
        sourceCodes_.push_back(info.sourceCodes[i]);
        sourceNames_.push_back(Cut(info.sourceNames[i], kMaxSourceNameLength));
    }
    orientation_ = info.portrait ? TrpOrientation::Portrait : TrpOrientation::Landscape;
    deviceInfo_ = info;
    return true;
}

void TrpPrinter::ApplyVirtualPaper() {
    paperCodes_.clear();
    paperNames_.clear();
    for (const TrpPaperEntry& entry : VirtualPaperTable()) {
        paperCodes_.push_back(entry.code);
        paperNames_.push_back(entry.name);
    }
    sourceCodes_ = {kDefaultPaperSource};
    sourceNames_ = {std::string()};
    const TrpPaperEntry* entry = FindVirtualPaper(paperCode_);
    if (paperCode_ == kUserPaperCode || !entry)
        return;
    bool landscape = orientation_ == TrpOrientation::Landscape;
    sheetWidth_ = landscape ? entry->height : entry->width;
    sheetHeight_ = landscape ? entry->width : entry->height;
}

void TrpPrinter::ApplyPaper() {
    if (VirtualSelected() || !backend_) {
        ApplyVirtualPaper();
        return;
    }
    TrpDeviceMode mode;
    mode.paperCode = paperCode_;
    if (paperCode_ == kUserPaperCode) {
        mode.paperWidth = sheetWidth_;
        mode.paperLength = sheetHeight_;
    }
    mode.portrait = orientation_ == TrpOrientation::Portrait;
    if (!backend_->ApplyDeviceMode(mode)) {
        FallBackToVirtual();
        return;
    }
    ReadPrinterInfo();
}

void TrpPrinter::SetPaper(int size, int width, int height, TrpOrientation orientation, int bin,
                          bool forced) {
    if (backend_ && !VirtualSelected() && backend_->Printing())
        return;
    if (!forced && IsPaperEqual(size, width, height, orientation, bin))
        return;
    paperCode_ = size;
    sheetWidth_ = width;
    sheetHeight_ = height;
    orientation_ = orientation;
    paperSource_ = bin;
    ApplyPaper();
}

bool TrpPrinter::IsPaperEqual(int size, int width, int height, TrpOrientation orientation,
                              int bin) const {
    if (size != paperCode_)
        return false;
    if (size == kUserPaperCode)
        return std::abs(width - sheetWidth_) <= 1 && std::abs(height - sheetHeight_) <= 1 &&
               orientation == orientation_;
    return orientation == orientation_ && (bin == paperSource_ || bin == kDefaultPaperSource);
}

void TrpPrinter::FillPageMetrics(TrpPageMetrics& metrics) const {
    if (VirtualSelected() || !backend_) {
        metrics.sheetWidth = TenthsMmToEnginePixels(sheetWidth_);
        metrics.sheetHeight = TenthsMmToEnginePixels(sheetHeight_);
        metrics.offsetX = TenthsMmToEnginePixels(kVirtualBorderTenthsMm);
        metrics.offsetY = metrics.offsetX;
        metrics.printableWidth = metrics.sheetWidth - 2 * metrics.offsetX;
        metrics.printableHeight = metrics.sheetHeight - 2 * metrics.offsetY;
        return;
    }
    const TrpDeviceInfo& d = deviceInfo_;
    metrics.deviceSheetWidth = d.physicalWidth;
    metrics.deviceSheetHeight = d.physicalHeight;
    metrics.deviceOffsetX = d.physicalOffsetX;
    metrics.deviceOffsetY = d.physicalOffsetY;
    metrics.devicePrintableWidth = d.pageWidth;
    metrics.devicePrintableHeight = d.pageHeight;
    metrics.sheetWidth = DeviceToEnginePixels(d.physicalWidth, d.dpiX);
    metrics.sheetHeight = DeviceToEnginePixels(d.physicalHeight, d.dpiY);
    metrics.offsetX = DeviceToEnginePixels(d.physicalOffsetX, d.dpiX);
    metrics.offsetY = DeviceToEnginePixels(d.physicalOffsetY, d.dpiY);
    metrics.printableWidth = DeviceToEnginePixels(d.pageWidth, d.dpiX);
    metrics.printableHeight = DeviceToEnginePixels(d.pageHeight, d.dpiY);
}

TrpPrinter& Printer() {
    static TrpPrinter printer;
    return printer;
}

} // namespace report

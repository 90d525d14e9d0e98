// QtPrinterBackend: the platform's printers (CUPS through Qt PrintSupport)
// behind the engine's TrpPrinterBackend. Paper codes are the platform paper
// codes that QPageSize maps (windowsId); a size without one is user-defined.
// With no installed printer the list is empty and the engine uses only its
// virtual printer.
//
// State: the current printer (index into the list taken at construction)
// and one QPrinter configured for it; MakeCurrent rebuilds that QPrinter
// from the printer's defaults.
#pragma once

#include "TrpPrinterBackend.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace report {

class QtPrinterBackend : public TrpPrinterBackend {
public:
    QtPrinterBackend();

    std::vector<std::string> PrinterNames() override;
    int CurrentPrinter() override { return current_; }
    bool MakeCurrent(int index) override;
    std::optional<TrpDeviceInfo> ReadDevice() override;
    bool ApplyDeviceMode(const TrpDeviceMode& mode) override;
    bool Printing() override;

private:
    QList<QPrinterInfo> printers_;
    int current_ = -1;
    std::unique_ptr<QPrinter> printer_;
};

} // namespace report

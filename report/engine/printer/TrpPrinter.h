// TrpPrinter: the printer layer between the engine and the platform's
// printing. It lists the platform's printers followed by "Virtual printer",
// selects one, knows its paper sizes, sources and current paper, applies a
// page's paper and reports page metrics in engine pixels.
//
// States: unattached (no backend: only the virtual printer, PaperCode 9)
// -> attached (AttachPrinter). Within attached, the selected entry is either
// a real printer or the virtual one; every failure to read or configure a
// real printer selects the virtual printer (VirtualPrinterIndex, always the
// last entry of PrinterNames). Started() turns true once start-up is done;
// template loading waits for it.
//
// Sizes are in tenths of a millimetre; SheetWidth/SheetHeight are already
// exchanged for landscape.
#pragma once

#include "TrpPageMetrics.h"
#include "TrpPrinterBackend.h"

#include <string>
#include <vector>

namespace report {

enum class TrpOrientation { Portrait, Landscape };

inline constexpr const char* kVirtualPrinterName = "Virtual printer";
// Largest number of paper codes taken from a device.
inline constexpr int kMaxPaperCodes = 256;
// Source code of the printer's default paper bin.
inline constexpr int kDefaultPaperSource = -1;
// Printer identity texts are cut to this many characters.
inline constexpr std::size_t kMaxDeviceTextLength = 127;
// Paper and source names are cut to these lengths.
inline constexpr std::size_t kMaxPaperNameLength = 64;
inline constexpr std::size_t kMaxSourceNameLength = 24;
// The virtual printer's unprintable border: 5 mm.
inline constexpr int kVirtualBorderTenthsMm = 50;

class TrpPrinter {
public:
    TrpPrinter();

    // Rebuilds the printer list from backend (null: none) and reads the
    // current printer, or applies the virtual paper when there is none.
    void AttachPrinter(TrpPrinterBackend* backend);
    // Start-up of the program-wide layer: AttachPrinter, then the default
    // paper is taken from PaperCode, and Started() turns true.
    void StartUp(TrpPrinterBackend* backend);
    void SelectPrinter(int index);
    // The printer a report or prepared report was stored with: unless the
    // report keeps the default printer, the installed printer of that name
    // becomes current (a name not installed, or the current one, changes
    // nothing). Templates, prepared reports and generation all choose
    // through here.
    void SelectStoredPrinter(const std::string& name, bool useDefaultPrinter);
    void ReadPrinterInfo();
    void ApplyPaper();
    void SetPaper(int size, int width, int height, TrpOrientation orientation, int bin,
                  bool forced);
    bool IsPaperEqual(int size, int width, int height, TrpOrientation orientation, int bin) const;
    void FillPageMetrics(TrpPageMetrics& metrics) const;

    bool Started() const { return started_; }
    bool Attached() const { return backend_ != nullptr; }
    bool VirtualSelected() const { return printerIndex_ == virtualIndex_; }
    const std::vector<std::string>& PrinterNames() const { return printerNames_; }
    int PrinterIndex() const { return printerIndex_; }
    int VirtualPrinterIndex() const { return virtualIndex_; }
    int PaperCode() const { return paperCode_; }
    int SheetWidth() const { return sheetWidth_; }
    int SheetHeight() const { return sheetHeight_; }
    TrpOrientation SheetOrientation() const { return orientation_; }
    int PaperSource() const { return paperSource_; }
    int DefaultPaper() const { return defaultPaper_; }
    const std::vector<int>& PaperCodeList() const { return paperCodes_; }
    const std::vector<std::string>& PaperNameList() const { return paperNames_; }
    const std::vector<int>& SourceCodeList() const { return sourceCodes_; }
    const std::vector<std::string>& SourceNameList() const { return sourceNames_; }
    const std::string& Device() const { return device_; }
    const std::string& Driver() const { return driver_; }
    const std::string& Port() const { return port_; }

private:
    void ApplyVirtualPaper();
    bool TakeDeviceInfo(const TrpDeviceInfo& info);
    void FallBackToVirtual();

    TrpPrinterBackend* backend_ = nullptr;
    bool started_ = false;
    std::string device_, driver_, port_;
    std::vector<std::string> printerNames_;
    int printerIndex_ = 0;
    int virtualIndex_ = 0;
    int paperCode_ = 9;
    int sheetWidth_ = 0;
    int sheetHeight_ = 0;
    TrpOrientation orientation_ = TrpOrientation::Portrait;
    int paperSource_ = kDefaultPaperSource;
    int defaultPaper_ = 9;
    std::vector<int> paperCodes_;
    std::vector<std::string> paperNames_;
    std::vector<int> sourceCodes_;
    std::vector<std::string> sourceNames_;
    // The device's metrics, kept for FillPageMetrics of a real printer.
    TrpDeviceInfo deviceInfo_;
};

// The program-wide printer layer.
TrpPrinter& Printer();

} // namespace report

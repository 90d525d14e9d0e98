// TrpPrinterBackend: the engine's view of the platform's printers. The
// engine owns this interface; the platform's implementation (print
// spooler, CUPS) plugs in from outside the engine. A backend that lists no
// printers leaves only the virtual printer.
//
// Every call may fail: ReadDevice returns nothing and ApplyDeviceMode false
// when the device cannot be read or refuses its settings; the printer layer
// then falls back to the virtual printer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace report {

// What the platform reports about its selected printer, in device units.
struct TrpDeviceInfo {
    std::string device, driver, port;
    int paperCode = 0;
    bool portrait = true;
    int defaultSource = 0;
    int dpiX = 0, dpiY = 0;
    int physicalWidth = 0, physicalHeight = 0;
    int physicalOffsetX = 0, physicalOffsetY = 0;
    int pageWidth = 0, pageHeight = 0;
    std::vector<int> paperCodes;
    std::vector<std::string> paperNames;
    std::vector<int> sourceCodes;
    std::vector<std::string> sourceNames;
};

// The settings the printer layer writes into a device mode.
struct TrpDeviceMode {
    int paperCode = 0;
    // Used for a user-defined size only, tenths of a millimetre.
    int paperWidth = 0, paperLength = 0;
    bool portrait = true;
    int copies = 1;
    // The platform's low-resolution print quality.
    int printQuality = -2;
};

class TrpPrinterBackend {
public:
    virtual ~TrpPrinterBackend() = default;
    // The installed printers, in the platform's order.
    virtual std::vector<std::string> PrinterNames() = 0;
    // Index of the platform's current printer in PrinterNames, or -1.
    virtual int CurrentPrinter() = 0;
    // Makes the printer at index current, starting from its default settings.
    virtual bool MakeCurrent(int index) = 0;
    virtual std::optional<TrpDeviceInfo> ReadDevice() = 0;
    virtual bool ApplyDeviceMode(const TrpDeviceMode& mode) = 0;
    // True while a print job is running on the current printer.
    virtual bool Printing() = 0;
};

} // namespace report

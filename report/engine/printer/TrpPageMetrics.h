// TrpPageMetrics: the sheet, unprintable border and printable area of one
// page, in device units (a real printer only) and in engine pixels. Filled by
// TrpPrinter::FillPageMetrics; prepared pages keep one each.
#pragma once

namespace report {

struct TrpPageMetrics {
    int deviceSheetWidth = 0;
    int deviceSheetHeight = 0;
    int sheetWidth = 0;
    int sheetHeight = 0;
    int deviceOffsetX = 0;
    int deviceOffsetY = 0;
    int offsetX = 0;
    int offsetY = 0;
    int devicePrintableWidth = 0;
    int devicePrintableHeight = 0;
    int printableWidth = 0;
    int printableHeight = 0;

    bool operator==(const TrpPageMetrics&) const = default;
};

} // namespace report

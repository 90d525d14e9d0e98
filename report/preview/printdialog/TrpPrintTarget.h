// TrpPrintTarget: what the print job prints to. The job decides the order
// of sheets and their paper; the target only carries them out: a QPrinter
// on a platform printer or a PDF file (TrpQtPrintTarget), or a recording
// in tests.
//
// Calls, in this order for one job:
//   BeginDoc(title)                 once, before any sheet
//   StartSheet(paper)               for every printed page; the paper may
//                                   differ from the previous sheet's
//   DrawPage(pages, index, rect)    after each StartSheet
//   EndDoc()  or  Abort()           once; Abort drops what was not sent
// Rectangles are device units with the origin at the sheet's top-left
// corner (the whole sheet, not the printable area).
#pragma once

#include "TrpPrinter.h"

#include <QRect>
#include <string>

namespace report {

class TrpEMFPages;

// A sheet's paper as a prepared page records it: size code (kUserPaperCode
// for a user size), width and height in tenths of a millimetre (already
// exchanged for landscape), orientation and bin.
struct TrpPrintPaper {
    int size = 0;
    int width = 0;
    int height = 0;
    TrpOrientation orientation = TrpOrientation::Portrait;
    int bin = kDefaultPaperSource;

    bool operator==(const TrpPrintPaper&) const = default;
};

class TrpPrintTarget {
public:
    virtual ~TrpPrintTarget() = default;
    virtual void BeginDoc(const std::string& title) = 0;
    virtual void StartSheet(const TrpPrintPaper& paper) = 0;
    virtual void DrawPage(TrpEMFPages& pages, std::size_t index, const QRect& rect) = 0;
    virtual void EndDoc() = 0;
    virtual void Abort() = 0;
    // Device dots per inch, for a printer layer that reports no device
    // (the virtual printer, which stands behind PDF files).
    virtual int Resolution() const = 0;
};

} // namespace report

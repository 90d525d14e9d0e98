// TrpBandPrinter: printing one run-time band on the current page - its
// script and the requests it makes ("NEWPAGE", "NEWCOLUMN", "CURY"), the
// fit test against the bottom limit, stretching, splitting a breakable band
// over pages, band columns, writing each object into the generated page,
// and accumulating and resetting aggregates.
//
// It works on the page generator's forming state and asks the generator
// for new columns and pages. An object's layout mode (TrpMemoLayoutState)
// is back at Normal when its band is done, except between the parts of a
// band being split.
#pragma once

#include "TrpCrossPrinter.h"

#include <QRect>
#include <map>
#include <string>

namespace report {

class TrpBand;
class TrpPageGenerator;
class TrpView;

class TrpBandPrinter {
public:
    explicit TrpBandPrinter(TrpPageGenerator& generator)
        : gen_(generator), cross_(generator, *this) {}

    // Prints band (nothing for null). False when the band did not fit on a
    // sub-report page and was not printed.
    bool PrintBand(TrpBand* band);
    // Forgets the last printed texts of "Suppress" objects.
    void ForgetSuppressed() { suppressed_.clear(); }
    // Forgets them for the text objects of band only.
    void ForgetSuppressed(const TrpBand& band);
    // The stored value of a group header's condition and of the headers
    // after it.
    void StoreGroupValues(TrpBand& header);
    // Prints a cross cell moved right by x and down by top into the current
    // generated page; band is the cell's band rectangle on the page.
    void PrintCell(TrpView& view, int x, int top, const QRect& band);

private:
    bool PrintVisible(TrpBand& band);
    void RunBandScript(TrpBand& band);
    void ServeRequests(TrpBand& band);
    int StretchedHeight(TrpBand& band);
    int NeededHeight(TrpBand& band);
    bool Breaks(int top, int height, bool reserveColumnFooter) const;
    void DrawBand(TrpBand& band);
    void DrawBreakable(TrpBand& band, int top);
    // True when the band's sub-reports ran and moved CurY.
    bool PrintObjects(TrpBand& band, int top);
    void PrintObject(TrpView& view, int top);
    void PrintMoved(TrpView& view, int dx, int dy);
    void PrintView(TrpView& view);
    void AdvanceBandColumn(TrpBand& band, int height);
    void Accumulate(TrpBand& band);
    void ResetRead(TrpBand& band);

    TrpPageGenerator& gen_;
    TrpCrossPrinter cross_;
    std::map<const TrpView*, std::string> suppressed_;
    // The rectangle of the band whose objects print whole right now (page
    // coordinates), or of the part of a breakable band on this page.
    const QRect* printBand_ = nullptr;
};

} // namespace report

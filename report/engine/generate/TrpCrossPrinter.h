// TrpCrossPrinter: the cross cells of a row band. Cross bands (header, data,
// footer) are vertical strips; an object lying in a strip and in a row band
// is a cell of both, its left relative to the strip and its top relative to
// the row. Each time a row band is drawn its cells print left to right: the
// cross header once, the cross data band once per record of its dataset (a
// column, "COLUMN#" counting from 1), then the cross footer.
//
// States while one row prints its cells:
//   idle --PrintCells(row)--> columns: x moves right by each column's width;
//     a column past the right bound --> x back at the left bound on the next
//     generated page (started for this template page when missing, with
//     overlay and page header), the "RepeatHeader" cross header first
//   columns --footer done--> idle, the page counter back on the page where
//     the row began (the next band continues there)
// The printer is not re-entrant: a page header printed for an overflow page
// shows no cells of its own. "COLUMN#" keeps its last value afterwards.
#pragma once

#include <QRect>

namespace report {

class TrpBand;
class TrpBandPrinter;
class TrpDataset;
class TrpPageGenerator;

class TrpCrossPrinter {
public:
    TrpCrossPrinter(TrpPageGenerator& generator, TrpBandPrinter& printer)
        : gen_(generator), printer_(printer) {}

    // Prints row's cells with the row's top at top (page coordinates).
    void PrintCells(TrpBand& row, int top, int height);
    // The height of row when every column is measured; negative when the
    // row has no columns to measure (no cross data band or dataset), so the
    // caller measures it as a band without cells.
    int StretchedHeight(TrpBand& row);

private:
    void PrintHeader(TrpBand& row);
    void PrintColumns(TrpBand& row, TrpBand& data, TrpDataset& dataset);
    void PrintFooter(TrpBand& row);
    void PrintCellsOf(TrpBand& cross, TrpBand& row, int width);
    void FitWidth(TrpBand& row, int width);
    void StartOverflowPage();
    void AccumulateColumn(TrpBand& data, TrpBand& row);
    bool RunScript(TrpBand& cross);
    int MeasureColumn(TrpBand& row);

    TrpPageGenerator& gen_;
    TrpBandPrinter& printer_;
    bool active_ = false;
    int x_ = 0;
    int rowTop_ = 0, rowHeight_ = 0;
    int rowFirstPage_ = 0;
};

} // namespace report

// The engine-wide state of a running generation as expressions read it:
// the values of the special variables, the bands that aggregate calls
// concern, and the engine operations scripts may ask for. The generation
// engine keeps it up to date; outside generation it holds its defaults
// (so "PAGE#" is 0 and "TOTALPAGES" 0). One report generates at a time, on
// the one engine thread.
#pragma once

#include "TrpValue.h"

#include <functional>
#include <string>

namespace tabula {
class TDataSet;
}

namespace report {

class TrpAggregateBand;
class TrpView;

struct TrpGenerationInfo {
    int PageNo = 0;        // "PAGE#", from 1
    int TotalPages = 0;    // "TOTALPAGES", after a first pass
    int LineNo = 0;        // "LINE#"
    int LineThroughNo = 0; // "LINETHROUGH#"
    int ColumnNo = 1;      // "COLUMN#"
    int CurrentNo = 1;     // "CURRENT#"
    int CurY = 0;          // "CURY"
    int PageBottom = 0;    // "PAGEHEIGHT"; "FREESPACE" is PageBottom - CurY
    // Set when a script assigns "CURY"; a band with pending "NEWPAGE" or
    // "NEWCOLUMN" requests then keeps the position the script chose.
    bool CurYSetByScript = false;
    int PageWidth = 0;        // "PAGEWIDTH"
    double StartDateTime = 0; // "DATE" and "TIME": when generation started
    TrpValue LastValue;       // "VALUE"

    // Aggregates: the band being printed, and while the engine collects
    // the aggregates of a data band, that band.
    TrpAggregateBand* CurrentBand = nullptr;
    TrpAggregateBand* CollectingBand = nullptr;
    // The row band whose cross cells are printing; null otherwise.
    TrpAggregateBand* CrossRowBand = nullptr;
    bool CollectingAggregates() const { return CollectingBand != nullptr; }

    // The default of field references: DefaultDataset when set (outside
    // generation), else the current band's default table dataset.
    tabula::TDataSet* DefaultDataset = nullptr;
    tabula::TDataSet* CurrentDefaultDataset() const;

    // Engine operations of scripts; an empty one does nothing.
    std::function<void()> NewPage, NewColumn;
    std::function<void(const std::string& bandName)> ShowBand;
    // The width an object's evaluated text needs ("CALCWIDTH"); without
    // it, the object's width.
    std::function<int(TrpView& view)> CalcWidth;
    // "PROGRESS" assigned by a script.
    std::function<void(const std::string& text)> ShowProgress;
    // Lets the program process window messages while a script loops (the
    // progress window's Cancel, a renderer's time limit), which may set the
    // report's terminated flag.
    std::function<void()> PollEvents;
    // Sets the dialog window's result ("MODALRESULT"); false when the
    // current page is no dialog page.
    std::function<bool(const TrpValue& result)> SetModalResult;
};

TrpGenerationInfo& GenerationInfo();

} // namespace report

// Accumulating a data band's registered aggregates for one record (and,
// inside cross printing, for one column). The keys are those of
// TrpAggregates.h; values start at 0, "MIN" at kAggregateMinStart.
//
// For each entry in list order: "COUNT" adds 1; the others evaluate their
// expression (an expression text equal to the one evaluated just before in
// this round reuses that value), "SUM" and "AVG" add it, "MIN" and "MAX"
// keep the smaller or greater. While the band is invisible only entries
// whose flag is "1" change. Afterwards the band's record count grows by 1.
// With cross cells, entries keyed "0"... first gain a per-column copy keyed
// by the current column number, and only the current column's entries are
// accumulated.
#pragma once

#include "TrpValue.h"

#include <functional>
#include <string>

namespace report {

class TrpAggregateBand;

struct TrpAccumulationRound {
    bool BandVisible = true;
    bool HoldsCrossCells = false;
    int ColumnNo = 1; // "COLUMN#" while cross cells are printed
    // Evaluates an aggregate's expression text.
    std::function<TrpValue(const std::string& expression)> Evaluate;
};

// Accumulates one round into band's aggregates; the band's record count is
// raised through incrementRecordCount (empty for a column round of a row
// band: its record was counted by its record round). A record round skips
// the per-column copies.
void AccumulateAggregates(TrpAggregateBand& band, const TrpAccumulationRound& round,
                          const std::function<void()>& incrementRecordCount);

// Resets the aggregates that reader reads (the entries of its remembered
// data band keyed by reader) to their starting values, and through
// resetRecordCount that data band's record count. Does nothing when reader
// registered no aggregate.
void ResetAggregates(TrpAggregateBand& reader, const std::function<void()>& resetRecordCount);

} // namespace report

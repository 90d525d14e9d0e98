// Placeholder until accumulation lands: counts records only.
#include "TrpAggregateAccumulator.h"

namespace report {

void AccumulateAggregates(TrpAggregateBand&, const TrpAccumulationRound&,
                          const std::function<void()>& incrementRecordCount) {
    incrementRecordCount();
}

void ResetAggregates(TrpAggregateBand&, const std::function<void()>& resetRecordCount) {
    resetRecordCount();
}

} // namespace report

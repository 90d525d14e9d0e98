// TrpUserDataset: a report dataset without data of its own. Its walk is
// driven by the range (reCount with RangeEndCount: a band printed that many
// times) and by the events of TrpDataset (OnFirst, OnNext, OnPrior,
// OnCheckEOF), through which the caller supplies its own records.
#pragma once

#include "TrpDataset.h"

namespace report {

class TrpUserDataset : public TrpDataset {
public:
    using TrpDataset::TrpDataset;
};

} // namespace report

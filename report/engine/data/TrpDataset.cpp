// TrpDataset: record counting, the count range and the events.
#include "TrpDataset.h"

namespace report {

TrpDataset::TrpDataset(tabula::TComponent* owner) : tabula::TComponent(owner) {}

void TrpDataset::First() {
    recordNo_ = 0;
    if (OnFirst)
        OnFirst(*this);
}

void TrpDataset::Next() {
    ++recordNo_;
    const bool withinCount = RangeEnd != TRangeEnd::reCount || recordNo_ < RangeEndCount;
    if (withinCount && OnNext)
        OnNext(*this);
}

void TrpDataset::Prior() {
    --recordNo_;
    if (OnPrior)
        OnPrior(*this);
}

bool TrpDataset::Eof() {
    bool eof = RangeEnd == TRangeEnd::reCount && recordNo_ >= RangeEndCount;
    if (OnCheckEOF)
        OnCheckEOF(*this, eof);
    return eof;
}

} // namespace report

// The engine-wide generation state.
#include "TrpGenerationInfo.h"

#include "TrpAggregates.h"

namespace report {

TrpGenerationInfo& GenerationInfo() {
    static TrpGenerationInfo info;
    return info;
}

tabula::TDataSet* TrpGenerationInfo::CurrentDefaultDataset() const {
    if (DefaultDataset)
        return DefaultDataset;
    return CurrentBand ? CurrentBand->DefaultTableDataset() : nullptr;
}

} // namespace report

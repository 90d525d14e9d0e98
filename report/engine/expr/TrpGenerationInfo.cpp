// The engine-wide generation state.
#include "TrpGenerationInfo.h"

namespace report {

TrpGenerationInfo& GenerationInfo() {
    static TrpGenerationInfo info;
    return info;
}

} // namespace report

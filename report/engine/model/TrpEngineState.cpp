// The report engine's engine-wide state.
#include "TrpEngineState.h"

namespace report {

TrpEngineState& EngineState() {
    static TrpEngineState state;
    return state;
}

} // namespace report

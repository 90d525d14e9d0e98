// The engine-wide named-value lists.
#include "TrpEngineLists.h"

namespace report {

TrpVariables& GlobalVariables() {
    static TrpVariables variables(true);
    return variables;
}

TrpVariables& EngineConstants() {
    static TrpVariables constants(true);
    return constants;
}

} // namespace report

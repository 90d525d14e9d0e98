// TrpDataDictionary: the report's three name/value lists.
#include "TrpDataDictionary.h"

namespace report {

bool TrpDataDictionary::IsVariable(const std::string& name) const {
    return !IsCategory(name) && Variables.IndexOf(name) >= 0;
}

void TrpDataDictionary::Clear() {
    Variables.Clear();
    Aliases.Clear();
    ThirdList.Clear();
}

} // namespace report

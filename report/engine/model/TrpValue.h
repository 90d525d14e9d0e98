// TrpValue: the value the report engine computes with (field values,
// variables, expression results). For now it is the dataset framework's
// variant; this is the one place that says so, so that the report's own
// value type can replace it without touching the users.
#pragma once

#include "tabula/Variant.h"

namespace report {

using TrpValue = tabula::TVariant;

inline bool IsNull(const TrpValue& value) {
    return tabula::VarIsNull(value);
}

} // namespace report

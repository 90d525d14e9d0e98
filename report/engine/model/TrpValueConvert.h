// Conversions of report values for property access: a script hands any
// value to a property, and each property takes it in its own type. Null
// converts to 0, false and the empty text; a text that is no number
// converts to 0.
#pragma once

#include "TrpObjectCodes.h"
#include "TrpValue.h"

#include <cstdint>
#include <string>

namespace report {

std::int64_t ValueToInt(const TrpValue& value);
double ValueToReal(const TrpValue& value);
bool ValueToBool(const TrpValue& value);
std::string ValueToText(const TrpValue& value);

// Memo text as one value: lines joined by CR LF; and back (CR LF, a lone
// CR or a lone LF ends a line; a final line end adds no empty line).
std::string JoinLines(const TrpStrings& lines);
TrpStrings SplitLines(const std::string& text);

} // namespace report

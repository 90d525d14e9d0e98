// The standard function library of report expressions: aggregates, date
// parts, formatting, text functions, "INPUT" and "MESSAGEBOX". Names are
// matched exactly (upper case); arguments arrive as unevaluated texts and
// each function evaluates the ones it uses with the parser.
#pragma once

#include "TrpParser.h"

namespace report {

// Runs the library function name and sets result; false when the library
// has no function of that name.
bool CallStandardFunction(TrpParser& parser, const std::string& name, const std::string& p1,
                          const std::string& p2, const std::string& p3, TrpValue& result);

} // namespace report

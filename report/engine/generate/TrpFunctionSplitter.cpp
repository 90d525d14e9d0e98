// Placeholder until the scanner lands: finds no calls.
#include "TrpFunctionSplitter.h"

#include <utility>

namespace report {

TrpFunctionSplitter::TrpFunctionSplitter(std::vector<std::string> functionNames,
                                         const TrpVariables* variables)
    : names_(std::move(functionNames)), variables_(variables) {}

void TrpFunctionSplitter::Split(const std::string&, std::vector<std::string>&) const {}

TAggregateFunctionsSplitter::TAggregateFunctionsSplitter(const TrpVariables* variables)
    : TrpFunctionSplitter({"AVG", "COUNT", "MAX", "MIN", "SUM"}, variables) {}

} // namespace report

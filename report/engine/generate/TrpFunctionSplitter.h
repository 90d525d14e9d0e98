// TrpFunctionSplitter: a scanner that, given a list of function names,
// collects every call of those names from an expression text - the text
// from the function name to its closing parenthesis - including calls inside
// the arguments of other calls and inside the expression texts of the
// dictionary variables the text names. Quoted texts are skipped.
//
// TAggregateFunctionsSplitter is the splitter of "AVG", "COUNT", "MAX",
// "MIN" and "SUM", which the engine uses to find the aggregate calls of a
// band before it evaluates them once to register them.
#pragma once

#include <string>
#include <vector>

namespace report {

class TrpVariables;

class TrpFunctionSplitter {
public:
    // Names are matched without regard to case. variables may be null.
    TrpFunctionSplitter(std::vector<std::string> functionNames, const TrpVariables* variables);
    virtual ~TrpFunctionSplitter() = default;

    // Appends to calls every call found in expression, in text order (an
    // outer call before the calls inside its arguments).
    void Split(const std::string& expression, std::vector<std::string>& calls) const;

private:
    std::vector<std::string> names_;
    const TrpVariables* variables_;
};

class TAggregateFunctionsSplitter : public TrpFunctionSplitter {
public:
    explicit TAggregateFunctionsSplitter(const TrpVariables* variables);
};

} // namespace report

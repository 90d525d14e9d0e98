// TrpFunctionSplitter: a scanner that, given a list of function names,
// collects every call of those names from an expression text - the text
// from the function name to its closing parenthesis - including calls inside
// the arguments of other calls and inside the expression texts of the
// dictionary variables the text names. Quoted texts are skipped.
//
// TAggregateFunctionsSplitter is the splitter of "AVG", "COUNT", "MAX",
// "MIN" and "SUM", which the engine uses to find the aggregate calls of a
// band before it evaluates them once to register them.
//
// Scanning follows the expression language: a name is a whole identifier
// (letters, digits, "_", ".", "#" and double-quoted parts), so "SUMMARY"
// and "Memo1.SUM" are no calls of "SUM"; blanks may stand between the name
// and "("; a call whose parentheses do not close is left out (evaluating
// the text reports it later). A dictionary variable is expanded once per
// Split - its calls would only register the same keys again - which also
// ends a variable that names itself, directly or through others; variables
// nested deeper than kMaxVariableNesting are not expanded.
#pragma once

#include "TrpObjectCodes.h"

#include <string>
#include <vector>

namespace report {

class TrpVariables;
class TrpView;

// Dictionary variables are expanded at most this deep, so that a hostile
// template cannot exhaust the stack.
inline constexpr int kMaxVariableNesting = 200;

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

// Appends the calls found in the lines of a script, either as written or
// in its compiled form (TrpScriptFormat.h: the jump target bytes of a jump
// instruction are skipped, the rest of every line is expression text).
void SplitScript(const TrpFunctionSplitter& splitter, const TrpStrings& script,
                 std::vector<std::string>& calls);

// Appends the calls of one band: first its own script, then for each
// object in order the bracketed expressions of a text object's memo lines
// (without their inline format; none for a "TextOnly" object, whose memo
// is never expanded) and the object's script.
void SplitBand(const TrpFunctionSplitter& splitter, const TrpStrings& bandScript,
               const std::vector<TrpView*>& objects, std::vector<std::string>& calls);

} // namespace report

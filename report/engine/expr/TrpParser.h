// TrpParser: the report's expression language. Calc converts a text to
// postfix form (TrpExpressionCodes.h) and evaluates it on a stack of
// values. Names and calls the parser does not know itself go to two hooks:
//   OnGetValue(name)                    identifiers (upper-cased) and
//                                       [bracket] texts (as written);
//   OnFunction(name, arg1, arg2, arg3)  calls by upper-cased name with the
//                                       argument texts unevaluated, and
//                                       name[index] as "GETARRAY"(name, index).
// Without hooks a name is 0 and a call is the text "0".
//
// The parser is re-entrant: hooks may call Calc again. Nesting deeper than
// kMaxEvaluationDepth raises ETrpExpressionError.
#pragma once

#include "TrpExpressionError.h"
#include "TrpValue.h"

#include <functional>
#include <string>

namespace report {

class TrpParser {
public:
    using GetValueHook = std::function<TrpValue(const std::string& name)>;
    using FunctionHook = std::function<TrpValue(const std::string& name, const std::string& p1,
                                                const std::string& p2, const std::string& p3)>;
    GetValueHook OnGetValue;
    FunctionHook OnFunction;

    // The postfix form of text; raises ETrpExpressionError on a syntax fault.
    static std::string StrToPostfix(const std::string& text);
    // The value of a postfix text; an empty one is 0.
    TrpValue CalcPostfix(const std::string& postfix);
    TrpValue Calc(const std::string& text) { return CalcPostfix(StrToPostfix(text)); }

private:
    TrpValue Operand(const std::string& token);
    TrpValue Call(const std::string& token, std::size_t open);
    TrpValue Name(const std::string& name);
    TrpValue Function(const std::string& name, const std::string& p1, const std::string& p2,
                      const std::string& p3);
};

} // namespace report

// TrpInterpretator: compiles report scripts (TrpScriptCompiler) and runs
// compiled ones. It owns an expression parser whose value and function
// hooks are its virtual ReadValue and CallFunction; assignments go to the
// virtual AssignValue. The base class resolves nothing: names read as
// empty, calls give empty values, assignments are dropped.
//
// Running: an instruction counter from 0 while it is below the count.
// Every jump taken asks Terminated(), and every kJumpsPerPoll jumps
// PollEvents() runs first, so that a loop stops once the report is
// terminated (Cancel in the progress window, a renderer's time limit, or
// "STOPREPORT" in the script). Errors of expressions propagate.
#pragma once

#include "TrpObjectCodes.h"
#include "TrpParser.h"

namespace report {

class TrpInterpretator {
public:
    TrpInterpretator();
    virtual ~TrpInterpretator() = default;
    TrpInterpretator(const TrpInterpretator&) = delete;
    TrpInterpretator& operator=(const TrpInterpretator&) = delete;

    virtual TrpValue ReadValue(const std::string& name);
    virtual void AssignValue(const std::string& name, const TrpValue& value);
    virtual TrpValue CallFunction(const std::string& name, const std::string& p1,
                                  const std::string& p2, const std::string& p3);
    // Clears destination and errors and compiles source into destination
    // (source and destination may be the same list). At the first error
    // errors holds one entry "Line l/c: message".
    virtual void CompileScript(const TrpStrings& source, TrpStrings& destination,
                               TrpStrings& errors);
    virtual void RunScript(const TrpStrings& compiled);
    // The postfix expression an instruction evaluates (empty for a plain
    // jump), as aggregate collection scans it.
    static std::string InstructionExpression(const std::string& instruction);

protected:
    virtual bool Terminated() { return false; }
    virtual void PollEvents() {}

private:
    // The next instruction index after a jump to target; compiled.size()
    // when the script must stop.
    std::size_t Jump(const std::string& instruction, std::size_t count);

    TrpParser parser_;
    unsigned jumps_ = 0;
};

} // namespace report

// The report script interpreter: compiling and running.
#include "TrpInterpretator.h"

#include "TrpExpressionText.h"
#include "TrpObject.h"
#include "TrpScriptCompiler.h"
#include "TrpScriptFormat.h"

namespace report {

TrpInterpretator::TrpInterpretator() {
    parser_.OnGetValue = [this](const std::string& name) { return ReadValue(name); };
    parser_.OnFunction = [this](const std::string& name, const std::string& p1,
                                const std::string& p2,
                                const std::string& p3) { return CallFunction(name, p1, p2, p3); };
}

TrpValue TrpInterpretator::ReadValue(const std::string&) {
    return {};
}

void TrpInterpretator::AssignValue(const std::string&, const TrpValue&) {}

TrpValue TrpInterpretator::CallFunction(const std::string&, const std::string&, const std::string&,
                                        const std::string&) {
    return {};
}

void TrpInterpretator::CompileScript(const TrpStrings& source, TrpStrings& destination,
                                     TrpStrings& errors) {
    TrpStrings code;
    std::string error = TrpScriptCompiler().Compile(source, code);
    destination = std::move(code);
    errors.clear();
    if (!error.empty())
        errors.push_back(error);
}

std::size_t TrpInterpretator::Jump(const std::string& instruction, std::size_t count) {
    if (++jumps_ % kJumpsPerPoll == 0)
        PollEvents();
    if (Terminated())
        return count;
    auto lo = static_cast<unsigned char>(instruction[1]);
    auto hi = static_cast<unsigned char>(instruction[2]);
    return static_cast<std::size_t>(lo) | (static_cast<std::size_t>(hi) << 8);
}

std::string TrpInterpretator::InstructionExpression(const std::string& instruction) {
    if (instruction.empty())
        return {};
    switch (instruction[0]) {
    case kInstrCondJump:
        return instruction.size() > kJumpHeader ? instruction.substr(kJumpHeader) : "";
    case kInstrJump:
        return {};
    case kInstrCall:
        return instruction.substr(1);
    default: {
        std::size_t blank = instruction.find(' ');
        return blank == std::string::npos ? "" : instruction.substr(blank + 1);
    }
    }
}

void TrpInterpretator::RunScript(const TrpStrings& compiled) {
    const std::size_t count = compiled.size();
    jumps_ = 0;
    for (std::size_t pc = 0; pc < count;) {
        const std::string& code = compiled[pc];
        if (code.empty()) {
            ++pc;
            continue;
        }
        char kind = code[0];
        if ((kind == kInstrCondJump || kind == kInstrJump) && code.size() < kJumpHeader) {
            ++pc; // a damaged jump has no target
        } else if (kind == kInstrCondJump) {
            TrpValue value = parser_.CalcPostfix(InstructionExpression(code));
            pc = Compare(value, 0) == 0 ? Jump(code, count) : pc + 1;
        } else if (kind == kInstrJump) {
            pc = Jump(code, count);
        } else if (kind == kInstrCall) {
            std::string call = InstructionExpression(code);
            if (UpperName(TrimText(call)) == "EXIT(0)")
                return;
            parser_.CalcPostfix(call);
            ++pc;
        } else {
            std::string name = code.substr(0, code.find(' '));
            AssignValue(name, parser_.CalcPostfix(InstructionExpression(code)));
            ++pc;
        }
    }
}

} // namespace report

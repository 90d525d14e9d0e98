// The report script interpreter.
#include "TInterpretator.h"

#include "TrpEngineState.h"
#include "TrpGenerationInfo.h"
#include "TrpReport.h"
#include "TrpReportEvaluator.h"

namespace report {

TrpReportEvaluator* TInterpretator::Evaluator() {
    TrpReport* report = EngineState().CurrentReport;
    return report ? &EvaluatorOf(*report) : nullptr;
}

TrpValue TInterpretator::ReadValue(const std::string& name) {
    TrpReportEvaluator* evaluator = Evaluator();
    return evaluator ? evaluator->GetValue(name) : TrpInterpretator::ReadValue(name);
}

void TInterpretator::AssignValue(const std::string& name, const TrpValue& value) {
    if (TrpReportEvaluator* evaluator = Evaluator())
        evaluator->AssignValue(name, value);
}

TrpValue TInterpretator::CallFunction(const std::string& name, const std::string& p1,
                                      const std::string& p2, const std::string& p3) {
    TrpReportEvaluator* evaluator = Evaluator();
    return evaluator ? evaluator->CallFunction(name, p1, p2, p3)
                     : TrpInterpretator::CallFunction(name, p1, p2, p3);
}

bool TInterpretator::Terminated() {
    TrpReport* report = EngineState().CurrentReport;
    return report && report->Terminated;
}

void TInterpretator::PollEvents() {
    if (GenerationInfo().PollEvents)
        GenerationInfo().PollEvents();
}

TInterpretator& EngineInterpretator() {
    static TInterpretator interpretator;
    return interpretator;
}

} // namespace report

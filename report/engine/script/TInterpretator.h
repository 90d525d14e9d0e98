// TInterpretator: the engine-wide script interpreter of reports. Names,
// calls and assignments go to the current report's evaluator (the report
// the engine state names; without one it behaves like its base class), and
// loops stop once that report is terminated.
#pragma once

#include "TrpInterpretator.h"

namespace report {

class TrpReportEvaluator;

class TInterpretator : public TrpInterpretator {
public:
    TrpValue ReadValue(const std::string& name) override;
    void AssignValue(const std::string& name, const TrpValue& value) override;
    TrpValue CallFunction(const std::string& name, const std::string& p1, const std::string& p2,
                          const std::string& p3) override;

protected:
    bool Terminated() override;
    void PollEvents() override;

private:
    TrpReportEvaluator* Evaluator();
};

// The one interpreter all reports share.
TInterpretator& EngineInterpretator();

} // namespace report

// The report engine's engine-wide state: the current report and the current
// object, which the expression evaluator consults (for example for
// "CALCWIDTH"). One report generates or draws at a time, on the one
// user-interface thread.
#pragma once

namespace report {

class TrpReport;
class TrpView;

struct TrpEngineState {
    TrpReport* CurrentReport = nullptr;
    TrpView* CurrentView = nullptr;
};

TrpEngineState& EngineState();

} // namespace report

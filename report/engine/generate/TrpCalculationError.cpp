// TrpCalculationError: composing and keeping the first calculation error.
#include "TrpCalculationError.h"

#include "TrpMessages.h"
#include "TrpReport.h"
#include "TrpView.h"

namespace report {

namespace {

struct TErrorState {
    bool occurred = false;
    std::string text;
};

TErrorState& State() {
    static TErrorState state;
    return state;
}

constexpr const char* kLineBreak = "\n";

} // namespace

void TrpCalculationError::Report(TrpReport& report, const TrpView* object,
                                 const std::string& message) {
    report.Terminated = true;
    TErrorState& state = State();
    if (state.occurred)
        return;
    state.occurred = true;
    std::string text(MessageText(kMsgCalculationError));
    if (object)
        for (const std::string& line : object->Memo)
            text += kLineBreak + line;
    text += std::string(kLineBreak) + kLineBreak;
    text += std::string(MessageText(kMsgReport)) + " " + report.Name() + kLineBreak;
    if (object)
        text += std::string(MessageText(kMsgObject)) + " " + object->Name + kLineBreak;
    text += kLineBreak + message;
    state.text = std::move(text);
}

bool TrpCalculationError::Occurred() {
    return State().occurred;
}
const std::string& TrpCalculationError::Text() {
    return State().text;
}
void TrpCalculationError::Clear() {
    State() = TErrorState{};
}

} // namespace report

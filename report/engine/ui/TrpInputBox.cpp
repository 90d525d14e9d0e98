// The installed input-box sink.
#include "TrpInputBox.h"

namespace report {
namespace {
TrpInputBoxSink* installedSink = nullptr;
}

TrpInputBoxSink* SetInputBoxSink(TrpInputBoxSink* sink) {
    TrpInputBoxSink* previous = installedSink;
    installedSink = sink;
    return previous;
}

std::string ShowInputBox(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText) {
    return installedSink ? installedSink->InputBox(caption, prompt, defaultText) : defaultText;
}

int ShowFlaggedMessageBox(const std::string& text, const std::string& caption, std::int64_t flags) {
    return installedSink ? installedSink->MessageBox(text, caption, flags) : kDialogResultOk;
}

} // namespace report

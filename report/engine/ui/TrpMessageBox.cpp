// The installed message-box sink.
#include "TrpMessageBox.h"

namespace report {
namespace {
TrpMessageBoxSink* installedSink = nullptr;
}

TrpMessageBoxSink* SetMessageBoxSink(TrpMessageBoxSink* sink) {
    TrpMessageBoxSink* previous = installedSink;
    installedSink = sink;
    return previous;
}

void ShowMessageBox(const std::string& text, const std::string& caption, TrpMessageIcon icon) {
    if (installedSink)
        installedSink->ShowMessageBox(text, caption, icon);
}

} // namespace report

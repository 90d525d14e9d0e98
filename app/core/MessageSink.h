// The seam through which the application's core shows a modal message box
// with one OK button. The desktop program shows a real box; the command-line
// checker and the tests record the text instead of blocking.
#pragma once

#include <string>

namespace morvane {

enum class TMessageKind { Error, Information };

class TMessageSink {
public:
    virtual ~TMessageSink() = default;
    virtual void ShowMessage(TMessageKind kind, const std::string& text) = 0;
};

} // namespace morvane

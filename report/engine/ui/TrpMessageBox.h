// The seam through which the report engine shows a modal message box (a
// text, a caption and an icon, one OK button). The engine never opens a
// window itself: the program installs a sink that shows a real box, and the
// tests and the command-line renderer install one that records the box.
// With no sink installed the box is dropped.
#pragma once

#include <string>

namespace report {

enum class TrpMessageIcon { Error, Warning, Information };

class TrpMessageBoxSink {
public:
    virtual ~TrpMessageBoxSink() = default;
    virtual void ShowMessageBox(const std::string& text, const std::string& caption,
                                TrpMessageIcon icon) = 0;
};

// Installs sink (null: none) and returns the previous one.
TrpMessageBoxSink* SetMessageBoxSink(TrpMessageBoxSink* sink);
// Shows a box through the installed sink.
void ShowMessageBox(const std::string& text, const std::string& caption, TrpMessageIcon icon);

} // namespace report

// TQtMessageSink: the application's modal message boxes with one OK button
// (error = critical icon, information = information icon).
//
// Test seam: when a capture function is installed, every message goes to it
// instead of a box, so tests read the texts without a blocking dialog. The
// capture is process-wide and meant for tests only; the program never sets
// it.
#pragma once

#include "MessageSink.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

namespace morvane {

class TQtMessageSink : public TMessageSink {
public:
    using TCapture = std::function<void(TMessageKind kind, const std::string& text)>;

    explicit TQtMessageSink(QWidget* owner = nullptr) : owner_(owner) {}

    void ShowMessage(TMessageKind kind, const std::string& text) override;

    // Installs (or, with an empty function, removes) the test capture.
    static void SetCapture(TCapture capture);

private:
    QPointer<QWidget> owner_;
};

} // namespace morvane

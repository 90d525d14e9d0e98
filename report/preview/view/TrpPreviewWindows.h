// The preview seam's window side: a sink that shows a report's prepared
// pages in TrpPreviewForm, and its installation by the program.
#pragma once

#include "TrpPreviewSeam.h"

namespace report {

class TrpPreviewWindowSink : public TrpPreviewSink {
public:
    // Modal reports run the window until it closes; others leave it open,
    // freed when it closes. A report without prepared pages opens none.
    void ShowPreview(TrpReport& report, const std::string& caption) override;
};

// Installs the window sink; returns the previous sink.
TrpPreviewSink* InstallPreviewWindows();

} // namespace report

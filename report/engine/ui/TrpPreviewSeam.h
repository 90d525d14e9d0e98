// The seams through which generation reaches windows it does not own: the
// preview that shows generated pages, and the progress window that runs a
// generation with a Cancel button. The engine never opens a window itself;
// the desktop program installs sinks built from widgets (report/preview/),
// and the tests and the headless renderer install none or recording ones.
//
// Progress window states, as the engine drives it:
//   closed --Run(caption, label, build)--> shown, build running
//   shown  --SetLabel(text)-->             shown (first line changed)
//   shown  --Cancel pressed-->             shown, report.Terminated set
//   shown  --build returns-->              closed with OK or Cancel
#pragma once

#include <functional>
#include <string>

namespace report {

class TrpReport;

// A preview control embedded in a window ("Preview" of a report): it takes
// the report's generated pages and shows them in place.
class TrpPreview {
public:
    virtual ~TrpPreview() = default;
    virtual void Connect(TrpReport& report) = 0;
};

// Opens a preview window on the report's generated pages (modal when the
// report's ModalPreview is set) with the given caption.
class TrpPreviewSink {
public:
    virtual ~TrpPreviewSink() = default;
    virtual void ShowPreview(TrpReport& report, const std::string& caption) = 0;
};

// The progress window of a generation. Run shows it with caption and
// label, calls build once the window is shown, and returns after build
// returned; Cancel sets the report's Terminated flag. SetLabel changes the
// first line while build runs; ProcessEvents lets the window handle input.
class TrpProgressSink {
public:
    virtual ~TrpProgressSink() = default;
    virtual void Run(TrpReport& report, const std::string& caption, const std::string& label,
                     const std::function<void()>& build) = 0;
    virtual void SetLabel(const std::string& label) = 0;
    virtual void ProcessEvents() = 0;
};

// Install a sink (null: none) and return the previous one.
TrpPreviewSink* SetPreviewSink(TrpPreviewSink* sink);
TrpPreviewSink* PreviewSink();
TrpProgressSink* SetProgressSink(TrpProgressSink* sink);
TrpProgressSink* ProgressSink();

} // namespace report

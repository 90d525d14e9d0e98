// The installed preview and progress sinks.
#include "TrpPreviewSeam.h"

namespace report {
namespace {
TrpPreviewSink* g_previewSink = nullptr;
TrpProgressSink* g_progressSink = nullptr;
} // namespace

TrpPreviewSink* SetPreviewSink(TrpPreviewSink* sink) {
    TrpPreviewSink* previous = g_previewSink;
    g_previewSink = sink;
    return previous;
}
TrpPreviewSink* PreviewSink() { return g_previewSink; }

TrpProgressSink* SetProgressSink(TrpProgressSink* sink) {
    TrpProgressSink* previous = g_progressSink;
    g_progressSink = sink;
    return previous;
}
TrpProgressSink* ProgressSink() { return g_progressSink; }

} // namespace report

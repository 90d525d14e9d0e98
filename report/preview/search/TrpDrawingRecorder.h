// TrpDrawingRecorder: a drawing surface that keeps a list of the drawing
// calls made on it instead of pixels: every call (shapes, lines, pictures,
// text) takes the next number, and a text call keeps its text and its
// bounding rectangle in the surface's coordinates (the painter's transform
// applied). The preview's text search draws a page onto it at 1:1.
//
// Invariant: Calls() is in drawing order; a text call's Bounds spans the
// item's advance width and its font's ascent plus descent.
#pragma once

#include <QPaintDevice>
#include <QRect>
#include <QString>
#include <memory>
#include <vector>

namespace report {

struct TrpDrawingCall {
    bool IsText = false;
    QString Text;
    QRect Bounds;
};

class TrpRecordingEngine;

class TrpDrawingRecorder : public QPaintDevice {
public:
    explicit TrpDrawingRecorder(QSize size);
    ~TrpDrawingRecorder() override;

    const std::vector<TrpDrawingCall>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }

    QPaintEngine* paintEngine() const override;
    void Record(TrpDrawingCall call) { calls_.push_back(std::move(call)); }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    std::unique_ptr<TrpRecordingEngine> engine_;
    std::vector<TrpDrawingCall> calls_;
};

} // namespace report

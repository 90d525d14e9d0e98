// The recording surface and its paint engine.
#include "TrpDrawingRecorder.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>

namespace report {

// Counts every drawing call; text calls keep text and bounds.
class TrpRecordingEngine : public QPaintEngine {
public:
    explicit TrpRecordingEngine(TrpDrawingRecorder& owner)
        : QPaintEngine(QPaintEngine::AllFeatures), owner_(owner) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & QPaintEngine::DirtyTransform)
            transform_ = state.transform();
    }

    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { Shape(r); }
    void drawImage(const QRectF& r, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        Shape(r);
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap&, const QPointF&) override { Shape(r); }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i)
            Shape(rects[i]);
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i)
            Shape(rects[i]);
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i)
            Shape(QRectF(lines[i].p1(), lines[i].p2()).normalized());
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i)
            Shape(QRectF(lines[i].p1(), lines[i].p2()).normalized());
    }
    void drawEllipse(const QRectF& r) override { Shape(r); }
    void drawEllipse(const QRect& r) override { Shape(r); }
    void drawPath(const QPainterPath& path) override { Shape(path.boundingRect()); }
    void drawPoints(const QPointF* points, int count) override {
        for (int i = 0; i < count; ++i)
            Shape(QRectF(points[i], QSizeF(1, 1)));
    }
    void drawPoints(const QPoint* points, int count) override {
        for (int i = 0; i < count; ++i)
            Shape(QRectF(points[i], QSizeF(1, 1)));
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        Shape(QPolygonF(QList<QPointF>(points, points + count)).boundingRect());
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode) override {
        Shape(QPolygon(QList<QPoint>(points, points + count)).boundingRect());
    }

    // p is the baseline's left end.
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QRectF box(p.x(), p.y() - item.ascent(), item.width(),
                         item.ascent() + item.descent());
        owner_.Record({true, item.text(), transform_.mapRect(box).toAlignedRect()});
    }

private:
    void Shape(const QRectF& r) {
        owner_.Record({false, {}, transform_.mapRect(r).toAlignedRect()});
    }

    TrpDrawingRecorder& owner_;
    QTransform transform_;
};

TrpDrawingRecorder::TrpDrawingRecorder(QSize size)
    : size_(size), engine_(std::make_unique<TrpRecordingEngine>(*this)) {}

TrpDrawingRecorder::~TrpDrawingRecorder() = default;

QPaintEngine* TrpDrawingRecorder::paintEngine() const {
    return engine_.get();
}

int TrpDrawingRecorder::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return size_.width();
    case PdmHeight:
        return size_.height();
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
    default:
        break;
    }
    // Resolution and depth as an ordinary screen image has them, so fonts
    // measure as they do when the page is drawn in the preview.
    static const QImage reference(1, 1, QImage::Format_ARGB32);
    switch (metric) {
    case PdmDpiX:
        return reference.logicalDpiX();
    case PdmDpiY:
        return reference.logicalDpiY();
    case PdmPhysicalDpiX:
        return reference.physicalDpiX();
    case PdmPhysicalDpiY:
        return reference.physicalDpiY();
    case PdmWidthMM:
        return reference.logicalDpiX() > 0 ? size_.width() * 254 / (10 * reference.logicalDpiX())
                                           : 0;
    case PdmHeightMM:
        return reference.logicalDpiY() > 0 ? size_.height() * 254 / (10 * reference.logicalDpiY())
                                           : 0;
    case PdmNumColors:
        return reference.colorCount();
    case PdmDepth:
        return reference.depth();
    default:
        return 0;
    }
}

} // namespace report

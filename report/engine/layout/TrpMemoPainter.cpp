// Line output of text objects: horizontal and rotated, every alignment,
// justification and underlines.
#include "TrpMemoPainter.h"

#include "EnginePixels.h"
#include "TrpColors.h"
#include "TrpFramePainter.h"
#include "TrpMemoView.h"
#include "TrpParagraphMark.h"
#include "TrpReportFonts.h"
#include "TrpTextCodec.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace report {

namespace {

// The line pitch: the spacing scaled plus the drawing font's height, at
// least one pixel.
int Pitch(std::int32_t lineSpacing, double scale, int fontPixelHeight) {
    return std::max(1, TrpReportFonts::ClampPixels(lineSpacing * scale) + fontPixelHeight);
}

// Geometry of any size is held within this many pixels either way, far
// beyond any page, so that sums of a few of its values stay within int.
constexpr int kGeometryLimit = 1 << 28;

int Hold(int v) {
    return std::clamp(v, -kGeometryLimit, kGeometryLimit);
}

int Round(double x) {
    return static_cast<int>(RoundHalfEven(x));
}

bool IsPrinter(const QPainter& canvas) {
    // Printers and PDF writers are the paged devices.
    const QPaintDevice* device = canvas.device();
    return device && (device->devType() == QInternal::Printer ||
                      dynamic_cast<const QPagedPaintDevice*>(device) != nullptr);
}

int DrawingPixelHeight(const TrpMemoView& view, const QPainter& canvas) {
    if (IsPrinter(canvas))
        return TrpReportFonts::ClampPixels(view.Font.Size * canvas.device()->logicalDpiY() / 72.0);
    const double h = view.Font.Size * 96.0 / 72.0;
    if (view.ScaleY == 1.0)
        return TrpReportFonts::ClampPixels(h);
    return TrpReportFonts::ClampPixels(std::trunc(h * view.ScaleY));
}

QFont DrawingFont(const TrpMemoView& view, int pixelHeight) {
    return TrpReportFonts::Make(view.Font, pixelHeight,
                                TrpReportFonts::ClampPixels(view.CharSpacing * view.ScaleX));
}

} // namespace

TrpMemoPainter::TrpMemoPainter(TrpMemoView& view, QPainter& canvas)
    : view_(view), canvas_(canvas), fontPixelHeight_(DrawingPixelHeight(view, canvas)),
      font_(DrawingFont(view, fontPixelHeight_)), metrics_(font_, canvas.device()) {
    g_ = {Hold(view.Left),
          Hold(view.Top),
          Hold(view.Width),
          Hold(view.Height),
          Hold(view.GapX),
          Hold(view.GapY),
          TrpRect{Hold(view.DrawRect.left), Hold(view.DrawRect.top), Hold(view.DrawRect.right),
                  Hold(view.DrawRect.bottom)}};
    const TrpRect& r = g_.drawRect;
    clip_ = QRect(r.left + 1, r.top, (r.right - 2) - (r.left + 1), (r.bottom - 1) - r.top);
}

void TrpMemoPainter::DrawUnderlines() {
    const int pitch = Pitch(view_.LineSpacing, view_.ScaleY, fontPixelHeight_);
    const int width = std::max(1, Round(view_.FrameWidth));
    const int first = g_.top + g_.gapy + Round(2 * view_.ScaleY) + fontPixelHeight_;
    // Only the rows that can reach the surface are drawn, however tall the
    // object claims to be.
    const int deviceBottom = canvas_.device() ? canvas_.device()->height() : 0;
    int from = 0;
    if (first < -width)
        from = (-width - first) / pitch;
    const int rows = g_.height / pitch;
    TrpFramePainter painter(canvas_);
    for (int i = from; i < rows; ++i) {
        const int y = first + pitch * i;
        if (y - width > deviceBottom)
            break;
        painter.Fill(g_.left, y - width / 2, g_.left + g_.width - 1, y - width / 2 + width - 1,
                     view_.FrameColor);
    }
}

TrpMemoPainter::Line TrpMemoPainter::Prepare(const std::string& line) const {
    Line out;
    out.endsParagraph = EndsParagraph(line);
    out.text = DecodeReportText(WithoutMarks(line), view_.Font.Charset);
    out.width = metrics_.horizontalAdvance(out.text);
    return out;
}

void TrpMemoPainter::DrawRun(const Line& line, int x, int y, int extra) {
    const int baseline = y + metrics_.ascent();
    const qsizetype blanks = line.text.count(QLatin1Char(' '));
    if (extra <= 0 || blanks == 0 || line.endsParagraph) {
        canvas_.drawText(x, baseline, line.text);
        return;
    }
    // The line is drawn word by word, each at a whole pixel, so its natural
    // width is the sum of its pieces; the extra makes up the difference to
    // the target width.
    QStringList words = line.text.split(QLatin1Char(' '));
    const int blankWidth = metrics_.horizontalAdvance(QLatin1Char(' '));
    int natural = static_cast<int>(blanks) * blankWidth;
    for (const QString& word : words)
        natural += metrics_.horizontalAdvance(word);
    extra += line.width - natural;
    // Each blank takes an equal share; the first ones one pixel more until
    // the extra is used up.
    const int share = std::max(0, extra) / static_cast<int>(blanks);
    int rest = std::max(0, extra) % static_cast<int>(blanks);
    for (qsizetype k = 0; k < words.size(); ++k) {
        if (k > 0) {
            x += blankWidth + share + (rest > 0 ? 1 : 0);
            rest = std::max(0, rest - 1);
        }
        if (!words[k].isEmpty()) {
            canvas_.drawText(x, baseline, words[k]);
            x += metrics_.horizontalAdvance(words[k]);
        }
    }
}

int BlockSize(std::size_t lines, int pitch, int insets) {
    const std::int64_t size = static_cast<std::int64_t>(lines) * pitch + insets;
    return static_cast<int>(std::min<std::int64_t>(size, INT32_MAX / 2));
}

int TrpMemoPainter::BlockShift(int start, int blockSize, int areaSize, int areaEnd) const {
    switch (view_.Alignment & kTextAlignVerticalMask) {
    case kTextAlignMiddle:
        return (areaSize - blockSize) / 2;
    case kTextAlignBottom:
        return areaEnd - 1 - (start + blockSize);
    default:
        return 0;
    }
}

int TrpMemoPainter::DrawLines() {
    if (view_.ResultMemo.empty())
        return 0;
    canvas_.save();
    canvas_.setClipRect(clip_, Qt::IntersectClip);
    canvas_.setFont(font_);
    canvas_.setPen(ToQColor(view_.Font.Color));
    const int printed = (view_.Alignment & kTextRotated) ? DrawRotated() : DrawHorizontal();
    canvas_.restore();
    return printed;
}

int TrpMemoPainter::DrawHorizontal() {
    const TrpRect& r = g_.drawRect;
    const int areaWidth = r.right - r.left;
    const int pitch = Pitch(view_.LineSpacing, view_.ScaleY, fontPixelHeight_);
    const int block = BlockSize(view_.ResultMemo.size(), pitch, 2 * g_.gapy);
    int y = g_.top + g_.gapy;
    if (view_.LayoutState.Mode != TrpLayoutMode::SplitPart)
        y += BlockShift(g_.top, block, r.bottom - r.top, r.bottom);
    const bool printing = view_.LayoutState.Printing;
    int printed = 0;
    for (const std::string& raw : view_.ResultMemo) {
        if (printing && y + pitch > clip_.bottom() + 1)
            break;
        // Lines below the clip can never show.
        if (y > clip_.bottom())
            break;
        const Line line = Prepare(raw);
        int x = g_.left + g_.gapx;
        int extra = 0;
        switch (view_.Alignment & kTextAlignHorizontalMask) {
        case kTextAlignRight:
            x = areaWidth + g_.left - g_.gapx - line.width - 1;
            break;
        case kTextAlignCenter:
            x += (areaWidth - 2 * g_.gapx - line.width) / 2;
            break;
        case kTextAlignJustify:
            // Spread so that the line ends where a right-aligned one does,
            // inside the clip at every scale.
            extra = areaWidth - 2 * g_.gapx - line.width - 1;
            break;
        default:
            break;
        }
        canvas_.save();
        DrawRun(line, x, y, extra);
        canvas_.restore();
        y += pitch;
        ++printed;
    }
    return printed;
}

int TrpMemoPainter::DrawRotated() {
    const TrpRect& r = g_.drawRect;
    const int areaHeight = r.bottom - r.top;
    const int pitch = Pitch(view_.LineSpacing, view_.ScaleX, fontPixelHeight_);
    const int block = BlockSize(view_.ResultMemo.size(), pitch, 2 * g_.gapx);
    int x = g_.left + g_.gapx;
    x += BlockShift(g_.left, block, r.right - r.left, r.right);
    const bool printing = view_.LayoutState.Printing;
    int printed = 0;
    for (const std::string& raw : view_.ResultMemo) {
        if (printing && x + pitch > clip_.right() + 1)
            break;
        if (x > clip_.right())
            break;
        const Line line = Prepare(raw);
        int y = r.bottom - g_.gapy;
        int extra = 0;
        switch (view_.Alignment & kTextAlignHorizontalMask) {
        case kTextAlignRight:
            y = g_.top + g_.gapy + line.width;
            break;
        case kTextAlignCenter:
            y = r.bottom - g_.gapy - (areaHeight - 2 * g_.gapy - line.width) / 2 - 1;
            break;
        case kTextAlignJustify:
            y = g_.top + areaHeight - g_.gapy;
            extra = areaHeight - 2 * g_.gapy - line.width;
            break;
        default:
            break;
        }
        // The text reads upwards from (x, y): its top edge lies along x.
        canvas_.save();
        canvas_.translate(x, y);
        canvas_.rotate(-90);
        DrawRun(line, 0, 0, extra);
        canvas_.restore();
        x += pitch;
        ++printed;
    }
    return printed;
}

} // namespace report

// TrpFramePainter: frames and backgrounds in whole pixels.
#include "TrpFramePainter.h"

#include "TrpColors.h"

#include <QPainter>

namespace report {

namespace {

Qt::PenStyle PenStyleOf(int style) {
    switch (style) {
    case kFrameDash:
        return Qt::DashLine;
    case kFrameDot:
        return Qt::DotLine;
    case kFrameDashDot:
        return Qt::DashDotLine;
    case kFrameDashDotDot:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

} // namespace

void TrpFramePainter::Fill(int left, int top, int right, int bottom, TrpColor color) {
    if (color == kClTransparent || right < left || bottom < top)
        return;
    canvas_.fillRect(left, top, right - left + 1, bottom - top + 1, ToQColor(color));
}

void TrpFramePainter::Side(TrpEdge edge, int position, int from, int to, int width, TrpColor color,
                           int style, TrpColor background) {
    if (width < 1)
        width = 1;
    int first = position - width / 2;
    int start = from - width / 2;
    int end = to - width / 2 + width - 1;
    Qt::PenStyle penStyle = PenStyleOf(style);
    if (penStyle == Qt::SolidLine) {
        if (edge == TrpEdge::Horizontal)
            Fill(start, first, end, first + width - 1, color);
        else
            Fill(first, start, first + width - 1, end, color);
        return;
    }
    canvas_.save();
    canvas_.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(ToQColor(color));
    pen.setWidth(1);
    pen.setStyle(penStyle);
    pen.setCapStyle(Qt::FlatCap);
    canvas_.setPen(pen);
    if (background != kClTransparent) {
        canvas_.setBackgroundMode(Qt::OpaqueMode);
        canvas_.setBackground(ToQColor(background));
    } else {
        canvas_.setBackgroundMode(Qt::TransparentMode);
    }
    for (int i = 0; i < width; ++i) {
        int line = first + i;
        if (edge == TrpEdge::Horizontal)
            canvas_.drawLine(start, line, end, line);
        else
            canvas_.drawLine(line, start, line, end);
    }
    canvas_.restore();
}

} // namespace report

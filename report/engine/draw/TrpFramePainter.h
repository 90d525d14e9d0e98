// TrpFramePainter: the pen and brush work of frames and backgrounds on a
// canvas, in whole pixels and without antialiasing.
//
// A frame side of pen width w along edge e covers the w one-pixel lines
// e - w/2 ... e - w/2 + w - 1 (integer division), and runs along the side
// from `from` to `to` inclusive, widened by the same amount at both ends so
// that framed corners close. A solid side fills those pixels; a dashed side
// draws each one-pixel line in the dash pattern, with the fill colour (if
// any) between the dashes.
#pragma once

#include "TrpObjectCodes.h"

class QPainter;

namespace report {

enum class TrpEdge { Horizontal, Vertical };

class TrpFramePainter {
public:
    explicit TrpFramePainter(QPainter& canvas) : canvas_(canvas) {}

    // Paints the pixels left..right, top..bottom (inclusive) in color;
    // nothing for the no-colour value.
    void Fill(int left, int top, int right, int bottom, TrpColor color);
    // One frame side; style is a "FrameStyle" other than double.
    void Side(TrpEdge edge, int position, int from, int to, int width, TrpColor color, int style,
              TrpColor background);

private:
    QPainter& canvas_;
};

} // namespace report

// TrpMemoPainter: draws the laid-out lines of a text object (its
// ResultMemo, with paragraph marks) between BeginDraw and EndDraw, when the
// view's fields hold the scaled geometry.
//
// The drawing font is the layout font scaled: pixel height round(h x
// ScaleY) at scale 1 and the truncation of h x ScaleY otherwise (h the
// layout pixel height), with "CharSpacing" scaled by ScaleX. On a printer
// the font keeps its point size at the device's resolution. Lines are
// clipped to the inner rectangle (DrawRect less one pixel on the left, two
// on the right and one at the bottom).
#pragma once

#include "TrpObjectCodes.h"

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <string>

class QPainter;

namespace report {

class TrpMemoView;

class TrpMemoPainter {
public:
    TrpMemoPainter(TrpMemoView& view, QPainter& canvas);

    // The ruled lines of "Underlines", one per line pitch over the height.
    void DrawUnderlines();
    // Outputs the lines; returns how many were output.
    int DrawLines();

private:
    struct Line {
        QString text;
        int width = 0;
        bool endsParagraph = false;
    };
    Line Prepare(const std::string& line) const;
    // Draws text from the origin along the x axis; with extra > 0 the extra
    // pixels are spread over its blanks.
    void DrawRun(const Line& line, int x, int y, int extra);
    int DrawHorizontal();
    int DrawRotated();
    // Where the text block starts across the lines, after the vertical
    // alignment bits.
    int BlockShift(int start, int blockSize, int areaSize, int areaEnd) const;

    // The view's scaled geometry, held within drawing range.
    struct Geometry {
        int left = 0, top = 0, width = 0, height = 0, gapx = 0, gapy = 0;
        TrpRect drawRect;
    };

    TrpMemoView& view_;
    QPainter& canvas_;
    Geometry g_;
    int fontPixelHeight_ = 0;
    QFont font_;
    QFontMetrics metrics_;
    QRect clip_;
};

} // namespace report

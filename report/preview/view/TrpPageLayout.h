// TrpPageLayout: where the preview puts its pages on the desk. Pages sit
// side by side and row by row with 10-pixel gaps (also round the edges);
// the zoom follows the box for the page-width, one-page and two-pages modes
// and stays as given for a percentage.
//
// Pure geometry: no widgets, so the rules are checked directly.
#pragma once

#include "TrpPreviewZoom.h"

#include <QRect>
#include <QSize>
#include <vector>

namespace report {

// Gap between pages and round the desk's edges; the two-pages mode leaves
// three of them across the box.
inline constexpr int kDeskGap = 10;

struct TrpPageLayoutResult {
    double Zoom = 1.0;
    int PagesPerRow = 1;
    // One per page, in screen pixels at ScrollX = ScrollY = 0.
    std::vector<QRect> Rects;
    // Scroll bar maxima; 0 disables the bar.
    int MaxScrollX = 0, MaxScrollY = 0;
};

// sheets: each page's sheet size in engine pixels; current: 0-based page
// whose size picks the zoom of the fitting modes.
TrpPageLayoutResult LayOutPages(const std::vector<QSize>& sheets, std::size_t current, QSize box,
                                TrpZoomMode mode, double zoom);

// round(zoom * 100), the percent the zoom button shows.
int ZoomPercent(double zoom);

} // namespace report

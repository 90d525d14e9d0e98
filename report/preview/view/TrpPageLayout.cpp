// Page placement on the preview desk.
#include "TrpPageLayout.h"

#include <algorithm>
#include <cmath>

namespace report {
namespace {

double FitZoom(QSize sheet, QSize box, TrpZoomMode mode, double zoom) {
    // A page without a size cannot be fitted; the zoom stays.
    if (sheet.width() <= 0 || sheet.height() <= 0)
        return zoom;
    switch (mode) {
    case TrpZoomMode::PageWidth:
        return double(box.width() - 2 * kDeskGap) / sheet.width();
    case TrpZoomMode::OnePage:
        return double(box.height() - 2 * kDeskGap) / sheet.height();
    case TrpZoomMode::TwoPages:
        return double(box.width() - 3 * kDeskGap) / (2.0 * sheet.width());
    case TrpZoomMode::Percent:
        break;
    }
    return zoom;
}

int Scaled(int length, double zoom) {
    return static_cast<int>(std::lround(length * zoom));
}

// The most pages that fit side by side in the box; a page that does not
// fit starts a new row and is not counted in the row it overflowed.
int PagesPerRow(const std::vector<QSize>& sheets, int boxWidth, double zoom) {
    int best = 0, count = 0, x = kDeskGap;
    for (const QSize& sheet : sheets) {
        const int right = Scaled(sheet.width(), zoom) + x + kDeskGap;
        if (right > boxWidth) {
            best = std::max(best, count);
            count = 0;
            x = kDeskGap;
        } else {
            x = right;
            ++count;
        }
    }
    return std::max({best, count, 1});
}

} // namespace

int ZoomPercent(double zoom) {
    return static_cast<int>(std::lround(zoom * 100));
}

TrpPageLayoutResult LayOutPages(const std::vector<QSize>& sheets, std::size_t current, QSize box,
                                TrpZoomMode mode, double zoom) {
    TrpPageLayoutResult out;
    if (sheets.empty())
        return out;
    out.Zoom = FitZoom(sheets.at(std::min(current, sheets.size() - 1)), box, mode, zoom);
    if (!(out.Zoom > 0) || !std::isfinite(out.Zoom))
        out.Zoom = zoom > 0 ? zoom : 1.0;
    out.PagesPerRow = mode == TrpZoomMode::OnePage    ? 1
                      : mode == TrpZoomMode::TwoPages ? 2
                                                      : PagesPerRow(sheets, box.width(), out.Zoom);
    int y = kDeskGap, right = 0, bottom = 0;
    for (std::size_t first = 0; first < sheets.size(); first += out.PagesPerRow) {
        const std::size_t last = std::min(sheets.size(), first + out.PagesPerRow);
        int x = kDeskGap, tallest = 0;
        for (std::size_t i = first; i < last; ++i) {
            const int w = Scaled(sheets[i].width(), out.Zoom);
            const int h = Scaled(sheets[i].height(), out.Zoom);
            const int left = out.PagesPerRow == 1 && w < box.width() ? (box.width() - w) / 2 : x;
            out.Rects.emplace_back(left, y, w, h);
            right = std::max(right, left + w);
            bottom = std::max(bottom, y + h);
            tallest = std::max(tallest, h);
            x += w + kDeskGap;
        }
        y += tallest + kDeskGap;
    }
    out.MaxScrollX = right > box.width() ? right - box.width() + kDeskGap : 0;
    out.MaxScrollY = bottom > box.height() ? bottom - box.height() + kDeskGap : 0;
    return out;
}

} // namespace report

// The preview's zoom: how the scale from engine pixels to screen pixels is
// chosen at each layout, the zoom menu's item tags (1 to 3 select a mode,
// larger numbers a percentage), and the zoom remembered between the
// previews of one run (LastZoom / LastZoomMode: every full layout starts
// from them, the zoom menu and a report's initial zoom set them).
#pragma once

#include <array>

namespace report {

enum class TrpZoomMode { Percent, PageWidth, OnePage, TwoPages };

inline constexpr int kZoomTagPageWidth = 1;
inline constexpr int kZoomTagOnePage = 2;
inline constexpr int kZoomTagTwoPages = 3;
// The menu's items from the top; a tag above kZoomTagTwoPages is a percent.
inline constexpr std::array<int, 10> kZoomMenuTags = {
    200, 150, 100, 75, 50, 25, 10, kZoomTagPageWidth, kZoomTagOnePage, kZoomTagTwoPages};
static_assert(kZoomMenuTags[6] > kZoomTagTwoPages, "percent tags lie above the mode tags");

struct TrpLastZoom {
    double Zoom = 1.0;
    TrpZoomMode Mode = TrpZoomMode::Percent;
};

// Shared by all preview windows of the run.
TrpLastZoom& LastZoom();

} // namespace report

// Measuring, splitting and drawing text objects.
#include "TrpMemoLayout.h"

#include "EnginePixels.h"
#include "TrpFontMeasurer.h"
#include "TrpHighlightScope.h"
#include "TrpMemoPainter.h"
#include "TrpMemoView.h"
#include "TrpParagraphMark.h"
#include "TrpReport.h"
#include "TrpReportFonts.h"

#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstdint>

namespace report {

namespace {

// While an auto-width object is laid out, its width grows by this much so
// that no line wraps.
constexpr int kAutoWidthSlack = 100;

bool Rotated(const TrpMemoView& view) {
    return (view.Alignment & kTextRotated) != 0;
}

QFont LayoutFont(const TrpMemoView& view) {
    return TrpReportFonts::Make(view.Font, TrpReportFonts::LayoutPixelHeight(view.Font.Size),
                                view.CharSpacing);
}

// Geometry from a template may hold any value; sums of it are taken in 64
// bits and brought back within int range.
int ClampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN / 2, INT_MAX / 2));
}

// The inset above the first line at scale 1, as the draw bracket computes
// it: GapY plus half of half the frame width.
std::int64_t TopInset(const TrpMemoView& view) {
    return std::int64_t{view.GapY} + RoundHalfEven(view.FrameWidth / 2) / 2;
}

} // namespace

TrpLaidOutText TrpMemoLayout::LayOut(TrpMemoView& view, const TrpStrings& text,
                                     bool alreadyWrapped) {
    const bool rotated = Rotated(view);
    const bool autoWidth = view.FlagSet(kMemoAutoWidth);
    TrpTextLayoutSettings settings;
    settings.width = ClampToInt(rotated ? std::int64_t{view.Height} - 2LL * view.GapY
                                        : std::int64_t{view.Width} - 2LL * view.GapX);
    if (autoWidth)
        settings.width += kAutoWidthSlack;
    settings.wordWrap = view.FlagSet(kMemoWordWrap);
    settings.wordBreak = view.FlagSet(kMemoWordBreak);
    settings.rotated = rotated;
    settings.alreadyWrapped = alreadyWrapped;
    // At least one pixel, so that every split part takes a line.
    settings.lineHeight = std::max(1, TrpReportFonts::ClampPixels(view.LineSpacing) +
                                          TrpReportFonts::LayoutPixelHeight(view.Font.Size));
    settings.inset = ClampToInt(rotated ? view.GapX : view.GapY);

    const TrpFontMeasurer measurer(LayoutFont(view), view.Font.Charset);
    TrpLaidOutText result = LayOutText(text, settings, measurer);
    view.LineHeight = result.lineHeight;
    view.LayoutState.TextHeight = result.textHeight;
    view.LayoutState.AlreadyWrapped = alreadyWrapped;
    return result;
}

void TrpMemoLayout::PrepareText(TrpMemoView& view) {
    view.ResultMemo = view.Memo;
    TrpReport* report = view.Report();
    if (!report)
        return;
    if (report->OnBeforePrint)
        report->OnBeforePrint(view.ResultMemo, &view);
    if (view.ResultMemo == view.Memo && report->ExpandMemo)
        report->ExpandMemo(view);
    if (report->BindBlob)
        report->BindBlob(view);
}

int TrpMemoLayout::Measure(TrpMemoView& view) {
    TrpMemoLayoutState& state = view.LayoutState;
    state.Mode = TrpLayoutMode::Measured;
    view.ApplyBandAlign();
    TrpReport* report = view.Report();
    if (report && report->RunObjectScript)
        report->RunObjectScript(view);
    if (!view.Visible) {
        state.KeptLines.clear();
        state.TextHeight = 0;
        view.ActualHeight = 0;
        return 0;
    }
    PrepareText(view);
    const TrpHighlightScope highlight(view);
    TrpLaidOutText laidOut = LayOut(view, view.ResultMemo, false);
    state.KeptLines = std::move(laidOut.lines);
    view.ActualHeight = laidOut.textHeight;
    return laidOut.textHeight;
}

int TrpMemoLayout::RemainHeight(const TrpMemoView& view) {
    return static_cast<int>(view.LayoutState.KeptLines.size()) * view.LineHeight;
}

int TrpMemoLayout::LinesFitting(const TrpMemoView& view, int partHeight) {
    if (view.LineHeight <= 0)
        return 0;
    // Lines run from the top inset down to the clip bottom, one pixel above
    // the inner bottom edge of the part.
    const std::int64_t frameBottom =
        (view.FrameTyp & kFrameBottom) ? RoundHalfEven(view.FrameWidth / 2) : 0;
    const std::int64_t room = partHeight - frameBottom - TopInset(view);
    const int fitting = room > 0 ? ClampToInt(room / view.LineHeight) : 0;
    return std::min(fitting, static_cast<int>(view.LayoutState.KeptLines.size()));
}

int TrpMemoLayout::TakePart(TrpMemoView& view, int partHeight) {
    TrpMemoLayoutState& state = view.LayoutState;
    // A part always takes a line while any is left, even one its insets
    // leave no room for, so that splitting a text always comes to an end.
    const int n = std::min(std::max(1, LinesFitting(view, partHeight)),
                           static_cast<int>(state.KeptLines.size()));
    const auto end = state.KeptLines.begin() + n;
    view.ResultMemo.assign(state.KeptLines.begin(), end);
    state.KeptLines.erase(state.KeptLines.begin(), end);
    if (!ContainsMarks(view.ResultMemo))
        view.ResultMemo.push_back(std::string(1, kParagraphMark));
    state.Mode = TrpLayoutMode::SplitPart;
    return n;
}

int TrpMemoLayout::NeededWidth(const TrpMemoView& view) {
    // The widest line of the whole text, without marks and without the
    // empty line a trailing line break leaves.
    TrpStrings lines;
    for (const std::string& line : view.ResultMemo)
        if (line != std::string(1, kParagraphMark))
            lines.push_back(WithoutMarks(line));
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (lines.empty())
        return 0;
    const TrpFontMeasurer measurer(LayoutFont(view), view.Font.Charset);
    int widest = 0;
    for (const std::string& line : lines)
        widest = std::max(widest, measurer.TextWidth(line));
    // Measured at scale 1, so the width is in the object's own units.
    return ClampToInt(RoundHalfEven(widest + view.FrameWidth + 2.0 * view.GapX + 1));
}

void TrpMemoLayout::ApplyAutoWidth(TrpMemoView& view) {
    if (!view.FlagSet(kMemoAutoWidth))
        return;
    const int needed = NeededWidth(view);
    if (needed == 0)
        return;
    if (Rotated(view)) {
        view.Height = needed;
        return;
    }
    if ((view.Alignment & kTextAlignHorizontalMask) == kTextAlignRight)
        view.Left = ClampToInt(std::int64_t{view.Left} + view.Width - needed);
    view.Width = needed;
}

void TrpMemoLayout::Draw(TrpMemoView& view, QPainter& canvas) {
    view.Canvas = &canvas;
    view.ApplyBandAlign();
    view.LayoutState.Printing = false;
    if (!view.ResultMemo.empty()) {
        const bool wrapped = ContainsMarks(view.ResultMemo);
        if (view.ResultMemo.back() == std::string(1, kParagraphMark))
            view.ResultMemo.pop_back();
        ApplyAutoWidth(view);
        view.ResultMemo = LayOut(view, view.ResultMemo, wrapped).lines;
    }
    view.BeginDraw();
    view.DrawBackground();
    view.DrawFrame();
    view.LayoutState.LinesPrinted = 0;
    // Fonts are only set up when there is something to write.
    if (view.FlagSet(kMemoUnderlines) || !view.ResultMemo.empty()) {
        TrpMemoPainter painter(view, canvas);
        if (view.FlagSet(kMemoUnderlines))
            painter.DrawUnderlines();
        view.LayoutState.LinesPrinted = painter.DrawLines();
    }
    view.EndDraw();
}

} // namespace report

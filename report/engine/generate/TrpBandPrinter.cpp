// TrpBandPrinter: printing, fitting, stretching and splitting bands.
#include "TrpBandPrinter.h"

#include "TInterpretator.h"
#include "TrpAggregateAccumulator.h"
#include "TrpBand.h"
#include "TrpCalculationError.h"
#include "TrpEMFPages.h"
#include "TrpEngineState.h"
#include "TrpGenerationInfo.h"
#include "TrpHighlightScope.h"
#include "TrpMemoLayout.h"
#include "TrpMemoView.h"
#include "TrpPage.h"
#include "TrpPageGenerator.h"
#include "TrpReport.h"
#include "TrpReportEvaluator.h"
#include "TrpSubReportPrinter.h"
#include "TrpSubReportView.h"
#include "TrpValueConvert.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace report {

namespace {

// A breakable band's part ends this many pixels above the bottom limit.
constexpr int kBreakMargin = 2;

bool IsFieldStretchable(const TrpView& view) {
    return dynamic_cast<const TrpStretcheable*>(&view) != nullptr && view.Visible;
}

// Puts an object back where the band keeps it after it was moved onto the
// page for printing.
class TMoveScope {
public:
    TMoveScope(TrpView& view, int dx, int dy) : view_(view), dx_(dx), dy_(dy) {
        view_.Left += dx_;
        view_.Top += dy_;
    }
    ~TMoveScope() {
        view_.Left -= dx_;
        view_.Top -= dy_;
    }
    TMoveScope(const TMoveScope&) = delete;
    TMoveScope& operator=(const TMoveScope&) = delete;

private:
    TrpView& view_;
    int dx_, dy_;
};

// The printed instance of an object: its "Tag" expanded when it holds a
// bracket, and its bottom, top or width band alignment applied against the
// band it prints in (band rectangle already on page coordinates). Leaving
// the scope puts the template's Tag and rectangle back.
class TInstanceScope {
public:
    TInstanceScope(TrpView& view, TrpReport& report, const QRect* band)
        : view_(view), tag_(view.Tag), left_(view.Left), top_(view.Top), width_(view.Width),
          height_(view.Height) {
        if (view_.Tag.find('[') != std::string::npos && report.ExpandMemo)
            ExpandTag(report);
        if (!band)
            return;
        switch (view_.BandAlign) {
        case kAlignTop:
            view_.Top = band->top();
            break;
        case kAlignBottom:
            view_.Top = band->top() + band->height() - view_.Height;
            break;
        case kAlignWidth:
            view_.Left = band->left();
            view_.Width = band->width();
            break;
        default:
            break;
        }
    }
    ~TInstanceScope() {
        view_.Tag = tag_;
        view_.SetBounds(left_, top_, width_, height_);
    }
    TInstanceScope(const TInstanceScope&) = delete;
    TInstanceScope& operator=(const TInstanceScope&) = delete;

private:
    // The Tag expands like a one-line memo; the object's memo and its
    // evaluated text are left as they were.
    void ExpandTag(TrpReport& report) {
        TrpStrings memo = std::move(view_.Memo);
        TrpStrings result = std::move(view_.ResultMemo);
        view_.Memo = {view_.Tag};
        try {
            report.ExpandMemo(view_);
            view_.Tag = JoinLines(view_.ResultMemo);
        } catch (...) {
            view_.Memo = std::move(memo);
            view_.ResultMemo = std::move(result);
            throw;
        }
        view_.Memo = std::move(memo);
        view_.ResultMemo = std::move(result);
    }

    TrpView& view_;
    std::string tag_;
    std::int32_t left_, top_, width_, height_;
};

bool HoldsSubReports(const TrpBand& band) {
    return std::any_of(band.Objects.begin(), band.Objects.end(), [](const TrpView* view) {
        return view->Visible && dynamic_cast<const TrpSubReportView*>(view);
    });
}

void ResetLayout(TrpView& view) {
    if (auto* memo = dynamic_cast<TrpMemoView*>(&view)) {
        memo->LayoutState.Mode = TrpLayoutMode::Normal;
        memo->LayoutState.KeptLines.clear();
    }
}

} // namespace

bool TrpBandPrinter::PrintBand(TrpBand* band) {
    if (!band)
        return true;
    TrpSubReportPrinter& subReports = gen_.SubReports();
    if (subReports.Recording()) {
        subReports.RecordPrint(*band);
        return true;
    }
    TrpFormingState& s = gen_.State();
    TrpReport& report = gen_.Report();
    TrpGenerationInfo& info = GenerationInfo();
    info.CurrentBand = band;
    info.PageNo = s.PageCounter + 1;
    EngineState().CurrentView = band->View;
    band->NewPageRequests = band->NewColumnRequests = 0;
    if (report.OnBeginBand)
        report.OnBeginBand(band);
    TrpBand* last = s.LastDrawnBand;
    if (last && last != band && last->ColumnIndex > 1) {
        s.ColumnLeft = last->ColumnStart;
        s.CurY += last->Height;
        last->ColumnIndex = 1;
        s.LastDrawnBand = nullptr;
    }
    if (band->IsData() || band->Type == btGroupHeader) {
        info.LineNo = band->LineNo;
        info.LineThroughNo = band->LineThroughNo;
    }
    RunBandScript(*band);
    if (report.Terminated)
        return true;
    ServeRequests(*band);
    bool printed = true;
    if (band->Visible) {
        printed = PrintVisible(*band);
    } else {
        if (band->FlagSet(kBandPrintChildIfInvisible))
            PrintBand(band->Child);
        if (band->IsData())
            Accumulate(*band);
    }
    if (!s.RepeatingHeader && printed) {
        if (band->Type == btGroupHeader)
            StoreGroupValues(*band);
        else if (band->Type != btPageFooter ||
                 s.PageCounter + 1 == static_cast<int>(report.EMFPages().Count()))
            ResetRead(*band);
    }
    if (report.OnEndBand)
        report.OnEndBand(band);
    return printed;
}

void TrpBandPrinter::RunBandScript(TrpBand& band) {
    TrpFormingState& s = gen_.State();
    TrpGenerationInfo& info = GenerationInfo();
    info.CurY = s.CurY;
    info.PageBottom = s.BottomLimit;
    info.CurYSetByScript = false;
    try {
        EngineInterpretator().RunScript(band.Script);
    } catch (const std::exception& e) {
        TrpCalculationError::Report(gen_.Report(), band.View, e.what());
    }
    if (info.CurYSetByScript)
        s.CurY = info.CurY;
}

void TrpBandPrinter::ServeRequests(TrpBand& band) {
    TrpFormingState& s = gen_.State();
    TrpGenerationInfo& info = GenerationInfo();
    const bool scriptMoved = info.CurYSetByScript;
    const int afterScript = s.CurY;
    for (; band.NewPageRequests > 0; --band.NewPageRequests) {
        s.ColumnIndex = std::max(0, s.Page->Columns - 1);
        gen_.NewColumn(&band);
    }
    for (; band.NewColumnRequests > 0; --band.NewColumnRequests)
        gen_.NewColumn(&band);
    if (scriptMoved)
        s.CurY = afterScript;
    info.CurYSetByScript = false;
}

bool TrpBandPrinter::PrintVisible(TrpBand& band) {
    TrpFormingState& s = gen_.State();
    if (band.Type == btColumnHeader)
        s.ColumnTop = s.CurY;
    if (band.Type == btPageFooter)
        band.Top = s.BottomLimit;
    if (!band.HasContent())
        return true;
    if (!band.FixedPlace() && band.Type != btColumnFooter) {
        const int needed = NeededHeight(band);
        if (Breaks(s.CurY, needed, false) && !band.Breakable()) {
            if (s.Page->SubReportPage)
                return false;
            gen_.NewColumn(&band);
        }
    } else {
        band.CalculatedHeight = band.Stretched() ? StretchedHeight(band) : band.Height;
    }
    if (band.IsData() && band.DataSet && band.Next && !band.Next->DataSet) {
        for (TrpBand* b = &band; b; b = b->Next)
            DrawBand(*b);
        return true;
    }
    DrawBand(band);
    // A band whose sub-reports wait for the page break gets its child band
    // after them.
    if (gen_.SubReports().Pending(band))
        return true;
    PrintBand(band.Child);
    if (!band.IsData() && band.Type != btGroupHeader && band.FormNewPage() && band.Visible)
        gen_.NewPage();
    return true;
}

int TrpBandPrinter::StretchedHeight(TrpBand& band) {
    if (!band.Cells.empty()) {
        const int measured = cross_.StretchedHeight(band);
        if (measured >= 0) {
            band.CalculatedHeight = measured;
            return measured;
        }
    }
    int height = band.Height;
    for (TrpView* view : band.Objects)
        if (IsFieldStretchable(*view) && !band.HoldsCell(view)) {
            auto* stretchable = static_cast<TrpStretcheable*>(view);
            EngineState().CurrentView = view;
            try {
                height = std::max(height, view->Top + stretchable->CalcHeight());
            } catch (const std::exception& e) {
                TrpCalculationError::Report(gen_.Report(), view, e.what());
            }
        }
    band.CalculatedHeight = height;
    return height;
}

int TrpBandPrinter::NeededHeight(TrpBand& band) {
    auto own = [this](TrpBand& b) {
        b.CalculatedHeight = b.Stretched() ? StretchedHeight(b) : b.Height;
        return b.CalculatedHeight;
    };
    if (band.IsData() && band.Next && !band.Next->DataSet) {
        int sum = 0;
        for (TrpBand* b = &band; b; b = b->Next)
            sum += own(*b);
        return sum;
    }
    int sum = own(band);
    for (TrpBand* child = band.Child; child; child = child->Child)
        if (child->Visible)
            sum += own(*child);
    return sum;
}

bool TrpBandPrinter::Breaks(int top, int height, bool reserveColumnFooter) const {
    const TrpFormingState& s = gen_.State();
    // Nothing moves off a column that holds only its headers: the band would
    // not fit any better on the next one.
    if (top <= s.FreshY)
        return false;
    const int reserved = reserveColumnFooter ? gen_.ColumnFooterHeight() : 0;
    return top + height + reserved > s.BottomLimit;
}

void TrpBandPrinter::DrawBand(TrpBand& band) {
    TrpFormingState& s = gen_.State();
    if (band.HasBandColumns()) {
        if (s.LastDrawnBand != &band)
            band.ColumnIndex = 1;
        if (band.ColumnIndex == 1)
            band.ColumnStart = s.ColumnLeft;
    }
    int top = band.FixedPlace() ? band.Top : s.CurY;
    const int height = band.Stretched() ? band.CalculatedHeight : band.Height;
    std::vector<std::pair<TrpView*, std::int32_t>> savedHeights;
    if (band.Stretched() && height > band.Height)
        for (TrpView* view : band.Objects)
            if (IsFieldStretchable(*view) && view->FlagSet(kFlagStretched) && view->Height > 0) {
                savedHeights.emplace_back(view, view->Height);
                view->Height = height - view->Top;
            }
    if (!band.Breakable() && !band.FixedPlace() && Breaks(top, height, true)) {
        gen_.NewColumn(&band);
        top = s.CurY;
    }
    // Sub-reports carry their band over page breaks themselves.
    const bool split = band.Breakable() && !band.FixedPlace() &&
                       top + height + gen_.ColumnFooterHeight() > s.BottomLimit &&
                       !HoldsSubReports(band);
    bool moved = false;
    if (split)
        DrawBreakable(band, top);
    else
        moved = PrintObjects(band, top);
    for (auto& [view, h] : savedHeights)
        view->Height = h;
    for (TrpView* view : band.Objects)
        ResetLayout(*view);
    if (!band.FixedPlace() && !split && !moved)
        s.CurY = top + height;
    if (band.HasBandColumns())
        AdvanceBandColumn(band, height);
    s.LastDrawnBand = &band;
    if (band.IsData())
        Accumulate(band);
}

void TrpBandPrinter::AdvanceBandColumn(TrpBand& band, int height) {
    TrpFormingState& s = gen_.State();
    const TrpBandView& view = *band.View;
    ++band.ColumnIndex;
    if (band.ColumnIndex <= view.Columns) {
        s.ColumnLeft =
            band.ColumnStart + (band.ColumnIndex - 1) * (view.ColumnWidth + view.ColumnGap);
        s.CurY -= height;
    } else {
        s.ColumnLeft = band.ColumnStart;
        band.ColumnIndex = 1;
    }
}

void TrpBandPrinter::DrawBreakable(TrpBand& band, int top) {
    TrpFormingState& s = gen_.State();
    struct TPending {
        TrpView* view;
        std::int32_t top, height;
        bool pending = true;
    };
    // Cells print once, at the band's first part.
    cross_.PrintCells(band, top, band.CalculatedHeight);
    std::vector<TPending> items;
    for (TrpView* view : band.Objects) {
        if (band.HoldsCell(view))
            continue;
        items.push_back({view, view->Top, view->Height});
        if (auto* memo = dynamic_cast<TrpMemoView*>(view);
            memo && memo->LayoutState.Mode == TrpLayoutMode::Normal && memo->Visible)
            memo->CalcHeight();
    }
    // Each object's full extent, band-relative, moves up by one part per page.
    std::vector<std::int32_t> y, d;
    for (const TPending& item : items) {
        y.push_back(item.top);
        d.push_back(item.view->Height);
        if (auto* memo = dynamic_cast<TrpMemoView*>(item.view); memo && memo->Visible)
            d.back() = std::max(d.back(), memo->ActualHeight);
    }
    int lastBottom = 0;
    // The band's rectangle is cut into one part per page: each part's
    // objects take their band alignment against the part that lands on
    // this page (the band's width, the page's stretch of its height).
    const int bandHeight = band.Stretched() ? band.CalculatedHeight : band.Height;
    int consumed = 0;
    for (bool anyPending = true; anyPending;) {
        const int h = s.BottomLimit - gen_.ColumnFooterHeight() - top - kBreakMargin;
        const int partExtent =
            std::max(0, h > 0 ? std::min(h, bandHeight - consumed) : bandHeight - consumed);
        const QRect partRect(band.Left + s.ColumnLeft - s.Page->Bounds().left, top, band.Width,
                             partExtent);
        printBand_ = &partRect;
        lastBottom = 0;
        anyPending = false;
        for (std::size_t i = 0; i < items.size(); ++i) {
            TPending& item = items[i];
            if (!item.pending)
                continue;
            TrpView& view = *item.view;
            auto* memo = dynamic_cast<TrpMemoView*>(&view);
            int partTop = -1, partHeight = 0;
            if (h <= 0) {
                partTop = std::max(0, y[i]);
                partHeight = d[i];
                item.pending = false;
            } else if (y[i] >= 0 && y[i] < h && y[i] + d[i] < h) {
                partTop = y[i];
                partHeight = d[i];
                item.pending = false;
            } else if (y[i] >= 0 && y[i] < h) {
                if (memo && h - y[i] + 1 > memo->MinHeight()) {
                    partTop = y[i];
                    partHeight = h - y[i] + 1;
                    TrpMemoLayout::TakePart(*memo, partHeight);
                } else if (!memo) {
                    y[i] = h;
                }
            } else if (y[i] < 0 && y[i] + d[i] > 0) {
                partTop = 0;
                if (y[i] + d[i] >= h) {
                    partHeight = h;
                } else {
                    partHeight = memo ? memo->RemainHeight() + 2 * memo->GapY + 1 : y[i] + d[i];
                    item.pending = false;
                }
                if (memo)
                    TrpMemoLayout::TakePart(*memo, partHeight);
            }
            if (partTop >= 0) {
                view.Top = partTop;
                view.Height = partHeight;
                PrintObject(view, top);
                view.Top = item.top;
                view.Height = item.height;
                lastBottom = std::max(lastBottom, partTop + partHeight);
            }
            anyPending = anyPending || item.pending;
        }
        printBand_ = nullptr;
        consumed += std::max(h, 0);
        for (std::int32_t& top_i : y)
            top_i -= std::max(h, 0);
        if (anyPending) {
            gen_.NewColumn(&band);
            top = s.CurY;
        }
    }
    s.CurY = top + lastBottom;
}

bool TrpBandPrinter::PrintObjects(TrpBand& band, int top) {
    const TrpFormingState& s = gen_.State();
    const int height = band.Stretched() ? band.CalculatedHeight : band.Height;
    const int left = band.Left + s.ColumnLeft - s.Page->Bounds().left;
    const QRect bandRect(left, top, band.Width, height);
    printBand_ = &bandRect;
    std::size_t subReportsFrom = band.Objects.size();
    for (std::size_t i = 0; i < band.Objects.size(); ++i) {
        TrpView* view = band.Objects[i];
        if (dynamic_cast<TrpSubReportView*>(view)) {
            // A visible sub-report object stops the object loop; the band's
            // sub-report objects from here on print after its own objects
            // (bands drawn at a fixed place hold no sub-reports).
            if (view->Visible && !band.FixedPlace()) {
                subReportsFrom = i;
                break;
            }
            continue;
        }
        if (band.HoldsCell(view))
            continue;
        PrintObject(*view, top);
        if (gen_.Report().Terminated)
            break;
    }
    printBand_ = nullptr;
    if (gen_.Report().Terminated)
        return false;
    cross_.PrintCells(band, top, height);
    if (gen_.Report().Terminated || subReportsFrom == band.Objects.size())
        return false;
    gen_.SubReports().Run(band, subReportsFrom, top, height);
    return true;
}

void TrpBandPrinter::ForgetSuppressed(const TrpBand& band) {
    for (const TrpView* view : band.Objects)
        suppressed_.erase(view);
}

void TrpBandPrinter::PrintCell(TrpView& view, int x, int top, const QRect& band) {
    printBand_ = &band;
    PrintMoved(view, x, top);
    printBand_ = nullptr;
}

void TrpBandPrinter::PrintObject(TrpView& view, int top) {
    const TrpFormingState& s = gen_.State();
    PrintMoved(view, s.ColumnLeft - s.Page->Bounds().left, top);
}

void TrpBandPrinter::PrintMoved(TrpView& view, int dx, int dy) {
    TrpReport& report = gen_.Report();
    EngineState().CurrentView = &view;
    try {
        if (report.InFirstPass()) {
            auto* memo = dynamic_cast<TrpMemoView*>(&view);
            if ((!memo || memo->LayoutState.Mode == TrpLayoutMode::Normal) &&
                report.RunObjectScript)
                report.RunObjectScript(view);
            return;
        }
        TMoveScope move(view, dx, dy);
        PrintView(view);
    } catch (const std::exception& e) {
        TrpCalculationError::Report(report, &view, e.what());
    }
}

void TrpBandPrinter::PrintView(TrpView& view) {
    TrpReport& report = gen_.Report();
    const auto pageIndex = static_cast<std::size_t>(gen_.State().PageCounter);
    auto* memo = dynamic_cast<TrpMemoView*>(&view);
    if (!memo) {
        view.ResultMemo = view.Memo;
        if (report.OnBeforePrint)
            report.OnBeforePrint(view.ResultMemo, &view);
        if (report.BindBlob)
            report.BindBlob(view);
        if (report.RunObjectScript)
            report.RunObjectScript(view);
        if (view.Visible) {
            const TInstanceScope instance(view, report, printBand_);
            report.EMFPages().WriteObject(pageIndex, view);
        }
        return;
    }
    if (memo->LayoutState.Mode == TrpLayoutMode::Normal) {
        if (report.RunObjectScript)
            report.RunObjectScript(view);
        TrpMemoLayout::PrepareText(*memo);
    }
    if (!memo->Visible)
        return;
    const TrpHighlightScope highlight(*memo);
    const TInstanceScope instance(view, report, printBand_);
    if (memo->FlagSet(kMemoSuppress)) {
        std::string text = JoinLines(memo->ResultMemo);
        auto found = suppressed_.find(memo);
        if (found != suppressed_.end() && found->second == text)
            return;
        suppressed_[memo] = std::move(text);
    }
    report.EMFPages().WriteObject(pageIndex, view);
}

void TrpBandPrinter::Accumulate(TrpBand& band) {
    TrpReport& report = gen_.Report();
    TrpAccumulationRound round;
    round.BandVisible = band.Visible;
    round.ColumnNo = GenerationInfo().ColumnNo;
    round.Evaluate = [&report](const std::string& expression) {
        return EvaluatorOf(report).Calc(expression);
    };
    try {
        AccumulateAggregates(band, round, [&band] { ++band.Records; });
    } catch (const std::exception& e) {
        TrpCalculationError::Report(report, band.View, e.what());
    }
}

void TrpBandPrinter::ResetRead(TrpBand& band) {
    ResetAggregates(band, [&band] {
        if (band.AggregateDataBand)
            band.AggregateDataBand->Records = 0;
    });
}

void TrpBandPrinter::StoreGroupValues(TrpBand& header) {
    TrpReport& report = gen_.Report();
    for (TrpBand* g = &header; g; g = g->NextGroup) {
        try {
            g->LastGroupValue = EvaluatorOf(report).Calc(g->Condition());
        } catch (const std::exception& e) {
            TrpCalculationError::Report(report, g->View, e.what());
            return;
        }
    }
}

} // namespace report

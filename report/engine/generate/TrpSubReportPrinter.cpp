// TrpSubReportPrinter: recording a sub-report page's data loop and replaying
// it inside the holding band, side by side and over page breaks.
#include "TrpSubReportPrinter.h"

#include "TrpAggregateAccumulator.h"
#include "TrpBand.h"
#include "TrpBandPrinter.h"
#include "TrpEngineState.h"
#include "TrpGenerationInfo.h"
#include "TrpPage.h"
#include "TrpReport.h"
#include "TrpSubReportView.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace report {

// While a sub-report page replays, the generator forms that page: its
// forming state, its "CURRENT#" and the counters of the band printing are
// swapped in, and the holding page's are put back when the scope ends.
class TrpSubReportPrinter::TReplayScope {
public:
    TReplayScope(TrpSubReportPrinter& printer, TPageRun& run)
        : printer_(printer), run_(run), saved_(std::move(printer.gen_.State())),
          savedReplaying_(printer.replaying_) {
        TrpGenerationInfo& info = GenerationInfo();
        savedCurrentNo_ = info.CurrentNo;
        savedLineNo_ = info.LineNo;
        savedLineThroughNo_ = info.LineThroughNo;
        savedBand_ = info.CurrentBand;
        savedView_ = EngineState().CurrentView;
        printer_.gen_.State() = std::move(run_.Forming);
        info.CurrentNo = run_.CurrentNo;
        printer_.replaying_ = &run_;
    }
    ~TReplayScope() {
        TrpGenerationInfo& info = GenerationInfo();
        run_.Forming = std::move(printer_.gen_.State());
        run_.CurrentNo = info.CurrentNo;
        printer_.gen_.State() = std::move(saved_);
        printer_.replaying_ = savedReplaying_;
        info.CurrentNo = savedCurrentNo_;
        info.LineNo = savedLineNo_;
        info.LineThroughNo = savedLineThroughNo_;
        info.CurrentBand = savedBand_;
        info.PageNo = printer_.gen_.State().PageCounter + 1;
        EngineState().CurrentView = savedView_;
    }
    TReplayScope(const TReplayScope&) = delete;
    TReplayScope& operator=(const TReplayScope&) = delete;

private:
    TrpSubReportPrinter& printer_;
    TPageRun& run_;
    TrpFormingState saved_;
    TPageRun* savedReplaying_;
    int savedCurrentNo_ = 1, savedLineNo_ = 0, savedLineThroughNo_ = 0;
    TrpAggregateBand* savedBand_ = nullptr;
    TrpView* savedView_ = nullptr;
};

void TrpSubReportPrinter::RecordPrint(TrpBand& band) {
    TAction action{&band, TActionKind::Print};
    if (band.Type == btGroupHeader) {
        // The walk goes on deciding group breaks while it records, so the
        // header's condition values are stored as its print would.
        action.GroupLineNo = band.LineNo;
        gen_.Printer().StoreGroupValues(band);
    }
    recording_->Actions.push_back(action);
}

void TrpSubReportPrinter::RecordFirst(TrpBand& band) {
    recording_->Actions.push_back({&band, TActionKind::First});
}

void TrpSubReportPrinter::RecordNext(TrpBand& band, bool counted) {
    recording_->Actions.push_back({&band, TActionKind::Next, counted});
}

void TrpSubReportPrinter::RecordLineRestart(TrpBand& band) {
    recording_->Actions.push_back({&band, TActionKind::RestartLine});
}

void TrpSubReportPrinter::Run(TrpBand& band, std::size_t first, int top, int height) {
    TBandRun& run = bands_[&band];
    run = TBandRun{};
    for (std::size_t i = first; i < band.Objects.size(); ++i) {
        auto* view = dynamic_cast<TrpSubReportView*>(band.Objects[i]);
        if (!view || !view->Visible || gen_.Report().Terminated)
            continue;
        if (TPageRun* page = Record(*view)) {
            Place(*page, *view, top);
            run.SubReports.push_back({page});
        }
    }
    run.Floor = top + height;
    Continue(band);
}

TrpSubReportPrinter::TPageRun* TrpSubReportPrinter::Record(TrpSubReportView& view) {
    TrpReport& report = gen_.Report();
    if (view.SubPage < 0 || static_cast<std::size_t>(view.SubPage) >= report.Pages.Count())
        return nullptr;
    TrpPage& page = *report.Pages[static_cast<std::size_t>(view.SubPage)];
    if (page.PageType != ptReport || !gen_.StructureOf(page))
        return nullptr;
    TPageRun& run = pages_[&page];
    if (run.Active)
        return nullptr;
    run.Page = &page;
    run.Active = true;
    run.Actions.clear();
    run.Pending = run.PendingChild = nullptr;
    TPageRun* outer = std::exchange(recording_, &run);
    gen_.RunDataLoop(page);
    recording_ = outer;
    return &run;
}

// The sub-report page prints inside the object: its bands start at the
// object's top, stop at the holding page's bottom limit (less the room its
// column footer keeps), and its left bound lies on the object's left edge -
// the page's own left margin is not applied. It has one column.
void TrpSubReportPrinter::Place(TPageRun& run, const TrpSubReportView& view, int top) {
    const TrpFormingState& holder = gen_.State();
    TrpPage& page = *run.Page;
    page.Columns = 1;
    TrpFormingState& f = run.Forming;
    f = TrpFormingState{};
    f.Page = &page;
    f.Structure = gen_.StructureOf(page);
    f.CurY = top + view.Top;
    f.BottomLimit = holder.BottomLimit - gen_.ColumnFooterHeight();
    f.ColumnLeft = holder.ColumnLeft - holder.Page->Bounds().left + view.Left;
    f.ColumnTop = f.CurY;
    f.PageCounter = f.FormFirstPage = holder.PageCounter;
    // A band at the top of a fresh column prints even when it is too tall:
    // it would fit no better after a page break.
    f.FreshY = top <= holder.FreshY ? f.CurY : INT_MIN;
    f.FooterPrinted = holder.FooterPrinted;
    run.ReplayPosition = 0;
    run.CurrentNo = 1;
}

void TrpSubReportPrinter::MoveToCurrentPage(TBandRun& band) {
    const TrpFormingState& holder = gen_.State();
    const int bottom = holder.BottomLimit - gen_.ColumnFooterHeight();
    for (TSubReport& sub : band.SubReports) {
        if (sub.Finished)
            continue;
        TrpFormingState& f = sub.Run->Forming;
        f.CurY = holder.CurY;
        f.FreshY = holder.CurY;
        f.BottomLimit = bottom;
        f.PageCounter = holder.PageCounter;
        f.LastDrawnBand = nullptr;
    }
    band.Floor = INT_MIN;
}

bool TrpSubReportPrinter::Continue(TrpBand& band) {
    TBandRun& run = bands_.at(&band);
    TrpReport& report = gen_.Report();
    for (;;) {
        run.LowestBottom = std::max(gen_.State().CurY, run.Floor);
        bool paused = false;
        for (TSubReport& sub : run.SubReports) {
            if (sub.Finished)
                continue;
            if (Replay(*sub.Run)) {
                sub.Finished = true;
                run.LowestBottom = std::max(run.LowestBottom, sub.Run->Forming.CurY);
            } else {
                paused = true;
            }
        }
        if (!paused || report.Terminated)
            break;
        if (replaying_) {
            replaying_->Pending = &band;
            return false;
        }
        gen_.NewPage();
        MoveToCurrentPage(run);
    }
    Finish(band);
    return true;
}

bool TrpSubReportPrinter::Replay(TPageRun& run) {
    TReplayScope scope(*this, run);
    TrpReport& report = gen_.Report();
    if (TrpBand* pending = run.Pending) {
        MoveToCurrentPage(bands_.at(pending));
        if (!Continue(*pending))
            return false;
        run.PendingChild = pending->Child;
    }
    if (run.PendingChild) {
        if (!gen_.Printer().PrintBand(run.PendingChild))
            return false;
        run.PendingChild = nullptr;
    }
    while (run.ReplayPosition < run.Actions.size() && !report.Terminated) {
        if (!ReplayAction(run, run.Actions[run.ReplayPosition]))
            return false;
        ++run.ReplayPosition;
        if (run.Pending)
            return false;
    }
    return true;
}

// False when a print action's band did not fit: the replay pauses on it.
bool TrpSubReportPrinter::ReplayAction(TPageRun& run, const TAction& action) {
    TrpBand& band = *action.Band;
    TrpGenerationInfo& info = GenerationInfo();
    switch (action.Kind) {
    case TActionKind::First:
        if (band.DataSet)
            band.DataSet->First();
        band.LineNo = 1;
        gen_.Printer().ForgetSuppressed(band);
        if (TrpBand* footer = band.Footer)
            ResetAggregates(*footer, [footer] {
                if (footer->AggregateDataBand)
                    footer->AggregateDataBand->Records = 0;
            });
        return true;
    case TActionKind::Next:
        if (band.DataSet)
            band.DataSet->Next();
        if (action.Counted) {
            ++info.CurrentNo;
            ++band.LineNo;
            ++band.LineThroughNo;
        }
        return true;
    case TActionKind::RestartLine:
        band.LineNo = 0;
        return true;
    case TActionKind::Print:
        if (band.Type == btGroupHeader)
            band.LineNo = action.GroupLineNo;
        return gen_.Printer().PrintBand(&band);
    }
    (void)run;
    return true;
}

void TrpSubReportPrinter::Finish(TrpBand& band) {
    TBandRun& run = bands_.at(&band);
    for (TSubReport& sub : run.SubReports) {
        sub.Run->Actions.clear();
        sub.Run->Actions.shrink_to_fit();
        sub.Run->Pending = sub.Run->PendingChild = nullptr;
        sub.Run->Active = false;
    }
    gen_.State().CurY = run.LowestBottom;
    if (replaying_ && replaying_->Pending == &band)
        replaying_->Pending = nullptr;
    bands_.erase(&band);
}

} // namespace report

// TrpCrossPrinter: printing and measuring the cross cells of a row band.
#include "TrpCrossPrinter.h"

#include "TInterpretator.h"
#include "TrpAggregateAccumulator.h"
#include "TrpBand.h"
#include "TrpBandPrinter.h"
#include "TrpCalculationError.h"
#include "TrpEMFPages.h"
#include "TrpEngineState.h"
#include "TrpGenerationInfo.h"
#include "TrpMemoView.h"
#include "TrpPage.h"
#include "TrpPageGenerator.h"
#include "TrpReport.h"
#include "TrpReportEvaluator.h"

#include <algorithm>
#include <exception>

namespace report {

namespace {

// The dataset the cross data band walks for row: its own, else the one the
// row band was given for it; null when there is none.
TrpDataset* ColumnDataset(TrpBand& data, TrpBand& row) {
    return data.DataSet ? data.DataSet : row.CrossDataSet;
}

// While a row's cells print: the row is the band cross cells read their
// aggregates from, and the cross data band walks the row's cross dataset as
// its own (so fields without a dataset name refer to it). Everything is put
// back when the scope ends.
class TRowScope {
public:
    TRowScope(TrpBand& row, TrpBand* data, bool& active)
        : info_(GenerationInfo()), current_(info_.CurrentBand), row_(info_.CrossRowBand),
          lineNo_(info_.LineNo), lineThroughNo_(info_.LineThroughNo), data_(data), active_(active) {
        active_ = true;
        info_.CrossRowBand = &row;
        if (row.IsData() || row.Type == btGroupHeader) {
            info_.LineNo = row.LineNo;
            info_.LineThroughNo = row.LineThroughNo;
        }
        if (data_ && !data_->DataSet) {
            data_->DataSet = row.CrossDataSet;
            borrowed_ = true;
        }
    }
    ~TRowScope() {
        if (borrowed_)
            data_->DataSet = nullptr;
        info_.CurrentBand = current_;
        info_.CrossRowBand = row_;
        info_.LineNo = lineNo_;
        info_.LineThroughNo = lineThroughNo_;
        active_ = false;
    }
    TRowScope(const TRowScope&) = delete;
    TRowScope& operator=(const TRowScope&) = delete;

private:
    TrpGenerationInfo& info_;
    TrpAggregateBand* current_;
    TrpAggregateBand* row_;
    int lineNo_, lineThroughNo_;
    TrpBand* data_;
    bool borrowed_ = false;
    bool& active_;
};

// Cells are measured once per column; the text measured for the last one
// must not stand in for the text printed in the first.
void ForgetMeasurement(TrpView& view) {
    if (auto* memo = dynamic_cast<TrpMemoView*>(&view)) {
        memo->LayoutState.Mode = TrpLayoutMode::Normal;
        memo->LayoutState.KeptLines.clear();
    }
}

TrpBand* PresentBand(TrpBandStructure& structure, int type) {
    TrpBand* band = structure.Head(type);
    return band && band->View ? band : nullptr;
}

} // namespace

void TrpCrossPrinter::PrintCells(TrpBand& row, int top, int height) {
    if (row.Cells.empty() || row.Type == btPageFooter || active_)
        return;
    TrpFormingState& s = gen_.State();
    TrpReport& report = gen_.Report();
    TrpGenerationInfo& info = GenerationInfo();
    TrpBand* data = PresentBand(*s.Structure, btCrossData);
    info.ColumnNo = 1;
    x_ = 0;
    rowTop_ = top;
    rowHeight_ = height;
    rowFirstPage_ = s.PageCounter;
    TRowScope scope(row, data, active_);
    if (report.OnBeginColumn)
        report.OnBeginColumn(&row);
    PrintHeader(row);
    if (data && !report.Terminated) {
        if (x_ == 0)
            x_ = data->Left;
        if (TrpDataset* dataset = ColumnDataset(*data, row))
            PrintColumns(row, *data, *dataset);
    }
    if (!report.Terminated)
        PrintFooter(row);
    s.PageCounter = rowFirstPage_;
    info.PageNo = s.PageCounter + 1;
}

void TrpCrossPrinter::PrintHeader(TrpBand& row) {
    TrpBand* header = PresentBand(*gen_.State().Structure, btCrossHeader);
    if (!header || !RunScript(*header))
        return;
    x_ = header->Left;
    PrintCellsOf(*header, row, header->Width);
    x_ = header->Left + header->Width;
}

void TrpCrossPrinter::PrintColumns(TrpBand& row, TrpBand& data, TrpDataset& dataset) {
    TrpReport& report = gen_.Report();
    TrpGenerationInfo& info = GenerationInfo();
    dataset.First();
    while (!dataset.Eof() && !report.Terminated) {
        int width = data.Width;
        if (report.OnPrintColumn)
            report.OnPrintColumn(info.ColumnNo, width);
        // A script that sets the band's width decides this column's width.
        const int designed = data.Width;
        if (!RunScript(data))
            return;
        if (data.Width != designed)
            width = data.Width;
        FitWidth(row, width);
        PrintCellsOf(data, row, width);
        if (report.Terminated)
            return;
        AccumulateColumn(data, row);
        x_ += width;
        ++info.ColumnNo;
        dataset.Next();
    }
}

void TrpCrossPrinter::PrintFooter(TrpBand& row) {
    TrpBand* footer = PresentBand(*gen_.State().Structure, btCrossFooter);
    if (!footer)
        return;
    if (x_ == 0)
        x_ = footer->Left;
    if (!RunScript(*footer))
        return;
    FitWidth(row, footer->Width);
    PrintCellsOf(*footer, row, footer->Width);
    ResetAggregates(*footer, [footer] {
        if (footer->AggregateDataBand)
            footer->AggregateDataBand->Records = 0;
    });
}

// Runs a cross band's script with the band current; false when the report
// was terminated by it.
bool TrpCrossPrinter::RunScript(TrpBand& cross) {
    TrpReport& report = gen_.Report();
    GenerationInfo().CurrentBand = &cross;
    EngineState().CurrentView = cross.View;
    try {
        EngineInterpretator().RunScript(cross.Script);
    } catch (const std::exception& e) {
        TrpCalculationError::Report(report, cross.View, e.what());
    }
    return !report.Terminated;
}

void TrpCrossPrinter::PrintCellsOf(TrpBand& cross, TrpBand& row, int width) {
    GenerationInfo().CurrentBand = &cross;
    const QRect bandRect(x_, rowTop_, width, rowHeight_);
    for (TrpView* view : cross.Objects) {
        if (!row.HoldsCell(view))
            continue;
        printer_.PrintCell(*view, x_, rowTop_, bandRect);
        if (gen_.Report().Terminated)
            return;
    }
}

void TrpCrossPrinter::FitWidth(TrpBand& row, int width) {
    TrpFormingState& s = gen_.State();
    const TrpPageBounds bounds = s.Page->Bounds();
    if (x_ + width <= bounds.right)
        return;
    x_ = bounds.left;
    ++s.PageCounter;
    if (s.PageCounter >= static_cast<int>(gen_.Report().EMFPages().Count()))
        StartOverflowPage();
    GenerationInfo().PageNo = s.PageCounter + 1;
    TrpBand* header = PresentBand(*s.Structure, btCrossHeader);
    if (header && header->FlagSet(kBandRepeatHeader)) {
        PrintCellsOf(*header, row, header->Width);
        x_ = bounds.left + header->Width;
    }
}

// A generated page for the columns that ran past the right bound: overlay,
// and the page header unless the row began on the template page's first
// generated page (where a page header prints only with "OnFirstPage").
// The vertical position stays where the row is.
void TrpCrossPrinter::StartOverflowPage() {
    TrpFormingState& s = gen_.State();
    TrpGenerationInfo& info = GenerationInfo();
    const int curY = s.CurY, freshY = s.FreshY;
    TrpBand* lastDrawn = s.LastDrawnBand;
    TrpAggregateBand* current = info.CurrentBand;
    gen_.StartGeneratedPage();
    TrpBand* header = PresentBand(*s.Structure, btPageHeader);
    if (header && (rowFirstPage_ != s.FormFirstPage || header->FlagSet(kBandOnFirstPage))) {
        s.CurY = s.Page->Bounds().top;
        printer_.PrintBand(header);
    }
    s.CurY = curY;
    s.FreshY = freshY;
    s.LastDrawnBand = lastDrawn;
    info.CurrentBand = current;
    gen_.ReportProgress(s.PageCounter + 1);
}

void TrpCrossPrinter::AccumulateColumn(TrpBand& data, TrpBand& row) {
    TrpReport& report = gen_.Report();
    TrpAccumulationRound round;
    round.ColumnNo = GenerationInfo().ColumnNo;
    round.Evaluate = [&report](const std::string& expression) {
        return EvaluatorOf(report).Calc(expression);
    };
    try {
        round.BandVisible = data.Visible;
        AccumulateAggregates(data, round, [&data] { ++data.Records; });
        if (row.IsData()) {
            // The row's totals are over the row's records: its fields are
            // the ones an expression names without a dataset.
            round.BandVisible = row.Visible;
            round.HoldsCrossCells = true;
            TrpGenerationInfo& info = GenerationInfo();
            TrpAggregateBand* current = info.CurrentBand;
            info.CurrentBand = &row;
            try {
                AccumulateAggregates(row, round, {});
            } catch (...) {
                info.CurrentBand = current;
                throw;
            }
            info.CurrentBand = current;
        }
    } catch (const std::exception& e) {
        TrpCalculationError::Report(report, data.View, e.what());
    }
}

int TrpCrossPrinter::StretchedHeight(TrpBand& row) {
    TrpFormingState& s = gen_.State();
    TrpReport& report = gen_.Report();
    TrpGenerationInfo& info = GenerationInfo();
    TrpBand* data = PresentBand(*s.Structure, btCrossData);
    if (active_ || !data)
        return -1;
    TrpDataset* dataset = ColumnDataset(*data, row);
    if (!dataset)
        return -1;
    info.ColumnNo = 1;
    TRowScope scope(row, data, active_);
    if (report.OnBeginColumn)
        report.OnBeginColumn(&row);
    int height = row.Height;
    dataset->First();
    while (!dataset->Eof() && !report.Terminated) {
        int scratch = 0;
        if (report.OnPrintColumn)
            report.OnPrintColumn(info.ColumnNo, scratch);
        info.CurrentBand = data;
        height = std::max(height, MeasureColumn(row));
        ++info.ColumnNo;
        dataset->Next();
    }
    return height;
}

// The height one column needs: the designed height, or the lowest bottom
// of a stretchable object of the row (its own objects and its cells).
int TrpCrossPrinter::MeasureColumn(TrpBand& row) {
    int height = row.Height;
    for (TrpView* view : row.Objects) {
        auto* stretchable = dynamic_cast<TrpStretcheable*>(view);
        if (!stretchable || !view->Visible)
            continue;
        EngineState().CurrentView = view;
        try {
            height = std::max(height, view->Top + stretchable->CalcHeight());
        } catch (const std::exception& e) {
            TrpCalculationError::Report(gen_.Report(), view, e.what());
            return height;
        }
        if (row.HoldsCell(view))
            ForgetMeasurement(*view);
    }
    return height;
}

} // namespace report

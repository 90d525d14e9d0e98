// TrpPageGenerator: forming template pages into generated pages, the data
// loop with its groups, and new columns and pages.
#include "TrpPageGenerator.h"

#include "TInterpretator.h"
#include "TrpAggregateAccumulator.h"
#include "TrpBandPrinter.h"
#include "TrpCalculationError.h"
#include "TrpEMFPages.h"
#include "TrpEngineState.h"
#include "TrpExpressionText.h"
#include "TrpFunctionSplitter.h"
#include "TrpGenerationInfo.h"
#include "TrpMemoView.h"
#include "TrpPage.h"
#include "TrpReport.h"
#include "TrpReportEvaluator.h"

#include <climits>
#include <exception>

namespace report {

namespace {

constexpr std::uint8_t kDataTypeOfLevel[] = {btMasterData, btDetailData, btSubDetailData};

// The bands whose aggregate calls can read each data level's totals.
const std::vector<std::uint8_t>& ReaderTypes(std::uint8_t dataType) {
    static const std::vector<std::uint8_t> master{btPageFooter, btMasterFooter, btGroupFooter,
                                                  btReportSummary};
    static const std::vector<std::uint8_t> detail{btPageFooter, btMasterFooter, btDetailFooter,
                                                  btGroupFooter, btReportSummary};
    static const std::vector<std::uint8_t> subDetail{btPageFooter,   btMasterFooter,
                                                     btDetailFooter, btSubDetailFooter,
                                                     btGroupFooter,  btReportSummary};
    if (dataType == btMasterData)
        return master;
    return dataType == btDetailData ? detail : subDetail;
}

} // namespace

TrpPageGenerator::TrpPageGenerator(TrpReport& report)
    : report_(report), printer_(std::make_unique<TrpBandPrinter>(*this)) {}

TrpPageGenerator::~TrpPageGenerator() {
    TrpGenerationInfo& info = GenerationInfo();
    info.NewPage = nullptr;
    info.NewColumn = nullptr;
    info.ShowBand = nullptr;
    info.CurrentBand = nullptr;
}

void TrpPageGenerator::InstallRequests() {
    TrpGenerationInfo& info = GenerationInfo();
    info.NewPage = [] {
        if (auto* band = static_cast<TrpBand*>(GenerationInfo().CurrentBand))
            ++band->NewPageRequests;
    };
    info.NewColumn = [] {
        if (auto* band = static_cast<TrpBand*>(GenerationInfo().CurrentBand))
            ++band->NewColumnRequests;
    };
    info.ShowBand = [this](const std::string& name) {
        if (!state_.Structure)
            return;
        for (int type = 0; type < kBandTypeCount; ++type)
            for (TrpBand* b = state_.Structure->Head(type); b; b = b->Next)
                if (b->View && UpperName(b->Name) == UpperName(name)) {
                    TrpAggregateBand* current = GenerationInfo().CurrentBand;
                    printer_->PrintBand(b);
                    GenerationInfo().CurrentBand = current;
                    return;
                }
    };
}

void TrpPageGenerator::Run(const std::function<void(int)>& progress) {
    progress_ = progress;
    InstallRequests();
    const bool multiple = report_.ReportType == TrpReportType::rtMultiple && report_.Dataset;
    if (multiple) {
        report_.Dataset->OpenRange();
        report_.Dataset->First();
    }
    StartPages();
    do {
        progress_(state_.PageCounter + 1);
        for (std::size_t i = 0; i < report_.Pages.Count() && !report_.Terminated; ++i) {
            TrpPage& page = *report_.Pages[i];
            state_.Page = &page;
            if (!page.Visible || page.PageType != ptReport) {
                RunPageScript(page);
                continue;
            }
            if (page.SubReportPage)
                continue;
            if (report_.OnManualBuild)
                report_.OnManualBuild(&page);
            else
                FormPage(page);
            ArmNextPage(i);
        }
        progress_(state_.PageCounter + 1);
        if (multiple)
            report_.Dataset->Next();
    } while (multiple && !report_.Dataset->Eof() && !report_.Terminated);
    EndPages();
    if (multiple)
        report_.Dataset->CloseRange();
}

void TrpPageGenerator::StartPages() {
    for (std::size_t i = 0; i < report_.Pages.Count(); ++i) {
        TrpPage& page = *report_.Pages[i];
        TrpStrings errors;
        EngineInterpretator().CompileScript(page.Script, pageScripts_[&page], errors);
        if (page.PageType != ptReport)
            continue;
        auto structure = std::make_unique<TrpBandStructure>(page);
        structure->Build(report_, compiled_);
        structures_[&page] = std::move(structure);
    }
    for (auto& [page, structure] : structures_) {
        if (report_.Terminated)
            break;
        CollectAggregates(*structure);
    }
}

void TrpPageGenerator::EndPages() {
    structures_.clear();
    state_.Structure = nullptr;
}

void TrpPageGenerator::RunPageScript(TrpPage& page) {
    try {
        EngineInterpretator().RunScript(pageScripts_[&page]);
    } catch (const std::exception& e) {
        TrpCalculationError::Report(report_, nullptr, e.what());
    }
}

void TrpPageGenerator::CollectAggregates(TrpBandStructure& structure) {
    TrpGenerationInfo& info = GenerationInfo();
    TAggregateFunctionsSplitter splitter(&report_.Dictionary.Variables);
    auto collectFrom = [&](TrpBand& band) {
        if (!band.View)
            return;
        info.CurrentBand = &band;
        EngineState().CurrentView = band.View;
        std::vector<std::string> calls;
        SplitBand(splitter, band.View->Memo, band.Objects, calls);
        for (const std::string& call : calls)
            EvaluatorOf(report_).Calc(call);
    };
    // The first band of a type with its child bands, then the further bands.
    auto collectType = [&](std::uint8_t readerType) {
        TrpBand* first = structure.Head(readerType);
        for (TrpBand* b = first; b; b = b->Child)
            collectFrom(*b);
        for (TrpBand* b = first ? first->Next : nullptr; b; b = b->Next)
            collectFrom(*b);
    };
    try {
        for (std::uint8_t dataType : kDataTypeOfLevel) {
            for (TrpBand* data = structure.Head(dataType); data && data->View; data = data->Next) {
                if (data != structure.Head(dataType) && !data->DataSet)
                    break;
                info.CollectingBand = data;
                for (std::uint8_t readerType : ReaderTypes(dataType))
                    collectType(readerType);
            }
        }
        if (TrpBand* cross = structure.Head(btCrossData); cross->View) {
            info.CollectingBand = cross;
            collectType(btCrossFooter);
        }
    } catch (const std::exception& e) {
        TrpCalculationError::Report(report_, EngineState().CurrentView, e.what());
    }
    info.CollectingBand = nullptr;
    info.CurrentBand = nullptr;
}

void TrpPageGenerator::StartGeneratedPage() {
    TrpPage& page = *state_.Page;
    const TrpPageBounds bounds = page.Bounds();
    report_.EMFPages().Add(page);
    state_.PageCounter = static_cast<int>(report_.EMFPages().Count()) - 1;
    state_.FooterPrinted.resize(report_.EMFPages().Count(), false);
    state_.CurY = bounds.top;
    state_.LastDrawnBand = nullptr;
    state_.Append.Armed = false;
    GenerationInfo().PageNo = state_.PageCounter + 1;
    GenerationInfo().PageWidth = bounds.right - bounds.left;
    state_.FreshY = INT_MAX;
    printer_->PrintBand(state_.Structure->Head(btOverlay));
    printer_->PrintBand(state_.Structure->Head(btNone));
}

void TrpPageGenerator::FormPage(TrpPage& page) {
    state_.Page = &page;
    state_.Structure = structures_.at(&page).get();
    RunPageScript(page);
    TrpFormingState::TAppend& append = state_.Append;
    if (append.Armed && append.CurY >= append.BottomLimit) {
        append.Armed = false;
        state_.PageCounter = static_cast<int>(report_.EMFPages().Count());
    }
    const TrpPageBounds bounds = page.Bounds();
    state_.BottomLimit = append.Armed && append.FooterPrinted ? append.BottomLimit : bounds.bottom;
    state_.ColumnIndex = 0;
    state_.ColumnLeft = bounds.left;
    state_.ColumnTop = bounds.top;
    if (append.Armed) {
        state_.CurY = append.CurY;
        append.Armed = false;
    } else {
        StartGeneratedPage();
    }
    state_.FormFirstPage = state_.PageCounter;
    state_.FreshY = state_.CurY;
    const int pageBeforeTitle = state_.PageCounter;
    printer_->PrintBand(state_.Structure->Head(btReportTitle));
    if (state_.PageCounter == pageBeforeTitle) {
        TrpBand* header = state_.Structure->Head(btPageHeader);
        if (header->FlagSet(kBandOnFirstPage))
            printer_->PrintBand(header);
        printer_->PrintBand(state_.Structure->Head(btColumnHeader));
    }
    deepestLevel_ = state_.Structure->DeepestLevel();
    if (deepestLevel_ > 0)
        DataLoop(1);
    if (!report_.Terminated) {
        state_.PrintingColumnFooter = true;
        printer_->PrintBand(state_.Structure->Head(btColumnFooter));
        state_.PrintingColumnFooter = false;
        state_.ColumnFooterCounted = false;
        printer_->PrintBand(state_.Structure->Head(btReportSummary));
        state_.ColumnFooterCounted = true;
    }
    FinishPage();
}

void TrpPageGenerator::FinishPage() {
    TrpPage& page = *state_.Page;
    const TrpPageBounds bounds = page.Bounds();
    state_.Append.CurY = page.Columns > 1 ? bounds.bottom : state_.CurY;
    state_.Append.BottomLimit = state_.BottomLimit;
    state_.Append.FooterPrinted = false;
    state_.ColumnIndex = 0;
    state_.ColumnLeft = bounds.left;
    TrpBand* footer = state_.Structure->Head(btPageFooter);
    const bool firstPage = state_.PageCounter == state_.FormFirstPage;
    if (!report_.Terminated && footer->View &&
        ((firstPage && footer->FlagSet(kBandOnFirstPage)) || footer->FlagSet(kBandOnLastPage))) {
        const int current = state_.PageCounter;
        for (int p = current; p < static_cast<int>(report_.EMFPages().Count()); ++p) {
            if (state_.FooterPrinted[static_cast<std::size_t>(p)])
                continue;
            state_.PageCounter = p;
            printer_->PrintBand(footer);
            state_.FooterPrinted[static_cast<std::size_t>(p)] = true;
        }
        state_.PageCounter = current;
        state_.Append.FooterPrinted = true;
    }
    if (report_.OnEndPage)
        report_.OnEndPage(state_.PageCounter);
    ++state_.PageCounter;
}

void TrpPageGenerator::ArmNextPage(std::size_t pageIndex) {
    const bool appendNext =
        pageIndex + 1 < report_.Pages.Count() && report_.Pages[pageIndex + 1]->PrintToPrevPage;
    if (appendNext) {
        --state_.PageCounter;
        state_.Append.Armed = true;
    } else {
        state_.PageCounter = static_cast<int>(report_.EMFPages().Count());
        progress_(state_.PageCounter + 1);
    }
}

int TrpPageGenerator::ColumnFooterHeight() const {
    if (!state_.ColumnFooterCounted || !state_.Structure)
        return 0;
    TrpBand* footer = state_.Structure->Head(btColumnFooter);
    return footer->View && footer->Visible ? footer->Height : 0;
}

void TrpPageGenerator::NewPage() {
    progress_(state_.PageCounter + 1);
    if (!state_.PrintingColumnFooter) {
        state_.PrintingColumnFooter = true;
        printer_->PrintBand(state_.Structure->Head(btColumnFooter));
        state_.PrintingColumnFooter = false;
    }
    // Cross columns may have started pages after this one; each still
    // lacking its footer gets it now.
    TrpBand* footer = state_.Structure->Head(btPageFooter);
    const int current = state_.PageCounter;
    const int count = static_cast<int>(report_.EMFPages().Count());
    for (int p = current; p < count; ++p) {
        const auto index = static_cast<std::size_t>(p);
        if (p > current && state_.FooterPrinted[index])
            continue;
        state_.PageCounter = p;
        const bool firstPage = p == state_.FormFirstPage;
        if (footer->View && !state_.FooterPrinted[index] &&
            (!firstPage || footer->FlagSet(kBandOnFirstPage))) {
            printer_->PrintBand(footer);
            state_.FooterPrinted[index] = true;
        }
        if (report_.OnEndPage)
            report_.OnEndPage(p);
    }
    state_.PageCounter = current;
    const TrpPageBounds bounds = state_.Page->Bounds();
    state_.BottomLimit = bounds.bottom;
    StartGeneratedPage();
    state_.CurY = bounds.top;
    printer_->PrintBand(state_.Structure->Head(btPageHeader));
    printer_->PrintBand(state_.Structure->Head(btColumnHeader));
    state_.FreshY = state_.CurY;
}

void TrpPageGenerator::NewColumn(TrpBand* band) {
    TrpPage& page = *state_.Page;
    if (state_.ColumnIndex < page.Columns - 1) {
        if (!state_.PrintingColumnFooter) {
            state_.PrintingColumnFooter = true;
            printer_->PrintBand(state_.Structure->Head(btColumnFooter));
            state_.PrintingColumnFooter = false;
        }
        ++state_.ColumnIndex;
        state_.ColumnLeft += page.ColumnWidth + page.ColumnGap;
        state_.CurY = state_.ColumnTop;
        state_.FreshY = INT_MAX;
        printer_->PrintBand(state_.Structure->Head(btColumnHeader));
    } else {
        NewPage();
    }
    GenerationInfo().ColumnNo = state_.ColumnIndex + 1;
    RepeatHeaders(band);
    state_.FreshY = state_.CurY;
}

void TrpPageGenerator::RepeatHeaders(TrpBand* band) {
    if (!band)
        return;
    TrpBand* data = band->IsData()                ? band
                    : band->Type == btGroupHeader ? band->DataBandLink
                                                  : nullptr;
    if (!data)
        return;
    const int saved = state_.FreshY;
    state_.FreshY = INT_MAX;
    state_.RepeatingHeader = true;
    if (!state_.PrintingColumnFooter)
        for (TrpBand* g = data->FirstGroup; g && g != band; g = g->NextGroup)
            if (g->FlagSet(kBandRepeatHeader))
                printer_->PrintBand(g);
    if (band->IsData() && band->Header && band->Header->FlagSet(kBandRepeatHeader))
        printer_->PrintBand(band->Header);
    state_.RepeatingHeader = false;
    state_.FreshY = saved;
    GenerationInfo().CurrentBand = band;
}

void TrpPageGenerator::DataLoop(int level) {
    for (TrpBand* band = state_.Structure->Head(kDataTypeOfLevel[level - 1]); band;
         band = band->Next)
        if (band->View && band->DataSet && !report_.Terminated)
            WalkDataBand(*band, level);
}

void TrpPageGenerator::WalkDataBand(TrpBand& band, int level) {
    TrpDataset& data = *band.DataSet;
    TrpGenerationInfo& info = GenerationInfo();
    data.First();
    band.LineNo = 1;
    band.LineThroughNo = 1;
    printer_->ForgetSuppressed();
    for (TrpBand* g = band.FirstGroup; g; g = g->NextGroup)
        g->LineNo = 0;
    if (data.Eof())
        return;
    QueueGroupHeaders(band.FirstGroup);
    queue_.push_back(band.Header);
    if (TrpBand* footer = band.Footer)
        ResetAggregates(*footer, [footer] {
            if (footer->AggregateDataBand)
                footer->AggregateDataBand->Records = 0;
        });
    while (!data.Eof() && !report_.Terminated) {
        queue_.push_back(&band);
        bool counted = true;
        if (level >= deepestLevel_) {
            PrintQueue();
        } else {
            DataLoop(level + 1);
            if (!queue_.empty()) {
                if (band.FlagSet(kBandPrintIfSubsetEmpty)) {
                    PrintQueue();
                } else {
                    queue_.pop_back();
                    counted = false;
                }
            }
        }
        data.Next();
        const bool atEnd = data.Eof();
        if (band.FirstGroup) {
            if (TrpBand* breaking = BreakingGroup(band, atEnd)) {
                if (!atEnd)
                    data.Prior();
                QueueGroupFooters(band, breaking);
                PrintQueue();
                if (!atEnd) {
                    data.Next();
                    if (breaking->FormNewPage() && breaking->Visible)
                        NewPage();
                    QueueGroupHeaders(breaking);
                    band.LineNo = 0;
                }
            }
        }
        if (counted) {
            ++info.CurrentNo;
            ++band.LineNo;
            ++band.LineThroughNo;
            if (!atEnd && band.FormNewPage() && band.Visible)
                NewPage();
        }
    }
    if (!queue_.empty())
        queue_.pop_back();
    else
        printer_->PrintBand(band.Footer);
}

TrpBand* TrpPageGenerator::BreakingGroup(TrpBand& band, bool atEnd) {
    if (atEnd)
        return band.FirstGroup;
    for (TrpBand* g = band.FirstGroup; g; g = g->NextGroup) {
        try {
            TrpValue value = EvaluatorOf(report_).Calc(g->Condition());
            if (Compare(value, g->LastGroupValue) != 0)
                return g;
        } catch (const std::exception& e) {
            TrpCalculationError::Report(report_, g->View, e.what());
            return nullptr;
        }
    }
    return nullptr;
}

void TrpPageGenerator::QueueGroupHeaders(TrpBand* from) {
    for (TrpBand* g = from; g; g = g->NextGroup) {
        ++g->LineNo;
        queue_.push_back(g);
    }
}

void TrpPageGenerator::QueueGroupFooters(TrpBand& data, TrpBand* breaking) {
    for (TrpBand* g = data.LastGroup; g; g = g->PriorGroup) {
        queue_.push_back(g->Footer);
        if (g == breaking)
            break;
        g->LineNo = 0;
    }
    printer_->ForgetSuppressed();
}

void TrpPageGenerator::PrintQueue() {
    std::vector<TrpBand*> queue;
    queue.swap(queue_);
    for (TrpBand* band : queue)
        if (band && !report_.Terminated)
            printer_->PrintBand(band);
}

} // namespace report

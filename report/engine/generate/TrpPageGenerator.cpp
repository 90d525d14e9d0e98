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
#include "TrpSubReportPrinter.h"

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
    : report_(report), printer_(std::make_unique<TrpBandPrinter>(*this)),
      subReports_(std::make_unique<TrpSubReportPrinter>(*this)) {}

TrpPageGenerator::~TrpPageGenerator() {
    report_.BindBlob = nullptr;
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
    report_.BindBlob = [this](TrpView& view) { blobs_.Load(view); };
    const bool multiple = report_.ReportType == TrpReportType::rtMultiple && report_.Dataset;
    if (multiple) {
        report_.Dataset->OpenRange();
        report_.Dataset->First();
    }
    // Building the band structures marks the pages that sub-report objects
    // name.
    if (!FinalOfTwoPasses)
        for (std::size_t i = 0; i < report_.Pages.Count(); ++i)
            report_.Pages[i]->SubReportPage = false;
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
                ManualBuild(page);
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
        BindBlobs(*structure);
        CollectAggregates(*structure);
    }
}

TrpBandStructure* TrpPageGenerator::StructureOf(const TrpPage& page) const {
    const auto found = structures_.find(const_cast<TrpPage*>(&page));
    return found == structures_.end() ? nullptr : found->second.get();
}

void TrpPageGenerator::RunDataLoop(TrpPage& page) {
    TrpPage* const savedPage = state_.Page;
    TrpBandStructure* const savedStructure = state_.Structure;
    const int savedLevel = deepestLevel_;
    std::vector<TrpBand*> savedQueue;
    savedQueue.swap(queue_);
    state_.Page = &page;
    state_.Structure = structures_.at(&page).get();
    deepestLevel_ = state_.Structure->DeepestLevel();
    if (deepestLevel_ > 0)
        DataLoop(1);
    queue_.swap(savedQueue);
    deepestLevel_ = savedLevel;
    state_.Structure = savedStructure;
    state_.Page = savedPage;
}

void TrpPageGenerator::BindBlobs(TrpBandStructure& structure) {
    try {
        for (int type = 0; type < kBandTypeCount; ++type)
            for (TrpBand* band = structure.Head(type); band; band = band->Next)
                blobs_.BindBand(report_, *band);
    } catch (const std::exception& e) {
        TrpCalculationError::Report(report_, EngineState().CurrentView, e.what());
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

// The start of forming a template page: its script, the bottom limit and
// the columns, and the generated page it starts on (or the previous page's
// last sheet when appending).
void TrpPageGenerator::BeginForming(TrpPage& page) {
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
}

// A page the report's "OnManualBuild" forms instead of the data loop: the
// handler prints bands by name ("SHOWBAND") and asks for new pages; the
// page is started and closed as any other.
void TrpPageGenerator::ManualBuild(TrpPage& page) {
    BeginForming(page);
    report_.OnManualBuild(&page);
    FinishPage();
}

void TrpPageGenerator::FormPage(TrpPage& page) {
    BeginForming(page);
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
    TellEndPage(state_.PageCounter);
    ++state_.PageCounter;
}

void TrpPageGenerator::TellEndPage(int pageNo) {
    if (report_.OnEndPage)
        report_.OnEndPage(pageNo);
    if (composite_ && composite_ != &report_ && composite_->OnEndPage)
        composite_->OnEndPage(pageNo);
}

void TrpPageGenerator::JoinComposite(TrpReport& composite, const TrpFormingState* previous,
                                     TrpPage* following) {
    composite_ = &composite;
    following_ = following;
    if (!previous)
        return;
    state_.PageCounter = previous->PageCounter;
    state_.Append = previous->Append;
    state_.FooterPrinted = previous->FooterPrinted;
}

void TrpPageGenerator::ArmNextPage(std::size_t pageIndex) {
    bool appendNext =
        pageIndex + 1 < report_.Pages.Count() && report_.Pages[pageIndex + 1]->PrintToPrevPage;
    // The next member of a composite report continues this member's last
    // sheet only once this member has printed its last run.
    if (pageIndex + 1 == report_.Pages.Count() && following_ && following_->PrintToPrevPage) {
        const bool multiple = report_.ReportType == TrpReportType::rtMultiple && report_.Dataset;
        appendNext = !multiple || report_.Dataset->Eof();
    }
    if (appendNext) {
        --state_.PageCounter;
        state_.Append.Armed = true;
    } else {
        state_.PageCounter = static_cast<int>(report_.EMFPages().Count());
        progress_(state_.PageCounter + 1);
    }
}

int TrpPageGenerator::ColumnFooterHeight() const {
    // A sub-report page prints no column footer of its own.
    if (!state_.ColumnFooterCounted || !state_.Structure || state_.Page->SubReportPage)
        return 0;
    TrpBand* footer = state_.Structure->Head(btColumnFooter);
    return footer->View && footer->Visible ? footer->Height : 0;
}

void TrpPageGenerator::NewPage() {
    // A sub-report page breaks only with the page holding it.
    if (state_.Page->SubReportPage)
        return;
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
        TellEndPage(p);
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
    if (page.SubReportPage)
        return;
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
    // While a sub-report page records, the replay restarts the counters.
    if (subReports_->Recording()) {
        subReports_->RecordFirst(band);
    } else {
        band.LineNo = 1;
        band.LineThroughNo = 1;
        printer_->ForgetSuppressed();
    }
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
    for (bool atEnd = false; !atEnd && !report_.Terminated;) {
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
        atEnd = data.Eof();
        // Footers at the end read the last record walked, not one the
        // range ended on without walking it.
        if (atEnd && data.PastWalkEnd())
            data.Prior();
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
                    if (subReports_->Recording())
                        subReports_->RecordLineRestart(band);
                }
            }
        }
        if (subReports_->Recording()) {
            subReports_->RecordNext(band, counted);
        } else if (counted) {
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

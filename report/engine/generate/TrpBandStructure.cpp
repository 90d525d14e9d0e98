// TrpBandStructure: building and linking the run-time bands of a page.
#include "TrpBandStructure.h"

#include "TInterpretator.h"
#include "TrpBandDataSource.h"
#include "TrpExpressionText.h"
#include "TrpForm.h"
#include "TrpMemoView.h"
#include "TrpPage.h"
#include "TrpParser.h"
#include "TrpReport.h"
#include "TrpSubReportView.h"

#include <algorithm>
#include <cctype>

namespace report {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool IsCrossType(int type) {
    return type == btCrossHeader || type == btCrossData || type == btCrossFooter;
}

// The header, data and footer types of the three data levels.
struct TLevelTypes {
    std::uint8_t header, data, footer;
};
constexpr TLevelTypes kLevels[] = {{btMasterHeader, btMasterData, btMasterFooter},
                                   {btDetailHeader, btDetailData, btDetailFooter},
                                   {btSubDetailHeader, btSubDetailData, btSubDetailFooter}};

// The highlight condition is parsed once per page start. A condition that
// does not parse stays as text: printing evaluates it then and reports the
// fault as a calculation error of the object.
void CompileHighlight(TrpMemoView& memo) {
    memo.HighlightCompiled = false;
    memo.HighlightPostfix.clear();
    if (memo.Highlight.Condition.empty())
        return;
    try {
        memo.HighlightPostfix = TrpParser::StrToPostfix(memo.Highlight.Condition);
        memo.HighlightCompiled = true;
    } catch (const std::exception&) {
        memo.HighlightPostfix.clear();
    }
}

} // namespace

TrpBandStructure::~TrpBandStructure() {
    page_.Bands.fill(nullptr);
    for (auto& band : bands_) {
        for (TrpView* view : band->Objects)
            view->OwnerBand = nullptr;
    }
    for (auto& [view, top] : savedTops_)
        view->Top = top;
    for (auto& [view, left] : savedLefts_)
        view->Left = left;
}

TrpBand* TrpBandStructure::Head(int type) const {
    return page_.Bands.at(static_cast<std::size_t>(type));
}

TrpBand* TrpBandStructure::NewBand(std::uint8_t type) {
    bands_.push_back(std::make_unique<TrpBand>(page_, type));
    return bands_.back().get();
}

void TrpBandStructure::Build(TrpReport& report, std::set<TrpView*>& compiled) {
    for (int type = 0; type < kBandTypeCount; ++type)
        page_.Bands[static_cast<std::size_t>(type)] = NewBand(static_cast<std::uint8_t>(type));
    PrepareObjects(report, compiled);
    FillBands(report);
    SortChains();
    LinkHeadersAndFooters();
    LinkGroups();
    LinkChildren();
    LinkDefaultDataBands();
    ResolveDataSources(report);
    ComputePageColumns();
    for (int level = 3; level >= 1 && deepestLevel_ == 0; --level)
        if (Head(kLevels[level - 1].data)->View)
            deepestLevel_ = level;
}

void TrpBandStructure::PrepareObjects(TrpReport& report, std::set<TrpView*>& compiled) {
    for (std::size_t i = 0; i < page_.Count(); ++i) {
        TrpView* view = page_.Object(i);
        view->PreparedForm = true;
        if (auto* memo = dynamic_cast<TrpMemoView*>(view))
            CompileHighlight(*memo);
        if (auto* sub = dynamic_cast<TrpSubReportView*>(view)) {
            // The page it names prints only through the sub-report object.
            if (sub->SubPage >= 0 && static_cast<std::size_t>(sub->SubPage) < report.Pages.Count())
                report.Pages[static_cast<std::size_t>(sub->SubPage)]->SubReportPage = true;
        }
        if (dynamic_cast<TrpBandView*>(view) || !compiled.insert(view).second)
            continue;
        TrpStrings errors;
        EngineInterpretator().CompileScript(view->ScriptText, view->ScriptText, errors);
    }
}

void TrpBandStructure::FillBands(TrpReport& report) {
    std::vector<bool> assigned(page_.Count(), false);
    for (std::size_t i = 0; i < page_.Count(); ++i)
        if (dynamic_cast<TrpBandView*>(page_.Object(i)))
            assigned[i] = true;
    FillCrossBands(assigned);
    for (int type = 0; type < btNone; ++type) {
        if (IsCrossType(type))
            continue;
        TrpBand* last = nullptr;
        for (std::size_t i = 0; i < page_.Count(); ++i) {
            auto* view = dynamic_cast<TrpBandView*>(page_.Object(i));
            if (!view || view->BandType() != type)
                continue;
            TrpBand* band = ChainBand(type, *view, last);
            last = band;
            CollectObjects(*band, assigned);
        }
    }
    TrpBand* none = Head(btNone);
    for (std::size_t i = 0; i < page_.Count(); ++i) {
        if (assigned[i])
            continue;
        TrpView* view = page_.Object(i);
        view->OwnerBand = none;
        none->Objects.push_back(view);
    }
    (void)report;
}

void TrpBandStructure::CollectObjects(TrpBand& band, std::vector<bool>& assigned) {
    const int bottom = band.Top + band.Height;
    std::vector<TrpView*> subReports;
    for (std::size_t i = 0; i < page_.Count(); ++i) {
        TrpView* view = page_.Object(i);
        if (assigned[i] || view->Top < band.Top || view->Top >= bottom)
            continue;
        assigned[i] = true;
        if (dynamic_cast<TrpSubReportView*>(view))
            subReports.push_back(view);
        else
            band.Objects.push_back(view);
    }
    CollectCells(band);
    // Sub-report objects come last, so that the band's own objects print
    // before the sub-report takes over.
    band.Objects.insert(band.Objects.end(), subReports.begin(), subReports.end());
    for (TrpView* view : band.Objects) {
        savedTops_.emplace_back(view, view->Top);
        view->Top -= band.Top;
        view->OwnerBand = &band;
    }
}

// Makes the run-time band of a band object of the given type: the type's
// head band for the first, a new band chained after last for the others.
TrpBand* TrpBandStructure::ChainBand(int type, TrpBandView& view, TrpBand* last) {
    TrpBand* band = last ? NewBand(static_cast<std::uint8_t>(type)) : Head(type);
    band->TakeFrom(view);
    TrpStrings errors;
    EngineInterpretator().CompileScript(view.Memo, band->Script, errors);
    if (last) {
        last->Next = band;
        band->Prior = last;
    }
    return band;
}

// Cross bands are vertical strips: each takes the objects whose left lies
// inside it (lefts made relative to the strip) before the row bands collect
// theirs, so that a row band meets them as cells.
void TrpBandStructure::FillCrossBands(std::vector<bool>& assigned) {
    crossOwner_.assign(page_.Count(), nullptr);
    inRow_.assign(page_.Count(), false);
    for (int type : {btCrossHeader, btCrossData, btCrossFooter}) {
        TrpBand* last = nullptr;
        for (std::size_t i = 0; i < page_.Count(); ++i) {
            auto* view = dynamic_cast<TrpBandView*>(page_.Object(i));
            if (!view || view->BandType() != type)
                continue;
            TrpBand* band = ChainBand(type, *view, last);
            last = band;
            for (std::size_t j = 0; j < page_.Count(); ++j) {
                TrpView* object = page_.Object(j);
                if (assigned[j] || dynamic_cast<TrpSubReportView*>(object) ||
                    object->Left < band->Left || object->Left >= band->Left + band->Width)
                    continue;
                assigned[j] = true;
                crossOwner_[j] = band;
                band->Objects.push_back(object);
                savedLefts_.emplace_back(object, object->Left);
                object->Left -= band->Left;
            }
        }
    }
}

// The objects of cross bands lying vertically inside a row band become its
// cells, after its own objects.
void TrpBandStructure::CollectCells(TrpBand& band) {
    const int bottom = band.Top + band.Height;
    for (std::size_t i = 0; i < page_.Count(); ++i) {
        TrpView* view = page_.Object(i);
        if (!crossOwner_[i] || inRow_[i] || view->Top < band.Top || view->Top >= bottom)
            continue;
        inRow_[i] = true;
        band.Objects.push_back(view);
        band.Cells.push_back(view);
    }
}

void TrpBandStructure::SortChains() {
    for (int type = 0; type < kBandTypeCount; ++type) {
        std::vector<TrpBand*> chain;
        for (TrpBand* b = Head(type); b; b = b->Next)
            chain.push_back(b);
        std::stable_sort(chain.begin(), chain.end(),
                         [](const TrpBand* a, const TrpBand* b) { return a->Top < b->Top; });
        for (std::size_t i = 0; i < chain.size(); ++i) {
            chain[i]->Prior = i > 0 ? chain[i - 1] : nullptr;
            chain[i]->Next = i + 1 < chain.size() ? chain[i + 1] : nullptr;
        }
        page_.Bands[static_cast<std::size_t>(type)] = chain.front();
    }
}

void TrpBandStructure::LinkHeadersAndFooters() {
    for (const TLevelTypes& level : kLevels) {
        for (TrpBand* header = Head(level.header); header && header->View; header = header->Next) {
            for (TrpBand* data = Head(level.data); data && data->View; data = data->Next) {
                if (data->Top < header->Top + header->Height)
                    continue;
                header->DataBandLink = data;
                if (!data->Header)
                    data->Header = header;
                break;
            }
        }
        for (TrpBand* footer = Head(level.footer); footer && footer->View; footer = footer->Next) {
            TrpBand* nearest = nullptr;
            for (TrpBand* data = Head(level.data); data && data->View; data = data->Next)
                if (data->Top + data->Height <= footer->Top)
                    nearest = data;
            if (!nearest)
                continue;
            footer->DataBandLink = nearest;
            if (!nearest->Footer)
                nearest->Footer = footer;
        }
    }
}

void TrpBandStructure::LinkGroups() {
    TrpBand* footer = Head(btGroupFooter);
    for (TrpBand* header = Head(btGroupHeader); header && header->View; header = header->Next) {
        if (footer && footer->View) {
            header->Footer = footer;
            footer->DataBandLink = header;
            footer = footer->Next;
        }
    }
    TrpBand* master = Head(btMasterData);
    if (!master->View)
        return;
    for (TrpBand* header = Head(btGroupHeader); header && header->View; header = header->Next) {
        TrpBand* owner = master;
        if (header->View && !header->View->Master.empty()) {
            owner = nullptr;
            for (const TLevelTypes& level : kLevels)
                for (TrpBand* d = Head(level.data); d && !owner; d = d->Next)
                    if (d->View && SameName(d->Name, header->View->Master))
                        owner = d;
        }
        if (!owner)
            continue;
        header->DataBandLink = owner;
        header->PriorGroup = owner->LastGroup;
        if (owner->LastGroup)
            owner->LastGroup->NextGroup = header;
        else
            owner->FirstGroup = header;
        owner->LastGroup = header;
    }
}

void TrpBandStructure::LinkChildren() {
    for (auto& band : bands_) {
        if (!band->View || band->View->ChildBand.empty())
            continue;
        for (TrpBand* child = Head(btChild); child && child->View; child = child->Next)
            if (SameName(child->Name, band->View->ChildBand) && child != band.get()) {
                band->Child = child;
                break;
            }
    }
}

void TrpBandStructure::LinkDefaultDataBands() {
    TrpBand* master = Head(btMasterData);
    for (auto& band : bands_) {
        TrpBand* b = band.get();
        switch (b->Type) {
        case btMasterData:
        case btDetailData:
        case btSubDetailData:
            b->DefaultData = b;
            break;
        case btDetailHeader:
        case btDetailFooter:
            b->DefaultData = b->DataBandLink ? b->DataBandLink : Head(btDetailData);
            break;
        case btSubDetailHeader:
        case btSubDetailFooter:
            b->DefaultData = b->DataBandLink ? b->DataBandLink : Head(btSubDetailData);
            break;
        case btGroupHeader:
            b->DefaultData = b->DataBandLink ? b->DataBandLink : master;
            break;
        case btGroupFooter:
            b->DefaultData = b->DataBandLink && b->DataBandLink->DataBandLink
                                 ? b->DataBandLink->DataBandLink
                                 : master;
            break;
        case btCrossData:
            b->DefaultData = b;
            break;
        case btCrossHeader:
        case btCrossFooter:
            b->DefaultData = Head(btCrossData);
            break;
        case btMasterHeader:
        case btMasterFooter:
            b->DefaultData = b->DataBandLink ? b->DataBandLink : master;
            break;
        default:
            b->DefaultData = master;
        }
    }
    // A child band reads the totals of the band it follows.
    for (auto& band : bands_)
        if (band->Child)
            band->Child->DefaultData = band->DefaultData;
}

void TrpBandStructure::ResolveDataSources(TrpReport& report) {
    const TrpLookupContext context = LookupContextOf(report.Owner());
    for (auto& band : bands_) {
        if (!band->View || band->Type == btGroupHeader)
            continue;
        if (!band->IsData() && band->Type != btCrossData)
            continue;
        if (band->Type == btCrossData && band->DataSource.find(';') != std::string::npos) {
            ResolveCrossDataSets(context, *band);
            continue;
        }
        TrpBandDataSource source = ResolveBandDataSource(context, band->DataSource);
        band->DataSet = source.dataset;
        band->OwnedDataSet = std::move(source.owned);
    }
}

// A cross data band's data source "name=source;name=source;..." gives
// each named row band (header to group footer types) the dataset the cross
// data band walks for it. A trailing piece without ";" is ignored, as is a
// pair without "=".
void TrpBandStructure::ResolveCrossDataSets(const TrpLookupContext& context,
                                            const TrpBand& crossData) {
    const std::string& text = crossData.DataSource;
    for (std::size_t begin = 0;;) {
        const std::size_t end = text.find(';', begin);
        if (end == std::string::npos)
            return;
        const std::string pair = text.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t eq = pair.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string name = TrimText(pair.substr(0, eq));
        for (auto& band : bands_) {
            if (band->Type < btMasterHeader || band->Type > btGroupFooter ||
                !SameName(band->Name, name))
                continue;
            TrpBandDataSource source = ResolveBandDataSource(context, pair.substr(eq + 1));
            band->CrossDataSet = source.dataset;
            band->OwnedCrossDataSet = std::move(source.owned);
        }
    }
}

void TrpBandStructure::ComputePageColumns() {
    if (page_.Columns <= 0)
        page_.Columns = 1;
    const TrpPageBounds bounds = page_.Bounds();
    page_.ColumnWidth =
        (bounds.right - bounds.left - (page_.Columns - 1) * page_.ColumnGap) / page_.Columns;
}

} // namespace report

// TrpBandStructure: the run-time bands of one template page while the
// report generates. Build makes one empty band per band type (so that every
// chain has a head), fills them from the page's band objects, assigns every
// object to the band it lies in and links headers, footers, groups and
// child bands; the destructor frees the bands and clears the page's chains.
//
// Invariant: page.Bands[t] is the head of the chain of type t, ordered by
// designed top; every non-band object of the page is in exactly one band's
// Objects (the "None" band for objects outside every band).
#pragma once

#include "TrpBand.h"

#include <memory>
#include <set>
#include <vector>

namespace report {

class TrpPage;
class TrpReport;
struct TrpLookupContext;

class TrpBandStructure {
public:
    explicit TrpBandStructure(TrpPage& page) : page_(page) {}
    ~TrpBandStructure();
    TrpBandStructure(const TrpBandStructure&) = delete;
    TrpBandStructure& operator=(const TrpBandStructure&) = delete;

    // Builds the bands. Object scripts are compiled in place, once per
    // generation: compiled remembers the objects already done.
    void Build(TrpReport& report, std::set<TrpView*>& compiled);

    TrpPage& Page() const { return page_; }
    TrpBand* Head(int type) const;
    // The deepest data level present (1 master, 2 detail, 3 subdetail; 0
    // when there is no data band).
    int DeepestLevel() const { return deepestLevel_; }

private:
    TrpBand* NewBand(std::uint8_t type);
    void PrepareObjects(TrpReport& report, std::set<TrpView*>& compiled);
    void FillBands(TrpReport& report);
    void CollectObjects(TrpBand& band, std::vector<bool>& assigned);
    TrpBand* ChainBand(int type, TrpBandView& view, TrpBand* last);
    void FillCrossBands(std::vector<bool>& assigned);
    void CollectCells(TrpBand& band);
    void ResolveCrossDataSets(const TrpLookupContext& context, const TrpBand& crossData);
    void SortChains();
    void LinkHeadersAndFooters();
    void LinkGroups();
    void LinkChildren();
    void LinkDefaultDataBands();
    void ResolveDataSources(TrpReport& report);
    void ComputePageColumns();

    TrpPage& page_;
    std::vector<std::unique_ptr<TrpBand>> bands_;
    // The designed tops of the collected objects, put back when the page ends.
    std::vector<std::pair<TrpView*, std::int32_t>> savedTops_;
    std::vector<std::pair<TrpView*, std::int32_t>> savedLefts_;
    // Per page object: the cross band it lies in, and whether a row band
    // has taken it as a cell.
    std::vector<TrpBand*> crossOwner_;
    std::vector<bool> inRow_;
    int deepestLevel_ = 0;
};

} // namespace report

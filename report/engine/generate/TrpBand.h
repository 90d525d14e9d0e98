// TrpBand: a run-time band, made from one band object (or the pre-created
// empty band of a type) when a template page starts generating and freed
// when the page ends. The page's bands of one type form a chain (Next,
// Prior) ordered by their designed top.
//
// Links: a data band names its header and footer (Header, Footer); a header
// or footer names its data band (DataBand). A data band's group headers are
// chained through NextGroup / PriorGroup from FirstGroup (outermost) to
// LastGroup; a group header names its footer (Footer).
//
// The band is what the band object reaches while generating (Runtime) and
// what aggregate calls see (TrpAggregateBand). Aggregates live on data
// bands; every band remembers the data band its calls read.
#pragma once

#include "TrpAggregates.h"
#include "TrpBandRuntime.h"
#include "TrpBandView.h"
#include "TrpUserDataset.h"
#include "TrpVariables.h"

#include <memory>
#include <string>
#include <vector>

namespace report {

class TrpPage;

class TrpBand final : public TrpBandRuntime, public TrpAggregateBand {
public:
    TrpBand(TrpPage& page, std::uint8_t type) : Page(page), Type(type) {}
    ~TrpBand() override;
    TrpBand(const TrpBand&) = delete;
    TrpBand& operator=(const TrpBand&) = delete;

    // Takes the persistent band fields of view and links view to this band.
    void TakeFrom(TrpBandView& view);

    TrpPage& Page;
    std::uint8_t Type;
    TrpBandView* View = nullptr;
    std::string Name;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::uint16_t Flags = 0;
    bool Visible = true;
    TrpStrings Script; // compiled
    std::string DataSource;
    // Objects in page order, with tops relative to the band. A cross band
    // lists the objects lying in its strip, lefts relative to it; a row band
    // also lists them among its objects when they lie in it (its cells,
    // kept in Cells as well), printed only through the cross printing.
    std::vector<TrpView*> Objects;
    std::vector<TrpView*> Cells;

    TrpBand* Next = nullptr;
    TrpBand* Prior = nullptr;
    TrpBand* Child = nullptr;
    TrpBand* Header = nullptr;
    TrpBand* Footer = nullptr;
    TrpBand* DataBandLink = nullptr;
    TrpBand* FirstGroup = nullptr;
    TrpBand* LastGroup = nullptr;
    TrpBand* NextGroup = nullptr;
    TrpBand* PriorGroup = nullptr;
    TrpValue LastGroupValue;

    TrpDataset* DataSet = nullptr;
    std::unique_ptr<TrpUserDataset> OwnedDataSet;
    // Hook for cross bands: the dataset a cross data band walks for this
    // row band when it has none of its own.
    TrpDataset* CrossDataSet = nullptr;
    std::unique_ptr<TrpUserDataset> OwnedCrossDataSet;

    TrpVariables AggregateList;
    int Records = 0;
    TrpBand* AggregateDataBand = nullptr;
    // The data band calls in this band read by default; set by the band
    // structure.
    TrpBand* DefaultData = nullptr;

    int LineNo = 0;
    int LineThroughNo = 0;
    int NewPageRequests = 0;
    int NewColumnRequests = 0;
    int CalculatedHeight = 0;
    int ColumnIndex = 1;
    int ColumnStart = 0;

    bool HasContent() const;
    bool FlagSet(std::uint16_t bit) const { return (Flags & bit) != 0; }
    bool Stretched() const { return FlagSet(kFlagStretched); }
    bool Breakable() const;
    bool FormNewPage() const;
    bool IsData() const {
        return Type == btMasterData || Type == btDetailData || Type == btSubDetailData;
    }
    // Bands drawn at a fixed place rather than at the current position.
    bool FixedPlace() const { return Type == btPageFooter || Type == btOverlay || Type == btNone; }
    // The band object's columns when it places its printings side by side.
    bool HasBandColumns() const { return View && View->Columns > 1 && View->NewColumnAfter == 1; }
    // The group condition (of a group header).
    const std::string& Condition() const { return DataSource; }

    // TrpBandRuntime.
    TrpDataset* Dataset() override { return DataSet; }
    bool GetProperty(const std::string& upperName, TrpValue& value) override;
    bool SetProperty(const std::string& upperName, const TrpValue& value) override;

    // TrpAggregateBand.
    std::string BandName() const override { return Name; }
    TrpAggregateBand* DefaultDataBand() override { return DefaultData; }
    bool HoldsOtherBandsObjects() const override { return !Cells.empty() && Type != btCrossFooter; }
    bool HoldsCell(const TrpView* view) const;
    bool IsCrossData() const override { return Type == btCrossData; }
    TrpAggregateBand* RememberedDataBand() override { return AggregateDataBand; }
    void RememberDataBand(TrpAggregateBand* dataBand) override;
    TrpVariables& Aggregates() override { return AggregateList; }
    int RecordCount() const override { return Records; }
    tabula::TDataSet* DefaultTableDataset() override;
};

} // namespace report

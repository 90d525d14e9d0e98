// TrpBand: the run-time band's own fields and the properties its band
// object reaches while generating.
#include "TrpBand.h"

#include "TrpDBDataSet.h"
#include "TrpPage.h"
#include "TrpValueConvert.h"

#include <algorithm>

namespace report {

TrpBand::~TrpBand() {
    if (View && View->Runtime == this)
        View->Runtime = nullptr;
}

void TrpBand::TakeFrom(TrpBandView& view) {
    View = &view;
    Name = view.Name;
    Left = view.Left;
    Top = view.Top;
    Width = view.Width;
    Height = view.Height;
    Flags = view.Flags;
    Visible = view.Visible;
    DataSource = view.FormatPattern;
    view.Runtime = this;
}

bool TrpBand::HasContent() const {
    return View != nullptr || (Type == btNone && !Objects.empty());
}

bool TrpBand::Breakable() const {
    return FlagSet(kBandBreaked) && !Page.SubReportPage;
}

bool TrpBand::FormNewPage() const {
    return FlagSet(kBandFormNewPage) && !Page.SubReportPage;
}

bool TrpBand::HoldsCell(const TrpView* view) const {
    return std::find(Cells.begin(), Cells.end(), view) != Cells.end();
}

void TrpBand::RememberDataBand(TrpAggregateBand* dataBand) {
    AggregateDataBand = static_cast<TrpBand*>(dataBand);
}

bool TrpBand::GetProperty(const std::string& upperName, TrpValue& value) {
    if (upperName == "LEFT")
        value = std::int64_t{Left};
    else if (upperName == "TOP")
        value = std::int64_t{Top};
    else if (upperName == "WIDTH")
        value = std::int64_t{Width};
    else if (upperName == "HEIGHT")
        value = std::int64_t{Height};
    else if (upperName == "VISIBLE")
        value = Visible;
    else if (upperName == "DATASOURCE")
        value = DataSource;
    else
        return false;
    return true;
}

bool TrpBand::SetProperty(const std::string& upperName, const TrpValue& value) {
    if (upperName == "LEFT")
        Left = static_cast<int>(ValueToInt(value));
    else if (upperName == "TOP")
        Top = static_cast<int>(ValueToInt(value));
    else if (upperName == "WIDTH")
        Width = static_cast<int>(ValueToInt(value));
    else if (upperName == "HEIGHT")
        Height = static_cast<int>(ValueToInt(value));
    else if (upperName == "VISIBLE")
        Visible = ValueToBool(value);
    else if (upperName == "DATASOURCE")
        DataSource = ValueToText(value);
    else
        return false;
    return true;
}

tabula::TDataSet* TrpBand::DefaultTableDataset() {
    auto* dataBand = static_cast<TrpBand*>(DefaultData);
    auto* link = dataBand ? dynamic_cast<TrpDBDataSet*>(dataBand->DataSet) : nullptr;
    if (!link)
        return nullptr;
    tabula::TDataSource* source = link->DataSource();
    if (source && source->DataSet())
        return source->DataSet();
    return link->DataSet();
}

} // namespace report

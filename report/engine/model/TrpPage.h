// TrpPage: a template page - a report page (paper, margins, columns, the
// objects to print) or a dialog page (window bounds, caption, the
// "OnActivate" script). The page owns its objects, in creation order, and
// drawing and printing follow that order.
//
// Paper sizes are in tenths of a millimetre; the named properties "WIDTH"
// and "HEIGHT" of a report page give them in engine pixels. Metrics holds
// the printer layer's figures for the current paper (ChangePaper).
#pragma once

#include "TrpObject.h"
#include "TrpObjectCodes.h"
#include "TrpPageMetrics.h"
#include "TrpPrinter.h"
#include "TrpView.h"

#include <array>
#include <memory>
#include <vector>

namespace report {

class TrpPages;
class TrpBand;

class TrpPage : public TrpObject {
public:
    // A page with the printer layer's default paper, portrait, default bin.
    TrpPage();
    ~TrpPage() override;

    std::int32_t PaperSize;
    std::int32_t PaperWidth = 0;
    std::int32_t PaperHeight = 0;
    std::int32_t LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
    TrpOrientation Orientation = TrpOrientation::Portrait;
    std::int32_t PaperBin = kDefaultPaperBin;
    bool PrintToPrevPage = false;
    // The inverse of "StretchToPrintable".
    bool UseMargins = true;
    TrpPageMetrics Metrics;
    // 0 is taken as 1.
    std::int32_t Columns = 0;
    // Computed when bands are prepared.
    std::int32_t ColumnWidth = 0;
    std::int32_t ColumnGap = 0;
    std::uint8_t PageType = ptReport;
    std::string Name;
    std::uint8_t BorderStyle = bsDialog;
    std::string Caption = "Form";
    TrpColor Color = kClBtnFace;
    std::int32_t DialogLeft = 220, DialogTop = 120, DialogWidth = 380, DialogHeight = 300;
    std::uint8_t Position = poScreenCenter;
    // "OnBeforePrint" of a report page, "OnActivate" of a dialog page.
    TrpStrings Script;
    bool Visible = true;
    std::string NamePrefix = "Page";

    // Set when bands are prepared if a sub-report object of the report
    // names this page: it then prints only in that object's place.
    bool SubReportPage = false;

    // Run-time band chains, one per band type; built and owned by the
    // generation engine while a report generates.
    std::array<TrpBand*, kBandTypeCount> Bands{};

    // The list holding the page; set by the list.
    TrpPages* Parent = nullptr;
    TrpReport* Report() const;

    // Objects.
    std::size_t Count() const { return objects_.size(); }
    TrpView* Object(std::size_t index) const { return objects_.at(index).get(); }
    // Appends view (the page takes it over) and answers it.
    TrpView* Add(std::unique_ptr<TrpView> view);
    // Creates an object from its type code, names it after its class and
    // appends it; null for a code that names no class.
    TrpView* CreateView(int typeCode, const std::string& className = {});
    void Delete(std::size_t index);
    void Clear();
    // The first object named name, ignoring case; null if none.
    TrpView* FindObject(const std::string& name) const;

    void SetPropertyValue(const std::string& name, const TrpValue& value) override;
    TrpValue GetPropertyValue(const std::string& name) override;
    void DeclareProperties() override;

    // Asks the printer layer for this paper, once more as a user size in
    // the default bin when that fails, then takes the layer's actual
    // paper and metrics.
    void ChangePaper(int size, int width, int height, int bin, TrpOrientation orientation,
                     TrpPrinter& printer = Printer());
    // The area objects are laid out in (band alignment, generation).
    TrpPageBounds Bounds() const;

    void LoadFromStream(TrpReadStream& stream);
    void SaveToStream(TrpWriteStream& stream);

private:
    std::vector<std::unique_ptr<TrpView>> objects_;
};

} // namespace report

// TrpPage: the page's objects, named properties, paper change and bounds.
#include "TrpPage.h"

#include "EnginePixels.h"
#include "TrpBandView.h"
#include "TrpObjectFactory.h"
#include "TrpPages.h"
#include "TrpReport.h"
#include "TrpValueConvert.h"

#include <exception>

namespace report {

namespace {

// Paper sizes are kept in tenths of a millimetre and shown to scripts in
// engine pixels, 3.6 to the millimetre.
int TenthsToPixels(std::int64_t tenths) {
    return static_cast<int>(RoundHalfEven(static_cast<double>(tenths) / 10 * 18 / 5));
}

int PixelsToTenths(std::int64_t pixels) {
    return static_cast<int>(RoundHalfEven(static_cast<double>(pixels) * 10 * 5 / 18));
}

std::int32_t ToI32(const TrpValue& value) {
    return static_cast<std::int32_t>(ValueToInt(value));
}

} // namespace

TrpPage::TrpPage() : PaperSize(Printer().DefaultPaper()) {
    ChangePaper(PaperSize, 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
}

TrpPage::~TrpPage() = default;

TrpReport* TrpPage::Report() const {
    return Parent ? Parent->Report() : nullptr;
}

TrpView* TrpPage::Add(std::unique_ptr<TrpView> view) {
    view->Parent = this;
    objects_.push_back(std::move(view));
    return objects_.back().get();
}

TrpView* TrpPage::CreateView(int typeCode, const std::string& className) {
    std::unique_ptr<TrpView> view = CreateReportObject(typeCode, className);
    if (!view)
        return nullptr;
    if (TrpReport* report = Report()) {
        view->Name = report->FreeObjectName(view->NamePrefix);
    } else {
        for (int n = 1; n <= kMaxDefaultNameNumber; ++n) {
            std::string name = view->NamePrefix + std::to_string(n);
            if (!FindObject(name)) {
                view->Name = name;
                break;
            }
        }
    }
    return Add(std::move(view));
}

void TrpPage::Delete(std::size_t index) {
    if (index < objects_.size())
        objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TrpPage::Clear() {
    objects_.clear();
}

TrpView* TrpPage::FindObject(const std::string& name) const {
    for (const auto& view : objects_)
        if (tabula::SameName(view->Name, name))
            return view.get();
    return nullptr;
}

void TrpPage::SetPropertyValue(const std::string& name, const TrpValue& value) {
    const std::string n = UpperName(name);
    const bool dialog = PageType == ptDialog;
    if (n == "LEFT" && dialog)
        DialogLeft = ToI32(value);
    else if (n == "TOP" && dialog)
        DialogTop = ToI32(value);
    else if (n == "WIDTH" && dialog)
        DialogWidth = ToI32(value);
    else if (n == "WIDTH")
        PaperWidth = PixelsToTenths(ValueToInt(value));
    else if (n == "HEIGHT" && dialog)
        DialogHeight = ToI32(value);
    else if (n == "HEIGHT")
        PaperHeight = PixelsToTenths(ValueToInt(value));
    else if (n == "TYPE")
        PageType = static_cast<std::uint8_t>(ValueToInt(value));
    else if (n == "BORDERSTYLE")
        BorderStyle = static_cast<std::uint8_t>(ValueToInt(value));
    else if (n == "CAPTION")
        Caption = ValueToText(value);
    else if (n == "NAME")
        Name = ValueToText(value);
    else if (n == "COLOR")
        Color = static_cast<TrpColor>(ValueToInt(value));
    else if (n == "POSITION")
        Position = static_cast<std::uint8_t>(ValueToInt(value));
    else if (n == "SIZE")
        PaperSize = ToI32(value);
    else if (n == "LEFTMARGIN")
        LeftMargin = ToI32(value);
    else if (n == "TOPMARGIN")
        TopMargin = ToI32(value);
    else if (n == "RIGHTMARGIN")
        RightMargin = ToI32(value);
    else if (n == "BOTTOMMARGIN")
        BottomMargin = ToI32(value);
    else if (n == "ORIENTATION")
        Orientation = ValueToInt(value) == 1 ? TrpOrientation::Landscape : TrpOrientation::Portrait;
    else if (n == "PRINTTOPREVPAGE")
        PrintToPrevPage = ValueToBool(value);
    else if (n == "STRETCHTOPRINTABLE")
        UseMargins = !ValueToBool(value);
    else if (n == "COLUMNS")
        Columns = ToI32(value);
    else if (n == "COLUMNGAP")
        ColumnGap = ToI32(value);
    else if (n == "VISIBLE")
        Visible = ValueToBool(value);
}

TrpValue TrpPage::GetPropertyValue(const std::string& name) {
    const std::string n = UpperName(name);
    const bool dialog = PageType == ptDialog;
    auto i = [](std::int64_t v) { return TrpValue(v); };
    if (n == "LEFT")
        return dialog ? i(DialogLeft) : TrpValue();
    if (n == "TOP")
        return dialog ? i(DialogTop) : TrpValue();
    if (n == "WIDTH")
        return i(dialog ? DialogWidth : TenthsToPixels(PaperWidth));
    if (n == "HEIGHT")
        return i(dialog ? DialogHeight : TenthsToPixels(PaperHeight));
    if (n == "TYPE")
        return i(PageType);
    if (n == "BORDERSTYLE")
        return i(BorderStyle);
    if (n == "CAPTION")
        return Caption;
    if (n == "NAME")
        return Name;
    if (n == "COLOR")
        return i(Color);
    if (n == "POSITION")
        return i(Position);
    if (n == "SIZE")
        return i(PaperSize);
    if (n == "LEFTMARGIN")
        return i(LeftMargin);
    if (n == "TOPMARGIN")
        return i(TopMargin);
    if (n == "RIGHTMARGIN")
        return i(RightMargin);
    if (n == "BOTTOMMARGIN")
        return i(BottomMargin);
    if (n == "ORIENTATION")
        return i(Orientation == TrpOrientation::Landscape ? 1 : 0);
    if (n == "PRINTTOPREVPAGE")
        return PrintToPrevPage;
    if (n == "STRETCHTOPRINTABLE")
        return !UseMargins;
    if (n == "COLUMNS")
        return i(Columns);
    if (n == "COLUMNGAP")
        return i(ColumnGap);
    if (n == "VISIBLE")
        return Visible;
    return {};
}

void TrpPage::DeclareProperties() {
    TrpObject::DeclareProperties();
    props_.AddEnum("Type", {"ptReport", "ptDialog"}, {ptReport, ptDialog});
    props_.Add("Visible", kPropBoolean);
    if (PageType == ptDialog) {
        props_.AddEnum("BorderStyle", {"bsDialog", "bsSizeable"}, {bsDialog, bsSizeable});
        props_.Add("Caption", kPropString);
        props_.Add("Color", kPropColor);
        for (const char* name : {"Left", "Top", "Width", "Height"})
            props_.Add(name, kPropPixelSize);
        props_.AddEnum("Position", {"poDesigned", "poScreenCenter"}, {poDesigned, poScreenCenter});
        props_.Add("OnActivate", kPropEditor);
        return;
    }
    const TrpPrinter& printer = Printer();
    std::vector<std::int32_t> codes(printer.PaperCodeList().begin(), printer.PaperCodeList().end());
    props_.AddEnum("Size", printer.PaperNameList(), std::move(codes));
    for (const char* name :
         {"Width", "Height", "LeftMargin", "TopMargin", "RightMargin", "BottomMargin"})
        props_.Add(name, kPropPixelSize);
    props_.AddEnum("Orientation", {"poPortrait", "poLandscape"}, {0, 1});
    props_.Add("PrintToPrevPage", kPropBoolean);
    props_.Add("StretchToPrintable", kPropBoolean);
    props_.Add("Columns", kPropInteger);
    props_.Add("ColumnGap", kPropPixelSize);
    props_.Add("OnBeforePrint", kPropEditor);
}

void TrpPage::ChangePaper(int size, int width, int height, int bin, TrpOrientation orientation,
                          TrpPrinter& printer) {
    try {
        printer.SetPaper(size, width, height, orientation, bin, false);
    } catch (const std::exception&) {
        // A paper the device refuses is asked for again as a user size in
        // the default bin.
        printer.SetPaper(kUserPaperSize, width, height, orientation, kDefaultPaperBin, false);
    }
    PaperSize = printer.PaperCode();
    PaperWidth = printer.SheetWidth();
    PaperHeight = printer.SheetHeight();
    Orientation = printer.SheetOrientation();
    PaperBin = bin == kDefaultPaperBin ? kStoredDefaultPaperBin : printer.PaperSource();
    printer.FillPageMetrics(Metrics);
}

TrpPageBounds TrpPage::Bounds() const {
    const TrpPageMetrics& m = Metrics;
    if (!UseMargins)
        return {0, 0, m.sheetWidth, m.sheetHeight};
    TrpPageBounds b;
    b.left = LeftMargin != 0 ? LeftMargin : m.offsetX;
    b.top = TopMargin != 0 ? TopMargin : m.offsetY;
    b.right = RightMargin != 0 ? m.sheetWidth - RightMargin : m.offsetX + m.printableWidth;
    b.bottom = BottomMargin != 0 ? m.sheetHeight - BottomMargin : m.offsetY + m.printableHeight;
    TrpReport* report = Report();
    if (report && report->Generating) {
        for (const auto& view : objects_) {
            auto* band = dynamic_cast<const TrpBandView*>(view.get());
            if (band && band->BandType() == btPageFooter) {
                b.bottom -= band->Height;
                break;
            }
        }
    }
    return b;
}

} // namespace report

// TrpBandView: band settings, the band-type dependent property list and the
// dataset moves of a generating band.
#include "TrpBandView.h"

#include "TrpBandRuntime.h"
#include "TrpDataset.h"
#include "TrpPage.h"
#include "TrpReport.h"
#include "TrpValueConvert.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace report {

namespace {

// The boolean properties that stand for band "Flags" bits.
constexpr std::array<std::pair<const char*, std::uint16_t>, 7> kBandFlagProperties = {{
    {"FORMNEWPAGE", kBandFormNewPage},
    {"PRINTIFSUBSETEMPTY", kBandPrintIfSubsetEmpty},
    {"BREAKED", kBandBreaked},
    {"ONFIRSTPAGE", kBandOnFirstPage},
    {"ONLASTPAGE", kBandOnLastPage},
    {"REPEATHEADER", kBandRepeatHeader},
    {"PRINTCHILDIFINVISIBLE", kBandPrintChildIfInvisible},
}};

const std::uint16_t* BandFlagOf(const std::string& upper) {
    for (const auto& [name, bit] : kBandFlagProperties)
        if (upper == name)
            return &bit;
    return nullptr;
}

bool OneOf(int type, std::initializer_list<int> types) {
    for (int t : types)
        if (t == type)
            return true;
    return false;
}

bool InRange(int type, int first, int last) {
    return type >= first && type <= last;
}

// Properties the run-time band carries while a report generates.
bool IsRuntimeProperty(const std::string& upper) {
    for (const char* name : {"LEFT", "TOP", "WIDTH", "HEIGHT", "VISIBLE", "DATASOURCE"})
        if (upper == name)
            return true;
    return false;
}

} // namespace

TrpBandView::TrpBandView() {
    ObjectType = kTypeBand;
    NamePrefix = "Band";
    Flags = kBandDefaultFlags;
    ObjectVersionMinor = 1;
    FormatCode = 0;
}

bool TrpBandView::Generating() const {
    TrpReport* report = Report();
    return report && report->Generating;
}

void TrpBandView::SetPropertyValue(const std::string& name, const TrpValue& value) {
    const std::string n = UpperName(name);
    if (Generating() && Runtime && IsRuntimeProperty(n) && Runtime->SetProperty(n, value))
        return;
    if (const std::uint16_t* bit = BandFlagOf(n))
        SetFlag(*bit, ValueToBool(value));
    else if (n == "CHILDBAND")
        ChildBand = ValueToText(value);
    else if (n == "MASTER")
        Master = ValueToText(value);
    else if (n == "CONDITION")
        FormatPattern = ValueToText(value);
    else if (n == "COLUMNS")
        Columns = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "COLUMNGAP")
        ColumnGap = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "COLUMNWIDTH")
        ColumnWidth = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "NEWCOLUMNAFTER")
        NewColumnAfter = static_cast<std::int32_t>(ValueToInt(value));
    else
        TrpView::SetPropertyValue(name, value);
}

TrpValue TrpBandView::GetPropertyValue(const std::string& name) {
    const std::string n = UpperName(name);
    TrpValue value;
    if (Generating() && Runtime && IsRuntimeProperty(n) && Runtime->GetProperty(n, value))
        return value;
    if (const std::uint16_t* bit = BandFlagOf(n))
        return FlagSet(*bit);
    if (n == "CHILDBAND")
        return ChildBand;
    if (n == "MASTER")
        return Master;
    if (n == "CONDITION")
        return FormatPattern;
    if (n == "COLUMNS")
        return std::int64_t{Columns};
    if (n == "COLUMNGAP")
        return std::int64_t{ColumnGap};
    if (n == "COLUMNWIDTH")
        return std::int64_t{ColumnWidth};
    if (n == "NEWCOLUMNAFTER")
        return std::int64_t{NewColumnAfter};
    if (n == "EOF") {
        // A band without data has nothing left to read.
        TrpDataset* dataset = Runtime ? Runtime->Dataset() : nullptr;
        return dataset ? dataset->Eof() : true;
    }
    return TrpView::GetPropertyValue(name);
}

TrpValue TrpBandView::CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                                 const TrpValue& p3) {
    const std::string n = UpperName(name);
    if (n == "FIRST" || n == "NEXT" || n == "PRIOR") {
        TrpDataset* dataset = Generating() && Runtime ? Runtime->Dataset() : nullptr;
        if (!dataset)
            return {};
        if (n == "FIRST")
            dataset->First();
        else if (n == "NEXT")
            dataset->Next();
        else
            dataset->Prior();
        return {};
    }
    return TrpView::CallMethod(name, p1, p2, p3);
}

void TrpBandView::DeclareProperties() {
    TrpObject::DeclareProperties();
    DeclareCommonProperties();
    // A band's text lines are its "OnBeforePrint" script.
    props_.Remove("Memo");
    props_.Add("OnBeforePrint", kPropEditor | kPropText);
    DeclareBandTypeProperties(BandType());
}

void TrpBandView::DeclareBandTypeProperties(int type) {
    // Names of the bands of one type on this page, for enumerations.
    auto bandNames = [this](int wanted, std::vector<std::string>& names,
                            std::vector<std::int32_t>& values) {
        if (!Parent)
            return;
        for (std::size_t i = 0; i < Parent->Count(); ++i) {
            auto* band = dynamic_cast<TrpBandView*>(Parent->Object(i));
            if (band && band != this && band->BandType() == wanted) {
                values.push_back(static_cast<std::int32_t>(names.size()));
                names.push_back(band->Name);
            }
        }
    };
    if (type != btPageFooter) {
        std::vector<std::string> names;
        std::vector<std::int32_t> values;
        bandNames(btChild, names, values);
        props_.AddEnum("ChildBand", std::move(names), std::move(values));
        props_.Add("PrintChildIfInvisible", kPropBoolean);
    }
    if (InRange(type, 0, 2) || InRange(type, 4, 12) || InRange(type, 16, 18) || type == btChild)
        props_.Add("Stretched", kPropBoolean);
    if (OneOf(type, {0, 1, 5, 6, 8, 9, 11, 12, 16}))
        props_.Add("FormNewPage", kPropBoolean);
    if (OneOf(type, {5, 8}))
        props_.Add("PrintIfSubsetEmpty", kPropBoolean);
    if (OneOf(type, {0, 1}) || InRange(type, 4, 12) || OneOf(type, {16, 17, 21}))
        props_.Add("Breaked", kPropBoolean);
    if (OneOf(type, {2, 3}))
        props_.Add("OnFirstPage", kPropBoolean);
    if (type == btPageFooter)
        props_.Add("OnLastPage", kPropBoolean);
    if (OneOf(type, {4, 7, 10, 16, 18}))
        props_.Add("RepeatHeader", kPropBoolean);
    if (OneOf(type, {5, 8, 11})) {
        props_.Add("Columns", kPropInteger);
        props_.Add("ColumnWidth", kPropPixelSize);
        props_.Add("ColumnGap", kPropPixelSize);
        props_.Add("DataSource", kPropEditor);
    }
    if (type == btCrossData)
        props_.Add("DataSource", kPropEditor);
    if (type == btGroupHeader) {
        props_.Add("Condition", kPropString);
        std::vector<std::string> names;
        std::vector<std::int32_t> values;
        bandNames(btMasterData, names, values);
        props_.AddEnum("Master", std::move(names), std::move(values));
    }
    props_.Add("EOF", 0);
}

void TrpBandView::Draw(QPainter& canvas) {
    // A band only places its objects; it has nothing of its own to draw.
    Canvas = &canvas;
}

} // namespace report

// TrpMemoView: the text object's settings, named properties and methods.
#include "TrpMemoView.h"

#include "TrpBlobBinding.h"
#include "TrpMemoLayout.h"
#include "TrpValueConvert.h"

#include <array>
#include <utility>

namespace report {

namespace {

// The boolean properties that stand for text "Flags" bits.
constexpr std::array<std::pair<const char*, std::uint16_t>, 7> kMemoFlagProperties = {{
    {"WORDWRAP", kMemoWordWrap},
    {"WORDBREAK", kMemoWordBreak},
    {"AUTOWIDTH", kMemoAutoWidth},
    {"TEXTONLY", kMemoTextOnly},
    {"SUPPRESS", kMemoSuppress},
    {"HIDEZEROS", kMemoHideZeros},
    {"UNDERLINES", kMemoUnderlines},
}};

const std::uint16_t* MemoFlagOf(const std::string& upper) {
    for (const auto& [name, bit] : kMemoFlagProperties)
        if (upper == name)
            return &bit;
    return nullptr;
}

} // namespace

TrpMemoView::TrpMemoView() {
    ObjectType = kTypeMemo;
    NamePrefix = "Memo";
    Flags = kMemoDefaultFlags;
}

void TrpMemoView::SetPropertyValue(const std::string& name, const TrpValue& value) {
    const std::string n = UpperName(name);
    if (const std::uint16_t* bit = MemoFlagOf(n))
        SetFlag(*bit, ValueToBool(value));
    else if (n == "FONT.NAME")
        Font.Name = ValueToText(value);
    else if (n == "FONT.SIZE")
        Font.Size = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "FONT.STYLE")
        Font.Style = static_cast<std::int16_t>(ValueToInt(value));
    else if (n == "FONT.COLOR")
        Font.Color = static_cast<TrpColor>(ValueToInt(value));
    else if (n == "ALIGNMENT")
        Alignment = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "LINESPACING")
        LineSpacing = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "CHARSPACING")
        CharSpacing = static_cast<std::int32_t>(ValueToInt(value));
    else
        TrpView::SetPropertyValue(name, value);
}

TrpValue TrpMemoView::GetPropertyValue(const std::string& name) {
    const std::string n = UpperName(name);
    if (const std::uint16_t* bit = MemoFlagOf(n))
        return FlagSet(*bit);
    if (n == "FONT.NAME")
        return Font.Name;
    if (n == "FONT.SIZE")
        return std::int64_t{Font.Size};
    if (n == "FONT.STYLE")
        return std::int64_t{Font.Style};
    if (n == "FONT.COLOR")
        return std::int64_t{Font.Color};
    if (n == "ALIGNMENT")
        return std::int64_t{Alignment};
    if (n == "LINESPACING")
        return std::int64_t{LineSpacing};
    if (n == "CHARSPACING")
        return std::int64_t{CharSpacing};
    if (n == "LINES.COUNT")
        return static_cast<std::int64_t>(Memo.size());
    return TrpView::GetPropertyValue(name);
}

TrpValue TrpMemoView::CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                                 const TrpValue& p3) {
    TrpValue result;
    if (CallListMethod(UpperName(name), "LINES", p1, p2, p3, result))
        return result;
    return TrpView::CallMethod(name, p1, p2, p3);
}

void TrpMemoView::DeclareProperties() {
    TrpView::DeclareProperties();
    for (const char* name : {"Font.Name", "Font.Size", "Font.Style", "Font.Color"})
        props_.Add(name, 0);
    for (const char* name : {"Font", "Alignment", "DisplayFormat", "Highlight"})
        props_.Add(name, kPropEditor);
    for (const char* name : {"LineSpacing", "CharSpacing", "GapX", "GapY"})
        props_.Add(name, kPropInteger);
    for (const char* name : {"Stretched", "WordWrap", "WordBreak", "AutoWidth", "TextOnly",
                             "Suppress", "HideZeros", "Underlines"})
        props_.Add(name, kPropBoolean);
    props_.Add("Lines.Count", 0);
}

void TrpMemoView::LoadFromBlob(const TrpBlobContent& content) {
    ResultMemo = content.isNull ? TrpStrings{} : SplitLines(content.bytes);
}

void TrpMemoView::Draw(QPainter& canvas) {
    TrpMemoLayout::Draw(*this, canvas);
}

std::int32_t TrpMemoView::CalcHeight() {
    return TrpMemoLayout::Measure(*this);
}

std::int32_t TrpMemoView::MinHeight() {
    return LineHeight;
}

std::int32_t TrpMemoView::RemainHeight() {
    return TrpMemoLayout::RemainHeight(*this);
}

} // namespace report

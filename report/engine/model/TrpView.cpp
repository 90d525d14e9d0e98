// TrpView: named properties and methods common to every report object,
// band alignment, the draw bracket, frame, background and clip region.
#include "TrpView.h"

#include "EnginePixels.h"
#include "TrpBandView.h"
#include "TrpBlobBinding.h"
#include "TrpEngineState.h"
#include "TrpFormatCode.h"
#include "TrpFramePainter.h"
#include "TrpPage.h"
#include "TrpReport.h"
#include "TrpValueConvert.h"
#include "tabula/FormatSettings.h"

#include <QPainter>
#include <algorithm>
#include <optional>

namespace report {

namespace {

int Round(double x) {
    return static_cast<int>(RoundHalfEven(x));
}

TrpValue Int(std::int64_t v) {
    return TrpValue(v);
}

} // namespace

TrpView::TrpView() : FormatCode(DefaultFormatCode()) {}

TrpView::~TrpView() {
    if (EngineState().CurrentView == this)
        EngineState().CurrentView = nullptr;
}

std::int32_t TrpView::DefaultFormatCode() {
    return PackFormatCode({tabula::TFormatSettings::Global().decimalSeparator,
                           kDefaultFormatDecimals, 0, kFormatText});
}

void TrpView::SetFlag(std::uint16_t bit, bool on) {
    Flags = static_cast<std::uint16_t>(on ? (Flags | bit) : (Flags & ~bit));
}

TrpReport* TrpView::Report() const {
    return Parent ? Parent->Report() : nullptr;
}

bool TrpView::InFirstPass() const {
    TrpReport* report = Report();
    return report && report->InFirstPass();
}

TrpValue TrpView::Evaluate(const std::string& expression) const {
    if (TrpReport* report = Report())
        return report->Evaluate(expression);
    return TrpValue(expression);
}

void TrpView::SetPropertyValue(const std::string& name, const TrpValue& value) {
    const std::string n = UpperName(name);
    if (n == "NAME")
        Name = ValueToText(value);
    else if (n == "LEFT")
        Left = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "TOP")
        Top = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "WIDTH")
        Width = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "HEIGHT")
        Height = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "FLAGS")
        Flags = static_cast<std::uint16_t>(ValueToInt(value));
    else if (n == "FRAMETYP")
        FrameTyp = static_cast<std::uint16_t>(ValueToInt(value));
    else if (n == "FRAMEWIDTH")
        FrameWidth = ValueToReal(value);
    else if (n == "FRAMECOLOR")
        FrameColor = static_cast<TrpColor>(ValueToInt(value));
    else if (n == "FRAMESTYLE")
        FrameStyle = static_cast<std::uint16_t>(ValueToInt(value));
    else if (n == "FILLCOLOR")
        FillColor = static_cast<TrpColor>(ValueToInt(value));
    else if (n == "VISIBLE")
        Visible = ValueToBool(value);
    else if (n == "MEMO" || n == "DATAFIELD")
        Memo = SplitLines(ValueToText(value));
    else if (n == "GAPX")
        GapX = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "GAPY")
        GapY = static_cast<std::int32_t>(ValueToInt(value));
    else if (n == "STRETCHED")
        SetFlag(kFlagStretched, ValueToBool(value));
    else if (n == "BANDALIGN")
        BandAlign = static_cast<std::uint8_t>(ValueToInt(value));
    else if (n == "TAG")
        Tag = ValueToText(value);
}

TrpValue TrpView::GetPropertyValue(const std::string& name) {
    const std::string n = UpperName(name);
    if (n == "NAME")
        return Name;
    if (n == "LEFT")
        return Int(Left);
    if (n == "TOP")
        return Int(Top);
    if (n == "WIDTH")
        return Int(Width);
    if (n == "HEIGHT")
        return Int(Height);
    if (n == "FLAGS")
        return Int(Flags);
    if (n == "FRAMETYP")
        return Int(FrameTyp);
    if (n == "FRAMEWIDTH")
        return FrameWidth;
    if (n == "FRAMECOLOR")
        return Int(FrameColor);
    if (n == "FRAMESTYLE")
        return Int(FrameStyle);
    if (n == "FILLCOLOR")
        return Int(FillColor);
    if (n == "VISIBLE")
        return Visible;
    if (n == "MEMO")
        return JoinLines(Memo);
    if (n == "MEMO.COUNT")
        return Int(static_cast<std::int64_t>(Memo.size()));
    if (n == "GAPX")
        return Int(GapX);
    if (n == "GAPY")
        return Int(GapY);
    if (n == "STRETCHED")
        return FlagSet(kFlagStretched);
    if (n == "BANDALIGN")
        return Int(BandAlign);
    if (n == "DATAFIELD")
        return Memo.empty() ? std::string() : Memo.front();
    if (n == "TAG")
        return Tag;
    return {};
}

bool TrpView::CallListMethod(const std::string& upper, const std::string& prefix,
                             const TrpValue& p1, const TrpValue& p2, const TrpValue& p3,
                             TrpValue& result) {
    auto lineIndex = [this](const TrpValue& v) -> std::optional<std::size_t> {
        std::int64_t index = ValueToInt(v);
        if (index < 0 || static_cast<std::uint64_t>(index) >= Memo.size())
            return std::nullopt;
        return static_cast<std::size_t>(index);
    };
    if (upper == "SETINDEXPROPERTY" && UpperName(ValueToText(p1)) == prefix) {
        if (auto index = lineIndex(p2))
            Memo[*index] = ValueToText(p3);
        return true;
    }
    if (upper == "GETINDEXPROPERTY" && UpperName(ValueToText(p1)) == prefix) {
        if (auto index = lineIndex(p2))
            result = Memo[*index];
        return true;
    }
    if (upper.size() <= prefix.size() + 1 || upper.compare(0, prefix.size(), prefix) != 0 ||
        upper[prefix.size()] != '.')
        return false;
    const std::string method = upper.substr(prefix.size() + 1);
    if (method == "ADD") {
        Memo.push_back(ValueToText(Evaluate(ValueToText(p1))));
    } else if (method == "CLEAR") {
        Memo.clear();
    } else if (method == "DELETE") {
        if (auto index = lineIndex(Evaluate(ValueToText(p1))))
            Memo.erase(Memo.begin() + static_cast<std::ptrdiff_t>(*index));
    } else if (method == "INDEXOF") {
        const std::string text = ValueToText(Evaluate(ValueToText(p1)));
        std::int64_t found = -1;
        for (std::size_t i = 0; i < Memo.size() && found < 0; ++i)
            if (Memo[i] == text)
                found = static_cast<std::int64_t>(i);
        result = found;
    } else {
        return false;
    }
    return true;
}

TrpValue TrpView::CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                             const TrpValue& p3) {
    const std::string n = UpperName(name);
    if (n == "HIDE") {
        Visible = false;
        return {};
    }
    if (n == "SHOW") {
        Visible = true;
        return {};
    }
    TrpValue result;
    CallListMethod(n, "MEMO", p1, p2, p3, result);
    return result;
}

void TrpView::DeclareCommonProperties() {
    props_.Add("Name", kPropString | kPropText);
    for (const char* name : {"Left", "Top", "Width", "Height"})
        props_.Add(name, kPropPixelSize);
    props_.Add("Flags", 0);
    props_.Add("Visible", kPropBoolean);
    props_.Add("Memo", kPropEditor | kPropText);
    props_.Add("Memo.Count", 0);
    props_.Add("Restrictions", kPropEditor);
}

void TrpView::DeclareFrameProperties() {
    props_.Add("FrameTyp", kPropInteger);
    props_.Add("FrameWidth", kPropReal | kPropPixelSize);
    props_.Add("FrameColor", kPropColor);
    props_.AddEnum("FrameStyle",
                   {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psDouble"},
                   {0, 1, 2, 3, 4, 5});
    props_.Add("FillColor", kPropColor);
    props_.Add("Tag", kPropEditor | kPropText);
    props_.AddEnum("BandAlign",
                   {"baNone", "baLeft", "baRight", "baCenter", "baWidth", "baBottom", "baTop"},
                   {0, 1, 2, 3, 4, 5, 6});
}

void TrpView::DeclareProperties() {
    TrpObject::DeclareProperties();
    DeclareCommonProperties();
    DeclareFrameProperties();
}

void TrpView::LoadFromBlobField(tabula::TField& field) {
    LoadFromBlob(ReadBlobField(field));
}

void TrpView::LoadFromBlob(const TrpBlobContent&) {}

void TrpView::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                        std::int32_t height) {
    Left = left;
    Top = top;
    Width = width;
    Height = height;
}

void TrpView::BeforeDraw(QPainter& canvas) {
    Canvas = &canvas;
    EngineState().CurrentView = this;
    ApplyBandAlign();
}

void TrpView::ApplyBandAlign() {
    if (BandAlign == kAlignNone || !Parent)
        return;
    const TrpPageBounds bounds = Parent->Bounds();
    TrpReport* report = Report();
    const bool generating = report && report->Generating;
    switch (BandAlign) {
    case kAlignLeft:
        Left = bounds.left;
        break;
    case kAlignRight:
        Left = bounds.right - Width;
        break;
    case kAlignCenter:
        Left = bounds.left + (bounds.right - bounds.left - Width) / 2;
        break;
    case kAlignWidth:
        if (!generating) {
            Left = bounds.left;
            Width = bounds.right - bounds.left;
        } else if (!OwnerBand) {
            Left = bounds.left;
            Width = bounds.right - bounds.left - 1;
        }
        break;
    case kAlignBottom:
    case kAlignTop: {
        if (generating)
            break;
        // The band under the object: the first band whose rows hold its top.
        for (std::size_t i = 0; i < Parent->Count(); ++i) {
            auto* band = dynamic_cast<TrpBandView*>(Parent->Object(i));
            if (!band || band == this || Top < band->Top || Top >= band->Top + band->Height)
                continue;
            Top = BandAlign == kAlignTop ? band->Top : band->Top + band->Height - Height;
            break;
        }
        break;
    }
    default:
        break;
    }
}

void TrpView::BeginDraw() {
    saved_ = {Left, Top, Width, Height, FrameWidth, GapX, GapY};
    drawing_ = true;
    // A template object drawn while no report generates is drawn as it
    // stands; objects of generated pages (read back in prepared form) keep
    // the scale their page drawer gives them.
    TrpReport* report = Report();
    if (Parent && !PreparedForm && !(report && report->Generating)) {
        ScaleX = ScaleY = 1.0;
        OffsetX = OffsetY = 0;
    }
    const double sx = ScaleX, sy = ScaleY, fw = saved_.frameWidth;
    Left = Round(saved_.left * sx) + OffsetX;
    Top = Round(saved_.top * sy) + OffsetY;
    Width = Round(saved_.width * sx);
    Height = Round(saved_.height * sy);
    FrameWidth = fw * sx;
    const int h = Round(sx * fw / 2);
    const int v = Round(sy * fw / 2);
    GapX = h + Round(sx * saved_.gapX);
    GapY = Round(sy * saved_.gapY) + v / 2;
    DrawRect.left = Left + ((FrameTyp & kFrameLeft) ? Round((sx * fw - 1) / 2) : 0);
    DrawRect.top = Top + ((FrameTyp & kFrameTop) ? Round((sy * fw - 1) / 2) : 0);
    DrawRect.right = ScaledRight() - ((FrameTyp & kFrameRight) ? h : 0) + 1;
    DrawRect.bottom = ScaledBottom() - ((FrameTyp & kFrameBottom) ? v : 0) + 1;
}

void TrpView::EndDraw() {
    if (!drawing_)
        return;
    Left = saved_.left;
    Top = saved_.top;
    Width = saved_.width;
    Height = saved_.height;
    FrameWidth = saved_.frameWidth;
    GapX = saved_.gapX;
    GapY = saved_.gapY;
    drawing_ = false;
}

int TrpView::ScaledRight() const {
    if (!drawing_)
        return Left + Width;
    return Round(ScaleX * (saved_.left + saved_.width) + OffsetX);
}

int TrpView::ScaledBottom() const {
    if (!drawing_)
        return Top + Height;
    return Round(ScaleY * (saved_.top + saved_.height) + OffsetY);
}

void TrpView::DrawBackground() {
    if (!Canvas || InFirstPass())
        return;
    TrpFramePainter(*Canvas).Fill(Left, Top, ScaledRight(), ScaledBottom(), FillColor);
}

void TrpView::DrawFrame() {
    if (!Canvas || InFirstPass() || (FrameTyp & kFrameAllSides) == 0)
        return;
    TrpFramePainter painter(*Canvas);
    const int width = std::max(1, Round(FrameWidth));
    const int right = ScaledRight(), bottom = ScaledBottom();
    struct Side {
        std::uint16_t bit;
        TrpEdge edge;
        int position, from, to;
    };
    const Side sides[] = {
        {kFrameRight, TrpEdge::Vertical, right, Top, bottom},
        {kFrameBottom, TrpEdge::Horizontal, bottom, Left, right},
        {kFrameLeft, TrpEdge::Vertical, Left, Top, bottom},
        {kFrameTop, TrpEdge::Horizontal, Top, Left, right},
    };
    for (const Side& side : sides) {
        if (!(FrameTyp & side.bit))
            continue;
        if (FrameStyle != kFrameDouble) {
            painter.Side(side.edge, side.position, side.from, side.to, width, FrameColor,
                         FrameStyle, FillColor);
            continue;
        }
        // Two lines one frame width either side of the edge; the outer one
        // runs a frame width further at both ends and the inner one stops a
        // frame width short, so that the corners meet as two rectangles.
        // The edge line itself is painted in the fill colour, erasing what
        // lay between.
        const bool topOrLeft = side.bit == kFrameTop || side.bit == kFrameLeft;
        for (int offset : {-width, width}) {
            const int grow = ((offset < 0) == topOrLeft) ? width : -width;
            painter.Side(side.edge, side.position + offset, side.from - grow, side.to + grow, width,
                         FrameColor, kFrameSolid, FillColor);
        }
        painter.Side(side.edge, side.position, side.from, side.to, width, FillColor, kFrameSolid,
                     FillColor);
    }
}

TrpView::TClipMargins TrpView::ClipMargins() const {
    const double fw = FrameWidth;
    if (FrameStyle == kFrameDouble)
        return {Round(1.5 * fw), Round(fw + (fw - 1) / 2)};
    return {Round(fw / 2), Round((fw - 1) / 2)};
}

QRegion TrpView::ClipRegionOf(int left, int top, int right, int bottom, bool extended) {
    const int grow = extended ? kExtendedClipMargin : 0;
    return QRegion(left - grow, top - grow, right - left + 2 * grow, bottom - top + 2 * grow);
}

QRegion TrpView::GetClipRegion(bool extended) {
    const auto [outer, inner] = ClipMargins();
    const int left = (FrameTyp & kFrameLeft) ? Left - outer : Left;
    const int top = (FrameTyp & kFrameTop) ? Top - outer : Top;
    const int right = Left + Width + 1 + ((FrameTyp & kFrameRight) ? inner : 0);
    const int bottom = Top + Height + 1 + ((FrameTyp & kFrameBottom) ? inner : 0);
    return ClipRegionOf(left, top, right, bottom, extended);
}

} // namespace report

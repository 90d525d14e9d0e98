// TrpLineView: orientation, drawing and clip region of a line.
#include "TrpLineView.h"

#include "EnginePixels.h"

#include <QPainter>

namespace report {

TrpLineView::TrpLineView() {
    ObjectType = kTypeLine;
    NamePrefix = "Line";
    FrameTyp = kFrameLeft;
}

void TrpLineView::DeclareProperties() {
    TrpView::DeclareProperties();
    props_.Add("Stretched", kPropBoolean);
}

void TrpLineView::Orient() {
    if (Height < Width) {
        Height = 0;
        FrameTyp = kFrameTop;
    } else {
        Width = 0;
        FrameTyp = kFrameLeft;
    }
}

void TrpLineView::Draw(QPainter& canvas) {
    Canvas = &canvas;
    Orient();
    BeginDraw();
    DrawFrame();
    EndDraw();
}

QRegion TrpLineView::GetClipRegion(bool extended) {
    const auto [outer, inner] = ClipMargins();
    int left = Left, top = Top;
    int right = Left + Width + 1, bottom = Top + Height + 1;
    // A line widens only across its direction.
    if (Height < Width) {
        top -= outer;
        bottom += inner;
    } else {
        left -= outer;
        right += inner;
    }
    return ClipRegionOf(left, top, right, bottom, extended);
}

std::int32_t TrpLineView::CalcHeight() {
    storedHeight_ = Height;
    ActualHeight = Height;
    return Height;
}

} // namespace report

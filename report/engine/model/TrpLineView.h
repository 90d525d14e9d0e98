// TrpLineView: a horizontal or vertical line (type 4, names "Line" + n),
// drawn as one frame side. When drawn, a line lower than it is wide becomes
// horizontal (Height 0, top side), any other vertical (Width 0, left side).
// CalcHeight remembers the height it answers; RemainHeight gives it back.
#pragma once

#include "TrpStretcheable.h"

namespace report {

class TrpLineView : public TrpStretcheable {
public:
    TrpLineView();

    std::string ClassName() const override { return "TrpLineView"; }

    void DeclareProperties() override;
    void Draw(QPainter& canvas) override;
    QRegion GetClipRegion(bool extended) override;

    // Makes the line horizontal or vertical after its current size.
    void Orient();

    std::int32_t CalcHeight() override;
    std::int32_t MinHeight() override { return 1; }
    std::int32_t RemainHeight() override { return storedHeight_; }

private:
    std::int32_t storedHeight_ = 0;
};

} // namespace report

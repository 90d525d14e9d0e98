// TrpBandView: a band placed on a page (type 2, names "Band" + n). The band
// type is the low byte of "FrameTyp"; the "Memo" lines are the band's
// "OnBeforePrint" script and FormatPattern its data source or group
// condition.
//
// While a report generates, the engine links the band object to its
// run-time band (Runtime): the run-time band's position, visibility and
// data source are then what the named properties reach, and "FIRST",
// "NEXT", "PRIOR" move its dataset. Outside generation they do nothing.
#pragma once

#include "TrpView.h"

namespace report {

class TrpBandRuntime;

class TrpBandView : public TrpView {
public:
    TrpBandView();

    std::string ChildBand;
    std::string Master;
    std::int32_t Columns = 1;
    std::int32_t ColumnWidth = 200;
    std::int32_t ColumnGap = 20;
    std::int32_t NewColumnAfter = 1;

    TrpBandRuntime* Runtime = nullptr;

    std::uint8_t BandType() const { return static_cast<std::uint8_t>(FrameTyp & 0xFF); }
    void SetBandType(std::uint8_t type) {
        FrameTyp = static_cast<std::uint16_t>((FrameTyp & 0xFF00) | type);
    }

    std::string ClassName() const override { return "TrpBandView"; }

    void SetPropertyValue(const std::string& name, const TrpValue& value) override;
    TrpValue GetPropertyValue(const std::string& name) override;
    TrpValue CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                        const TrpValue& p3) override;
    void DeclareProperties() override;

    // A band has no frame or fill of its own; its low "FrameTyp" byte is
    // not a set of sides.
    void DrawBackground() override {}
    void DrawFrame() override {}
    void Draw(QPainter& canvas) override;
    void LoadFromStream(TrpReadStream& stream) override;
    void SaveToStream(TrpWriteStream& stream) override;

private:
    bool Generating() const;
    void DeclareBandTypeProperties(int type);
};

} // namespace report

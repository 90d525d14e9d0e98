// TrpMemoView: the text object (type 0, names "Memo" + n). Its memo lines
// hold text with embedded [expressions]; ResultMemo receives the evaluated
// text of one printing. Laying the text out, measuring, splitting and
// drawing it belong to the text layout (TrpMemoLayout), which keeps its
// working state in LayoutState.
#pragma once

#include "TrpFont.h"
#include "TrpMemoLayoutState.h"
#include "TrpStretcheable.h"

namespace report {

class TrpMemoView : public TrpStretcheable {
public:
    TrpMemoView();

    TrpFont Font;
    std::int32_t Alignment = kTextAlignLeft;
    TrpHighlight Highlight;
    std::int32_t LineSpacing = 2;
    std::int32_t CharSpacing = 0;
    // Font height + LineSpacing, scaled; computed by the text layout.
    std::int32_t LineHeight = 0;
    TrpMemoLayoutState LayoutState;
    // Run-time: the highlight condition in postfix form, converted once
    // when a page starts generating (HighlightCompiled), so that printing
    // evaluates it without parsing the text again.
    std::string HighlightPostfix;
    bool HighlightCompiled = false;

    std::string ClassName() const override { return "TrpMemoView"; }

    void SetPropertyValue(const std::string& name, const TrpValue& value) override;
    TrpValue GetPropertyValue(const std::string& name) override;
    TrpValue CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                        const TrpValue& p3) override;
    void DeclareProperties() override;

    void LoadFromBlob(const TrpBlobContent& content) override;
    void Draw(QPainter& canvas) override;
    void LoadFromStream(TrpReadStream& stream) override;
    void SaveToStream(TrpWriteStream& stream) override;

    // The height the evaluated text needs (runs the script and prepares
    // the text once); one line; the lines not yet printed.
    std::int32_t CalcHeight() override;
    std::int32_t MinHeight() override;
    std::int32_t RemainHeight() override;
};

} // namespace report

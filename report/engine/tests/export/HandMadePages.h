// Test support of page export and the renderer: two prepared pages made by
// hand as generation makes them (TrpEMFPages::Add, then WriteObject of each
// printed object with its evaluated text), on two papers:
//   page 1  A4 portrait: a bold Arial heading in a filled frame, a Times
//           New Roman line, a Courier New line and a rule under them
//   page 2  A5 landscape: an italic Arial text in a frame
#pragma once

#include "TrpEMFPages.h"
#include "TrpMemoView.h"
#include "TrpObjectCodes.h"
#include "TrpPage.h"
#include "TrpPrinter.h"
#include "VirtualPaperTable.h"

#include <string>
#include <vector>

namespace report::test {

// The virtual printer's code of A5.
inline constexpr int kA5Code = 11;

struct HandMadeText {
    std::string text;
    std::string font;
    std::int16_t style;
    std::int32_t size;
};

// The texts of each page, in stream order.
inline const std::vector<std::vector<HandMadeText>>& HandMadeTexts() {
    static const std::vector<std::vector<HandMadeText>> texts = {
        {{"Payment Detail Report", "Arial", kFontBold, 16},
         {"Company ACME Trading Ltd", "Times New Roman", 0, 12},
         {"Account 0123456789", "Courier New", 0, 10}},
        {{"Second paper in landscape", "Arial", kFontItalic, 14}}};
    return texts;
}

inline TrpMemoView& AddMemo(TrpPage& page, const HandMadeText& t, int left, int top, int width) {
    auto& memo = dynamic_cast<TrpMemoView&>(*page.CreateView(kTypeMemo));
    memo.SetBounds(left, top, width, 30);
    memo.Font.Name = t.font;
    memo.Font.Style = t.style;
    memo.Font.Size = t.size;
    memo.ResultMemo = {t.text};
    return memo;
}

// Appends the two pages to pages.
inline void AddHandMadePages(TrpEMFPages& pages) {
    const auto& texts = HandMadeTexts();
    TrpPage a4;
    a4.ChangePaper(kA4PaperCode, 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
    TrpMemoView& heading = AddMemo(a4, texts[0][0], 60, 60, 420);
    heading.FrameTyp = kFrameAllSides;
    heading.FrameWidth = 2;
    heading.FillColor = 0xE0F0FF;
    AddMemo(a4, texts[0][1], 60, 120, 420);
    AddMemo(a4, texts[0][2], 60, 160, 420);
    TrpView* rule = a4.CreateView(kTypeLine);
    rule->SetBounds(60, 200, 600, 0);
    rule->FrameTyp = kFrameAllSides;
    rule->FrameWidth = 2;

    TrpPage a5;
    a5.ChangePaper(kA5Code, 0, 0, kDefaultPaperBin, TrpOrientation::Landscape);
    TrpMemoView& note = AddMemo(a5, texts[1][0], 100, 100, 400);
    note.FrameTyp = kFrameAllSides;
    note.FrameColor = 0x0000C0;

    for (TrpPage* source : {&a4, &a5}) {
        pages.Add(*source);
        const std::size_t index = pages.Count() - 1;
        for (std::size_t i = 0; i < source->Count(); ++i)
            pages.WriteObject(index, *source->Object(i));
    }
}

} // namespace report::test

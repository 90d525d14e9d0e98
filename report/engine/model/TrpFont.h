// TrpFont: the font of a text object as plain data. Style holds the stored
// bits (TrpFontStyle: italic 1, bold 2, underline 4, strike-out 8); Size is
// in points; Charset is the platform's character-set code.
#pragma once

#include "TrpObjectCodes.h"

#include <cstdint>
#include <string>

namespace report {

struct TrpFont {
    std::string Name = "Arial";
    std::int32_t Size = 10;
    std::int16_t Style = 0;
    TrpColor Color = kClBlack;
    std::int16_t Charset = kDefaultCharset;

    bool operator==(const TrpFont&) const = default;
};

// The attributes a text object uses instead of its own while its highlight
// condition is true.
struct TrpHighlight {
    std::int16_t FontStyle = kFontBold;
    TrpColor FontColor = kClBlack;
    TrpColor FillColor = kClWhite;
    // An expression; empty means never.
    std::string Condition;

    bool operator==(const TrpHighlight&) const = default;
};

} // namespace report

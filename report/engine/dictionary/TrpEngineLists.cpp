// The engine-wide named-value lists and the constants they start with.
#include "TrpEngineLists.h"

#include "TrpObjectCodes.h"

#include <cstdint>

namespace report {

namespace {

struct NamedConstant {
    const char* name;
    std::int64_t value;
};

// The colour names in platform order: the basic colours, the no-colour
// value, then the system colours by index (high bit set).
constexpr NamedConstant kColours[] = {
    {"clWhite", 0xFFFFFF},
    {"clBlack", 0},
    {"clMaroon", 0x80},
    {"clGreen", 0x8000},
    {"clOlive", 0x8080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0xFF},
    {"clLime", 0xFF00},
    {"clYellow", 0xFFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clTransparent", kClTransparent},
};
constexpr const char* kSystemColours[] = {
    "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
    "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
    "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
    "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
    "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
    "clInfoBk",
};
static_assert(std::size(kColours) + std::size(kSystemColours) == 42);

constexpr NamedConstant kOthers[] = {
    {"mrNone", 0},
    {"mrOk", 1},
    {"mrCancel", 2},
    {"mrYes", 6},
    {"mrNo", 7},
    {"fsBold", 2},
    {"fsItalic", 1},
    {"fsUnderline", 4},
    {"rpftNone", 0},
    {"rpftRight", 1},
    {"rpftBottom", 2},
    {"rpftLeft", 4},
    {"rpftTop", 8},
    {"rptaLeft", 0},
    {"rptaRight", 1},
    {"rptaCenter", 2},
    {"rptaVertical", 4},
    {"rptaMiddle", 8},
    {"rptaDown", 16},
    {"baNone", 0},
    {"baLeft", 1},
    {"baRight", 2},
    {"baCenter", 3},
    {"baWidth", 4},
    {"baBottom", 5},
    {"baTop", 6},
    {"psSolid", 0},
    {"psDash", 1},
    {"psDot", 2},
    {"psDashDot", 3},
    {"psDashDotDot", 4},
    {"psDouble", 7},
    {"mb_Ok", 0},
    {"mb_OkCancel", 1},
    {"mb_YesNo", 4},
    {"mb_YesNoCancel", 3},
    {"mb_IconError", 16},
    {"mb_IconQuestion", 32},
    {"mb_IconInformation", 64},
    {"mb_IconWarning", 48},
};

void FillConstants(TrpVariables& constants) {
    for (const NamedConstant& c : kColours)
        constants.Set(c.name, c.value);
    std::int64_t index = 0;
    for (const char* name : kSystemColours)
        constants.Set(name, static_cast<std::int64_t>(kSystemColorBit) + index++);
    for (const NamedConstant& c : kOthers)
        constants.Set(c.name, c.value);
    constants.Set("CRLF", std::string("\r\n"));
    constants.Set("Null", TrpValue::Null());
}

} // namespace

TrpVariables& GlobalVariables() {
    static TrpVariables variables(true);
    return variables;
}

TrpVariables& EngineConstants() {
    static TrpVariables constants = [] {
        TrpVariables list(true);
        FillConstants(list);
        return list;
    }();
    return constants;
}

} // namespace report

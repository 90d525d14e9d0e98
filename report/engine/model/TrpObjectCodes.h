// The codes and bit values the report objects carry in their fields: object
// type codes, frame sides and styles, option bits per class, band types,
// colours and the page and preview enumerations. Templates and prepared
// pages store these numbers as they are, so none of them may change.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace report {

// A platform colour value: 0x00BBGGRR; system colours have the high bit set
// and the low byte as their index.
using TrpColor = std::uint32_t;
inline constexpr TrpColor kClBlack = 0x000000;
inline constexpr TrpColor kClWhite = 0xFFFFFF;
// The no-colour value: a background of this colour is left unpainted.
inline constexpr TrpColor kClTransparent = 0x1FFFFFFF;
inline constexpr TrpColor kSystemColorBit = 0x80000000u;
inline constexpr TrpColor kClBtnFace = kSystemColorBit | 0x0F;

// The text lines of an object (memo, script, evaluated text).
using TrpStrings = std::vector<std::string>;

// A rectangle with platform semantics: right and bottom lie just outside.
struct TrpRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TrpRect&) const = default;
};

// Object type codes, stored with every object.
enum TrpObjectTypeCode : std::uint8_t {
    kTypeMemo = 0,
    kTypePicture = 1,
    kTypeBand = 2,
    kTypeSubReport = 3,
    kTypeLine = 4,
    // An object of a registered extension class; its class name is stored.
    kTypeExtension = 10,
};

// Frame sides ("FrameTyp" bits; for bands the low byte is the band type).
enum TrpFrameSide : std::uint16_t {
    kFrameRight = 1,
    kFrameBottom = 2,
    kFrameLeft = 4,
    kFrameTop = 8,
    kFrameAllSides = 15,
};

// "FrameStyle" values. Others are handed to the pen as they are.
enum TrpFrameStyle : std::uint16_t {
    kFrameSolid = 0,
    kFrameDash = 1,
    kFrameDot = 2,
    kFrameDashDot = 3,
    kFrameDashDotDot = 4,
    kFrameDouble = 5,
};

// "BandAlign" values.
enum TrpBandAlign : std::uint8_t {
    kAlignNone = 0,
    kAlignLeft = 1,
    kAlignRight = 2,
    kAlignCenter = 3,
    kAlignWidth = 4,
    kAlignBottom = 5,
    kAlignTop = 6,
};

// "Flags" bit 0 means "Stretched" in every class.
inline constexpr std::uint16_t kFlagStretched = 1;

// Text object "Flags".
enum TrpMemoFlag : std::uint16_t {
    kMemoWordWrap = 2,
    kMemoWordBreak = 4,
    kMemoAutoWidth = 8,
    kMemoTextOnly = 16,
    kMemoSuppress = 32,
    kMemoHideZeros = 64,
    kMemoUnderlines = 128,
};
inline constexpr std::uint16_t kMemoDefaultFlags = kFlagStretched | kMemoWordWrap | kMemoHideZeros;
static_assert(kMemoDefaultFlags == 67);

// Band "Flags".
enum TrpBandFlag : std::uint16_t {
    kBandFormNewPage = 2,
    kBandPrintIfSubsetEmpty = 4,
    kBandBreaked = 8,
    kBandOnFirstPage = 16,
    kBandOnLastPage = 32,
    kBandRepeatHeader = 64,
    kBandPrintChildIfInvisible = 128,
};
inline constexpr std::uint16_t kBandDefaultFlags = kBandOnFirstPage | kBandOnLastPage;
static_assert(kBandDefaultFlags == 48);

// Picture "Flags".
enum TrpPictureFlag : std::uint16_t {
    kPictureCenter = 2,
    kPictureKeepAspect = 4,
};
inline constexpr std::uint16_t kPictureDefaultFlags = kFlagStretched | kPictureKeepAspect;
static_assert(kPictureDefaultFlags == 5);

// "Alignment" bits of a text object.
enum TrpTextAlign : std::int32_t {
    kTextAlignLeft = 0,
    kTextAlignRight = 1,
    kTextAlignCenter = 2,
    kTextAlignJustify = 3,
    kTextAlignHorizontalMask = 3,
    kTextRotated = 4,
    kTextAlignMiddle = 8,
    kTextAlignBottom = 16,
    kTextAlignVerticalMask = 24,
};

// Font style bits, as stored and as "FONT.STYLE" reads them.
enum TrpFontStyle : std::int16_t {
    kFontItalic = 1,
    kFontBold = 2,
    kFontUnderline = 4,
    kFontStrikeOut = 8,
};

// Band types (low byte of a band's "FrameTyp").
enum TrpBandType : std::uint8_t {
    btReportTitle = 0,
    btReportSummary = 1,
    btPageHeader = 2,
    btPageFooter = 3,
    btMasterHeader = 4,
    btMasterData = 5,
    btMasterFooter = 6,
    btDetailHeader = 7,
    btDetailData = 8,
    btDetailFooter = 9,
    btSubDetailHeader = 10,
    btSubDetailData = 11,
    btSubDetailFooter = 12,
    btOverlay = 13,
    btColumnHeader = 14,
    btColumnFooter = 15,
    btGroupHeader = 16,
    btGroupFooter = 17,
    btCrossHeader = 18,
    btCrossData = 19,
    btCrossFooter = 20,
    btChild = 21,
    btNone = 22,
};
inline constexpr int kBandTypeCount = 23;
static_assert(btNone + 1 == kBandTypeCount);

// How a picture taken from a database field is decoded ("BlobType").
enum TrpBlobType : std::uint8_t { btBMP = 0, btJPG = 1, btICO = 2, btWMF = 3 };

// Page type, dialog border and dialog position.
enum TrpPageType : std::uint8_t { ptReport = 0, ptDialog = 1 };
enum TrpBorderStyle : std::uint8_t { bsSizeable = 2, bsDialog = 3 };
enum TrpPosition : std::uint8_t { poDesigned = 0, poScreenCenter = 4 };

// The paper size code of a user-defined size, and the bin stored after a
// paper change that asked for the printer's default bin.
inline constexpr int kUserPaperSize = 256;
inline constexpr int kDefaultPaperBin = -1;
inline constexpr int kStoredDefaultPaperBin = 0xFFFF;

// Default naming tries the numbers 1 to this many.
inline constexpr int kMaxDefaultNameNumber = 10000;

// Character set of a new text object's font: the platform's default set.
inline constexpr std::int16_t kDefaultCharset = 1;

} // namespace report

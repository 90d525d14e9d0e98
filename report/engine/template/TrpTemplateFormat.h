// Byte layout of a report template (".rpf") and of the object records that
// generated pages reuse.
//
// Little-endian throughout, no padding. A template is:
//
//   version byte V (21..24; a first byte below 21 means "no version byte":
//                   V is 21 and reading restarts at offset 0)
//   i16 UseDefaultPrinter, i16 TwoPass
//   string printer name (the single byte 0x01 = the virtual printer)
//   chunks up to the end of the stream, each led by a tag byte:
//     255 page record, 254 dictionary record, 253 extension block (stops the
//     reader), 0..10 object record of that object type, 11..252 invalid
//
// An object record is: [string class name, type 10 only] byte page index
// [i32 end offset: the absolute position after the record, version 24 on]
// and the object body. Records inside generated pages carry the body alone
// (in its prepared form) after the type byte and class name.
//
// The format version decides the string forms. From version 23 on a string
// is a u16 length, the bytes, and one filler byte; a string list is a u16
// count followed by counted lines, each ended by a separator byte (13 when
// another line follows, 0 after the last), or by a single 0 when the count is
// 0. Before version 23 a string runs up to a 0 byte, and a string list is all
// lines separated by 13 and ended by 0. Parts of the file that only exist
// from version 23 or 24 on ("new strings") always use the counted form.
//
// Every byte read is untrusted: lengths, counts and offsets are checked
// against the bytes that remain in the stream before they are used.
#pragma once

#include "TrpObjectCodes.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace report::tplfmt {

// ---- Format versions ---------------------------------------------------------
// The oldest layout; also the version of files that carry no version byte.
inline constexpr int kOldestVersion = 21;
// From here on: counted strings and lists, object scripts and visibility.
inline constexpr int kCountedStringsVersion = 23;
// From here on: page names, dialog fields, paper bins and page scripts,
// object names in every form, object record versions and end offsets.
inline constexpr int kCurrentVersion = 24;
static_assert(kOldestVersion < kCountedStringsVersion && kCountedStringsVersion < kCurrentVersion);

// ---- Chunk tags ----------------------------------------------------------------
inline constexpr std::uint8_t kTagPage = 255;
inline constexpr std::uint8_t kTagDictionary = 254;
inline constexpr std::uint8_t kTagExtension = 253;
// Tags 0..kLastObjectTag are the object type codes of TrpObjectCodes.h;
// anything between that and kTagExtension is invalid.
inline constexpr std::uint8_t kLastObjectTag = 10;
static_assert(kLastObjectTag < kTagExtension);
static_assert(kLastObjectTag == kTypeExtension);

// Extension class names that the reader maps to a class of its own.
// Both lookup controls are one class now.
inline constexpr std::string_view kTableLookupClass = "TRPTABLELOOKUPCONTROL";
inline constexpr std::string_view kSqlLookupClass = "TRPSQLLOOKUPCONTROL";
inline constexpr std::string_view kLookupControlClass = "TrpDBLookupControl";
// An old framed text object: read as an ordinary text object followed by
// kFramedMemoTailSize bytes of its own that are skipped.
inline constexpr std::string_view kFramedMemoClass = "TRPFRAMEDMEMOVIEW";
inline constexpr std::size_t kFramedMemoTailSize = 8;

// ---- Report header --------------------------------------------------------------
// The printer name that stands for the engine's built-in virtual printer.
inline constexpr char kVirtualPrinterToken = '\x01';

// ---- Strings --------------------------------------------------------------------
// Ends a zero-terminated string or list; also the filler after a counted
// string and the separator after the last line of a counted list.
inline constexpr std::uint8_t kStringEnd = 0;
// Separates lines of a list (both forms).
inline constexpr std::uint8_t kLineSeparator = 13;
// Counted strings and lists carry u16 lengths and counts. (Legacy
// dictionary entries hold short strings: a length byte and the bytes.)
inline constexpr std::size_t kMaxCountedLength = 0xFFFF;

// ---- Page record ---------------------------------------------------------------
// First i32 of a page record written by this system; any other value is the
// paper size of the old layout (no "Size" field, no page script).
inline constexpr std::int32_t kPageMarker = -1;
// Bytes after "Orientation" in pages before kCountedStringsVersion.
inline constexpr std::size_t kOldPageSkippedBytes = 6;
// Stored dialog border styles: read as bsDialog and bsSizeable, any other
// value kept. (Dialog positions other than poDesigned read as
// poScreenCenter.)
inline constexpr std::uint8_t kStoredBorderDialog = 0;
inline constexpr std::uint8_t kStoredBorderSizeable = 1;
// A page that asked for the printer's default bin holds (and stores)
// kStoredDefaultPaperBin after its paper change; the reader asks for
// kDefaultPaperBin again when it finds that value.

// ---- Object records --------------------------------------------------------------
// Record version written with every object: major.minor as major*10+minor.
inline constexpr std::uint8_t kWrittenObjectMajor = 2;
inline constexpr std::uint8_t kWrittenObjectMinor = 0;
inline constexpr std::uint8_t kWrittenBandMinor = 1;
// "BandAlign" is present when the major version exceeds this.
inline constexpr int kBandAlignAfterMajor = 1;
// A picture's "BlobType" is present when major*10+minor exceeds this.
inline constexpr int kBlobTypeAfterVersion = 10;
// A band's "Master" is present when major*10+minor exceeds this.
inline constexpr int kBandMasterAfterVersion = 20;
static_assert(kWrittenObjectMajor * 10 + kWrittenObjectMinor > kBlobTypeAfterVersion);
static_assert(kWrittenObjectMajor * 10 + kWrittenBandMinor > kBandMasterAfterVersion);
static_assert(kWrittenObjectMajor > kBandAlignAfterMajor);

// Text objects of version-21 files always wrap words (kMemoWordWrap).
inline constexpr int kWordWrapForcedVersion = 21;
static_assert(kWordWrapForcedVersion == kOldestVersion);

// "FrameWidth" is stored as an i32: a whole width w as w, any other width as
// round(w * kFrameWidthScale). A stored n up to kMaxWholeFrameWidth reads as
// n pixels, a larger one as n / kFrameWidthScale.
inline constexpr int kFrameWidthScale = 1000;
inline constexpr int kMaxWholeFrameWidth = 10;
static_assert(kMaxWholeFrameWidth < kFrameWidthScale);

// Picture graphic kinds are stored as the byte of TrpGraphicKind; a kind
// above kLastGraphicKind is read as no graphic.
inline constexpr std::uint8_t kLastGraphicKind = 3;

// ---- Dictionary record -------------------------------------------------------------
inline constexpr std::int16_t kDictionaryMarker = -2;
inline constexpr std::int16_t kOldDictionaryMarker = -1;
// Entry kinds of the legacy layout.
inline constexpr std::uint8_t kLegacyFieldEntry = 1;
inline constexpr std::uint8_t kLegacyVariableEntry = 2;
// A legacy variable entry with this number names its expression in B;
// others name special variable number - kLegacySpecialBase.
inline constexpr std::int32_t kLegacyExpressionNumber = 1;
inline constexpr std::int32_t kLegacySpecialBase = 2;
inline constexpr std::string_view kLegacySpecialNames[] = {
    "PAGE#", "", "DATE", "TIME", "LINE#", "LINETHROUGH#", "COLUMN#", "CURRENT#", "TOTALPAGES",
};
static_assert(std::size(kLegacySpecialNames) == 9);
// Category names begin with this character in memory; in older files the
// other way round.
inline constexpr char kCategoryMark = ' ';
// A renamed dictionary entry is cut to this many characters.
inline constexpr std::size_t kMaxDictionaryNameLength = 255;

// ---- Sizes used for bounds checks --------------------------------------------------
// Smallest stored form of a dictionary pair: two empty counted strings.
inline constexpr std::size_t kMinDictionaryPairSize = 2 * (2 + 1);
// Smallest legacy dictionary entry: kind, number, three empty short strings.
inline constexpr std::size_t kMinLegacyEntrySize = 1 + 4 + 3;

} // namespace report::tplfmt

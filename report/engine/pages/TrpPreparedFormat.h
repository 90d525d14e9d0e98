// Byte layout of a prepared-report file (".rpp") and of the object stream of
// one prepared page.
//
// Little-endian throughout, no padding. A page object stream is one version
// byte (kStreamVersion) followed by object records up to its end: the type
// byte, the class name (counted string) for type 10 only, then the object
// body in prepared form. There is no page index and no end offset.
//
// The current file layout is:
//
//   u8  version (kFileVersion)
//   u8  compression flag (kFlagPlain; this system never compresses)
//   counted string: the printer selected when the file was written
//   i32 page count
//   per page: i32 end offset (absolute position after the entry), u16 paper
//             size, i32 width, i32 height, u8 orientation, i32 paper bin,
//             u8 whole-sheet flag, 4 x i32 margins, then the page's object
//             stream up to the end offset
//
// A first byte outside kFirstVersion..kLastVersion means "no version byte":
// the version is 0 and the first byte is the flag. Before kBinVersion a page
// entry has no bin and no margins. A flag outside the known three marks the
// oldest layout (a zero-terminated printer-name list, i32 page count, per
// page i32 end offset, u16 size, i32 width, i32 height, u8 orientation, u8
// whole-sheet flag, then a metafile image of the page up to the end offset).
//
// Every byte read is untrusted: counts and offsets are checked against the
// bytes that remain before they are used.
#pragma once

#include <cstddef>
#include <cstdint>

namespace report::rppfmt {

// ---- Versions --------------------------------------------------------------------
// The version written at the head of each page stream and of the file.
inline constexpr std::uint8_t kStreamVersion = 24;
inline constexpr std::uint8_t kFileVersion = 24;
// First bytes in this range are a version byte.
inline constexpr std::uint8_t kFirstVersion = 24;
inline constexpr std::uint8_t kLastVersion = 31;
// The version a file without a version byte counts as.
inline constexpr int kNoVersion = 0;
// From here on page entries carry the paper bin and the margins.
inline constexpr int kBinVersion = 24;
static_assert(kFirstVersion <= kFileVersion && kFileVersion <= kLastVersion);
static_assert(kNoVersion < kBinVersion && kBinVersion <= kFileVersion);

// ---- Compression flag ----------------------------------------------------------
inline constexpr std::uint8_t kFlagPlain = 0;
// Both announce compressed page streams; with no decompressor such pages
// load empty.
inline constexpr std::uint8_t kFlagCompressed = 1;
inline constexpr std::uint8_t kFlagCompressedAlt = 255;

// ---- Page entries ---------------------------------------------------------------
inline constexpr int kMarginCount = 4;
// end offset, size, width, height, orientation, whole-sheet flag
inline constexpr std::size_t kEntryBaseSize = 4 + 2 + 4 + 4 + 1 + 1;
// plus paper bin and margins
inline constexpr std::size_t kEntrySize = kEntryBaseSize + 4 + kMarginCount * 4;
static_assert(kEntryBaseSize == 16);
static_assert(kEntrySize == 36);
// The oldest layout's entry has the same fields as kEntryBaseSize.
inline constexpr std::size_t kOldEntrySize = kEntryBaseSize;

// Orientation bytes.
inline constexpr std::uint8_t kPortrait = 0;
inline constexpr std::uint8_t kLandscape = 1;

} // namespace report::rppfmt

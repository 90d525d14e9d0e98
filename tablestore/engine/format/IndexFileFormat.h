// Byte layout of a table's index file (".IDX") and the limits of its B+-trees.
//
// The file is a sequence of 4096-byte pages, little-endian throughout. Page 0
// is the header page: change counter, version, end-of-file offset, the number
// of secondary indexes, 32 index descriptors of 120 bytes (0 primary, 1..30
// secondaries, 31 the hidden "Sys Deleted" index), the table's live-record
// count and the physical-order flag. Every other page belongs to exactly one
// index, either as a node of its B+-tree or as a link of its free chain; a
// page is addressed by its file offset, always a multiple of 4096.
//
// Tree pages carry a 13-byte page header followed by packed entries:
//   inner entry: key | child page offset (4) | records below the child (4)
//   leaf entry:  key | physical record number (4), or a compressed form of it
// The key of an inner entry always equals the first key of its child, so the
// tree can be walked by comparing with the inner keys alone, and the subtree
// counts give every entry's ordinal position without visiting the leaves.
//
// Everything read from the file is untrusted: readers check every count,
// length and offset against these constants before using it.
#pragma once

#include "DataFileFormat.h"
#include "LockLayout.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tabula::indexfmt {

// ---- Pages ---------------------------------------------------------------
inline constexpr std::size_t kPageSize = 4096;
// No page ends beyond kMaxTableFileSize (LockLayout.h), so the lock bytes
// near 2^31 never overlap data.

// ---- Header page (page 0) ------------------------------------------------
inline constexpr std::size_t kHdrChangeCounter = 0;     // int32, +1 before every header write
inline constexpr std::size_t kHdrVersion = 8;           // uint8, always kIndexVersion
inline constexpr std::size_t kHdrEndOfFile = 9;         // int32, where the next new page goes
inline constexpr std::size_t kHdrSecondaryCount = 13;   // uint8, 0..30
inline constexpr std::size_t kHdrDescriptors = 14;      // 32 descriptors of 120 bytes
inline constexpr std::size_t kHdrRecordCount = 3974;    // int32, live records of the table
inline constexpr std::size_t kHdrPhysicalOrder = 3978;  // uint8, 1 = primary has no key fields
inline constexpr std::size_t kHdrModifiedMarker = 3979; // uint8, writer's marker, ignored on read
inline constexpr std::uint8_t kIndexVersion = 3;

// ---- Index descriptor (120 bytes) ---------------------------------------
inline constexpr std::size_t kDescriptorSize = 120;
inline constexpr std::size_t kDescName = 0;             // length byte + up to 30 characters
inline constexpr std::size_t kDescKeyLength = 31;       // uint16, 1..1036
inline constexpr std::size_t kDescDescending = 33;      // uint8, reverses the whole index
inline constexpr std::size_t kDescCaseInsensitive = 34; // uint8, upper-cases string fields
inline constexpr std::size_t kDescUnique = 35;          // uint8 (primary: always unique)
inline constexpr std::size_t kDescCompression = 36;     // uint8, a LeafCompression value
inline constexpr std::size_t kDescFieldCount = 37;      // uint8, 0..16
inline constexpr std::size_t kDescFieldDescending = 38; // 16 × uint8
inline constexpr std::size_t kDescFieldNumbers = 54;    // 16 × int16, unused ones 0
inline constexpr std::size_t kDescRoot = 86;            // int32, 0 when the index is empty
inline constexpr std::size_t kDescFreeHead = 90;        // int32, 0 when there is no free page

inline constexpr int kDescriptorCount = 32;
inline constexpr int kPrimaryIndex = 0;
inline constexpr int kMaxSecondaryIndexes = 30;
inline constexpr int kSysDeletedIndex = 31;
inline constexpr int kPhysicalOrderIndex = 255; // pseudo index: physical record order
inline constexpr int kMaxKeyFields = 16;
inline constexpr int kMaxKeyLength = 1036;
inline constexpr int kMaxIndexNameLength = 30;
inline constexpr const char* kSysDeletedName = "Sys Deleted";
inline constexpr int kSysDeletedKeyLength = 5; // deleted flag + encoded auto-increment
inline constexpr const char* kPrimaryContextName = "Primary"; // index name in error texts

// ---- Tree page -----------------------------------------------------------
inline constexpr std::size_t kPageKind = 0;       // uint8, a PageKind value
inline constexpr std::size_t kPageEntryCount = 1; // uint16 (0 in a free page)
inline constexpr std::size_t kPagePrev = 3;       // int32, previous page of the level
inline constexpr std::size_t kPageNext = 7;       // int32, next page of the level / next free page
inline constexpr std::size_t kPageUsedBytes = 11; // uint16, compressed leaves only
inline constexpr std::size_t kPageEntries = 13;   // packed entries start here
inline constexpr std::size_t kPageEntryArea = kPageSize - kPageEntries; // 4083

enum PageKind : std::uint8_t {
    kInnerRoot = 0,
    kInnerPage = 1,
    kLeafPage = 2,
    kLeafRoot = 3,
};

inline constexpr std::size_t kInnerRefSize = 8; // child offset + subtree record count
inline constexpr std::size_t kLeafRefSize = 4;  // physical record number

// Leaf compression. Inner entries are never compressed.
//   kLeading:  prefix p (uint16, bytes shared with the previous key) | key[p..] | recno
//   kTrailing: trailing zero count t (uint16) | key without them | recno
//   kBoth:     p (uint8, ≤255) | t (uint8, ≤255) | key[p .. len-t) | recno
// For a non-unique secondary index the last 4 key bytes (the uniqueness
// suffix) are never dropped as trailing zeros: t counts the zero bytes just
// before them. Every compressed entry occupies 6 + key length − p − t bytes.
enum LeafCompression : std::uint8_t {
    kCompressNone = 0,
    kCompressLeading = 1,
    kCompressTrailing = 2,
    kCompressBoth = 3,
};
inline constexpr int kUniquenessSuffixSize = 4;
inline constexpr int kCompressedEntryOverhead = 6; // two length fields + record number

// Entry capacities of uncompressed pages.
inline constexpr int InnerCapacity(int keyLength) {
    return static_cast<int>(kPageEntryArea) / (keyLength + 10);
}
inline constexpr int LeafCapacity(int keyLength) {
    return static_cast<int>(kPageEntryArea) / (keyLength + 6);
}

// ---- Page cache ------------------------------------------------------------
inline constexpr int kCachePagesPerIndex = 31;
inline constexpr int kMaxPagePins = 64;
inline constexpr int kMaxTreeDepth = 48; // deeper descents mean a cyclic or damaged tree

// ---- Cursor filters ------------------------------------------------------------
inline constexpr int kMaxFilters = 128;

// Little-endian values are read and written with the helpers of
// DataFileFormat.h (datafmt::GetI32 and the rest).

} // namespace tabula::indexfmt

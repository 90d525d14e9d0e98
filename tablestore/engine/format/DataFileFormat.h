// Byte layout of a table's data file (".DAT") and the vocabulary of field
// types shared by records, keys, SQL values and filters.
//
// The file is little-endian throughout and has no padding anywhere:
//
//   offset 0                      127-byte header (never scrambled)
//   offset 127                    field count × 768-byte field descriptors,
//                                 field 1 first (one scrambled run when the
//                                 table is protected)
//   offset 127 + 768 × fields     records of record-size bytes each; physical
//                                 record n (n ≥ 1) starts at
//                                 127 + 768 × fields + (n − 1) × record size
//
// Nothing follows the last record, so a sound file is exactly
// 127 + 768 × fields + (next record number − 1) × record size bytes long,
// and never longer than kMaxTableFileSize (LockLayout.h).
//
// A record is a 9-byte prefix (deleted flag, own number or free-chain link,
// auto-increment value) followed, for every field except the auto-increment
// field, by one null-indicator byte and the field's stored-size value bytes.
//
// Every byte read from a file is untrusted: readers check each count, length
// and offset against the limits below before using it.
//
// What a commit can leave. A commit writes the changed record slots, then
// this header, then the index file's changed pages and its header page,
// then the BLOB file's changed blocks and its header, each with ordinary
// positioned writes. The format has no journal on disk:
//   - a write the system refuses (a full disk, a device error) is undone
//     before the error is raised: the record manager keeps, in memory, the
//     bytes each commit overwrites and the files' old lengths, and writes
//     them back (WriteJournal.h). The table is then as before the failed
//     operation; only when the disk refuses that rollback too may it be
//     damaged, and the error says so;
//   - a crash or power loss in the middle of a commit (or of the rollback)
//     loses that memory. The three files may then disagree: records written
//     whose header still counts fewer slots (the extra slots are ignored,
//     or reused by the next append); a header counting slots that were
//     never written (a short file: reads of those records fail); index
//     pages of the new state under the old index header or the reverse
//     (index entries without records, records without entries, a wrong
//     record count); BLOB blocks written but not linked, or a BLOB header
//     naming blocks that are not. Because the operating system may reach
//     the disk in any order unless the table forces buffer flushing, any
//     subset of one commit's writes may have landed, and a torn write can
//     leave part of a slot or page. Writes of earlier, completed commits
//     are never affected.
//   - such a table may fail to open or fail the consistency check; the
//     repair (TableRepair.h) rebuilds every index, the record count and
//     the free-record chain from the record slots, keeping every readable
//     record. A record changed by the interrupted commit may come back in
//     its old or its new form, or, when its slot was torn, be dropped.
#pragma once

#include "LockLayout.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tabula::datafmt {

// ---- Header (127 bytes at offset 0) ---------------------------------------
inline constexpr std::size_t kHeaderSize = 127;
inline constexpr std::size_t kHdrChangeCounter = 0;    // int32, +1 before every header write
inline constexpr std::size_t kHdrBlobBlockSize = 4;    // uint32, a stored 0 reads as 512
inline constexpr std::size_t kHdrVersion = 8;          // uint8, always kDataVersion
inline constexpr std::size_t kHdrFreeChainHead = 9;    // int32, most recently deleted record
inline constexpr std::size_t kHdrNextRecord = 13;      // int32, record slots + 1
inline constexpr std::size_t kHdrLastAutoInc = 17;     // int32, last auto-increment handed out
inline constexpr std::size_t kHdrRecordSize = 21;      // uint16, stored part of a record
inline constexpr std::size_t kHdrFieldCount = 23;      // uint16, 1..1024
inline constexpr std::size_t kHdrBlobFieldCount = 25;  // int16, 0..32; 0 = no BLOB file
inline constexpr std::size_t kHdrLastWriteTime = 27;   // IEEE double, see HeaderTimeStamp
inline constexpr std::size_t kHdrDescription = 35;     // length byte + up to 50 characters
inline constexpr std::size_t kHdrProtected = 86;       // uint8, non-zero = scrambled table
inline constexpr std::size_t kHdrPassword = 87;        // length byte + up to 15 characters
inline constexpr std::size_t kHdrLanguageId = 103;     // int16, 0 = no locale
inline constexpr std::size_t kHdrSortId = 105;         // uint16, bits 16..19 of the locale id
inline constexpr std::size_t kHdrReserved1 = 107;      // int16, 0
inline constexpr std::size_t kHdrReserved2 = 109;      // int16, 0
inline constexpr std::size_t kHdrCalcAreaSize = 111;   // int16, 0 in every valid file
inline constexpr std::size_t kHdrModifiedMarker = 113; // uint8, writer's marker, ignored on read
// Bytes 114..126 are reserved and written as zero.

inline constexpr std::uint8_t kDataVersion = 3;
inline constexpr std::uint32_t kDefaultBlobBlockSize = 512; // what a stored 0 means
inline constexpr std::size_t kMaxDescriptionLength = 50;
inline constexpr std::size_t kMaxPasswordLength = 15;

// The header's last-write time: the local date and time as days since
// 1899-12-30 (time as the fraction of a day), minus this constant.
inline constexpr double kHeaderTimeBias = 693594.0;

// ---- Field descriptor (768 bytes per field) -------------------------------
inline constexpr std::size_t kDescriptorSize = 768;
inline constexpr std::size_t kFdFieldNumber = 0;   // int16, equals the 1-based position
inline constexpr std::size_t kFdName = 2;          // length byte + up to 30 characters
inline constexpr std::size_t kFdType = 84;         // uint8, a FieldType code
inline constexpr std::size_t kFdSubtype = 85;      // uint8, kAutoIncSubtype or opaque
inline constexpr std::size_t kFdDeclaredSize = 86; // uint8, types 1, 9 and 15 only
inline constexpr std::size_t kFdDecimals = 87;     // uint8, type 8 only
inline constexpr std::size_t kFdStoredSize = 88;   // uint8, bytes of the value in a record
inline constexpr std::size_t kFdDecimalsCopy = 89; // uint8, copy of kFdDecimals
inline constexpr std::size_t kFdOffset = 90;       // uint16, null-indicator byte in the record
inline constexpr std::size_t kFdRequired = 92;     // uint8, non-zero = may not be null
inline constexpr std::size_t kFdMinimum = 94;      // length byte + up to 50 characters
inline constexpr std::size_t kFdMaximum = 145;     // length byte + up to 50 characters
inline constexpr std::size_t kFdDefault = 196;     // length byte + up to 50 characters
inline constexpr std::size_t kFdCalculated = 247;  // uint8, in-memory descriptors only
inline constexpr std::size_t kFdRunTimeSlot = 504; // 4 bytes, zero on disk
// Every other byte of the descriptor is reserved and written as zero.

inline constexpr std::size_t kMaxFieldNameLength = 30;
inline constexpr std::size_t kMaxCheckTextLength = 50; // minimum, maximum and default texts

// ---- Field types ------------------------------------------------------------
// Type codes as stored at kFdType. Codes above 15 are carried as raw bytes of
// the declared size.
enum FieldType : std::uint8_t {
    kFtNone = 0,       // raw bytes of the declared size; refused at creation
    kFtString = 1,     // ANSI characters, zero-terminated, slot = declared size + 1
    kFtDate = 2,       // int32 day number, 0001-01-01 = 1
    kFtBlob = 3,       // int32 first block in the BLOB file, 0 = none
    kFtBoolean = 4,    // uint16 0 or 1
    kFtInt16 = 5,      // int16
    kFtInt32 = 6,      // int32; with kAutoIncSubtype the auto-increment slot
    kFtFloat = 7,      // IEEE double
    kFtBcd = 8,        // int64 decimal digit string, see FieldValue.h
    kFtBytes = 9,      // raw bytes of the declared size
    kFtTime = 10,      // int32 milliseconds since midnight
    kFtTimestamp = 11, // IEEE double: day number × 86400000 + milliseconds
    kFtUInt16 = 12,    // uint16
    kFtUInt32 = 13,    // uint32
    kFtExtended = 14,  // 80-bit extended-precision float
    kFtVarBytes = 15,  // raw bytes of the declared size
};

// Type codes above 15 that the access layer names: parameters carry them
// (cursors, 64-bit integers, the object types) and field definitions read
// them back; records hold them only as raw bytes.
inline constexpr std::uint8_t kFtLargeint = 18;
inline constexpr std::uint8_t kFtLargeintOther = 19; // read back as a 64-bit integer too
inline constexpr std::uint8_t kFtAdt = 20;
inline constexpr std::uint8_t kFtArray = 21;
inline constexpr std::uint8_t kFtReference = 22;
inline constexpr std::uint8_t kFtDataSet = 23;

// ---- Subtypes (kFdSubtype) --------------------------------------------------
// The engine itself interprets only kAutoIncSubtype; the others are stored
// and handed back unchanged for the access layer's field definitions.
inline constexpr std::uint8_t kAutoIncSubtype = 29; // with kFtInt32: the auto-increment field
inline constexpr std::uint8_t kMoneySubtype = 21;   // with kFtFloat: a money value
// With kFtBlob: the kind of BLOB. 23, 25, 27 and every other value read back
// as a plain BLOB; kBlobSubtype is the one a plain BLOB is written with.
inline constexpr std::uint8_t kMemoSubtype = 22;
inline constexpr std::uint8_t kBlobSubtype = 23;
inline constexpr std::uint8_t kFmtMemoSubtype = 24;
inline constexpr std::uint8_t kGraphicSubtype = 26;
inline constexpr std::uint8_t kTypedBinarySubtype = 28;

inline constexpr int kMaxDeclaredSize = 250; // types 1, 9 and 15

// ---- Record ------------------------------------------------------------------
inline constexpr std::size_t kRecDeleted = 0; // uint8, 0 live, 1 deleted
inline constexpr std::size_t kRecLink = 1;    // int32, own number or next free record
inline constexpr std::size_t kRecAutoInc = 5; // int32, the record's auto-increment value
inline constexpr std::size_t kRecFields = 9;  // first null-indicator byte
inline constexpr std::size_t kRecordPrefixSize = 9;
inline constexpr int kMaxRecordSize = 65535;

// ---- Table limits -----------------------------------------------------------
inline constexpr int kMaxFields = 1024;
inline constexpr int kMaxSecondaryIndexes = 30;
inline constexpr int kMaxBlobFields = 32;
inline constexpr std::uint32_t kMinBlobBlockSize = 64;

// ---- Day numbers -------------------------------------------------------------
// Dates count 0001-01-01 as day 1; 1899-12-30 (day 0 of the platform's
// date-time values) is day 693594.
inline constexpr std::int32_t kDayOf18991230 = 693594;
inline constexpr std::int32_t kMsPerDay = 86400000;

// ---- Little-endian access -------------------------------------------------------
// Callers guarantee that p points at enough bytes; every caller checks the
// span against the layout constants above first.
inline std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::int16_t GetI16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(GetU16(p));
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t GetI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(GetU32(p));
}
inline std::uint64_t GetU64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(GetU32(p)) |
           (static_cast<std::uint64_t>(GetU32(p + 4)) << 32);
}
inline std::int64_t GetI64(const std::uint8_t* p) {
    return static_cast<std::int64_t>(GetU64(p));
}
inline double GetDouble(const std::uint8_t* p) {
    const std::uint64_t bits = GetU64(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutI16(std::uint8_t* p, std::int16_t v) {
    PutU16(p, static_cast<std::uint16_t>(v));
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutI32(std::uint8_t* p, std::int32_t v) {
    PutU32(p, static_cast<std::uint32_t>(v));
}
inline void PutU64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutI64(std::uint8_t* p, std::int64_t v) {
    PutU64(p, static_cast<std::uint64_t>(v));
}
inline void PutDouble(std::uint8_t* p, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutU64(p, bits);
}

} // namespace tabula::datafmt

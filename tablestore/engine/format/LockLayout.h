// The multi-user lock layout of the table files.
//
// Programs that share a table coordinate only through byte-range locks on
// its files. The offsets and lengths below are part of the multi-user
// format: every program sharing the files must use exactly these ranges, so
// they never change. All ranges lie at or beyond 2,047,483,645 while table
// files are limited to kMaxTableFileSize (2,000,000,000) bytes, so a lock
// never covers real data.
//
// Data file (.DAT):
//   header lock          2147483647 (2^31 - 1), length 1
//   record lock of n     2147483646 - n, length 1  (n = 1 .. 100,000,000)
//   table lock           2047483645, length 100000001; it covers the record
//                        bytes of every possible record number, so the table
//                        lock and any record lock exclude each other
// Index (.IDX) and BLOB (.BLB) files:
//   read lock            2147483647 - r, length 1, r random in 1 .. 65534,
//                        drawn anew for every attempt, so readers almost
//                        never contend with each other
//   write lock           2147418112 (2^31 - 65536), length 65535; it covers
//                        every possible read byte, so a writer excludes all
//                        readers and they exclude the writer
//
// Share-mode range (any table file): byte 2^31 (2147483648), length 1. It
// stands in for the open-time sharing modes the files are opened with: an
// exclusive handle holds a write lock on it for its whole life, a shared
// handle a read lock, so exclusive and shared opens exclude each other
// between processes. It lies just past the header-lock byte and overlaps
// none of the ranges above.
#pragma once

#include <cstdint>

namespace tabula {

inline constexpr std::int64_t kHeaderLockOffset = 2147483647;
inline constexpr std::int64_t kHeaderLockLength = 1;

// Record n is locked at kRecordLockBase - n.
inline constexpr std::int64_t kRecordLockBase = 2147483646;
inline constexpr std::int64_t kRecordLockLength = 1;
inline constexpr std::int64_t kMaxLockableRecord = 100000000;

inline constexpr std::int64_t kTableLockOffset = 2047483645;
inline constexpr std::int64_t kTableLockLength = 100000001;

// Read locks sit at kReadLockBase - r with r in kReadLockMinR .. kReadLockMaxR.
inline constexpr std::int64_t kReadLockBase = 2147483647;
inline constexpr std::int64_t kReadLockMinR = 1;
inline constexpr std::int64_t kReadLockMaxR = 65534;
inline constexpr std::int64_t kReadLockLength = 1;

inline constexpr std::int64_t kWriteLockOffset = 2147418112;
inline constexpr std::int64_t kWriteLockLength = 65535;

inline constexpr std::int64_t kShareModeLockOffset = 2147483648;
inline constexpr std::int64_t kShareModeLockLength = 1;

// Every table file (data, index, BLOB, and the in-memory files standing in
// for them) ends at or before this offset: no record, page or block reaches
// it, so the lock ranges above never cover data.
inline constexpr std::int64_t kMaxTableFileSize = 2000000000;

// Retry rules. Record and table locks: one attempt plus LockRetryCount
// further attempts, LockWaitTime milliseconds apart. Header, read and write
// locks: a fixed number of attempts a few milliseconds apart.
inline constexpr int kDefaultLockRetryCount = 15;
inline constexpr int kDefaultLockWaitTime = 100;
inline constexpr int kInternalLockAttempts = 8193;
inline constexpr int kInternalLockWaitMs = 3;

static_assert(kTableLockOffset < kRecordLockBase - kMaxLockableRecord);
static_assert(kTableLockOffset + kTableLockLength - 1 == kRecordLockBase - 1);
static_assert(kWriteLockOffset == kReadLockBase - kReadLockMaxR - 1);
static_assert(kWriteLockOffset + kWriteLockLength - 1 == kReadLockBase - kReadLockMinR);
static_assert(kShareModeLockOffset > kHeaderLockOffset);
// The lowest lock byte of any range is the table lock's first byte.
static_assert(kTableLockOffset < kWriteLockOffset &&
              kTableLockOffset < kReadLockBase - kReadLockMaxR);
static_assert(kMaxTableFileSize <= kTableLockOffset);

} // namespace tabula

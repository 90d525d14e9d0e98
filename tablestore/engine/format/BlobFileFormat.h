// Byte layout of a table's BLOB file (".BLB").
//
// Little-endian throughout:
//
//   offset 0      512-byte header
//   offset 512    blocks of the table's BLOB block size, one after another
//
// A block is addressed by its file offset, its block number, so every valid
// block number b satisfies b >= 512, (b - 512) % block size == 0 and
// b < end of file (header offset 13). Block number 0 means "none".
//
// Each BLOB value is a chain of blocks linked both ways. The first block of
// a chain carries the BLOB's total length; every block of a chain names the
// physical record that owns it. Freed blocks form a singly linked free chain
// through their next links, headed at header offset 9.
//
// Protected tables scramble the header as one run, and each block's 18-byte
// header and its data part as two separate runs, all with the table-data key.
//
// Every byte read from the file is untrusted: block numbers, links, lengths
// and used counts are checked against the constants below before use.
#pragma once

#include "LockLayout.h"

#include <cstddef>
#include <cstdint>

namespace tabula::blobfmt {

// ---- Header (512 bytes at offset 0) -------------------------------------------
inline constexpr std::size_t kHeaderSize = 512;
inline constexpr std::size_t kHdrChangeCounter = 0;   // int32, +1 before every header write
inline constexpr std::size_t kHdrReserved = 4;        // 4 bytes, zero
inline constexpr std::size_t kHdrVersion = 8;         // uint8, always kBlobVersion
inline constexpr std::size_t kHdrFreeChainHead = 9;   // int32, first free block; 0 = none
inline constexpr std::size_t kHdrEndOfFile = 13;      // int32, where the next new block goes
inline constexpr std::size_t kHdrModifiedMarker = 17; // uint8, writer's marker, ignored on read
// Bytes 18..511 are reserved and written as zero.

inline constexpr std::uint8_t kBlobVersion = 3;

// ---- Block ------------------------------------------------------------------------
inline constexpr std::size_t kBlockHeaderSize = 18;
inline constexpr std::size_t kBlkPrev = 0;         // int32, previous block of the chain, 0 first
inline constexpr std::size_t kBlkNext = 4;         // int32, next block (or next free block), 0 last
inline constexpr std::size_t kBlkUsed = 8;         // uint16, data bytes used in this block
inline constexpr std::size_t kBlkOwner = 10;       // int32, physical record number of the owner
inline constexpr std::size_t kBlkTotalLength = 14; // int32, BLOB length; first block only, else 0

// ---- Limits -----------------------------------------------------------------------
// A stored block size of 0 means the default.
inline constexpr std::uint32_t kDefaultBlockSize = 512;
inline constexpr std::uint32_t kMinBlockSize = 64;
// The used count is 16 bits, so a block's data part holds at most 65535 bytes.
inline constexpr std::uint32_t kMaxBlockSize = kBlockHeaderSize + 65535;
// No block ends beyond kMaxTableFileSize (LockLayout.h), as in every table file.
// Open BLOBs per table at once.
inline constexpr int kMaxOpenBlobs = 64;
// Pins one cached block may carry at once.
inline constexpr int kMaxBlockPins = 64;
// Block cache: about 256 KiB of blocks, at most 4096; reads fetch up to
// 64 KiB of consecutive blocks at once.
inline constexpr std::uint32_t kCacheBytes = 262140;
inline constexpr std::uint32_t kMaxCachedBlocks = 4096;
inline constexpr std::uint32_t kReadAheadBytes = 65535;
// A save keeps at most three blocks pinned at once (the current block, the
// next one and a free block being taken), so the cache never holds fewer.
inline constexpr std::uint32_t kMinCachedBlocks = 4;

// Open modes of a BLOB.
inline constexpr int kOpenNormal = 0;
inline constexpr int kOpenForDelete = 1;

} // namespace tabula::blobfmt

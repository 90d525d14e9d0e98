// SHA-1 (FIPS 180-1), computed incrementally over a running context.
//
// TSha1Context is a plain record owned by the caller; no call allocates.
// Invariants between calls:
//   - Index (0..63) bytes of the current, incomplete block are in Buffer[0..Index);
//     every byte of Buffer at or beyond Index is zero;
//   - LenHi:LenLo is the message length so far in bits (64-bit, big halves first);
//   - H0..H4 are the chaining values after every complete block so far.
// Life of a context: Sha1Init -> Sha1Update* -> Sha1Final, which leaves the
// whole record zeroed (Sha1Init may then start it again).
//
// Blocks are compressed with the CPU's SHA instructions when it has them and
// with portable code otherwise; both give the same chaining values, and the
// context's observable state is the same as if every byte had been copied
// into Buffer one at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace morvane {

using TSha1Digest = std::array<std::uint8_t, 20>;

struct TSha1Context {
    std::uint32_t H0, H1, H2, H3, H4; // chaining values
    std::uint32_t LenHi;              // high half of the message length in bits
    std::uint32_t LenLo;              // low half of the message length in bits
    std::uint8_t Buffer[64];          // the current, incomplete block
    std::int32_t Index;               // bytes held in Buffer, 0..63
};

// The record is laid out field after field with no padding, as the
// byte-for-byte comparisons of contexts in the tests rely on.
namespace sha1_layout {
constexpr std::size_t kOffsetH0 = 0;
constexpr std::size_t kOffsetLenHi = 20;
constexpr std::size_t kOffsetLenLo = 24;
constexpr std::size_t kOffsetBuffer = 28;
constexpr std::size_t kOffsetIndex = 92;
constexpr std::size_t kSize = 96;
} // namespace sha1_layout
static_assert(offsetof(TSha1Context, H0) == sha1_layout::kOffsetH0);
static_assert(offsetof(TSha1Context, H4) == sha1_layout::kOffsetH0 + 16);
static_assert(offsetof(TSha1Context, LenHi) == sha1_layout::kOffsetLenHi);
static_assert(offsetof(TSha1Context, LenLo) == sha1_layout::kOffsetLenLo);
static_assert(offsetof(TSha1Context, Buffer) == sha1_layout::kOffsetBuffer);
static_assert(offsetof(TSha1Context, Index) == sha1_layout::kOffsetIndex);
static_assert(sizeof(TSha1Context) == sha1_layout::kSize);

// Starts a digest: lengths and Index 0, Buffer zeroed, H0..H4 the standard
// initial values.
void Sha1Init(TSha1Context& context);

// Adds `count` bytes to the message.
void Sha1Update(TSha1Context& context, const void* data, std::size_t count);

// Pads, finishes the digest into `digest` and zeroes the whole context.
void Sha1Final(TSha1Context& context, TSha1Digest& digest);

// Compresses the 64 bytes of Buffer as one block into H0..H4, then zeroes the
// message schedule and the whole Buffer. Index is left to the caller.
void Sha1Transform(TSha1Context& context);

// The block compression behind the context, exposed so that the two
// implementations can be checked against each other. Each compresses `blocks`
// consecutive 64-byte blocks from `data` into `state` (H0..H4) and wipes its
// message schedule afterwards.
namespace sha1_detail {
void CompressPortable(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks);
// Only callable when CpuHasShaInstructions() is true.
void CompressShaNi(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks);
bool CpuHasShaInstructions();
} // namespace sha1_detail

} // namespace morvane

// SHA-1 block compression (portable and x86 SHA instructions) and the running
// context operations. See SHA1.h for the context's invariants.
#include "SHA1.h"

#include <algorithm>
#include <cstring>
#include <string.h> // explicit_bzero: a wipe the compiler may not drop

// MORVANE_SHA1_PORTABLE_ONLY builds the portable compression alone.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(MORVANE_SHA1_PORTABLE_ONLY)
#include <immintrin.h>
#define MORVANE_SHA1_X86 1
#endif

#include "Tools.h"

#include <utility>

namespace morvane {

namespace {

constexpr std::size_t kBlockSize = 64;
// Where Sha1Final stores the two halves of the bit length in the last block.
constexpr std::size_t kLengthHiOffset = 56;
constexpr std::size_t kLengthLoOffset = 60;
// The first padding byte: a single 1 bit followed by zeros.
constexpr std::uint8_t kPaddingStart = 0x80;

constexpr std::uint32_t kInitialH[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u,
                                        0xC3D2E1F0u};
constexpr std::uint32_t kRoundConstant[4] = {0x5A827999u, 0x6ED9EBA1u, 0x8F1BBCDCu, 0xCA62C1D6u};

std::uint32_t LoadBigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void StoreBigEndian32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

using CompressFunction = void (*)(std::uint32_t*, const std::uint8_t*, std::size_t);

CompressFunction ChooseCompress() {
    return sha1_detail::CpuHasShaInstructions() ? &sha1_detail::CompressShaNi
                                                : &sha1_detail::CompressPortable;
}

// Chosen on first use (not by a global initialiser, so that digests taken
// while other globals are being initialised work too).
CompressFunction Compressor() {
    static const CompressFunction compress = ChooseCompress();
    return compress;
}

// Compresses whole blocks into the context's chaining values.
void CompressInto(TSha1Context& context, const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t state[5] = {context.H0, context.H1, context.H2, context.H3, context.H4};
    Compressor()(state, data, blocks);
    context.H0 = state[0];
    context.H1 = state[1];
    context.H2 = state[2];
    context.H3 = state[3];
    context.H4 = state[4];
}

} // namespace

namespace sha1_detail {

void CompressPortable(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t w[80];
    for (; blocks > 0; --blocks, data += kBlockSize) {
        for (int t = 0; t < 16; ++t) {
            w[t] = LoadBigEndian32(data + 4 * t);
        }
        for (int t = 16; t < 80; ++t) {
            w[t] = RotateLeft32(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        for (int t = 0; t < 80; ++t) {
            std::uint32_t f;
            if (t < 20) {
                f = (b & c) | (~b & d);
            } else if (t < 40) {
                f = b ^ c ^ d;
            } else if (t < 60) {
                f = (b & c) | (b & d) | (c & d);
            } else {
                f = b ^ c ^ d;
            }
            const std::uint32_t temp = RotateLeft32(a, 5) + f + e + kRoundConstant[t / 20] + w[t];
            e = d;
            d = c;
            c = RotateLeft32(b, 30);
            b = a;
            a = temp;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
    explicit_bzero(w, sizeof w);
}

#ifdef MORVANE_SHA1_X86

bool CpuHasShaInstructions() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sha") && __builtin_cpu_supports("ssse3") &&
           __builtin_cpu_supports("sse4.1");
}

} // namespace sha1_detail

// The SHA instructions work on groups of four rounds. A vector holds four
// schedule words with the earliest word in the highest lane, which is why
// each loaded 16-byte row is byte-reversed as a whole.
#pragma GCC push_options
#pragma GCC target("sha,ssse3,sse4.1")

namespace {

// Group k (rounds 4k..4k+3). `m` keeps the last four schedule rows, row j in
// slot j % 4; from group 4 on, row k is W[t-16] ^ W[t-14] ^ W[t-8] (msg1, xor)
// then ^ W[t-3] rotated (msg2). The E input of a group is rol30 of the A that
// started the previous group (nexte), plus the schedule row.
template <int K>
inline __attribute__((always_inline)) void ShaNiGroup(__m128i& abcd, __m128i& e, __m128i& prev,
                                                      __m128i (&m)[4]) {
    constexpr int slot = K % 4;
    if constexpr (K >= 4) {
        m[slot] = _mm_sha1msg2_epu32(
            _mm_xor_si128(_mm_sha1msg1_epu32(m[slot], m[(K + 1) % 4]), m[(K + 2) % 4]),
            m[(K + 3) % 4]);
    }
    if constexpr (K == 0) {
        e = _mm_add_epi32(e, m[0]);
    } else {
        e = _mm_sha1nexte_epu32(prev, m[slot]);
    }
    prev = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e, K / 5);
}

template <int... K>
inline __attribute__((always_inline)) void ShaNiRounds(__m128i& abcd, __m128i& e, __m128i& prev,
                                                       __m128i (&m)[4],
                                                       std::integer_sequence<int, K...>) {
    (ShaNiGroup<K>(abcd, e, prev, m), ...);
}

} // namespace

namespace sha1_detail {

__attribute__((target("sha,ssse3,sse4.1"))) void
CompressShaNi(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks) {
    const __m128i reverseBytes = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);

    for (; blocks > 0; --blocks, data += kBlockSize) {
        const __m128i abcdSaved = abcd;
        const __m128i eSaved = e0;
        __m128i m[4];
        for (int j = 0; j < 4; ++j) {
            m[j] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * j)), reverseBytes);
        }
        __m128i e = e0;
        __m128i prev = abcd;
        ShaNiRounds(abcd, e, prev, m, std::make_integer_sequence<int, 20>{});
        e0 = _mm_sha1nexte_epu32(prev, eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }

    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
    // The schedule lived only in vector registers: clear them all.
    asm volatile("pxor %%xmm0, %%xmm0\n\tpxor %%xmm1, %%xmm1\n\tpxor %%xmm2, %%xmm2\n\t"
                 "pxor %%xmm3, %%xmm3\n\tpxor %%xmm4, %%xmm4\n\tpxor %%xmm5, %%xmm5\n\t"
                 "pxor %%xmm6, %%xmm6\n\tpxor %%xmm7, %%xmm7\n\t"
#ifdef __x86_64__
                 "pxor %%xmm8, %%xmm8\n\tpxor %%xmm9, %%xmm9\n\tpxor %%xmm10, %%xmm10\n\t"
                 "pxor %%xmm11, %%xmm11\n\tpxor %%xmm12, %%xmm12\n\tpxor %%xmm13, %%xmm13\n\t"
                 "pxor %%xmm14, %%xmm14\n\tpxor %%xmm15, %%xmm15\n\t"
#endif
                 ::
                     : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7"
#ifdef __x86_64__
                       ,
                       "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15"
#endif
    );
}

#pragma GCC pop_options

#else // no x86 SHA instructions on this architecture

bool CpuHasShaInstructions() {
    return false;
}

void CompressShaNi(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks) {
    CompressPortable(state, data, blocks);
}

#endif

} // namespace sha1_detail

void Sha1Init(TSha1Context& context) {
    std::memset(&context, 0, sizeof context);
    context.H0 = kInitialH[0];
    context.H1 = kInitialH[1];
    context.H2 = kInitialH[2];
    context.H3 = kInitialH[3];
    context.H4 = kInitialH[4];
}

void Sha1Transform(TSha1Context& context) {
    CompressInto(context, context.Buffer, 1);
    explicit_bzero(context.Buffer, sizeof context.Buffer);
}

void Sha1Update(TSha1Context& context, const void* data, std::size_t count) {
    const std::uint64_t bits = ((std::uint64_t{context.LenHi} << 32) | context.LenLo) +
                               (static_cast<std::uint64_t>(count) << 3);
    context.LenHi = static_cast<std::uint32_t>(bits >> 32);
    context.LenLo = static_cast<std::uint32_t>(bits);

    const auto* p = static_cast<const std::uint8_t*>(data);
    auto index = static_cast<std::size_t>(context.Index);
    // Complete a partly filled block first.
    if (index > 0 && count > 0) {
        const std::size_t take = std::min(kBlockSize - index, count);
        std::memcpy(context.Buffer + index, p, take);
        index += take;
        p += take;
        count -= take;
        if (index < kBlockSize) {
            context.Index = static_cast<std::int32_t>(index);
            return;
        }
        Sha1Transform(context);
        index = 0;
    }
    // Whole blocks go straight from the input: passing them through Buffer
    // would leave exactly the same state (Buffer zero, Index 0) behind.
    if (const std::size_t blocks = count / kBlockSize; blocks > 0) {
        CompressInto(context, p, blocks);
        p += blocks * kBlockSize;
        count -= blocks * kBlockSize;
    }
    if (count > 0) {
        std::memcpy(context.Buffer + index, p, count);
        index += count;
    }
    context.Index = static_cast<std::int32_t>(index);
}

void Sha1Final(TSha1Context& context, TSha1Digest& digest) {
    context.Buffer[context.Index] = kPaddingStart;
    if (context.Index > static_cast<std::int32_t>(kLengthHiOffset) - 1) {
        // No room for the length in this block: it goes in a block of its own.
        Sha1Transform(context);
    }
    StoreBigEndian32(context.Buffer + kLengthHiOffset, context.LenHi);
    StoreBigEndian32(context.Buffer + kLengthLoOffset, context.LenLo);
    Sha1Transform(context);
    StoreBigEndian32(digest.data() + 0, context.H0);
    StoreBigEndian32(digest.data() + 4, context.H1);
    StoreBigEndian32(digest.data() + 8, context.H2);
    StoreBigEndian32(digest.data() + 12, context.H3);
    StoreBigEndian32(digest.data() + 16, context.H4);
    explicit_bzero(&context, sizeof context);
}

} // namespace morvane

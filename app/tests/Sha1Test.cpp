// SHA-1: standard digests, incremental feeding against a byte-at-a-time
// reference context, wiping, and agreement of the two block compressions.
#include "SHA1.h"

#include "HashedOutput.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace morvane {
namespace {

std::string Digest(const std::string& message) {
    TSha1Context context;
    Sha1Init(context);
    Sha1Update(context, message.data(), message.size());
    TSha1Digest digest;
    Sha1Final(context, digest);
    return DigestText(digest);
}

// The plain form of Sha1Update: every byte goes through Buffer one at a time.
void ReferenceUpdate(TSha1Context& context, const std::uint8_t* data, std::size_t count) {
    const std::uint32_t lo = context.LenLo + static_cast<std::uint32_t>(count * 8);
    if (lo < context.LenLo) {
        ++context.LenHi;
    }
    context.LenHi += static_cast<std::uint32_t>((static_cast<std::uint64_t>(count) * 8) >> 32);
    context.LenLo = lo;
    for (std::size_t i = 0; i < count; ++i) {
        context.Buffer[context.Index++] = data[i];
        if (context.Index == 64) {
            context.Index = 0;
            Sha1Transform(context);
        }
    }
}

bool SameBytes(const TSha1Context& a, const TSha1Context& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Sha1Test, StandardDigests) {
    EXPECT_EQ(Digest(""), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_EQ(Digest("abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    EXPECT_EQ(Digest(std::string(1000000, 'a')), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

// Around the block size the length moves into a padding block of its own.
TEST(Sha1Test, PaddingBoundaries) {
    EXPECT_EQ(Digest(std::string(55, 'a')), "C1C8BBDC22796E28C0E15163D20899B65621D65A");
    EXPECT_EQ(Digest(std::string(56, 'a')), "C2DB330F6083854C99D4B5BFB6E8F29F201BE699");
    EXPECT_EQ(Digest(std::string(63, 'a')), "03F09F5B158A7A8CDAD920BDDC29B81C18A551F5");
    EXPECT_EQ(Digest(std::string(64, 'a')), "0098BA824B5C16427BD7A1122A5A442A25EC644D");
    EXPECT_EQ(Digest(std::string(65, 'a')), "11655326C708D70319BE2610E8A57D9A5B959D3B");
}

// Feeding the same bytes in pieces of any sizes leaves, after every call, the
// very context the byte-at-a-time form leaves, and gives the same digest.
TEST(Sha1Test, SplitFeedingMatchesByteAtATimeContext) {
    std::mt19937 random(20240131);
    std::vector<std::uint8_t> message(5000);
    for (auto& byte : message) {
        byte = static_cast<std::uint8_t>(random());
    }
    const std::size_t pieceLimits[] = {1, 3, 63, 64, 65, 200, 5000};
    for (int round = 0; round < 60; ++round) {
        const std::size_t limit = pieceLimits[round % std::size(pieceLimits)];
        TSha1Context fast, reference;
        Sha1Init(fast);
        Sha1Init(reference);
        std::size_t at = 0;
        while (at < message.size()) {
            const std::size_t piece = std::min(
                message.size() - at, std::uniform_int_distribution<std::size_t>(0, limit)(random));
            Sha1Update(fast, message.data() + at, piece);
            ReferenceUpdate(reference, message.data() + at, piece);
            ASSERT_TRUE(SameBytes(fast, reference)) << "after " << at + piece << " bytes";
            at += piece;
        }
        TSha1Digest a, b;
        Sha1Final(fast, a);
        Sha1Final(reference, b);
        ASSERT_EQ(a, b);
    }
    TSha1Context one;
    Sha1Init(one);
    Sha1Update(one, message.data(), message.size());
    TSha1Digest whole;
    Sha1Final(one, whole);
    TSha1Context split;
    Sha1Init(split);
    Sha1Update(split, message.data(), 1000);
    Sha1Update(split, message.data() + 1000, 0);
    Sha1Update(split, message.data() + 1000, 4000);
    TSha1Digest pieces;
    Sha1Final(split, pieces);
    EXPECT_EQ(whole, pieces);
}

TEST(Sha1Test, BitLengthCarriesIntoHighHalf) {
    TSha1Context context;
    Sha1Init(context);
    context.LenLo = 0xFFFFFFF8u;
    const std::uint8_t byte = 'x';
    Sha1Update(context, &byte, 1);
    EXPECT_EQ(context.LenHi, 1u);
    EXPECT_EQ(context.LenLo, 0u);
}

TEST(Sha1Test, FinalWipesTheWholeContext) {
    for (const std::size_t length : {0, 20, 60, 64, 100}) {
        TSha1Context context;
        Sha1Init(context);
        const std::string message(length, 'q');
        Sha1Update(context, message.data(), message.size());
        TSha1Digest digest;
        Sha1Final(context, digest);
        TSha1Context zero;
        std::memset(&zero, 0, sizeof zero);
        EXPECT_TRUE(SameBytes(context, zero)) << length;
    }
}

TEST(Sha1Test, InstructionAndPortableCompressionAgree) {
    if (!sha1_detail::CpuHasShaInstructions()) {
        GTEST_SKIP() << "this CPU has no SHA instructions";
    }
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(64 * 300);
    for (auto& byte : data) {
        byte = static_cast<std::uint8_t>(random());
    }
    for (std::size_t blocks = 0; blocks <= 300; blocks += 13) {
        std::uint32_t portable[5], hardware[5];
        for (int i = 0; i < 5; ++i) {
            portable[i] = hardware[i] = static_cast<std::uint32_t>(random());
        }
        sha1_detail::CompressPortable(portable, data.data(), blocks);
        sha1_detail::CompressShaNi(hardware, data.data(), blocks);
        ASSERT_EQ(std::memcmp(portable, hardware, sizeof portable), 0) << blocks << " blocks";
    }
}

} // namespace
} // namespace morvane

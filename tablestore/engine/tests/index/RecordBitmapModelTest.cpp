// Model-based test of the record bitmap and its rank directory: random
// sets, runs of sets, clears, growths, shrinks and whole-bitmap operations against a
// std::vector<bool>, with every count, k-th bit, next and previous answer
// checked against a plain scan of the model - at sizes of 0, 1, 63, 64, 65
// bits, at block edges and across many blocks. Also checks that the
// instruction-based and the portable word counts agree.
#include "RecordBitmap.h"
#include "WordCount.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace tabula {
namespace {

// Reference: bit n - 1 of `bits` is record n.
struct TModel {
    std::vector<bool> bits;
};

// Every query at every position (and just outside the ends) agrees. The
// model's answers come from one pass over its bits (the positions of the
// set bits and a running count), so a check costs O(n) however it is built.
void ExpectAgrees(const TRecordBitmap& map, const TModel& model) {
    const auto size = static_cast<std::int32_t>(model.bits.size());
    std::vector<std::int32_t> ones; // the set positions, ascending
    for (std::int32_t i = 1; i <= size; ++i)
        if (model.bits[i - 1])
            ones.push_back(i);
    const auto count = static_cast<std::int64_t>(ones.size());
    // The k-th set position (1-based), 0 when there is none.
    const auto kth = [&](std::int64_t k) {
        return k >= 1 && k <= count ? ones[static_cast<std::size_t>(k - 1)] : 0;
    };
    ASSERT_EQ(map.PhysicalCount(), size);
    ASSERT_EQ(map.CountSet(), count);
    std::int64_t running = 0; // set positions <= n
    for (std::int32_t n = 0; n <= size + 1; ++n) {
        const std::int64_t before = running; // set positions <= n - 1
        if (n >= 1 && n <= size)
            running += model.bits[n - 1] ? 1 : 0;
        ASSERT_EQ(map.Test(n), n >= 1 && n <= size && model.bits[n - 1]) << n;
        ASSERT_EQ(map.CountSetUpTo(n), running) << n;
        ASSERT_EQ(map.NextSet(n), kth(before + 1)) << n;
        ASSERT_EQ(map.PrevSet(n), kth(running)) << n;
    }
    for (std::int64_t k = 0; k <= count + 1; ++k)
        ASSERT_EQ(map.SelectSet(k), kth(k)) << k;
}

void RandomRun(std::int32_t size, int steps, std::uint32_t seed) {
    std::mt19937 rng(seed);
    TRecordBitmap map;
    TModel model;
    map.Resize(size);
    model.bits.assign(static_cast<std::size_t>(size), false);
    for (int step = 0; step < steps; ++step) {
        const auto cur = static_cast<std::int32_t>(model.bits.size());
        const std::int32_t n = std::uniform_int_distribution<std::int32_t>(0, cur + 1)(rng);
        const int op = std::uniform_int_distribution<int>(0, 99)(rng);
        if (op < 40) {
            map.Set(n); // out-of-range numbers are ignored
            if (n >= 1 && n <= cur)
                model.bits[n - 1] = true;
        } else if (op < 45) {
            // A run of any length, short ones bit by bit, long ones by
            // words; the part outside the bitmap is ignored.
            const std::int32_t last =
                n + std::uniform_int_distribution<std::int32_t>(-1, op < 43 ? 70 : cur)(rng);
            map.SetRange(n, last);
            for (std::int32_t i = std::max(n, 1); i <= std::min(last, cur); ++i)
                model.bits[i - 1] = true;
        } else if (op < 85) {
            map.Clear(n);
            if (n >= 1 && n <= cur)
                model.bits[n - 1] = false;
        } else if (op < 93) {
            // Growth by one record, as an append does, or a jump past a block.
            const std::int32_t to = cur + (op < 90 ? 1 : 700);
            map.Resize(to);
            model.bits.resize(static_cast<std::size_t>(to), false);
        } else if (op < 95) {
            const std::int32_t to = cur / 2;
            map.Resize(to);
            model.bits.resize(static_cast<std::size_t>(to));
        } else if (op < 97) {
            map.Invert();
            model.bits.flip();
        } else if (op < 98) {
            map.SetAll();
            model.bits.assign(model.bits.size(), true);
        } else {
            TRecordBitmap other;
            other.Resize(cur);
            for (std::int32_t i = 1; i <= cur; i += 3)
                other.Set(i);
            const bool useAnd = op == 98;
            useAnd ? map.And(other) : map.Or(other);
            for (std::int32_t i = 1; i <= cur; ++i) {
                const bool o = (i - 1) % 3 == 0;
                model.bits[i - 1] = useAnd ? (model.bits[i - 1] && o) : (model.bits[i - 1] || o);
            }
        }
        if (step % 50 == 0 || size < 200)
            ExpectAgrees(map, model);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    ExpectAgrees(map, model);
}

TEST(RecordBitmapModelTest, SmallSizesAndWordEdges) {
    for (const std::int32_t size : {0, 1, 63, 64, 65, 127, 128, 129})
        RandomRun(size, 300, 17u + static_cast<std::uint32_t>(size));
}

TEST(RecordBitmapModelTest, BlockEdgesAndManyBlocks) {
    constexpr auto kBlockBits =
        static_cast<std::int32_t>(TRecordBitmap::kWordBits * TRecordBitmap::kWordsPerBlock);
    for (const std::int32_t size : {kBlockBits - 1, kBlockBits, kBlockBits + 1, 9 * kBlockBits + 5})
        RandomRun(size, 3000, 91u + static_cast<std::uint32_t>(size));
}

// Bits set exactly at and next to each block's first and last record, with
// the rest clear, so every answer must cross whole empty blocks.
TEST(RecordBitmapModelTest, SparseBitsAtBlockEdges) {
    constexpr auto kBlockBits =
        static_cast<std::int32_t>(TRecordBitmap::kWordBits * TRecordBitmap::kWordsPerBlock);
    const std::int32_t size = 20 * kBlockBits + 3;
    TRecordBitmap map;
    TModel model;
    map.Resize(size);
    model.bits.assign(static_cast<std::size_t>(size), false);
    for (std::int32_t b = 0; b < 20; b += 3)
        for (const std::int32_t n : {b * kBlockBits, b * kBlockBits + 1, (b + 1) * kBlockBits})
            if (n >= 1 && n <= size) {
                map.Set(n);
                model.bits[n - 1] = true;
            }
    ExpectAgrees(map, model);
    // Grow one record at a time across a block edge, as appends do.
    for (int i = 0; i < kBlockBits + 2; ++i) {
        map.Resize(map.PhysicalCount() + 1);
        model.bits.push_back(false);
        if (i % 7 == 0) {
            map.Set(map.PhysicalCount());
            model.bits.back() = true;
        }
    }
    ExpectAgrees(map, model);
}

TEST(RecordBitmapModelTest, HardwareAndPortableWordCountsAgree) {
    std::mt19937_64 rng(5);
    std::vector<std::uint64_t> words = {0, ~std::uint64_t{0}, 1, std::uint64_t{1} << 63};
    for (int i = 0; i < 2000; ++i)
        words.push_back(rng() & rng()); // varied densities
    std::int64_t expected = 0;
    for (const std::uint64_t w : words) {
        int bits = 0;
        for (int b = 0; b < 64; ++b)
            bits += static_cast<int>(w >> b & 1);
        expected += bits;
        ASSERT_EQ(word_count_detail::PortableCount(&w, 1), bits);
        ASSERT_EQ(CountWordBits(w), bits);
        if (word_count_detail::HardwareAvailable()) {
            ASSERT_EQ(word_count_detail::HardwareCount(&w, 1), bits);
        }
    }
    EXPECT_EQ(CountWordBits(words.data(), words.size()), expected);
}

} // namespace
} // namespace tabula

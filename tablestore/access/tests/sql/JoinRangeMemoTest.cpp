// TJoinRangeMemo: a run is found again by exactly the bytes of its key
// (keys differing in any one byte, the last included, are their own runs,
// through the table's growth), replays the images it was recorded with, and
// is gone after a walk that did not finish, after an overflow and after the
// cursor's generation moved.
#include "select/JoinRangeMemo.h"

#include <gtest/gtest.h>
#include <vector>

namespace tabula {
namespace {

constexpr std::size_t kImage = 6;
constexpr std::size_t kKey = 5;
constexpr std::uint64_t kGeneration = 7;

// A key of kKey bytes: indicator 1, then n spread over the value bytes with
// its low byte last, so that neighbouring keys differ in the last byte only.
std::vector<std::uint8_t> Key(unsigned n) {
    return {1, static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
            static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
}

std::vector<std::uint8_t> Image(unsigned n, unsigned i) {
    return std::vector<std::uint8_t>(kImage, static_cast<std::uint8_t>(n * 3 + i));
}

// Records for key n a run of n % 3 images (an empty range is a run too).
void Record(TJoinRangeMemo& memo, unsigned n, bool complete = true) {
    memo.BeginRun(Key(n));
    for (unsigned i = 0; i < n % 3; ++i)
        memo.Add(Image(n, i));
    memo.EndRun(complete, kGeneration);
}

TEST(JoinRangeMemoTest, RunsAreFoundByEveryByteOfTheirKeyThroughGrowth) {
    TJoinRangeMemo memo(kImage, kKey);
    memo.Validate(kGeneration);
    constexpr unsigned kKeys = 700;
    for (unsigned n = 0; n < kKeys; n += 2)
        Record(memo, n);
    for (unsigned n = 0; n < kKeys; ++n) {
        const TJoinRangeMemo::TRun* run = memo.Find(Key(n));
        if (n % 2 != 0) {
            EXPECT_EQ(run, nullptr) << n;
            continue;
        }
        ASSERT_NE(run, nullptr) << n;
        ASSERT_EQ(run->count, n % 3) << n;
        for (unsigned i = 0; i < run->count; ++i) {
            const auto image = memo.Image(*run, i);
            EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.end()), Image(n, i)) << n;
        }
    }
    // A key of another width is never found.
    std::vector<std::uint8_t> longer = Key(2);
    longer.push_back(0);
    EXPECT_EQ(memo.Find(longer), nullptr);
    const std::vector<std::uint8_t> key = Key(2);
    EXPECT_EQ(memo.Find(std::span(key).first(kKey - 1)), nullptr);
}

TEST(JoinRangeMemoTest, UnfinishedOverflowingAndStaleRunsAreDropped) {
    TJoinRangeMemo memo(kImage, kKey);
    memo.Validate(kGeneration);
    Record(memo, 1);
    Record(memo, 2, false);
    EXPECT_NE(memo.Find(Key(1)), nullptr);
    EXPECT_EQ(memo.Find(Key(2)), nullptr);
    // The unfinished run left no images: the next run starts where it did.
    Record(memo, 5);
    ASSERT_NE(memo.Find(Key(5)), nullptr);
    EXPECT_EQ(memo.Find(Key(5))->first, 1u);
    // Read under another generation: not kept.
    memo.BeginRun(Key(8));
    memo.Add(Image(8, 0));
    memo.EndRun(true, kGeneration + 1);
    EXPECT_EQ(memo.Find(Key(8)), nullptr);
    // An image of another size ends the run's recording.
    memo.BeginRun(Key(11));
    memo.Add(std::vector<std::uint8_t>(kImage + 1, 0));
    memo.EndRun(true, kGeneration);
    EXPECT_EQ(memo.Find(Key(11)), nullptr);
    // Another generation drops every run.
    memo.Validate(kGeneration + 1);
    EXPECT_EQ(memo.Find(Key(1)), nullptr);
    EXPECT_EQ(memo.Find(Key(5)), nullptr);
}

} // namespace
} // namespace tabula

// TRecordNumberMap against a std::map model: entries stay reachable
// through growth and through erasures that shift probe runs back, and a
// scan that cycles record numbers through a fixed number of buffers keeps
// the map at that size.
#include "RecordNumberMap.h"

#include "RecordCache.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace tabula {
namespace {

TEST(RecordNumberMapTest, MatchesModelThroughGrowthAndErasure) {
    std::vector<TRecord> buffers(16);
    TRecordNumberMap map;
    std::map<std::int32_t, TRecord*> model;
    std::mt19937 random(7);
    // Numbers from a small range collide often, so erasures shift runs.
    std::uniform_int_distribution<std::int32_t> number(1, 400);
    std::uniform_int_distribution<int> action(0, 2);
    for (int step = 0; step < 20000; ++step) {
        const std::int32_t n = number(random);
        if (action(random) == 0) {
            map.Erase(n);
            model.erase(n);
        } else {
            TRecord* r = &buffers[static_cast<std::size_t>(step) % buffers.size()];
            map.Set(n, r);
            model[n] = r;
        }
        if (step % 997 == 0)
            for (std::int32_t k = 0; k <= 401; ++k) {
                const auto it = model.find(k);
                ASSERT_EQ(map.Find(k), it == model.end() ? nullptr : it->second) << k;
            }
    }
    EXPECT_EQ(map.Size(), model.size());
    map.Clear();
    EXPECT_EQ(map.Size(), 0u);
    EXPECT_EQ(map.Find(model.begin()->first), nullptr);
}

TEST(RecordNumberMapTest, NumberZeroIsNeverEntered) {
    TRecord r;
    TRecordNumberMap map;
    map.Set(0, &r);
    EXPECT_EQ(map.Size(), 0u);
    EXPECT_EQ(map.Find(0), nullptr);
    map.Erase(0);
    EXPECT_EQ(map.Size(), 0u);
}

TEST(RecordNumberMapTest, CacheCyclingRecordsFindsExactlyTheHeldOnes) {
    constexpr std::size_t kCapacity = 8;
    TRecordCache cache;
    cache.Configure(nullptr, 16, kCapacity, [](int code) { FAIL() << code; });
    for (std::int32_t n = 1; n <= 1000; ++n) {
        TRecord& r = cache.TakeForFill(n, {});
        EXPECT_EQ(cache.Find(n), &r);
        // The buffer that held n - kCapacity was recycled for n.
        if (n > static_cast<std::int32_t>(kCapacity)) {
            EXPECT_EQ(cache.Find(n - static_cast<std::int32_t>(kCapacity)), nullptr);
        }
        for (std::int32_t back = 1; back < static_cast<std::int32_t>(kCapacity) && back < n; ++back)
            ASSERT_NE(cache.Find(n - back), nullptr);
    }
    EXPECT_EQ(cache.Size(), kCapacity);
}

} // namespace
} // namespace tabula

// Index B+-tree and cursor against std::map, the in-memory lower bound.
//
// Both sides hold the same 1,000,000 keys (a presence byte and a 32-bit
// value encoded as the index stores it) mapped to record numbers. The index
// lives in an in-memory index file with its 31-page cache, so every cache
// miss reads and unpacks a page like a disk read would. Printed per phase:
// total time and time per operation for both, and the ratio.
//
// Usage: bench_index [key count]   (default 1000000)
#include "IndexCursor.h"
#include "IndexFile.h"
#include "IndexStorage.h"
#include "KeyBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <random>
#include <vector>

namespace {

using tabula::TIndexDescriptor;
using tabula::TIndexFile;
using tabula::TMemoryIndexStorage;
using Key = std::array<std::uint8_t, 5>;
using Clock = std::chrono::steady_clock;

Key MakeKey(std::int32_t value) {
    Key key{};
    key[0] = 1;
    tabula::TKeyBuilder::EncodeAutoIncrement(value, key.data() + 1);
    return key;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void Report(const char* phase, double oursSeconds, std::size_t oursOps, double mapSeconds,
            std::size_t mapOps) {
    const double ours = oursSeconds * 1e9 / static_cast<double>(oursOps);
    const double peer = mapSeconds * 1e9 / static_cast<double>(mapOps);
    std::printf("%-28s index %9.3f s %8.0f ns/op | std::map %9.3f s %8.0f ns/op (%zu ops) | "
                "x%.3g\n",
                phase, oursSeconds, ours, mapSeconds, peer, mapOps, ours / peer);
}

struct TIndexUnderTest {
    TMemoryIndexStorage storage;
    TIndexFile file;
    TIndexUnderTest() {
        file.Create(storage, "BENCH.IDX");
        TIndexDescriptor primary;
        primary.keyLength = 5;
        primary.fieldCount = 1;
        primary.fieldNumbers[0] = 1;
        file.DefinePrimaryIndex(primary);
    }
};

} // namespace

int main(int argc, char** argv) {
    const std::int32_t count = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1000000;
    std::vector<std::int32_t> values(static_cast<std::size_t>(count));
    std::iota(values.begin(), values.end(), 0);
    std::mt19937 rng(2024);
    std::vector<std::int32_t> shuffled = values;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    std::printf("bench_index: %d keys of 5 bytes; index file in memory, 31 cached pages\n", count);

    for (const bool ascending : {true, false}) {
        const std::vector<std::int32_t>& order = ascending ? values : shuffled;
        TIndexUnderTest index;
        auto start = Clock::now();
        for (std::int32_t v : order) {
            const Key key = MakeKey(v);
            index.file.InsertKey(0, key.data(), v + 1);
        }
        index.file.Commit(false);
        const double oursInsert = Seconds(start);
        index.file.Cursor().RecomputeRange(); // as the record manager does after appends
        std::map<Key, std::int32_t> map;
        start = Clock::now();
        for (std::int32_t v : order)
            map.emplace(MakeKey(v), v + 1);
        const double mapInsert = Seconds(start);
        Report(ascending ? "insert, ascending order" : "insert, random order", oursInsert,
               order.size(), mapInsert, order.size());
        if (ascending)
            continue;

        // Random find-key through the cursor.
        const std::size_t lookups = 200000;
        std::vector<std::int32_t> probes(lookups);
        for (auto& p : probes)
            p = static_cast<std::int32_t>(rng() % static_cast<unsigned>(count));
        tabula::TIndexCursor& cursor = index.file.Cursor();
        std::int64_t check = 0;
        start = Clock::now();
        for (std::int32_t p : probes) {
            const Key key = MakeKey(p);
            if (cursor.FindKey(key.data(), 5, false, false))
                check += cursor.CurrentRecordNumber();
        }
        const double oursFind = Seconds(start);
        std::int64_t mapCheck = 0;
        start = Clock::now();
        for (std::int32_t p : probes)
            mapCheck += map.find(MakeKey(p))->second;
        const double mapFind = Seconds(start);
        Report("find key, random", oursFind, lookups, mapFind, lookups);

        // Go to position: one descent through the subtree counts. std::map has
        // no ranks and must walk from the beginning, so it does fewer jumps.
        start = Clock::now();
        for (std::int32_t p : probes) {
            cursor.GotoPosition(p + 1);
            check += cursor.CurrentRecordNumber();
        }
        const double oursJump = Seconds(start);
        const std::size_t mapJumps = 20;
        start = Clock::now();
        for (std::size_t i = 0; i < mapJumps; ++i)
            mapCheck += std::next(map.begin(), probes[i])->second;
        const double mapJump = Seconds(start);
        Report("go to position, random", oursJump, lookups, mapJump, mapJumps);

        // A full step-through in key order.
        start = Clock::now();
        std::int64_t steps = 0;
        for (bool on = cursor.First(); on; on = cursor.Step(1) == 0)
            ++steps;
        const double oursWalk = Seconds(start);
        start = Clock::now();
        std::int64_t mapSteps = 0;
        for (const auto& entry : map)
            mapSteps += entry.second > 0 ? 1 : 0;
        const double mapWalk = Seconds(start);
        Report("step through all", oursWalk, static_cast<std::size_t>(steps), mapWalk,
               static_cast<std::size_t>(mapSteps));
        if (steps != count || mapSteps != count || check == 0 || mapCheck == 0) {
            std::fprintf(stderr, "bench_index: results disagree\n");
            return 1;
        }
    }
    return 0;
}

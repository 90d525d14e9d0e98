// Model-based test of the index B+-trees: random inserts and deletes against
// std::map (unique indexes) and std::multimap (non-unique indexes, whose keys
// end in the auto-increment suffix), in every leaf compression mode. Each
// operation's result is checked at once; every 1,000 steps the whole tree is
// checked against the model; commits, cache evictions and a reopen of the
// file in the middle and at the end are part of the run.
//
// MORVANE_BTREE_MODEL_STEPS overrides the steps per configuration (the
// default gives 120,000 steps over the six configurations).
#include "BTree.h"
#include "BTreeCheck.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexFile.h"
#include "IndexStorage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <set>
#include <vector>

namespace tabula {
namespace {

using Key = std::vector<std::uint8_t>;

struct TModelConfig {
    const char* name;
    int keyLength;
    std::uint8_t compression;
    bool unique;
    int valueSpread; // distinct values drawn from; small = many duplicates
};

void PrintTo(const TModelConfig& config, std::ostream* out) {
    *out << config.name;
}

int StepsPerConfig() {
    if (const char* env = std::getenv("MORVANE_BTREE_MODEL_STEPS"))
        return std::max(1000, std::atoi(env));
    return 20000;
}

// Keys shaped like real ones: a presence byte, a group byte, a long run shared
// by the group (so leading compression and the 255-byte cap of mode 3 matter),
// a short varying text and zero padding (so trailing compression matters).
class TKeyMaker {
public:
    TKeyMaker(int valueLength, int spread, std::uint32_t seed)
        : length_(valueLength), spread_(spread), rng_(seed) {}

    Key Value() {
        const int v = static_cast<int>(rng_() % static_cast<unsigned>(spread_));
        return ValueOf(v);
    }
    Key ValueOf(int v) const {
        Key key(static_cast<std::size_t>(length_), 0);
        key[0] = 1;
        if (length_ > 1)
            key[1] = static_cast<std::uint8_t>('A' + v % 4);
        const int shared = length_ / 2;
        for (int i = 2; i < shared && i < length_; ++i)
            key[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>('a' + (v % 4 + i) % 26);
        // The varying part: digits of v, as many as its length asks for.
        char digits[16];
        const int n = std::snprintf(digits, sizeof digits, "%d", v);
        const int width = 1 + (v * 7) % 6;
        for (int i = 0; i < width && shared + i < length_; ++i)
            key[static_cast<std::size_t>(shared + i)] =
                static_cast<std::uint8_t>(i < n ? digits[i] : 'x');
        return key;
    }
    std::mt19937& Rng() { return rng_; }

private:
    int length_;
    int spread_;
    std::mt19937 rng_;
};

Key Suffixed(const Key& value, std::int32_t autoInc) {
    Key key = value;
    const auto u = static_cast<std::uint32_t>(autoInc) ^ 0x80000000u;
    for (int i = 3; i >= 0; --i)
        key.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    return key;
}

class TModelRun {
public:
    explicit TModelRun(const TModelConfig& config)
        : config_(config), bytes_(std::make_shared<std::vector<std::uint8_t>>()),
          maker_(config.unique ? config.keyLength : config.keyLength - 4, config.valueSpread,
                 0xC0FFEEu + static_cast<std::uint32_t>(config.keyLength)) {
        storage_ = std::make_unique<TMemoryIndexStorage>(bytes_);
        file_ = std::make_unique<TIndexFile>();
        file_->Create(*storage_, "MODEL.IDX");
        TIndexDescriptor d;
        d.keyLength = static_cast<std::uint16_t>(config.keyLength);
        d.compression = config.compression;
        d.fieldCount = 1;
        d.fieldNumbers[0] = 1;
        if (config.unique) {
            file_->DefinePrimaryIndex(d);
            index_ = 0;
        } else {
            file_->DefinePrimaryIndex(TIndexDescriptor{});
            d.name = "ByValue";
            d.unique = false;
            file_->AddSecondaryIndex(d);
            index_ = 1;
        }
    }

    TBTree& Tree() { return file_->Tree(index_); }

    void Reopen() {
        file_->Commit(false);
        file_->Close();
        storage_ = std::make_unique<TMemoryIndexStorage>(bytes_);
        file_ = std::make_unique<TIndexFile>();
        file_->Open(*storage_, "MODEL.IDX", true, false);
    }

    // The model's entries in index order.
    std::vector<std::pair<Key, std::int32_t>> Ordered() const {
        std::vector<std::pair<Key, std::int32_t>> out;
        if (config_.unique)
            for (const auto& [k, r] : unique_)
                out.emplace_back(k, r);
        else
            for (const auto& [v, sr] : multi_)
                out.emplace_back(Suffixed(v, sr.first), sr.second);
        return out;
    }
    std::size_t ModelSize() const { return config_.unique ? unique_.size() : multi_.size(); }

    void Step(bool insert) {
        if (insert)
            config_.unique ? InsertUnique() : InsertMulti();
        else
            config_.unique ? DeleteUnique() : DeleteMulti();
        ASSERT_EQ(Tree().EntryCount(), static_cast<std::int64_t>(ModelSize()));
    }

    void InsertUnique() { InsertUniqueKey(maker_.Value()); }

    void InsertUniqueKey(const Key& key) {
        const std::int32_t recno = ++counter_;
        if (unique_.count(key)) {
            try {
                file_->CheckUnique(index_, key.data());
                FAIL() << "duplicate key accepted";
            } catch (const ETabulaEngineError& e) {
                ASSERT_EQ(e.Code(), kErrDuplicateKey);
            }
            return;
        }
        file_->CheckUnique(index_, key.data());
        const TBTree::TLocation at = file_->InsertKey(index_, key.data(), recno);
        unique_[key] = recno;
        ASSERT_NO_FATAL_FAILURE(CheckInserted(at, key, recno));
        std::int32_t found = 0;
        ASSERT_TRUE(Tree().FindExact(key.data(), &found));
        ASSERT_EQ(found, recno);
    }

    void DeleteUnique() {
        Key key;
        if (!unique_.empty() && maker_.Rng()() % 5 != 0) {
            auto it = unique_.begin();
            std::advance(it, static_cast<long>(maker_.Rng()() % unique_.size()));
            key = it->first;
        } else {
            key = maker_.Value();
        }
        const bool present = unique_.count(key) != 0;
        try {
            file_->DeleteKey(index_, key.data());
            ASSERT_TRUE(present) << "absent key deleted";
        } catch (const ETabulaEngineError& e) {
            ASSERT_FALSE(present) << "present key not deleted";
            ASSERT_EQ(e.Code(), kErrKeyNotFound);
            return;
        }
        unique_.erase(key);
        ASSERT_FALSE(Tree().FindExact(key.data()));
    }

    void InsertMulti() { InsertMultiValue(maker_.Value()); }

    void InsertMultiValue(const Key& value) {
        const std::int32_t autoInc = ++counter_;
        const Key key = Suffixed(value, autoInc);
        const TBTree::TLocation at = file_->InsertKey(index_, key.data(), autoInc * 3);
        multi_.emplace(value, std::make_pair(autoInc, autoInc * 3));
        ASSERT_NO_FATAL_FAILURE(CheckInserted(at, key, autoInc * 3));
        std::int32_t found = 0;
        ASSERT_TRUE(Tree().FindExact(key.data(), &found));
        ASSERT_EQ(found, autoInc * 3);
    }

    void DeleteMulti() {
        if (multi_.empty() || maker_.Rng()() % 10 == 0) {
            const Key absent = Suffixed(maker_.Value(), counter_ + 1);
            try {
                file_->DeleteKey(index_, absent.data());
                FAIL() << "absent key deleted";
            } catch (const ETabulaEngineError& e) {
                ASSERT_EQ(e.Code(), kErrKeyNotFound);
            }
            return;
        }
        auto it = multi_.begin();
        std::advance(it, static_cast<long>(maker_.Rng()() % multi_.size()));
        const Key key = Suffixed(it->first, it->second.first);
        file_->DeleteKey(index_, key.data());
        multi_.erase(it);
        ASSERT_FALSE(Tree().FindExact(key.data()));
    }

    void Insert(const Key& value) {
        config_.unique ? InsertUniqueKey(value) : InsertMultiValue(value);
    }
    Key MakeValue() { return maker_.Value(); }

    // An insert reports where its entry went (a cursor is put there without
    // a search): that place must hold the key and record at the key's rank,
    // whatever splits the insert caused.
    void CheckInserted(const TBTree::TLocation& at, const Key& key, std::int32_t recno) {
        Key stored(key.size());
        std::int32_t found = 0;
        ASSERT_NE(at.page, 0);
        Tree().ReadEntry(at, stored.data(), &found);
        ASSERT_EQ(stored, key);
        ASSERT_EQ(found, recno);
        ASSERT_EQ(at.position, Tree().LowerBound(key.data()).position);
    }

    // The whole structure against the model.
    void CheckAll() {
        // Every page of the file is in a tree or on a free chain, once.
        const TBTreeCheckResult whole = TBTreeCheck::CheckFile(*file_);
        ASSERT_TRUE(whole.Ok()) << whole.problems.front();
        const TBTreeCheckResult r = TBTreeCheck::Check(Tree());
        maxDepth_ = std::max(maxDepth_, r.depth);
        const auto model = Ordered();
        ASSERT_EQ(r.entries, static_cast<std::int64_t>(model.size()));
        // Walk the leaf chain: keys and record numbers in model order.
        TBTree::TLocation at = Tree().First();
        Key key(static_cast<std::size_t>(config_.keyLength));
        for (std::size_t rank = 0; rank < model.size(); ++rank) {
            ASSERT_NE(at.page, 0);
            ASSERT_EQ(at.position, static_cast<std::int64_t>(rank + 1));
            std::int32_t recno = 0;
            Tree().ReadEntry(at, key.data(), &recno);
            ASSERT_EQ(key, model[rank].first) << "rank " << rank;
            ASSERT_EQ(recno, model[rank].second);
            if (rank + 1 < model.size()) {
                ASSERT_TRUE(Tree().Next(at));
            }
        }
        if (!model.empty()) {
            ASSERT_FALSE(Tree().Next(at));
        }
        // Every position from a descent equals the model's rank, both ways.
        for (std::size_t rank = 0; rank < model.size(); ++rank) {
            const Key& k = model[rank].first;
            ASSERT_EQ(Tree().LowerBound(k.data()).position, static_cast<std::int64_t>(rank + 1));
            ASSERT_EQ(Tree().LastNotAbove(k.data()).position, static_cast<std::int64_t>(rank + 1));
            const TBTree::TLocation p = Tree().AtPosition(static_cast<std::int64_t>(rank + 1));
            std::int32_t recno = 0;
            Tree().ReadEntry(p, key.data(), &recno);
            ASSERT_EQ(key, k);
        }
    }

    int MaxDepth() const { return maxDepth_; }
    TIndexFile& File() { return *file_; }

private:
    TModelConfig config_;
    std::shared_ptr<std::vector<std::uint8_t>> bytes_;
    std::unique_ptr<TMemoryIndexStorage> storage_;
    std::unique_ptr<TIndexFile> file_;
    TKeyMaker maker_;
    int index_ = 0;
    int maxDepth_ = 0;
    std::int32_t counter_ = 0;
    std::map<Key, std::int32_t> unique_;
    std::multimap<Key, std::pair<std::int32_t, std::int32_t>> multi_; // value -> (autoinc, recno)
};

class BTreeModel : public ::testing::TestWithParam<TModelConfig> {};

TEST_P(BTreeModel, RandomInsertsAndDeletesMatchTheModel) {
    const TModelConfig& config = GetParam();
    TModelRun run(config);
    const int steps = StepsPerConfig();
    std::mt19937 rng(12345u + config.keyLength);
    std::size_t peak = 0;
    for (int step = 1; step <= steps; ++step) {
        // Phases of growth and shrinkage, so that splits, merges,
        // redistribution and root collapse all happen repeatedly.
        const int phase = (step / 2500) % 4;
        const unsigned insertPercent = phase == 0 ? 75 : phase == 1 ? 55 : phase == 2 ? 30 : 60;
        ASSERT_NO_FATAL_FAILURE(run.Step(rng() % 100 < insertPercent)) << "step " << step;
        peak = std::max(peak, run.ModelSize());
        if (step % 1000 == 0) {
            ASSERT_NO_FATAL_FAILURE(run.CheckAll()) << "step " << step;
            if (step % 4000 == 0)
                run.File().Commit(false);
        }
        if (step == steps / 2) {
            ASSERT_NO_FATAL_FAILURE(run.Reopen());
            ASSERT_NO_FATAL_FAILURE(run.CheckAll()) << "after reopening";
        }
    }
    ASSERT_NO_FATAL_FAILURE(run.CheckAll());
    ASSERT_NO_FATAL_FAILURE(run.Reopen());
    ASSERT_NO_FATAL_FAILURE(run.CheckAll()) << "after the final reopen";
    EXPECT_GT(peak, 500u);
    // The run must have grown real trees, not a single leaf.
    EXPECT_GE(run.MaxDepth(), config.keyLength >= 200 ? 3 : 2);
    // Emptying by deletes collapses the tree back to no root at all.
    while (run.ModelSize() > 0)
        ASSERT_NO_FATAL_FAILURE(run.Step(false));
    ASSERT_NO_FATAL_FAILURE(run.CheckAll());
    EXPECT_TRUE(run.Tree().Empty());
}

// Keys arriving in order: ascending ones always fall after the last entry of
// every page on the rightmost path (the searches try that entry first), and
// descending ones always become the first entry of the tree (the parent keys
// are refreshed upward). Both split the same edge of the tree again and again.
TEST_P(BTreeModel, OrderedInsertsLandWhereReported) {
    const TModelConfig& config = GetParam();
    TModelRun run(config);
    std::vector<Key> values;
    for (int i = 0; i < 3000; ++i)
        values.push_back(run.MakeValue());
    std::sort(values.begin(), values.end());
    if (config.unique) // repeated values of a non-unique index differ by suffix
        values.erase(std::unique(values.begin(), values.end()), values.end());
    const std::size_t middle = values.size() / 2;
    for (std::size_t i = middle; i < values.size(); ++i)
        ASSERT_NO_FATAL_FAILURE(run.Insert(values[i])) << "ascending " << i;
    for (std::size_t i = middle; i-- > 0;)
        ASSERT_NO_FATAL_FAILURE(run.Insert(values[i])) << "descending " << i;
    ASSERT_NO_FATAL_FAILURE(run.CheckAll());
    EXPECT_GE(run.MaxDepth(), 2);
}

// A full leaf root (226 entries of 12 bytes) takes one more key at each
// possible place and splits into 114 and 113 entries: the reported place
// must follow the new entry into whichever half it went, including the
// boundary where it becomes the first entry of the new right page.
TEST(BTreeInsert, EveryPlaceInASplittingLeafIsReported) {
    const TModelConfig config{"UniqueShortPlain", 12, 0, true, 4000};
    auto keyOf = [](int v) {
        Key key(12, 0);
        key[0] = 1;
        key[1] = static_cast<std::uint8_t>(v >> 8);
        key[2] = static_cast<std::uint8_t>(v & 0xFF);
        return key;
    };
    for (int place = 0; place <= 226; ++place) {
        TModelRun run(config);
        for (int i = 1; i <= 226; ++i)
            ASSERT_NO_FATAL_FAILURE(run.Insert(keyOf(2 * i)));
        ASSERT_EQ(run.Tree().FetchPage(run.Tree().Root())->Count(), 226);
        ASSERT_NO_FATAL_FAILURE(run.Insert(keyOf(2 * place + 1))) << "place " << place;
        ASSERT_NO_FATAL_FAILURE(run.CheckAll()) << "place " << place;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, BTreeModel,
    ::testing::Values(TModelConfig{"UniqueShortPlain", 12, 0, true, 4000},
                      TModelConfig{"UniqueLongPlain", 300, 0, true, 3000},
                      TModelConfig{"NonUniqueLeading", 40, 1, false, 300},
                      TModelConfig{"NonUniqueTrailing", 160, 2, false, 200},
                      TModelConfig{"UniqueBoth", 120, 3, true, 3000},
                      TModelConfig{"NonUniqueBothLongPrefix", 540, 3, false, 100}),
    [](const ::testing::TestParamInfo<TModelConfig>& info) { return info.param.name; });

} // namespace
} // namespace tabula

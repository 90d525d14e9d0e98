// Bulk-loaded B+-trees against trees built by inserts of the same entries:
// random key sets from empty to several levels, in every leaf compression
// mode, must give the same entries in order, the same ranks and lookups,
// and both must pass the structure check, before and after a reopen. A
// bulk-loaded tree must then take random inserts and deletes like any
// other; bad input must be refused without touching the tree; and an index
// whose inserts are deferred must come out sorted at its first use.
#include "BTree.h"
#include "BTreeCheck.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexFile.h"
#include "IndexStorage.h"

#include <algorithm>
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

struct TBulkConfig {
    const char* name;
    int keyLength;
    std::uint8_t compression;
};

void PrintTo(const TBulkConfig& config, std::ostream* out) {
    *out << config.name;
}

// One index file in memory with a single unique primary index.
class TTreeFile {
public:
    explicit TTreeFile(const TBulkConfig& config)
        : bytes_(std::make_shared<std::vector<std::uint8_t>>()) {
        storage_ = std::make_unique<TMemoryIndexStorage>(bytes_);
        file_ = std::make_unique<TIndexFile>();
        file_->Create(*storage_, "BULK.IDX");
        TIndexDescriptor d;
        d.keyLength = static_cast<std::uint16_t>(config.keyLength);
        d.compression = config.compression;
        d.fieldCount = 1;
        d.fieldNumbers[0] = 1;
        file_->DefinePrimaryIndex(d);
    }
    TIndexFile& File() { return *file_; }
    TBTree& Tree() { return file_->Tree(kIndex); }

    void Reopen() {
        file_->Commit(false);
        file_->Close();
        storage_ = std::make_unique<TMemoryIndexStorage>(bytes_);
        file_ = std::make_unique<TIndexFile>();
        file_->Open(*storage_, "BULK.IDX", true, false);
    }

    static constexpr int kIndex = indexfmt::kPrimaryIndex;

private:
    std::shared_ptr<std::vector<std::uint8_t>> bytes_;
    std::unique_ptr<TMemoryIndexStorage> storage_;
    std::unique_ptr<TIndexFile> file_;
};

// Distinct random keys with long shared runs and zero tails, so that both
// leading and trailing compression take effect; record numbers are random.
std::map<Key, std::int32_t> RandomEntries(std::size_t count, int keyLength, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::map<Key, std::int32_t> out;
    while (out.size() < count) {
        Key key(static_cast<std::size_t>(keyLength), 0);
        key[0] = 1;
        const int used = std::max(1, keyLength - static_cast<int>(rng() % 4));
        for (int i = 1; i < used; ++i)
            key[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(i < keyLength / 2 ? 'a' + rng() % 2 : rng() % 256);
        out.emplace(std::move(key), static_cast<std::int32_t>(1 + rng() % 1000000));
    }
    return out;
}

std::vector<TBTree::TBulkEntry> BulkEntries(const std::map<Key, std::int32_t>& entries) {
    std::vector<TBTree::TBulkEntry> out;
    for (const auto& [key, recno] : entries)
        out.push_back({key.data(), recno});
    return out;
}

std::vector<std::pair<Key, std::int32_t>> Walk(TBTree& tree) {
    std::vector<std::pair<Key, std::int32_t>> out;
    const int length = tree.KeyLength();
    tree.Visit(tree.First(), tree.EntryCount(), [&](const std::uint8_t* key, std::int32_t recno) {
        out.emplace_back(Key(key, key + length), recno);
    });
    return out;
}

void ExpectSound(TTreeFile& file, const char* which) {
    const TBTreeCheckResult one = TBTreeCheck::Check(file.Tree());
    EXPECT_TRUE(one.Ok()) << which << ": " << (one.problems.empty() ? "" : one.problems.front());
    const TBTreeCheckResult whole = TBTreeCheck::CheckFile(file.File());
    EXPECT_TRUE(whole.Ok()) << which << ": "
                            << (whole.problems.empty() ? "" : whole.problems.front());
}

// Both trees hold exactly `model`, in order, at the same ranks.
void ExpectSameAs(TTreeFile& bulk, TTreeFile& inserted, const std::map<Key, std::int32_t>& model) {
    ExpectSound(bulk, "bulk");
    ExpectSound(inserted, "inserted");
    const std::vector<std::pair<Key, std::int32_t>> expected(model.begin(), model.end());
    ASSERT_EQ(Walk(bulk.Tree()), expected);
    ASSERT_EQ(Walk(inserted.Tree()), expected);
    ASSERT_EQ(bulk.Tree().EntryCount(), static_cast<std::int64_t>(model.size()));
    std::int64_t rank = 0;
    Key stored(static_cast<std::size_t>(bulk.Tree().KeyLength()));
    for (const auto& [key, recno] : model) {
        ++rank;
        std::int32_t found = 0;
        ASSERT_TRUE(bulk.Tree().FindExact(key.data(), &found));
        ASSERT_EQ(found, recno);
        const TBTree::TLocation lower = bulk.Tree().LowerBound(key.data());
        ASSERT_EQ(lower.position, rank);
        ASSERT_EQ(lower.position, inserted.Tree().LowerBound(key.data()).position);
        ASSERT_EQ(bulk.Tree().LastNotAbove(key.data()).position, rank);
        const TBTree::TLocation at = bulk.Tree().AtPosition(rank);
        bulk.Tree().ReadEntry(at, stored.data(), &found);
        ASSERT_EQ(stored, key) << "rank " << rank;
    }
    // Ranks from the end, the way a backward walk meets them.
    TBTree::TLocation last = bulk.Tree().Last();
    ASSERT_EQ(last.position, static_cast<std::int64_t>(model.size()));
    for (auto it = model.rbegin(); it != model.rend(); ++it) {
        bulk.Tree().ReadEntry(last, stored.data(), nullptr);
        ASSERT_EQ(stored, it->first);
        if (std::next(it) != model.rend()) {
            ASSERT_TRUE(bulk.Tree().Prev(last));
        }
    }
}

class BTreeBulkLoad : public ::testing::TestWithParam<TBulkConfig> {};

TEST_P(BTreeBulkLoad, EqualsAnInsertBuiltTreeForEverySize) {
    const TBulkConfig config = GetParam();
    const std::size_t leaf = static_cast<std::size_t>(indexfmt::LeafCapacity(config.keyLength));
    const std::size_t inner = static_cast<std::size_t>(indexfmt::InnerCapacity(config.keyLength));
    // Empty, one entry, one full leaf and one more, and enough for three
    // levels (more than an inner page of full leaves; compressed leaves
    // hold several times as many).
    const std::size_t packing = config.compression == indexfmt::kCompressNone ? 1 : 4;
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, leaf, leaf + 1, leaf * (inner + 2) * packing + 7}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const auto model = RandomEntries(size, config.keyLength, 17u + static_cast<unsigned>(size));
        TTreeFile bulk(config), inserted(config);
        bulk.Tree().BulkLoad(BulkEntries(model));
        // Insert in a shuffled order: the content, not the history, counts.
        std::vector<std::pair<Key, std::int32_t>> shuffled(model.begin(), model.end());
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
        for (const auto& [key, recno] : shuffled)
            inserted.Tree().Insert(key.data(), recno);
        ASSERT_NO_FATAL_FAILURE(ExpectSameAs(bulk, inserted, model));
        if (size > leaf * inner * packing) {
            EXPECT_GE(TBTreeCheck::Check(bulk.Tree()).depth, 3);
        }
        bulk.Reopen();
        inserted.Reopen();
        ASSERT_NO_FATAL_FAILURE(ExpectSameAs(bulk, inserted, model)) << "after reopening";
    }
}

TEST_P(BTreeBulkLoad, TakesInsertsAndDeletesAfterwards) {
    const TBulkConfig config = GetParam();
    const std::size_t size =
        static_cast<std::size_t>(indexfmt::LeafCapacity(config.keyLength)) * 30;
    auto model = RandomEntries(size, config.keyLength, 99u);
    TTreeFile bulk(config), inserted(config);
    bulk.Tree().BulkLoad(BulkEntries(model));
    for (const auto& [key, recno] : model)
        inserted.Tree().Insert(key.data(), recno);
    // Fresh keys go in, present ones (half the tree, then nearly all) come
    // out, through splits of full pages and merges of emptied ones.
    const auto extra = RandomEntries(size, config.keyLength, 1234u);
    std::mt19937 rng(7);
    for (const auto& [key, recno] : extra) {
        if (model.count(key))
            continue;
        bulk.Tree().Insert(key.data(), recno);
        inserted.Tree().Insert(key.data(), recno);
        model.emplace(key, recno);
    }
    ASSERT_NO_FATAL_FAILURE(ExpectSameAs(bulk, inserted, model));
    std::vector<Key> keys;
    for (const auto& entry : model)
        keys.push_back(entry.first);
    std::shuffle(keys.begin(), keys.end(), rng);
    keys.resize(keys.size() - 3);
    for (const Key& key : keys) {
        bulk.Tree().Delete(key.data());
        inserted.Tree().Delete(key.data());
        model.erase(key);
    }
    ASSERT_NO_FATAL_FAILURE(ExpectSameAs(bulk, inserted, model));
}

// Record-number runs read from the leaves directly, as a read-ahead asks for
// them, against a walk that steps entry by entry; runs of every length, some
// crossing leaves, in both directions and with every kind of limit.
TEST_P(BTreeBulkLoad, ConsecutiveRefsMatchAnEntryByEntryWalk) {
    const TBulkConfig config = GetParam();
    const std::size_t size =
        static_cast<std::size_t>(indexfmt::LeafCapacity(config.keyLength)) * 6 + 5;
    const auto keyed = RandomEntries(size, config.keyLength, 41u);
    std::map<Key, std::int32_t> model;
    std::mt19937 rng(11);
    std::int32_t recno = 1;
    for (const auto& entry : keyed) {
        // Mostly the next number, sometimes a jump, a repeat or a step back.
        const std::uint32_t roll = rng() % 10;
        recno = roll < 7 ? recno + 1 : (roll == 7 ? recno + 5 : (roll == 8 ? recno : recno - 1));
        model.emplace(entry.first, std::max(1, recno));
    }
    TTreeFile file(config);
    file.Tree().BulkLoad(BulkEntries(model));
    const std::vector<std::pair<Key, std::int32_t>> entries(model.begin(), model.end());
    TBTree& tree = file.Tree();
    for (std::size_t i = 0; i < entries.size(); i += 1 + rng() % 7)
        for (const bool forward : {true, false})
            for (const int limit : {0, 1, 3, 1000}) {
                TBTree::TLocation at = tree.AtPosition(static_cast<std::int64_t>(i) + 1);
                const std::int32_t from = entries[i].second;
                int expected = 0;
                std::int32_t next = 0;
                TBTree::TLocation walk = at;
                while (expected < limit && (forward ? tree.Next(walk) : tree.Prev(walk))) {
                    tree.ReadEntry(walk, nullptr, &next);
                    if (next != from + (forward ? expected + 1 : -(expected + 1)))
                        break;
                    ++expected;
                }
                ASSERT_EQ(tree.ConsecutiveRefs(at, forward, from, limit), expected)
                    << "entry " << i << (forward ? " forward" : " backward") << ", limit " << limit;
            }
}

INSTANTIATE_TEST_SUITE_P(Configurations, BTreeBulkLoad,
                         ::testing::Values(TBulkConfig{"ShortPlain", 9, indexfmt::kCompressNone},
                                           TBulkConfig{"LongPlain", 200, indexfmt::kCompressNone},
                                           TBulkConfig{"Leading", 40, indexfmt::kCompressLeading},
                                           TBulkConfig{"Trailing", 40, indexfmt::kCompressTrailing},
                                           TBulkConfig{"Both", 300, indexfmt::kCompressBoth}),
                         [](const ::testing::TestParamInfo<TBulkConfig>& info) {
                             return info.param.name;
                         });

const TBulkConfig kPlain{"Plain", 12, indexfmt::kCompressNone};

// The call must fail with `code` and leave the tree as it was.
void ExpectRefused(TTreeFile& file, const std::vector<TBTree::TBulkEntry>& entries, int code) {
    const std::int64_t before = file.Tree().EntryCount();
    try {
        file.Tree().BulkLoad(entries);
        FAIL() << "bad input loaded";
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), code);
    }
    EXPECT_EQ(file.Tree().EntryCount(), before);
    ExpectSound(file, "refused");
}

TEST(BTreeBulkLoadInput, RefusesUnsortedDuplicateInputAndAFilledTree) {
    const auto model = RandomEntries(500, kPlain.keyLength, 3u);
    std::vector<TBTree::TBulkEntry> entries = BulkEntries(model);
    TTreeFile file(kPlain);

    std::vector<TBTree::TBulkEntry> swapped = entries;
    std::swap(swapped[200], swapped[201]);
    ExpectRefused(file, swapped, kErrIndexBuffersCorrupt);

    std::vector<TBTree::TBulkEntry> doubled = entries;
    doubled.insert(doubled.begin() + 300, doubled[299]);
    ExpectRefused(file, doubled, kErrDuplicateKey);

    file.Tree().BulkLoad(entries);
    ExpectRefused(file, entries, kErrIndexExists);
}

TEST(BTreeBulkLoadInput, DeferredInsertsComeOutSortedAtTheFirstUse) {
    const auto model = RandomEntries(3000, kPlain.keyLength, 11u);
    std::vector<std::pair<Key, std::int32_t>> shuffled(model.begin(), model.end());
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(2));
    TTreeFile file(kPlain), inserted(kPlain);
    file.File().DeferInserts(TTreeFile::kIndex);
    for (const auto& [key, recno] : shuffled) {
        file.File().InsertKey(TTreeFile::kIndex, key.data(), recno);
        inserted.Tree().Insert(key.data(), recno);
    }
    ASSERT_TRUE(file.File().Deferred(TTreeFile::kIndex));
    ASSERT_NO_FATAL_FAILURE(ExpectSameAs(file, inserted, model)); // Tree() builds it
    EXPECT_FALSE(file.File().Deferred(TTreeFile::kIndex));

    // From then on inserts reach the tree at once; a filled tree cannot
    // defer again.
    const Key extra(static_cast<std::size_t>(kPlain.keyLength), 0);
    file.File().InsertKey(TTreeFile::kIndex, extra.data(), 77);
    EXPECT_TRUE(file.Tree().FindExact(extra.data()));
    try {
        file.File().DeferInserts(TTreeFile::kIndex);
        FAIL() << "a filled tree deferred its inserts";
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), kErrIndexExists);
    }
}

TEST(BTreeBulkLoadInput, DeferredEntriesReachTheFileAtCommit) {
    const auto model = RandomEntries(800, kPlain.keyLength, 21u);
    TTreeFile file(kPlain), inserted(kPlain);
    file.File().DeferInserts(TTreeFile::kIndex);
    for (auto it = model.rbegin(); it != model.rend(); ++it) {
        file.File().InsertKey(TTreeFile::kIndex, it->first.data(), it->second);
        inserted.Tree().Insert(it->first.data(), it->second);
    }
    file.Reopen(); // commits, which builds the tree
    ASSERT_NO_FATAL_FAILURE(ExpectSameAs(file, inserted, model));
}

} // namespace
} // namespace tabula

// Multi-user behaviour of the record manager: two TDataFile objects on one
// table lock against each other exactly as two processes would (the locks
// belong to the open file handles), see each other's changes through the
// change counters, and StrictChangeDetection decides when they look.
#include "EngineCodes.h"
#include "TableTestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace tabula::tabletest {
namespace {

class TwoUsers : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        CreateTable(Shape(true));
        a_ = OpenTable(false);
        for (int i = 1; i <= 3; ++i)
            a_->AppendRecord(Row(*a_, i, "n" + std::to_string(i)));
    }
    std::unique_ptr<TDataFile> OpenSecond(bool strict) {
        auto t = std::make_unique<TDataFile>();
        t->SetFileName(TablePath());
        t->SetStrictChangeDetection(strict);
        t->SetLockRetryCount(2);
        t->SetLockWaitTime(5);
        t->Open();
        return t;
    }
    void Rename(TDataFile& t, std::int32_t id, const std::string& name) {
        t.GotoPosition(id);
        Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
        ASSERT_EQ(t.GetCurrentRecord(image, true), 0);
        t.UpdateRecord(Row(t, id, name), true);
    }
    std::string NameAt(TDataFile& t, std::int64_t position) {
        t.GotoPosition(position);
        Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
        EXPECT_EQ(t.GetCurrentRecord(image), 0);
        return NameOf(t, image);
    }
    std::unique_ptr<TDataFile> a_;
};

TEST_F(TwoUsers, RecordAndTableLocksExcludeEachOther) {
    auto b = OpenSecond(false);
    a_->LockRecord(2);
    EXPECT_TRUE(a_->RecordLocked(2));
    b->GotoPosition(2);
    EXPECT_EQ(CodeOf([&] { b->LockRecord(0); }), kErrRecordLocked);
    EXPECT_EQ(b->Locks().LastAttempts(), 3); // one attempt and LockRetryCount more
    // Neither a delete nor an update of the locked record gets through.
    EXPECT_EQ(CodeOf([&] { b->DeleteRecord(); }), kErrRecordLocked);
    EXPECT_EQ(CodeOf([&] { b->UpdateRecord(Row(*b, 2, "x")); }), kErrRecordLocked);
    EXPECT_EQ(b->RecordCount(), 3);
    EXPECT_EQ(CodeOf([&] { b->LockTable(); }), kErrTableLocked);
    a_->UnlockRecord(2);
    b->LockTable();
    EXPECT_EQ(CodeOf([&] { a_->LockRecord(1); }), kErrRecordLocked);
    b->UnlockTable();
    a_->LockRecord(1);
    a_->UnlockAllRecords();
    EXPECT_FALSE(a_->RecordLocked(1));
    // A lock held while the object closes is released with it.
    b->LockRecord(3);
    b->Close();
    a_->LockRecord(3);
}

TEST_F(TwoUsers, AppendsOfOneAreSeenByTheOther) {
    auto b = OpenSecond(false);
    EXPECT_EQ(Ids(*b), (std::vector<std::int32_t>{1, 2, 3}));
    a_->AppendRecord(Row(*a_, 4, "n4"));
    // b returns to the record it stood on after dropping its caches.
    b->GotoPosition(2);
    EXPECT_TRUE(b->BeginRead());
    b->EndRead();
    EXPECT_EQ(b->CurrentRecordNumber(), 2);
    EXPECT_EQ(b->RecordCount(), 4);
    EXPECT_EQ(Ids(*b), (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_FALSE(b->BeginRead());
    b->EndRead();
    // A slot b frees is reused by a's next append: both share one free chain.
    b->GotoPosition(1);
    b->DeleteRecord();
    a_->AppendRecord(Row(*a_, 5, "n5"));
    EXPECT_EQ(a_->CurrentRecordNumber(), 1);
    a_.reset();
    b.reset();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

TEST_F(TwoUsers, StrictChangeDetectionLooksBeforeEveryRead) {
    auto lax = OpenSecond(false);
    auto strict = OpenSecond(true);
    EXPECT_EQ(NameAt(*lax, 1), "n1");
    EXPECT_EQ(NameAt(*strict, 1), "n1");
    Rename(*a_, 1, "changed");
    // Without strict detection the cached record is served as it was ...
    EXPECT_EQ(NameAt(*lax, 1), "n1");
    // ... until the next read lock looks at the change counters.
    lax->Refresh();
    EXPECT_EQ(NameAt(*lax, 1), "changed");
    EXPECT_EQ(NameAt(*strict, 1), "changed");
    // Strict reads also see new index entries at once.
    a_->AppendRecord(Row(*a_, 0, "first"));
    EXPECT_EQ(NameAt(*strict, 1), "first");
    EXPECT_FALSE(strict->ReadHeld()); // each read released its lock
    // A read bracketed by the caller keeps its lock across reads.
    lax->BeginRead();
    EXPECT_EQ(NameAt(*lax, 2), "changed");
    EXPECT_TRUE(lax->ReadHeld());
    lax->EndRead();
    EXPECT_FALSE(lax->ReadHeld());
}

// A key lookup descends from the root, and the pages on its way come partly
// from this user's cache and partly from disk. When another user has split
// a leaf since, a cached parent names the old leaf while the row has moved to
// the new one: a lookup mixing the two misses a row that was there all along.
TEST_F(TwoUsers, KeyLookupAfterAnotherUsersSplitFindsEveryRow) {
    auto b = OpenSecond(false);
    for (std::int32_t id = 10; id <= 20000; id += 10)
        a_->AppendRecord(Row(*a_, id, "r"));
    Bytes image(static_cast<std::size_t>(b->RecordBufferSize()));
    Bytes key(static_cast<std::size_t>(b->IndexFile().KeyLength(0)));
    auto find = [&](std::int32_t id) {
        b->IndexFile().BuildKey(0, Row(*b, id, ""), key.data());
        return b->FindKey(key, static_cast<int>(key.size()));
    };
    // b looks at the table once, then caches the root and the first leaf only.
    b->Refresh();
    ASSERT_TRUE(find(10));
    // Keys just below the last row split the leaf it sits in, again and again.
    for (std::int32_t id = 19001; id < 20000; ++id)
        if (id % 10 != 0)
            a_->AppendRecord(Row(*a_, id, "s"));
    EXPECT_TRUE(find(20000));
    ASSERT_EQ(b->GetCurrentRecord(image), 0);
    EXPECT_EQ(IdOf(*b, image), 20000);
    EXPECT_TRUE(find(19999));
}

// Without strict change detection a user keeps index pages cached between
// operations. Positioning and stepping that reach a page missing from the
// cache must not combine it with cached pages that another user's splits
// have outdated: the operation starts again on fresh pages instead.
TEST_F(TwoUsers, PositionsAndStepsAfterAnotherUsersSplitsUseOneVersion) {
    auto b = OpenSecond(false);
    auto insert = [&](std::int32_t from, std::int32_t to, std::int32_t step) {
        for (std::int32_t id = from; id <= to; id += step)
            if (step != 1 || id % 10 != 0)
                a_->AppendRecord(Row(*a_, id, "r"));
    };
    insert(10, 20000, 10);
    Bytes image(static_cast<std::size_t>(b->RecordBufferSize()));
    // b caches the path to the first leaf, then a splits the leaves at the end.
    b->Refresh();
    b->GotoPosition(1);
    insert(19001, 19999, 1);
    auto fresh = OpenSecond(false);
    fresh->GotoPosition(1950);
    ASSERT_EQ(fresh->GetCurrentRecord(image), 0);
    const std::int32_t expected = IdOf(*fresh, image);
    EXPECT_EQ(expected, 19047);
    b->GotoPosition(1950);
    ASSERT_EQ(b->GetCurrentRecord(image), 0);
    EXPECT_EQ(IdOf(*b, image), expected);

    // A scan that starts on cached pages and steps onto split ones.
    b->GotoFirst();
    ASSERT_EQ(b->NextRecord(image), 0);
    insert(15001, 15999, 1);
    std::vector<std::int32_t> ids;
    while (b->NextRecord(image) == 0)
        ids.push_back(IdOf(*b, image));
    ASSERT_FALSE(ids.empty());
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(ids.back(), 20000);
    EXPECT_EQ(std::count_if(ids.begin(), ids.end(),
                            [](std::int32_t id) { return id > 15000 && id < 16000; }),
              999);
    EXPECT_EQ(static_cast<std::int64_t>(ids.size()) + 1, b->RecordCount());
}

TEST_F(TwoUsers, AWriterHoldsReadersOffUntilItEnds) {
    auto b = OpenSecond(false);
    a_->BeginWrite();
    std::atomic<bool> done{false};
    std::thread reader([&] {
        b->BeginRead();
        done = true;
        b->EndRead();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_FALSE(done.load());
    a_->EndWrite();
    reader.join();
    EXPECT_TRUE(done.load());
}

TEST_F(TwoUsers, ExclusiveAndSharedOpensExcludeEachOther) {
    EXPECT_EQ(CodeOf([&] { OpenTable(true); }), kErrAccessDenied);
    a_.reset();
    auto exclusive = OpenTable(true);
    EXPECT_EQ(CodeOf([&] { OpenSecond(false); }), kErrAccessDenied);
    EXPECT_EQ(CodeOf([&] { exclusive->EmptyTable(); }), 0);
    exclusive.reset();
    auto shared = OpenSecond(false);
    EXPECT_EQ(CodeOf([&] { shared->EmptyTable(); }), kErrMustBeExclusive);
    EXPECT_EQ(shared->RecordCount(), 0);
}

TEST_F(TwoUsers, SharedModificationsAreOnDiskWhenTheyReturn) {
    a_->AppendRecord(Row(*a_, 7, "seven"));
    // A fresh reader opened while a_ stays open finds everything.
    auto b = OpenSecond(false);
    EXPECT_EQ(Ids(*b), (std::vector<std::int32_t>{1, 2, 3, 7}));
    EXPECT_EQ(TTableVerifier::Verify(*b).findings, std::vector<std::string>{});
}

} // namespace
} // namespace tabula::tabletest

// The lock protocol between handles of one process: record against table
// locks with the default retry rules, read and write locks, the rollback
// of a partly obtained write set, and in-memory tables.
#include "LockProtocol.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FileHandler.h"
#include "FileTestSupport.h"
#include "LockLayout.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace tabula {
namespace {

using filetest::CodeOf;

using Clock = std::chrono::steady_clock;
using filetest::ScratchDirTest;

// Few, short retries for the cases that are expected to fail.
TLockTiming Quick() {
    TLockTiming t;
    t.LockRetryCount = 2;
    t.LockWaitTime = 5;
    t.InternalAttempts = 3;
    t.InternalWaitMs = 1;
    return t;
}

class LockProtocolTest : public ScratchDirTest {
protected:
    std::unique_ptr<TFileHandler> Shared(const std::string& name, bool inMemory = false) {
        auto h = std::make_unique<TFileHandler>(inMemory ? name : Path(name));
        h->SetInMemory(inMemory);
        if (!h->Exists()) {
            TFileHandler c(h->FileName());
            c.SetInMemory(inMemory);
            c.SetExclusive(true);
            c.Create();
        }
        h->Open();
        return h;
    }
};

TEST_F(LockProtocolTest, TableLockBlocksRecordLockWithDefaultRetries) {
    auto first = Shared("T.DAT");
    auto second = Shared("T.DAT");
    TLockProtocol a, b;
    a.LockTable(*first);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(CodeOf([&] { b.LockRecord(*second, 42); }), kErrRecordLocked);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_EQ(b.LastAttempts(), 16);
    EXPECT_GE(waited.count(), 1400);

    // Once the table lock is gone the record lock is had at the first try.
    EXPECT_TRUE(a.UnlockTable(*first));
    b.LockRecord(*second, 42);
    EXPECT_EQ(b.LastAttempts(), 1);
    // Another record is free; the same one is not.
    TLockProtocol quick(Quick());
    quick.LockRecord(*first, 43);
    EXPECT_EQ(CodeOf([&] { quick.LockRecord(*first, 42); }), kErrRecordLocked);
    EXPECT_EQ(quick.LastAttempts(), 3);
    EXPECT_EQ(CodeOf([&] { quick.LockTable(*first); }), kErrTableLocked);
    EXPECT_FALSE(quick.UnlockRecord(*first, 42));
    EXPECT_TRUE(b.UnlockRecord(*second, 42));
    EXPECT_TRUE(quick.UnlockRecord(*first, 43));
    quick.LockTable(*first);

    // Record numbers outside the lockable range are refused at once.
    EXPECT_EQ(CodeOf([&] { quick.LockRecord(*second, 0); }), kErrRecordLocked);
    EXPECT_EQ(CodeOf([&] { quick.LockRecord(*second, kMaxLockableRecord + 1); }), kErrRecordLocked);
    EXPECT_EQ(quick.LastAttempts(), 0);
}

TEST_F(LockProtocolTest, ReadersShareWritersExclude) {
    auto reader1 = Shared("T.IDX");
    auto reader2 = Shared("T.IDX");
    auto writer = Shared("T.IDX");
    TLockProtocol p(Quick());
    std::int64_t r1 = p.ReadLock(*reader1);
    std::int64_t r2 = p.ReadLock(*reader2);
    EXPECT_GE(r1, kWriteLockOffset);
    EXPECT_LT(r1, kHeaderLockOffset);
    EXPECT_EQ(CodeOf([&] { p.WriteLock(*writer); }), kErrLockFailure);
    EXPECT_TRUE(p.ReadUnlock(*reader1, r1));
    EXPECT_EQ(CodeOf([&] { p.WriteLock(*writer); }), kErrLockFailure);
    EXPECT_TRUE(p.ReadUnlock(*reader2, r2));
    p.WriteLock(*writer);
    EXPECT_EQ(CodeOf([&] { p.ReadLock(*reader1); }), kErrLockFailure);
    EXPECT_EQ(p.LastAttempts(), 3);

    // A reader waiting on the writer proceeds once the writer lets go.
    TLockProtocol patient;
    std::int64_t got = 0;
    std::thread waiting([&] { got = patient.ReadLock(*reader1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(p.WriteUnlock(*writer));
    waiting.join();
    EXPECT_NE(got, 0);
}

TEST_F(LockProtocolTest, FailedWriteSetHoldsNothing) {
    auto data = Shared("T.DAT");
    auto index = Shared("T.IDX");
    auto blob = Shared("T.BLB");
    auto otherBlob = Shared("T.BLB");
    TLockProtocol p(Quick());
    p.WriteLock(*otherBlob);
    EXPECT_EQ(CodeOf([&] { p.BeginWriteLocks(*data, *index, blob.get()); }), kErrLockFailure);

    // The header and index write locks of the failed attempt were released.
    auto otherData = Shared("T.DAT");
    auto otherIndex = Shared("T.IDX");
    p.LockHeader(*otherData);
    p.WriteLock(*otherIndex);
    EXPECT_TRUE(p.UnlockHeader(*otherData));
    EXPECT_TRUE(p.WriteUnlock(*otherIndex));
    EXPECT_TRUE(p.WriteUnlock(*otherBlob));

    p.BeginWriteLocks(*data, *index, blob.get());
    EXPECT_EQ(CodeOf([&] { p.BeginReadLocks(*otherData, *otherIndex, nullptr); }), kErrLockFailure);
    EXPECT_TRUE(p.EndWriteLocks(*data, *index, blob.get()));
    TReadLocks held = p.BeginReadLocks(*otherData, *otherIndex, otherBlob.get());
    EXPECT_TRUE(p.EndReadLocks(*otherIndex, otherBlob.get(), held));

    // The error names the table, not the index file.
    try {
        p.WriteLock(*index);
        p.WriteLock(*otherIndex, data->FileName());
        FAIL();
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Text(), "General lock failure with data file " + data->FileName());
    }
}

TEST_F(LockProtocolTest, ExclusiveTablesTakeNoLocks) {
    TFileHandler h(Path("X.DAT"));
    h.SetExclusive(true);
    h.Create();
    TLockProtocol p;
    p.LockTable(h);
    p.LockRecord(h, 1);
    EXPECT_EQ(p.LastAttempts(), 0);
    EXPECT_TRUE(h.Lock(kTableLockOffset, kTableLockLength)) << "nothing was placed";
}

TEST_F(LockProtocolTest, InMemoryTablesLockAlike) {
    auto first = Shared("MEM.DAT", true);
    auto second = Shared("MEM.DAT", true);
    TLockProtocol p(Quick());
    p.LockRecord(*first, 9);
    EXPECT_EQ(CodeOf([&] { p.LockTable(*second); }), kErrTableLocked);
    EXPECT_EQ(p.LastAttempts(), 3);
    EXPECT_TRUE(p.UnlockRecord(*first, 9));
    p.LockTable(*second);
    EXPECT_EQ(CodeOf([&] { p.LockRecord(*first, 9); }), kErrRecordLocked);
}

} // namespace
} // namespace tabula

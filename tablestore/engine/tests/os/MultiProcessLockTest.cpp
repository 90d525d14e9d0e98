// The lock protocol and the sharing modes between processes. Each peer is a
// forked child that opens its own handles (a fresh open file description),
// reports through a pipe and holds its locks until released.
#include "EngineCodes.h"
#include "EngineError.h"
#include "FileHandler.h"
#include "FileTestSupport.h"
#include "LockProtocol.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>

namespace tabula {
namespace {

using filetest::CodeOf;

using Clock = std::chrono::steady_clock;
using filetest::ScratchDirTest;
using filetest::TPeer;

TLockTiming Quick() {
    TLockTiming t;
    t.InternalAttempts = 3;
    t.InternalWaitMs = 1;
    return t;
}

class MultiProcessLockTest : public ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        for (const char* name : {"T.DAT", "T.IDX"})
            WriteFile(name, "");
    }
    // Runs in the child: opens name (the handle stays open in the child
    // until it exits) and applies step to it.
    std::function<char()> InChild(const std::string& name, bool exclusive,
                                  std::function<void(TFileHandler&)> step) {
        std::string path = Path(name);
        return [path, exclusive, step] {
            auto* h = new TFileHandler(path); // lives until the child exits
            h->SetExclusive(exclusive);
            try {
                h->Open();
                step(*h);
            } catch (const ETabulaEngineError&) {
                return '0';
            }
            return '1';
        };
    }
    std::unique_ptr<TFileHandler> Open(const std::string& name, bool exclusive) {
        auto h = std::make_unique<TFileHandler>(Path(name));
        h->SetExclusive(exclusive);
        h->Open();
        return h;
    }
};

TEST_F(MultiProcessLockTest, ExclusiveAndSharedOpensExcludeEachOther) {
    auto nothing = [](TFileHandler&) {};
    {
        TPeer exclusive(InChild("T.DAT", true, nothing));
        ASSERT_EQ(exclusive.Result(), '1');
        EXPECT_EQ(CodeOf([&] { Open("T.DAT", false); }), kErrAccessDenied);
        EXPECT_EQ(CodeOf([&] { Open("T.DAT", true); }), kErrAccessDenied);
    }
    {
        auto shared = Open("T.DAT", false);
        TPeer exclusive(InChild("T.DAT", true, nothing));
        EXPECT_EQ(exclusive.Result(), '0');
        TPeer shared2(InChild("T.DAT", false, nothing));
        EXPECT_EQ(shared2.Result(), '1');
    }
    // With every peer gone, an exclusive open succeeds.
    EXPECT_NO_THROW(Open("T.DAT", true));
}

TEST_F(MultiProcessLockTest, RecordAndTableLocksExcludeEachOther) {
    {
        TPeer holder(
            InChild("T.DAT", false, [](TFileHandler& h) { TLockProtocol().LockTable(h); }));
        ASSERT_EQ(holder.Result(), '1');
        auto mine = Open("T.DAT", false);
        TLockProtocol p;
        Clock::time_point start = Clock::now();
        EXPECT_EQ(CodeOf([&] { p.LockRecord(*mine, 1); }), kErrRecordLocked);
        auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        EXPECT_EQ(p.LastAttempts(), 16);
        EXPECT_GE(waited.count(), 1400);
    }
    {
        TPeer holder(InChild("T.DAT", false,
                             [](TFileHandler& h) { TLockProtocol().LockRecord(h, 100000000); }));
        ASSERT_EQ(holder.Result(), '1');
        auto mine = Open("T.DAT", false);
        TLockProtocol p;
        Clock::time_point start = Clock::now();
        EXPECT_EQ(CodeOf([&] { p.LockTable(*mine); }), kErrTableLocked);
        auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        EXPECT_EQ(p.LastAttempts(), 16);
        EXPECT_GE(waited.count(), 1400);
        // Other records stay free.
        p.LockRecord(*mine, 99999999);
    }
    // The peer's exit released its lock.
    auto mine = Open("T.DAT", false);
    TLockProtocol p;
    p.LockTable(*mine);
    EXPECT_EQ(p.LastAttempts(), 1);
}

TEST_F(MultiProcessLockTest, WriterRangeExcludesReadersWhoseBytesCoexist) {
    auto takeRead = [](TFileHandler& h) { TLockProtocol(Quick()).ReadLock(h); };
    {
        TPeer reader1(InChild("T.IDX", false, takeRead));
        TPeer reader2(InChild("T.IDX", false, takeRead));
        EXPECT_EQ(reader1.Result(), '1');
        EXPECT_EQ(reader2.Result(), '1');
        auto writer = Open("T.IDX", false);
        TLockProtocol p(Quick());
        EXPECT_EQ(CodeOf([&] { p.WriteLock(*writer); }), kErrLockFailure);
        // Both readers hold their bytes at once; a third joins them.
        std::int64_t r = p.ReadLock(*writer);
        EXPECT_TRUE(p.ReadUnlock(*writer, r));
    }
    auto writer = Open("T.IDX", false);
    TLockProtocol p(Quick());
    p.WriteLock(*writer);
    TPeer reader(InChild("T.IDX", false, takeRead));
    EXPECT_EQ(reader.Result(), '0');
    EXPECT_TRUE(p.WriteUnlock(*writer));
    TPeer later(InChild("T.IDX", false, takeRead));
    EXPECT_EQ(later.Result(), '1');
}

} // namespace
} // namespace tabula

// Damaged sibling links in an index's leaf chain. An index of 2000 keys
// (a dozen and more leaves under an inner root) is built through the index
// file, committed, and its bytes copied; each case patches the prev/next
// links of some leaves and opens the copy. Every walk along the chain - the
// cursor stepping forward and back, in a range, over records a filter
// hides, the find that hops to the next leaf, the leaf visits that build
// bitmaps - must end with the page-corrupt error, never hang. The stepping
// loops in these tests give up after a fixed number of steps, and a
// watchdog ends the test program when a walk inside the engine does not
// return, so a missing guard fails promptly instead of hanging the run.
#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexCursor.h"
#include "IndexFile.h"
#include "IndexFileFormat.h"
#include "IndexFilter.h"
#include "IndexStorage.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace tabula {
namespace {

using namespace indexfmt;
using datafmt::GetI32;
using datafmt::GetU16;
using datafmt::PutI32;
using Bytes = std::vector<std::uint8_t>;

constexpr int kKeys = 2000;
constexpr int kKeyLength = 12;              // presence byte + 10 characters + terminator
constexpr std::int64_t kStepLimit = 100000; // far more than any walk here needs

Bytes NameKey(int n) {
    Bytes key(kKeyLength, 0);
    key[0] = 1;
    const std::string digits = std::to_string(1000000 + n).substr(1); // "K" and six digits
    key[1] = 'K';
    std::memcpy(key.data() + 2, digits.data(), 6);
    return key;
}

std::optional<TKeyField> Resolve(int number) {
    if (number != 1)
        return std::nullopt;
    TKeyField f;
    f.fieldNumber = 1;
    f.typeCode = datafmt::kFtString;
    f.storedSize = 11;
    f.recordOffset = 9;
    return f;
}

// Records for filters: record n is live and carries n in bytes 1..4.
class TRecords : public TRecordSource {
public:
    std::int32_t PhysicalRecordCount() override { return kKeys; }
    std::span<const std::uint8_t> ReadRecord(std::int32_t n) override {
        image_.assign(9, 0);
        PutI32(image_.data() + 1, n);
        return image_;
    }

private:
    Bytes image_;
};

std::int32_t RecnoOf(std::span<const std::uint8_t> image) {
    return GetI32(image.data() + 1);
}

int CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ETabulaEngineError& e) {
        return e.Code();
    }
    return 0;
}

// Ends the test program when it is not destroyed within the limit: a loop
// inside the engine cannot be interrupted from the test.
class TWatchdog {
public:
    explicit TWatchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_changed_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "leaf chain test: a walk did not end within %d s\n",
                               static_cast<int>(limit.count()));
                  std::_Exit(EXIT_FAILURE);
              }
          }) {}
    ~TWatchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        done_changed_.notify_one();
        thread_.join();
    }
    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_changed_;
    bool done_ = false;
    std::thread thread_; // last: starts once the members it uses exist
};

class TLeafChain : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sound_ = new Bytes();
        TMemoryIndexStorage storage(std::make_shared<Bytes>());
        TIndexFile file;
        file.SetFieldResolver(Resolve);
        file.Create(storage, "T.IDX");
        TIndexDescriptor primary;
        primary.fieldCount = 1;
        primary.fieldNumbers[0] = 1;
        file.DefinePrimaryIndex(primary);
        for (int i = 0; i < kKeys; ++i)
            file.InsertKey(kPrimaryIndex, NameKey(i).data(), i + 1);
        file.SetRecordCount(kKeys);
        file.Commit(false);
        file.Close();
        *sound_ = *storage.Bytes();
    }
    static void TearDownTestSuite() {
        delete sound_;
        sound_ = nullptr;
    }

    void SetUp() override {
        bytes_ = std::make_shared<Bytes>(*sound_);
        // The leaves in key order: the root's first child, then the next links.
        const std::int32_t root = GetI32(At(kHdrDescriptors + kDescRoot));
        ASSERT_EQ(*At(static_cast<std::size_t>(root) + kPageKind), kInnerRoot);
        std::int32_t leaf = GetI32(At(static_cast<std::size_t>(root) + kPageEntries + kKeyLength));
        while (leaf != 0 && leaves_.size() < 100) {
            ASSERT_EQ(*At(static_cast<std::size_t>(leaf) + kPageKind), kLeafPage);
            leaves_.push_back(leaf);
            leaf = Next(leaf);
        }
        ASSERT_GE(leaves_.size(), 8u);
        root_ = root;
    }

    std::uint8_t* At(std::size_t offset) { return bytes_->data() + offset; }
    std::int32_t Next(std::int32_t page) { return GetI32(At(page + kPageNext)); }
    void SetNext(std::int32_t page, std::int32_t to) { PutI32(At(page + kPageNext), to); }
    void SetPrev(std::int32_t page, std::int32_t to) { PutI32(At(page + kPagePrev), to); }
    int EntriesOf(std::int32_t page) { return GetU16(At(page + kPageEntryCount)); }

    // Opens the (patched) bytes.
    TIndexFile& Open() {
        storage_ = std::make_unique<TMemoryIndexStorage>(bytes_);
        file_ = std::make_unique<TIndexFile>();
        file_->SetFieldResolver(Resolve);
        file_->Open(*storage_, "T.IDX", true, false);
        file_->Cursor().SetRecordSource(&records_);
        return *file_;
    }
    TIndexCursor& Cursor() { return file_->Cursor(); }

    struct TWalk {
        int code = 0;           // the engine error that ended the walk, 0 when none did
        std::int64_t steps = 0; // records stepped onto before it ended
        bool ran = false;       // still going after kStepLimit steps
    };
    // Steps from the first record forward (or from the last backward) until
    // the cursor runs off the data or raises an error.
    TWalk Walk(bool forward, const std::function<bool()>& start = {}) {
        TWalk w;
        try {
            bool on = start ? start() : forward ? Cursor().First() : Cursor().Last();
            while (on && w.steps < kStepLimit) {
                ++w.steps;
                on = Cursor().Step(forward ? 1 : -1) == TIndexCursor::kOk;
            }
            w.ran = on;
        } catch (const ETabulaEngineError& e) {
            w.code = e.Code();
        }
        return w;
    }

    TWatchdog watchdog_{std::chrono::seconds(30)};
    static Bytes* sound_;
    std::shared_ptr<Bytes> bytes_;
    std::vector<std::int32_t> leaves_;
    std::int32_t root_ = 0;
    TRecords records_;
    std::unique_ptr<TMemoryIndexStorage> storage_;
    std::unique_ptr<TIndexFile> file_;
};

Bytes* TLeafChain::sound_ = nullptr;

// ---- Sound chains ------------------------------------------------------------------------

TEST_F(TLeafChain, SoundChainWalksEveryEntryAndBackAndForthAcrossLeaves) {
    Open();
    EXPECT_EQ(Walk(true).steps, kKeys);
    EXPECT_EQ(Walk(true).code, 0);
    EXPECT_EQ(Walk(false).steps, kKeys);
    // Crossing one leaf boundary to and fro many more times than the file
    // has pages: the walk's leaf count goes up and down, it must not add up.
    const int boundary = EntriesOf(leaves_[0]);
    ASSERT_TRUE(Cursor().First());
    ASSERT_EQ(Cursor().Step(boundary), TIndexCursor::kOk); // the second leaf's first entry
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(Cursor().Step(-1), TIndexCursor::kOk);
        ASSERT_EQ(Cursor().Step(1), TIndexCursor::kOk);
    }
    EXPECT_EQ(Cursor().RecordPosition(), boundary + 1);
}

// ---- Loops -------------------------------------------------------------------------------

// The last leaf links on to the first and the first back to the last: every
// link agrees with its partner, only the length of the walk gives it away.
TEST_F(TLeafChain, RingThatAgreesBothWaysEndsEveryWalk) {
    const std::int32_t first = leaves_.front(), last = leaves_.back();
    SetNext(last, first);
    SetPrev(first, last);
    Open();
    for (const bool forward : {true, false}) {
        const TWalk w = Walk(forward);
        EXPECT_EQ(w.code, kErrIndexBuffersCorrupt) << (forward ? "forward" : "backward");
        EXPECT_GE(w.steps, kKeys);     // the sound part of the chain is walked
        EXPECT_LT(w.steps, 3 * kKeys); // and the loop ends within the page count
    }
    // A range over every key: the keys met again are all inside it.
    const Bytes low = NameKey(0), high = NameKey(kKeys);
    Open();
    Cursor().SetRange(low.data(), kKeyLength, high.data(), kKeyLength);
    EXPECT_EQ(Walk(true).code, kErrIndexBuffersCorrupt);
    // A filter that shows only the first record: each step walks every
    // hidden entry round the ring and comes back to it, so only the leaves
    // counted across steps end the walk.
    Open();
    const int handle = Cursor().AddFilter(
        [](std::span<const std::uint8_t> image, void*) { return RecnoOf(image) == 1; }, nullptr);
    Cursor().ActivateFilter(handle);
    const TWalk shown = Walk(true);
    EXPECT_EQ(shown.code, kErrIndexBuffersCorrupt);
    EXPECT_LE(shown.steps, 3);
    // And one that shows none: First and a nearest find walk the lot.
    Cursor().ChangeFilter(handle,
                          std::make_unique<TTestFunctionFilter>(
                              [](std::span<const std::uint8_t>, void*) { return false; }, nullptr));
    EXPECT_EQ(CodeOf([&] { Cursor().First(); }), kErrIndexBuffersCorrupt);
    EXPECT_EQ(CodeOf([&] { Cursor().Last(); }), kErrIndexBuffersCorrupt);
    EXPECT_EQ(CodeOf([&] { Cursor().FindKey(NameKey(5).data(), kKeyLength, true, false); }),
              kErrIndexBuffersCorrupt);
}

// A leaf whose links both name itself: a walk that starts inside it never
// leaves it, although each step finds the link back it expects.
TEST_F(TLeafChain, LeafLinkedToItselfBothWays) {
    const std::size_t m = leaves_.size() / 2;
    int before = 0; // keys in the leaves before the middle one
    for (std::size_t i = 0; i < m; ++i)
        before += EntriesOf(leaves_[i]);
    SetNext(leaves_[m], leaves_[m]);
    SetPrev(leaves_[m], leaves_[m]);
    Open();
    const Bytes inside = NameKey(before + 1);
    for (const bool forward : {true, false}) {
        const TWalk w = Walk(
            forward, [&] { return Cursor().FindKey(inside.data(), kKeyLength, false, false); });
        EXPECT_EQ(w.code, kErrIndexBuffersCorrupt) << (forward ? "forward" : "backward");
        EXPECT_FALSE(w.ran);
    }
    // From the ends the walk arrives at the leaf from a neighbour that the
    // leaf does not name.
    EXPECT_EQ(Walk(true).code, kErrIndexBuffersCorrupt);
    EXPECT_EQ(Walk(false).code, kErrIndexBuffersCorrupt);
}

// A leaf that links forward to an earlier leaf.
TEST_F(TLeafChain, LinkBackToAnEarlierLeaf) {
    SetNext(leaves_[5], leaves_[2]);
    Open();
    const TWalk w = Walk(true);
    EXPECT_EQ(w.code, kErrIndexBuffersCorrupt);
    std::int64_t upToSixth = 0;
    for (int i = 0; i <= 5; ++i)
        upToSixth += EntriesOf(leaves_[i]);
    EXPECT_EQ(w.steps, upToSixth); // stopped where the link goes wrong, not later
}

// ---- Links that disagree -------------------------------------------------------------------

// Leaf 1 skips leaf 2 and links on to leaf 3, which still names leaf 2.
TEST_F(TLeafChain, BackLinkThatDisagreesStopsTheWalkWhereItIs) {
    SetNext(leaves_[1], leaves_[3]);
    Open();
    const std::int64_t firstTwo = EntriesOf(leaves_[0]) + EntriesOf(leaves_[1]);
    TWalk w = Walk(true);
    EXPECT_EQ(w.code, kErrIndexBuffersCorrupt);
    EXPECT_EQ(w.steps, firstTwo); // no entry of leaf 3 shown in place of leaf 2's
    // Backward the walk reaches leaf 2, whose previous leaf does not name it.
    w = Walk(false);
    EXPECT_EQ(w.code, kErrIndexBuffersCorrupt);
    EXPECT_EQ(w.steps, kKeys - firstTwo);
    // A nearest find above leaf 1's last key hops along the bad link.
    Bytes between = NameKey(static_cast<int>(firstTwo) - 1);
    between[8] = 'a';
    EXPECT_EQ(CodeOf([&] { Cursor().FindKey(between.data(), kKeyLength, true, false); }),
              kErrIndexBuffersCorrupt);
    // Building the live bitmap for a filter visits the leaves one by one.
    const int handle =
        Cursor().AddFilter([](std::span<const std::uint8_t>, void*) { return true; }, nullptr);
    EXPECT_EQ(CodeOf([&] { Cursor().ActivateFilter(handle); }), kErrIndexBuffersCorrupt);
}

// A previous link that names another leaf than the one before.
TEST_F(TLeafChain, PreviousLinkThatDisagrees) {
    SetPrev(leaves_[4], leaves_[1]);
    Open();
    EXPECT_EQ(Walk(true).code, kErrIndexBuffersCorrupt);
    EXPECT_EQ(Walk(false).code, kErrIndexBuffersCorrupt);
}

// ---- Changes next to a damaged link ---------------------------------------------------------

// Leaf 4 names leaf 1 as its previous instead of leaf 3. A split of leaf 3
// and the removal of leaf 3 both rewrite leaf 4's previous link; they must
// refuse rather than "repair" the chain through a link they cannot trust.
TEST_F(TLeafChain, SplitAndMergeNextToADisagreeingLinkAreRefused) {
    SetPrev(leaves_[4], leaves_[1]);
    int first = 0; // the first key of leaf 3
    for (int i = 0; i < 3; ++i)
        first += EntriesOf(leaves_[i]);
    const int count = EntriesOf(leaves_[3]);
    TIndexFile& split = Open();
    EXPECT_EQ(CodeOf([&] {
                  for (int k = first; k < first + count; ++k)
                      for (const std::uint8_t suffix : {'a', 'b'}) {
                          Bytes key = NameKey(k);
                          key[8] = suffix;
                          split.InsertKey(kPrimaryIndex, key.data(), kKeys + 1);
                      }
              }),
              kErrIndexBuffersCorrupt);
    TIndexFile& merge = Open();
    EXPECT_EQ(CodeOf([&] {
                  for (int k = first; k < first + count; ++k)
                      merge.DeleteKey(kPrimaryIndex, NameKey(k).data());
              }),
              kErrIndexBuffersCorrupt);
}

// ---- Links that lead off the leaf level ---------------------------------------------------

TEST_F(TLeafChain, LinksOutsideTheFileOrTheLeafLevel) {
    const std::int32_t endOfFile = GetI32(At(kHdrEndOfFile));
    const std::int32_t victim = leaves_[3];
    const std::int32_t targets[] = {
        endOfFile,                                // just past the last page
        endOfFile + 40 * 4096,                    // far past it
        -4096,                                    // negative
        leaves_[4] + 100,                         // not on a page boundary
        static_cast<std::int32_t>(kPageSize) / 2, // inside the header page
        root_,                                    // the inner root
    };
    for (const std::int32_t target : targets) {
        for (const bool forward : {true, false}) {
            bytes_ = std::make_shared<Bytes>(*sound_);
            forward ? SetNext(victim, target) : SetPrev(victim, target);
            Open();
            const TWalk w = Walk(forward);
            EXPECT_EQ(w.code, kErrIndexBuffersCorrupt)
                << "link to " << target << (forward ? " forward" : " backward");
        }
    }
}

} // namespace
} // namespace tabula

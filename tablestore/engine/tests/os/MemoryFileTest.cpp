// In-memory table files through TFileHandler: sharing, contents kept after
// close, growth, truncation, locks, delete/rename/copy.
#include "MemoryFile.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FileHandler.h"
#include "FileSession.h"
#include "FileTestSupport.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tabula {
namespace {

using filetest::CodeOf;

class MemoryFileTest : public ::testing::Test {
protected:
    void SetUp() override { StartEngine(); }
    void TearDown() override { StopEngine(); }

    // Creates an in-memory file with the given contents and closes it.
    static void Make(const std::string& name, const std::string& bytes) {
        TFileHandler h(name);
        h.SetInMemory(true);
        h.SetExclusive(true);
        h.Create();
        h.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        h.Close();
    }
    static std::unique_ptr<TFileHandler> Opened(const std::string& name, bool exclusive) {
        auto h = std::make_unique<TFileHandler>(name);
        h->SetInMemory(true);
        h->SetExclusive(exclusive);
        h->Open();
        return h;
    }
};

TEST_F(MemoryFileTest, CreateAndOpenRules) {
    TFileHandler h("MEM.DAT");
    h.SetInMemory(true);
    EXPECT_EQ(CodeOf([&] { h.Create(); }), kErrMustBeExclusive);
    EXPECT_EQ(CodeOf([&] { h.Open(); }), kErrInvalidPath);
    EXPECT_FALSE(h.IsOpen());

    TFileHandler blank("  .DAT");
    blank.SetInMemory(true);
    blank.SetExclusive(true);
    EXPECT_EQ(CodeOf([&] { blank.Create(); }), kErrInvalidPath);

    Make("MEM.DAT", "abc");
    // Names match without regard to case after trimming blanks.
    auto shared1 = Opened(" mem.dat ", false);
    auto shared2 = Opened("MEM.DAT", false);
    EXPECT_NE(shared1->Handle(), shared2->Handle());
    EXPECT_EQ(CodeOf([&] { Opened("MEM.DAT", true); }), kErrAccessDenied);
    // A create over a file with open handles is refused and keeps it.
    EXPECT_EQ(CodeOf([&] { Make("MEM.DAT", ""); }), kErrAccessDenied);
    EXPECT_EQ(shared1->Size(), 3);
    // Properties cannot change while open.
    EXPECT_EQ(CodeOf([&] { shared1->SetExclusive(true); }), kErrFileInUse);
    EXPECT_EQ(CodeOf([&] { shared1->SetFileName("OTHER.DAT"); }), kErrFileInUse);
    shared1->Close();
    shared2->Close();

    auto exclusive = Opened("MEM.DAT", true);
    EXPECT_EQ(CodeOf([&] { Opened("MEM.DAT", false); }), kErrAccessDenied);
    exclusive->Close();
    // With the last handle gone, a shared open works again.
    EXPECT_NO_THROW(Opened("MEM.DAT", false));
}

TEST_F(MemoryFileTest, ReadWriteSeekAndTruncate) {
    Make("T.DAT", "hello world");
    auto h = Opened("T.DAT", true);
    char buf[32] = {};
    EXPECT_EQ(h->Read(buf, 5), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(h->Position(), 5);
    // Past the end: short read allowed or kErrReadError.
    EXPECT_EQ(h->Read(buf, 20, true), 6);
    h->Seek(0, TSeekOrigin::Start);
    EXPECT_EQ(CodeOf([&] { h->Read(buf, 20); }), kErrReadError);

    // Seek from the end, write past the end: the gap reads as zeros.
    EXPECT_EQ(h->Seek(4, TSeekOrigin::End), 15);
    h->Write("!", 1);
    EXPECT_EQ(h->Size(), 16);
    h->ReadAt(11, buf, 5);
    EXPECT_EQ(std::memcmp(buf, "\0\0\0\0!", 5), 0);

    // A write of 0 bytes sets the length to the position, cutting or growing.
    h->Seek(5, TSeekOrigin::Start);
    h->Write(nullptr, 0);
    EXPECT_EQ(h->Size(), 5);
    h->Seek(8, TSeekOrigin::Start);
    h->Write(nullptr, 0);
    EXPECT_EQ(h->Size(), 8);
    h->ReadAt(0, buf, 8);
    EXPECT_EQ(std::memcmp(buf, "hello\0\0\0", 8), 0) << "bytes cut away must not come back";

    EXPECT_EQ(CodeOf([&] { h->Seek(-1, TSeekOrigin::Start); }), kErrUnknownOsError);
    h->Close();
    EXPECT_EQ(CodeOf([&] { h->Read(buf, 1); }), kErrInvalidHandle);
}

TEST_F(MemoryFileTest, CapacityGrowsInWholeChunks) {
    TMemoryFile f("X");
    std::vector<std::uint8_t> data(70000, 7);
    ASSERT_TRUE(f.WriteAt(0, data.data(), 10));
    EXPECT_EQ(f.Capacity(), kMemoryFileChunk);
    ASSERT_TRUE(f.WriteAt(0, data.data(), static_cast<std::int64_t>(data.size())));
    EXPECT_EQ(f.Capacity(), 2 * kMemoryFileChunk);
    EXPECT_EQ(f.Length(), 70000);
    // Absurd lengths are refused without allocating.
    EXPECT_FALSE(f.SetLength(kMaxTableFileSize + 1));
    EXPECT_FALSE(f.WriteAt(kMaxTableFileSize, data.data(), 1));
    EXPECT_EQ(f.Capacity(), 2 * kMemoryFileChunk);
}

TEST_F(MemoryFileTest, BytesSpanningChunksReadBackAndGapsReadZero) {
    TMemoryFile f("X");
    std::vector<std::uint8_t> data(3 * kMemoryFileChunk);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + 1);
    // A write that starts inside one chunk and ends two chunks later.
    const std::int64_t start = kMemoryFileChunk - 5;
    ASSERT_TRUE(f.WriteAt(start, data.data(), static_cast<std::int64_t>(data.size())));
    std::vector<std::uint8_t> back(data.size() + 10, 0xEE);
    EXPECT_EQ(f.ReadAt(start - 10, back.data(), static_cast<std::int64_t>(back.size())),
              static_cast<std::int64_t>(back.size()));
    EXPECT_EQ(std::vector<std::uint8_t>(back.begin(), back.begin() + 10),
              std::vector<std::uint8_t>(10, 0));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin() + 10));

    // Cut into the first chunk, then grow again, once by length and once by
    // a write past the end: the bytes written before the cut never return.
    ASSERT_TRUE(f.SetLength(100));
    ASSERT_TRUE(f.SetLength(kMemoryFileChunk + 100));
    const std::uint8_t one = 9;
    ASSERT_TRUE(f.WriteAt(3 * kMemoryFileChunk, &one, 1));
    std::vector<std::uint8_t> grown(static_cast<std::size_t>(f.Length()));
    ASSERT_EQ(f.ReadAt(0, grown.data(), f.Length()), f.Length());
    EXPECT_EQ(std::count(grown.begin() + 100, grown.end() - 1, 0),
              static_cast<std::ptrdiff_t>(grown.size()) - 101);
    EXPECT_EQ(grown.back(), one);
}

TEST_F(MemoryFileTest, OversizedWriteFailsWithItsCode) {
    Make("BIG.DAT", "x");
    auto h = Opened("BIG.DAT", true);
    h->Seek(kMaxTableFileSize, TSeekOrigin::Start);
    EXPECT_EQ(CodeOf([&] { h->Write("y", 1); }), kErrInvalidMemoryLength);
    EXPECT_EQ(h->Size(), 1);
}

TEST_F(MemoryFileTest, ContentsOutliveHandlesUntilDeleteOrStop) {
    Make("KEEP.DAT", "kept");
    auto h = Opened("KEEP.DAT", false);
    EXPECT_TRUE(h->Exists());
    // Delete and rename need every handle closed.
    EXPECT_EQ(CodeOf([&] { h->Delete(); }), kErrFileInUse);
    TFileHandler other("KEEP.DAT");
    other.SetInMemory(true);
    EXPECT_EQ(CodeOf([&] { other.Delete(); }), kErrDeleteError);
    EXPECT_EQ(CodeOf([&] { other.Rename("NEW.DAT"); }), kErrUnknownOsError);
    h->Close();

    Make("TAKEN.DAT", "");
    EXPECT_EQ(CodeOf([&] { other.Rename("TAKEN.DAT"); }), kErrUnknownOsError);
    other.Rename("NEW.DAT");
    EXPECT_EQ(other.FileName(), "NEW.DAT");
    auto renamed = Opened("NEW.DAT", false);
    char buf[4];
    renamed->Read(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "kept");
    renamed->Close();
    other.Delete();
    EXPECT_FALSE(other.Exists());
    EXPECT_EQ(CodeOf([&] { other.Delete(); }), kErrDeleteError);

    StopEngine();
    StartEngine();
    TFileHandler gone("TAKEN.DAT");
    gone.SetInMemory(true);
    EXPECT_FALSE(gone.Exists());
}

TEST_F(MemoryFileTest, CopyTakesTheWholeFile) {
    std::string big(140000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 31);
    Make("SRC.DAT", big);
    auto src = Opened("SRC.DAT", false);
    src->Seek(17, TSeekOrigin::Start);
    src->Copy("DST.DAT");
    EXPECT_EQ(src->Position(), 17);
    auto dst = Opened("DST.DAT", false);
    std::string back(big.size(), '\0');
    dst->Read(back.data(), static_cast<std::int64_t>(back.size()));
    EXPECT_EQ(back, big);
    // Copying onto a file that is open fails and leaves it alone.
    EXPECT_EQ(CodeOf([&] { src->Copy("DST.DAT"); }), kErrAccessDenied);
    EXPECT_EQ(dst->Size(), static_cast<std::int64_t>(big.size()));
}

TEST_F(MemoryFileTest, RangeLocksConflictBetweenHandles) {
    Make("L.DAT", "");
    auto a = Opened("L.DAT", false);
    auto b = Opened("L.DAT", false);
    EXPECT_TRUE(a->Lock(100, 10));
    EXPECT_FALSE(b->Lock(109, 5)) << "overlap at the last byte";
    EXPECT_FALSE(a->Lock(95, 6)) << "overlap with the handle's own range";
    EXPECT_TRUE(b->Lock(110, 5));
    // Unlock needs the same first byte and length, taken by the same handle.
    EXPECT_FALSE(a->Unlock(100, 5));
    EXPECT_FALSE(b->Unlock(100, 10));
    EXPECT_TRUE(a->Unlock(100, 10));
    EXPECT_FALSE(a->Unlock(100, 10));
    EXPECT_TRUE(b->Lock(100, 10));
    // Closing a handle releases its ranges.
    b->Close();
    EXPECT_TRUE(a->Lock(100, 15));
}

TEST_F(MemoryFileTest, EngineMustBeStarted) {
    StopEngine();
    TFileHandler h("ANY.DAT");
    h.SetInMemory(true);
    h.SetExclusive(true);
    EXPECT_EQ(CodeOf([&] { h.Create(); }), kErrNotInitialized);
    EXPECT_EQ(CodeOf([&] { h.Open(); }), kErrNotInitialized);
    StartEngine();
}

} // namespace
} // namespace tabula

// BLOB file: block chains and their sizes, the free chain, open buffers,
// commit and reopen, change detection between two handles, and damaged
// files that must end in an engine code rather than a crash or a hang.
#include "BlobFile.h"

#include "BlobRecord.h"
#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "FileTestSupport.h"
#include "RecordImage.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace tabula {
namespace {

using filetest::CodeOf;
using namespace blobfmt;

// A table with a string field and two BLOB fields (numbers 2 and 3).
std::vector<TFieldDescriptor> Fields() {
    std::vector<TFieldDescriptor> f(3);
    f[0].fieldNumber = 1;
    f[0].name = "Name";
    f[0].type = datafmt::kFtString;
    f[0].declaredSize = 10;
    f[1].fieldNumber = 2;
    f[1].name = "Memo";
    f[1].type = datafmt::kFtBlob;
    f[2].fieldNumber = 3;
    f[2].name = "Picture";
    f[2].type = datafmt::kFtBlob;
    AssignFieldOffsets(f);
    return f;
}

std::vector<std::uint8_t> Bytes(std::size_t n, int seed = 1) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>((i * 7 + static_cast<std::size_t>(seed) * 13) % 251);
    return v;
}

class BlobFileTest : public filetest::ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        fields_ = Fields();
        recordSize_ = 9 + 12 + 5 + 5;
    }

    std::unique_ptr<TBlobFile> Make(bool exclusive = true, bool isProtected = false) {
        auto f = std::make_unique<TBlobFile>();
        f->SetFileName(Path("T"));
        f->SetBlockSize(0);
        f->SetExclusive(exclusive);
        f->SetProtected(isProtected);
        return f;
    }
    std::unique_ptr<TBlobFile> Created(bool isProtected = false) {
        auto f = Make(true, isProtected);
        f->Create();
        return f;
    }
    std::vector<std::uint8_t> Image(std::int32_t recno) const {
        std::vector<std::uint8_t> img(static_cast<std::size_t>(recordSize_), 0);
        datafmt::PutI32(img.data() + datafmt::kRecLink, recno);
        return img;
    }
    std::int32_t Value(const std::vector<std::uint8_t>& img, int field) const {
        return datafmt::GetI32(img.data() + fields_[field - 1].offset + 1);
    }
    bool Present(const std::vector<std::uint8_t>& img, int field) const {
        return img[fields_[field - 1].offset] != 0;
    }
    // Stores data as the BLOB of field in the image's record and saves it.
    void Store(TBlobFile& f, std::vector<std::uint8_t>& img, int field,
               const std::vector<std::uint8_t>& data) {
        ASSERT_EQ(OpenBlob(&f, fields_, field, img, kOpenNormal), 0);
        ASSERT_EQ(TruncateBlob(&f, fields_, field, img, 0), 0);
        ASSERT_EQ(WriteBlob(&f, fields_, field, img, 0, static_cast<std::uint32_t>(data.size()),
                            data.data()),
                  0);
        ASSERT_EQ(SaveRecordBlobs(f, fields_, img), 0);
    }
    std::vector<std::uint8_t> Load(TBlobFile& f, std::vector<std::uint8_t>& img, int field,
                                   int* code = nullptr) {
        std::vector<std::uint8_t> out;
        int c = OpenBlob(&f, fields_, field, img, kOpenNormal);
        if (code)
            *code = c;
        if (c != 0)
            return out;
        std::uint32_t size = 0;
        EXPECT_EQ(GetBlobSize(&f, fields_, field, img, size), 0);
        out.resize(size);
        std::uint32_t got = 0;
        EXPECT_EQ(ReadBlob(&f, fields_, field, img, 0, size, out.data(), got), 0);
        EXPECT_EQ(got, size);
        EXPECT_EQ(FreeBlob(&f, fields_, field, img), 0);
        return out;
    }
    std::vector<std::uint8_t> FileBytes() const {
        std::ifstream in(Path("T.BLB"), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Patch(std::int64_t offset, const std::vector<std::uint8_t>& bytes) const {
        std::fstream io(Path("T.BLB"), std::ios::binary | std::ios::in | std::ios::out);
        io.seekp(offset);
        io.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<std::uint8_t> I32(std::int32_t v) {
        std::vector<std::uint8_t> b(4);
        datafmt::PutI32(b.data(), v);
        return b;
    }

    std::vector<TFieldDescriptor> fields_;
    int recordSize_ = 0;
};

TEST_F(BlobFileTest, BlockCountsFollowTheDataPartOfABlock) {
    auto f = Created();
    auto a = Image(1);
    Store(*f, a, 2, Bytes(494));
    EXPECT_EQ(Value(a, 2), 512);
    EXPECT_EQ(f->EndOfFile(), 1024);
    auto b = Image(2);
    Store(*f, b, 2, Bytes(495, 2));
    EXPECT_EQ(f->EndOfFile(), 2048);
    TBlobChainReport chain = f->InspectChain(Value(b, 2), 2);
    EXPECT_EQ(chain.code, 0) << chain.problem;
    ASSERT_EQ(chain.blocks.size(), 2u);
    f->Commit(false, false);
    auto bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 2048u);
    // The second block of the 495-byte BLOB: used 1, previous = first, total 0.
    EXPECT_EQ(datafmt::GetU16(&bytes[1536 + kBlkUsed]), 1);
    EXPECT_EQ(datafmt::GetI32(&bytes[1536 + kBlkPrev]), 1024);
    EXPECT_EQ(datafmt::GetI32(&bytes[1024 + kBlkTotalLength]), 495);
    EXPECT_EQ(datafmt::GetI32(&bytes[1536 + kBlkOwner]), 2);
    EXPECT_EQ(Load(*f, b, 2), Bytes(495, 2));
    EXPECT_EQ(Load(*f, a, 2), Bytes(494));
}

TEST_F(BlobFileTest, ShrinkingFreesTheTailAndNewChainsReuseIt) {
    auto f = Created();
    auto a = Image(1);
    Store(*f, a, 2, Bytes(3 * 494));
    const std::int32_t first = Value(a, 2);
    ASSERT_EQ(f->EndOfFile(), 512 + 3 * 512);

    ASSERT_EQ(OpenBlob(f.get(), fields_, 2, a, kOpenNormal), 0);
    ASSERT_EQ(TruncateBlob(f.get(), fields_, 2, a, 10), 0);
    ASSERT_EQ(SaveRecordBlobs(*f, fields_, a), 0);
    EXPECT_EQ(Value(a, 2), first);
    EXPECT_EQ(f->InspectFreeChain().blocks.size(), 2u);
    EXPECT_EQ(f->InspectChain(first, 1).blocks.size(), 1u);

    auto b = Image(2);
    Store(*f, b, 3, Bytes(600, 3));
    EXPECT_EQ(f->EndOfFile(), 512 + 3 * 512) << "the file grew although free blocks waited";
    EXPECT_EQ(f->FreeChainHead(), 0);
    EXPECT_EQ(Load(*f, b, 3), Bytes(600, 3));
    const auto original = Bytes(3 * 494);
    EXPECT_EQ(Load(*f, a, 2), std::vector<std::uint8_t>(original.begin(), original.begin() + 10));

    // Growing again takes fresh blocks and keeps the data whole.
    ASSERT_EQ(OpenBlob(f.get(), fields_, 2, a, kOpenNormal), 0);
    auto big = Bytes(2000, 4);
    ASSERT_EQ(WriteBlob(f.get(), fields_, 2, a, 0, 2000, big.data()), 0);
    ASSERT_EQ(SaveRecordBlobs(*f, fields_, a), 0);
    EXPECT_EQ(Value(a, 2), first);
    EXPECT_EQ(Load(*f, a, 2), big);
}

TEST_F(BlobFileTest, EmptyBlobsAndDeletes) {
    auto f = Created();
    auto a = Image(1);
    Store(*f, a, 2, Bytes(1000));
    EXPECT_TRUE(Present(a, 2));

    // Saving length 0 frees the whole chain and leaves a null field.
    ASSERT_EQ(OpenBlob(f.get(), fields_, 2, a, kOpenNormal), 0);
    ASSERT_EQ(TruncateBlob(f.get(), fields_, 2, a, 0), 0);
    EXPECT_FALSE(Present(a, 2));
    ASSERT_EQ(SaveRecordBlobs(*f, fields_, a), 0);
    EXPECT_EQ(Value(a, 2), 0);
    EXPECT_FALSE(Present(a, 2));
    EXPECT_EQ(f->InspectFreeChain().blocks.size(), 3u);

    // Deleting record 2 frees its own chains; a first block that belongs to
    // record 3 is treated as an empty BLOB and stays with its owner.
    auto c = Image(3);
    Store(*f, c, 2, Bytes(700, 5));
    auto b = Image(2);
    Store(*f, b, 3, Bytes(100, 6));
    datafmt::PutI32(b.data() + fields_[1].offset + 1, Value(c, 2));
    b[fields_[1].offset] = 1;
    const auto freeBefore = f->InspectFreeChain().blocks.size();
    ASSERT_EQ(DeleteRecordBlobs(*f, fields_, b), 0);
    EXPECT_EQ(Value(b, 2), 0);
    EXPECT_EQ(Value(b, 3), 0);
    EXPECT_EQ(f->InspectFreeChain().blocks.size(), freeBefore + 1);
    EXPECT_EQ(f->OpenBufferCount(), 0);
    EXPECT_EQ(Load(*f, c, 2), Bytes(700, 5));
}

TEST_F(BlobFileTest, ReadsPastTheEndAndFieldCodes) {
    auto f = Created();
    auto a = Image(1);
    Store(*f, a, 2, Bytes(100));
    ASSERT_EQ(OpenBlob(f.get(), fields_, 2, a, kOpenNormal), 0);
    EXPECT_EQ(OpenBlob(f.get(), fields_, 2, a, kOpenNormal), 0) << "already open: nothing happens";
    std::uint8_t out[10];
    std::uint32_t got = 99;
    EXPECT_EQ(ReadBlob(f.get(), fields_, 2, a, 95, 10, out, got), kErrEndOfBlob);
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(out[0], Bytes(100)[95]);
    EXPECT_EQ(ReadBlob(f.get(), fields_, 2, a, 99, 10, out, got), kErrEndOfBlob);
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(ReadBlob(f.get(), fields_, 2, a, 100, 10, out, got), kErrEndOfBlob);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(ReadBlob(f.get(), fields_, 2, a, 90, 10, out, got), 0);
    EXPECT_EQ(got, 10u);

    EXPECT_EQ(OpenBlob(f.get(), fields_, 1, a, kOpenNormal), kErrInvalidBlobField);
    EXPECT_EQ(OpenBlob(f.get(), fields_, 9, a, kOpenNormal), kErrInvalidBlobField);
    EXPECT_EQ(OpenBlob(nullptr, fields_, 2, a, kOpenNormal), kErrInvalidBlobField);
    EXPECT_EQ(FreeBlob(f.get(), fields_, 3, a), kErrInvalidBlobHandle);
    EXPECT_EQ(ReadBlob(f.get(), fields_, 3, a, 0, 1, out, got), kErrInvalidBlobHandle);
    auto stale = a; // still carries the handle after the buffer is freed
    ASSERT_EQ(FreeBlob(f.get(), fields_, 2, a), 0);
    EXPECT_EQ(OpenBlob(f.get(), fields_, 2, stale, kOpenNormal), kErrInvalidBlobOffset);
    EXPECT_EQ(WriteBlob(f.get(), fields_, 2, stale, 0, 1, out), kErrInvalidBlobHandle);
    EXPECT_EQ(SaveRecordBlobs(*f, fields_, stale), kErrInvalidBlobOffset);
    ASSERT_EQ(OpenBlob(f.get(), fields_, 2, a, kOpenNormal), 0);
    EXPECT_EQ(WriteBlob(f.get(), fields_, 2, a, f->MaxBlobLength(), 1, out), kErrInvalidBlobLength);
}

TEST_F(BlobFileTest, AtMost64BlobsAreOpen) {
    auto f = Created();
    std::vector<std::vector<std::uint8_t>> images;
    for (int i = 0; i < 33; ++i)
        images.push_back(Image(i + 1));
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(OpenBlob(f.get(), fields_, 2, images[i], kOpenNormal), 0);
        ASSERT_EQ(OpenBlob(f.get(), fields_, 3, images[i], kOpenNormal), 0);
    }
    EXPECT_EQ(OpenBlob(f.get(), fields_, 2, images[32], kOpenNormal), kErrTooManyBlobs);
    ASSERT_EQ(FreeBlob(f.get(), fields_, 3, images[0]), 0);
    EXPECT_EQ(OpenBlob(f.get(), fields_, 2, images[32], kOpenNormal), 0);
    FlushBlobs(f.get());
    EXPECT_EQ(f->OpenBufferCount(), 0);
}

TEST_F(BlobFileTest, CommitReopenAndProtectedFiles) {
    for (bool isProtected : {false, true}) {
        SCOPED_TRACE(isProtected);
        auto f = Created(isProtected);
        auto a = Image(7);
        auto text = std::vector<std::uint8_t>(1500, 'Q');
        Store(*f, a, 2, text);
        f->Commit(false, true);
        EXPECT_EQ(f->ChangeCounter(), 1);
        f->Close();

        auto raw = FileBytes();
        ASSERT_EQ(raw.size(), 512u + 4 * 512);
        const bool plain =
            std::search(raw.begin(), raw.end(), text.begin(), text.begin() + 64) != raw.end();
        EXPECT_EQ(plain, !isProtected);

        auto g = Make(true, isProtected);
        g->Open();
        EXPECT_EQ(g->EndOfFile(), 512 + 4 * 512);
        EXPECT_EQ(Load(*g, a, 2), text);
        g->Empty();
        g->Commit(false, false);
        g->Close();
        EXPECT_EQ(FileBytes().size(), 512u);
        g->Open();
        EXPECT_EQ(g->EndOfFile(), 512);
        EXPECT_EQ(g->ChangeCounter(), 2);
        g->Close();
    }
}

TEST_F(BlobFileTest, BlobsLargerThanTheCacheAndCopiedRecords) {
    auto f = Created();
    ASSERT_EQ(f->CacheCapacity(), 511u);
    auto a = Image(1);
    auto big = Bytes(800 * 494, 9); // 800 blocks through a 511-block cache
    Store(*f, a, 2, big);
    EXPECT_LE(f->CachedBlockCount(), f->CacheCapacity());
    f->Commit(false, true);
    f->ResetCache();
    EXPECT_EQ(Load(*f, a, 2), big);

    // An image copied from record 1 and appended as record 2 gets its own
    // chain, so either record can later change or drop its BLOB alone.
    auto b = a;
    datafmt::PutI32(b.data() + datafmt::kRecLink, 2);
    ASSERT_EQ(PrepareAppendBlobs(*f, fields_, b, 2), 0);
    ASSERT_EQ(SaveRecordBlobs(*f, fields_, b), 0);
    EXPECT_NE(Value(b, 2), Value(a, 2));
    EXPECT_EQ(f->InspectChain(Value(b, 2), 2).code, 0);
    ASSERT_EQ(DeleteRecordBlobs(*f, fields_, a), 0);
    EXPECT_EQ(Load(*f, b, 2), big);
}

TEST_F(BlobFileTest, AnotherHandlesCommitIsDetected) {
    {
        auto f = Created();
        f->Commit(false, false);
    }
    auto writer = Make(false);
    auto reader = Make(false);
    writer->Open();
    reader->Open();
    EXPECT_FALSE(reader->DetectChange());
    auto a = Image(4);
    Store(*writer, a, 3, Bytes(2000, 8));
    writer->Commit(true, false);
    EXPECT_TRUE(reader->DetectChange());
    EXPECT_EQ(reader->EndOfFile(), writer->EndOfFile());
    EXPECT_EQ(Load(*reader, a, 3), Bytes(2000, 8));
    EXPECT_FALSE(reader->DetectChange());
}

TEST_F(BlobFileTest, DamagedFilesEndInEngineCodes) {
    auto build = [&](std::vector<std::uint8_t>& a) {
        auto f = Created();
        Store(*f, a, 2, Bytes(3 * 494));
        f->Commit(false, false);
    };
    auto reopen = [&]() {
        auto g = Make();
        g->Open();
        return g;
    };
    auto a = Image(1);
    build(a);
    const std::int32_t first = Value(a, 2); // blocks at 512, 1024, 1536

    // A chain that loops back on itself.
    Patch(1024 + kBlkNext, I32(512));
    int code = 0;
    {
        auto g = reopen();
        Load(*g, a, 2, &code);
        EXPECT_EQ(code, kErrBlobBuffersCorrupt);
        EXPECT_EQ(g->InspectChain(first, 1).code, kErrBlobBuffersCorrupt);
        EXPECT_EQ(g->OpenBufferCount(), 0);
    }
    // A link outside the file, and a chain ending early.
    Patch(1024 + kBlkNext, I32(1 << 30));
    Load(*reopen(), a, 2, &code);
    EXPECT_EQ(code, kErrBlobBuffersCorrupt);
    Patch(1024 + kBlkNext, I32(0));
    Load(*reopen(), a, 2, &code);
    EXPECT_EQ(code, kErrEndOfBlob);
    // An absurd length is refused before anything is allocated.
    Patch(512 + kBlkTotalLength, I32(0x7fffffff));
    Load(*reopen(), a, 2, &code);
    EXPECT_EQ(code, kErrEndOfBlob);
    // Another record's chain in mode 0, and a field value that is no block.
    auto other = Image(2);
    datafmt::PutI32(other.data() + fields_[1].offset + 1, first);
    EXPECT_EQ(OpenBlob(reopen().get(), fields_, 2, other, kOpenNormal), kErrBlobBuffersCorrupt);
    datafmt::PutI32(other.data() + fields_[1].offset + 1, 513);
    EXPECT_EQ(OpenBlob(reopen().get(), fields_, 2, other, kOpenNormal), kErrInvalidBlobOffset);
    EXPECT_EQ(OpenBlob(reopen().get(), fields_, 2, other, kOpenForDelete), 0);

    // Freeing a chain that runs into a foreign block stops with kErrInvalidBlobOffset.
    a = Image(1);
    build(a);
    Patch(1024 + kBlkOwner, I32(5));
    {
        auto g = reopen();
        std::vector<std::uint8_t> b = a;
        EXPECT_EQ(DeleteRecordBlobs(*g, fields_, b), kErrBlobBuffersCorrupt);
        EXPECT_EQ(g->OpenBufferCount(), 0);
    }
    // A free chain that points at itself is found by the walk and never
    // hands one block out twice.
    a = Image(1);
    build(a);
    {
        auto g = reopen();
        ASSERT_EQ(DeleteRecordBlobs(*g, fields_, a), 0);
        g->Commit(false, false);
    }
    const std::int32_t head = reopen()->FreeChainHead();
    Patch(head + kBlkNext, I32(head));
    {
        auto g = reopen();
        EXPECT_EQ(g->InspectFreeChain().code, kErrBlobBuffersCorrupt);
        auto b = Image(3);
        ASSERT_EQ(OpenBlob(g.get(), fields_, 2, b, kOpenNormal), 0);
        auto data = Bytes(10);
        ASSERT_EQ(WriteBlob(g.get(), fields_, 2, b, 0, 10, data.data()), 0);
        EXPECT_EQ(SaveRecordBlobs(*g, fields_, b), kErrBlobBuffersCorrupt);
    }

    // Headers: wrong version, impossible end of file or free head, short file.
    auto header = [&](std::size_t at, std::vector<std::uint8_t> bytes, int expected) {
        a = Image(1);
        build(a);
        Patch(static_cast<std::int64_t>(at), bytes);
        EXPECT_EQ(CodeOf([&] { reopen(); }), expected) << "offset " << at;
    };
    header(kHdrVersion, {2}, kErrWrongVersion);
    header(kHdrEndOfFile, I32(1000), kErrHeaderCorrupt);
    header(kHdrEndOfFile, I32(-512), kErrHeaderCorrupt);
    header(kHdrFreeChainHead, I32(700), kErrHeaderCorrupt);
    std::filesystem::resize_file(Path("T.BLB"), 100);
    EXPECT_EQ(CodeOf([&] { reopen(); }), kErrHeaderCorrupt);

    // Block sizes the format cannot hold.
    auto bad = Make();
    bad->SetBlockSize(63);
    EXPECT_EQ(CodeOf([&] { bad->Create(); }), kErrBlobLimits);
    bad->SetBlockSize(kMaxBlockSize + 1);
    EXPECT_EQ(CodeOf([&] { bad->Open(); }), kErrBlobLimits);
}

} // namespace
} // namespace tabula

// The index file byte for byte, page packing in every compression mode,
// split/merge/redistribution at the documented capacities, definition
// errors, empty, commit, the page cache, and damaged bytes.
#include "IndexFile.h"

#include "BTreeCheck.h"
#include "DataFileFormat.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FileHandler.h"
#include "IndexCursor.h"
#include "IndexFileFormat.h"
#include "IndexPage.h"
#include "IndexStorage.h"
#include "StoreTestSupport.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace tabula {
namespace {

using namespace indexfmt;
using datafmt::GetI32;
using datafmt::GetU16;
using datafmt::PutI32;
using datafmt::PutU16;
using Bytes = std::vector<std::uint8_t>;

using storetest::CodeOf;

// Keys of the documented example: presence byte + a 10-character string slot.
Bytes NameKey(int n) {
    Bytes key(12, 0);
    key[0] = 1;
    std::snprintf(reinterpret_cast<char*>(key.data() + 1), 11, "K%06d", n);
    key[11] = 0;
    return key;
}

// A table with fields 1 (string of 10 characters), 2 (int32), 3 (BLOB).
std::optional<TKeyField> Resolve(int number) {
    TKeyField f;
    f.fieldNumber = number;
    switch (number) {
    case 1:
        f.typeCode = datafmt::kFtString;
        f.storedSize = 11;
        f.recordOffset = 9;
        return f;
    case 2:
        f.typeCode = datafmt::kFtInt32;
        f.storedSize = 4;
        f.recordOffset = 21;
        return f;
    case 3:
        f.typeCode = datafmt::kFtBlob;
        f.storedSize = 4;
        f.recordOffset = 26;
        return f;
    default:
        return std::nullopt;
    }
}

TIndexDescriptor OnFields(std::initializer_list<int> fields, const char* name = "",
                          bool unique = true) {
    TIndexDescriptor d;
    d.name = name;
    d.unique = unique;
    for (int f : fields)
        d.fieldNumbers[d.fieldCount++] = static_cast<std::int16_t>(f);
    return d;
}

struct TFileFixture : ::testing::Test {
    std::shared_ptr<std::vector<std::uint8_t>> bytes =
        std::make_shared<std::vector<std::uint8_t>>();
    TMemoryIndexStorage storage{bytes};
    TIndexFile file;

    void SetUp() override {
        file.SetFieldResolver(Resolve);
        file.Create(storage, "T.IDX");
    }
    void Reopen(TIndexFile& other, TMemoryIndexStorage& otherStorage) {
        other.SetFieldResolver(Resolve);
        other.Open(otherStorage, "T.IDX", true, false);
    }
    TPageRef Page(std::int32_t offset) { return file.Tree(0).FetchPage(offset); }
};

// ---- Header page and descriptors ----------------------------------------------

TEST_F(TFileFixture, NewFileHeaderBytes) {
    file.Commit(false);
    ASSERT_EQ(bytes->size(), 4096u);
    const std::uint8_t* h = bytes->data();
    EXPECT_EQ(GetI32(h + 0), 1); // counter increased before the write
    EXPECT_EQ(h[8], 3);
    EXPECT_EQ(GetI32(h + 9), 4096);
    EXPECT_EQ(h[13], 0);
    EXPECT_EQ(GetI32(h + 3974), 0);
    const std::uint8_t* sys = h + 3734;
    EXPECT_EQ(sys[0], 11);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sys + 1), 11), "Sys Deleted");
    EXPECT_EQ(GetU16(sys + 31), 5);
    EXPECT_EQ(sys[36], 0);
    for (std::size_t i = 3854; i < 3974; ++i)
        ASSERT_EQ(h[i], 0) << "reserved byte " << i;
}

TEST_F(TFileFixture, DescriptorsRoundTripThroughTheHeader) {
    TIndexDescriptor primary = OnFields({1, 2});
    primary.fieldDescending[1] = 1;
    primary.compression = kCompressBoth;
    file.DefinePrimaryIndex(primary);
    TIndexDescriptor byNumber = OnFields({2}, "  ByNumber  ", false);
    byNumber.caseInsensitive = true;
    byNumber.descending = true;
    file.AddSecondaryIndex(byNumber);
    file.SetRecordCount(42);
    file.Commit(false);
    EXPECT_EQ(bytes->at(kHdrPhysicalOrder), 0);

    TMemoryIndexStorage again(bytes);
    TIndexFile other;
    Reopen(other, again);
    EXPECT_EQ(other.SecondaryCount(), 1);
    EXPECT_EQ(other.RecordCount(), 42);
    EXPECT_FALSE(other.PhysicalOrderTable());
    const TIndexDescriptor& p = other.Descriptor(0);
    EXPECT_EQ(p.keyLength, 12 + 5);
    EXPECT_TRUE(p.unique);
    EXPECT_EQ(p.fieldDescending[1], 1);
    EXPECT_EQ(p.compression, kCompressBoth);
    const TIndexDescriptor& s = other.Descriptor(1);
    EXPECT_EQ(s.name, "ByNumber");
    EXPECT_EQ(s.keyLength, 5 + 4); // non-unique: + uniqueness suffix
    EXPECT_TRUE(s.descending);
    EXPECT_TRUE(s.caseInsensitive);
    other.SelectIndex("bynumber");
    EXPECT_EQ(other.CurrentIndex(), 1);
}

TEST_F(TFileFixture, OpenRefusesBadHeaders) {
    file.Commit(false);
    auto openCode = [&](const Bytes& image) {
        auto copy = std::make_shared<std::vector<std::uint8_t>>(image);
        TMemoryIndexStorage s(copy);
        TIndexFile f;
        return CodeOf([&] { f.Open(s, "T.IDX", true, false); });
    };
    Bytes image = *bytes;
    image[8] = 2;
    EXPECT_EQ(openCode(image), kErrWrongVersion);
    image = *bytes;
    PutI32(image.data() + 9, 5000); // end of file not on a page boundary
    EXPECT_EQ(openCode(image), kErrHeaderCorrupt);
    image = *bytes;
    image[13] = 31;
    EXPECT_EQ(openCode(image), kErrHeaderCorrupt);
    image = *bytes;
    PutI32(image.data() + 14 + 86, 8192); // a root beyond the end of the file
    EXPECT_EQ(openCode(image), kErrHeaderCorrupt);
    image = *bytes;
    image.resize(100);
    EXPECT_EQ(openCode(image), kErrHeaderCorrupt);
}

TEST_F(TFileFixture, DefinitionErrors) {
    EXPECT_EQ(CodeOf([&] { file.DefinePrimaryIndex(OnFields({3})); }), kErrInvalidIndexFieldType);
    TIndexDescriptor tooMany;
    tooMany.fieldCount = 17;
    EXPECT_EQ(CodeOf([&] { file.DefinePrimaryIndex(tooMany); }), kErrIndexLimits);
    file.DefinePrimaryIndex(OnFields({1}));
    EXPECT_EQ(CodeOf([&] { file.DefinePrimaryIndex(OnFields({2})); }), kErrPrimaryIndexExists);
    EXPECT_EQ(CodeOf([&] { file.AddSecondaryIndex(OnFields({2}, "   ")); }), kErrIndexNameMissing);
    EXPECT_EQ(CodeOf([&] { file.AddSecondaryIndex(OnFields({2}, "1st")); }), kErrInvalidIndexName);
    EXPECT_EQ(CodeOf([&] { file.AddSecondaryIndex(OnFields({3}, "Blob")); }),
              kErrInvalidIndexFieldType);
    EXPECT_EQ(CodeOf([&] { file.AddSecondaryIndex(OnFields({9}, "Unknown")); }),
              kErrInvalidIndexField);
    TIndexDescriptor wide = OnFields({}, "Wide", false);
    for (int i = 0; i < 16; ++i)
        wide.fieldNumbers[wide.fieldCount++] = 1; // 16 × 12 bytes is fine
    file.AddSecondaryIndex(wide);
    EXPECT_EQ(file.Descriptor(1).keyLength, 16 * 12 + 4);
    EXPECT_EQ(CodeOf([&] { file.AddSecondaryIndex(OnFields({2}, "wide ")); }), kErrIndexExists);
    for (int i = 2; i <= 30; ++i)
        file.AddSecondaryIndex(OnFields({2}, ("Ix" + std::to_string(i)).c_str()));
    EXPECT_EQ(CodeOf([&] { file.AddSecondaryIndex(OnFields({2}, "OneTooMany")); }),
              kErrIndexLimits);
    EXPECT_EQ(CodeOf([&] { file.SelectIndex("NoSuchIndex"); }), kErrInvalidIndexName);
    EXPECT_EQ(file.CurrentIndex(), 0);
    EXPECT_EQ(CodeOf([&] { file.SelectIndex(17); }), 0);
    file.Commit(false);

    TMemoryIndexStorage shared(bytes);
    TIndexFile notExclusive;
    notExclusive.SetFieldResolver(Resolve);
    notExclusive.Open(shared, "T.IDX", false, false);
    EXPECT_EQ(CodeOf([&] { notExclusive.AddSecondaryIndex(OnFields({2}, "Late")); }),
              kErrMustBeExclusive);
}

TEST_F(TFileFixture, KeyTooLongIsRefused) {
    TIndexFile wide;
    wide.SetFieldResolver([](int n) -> std::optional<TKeyField> {
        TKeyField f;
        f.fieldNumber = n;
        f.typeCode = datafmt::kFtBytes;
        f.storedSize = 250;
        f.recordOffset = static_cast<std::uint16_t>(9 + 251 * (n - 1));
        return f;
    });
    TMemoryIndexStorage s;
    wide.Create(s, "W.IDX");
    // 4 × 251 = 1004 fits; + 4 suffix bytes = 1008 fits; 5 × 251 = 1255 does not.
    wide.DefinePrimaryIndex(OnFields({1, 2, 3, 4}));
    EXPECT_EQ(wide.Descriptor(0).keyLength, 1004);
    EXPECT_EQ(CodeOf([&] {
                  wide.AddSecondaryIndex(OnFields({1, 2, 3, 4, 5}, "Big"));
              }),
              kErrInvalidKeySize);
}

// ---- Capacities, split, redistribution and merge ----------------------------------

TEST_F(TFileFixture, DocumentedCapacitiesSplitAndJoin) {
    EXPECT_EQ(LeafCapacity(12), 226);
    EXPECT_EQ(InnerCapacity(12), 185);
    file.DefinePrimaryIndex(OnFields({1}));
    ASSERT_EQ(file.Descriptor(0).keyLength, 12);
    TBTree& tree = file.Tree(0);
    for (int i = 1; i <= 226; ++i)
        file.InsertKey(0, NameKey(i).data(), i);
    EXPECT_EQ(Page(tree.Root())->kind, kLeafRoot);
    file.InsertKey(0, NameKey(227).data(), 227);

    // The 227th key splits the leaf root 114/113 under a new inner root.
    TPageRef root = Page(tree.Root());
    ASSERT_EQ(root->kind, kInnerRoot);
    ASSERT_EQ(root->Count(), 2);
    EXPECT_EQ(root->SubtreeCount(0), 114);
    EXPECT_EQ(root->SubtreeCount(1), 113);
    const std::int32_t left = root->Ref(0), right = root->Ref(1);
    root.Release();
    EXPECT_EQ(Page(left)->kind, kLeafPage);
    EXPECT_EQ(Page(right)->Count(), 113);
    EXPECT_EQ(Page(left)->next, right);
    EXPECT_EQ(Page(right)->prev, left);
    EXPECT_EQ(std::memcmp(Page(right)->FirstKey(), NameKey(115).data(), 12), 0);

    // 112 entries on the right: together the pages hold 226, not below the
    // capacity, so the entries are shared out, the larger half on the left.
    file.DeleteKey(0, NameKey(227).data());
    EXPECT_EQ(Page(left)->Count(), 113);
    EXPECT_EQ(Page(right)->Count(), 113);
    EXPECT_EQ(std::memcmp(Page(tree.Root())->Key(1), NameKey(114).data(), 12), 0);
    EXPECT_TRUE(TBTreeCheck::Check(tree).Ok());
    // One more: 225 entries fit one page, the right page joins the left one
    // and the root collapses to a leaf root.
    file.DeleteKey(0, NameKey(226).data());
    EXPECT_EQ(tree.Root(), left);
    EXPECT_EQ(Page(left)->kind, kLeafRoot);
    EXPECT_EQ(Page(left)->Count(), 225);
    EXPECT_NE(tree.Descriptor().freeHead, 0);
    const TBTreeCheckResult check = TBTreeCheck::Check(tree);
    EXPECT_TRUE(check.Ok());
    EXPECT_EQ(check.freePages, 2); // the old root and the right leaf
}

TEST_F(TFileFixture, FreePagesAreReusedBeforeTheFileGrows) {
    file.DefinePrimaryIndex(OnFields({1}));
    for (int i = 0; i < 2000; ++i)
        file.InsertKey(0, NameKey(i).data(), i + 1);
    const std::int32_t grown = file.EndOfFile();
    for (int i = 0; i < 2000; ++i)
        file.DeleteKey(0, NameKey(i).data());
    EXPECT_TRUE(file.Tree(0).Empty());
    EXPECT_EQ(TBTreeCheck::Check(file.Tree(0)).freePages, grown / 4096 - 1);
    for (int i = 0; i < 2000; ++i)
        file.InsertKey(0, NameKey(i).data(), i + 1);
    EXPECT_EQ(file.EndOfFile(), grown);
    EXPECT_EQ(CodeOf([&] { file.DeleteKey(0, NameKey(5000).data()); }), kErrKeyNotFound);
    EXPECT_EQ(CodeOf([&] { file.ReplaceKey(0, NameKey(5000).data(), NameKey(1).data(), 1); }),
              kErrKeyNotFound);
    EXPECT_EQ(CodeOf([&] { file.CheckUnique(0, NameKey(7).data()); }), kErrDuplicateKey);
}

TEST_F(TFileFixture, AllocationBeyondTwoGigabytesIsFileFull) {
    file.DefinePrimaryIndex(OnFields({1}));
    file.Commit(false);
    PutI32(bytes->data() + kHdrEndOfFile,
           1999998976); // a page appended here would end beyond 2,000,000,000 bytes
    TMemoryIndexStorage s(bytes);
    TIndexFile full;
    Reopen(full, s);
    EXPECT_EQ(CodeOf([&] { full.InsertKey(0, NameKey(1).data(), 1); }), kErrFileFull);
}

// ---- Page packing ----------------------------------------------------------------------

Bytes PackedEntries(const TIndexPage& page) {
    Bytes image(kPageSize);
    EXPECT_TRUE(page.Encode(image.data()));
    return Bytes(image.begin() + kPageEntries, image.begin() + kPageEntries + page.UsedBytes());
}

TEST(IndexPagePacking, EveryCompressionModeRoundTrips) {
    for (std::uint8_t mode = 0; mode <= 3; ++mode) {
        for (bool suffix : {false, true}) {
            const TPageShape shape{300, mode, suffix};
            TIndexPage page;
            page.Reset(4096, shape, kLeafRoot);
            for (int i = 0; i < 12; ++i) {
                Bytes key(300, 0);
                key[0] = 1;
                std::memset(key.data() + 1, 'p', 270); // a prefix longer than 255
                key[271] = static_cast<std::uint8_t>('a' + i);
                key[299] = static_cast<std::uint8_t>(i % 3); // suffix byte, sometimes 0
                page.Insert(i, key.data(), 100 + i);
            }
            Bytes image(kPageSize);
            ASSERT_TRUE(page.Encode(image.data()));
            TIndexPage back;
            ASSERT_TRUE(back.Decode(image.data(), 4096, shape)) << int(mode);
            ASSERT_EQ(back.Count(), 12);
            EXPECT_EQ(back.UsedBytes(), page.UsedBytes());
            for (int i = 0; i < 12; ++i) {
                EXPECT_EQ(std::memcmp(back.Key(i), page.Key(i), 300), 0) << int(mode) << " " << i;
                EXPECT_EQ(back.Ref(i), 100 + i);
            }
        }
    }
}

TEST(IndexPagePacking, DocumentedEntryLayouts) {
    // Key of 10 bytes: 1 'A' 'B' 0 0 0 | suffix 80 00 00 07.
    const Bytes key{1, 'A', 'B', 0, 0, 0, 0x80, 0, 0, 7};
    const Bytes next{1, 'A', 'C', 0, 0, 0, 0x80, 0, 0, 8};
    auto pack = [&](std::uint8_t mode, bool suffix) {
        TIndexPage page;
        page.Reset(4096, TPageShape{10, mode, suffix}, kLeafRoot);
        page.Insert(0, key.data(), 5);
        page.Insert(1, next.data(), 6);
        return PackedEntries(page);
    };
    // Leading bytes: p (16 bits) then the rest of the key.
    EXPECT_EQ(pack(kCompressLeading, false),
              (Bytes{0, 0, 1,   'A', 'B', 0, 0,    0, 0x80, 0, 0, 7, 5, 0, 0, 0, //
                     2, 0, 'C', 0,   0,   0, 0x80, 0, 0,    8, 6, 0, 0, 0}));
    // Trailing zeros: the uniqueness suffix stays, the 3 zeros before it go.
    EXPECT_EQ(pack(kCompressTrailing, true), (Bytes{3, 0, 1, 'A', 'B', 0x80, 0, 0, 7, 5, 0, 0, 0, //
                                                    3, 0, 1, 'A', 'C', 0x80, 0, 0, 8, 6, 0, 0, 0}));
    // Both: p and t as single bytes.
    EXPECT_EQ(pack(kCompressBoth, true), (Bytes{0, 3, 1,   'A',  'B', 0x80, 0, 0, 7, 5, 0, 0, 0, //
                                                2, 3, 'C', 0x80, 0,   0,    8, 6, 0, 0, 0}));
}

TEST(IndexPagePacking, DamagedImagesAreRefused) {
    const TPageShape plain{12, kCompressNone, false};
    const TPageShape packed{12, kCompressBoth, false};
    Bytes image(kPageSize, 0);
    image[kPageKind] = 9;
    TIndexPage page;
    EXPECT_FALSE(page.Decode(image.data(), 4096, plain));
    image[kPageKind] = kLeafPage;
    PutU16(image.data() + kPageEntryCount, 227); // above the leaf capacity
    EXPECT_FALSE(page.Decode(image.data(), 4096, plain));
    PutU16(image.data() + kPageEntryCount, 2);
    PutU16(image.data() + kPageUsedBytes, 5000);
    EXPECT_FALSE(page.Decode(image.data(), 4096, packed));
    // A first entry that claims a prefix from a previous key.
    PutU16(image.data() + kPageEntryCount, 1);
    PutU16(image.data() + kPageUsedBytes, 16);
    image[kPageEntries] = 2;
    EXPECT_FALSE(page.Decode(image.data(), 4096, packed));
    // Entries that run past the used bytes.
    image[kPageEntries] = 0;
    PutU16(image.data() + kPageEntryCount, 40);
    EXPECT_FALSE(page.Decode(image.data(), 4096, packed));
}

// ---- Damaged trees -----------------------------------------------------------------------

TEST_F(TFileFixture, DamagedPagesGiveTheEngineErrorNotACrash) {
    file.DefinePrimaryIndex(OnFields({1}));
    for (int i = 0; i < 600; ++i)
        file.InsertKey(0, NameKey(i).data(), i + 1);
    file.Commit(false);
    const std::int32_t root = file.Tree(0).Root();
    auto damaged = [&](const std::function<void(std::uint8_t * rootPage)>& damage) {
        auto copy = std::make_shared<std::vector<std::uint8_t>>(*bytes);
        damage(copy->data() + root);
        TMemoryIndexStorage s(copy);
        TIndexFile f;
        f.SetFieldResolver(Resolve);
        return CodeOf([&] {
            f.Open(s, "T.IDX", true, false);
            f.FindExact(0, NameKey(599).data());
            f.Tree(0).AtPosition(600);
            f.InsertKey(0, NameKey(10000).data(), 1);
            f.DeleteKey(0, NameKey(0).data());
        });
    };
    const std::size_t firstChild = kPageEntries + 12;
    EXPECT_EQ(damaged([&](std::uint8_t* p) { PutI32(p + firstChild, 4097); }),
              kErrIndexBuffersCorrupt);
    EXPECT_EQ(damaged([&](std::uint8_t* p) { PutI32(p + firstChild, 1 << 30); }),
              kErrIndexBuffersCorrupt);
    EXPECT_EQ(damaged([&](std::uint8_t* p) { PutI32(p + firstChild, root); }),
              kErrIndexBuffersCorrupt); // a loop
    EXPECT_EQ(damaged([&](std::uint8_t* p) { PutU16(p + kPageEntryCount, 0); }),
              kErrIndexBuffersCorrupt);
    EXPECT_EQ(damaged([&](std::uint8_t* p) { p[kPageKind] = kLeafPage; }), kErrIndexBuffersCorrupt);
    // A subtree count that promises more entries than the leaves hold.
    EXPECT_EQ(damaged([&](std::uint8_t* p) { PutI32(p + firstChild + 4, 100000); }),
              kErrIndexBuffersCorrupt);
}

TEST_F(TFileFixture, FileCheckFindsLostPagesBrokenChainsAndWrongCounts) {
    file.DefinePrimaryIndex(OnFields({1}));
    file.AddSecondaryIndex(OnFields({2}, "ByNumber", false));
    for (int i = 0; i < 800; ++i)
        file.InsertKey(0, NameKey(i).data(), i + 1);
    for (int i = 0; i < 300; ++i)
        file.DeleteKey(0, NameKey(i * 2).data());
    file.Commit(false);
    EXPECT_TRUE(TBTreeCheck::CheckFile(file).Ok());
    const std::int32_t root = file.Tree(0).Root();
    auto checkDamaged = [&](const std::function<void(std::uint8_t*)>& damage) {
        auto copy = std::make_shared<std::vector<std::uint8_t>>(*bytes);
        damage(copy->data());
        TMemoryIndexStorage s(copy);
        TIndexFile f;
        f.SetFieldResolver(Resolve);
        f.Open(s, "T.IDX", true, false);
        const TBTreeCheckResult r = TBTreeCheck::CheckFile(f);
        return r.problems.empty() ? std::string() : r.problems.front();
    };
    // A page past the last one in use that nobody owns.
    EXPECT_NE(checkDamaged([&](std::uint8_t* b) {
                  PutI32(b + kHdrEndOfFile, GetI32(b + kHdrEndOfFile) + 4096);
              }).find("belongs to no index"),
              std::string::npos);
    const std::size_t firstEntry = static_cast<std::size_t>(root) + kPageEntries;
    EXPECT_NE(checkDamaged([&](std::uint8_t* b) {
                  PutI32(b + firstEntry + 12 + 4, 5);
              }).find("parent counts"),
              std::string::npos);
    EXPECT_NE(checkDamaged([&](std::uint8_t* b) {
                  const std::int32_t leaf = GetI32(b + firstEntry + 12);
                  PutI32(b + leaf + kPageNext, 0);
              }).find("next link"),
              std::string::npos);
}

// ---- Empty, commit and the cache ----------------------------------------------------------

TEST_F(TFileFixture, EmptyLeavesOnlyTheHeaderPage) {
    file.DefinePrimaryIndex(OnFields({1}));
    file.AddSecondaryIndex(OnFields({2}, "ByNumber", false));
    for (int i = 0; i < 500; ++i)
        file.InsertKey(0, NameKey(i).data(), i + 1);
    file.SetRecordCount(500);
    file.Commit(false);
    Bytes before(bytes->begin(), bytes->begin() + 4096);
    file.Empty();
    file.Commit(false);
    ASSERT_EQ(bytes->size(), 4096u);
    EXPECT_EQ(GetI32(bytes->data() + kHdrRecordCount), 0);
    EXPECT_EQ(GetI32(bytes->data() + kHdrEndOfFile), 4096);
    for (int d = 0; d < kDescriptorCount; ++d) {
        const std::size_t at = kHdrDescriptors + d * kDescriptorSize;
        EXPECT_EQ(GetI32(bytes->data() + at + kDescRoot), 0);
        EXPECT_EQ(GetI32(bytes->data() + at + kDescFreeHead), 0);
        EXPECT_EQ(std::memcmp(bytes->data() + at, before.data() + at, kDescRoot), 0) << d;
    }
    EXPECT_TRUE(file.Cursor().Bof() && file.Cursor().Eof());
    file.InsertKey(0, NameKey(1).data(), 1);
    EXPECT_EQ(file.Tree(0).Root(), 4096);
}

TEST_F(TFileFixture, CommitWritesAdjacentPagesInOneWrite) {
    file.DefinePrimaryIndex(OnFields({1}));
    file.Commit(false);
    for (int i = 0; i < 1000; ++i) // 6 adjacent pages, all still cached
        file.InsertKey(0, NameKey(i).data(), i + 1);
    const int writes = storage.WriteCount();
    file.Commit(false);
    EXPECT_EQ(storage.WriteCount() - writes, 2); // one run of pages, then the header
    const int after = storage.WriteCount();
    file.Commit(false);
    EXPECT_EQ(storage.WriteCount(), after); // nothing modified, nothing forced
    file.Commit(true);
    EXPECT_EQ(storage.WriteCount(), after + 1);
}

TEST_F(TFileFixture, CacheHoldsThirtyOnePagesAndWritesOutWhatItEvicts) {
    file.DefinePrimaryIndex(OnFields({1}));
    for (int i = 0; i < 20000; ++i)
        file.InsertKey(0, NameKey(i * 7919 % 20000).data(), i + 1);
    EXPECT_LE(file.Cache(0).Size(), kCachePagesPerIndex);
    EXPECT_EQ(file.Cache(0).PinnedCount(), 0);
    EXPECT_GT(storage.WriteCount(), 0); // evictions wrote modified pages
    file.Commit(false);
    TMemoryIndexStorage s(bytes);
    TIndexFile other;
    Reopen(other, s);
    const TBTreeCheckResult check = TBTreeCheck::Check(other.Tree(0));
    EXPECT_TRUE(check.Ok());
    EXPECT_EQ(check.entries, 20000);

    // A page pinned 64 times cannot be pinned once more.
    const std::int32_t root = file.Tree(0).Root();
    std::vector<TPageRef> pins;
    for (int i = 0; i < kMaxPagePins; ++i)
        pins.push_back(file.Tree(0).FetchPage(root));
    EXPECT_EQ(CodeOf([&] { file.Tree(0).FetchPage(root); }), kErrIndexBuffersCorrupt);
}

TEST_F(TFileFixture, AnotherUsersChangeIsDetected) {
    file.DefinePrimaryIndex(OnFields({1}));
    file.Commit(false);
    TMemoryIndexStorage s(bytes);
    TIndexFile reader;
    reader.SetFieldResolver(Resolve);
    reader.Open(s, "T.IDX", false, true);
    EXPECT_FALSE(reader.DetectChange());
    file.InsertKey(0, NameKey(1).data(), 1);
    file.SetRecordCount(1);
    file.Commit(true);
    EXPECT_TRUE(reader.DetectChange());
    EXPECT_TRUE(reader.FindExact(0, NameKey(1).data()));
    EXPECT_EQ(reader.RecordCount(), 1);
}

TEST_F(TFileFixture, ProtectedFilesAreScrambledOnDisk) {
    file.SetProtected(true);
    file.DefinePrimaryIndex(OnFields({1}));
    for (int i = 0; i < 300; ++i)
        file.InsertKey(0, NameKey(i).data(), i + 1);
    file.Commit(false);
    EXPECT_NE(bytes->at(kHdrVersion), kIndexVersion);
    TMemoryIndexStorage s(bytes);
    TIndexFile plain;
    EXPECT_EQ(CodeOf([&] { plain.Open(s, "T.IDX", true, false); }), kErrWrongVersion);
    TIndexFile keyed;
    keyed.SetProtected(true);
    Reopen(keyed, s);
    EXPECT_TRUE(keyed.FindExact(0, NameKey(299).data()));
    EXPECT_TRUE(TBTreeCheck::Check(keyed.Tree(0)).Ok());
}

// Removing an entry from a prefix-compressed leaf can lengthen the entry after
// it: here a key full of trailing zeros sits between two keys that share only
// one byte, while it shares 199 bytes with its successor. Deleting it grows
// the page by 93 bytes; a page that no longer fits must be split, not left
// over-full (it could not be written back).
TEST(IndexCompressedLeaf, DeleteThatLengthensAPageSplitsIt) {
    TMemoryIndexStorage storage;
    TIndexFile file;
    file.Create(storage, "C.IDX");
    TIndexDescriptor d;
    d.keyLength = 200;
    d.compression = kCompressBoth;
    d.fieldCount = 1;
    d.fieldNumbers[0] = 1;
    file.DefinePrimaryIndex(d);
    auto pairKey = [](int j, bool second) {
        Bytes key(200, 0);
        key[0] = 1;
        key[1] = static_cast<std::uint8_t>('A' + j);
        std::memset(key.data() + 2, 'q', 98);
        if (second)
            key[199] = 'z';
        return key;
    };
    for (int j = 0; j < 36; ++j) {
        file.InsertKey(0, pairKey(j, false).data(), 2 * j + 1);
        file.InsertKey(0, pairKey(j, true).data(), 2 * j + 2);
    }
    TBTree& tree = file.Tree(0);
    {
        TPageRef root = tree.FetchPage(tree.Root());
        ASSERT_EQ(root->kind, kLeafRoot);
        ASSERT_EQ(root->UsedBytes(), 36 * 112 + 1);
    }
    file.DeleteKey(0, pairKey(5, false).data());
    const TBTreeCheckResult check = TBTreeCheck::Check(tree);
    EXPECT_TRUE(check.Ok()) << check.problems.front();
    EXPECT_EQ(check.depth, 2);
    EXPECT_EQ(check.entries, 71);
    EXPECT_NO_THROW(file.Commit(false));
}

TEST(IndexFileOnDisk, PagesGoThroughTheFileHandler) {
    const std::string path =
        ::testing::TempDir() + "/index_file_test_" + std::to_string(::getpid()) + ".IDX";
    {
        TFileHandler handler(path);
        handler.SetExclusive(true);
        handler.Create();
        TFileIndexStorage storage(handler);
        TIndexFile file;
        file.SetFieldResolver(Resolve);
        file.Create(storage, path);
        file.DefinePrimaryIndex(OnFields({1}));
        for (int i = 0; i < 3000; ++i)
            file.InsertKey(0, NameKey(i).data(), i + 1);
        file.Commit(false);
        file.Close();
    }
    {
        TFileHandler handler(path);
        handler.SetExclusive(true);
        handler.Open();
        TFileIndexStorage storage(handler);
        TIndexFile file;
        file.SetFieldResolver(Resolve);
        file.Open(storage, path, true, false);
        const TBTreeCheckResult check = TBTreeCheck::Check(file.Tree(0));
        EXPECT_TRUE(check.Ok());
        EXPECT_EQ(check.entries, 3000);
        EXPECT_EQ(handler.Size(), file.EndOfFile());
        file.Empty();
        file.Commit(false);
        EXPECT_EQ(handler.Size(), 4096);
        file.Close();
    }
    std::filesystem::remove(path);
}

TEST(IndexFileLocale, TreeOrderFollowsTheTablesCollation) {
    TMemoryIndexStorage storage;
    TIndexFile file;
    file.SetFieldResolver(Resolve);
    file.SetTableLocale(0x0409);
    file.Create(storage, "L.IDX");
    file.DefinePrimaryIndex(OnFields({1}));
    const std::vector<std::string> words{"banana", "Apple", "cherry", "apple",
                                         "Banana", "co-op", "coop",   "Cherry"};
    std::int32_t recno = 0;
    for (const std::string& w : words) {
        Bytes key(12, 0);
        key[0] = 1;
        std::memcpy(key.data() + 1, w.data(), w.size());
        file.InsertKey(0, key.data(), ++recno);
    }
    EXPECT_TRUE(TBTreeCheck::Check(file.Tree(0)).Ok());
    std::vector<std::string> order;
    TBTree& tree = file.Tree(0);
    Bytes key(12);
    for (TBTree::TLocation at = tree.First(); at.page != 0;) {
        tree.ReadEntry(at, key.data(), nullptr);
        order.emplace_back(reinterpret_cast<const char*>(key.data() + 1));
        if (!tree.Next(at))
            break;
    }
    // Letters before case; byte order would put every capital first.
    ASSERT_EQ(order.size(), words.size());
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 4),
              (std::vector<std::string>{"apple", "Apple", "banana", "Banana"}));
}

} // namespace
} // namespace tabula

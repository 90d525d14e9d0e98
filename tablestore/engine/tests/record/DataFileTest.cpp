// Record manager tests: record numbers and auto-increment, slot reuse in
// keyed tables against tables in physical order, emptying, key failures that
// change nothing, the record limits, the cache (eviction and write-back
// across reopen), cursor movement, bookmarks, index selection, calculated
// fields and protected tables. Each table ends checked by the verifier.
#include "EngineCodes.h"
#include "TableTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <unistd.h>

namespace tabula::tabletest {
namespace {

std::int32_t Append(TDataFile& t, std::int32_t id, const std::string& name,
                    std::int32_t amount = 0) {
    t.AppendRecord(Row(t, id, name, amount));
    return t.CurrentRecordNumber();
}

void DeleteId(TDataFile& t, std::int32_t id) {
    Bytes key(5, 0);
    key[0] = 1;
    // Keys of int32 fields are big-endian with the sign bit inverted.
    const auto u = static_cast<std::uint32_t>(id) ^ 0x80000000u;
    key[1] = static_cast<std::uint8_t>(u >> 24);
    key[2] = static_cast<std::uint8_t>(u >> 16);
    key[3] = static_cast<std::uint8_t>(u >> 8);
    key[4] = static_cast<std::uint8_t>(u);
    ASSERT_TRUE(t.FindKey(key, 5)) << id;
    t.DeleteRecord();
}

using RecordNumbers = TableTest;

TEST_F(RecordNumbers, AppendsCountUpAndEmptyTableStartsAgain) {
    CreateTable();
    auto t = OpenTable(true);
    EXPECT_EQ(Append(*t, 10, "a"), 1);
    EXPECT_EQ(Append(*t, 20, "b"), 2);
    EXPECT_EQ(Append(*t, 30, "c"), 3);
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    ASSERT_EQ(t->GetCurrentRecord(image), 0);
    EXPECT_EQ(AutoIncOf(image), 3);
    EXPECT_EQ(IdOf(*t, image), 30);

    t->EmptyTable();
    const auto emptySize = static_cast<std::uintmax_t>(127 + 768 * 3);
    EXPECT_EQ(std::filesystem::file_size(TablePath() + ".DAT"), emptySize);
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_EQ(Append(*t, 40, "d"), 1);
    ASSERT_EQ(t->GetCurrentRecord(image), 0);
    EXPECT_EQ(AutoIncOf(image), 1);
    t->Close();
    EXPECT_EQ(std::filesystem::file_size(TablePath() + ".IDX") % 4096, 0u);
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

TEST_F(RecordNumbers, KeyedTablesReuseSlotsLastDeletedFirst) {
    CreateTable(Shape(true));
    auto t = OpenTable(false);
    for (int i = 1; i <= 4; ++i)
        Append(*t, i, "n" + std::to_string(i));
    DeleteId(*t, 2);
    DeleteId(*t, 3);
    EXPECT_EQ(t->Header().freeChainHead, 3);
    EXPECT_EQ(Append(*t, 5, "e"), 3);
    EXPECT_EQ(Append(*t, 6, "f"), 2);
    EXPECT_EQ(Append(*t, 7, "g"), 5);
    EXPECT_EQ(t->PhysicalRecordCount(), 5);
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{1, 4, 5, 6, 7}));
    t->Close();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

TEST_F(RecordNumbers, PhysicalOrderTablesNeverReuseSlots) {
    CreateTable(Shape(false));
    auto t = OpenTable(false);
    for (int i = 1; i <= 3; ++i)
        Append(*t, i, "n" + std::to_string(i));
    t->GotoPosition(2);
    ASSERT_EQ(t->CurrentRecordNumber(), 2);
    t->DeleteRecord();
    EXPECT_EQ(t->Header().freeChainHead, 2);
    EXPECT_EQ(Append(*t, 4, "d"), 4);
    EXPECT_EQ(t->RecordPosition(), 3); // the cursor is on the new last record
    EXPECT_EQ(t->Header().freeChainHead, 0);
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{1, 3, 4}));
    t->Close();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

TEST_F(RecordNumbers, CountsAfterManyAppendsAndDeletes) {
    CreateTable(Shape(false));
    auto t = OpenTable(true);
    for (int i = 1; i <= 100; ++i)
        Append(*t, i, "n");
    // Physical order: positions are record numbers. Delete the 40 odd
    // records of 1..80.
    for (int r = 1; r <= 80; r += 2) {
        t->GotoPosition(r);
        ASSERT_EQ(t->CurrentRecordNumber(), r);
        t->DeleteRecord();
    }
    EXPECT_EQ(t->RecordCount(), 60);
    EXPECT_EQ(t->PhysicalRecordCount(), 100);
    t->Close();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
    auto again = OpenTable(false);
    EXPECT_EQ(again->RecordCount(), 60);
    EXPECT_EQ(Ids(*again).size(), 60u);
}

using KeyFailures = TableTest;

TEST_F(KeyFailures, DuplicateKeysChangeNothing) {
    CreateTable(Shape(true, true));
    auto t = OpenTable(false);
    Append(*t, 1, "alpha");
    Append(*t, 2, "beta");
    const std::int32_t next = t->Header().nextRecordNumber;
    const std::int32_t autoInc = t->Header().lastAutoIncrement;
    // Same name in the unique secondary index; same id in the primary.
    EXPECT_EQ(CodeOf([&] { t->AppendRecord(Row(*t, 3, "alpha")); }), kErrDuplicateKey);
    EXPECT_EQ(CodeOf([&] { t->AppendRecord(Row(*t, 2, "gamma")); }), kErrDuplicateKey);
    EXPECT_EQ(t->Header().nextRecordNumber, next);
    EXPECT_EQ(t->Header().lastAutoIncrement, autoInc);
    EXPECT_EQ(t->RecordCount(), 2);
    EXPECT_EQ(t->IndexFile().Tree(1).EntryCount(), 2);
    // An update to an existing name fails and leaves the record as it was.
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    DeleteId(*t, 2);
    Append(*t, 2, "beta");
    ASSERT_EQ(t->GetCurrentRecord(image, true), 0);
    EXPECT_EQ(CodeOf([&] { t->UpdateRecord(Row(*t, 2, "alpha"), true); }), kErrDuplicateKey);
    ASSERT_EQ(t->GetCurrentRecord(image), 0);
    EXPECT_EQ(NameOf(*t, image), "beta");
    t->UnlockAllRecords();
    t->Close();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

TEST_F(KeyFailures, ConstraintFailureTakesNoSlot) {
    CreateTable(Shape(true, false, false, "10"));
    auto t = OpenTable(true);
    Append(*t, 1, "a", 10);
    EXPECT_EQ(CodeOf([&] { t->AppendRecord(Row(*t, 2, "b", 9)); }), kErrBelowMinimum);
    EXPECT_EQ(t->PhysicalRecordCount(), 1);
    EXPECT_EQ(t->RecordCount(), 1);
}

TEST_F(KeyFailures, UpdateMovesTheRecordInEveryIndex) {
    CreateTable(Shape(true, true));
    auto t = OpenTable(false);
    Append(*t, 1, "b");
    Append(*t, 2, "c");
    Append(*t, 3, "d");
    DeleteId(*t, 2);
    Append(*t, 2, "c");
    t->SelectIndexByName("byname");
    ASSERT_EQ(t->CurrentIndex(), 1);
    // The cursor stayed on the record it stood on (id 2, "c").
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    ASSERT_EQ(t->GetCurrentRecord(image, true), 0);
    EXPECT_EQ(IdOf(*t, image), 2);
    t->UpdateRecord(Row(*t, 9, "a"), true);
    // The cursor follows the record to its new place.
    EXPECT_EQ(t->RecordPosition(), 1);
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{9, 1, 3}));
    t->SelectIndexByNumber(0);
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{1, 3, 9}));
    t->Close();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

TEST_F(KeyFailures, DamageNeverOverwritesOrRelinksARecord) {
    CreateTable(Shape(false));
    {
        auto t = OpenTable(false);
        for (int i = 1; i <= 3; ++i)
            Append(*t, i, "n");
        // Without the bitmap flag the cursor stays on the deleted slot; a
        // second delete there would link the slot into the chain twice.
        t->GotoPosition(2);
        t->DeleteRecord(false);
        EXPECT_EQ(CodeOf([&] { t->DeleteRecord(false); }), kErrRecordNotFound);
    }
    EXPECT_EQ(Findings(), std::vector<std::string>{});

    CreateTable(Shape(true), "K");
    {
        auto t = OpenTable(true, "K");
        for (int i = 1; i <= 3; ++i)
            Append(*t, i, "n");
    }
    // A damaged header whose free-chain head names live record 2.
    std::FILE* f = std::fopen((TablePath("K") + ".DAT").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::uint8_t head[4];
    datafmt::PutI32(head, 2);
    std::fseek(f, datafmt::kHdrFreeChainHead, SEEK_SET);
    std::fwrite(head, 1, 4, f);
    std::fclose(f);
    auto t = OpenTable(true, "K");
    EXPECT_EQ(CodeOf([&] { Append(*t, 9, "x"); }), kErrHeaderCorrupt);
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{1, 2, 3}));
}

using Limits = TableTest;

TEST_F(Limits, RecordNumberLimitRefusesTheAppendAndKeepsTheIndexes) {
    CreateTable(Shape(true));
    {
        auto t = OpenTable(true);
        Append(*t, 1, "a");
    }
    // Make the file claim 99,999,999 slots: a sparse file of the right
    // length and a header whose next record number is 100,000,000.
    const std::string data = TablePath() + ".DAT";
    const std::int64_t recordSize = 9 + 5 + 22 + 5; // Id, Name, Amount with indicators
    {
        TDataFile probe;
        probe.SetFileName(TablePath());
        probe.SetExclusive(true);
        probe.Open();
        ASSERT_EQ(probe.RecordSize(), recordSize);
    }
    std::filesystem::resize_file(data, 127 + 768 * 3 + (100000000LL - 1) * recordSize);
    {
        std::FILE* f = std::fopen(data.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::uint8_t next[4];
        datafmt::PutI32(next, 100000000);
        std::fseek(f, datafmt::kHdrNextRecord, SEEK_SET);
        std::fwrite(next, 1, 4, f);
        std::fclose(f);
    }
    auto t = OpenTable(true);
    EXPECT_EQ(CodeOf([&] { Append(*t, 2, "b"); }), kErrFileFull);
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_EQ(t->IndexFile().Tree(0).EntryCount(), 1);
    EXPECT_EQ(t->Header().nextRecordNumber, 100000000);
}

using Cache = TableTest;

TEST_F(Cache, ExclusiveAppendsBeyondTheCacheSurviveReopen) {
    CreateTable(Shape(true));
    const int count = 8000; // well over twice what the cache holds
    {
        auto t = OpenTable(true);
        for (int i = 0; i < count; ++i)
            Append(*t, (i * 7919) % count, "row");
        EXPECT_LE(t->Cache().Size(), t->Cache().Capacity());
    }
    auto t = OpenTable(false);
    EXPECT_EQ(t->RecordCount(), count);
    const std::vector<std::int32_t> ids = Ids(*t);
    ASSERT_EQ(ids.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(ids[static_cast<std::size_t>(i)], i);
    // Backwards, with read-ahead in the other direction.
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    t->GotoLast();
    int seen = 0;
    std::int32_t expected = count - 1;
    while (t->PriorRecord(image) == 0) {
        ASSERT_EQ(IdOf(*t, image), expected--);
        ++seen;
    }
    EXPECT_EQ(seen, count);
    t->Close();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

using Cursor = TableTest;

// After an append the cursor stands on the new record at its place in the
// current order, whether the append could put it there straight from the
// insert (no range, no filters) or had to search (a range is set), and
// while the leaves of the index split underneath.
TEST_F(Cursor, AppendLandsOnTheNewRecordInTheCurrentOrder) {
    CreateTable(Shape(true));
    auto t = OpenTable(true);
    std::mt19937 rng(77);
    std::set<std::int32_t> ids;
    std::multiset<std::string> names;
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    auto appendAndCheck = [&](std::int32_t id, bool byName) {
        const std::string name = "n" + std::to_string(rng() % 5000);
        const std::int32_t recno = Append(*t, id, name);
        ids.insert(id);
        names.insert(name);
        ASSERT_EQ(t->GetCurrentRecord(image), 0);
        ASSERT_EQ(IdOf(*t, image), id);
        ASSERT_EQ(recno, static_cast<std::int32_t>(ids.size()));
        // Equal names keep their order of appending: the new one comes last.
        const auto rank = byName ? std::distance(names.begin(), names.upper_bound(name))
                                 : std::distance(ids.begin(), ids.find(id)) + 1;
        ASSERT_EQ(t->RecordPosition(), rank) << id;
    };
    // Ascending, descending and scattered keys in the primary order.
    for (std::int32_t id = 5000; id < 5500; ++id)
        ASSERT_NO_FATAL_FAILURE(appendAndCheck(id, false));
    for (std::int32_t id = 4999; id > 4500; --id)
        ASSERT_NO_FATAL_FAILURE(appendAndCheck(id, false));
    for (int i = 0; i < 300; ++i) {
        std::int32_t id = 0;
        do
            id = static_cast<std::int32_t>(rng() % 4000);
        while (ids.count(id) != 0);
        ASSERT_NO_FATAL_FAILURE(appendAndCheck(id, false)) << i;
    }
    t->SelectIndexByName("ByName");
    for (std::int32_t id = 6000; id < 6300; ++id)
        ASSERT_NO_FATAL_FAILURE(appendAndCheck(id, true));
    EXPECT_EQ(t->RecordCount(), static_cast<std::int64_t>(ids.size()));

    // With a range the cursor finds the record by its key within the range.
    t->SelectIndexByNumber(0);
    Bytes low{1, 0x80, 0x00, 0x1B, 0x58}, high{1, 0x80, 0x00, 0x1F, 0x40}; // 7000..8000
    t->SetRange(low, 5, high, 5);
    EXPECT_EQ(Append(*t, 7500, "r"), static_cast<std::int32_t>(ids.size() + 1));
    ASSERT_EQ(t->GetCurrentRecord(image), 0);
    EXPECT_EQ(IdOf(*t, image), 7500);
    EXPECT_EQ(t->RecordPosition(), 1);
    EXPECT_EQ(t->RecordCount(), 1);
    t->Close();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

TEST_F(Cursor, EmptyTableEndsAndBookmarksReturn) {
    CreateTable(Shape(true));
    auto t = OpenTable(false);
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()), 0xEE);
    EXPECT_EQ(t->GetCurrentRecord(image), kErrBeginningOfFile);
    EXPECT_EQ(image[datafmt::kRecFields], 0); // defaults: Id null
    EXPECT_EQ(t->NextRecord(image), kErrEndOfFile);
    for (int i = 1; i <= 5; ++i)
        Append(*t, i * 10, "x");
    t->GotoPosition(3);
    const Bytes bookmark = t->GetBookmark();
    EXPECT_EQ(static_cast<int>(bookmark.size()), t->BookmarkSize());
    t->GotoFirst();
    EXPECT_EQ(t->GetCurrentRecord(image), kErrBeginningOfFile);
    EXPECT_TRUE(t->GotoBookmark(bookmark));
    ASSERT_EQ(t->GetCurrentRecord(image), 0);
    EXPECT_EQ(IdOf(*t, image), 30);
    t->GotoLast();
    EXPECT_EQ(t->GetCurrentRecord(image), kErrEndOfFile);
    EXPECT_EQ(t->PriorRecord(image), 0);
    EXPECT_EQ(IdOf(*t, image), 50);
    // Deleting in index order leaves the cursor on the following record.
    t->GotoPosition(2);
    t->DeleteRecord();
    ASSERT_EQ(t->GetCurrentRecord(image), 0);
    EXPECT_EQ(IdOf(*t, image), 30);
    EXPECT_FALSE(t->GotoBookmark(Bytes(bookmark.size(), 0)));
}

TEST_F(Cursor, IndexSelectionRangesAndSecondCursors) {
    CreateTable(Shape(true));
    auto t = OpenTable(false);
    Append(*t, 1, "pear");
    Append(*t, 2, "apple");
    Append(*t, 3, "fig");
    EXPECT_EQ(CodeOf([&] { t->SelectIndexByName("nope"); }), kErrInvalidIndexName);
    EXPECT_EQ(t->CurrentIndex(), 0);
    EXPECT_EQ(CodeOf([&] { t->SelectIndexByNumber(7); }), kErrInvalidIndexName);
    t->SelectIndexByName("ByName");
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{2, 3, 1}));
    // A range over names from "b" to "g" (partial keys: presence byte + text).
    Bytes low{1, 'b'}, high{1, 'g'};
    t->SetRange(low, 2, high, 2);
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{3}));
    EXPECT_EQ(t->RecordCount(), 1);
    t->CancelRange();
    EXPECT_EQ(t->RecordCount(), 3);

    t->GotoPosition(3); // pear
    auto clone = t->CloneCursor();
    EXPECT_EQ(clone->CurrentIndex(), 1);
    EXPECT_EQ(clone->CurrentRecordNumber(), 1);
    auto other = OpenTable(false);
    other->GotoPosition(2);
    EXPECT_EQ(t->SyncToCursor(*other), 0);
    EXPECT_EQ(t->CurrentRecordNumber(), 2);

    auto exclusive = std::make_unique<TDataFile>();
    other.reset();
    clone.reset();
    t.reset();
    exclusive = OpenTable(true);
    EXPECT_EQ(CodeOf([&] { exclusive->CloneCursor(); }), kErrAccessDenied);
}

TEST_F(Cursor, FiltersAndCalculatedFields) {
    CreateTable(Shape(true));
    auto t = OpenTable(true);
    for (int i = 1; i <= 6; ++i)
        Append(*t, i, "r", i * 100);
    const int handle = t->AddFilter(
        [](std::span<const std::uint8_t> image, void*) {
            std::int32_t id;
            std::memcpy(&id, image.data() + 10, 4);
            return id % 2 == 0;
        },
        nullptr);
    t->ActivateFilter(handle);
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{2, 4, 6}));
    t->DeactivateFilter(handle);
    EXPECT_EQ(Ids(*t).size(), 6u);

    // A calculated field doubling Amount lives after the stored record.
    TFieldDescriptor twice = TFieldDescriptor::Make(0, "Twice", datafmt::kFtInt32);
    const int field =
        t->AddCalculatedField(twice, [&](const TFieldDescriptor& f, std::span<std::uint8_t> image) {
            const TFieldRead amount = t->ReadField(3, image);
            std::int32_t v;
            std::memcpy(&v, amount.value.data(), 4);
            v *= 2;
            image[f.offset] = 1;
            std::memcpy(image.data() + f.offset + 1, &v, 4);
        });
    EXPECT_EQ(field, 4);
    EXPECT_EQ(t->RecordBufferSize(), t->RecordSize() + 5);
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    t->GotoPosition(3);
    ASSERT_EQ(t->GetCurrentRecord(image), 0);
    std::int32_t v;
    std::memcpy(&v, t->ReadField(field, image).value.data(), 4);
    EXPECT_EQ(v, 600);
    t->RemoveCalculatedField(field);
    EXPECT_EQ(t->RecordBufferSize(), t->RecordSize());
    EXPECT_EQ(CodeOf([&] { t->GetFieldDescriptor("Twice"); }), kErrInvalidField);
    EXPECT_EQ(t->GetFieldDescriptor("amount").fieldNumber, 3);
}

TEST_F(Cache, InMemoryTablesLiveInTheSession) {
    TDataFile t;
    t.SetFileName("Mem");
    t.SetInMemory(true);
    t.SetExclusive(true);
    TTableDefinition def;
    def.fields = {TFieldDescriptor::Make(1, "Id", datafmt::kFtInt32),
                  TFieldDescriptor::Make(2, "Name", datafmt::kFtString, 20),
                  TFieldDescriptor::Make(3, "Amount", datafmt::kFtInt32)};
    TIndexDescriptor primary;
    primary.fieldCount = 1;
    primary.fieldNumbers[0] = 1;
    t.CreateTable(def, primary, {});
    t.SetExclusive(false);
    t.Open();
    for (int i = 3; i >= 1; --i)
        Append(t, i, "m");
    TDataFile second;
    second.SetFileName("Mem");
    second.SetInMemory(true);
    second.Open();
    EXPECT_EQ(Ids(second), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(TTableVerifier::Verify(second).findings, std::vector<std::string>{});
}

using Protection = TableTest;

TEST_F(Protection, ProtectedTablesNeedTheirPasswordAndRoundTrip) {
    CreateTable(Shape(true, false, true));
    EXPECT_EQ(CodeOf([&] { OpenTable(true); }), kErrPasswordRequired);
    int asked = 0;
    {
        TDataFile t;
        t.SetFileName(TablePath());
        t.SetPasswordCallback(
            [&asked](void*) {
                if (asked++ == 0)
                    AddPassword("secret");
                return asked == 1;
            },
            nullptr);
        t.Open();
        for (int i = 1; i <= 3; ++i)
            t.AppendRecord(Row(t, i, "hidden"));
    }
    EXPECT_EQ(asked, 1);
    // Records are scrambled on disk.
    std::FILE* f = std::fopen((TablePath() + ".DAT").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<char> bytes(1 << 16);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("hidden"), std::string::npos);
    auto t = OpenTable(false);
    EXPECT_EQ(Ids(*t), (std::vector<std::int32_t>{1, 2, 3}));
    t->Close();
    EXPECT_EQ(Findings(), std::vector<std::string>{});
}

TEST_F(Protection, ReadOnlyTablesRefuseChanges) {
    CreateTable(Shape(true));
    {
        auto t = OpenTable(true);
        Append(*t, 1, "a");
    }
    TDataFile t;
    t.SetFileName(TablePath());
    t.SetReadOnly(true);
    t.Open();
    EXPECT_EQ(CodeOf([&] { t.AppendRecord(Row(t, 2, "b")); }), kErrAccessDenied);
    EXPECT_EQ(CodeOf([&] { t.SetExclusive(true); }), kErrFileInUse);
    EXPECT_EQ(CodeOf([&] { t.SetStrictChangeDetection(true); }), kErrFileInUse);
    EXPECT_EQ(t.RecordCount(), 1);
}

} // namespace
} // namespace tabula::tabletest

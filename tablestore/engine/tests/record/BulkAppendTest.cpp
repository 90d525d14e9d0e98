// AppendRecords against record-by-record appends: the same records, keys,
// auto-increment values, header and verifier findings, with the record
// numbers given in the order index's order on the run path; nothing
// appended when an image fails its constraints; and a table that reads,
// navigates and appends normally afterwards, also after a reopen.
#include "EngineCodes.h"
#include "TableTestSupport.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace tabula::tabletest {
namespace {

constexpr int kByName = 1;

class BulkAppend : public TableTest {
protected:
    // `rows` images of random rows (few distinct names, so many ties),
    // RecordSize bytes each, one after the other; ids from firstId on.
    Bytes Images(TDataFile& t, int rows, std::uint32_t seed, int firstId = 0) {
        std::mt19937 rng(seed);
        Bytes images;
        for (int i = 0; i < rows; ++i) {
            const std::string name = "n" + std::to_string(rng() % 37);
            const Bytes row = Row(t, firstId + i, name, static_cast<std::int32_t>(rng() % 100));
            images.insert(images.end(), row.begin(), row.begin() + t.RecordSize());
        }
        return images;
    }

    static void AppendOneByOne(TDataFile& t, const Bytes& images) {
        const auto size = static_cast<std::size_t>(t.RecordSize());
        for (std::size_t at = 0; at < images.size(); at += size)
            t.AppendRecord(std::span<const std::uint8_t>(images).subspan(at, size));
    }

    // Id -> auto-increment value of every record.
    static std::map<std::int32_t, std::int32_t> AutoIncs(TDataFile& t) {
        t.SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
        std::map<std::int32_t, std::int32_t> out;
        Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
        t.GotoFirst();
        while (t.NextRecord(image) == 0)
            out[IdOf(t, image)] = AutoIncOf(image);
        return out;
    }

    static std::vector<std::int32_t> IdsIn(TDataFile& t, int index) {
        t.SelectIndexByNumber(index);
        return Ids(t);
    }

    // Both tables hold the same records in the same index order.
    static void ExpectSame(TDataFile& bulk, TDataFile& direct) {
        EXPECT_EQ(IdsIn(bulk, kByName), IdsIn(direct, kByName));
        EXPECT_EQ(AutoIncs(bulk), AutoIncs(direct));
        EXPECT_EQ(bulk.RecordCount(), direct.RecordCount());
        EXPECT_EQ(bulk.Header().nextRecordNumber, direct.Header().nextRecordNumber);
        EXPECT_EQ(bulk.Header().lastAutoIncrement, direct.Header().lastAutoIncrement);
    }
};

// More rows than the record cache holds, after records that an earlier
// AppendRecord left in the cache only; then normal use of the table.
TEST_F(BulkAppend, MatchesRecordByRecordAppendsAndNumbersInIndexOrder) {
    for (const bool isProtected : {false, true}) {
        SCOPED_TRACE(isProtected ? "protected" : "plain");
        const std::string bulkName = isProtected ? "BulkP" : "Bulk";
        const std::string directName = isProtected ? "DirectP" : "Direct";
        CreateTable(Shape(false, false, isProtected), bulkName);
        CreateTable(Shape(false, false, isProtected), directName);
        if (isProtected)
            AddPassword("secret");
        {
            auto bulk = OpenTable(true, bulkName);
            auto direct = OpenTable(true, directName);
            bulk->DeferIndexInserts(kByName);
            const Bytes images = Images(*bulk, 6000, 2, 100);
            ASSERT_GT(images.size(), TDataFile::kCacheBytes);
            bulk->AppendRecords(images, kByName);
            AppendOneByOne(*direct, images);
            // The cursor is before the first record, with none current.
            EXPECT_EQ(bulk->CurrentRecordNumber(), 0);
            ExpectSame(*bulk, *direct);
            // The records lie in the index's order.
            EXPECT_EQ(IdsIn(*bulk, indexfmt::kPhysicalOrderIndex), IdsIn(*bulk, kByName));
            // Records an AppendRecord left in the cache only, then a run
            // in the order given.
            const Bytes more = Images(*bulk, 40, 1, 7000);
            AppendOneByOne(*bulk, more);
            AppendOneByOne(*direct, more);
            const Bytes run = Images(*bulk, 4000, 7, 8000);
            bulk->AppendRecords(run);
            AppendOneByOne(*direct, run);
            ExpectSame(*bulk, *direct);
            // Normal use afterwards: a search, a delete and more appends.
            for (TDataFile* t : {bulk.get(), direct.get()}) {
                t->SelectIndexByNumber(kByName);
                const Bytes key = t->BuildKey(kByName, Row(*t, 0, "n5"));
                ASSERT_TRUE(t->FindNearest(key, t->KeyPrefixLength(kByName, 1)));
                t->DeleteRecord();
                AppendOneByOne(*t, Images(*t, 300, 3, 10000));
            }
            ExpectSame(*bulk, *direct);
        }
        EXPECT_TRUE(Findings(bulkName).empty());
        auto bulk = OpenTable(true, bulkName);
        auto direct = OpenTable(true, directName);
        ExpectSame(*bulk, *direct);
        bulk->AppendRecords(Images(*bulk, 50, 4, 20000));
        AppendOneByOne(*direct, Images(*direct, 50, 4, 20000));
        ExpectSame(*bulk, *direct);
    }
}

TEST_F(BulkAppend, AnImageFailingItsConstraintsAppendsNothing) {
    CreateTable(Shape(false, false, false, "0"));
    auto t = OpenTable(true);
    t->DeferIndexInserts(kByName);
    Bytes images = Images(*t, 100, 5);
    const Bytes bad = Row(*t, 7, "bad", -1);
    images.insert(images.end(), bad.begin(), bad.begin() + t->RecordSize());
    EXPECT_NE(CodeOf([&] { t->AppendRecords(images, kByName); }), 0);
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_EQ(t->Header().nextRecordNumber, 1);
    EXPECT_EQ(t->Header().lastAutoIncrement, 0);
    images.resize(images.size() - static_cast<std::size_t>(t->RecordSize()));
    t->AppendRecords(images, kByName);
    EXPECT_EQ(t->RecordCount(), 100);
    EXPECT_EQ(IdsIn(*t, kByName).size(), 100u);
    t.reset();
    EXPECT_TRUE(Findings().empty());
}

// Tables off the run path - a keyed primary index (free-record chain,
// "Sys Deleted"), a unique index, a shared table - append image by image:
// the same result, and a duplicate refused as AppendRecord refuses it.
TEST_F(BulkAppend, OtherTablesAppendRecordByRecord) {
    CreateTable(Shape(true), "Keyed");
    CreateTable(Shape(true), "KeyedDirect");
    {
        auto bulk = OpenTable(true, "Keyed");
        auto direct = OpenTable(true, "KeyedDirect");
        const Bytes images = Images(*bulk, 500, 6);
        AppendOneByOne(*bulk, Bytes(images.begin(), images.begin() + 10 * bulk->RecordSize()));
        AppendOneByOne(*direct, Bytes(images.begin(), images.begin() + 10 * bulk->RecordSize()));
        for (TDataFile* t : {bulk.get(), direct.get()}) {
            t->SelectIndexByNumber(indexfmt::kPrimaryIndex);
            t->GotoFirst();
            ASSERT_EQ(t->NextRecord(), 0);
            t->DeleteRecord(); // a slot for the free-record chain
        }
        const Bytes rest(images.begin() + 10 * bulk->RecordSize(), images.end());
        bulk->AppendRecords(rest, kByName);
        AppendOneByOne(*direct, rest);
        ExpectSame(*bulk, *direct);
        EXPECT_EQ(IdsIn(*bulk, indexfmt::kPrimaryIndex), IdsIn(*direct, indexfmt::kPrimaryIndex));
    }
    EXPECT_TRUE(Findings("Keyed").empty());

    CreateTable(Shape(false, true), "Unique");
    {
        auto t = OpenTable(false, "Unique");
        Bytes images;
        for (const char* name : {"a", "b", "a"}) {
            const Bytes row = Row(*t, 1, name);
            images.insert(images.end(), row.begin(), row.begin() + t->RecordSize());
        }
        EXPECT_EQ(CodeOf([&] { t->AppendRecords(images); }), kErrDuplicateKey);
        EXPECT_EQ(t->RecordCount(), 2);
        EXPECT_EQ(CodeOf([&] { t->AppendRecords(Bytes(3, 0)); }), kErrRecordBuffersCorrupt);
    }
    EXPECT_TRUE(Findings("Unique").empty());
}

} // namespace
} // namespace tabula::tabletest

// Stepping reads of an exclusive table against a model of its rows: what a
// cursor walking forward or backward reads is what the table was last
// given, whether the records come through the record cache's read-ahead
// (a table with a calculated field) or straight from the file's bytes (the
// read window), with changes still in the cache, changes written back while
// a read is under way, and records appended, deleted and updated between
// the walks. And the two sequences that would leave a changed record
// stale: a window read before the record was written back and left the
// cache, and a read-ahead whose first buffer costs a write-back of a record
// the same read brings in.
#include "TableTestSupport.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>

namespace tabula::tabletest {
namespace {

class SteppedRead : public TableTest {
protected:
    // A calculated field (the id again) makes the cursor read through the
    // cache's read-ahead instead of the window.
    static void AddCopyOfId(TDataFile& t) {
        TFieldDescriptor copy = TFieldDescriptor::Make(0, "IdAgain", datafmt::kFtInt32);
        t.AddCalculatedField(copy, [&t](const TFieldDescriptor& f, std::span<std::uint8_t> image) {
            const TFieldRead id = t.ReadField(1, image);
            image[f.offset] = 1;
            std::memcpy(image.data() + f.offset + 1, id.value.data(), 4);
        });
    }

    // Id -> name of every record, read by stepping through physical order.
    static std::map<std::int32_t, std::string> Walk(TDataFile& t, bool forward) {
        std::map<std::int32_t, std::string> rows;
        Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
        forward ? t.GotoFirst() : t.GotoLast();
        while ((forward ? t.NextRecord(image) : t.PriorRecord(image)) == 0)
            rows[IdOf(t, image)] = NameOf(t, image);
        return rows;
    }

    // A table of twice as many records as the cache holds, all "old",
    // opened again exclusively in physical order.
    std::unique_ptr<TDataFile> OpenFilledTable() {
        CreateTable(Shape(false));
        {
            auto t = OpenTable(true);
            for (int i = 0; i < static_cast<int>(2 * t->Cache().Capacity()) + 10; ++i)
                t->AppendRecord(Row(*t, i, "old"));
        }
        auto t = OpenTable(true);
        t->SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
        return t;
    }

    // Stands on the record at position p (from 1) in physical order.
    static Bytes RecordAt(TDataFile& t, std::int64_t p) {
        Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
        t.GotoPosition(p);
        EXPECT_EQ(t.GetCurrentRecord(image), 0);
        return image;
    }
};

TEST_F(SteppedRead, WalksReadWhatTheTableWasLastGiven) {
    for (const bool calculated : {false, true}) {
        SCOPED_TRACE(calculated ? "through the cache" : "through the window");
        const std::string name = calculated ? "Calc" : "Plain";
        CreateTable(Shape(false), name);
        auto t = OpenTable(true, name);
        t->SelectIndexByNumber(indexfmt::kPhysicalOrderIndex);
        if (calculated)
            AddCopyOfId(*t);
        std::map<std::int32_t, std::string> model;
        std::mt19937 rng(11);
        std::int32_t nextId = 0;
        auto append = [&] {
            const std::string text = "a" + std::to_string(rng() % 1000);
            t->AppendRecord(Row(*t, nextId, text));
            model[nextId++] = text;
        };
        // Several times what the cache holds, so that walks evict and
        // write back.
        const auto rows = static_cast<int>(3 * t->Cache().Capacity());
        for (int i = 0; i < rows; ++i)
            append();
        for (int round = 0; round < 60; ++round) {
            for (int change = 0; change < 25; ++change) {
                const int what = static_cast<int>(rng() % 4);
                if (what == 0) {
                    append();
                    continue;
                }
                const std::int64_t p = 1 + static_cast<std::int64_t>(rng() % model.size());
                const Bytes image = RecordAt(*t, p);
                const std::int32_t id = IdOf(*t, image);
                if (what == 1 && model.size() > 1) {
                    t->DeleteRecord();
                    model.erase(id);
                } else {
                    const std::string text = "u" + std::to_string(rng() % 1000);
                    t->UpdateRecord(Row(*t, id, text));
                    model[id] = text;
                }
            }
            const bool forward = rng() % 2 == 0;
            ASSERT_EQ(Walk(*t, forward), model) << "round " << round;
        }
        t->Close();
        EXPECT_EQ(Findings(name), std::vector<std::string>{});
        auto reopened = OpenTable(true, name);
        EXPECT_EQ(Walk(*reopened, true), model);
    }
}

// A walk has read the window of records 1 on; record 3 then changes, is
// written back and leaves the cache. Stepping on to it reads the file
// again, not the window's copy.
TEST_F(SteppedRead, TheWindowGoesWithTheWritesOfItsRecords) {
    auto t = OpenFilledTable();
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    t->GotoFirst();
    ASSERT_EQ(t->NextRecord(image), 0);
    const Bytes third = RecordAt(*t, 3);
    t->UpdateRecord(Row(*t, IdOf(*t, third), "new"));
    const auto capacity = static_cast<std::int64_t>(t->Cache().Capacity());
    for (std::int64_t p = 0; p < capacity; ++p)
        RecordAt(*t, capacity + 2 + p);
    RecordAt(*t, 2);
    ASSERT_EQ(t->NextRecord(image), 0);
    EXPECT_EQ(IdOf(*t, image), 2);
    EXPECT_EQ(NameOf(*t, image), "new");
}

// The cache is full of clean records with the changed record 2 as the least
// recently used; a forward read from record 1 takes record 2's buffer for
// record 1, which first writes record 2 back - after the file was read for
// the whole run. Record 2 must then come from the file as written, not from
// the bytes read before.
TEST_F(SteppedRead, AReadAheadWritingBackARecordOfItsRunReadsItAgain) {
    auto t = OpenFilledTable();
    AddCopyOfId(*t);
    const Bytes second = RecordAt(*t, 2);
    t->UpdateRecord(Row(*t, IdOf(*t, second), "new"));
    const auto capacity = static_cast<std::int64_t>(t->Cache().Capacity());
    // Every other buffer goes to records well past the first read-ahead.
    for (std::int64_t p = 0; p < capacity - 1; ++p)
        RecordAt(*t, capacity + 2 + p);
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    t->GotoFirst();
    ASSERT_EQ(t->NextRecord(image), 0);
    ASSERT_EQ(t->NextRecord(image), 0);
    EXPECT_EQ(IdOf(*t, image), 1);
    EXPECT_EQ(NameOf(*t, image), "new");
}

} // namespace
} // namespace tabula::tabletest

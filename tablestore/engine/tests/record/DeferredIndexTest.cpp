// A table whose secondary index defers its inserts must end up exactly as
// one filled record by record: the same order of records by that index
// (equal names in append order), a sound table by the verifier after
// close, and the same whatever else happens to the table while entries are
// still gathered (a delete or a search builds the index first).
#include "EngineCodes.h"
#include "TableTestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace tabula::tabletest {
namespace {

constexpr int kByName = 1;

class DeferredIndex : public TableTest {
protected:
    // Appends `rows` random rows (few distinct names, so many ties) to the
    // table named `name`; the same seed gives the same rows.
    void Fill(TDataFile& t, int rows, std::uint32_t seed, int firstId = 0) {
        std::mt19937 rng(seed);
        for (int i = 0; i < rows; ++i) {
            const std::string name = "n" + std::to_string(rng() % 37);
            t.AppendRecord(Row(t, firstId + i, name, static_cast<std::int32_t>(rng() % 100)));
        }
    }

    std::vector<std::int32_t> IdsByName(TDataFile& t) {
        t.SelectIndexByNumber(kByName);
        return Ids(t);
    }
};

TEST_F(DeferredIndex, GivesTheOrderOfRecordByRecordInserts) {
    CreateTable(Shape(true), "Deferred");
    CreateTable(Shape(true), "Direct");
    {
        auto deferred = OpenTable(true, "Deferred");
        auto direct = OpenTable(true, "Direct");
        deferred->DeferIndexInserts(kByName);
        Fill(*deferred, 3000, 8);
        Fill(*direct, 3000, 8);
        deferred->BuildDeferredIndexes();
        deferred->BuildDeferredIndexes(); // nothing left to build
        EXPECT_EQ(IdsByName(*deferred), IdsByName(*direct));
    }
    EXPECT_TRUE(Findings("Deferred").empty());
    auto reopened = OpenTable(true, "Deferred");
    auto direct = OpenTable(true, "Direct");
    EXPECT_EQ(IdsByName(*reopened), IdsByName(*direct));
}

TEST_F(DeferredIndex, IsBuiltBeforeAnyOtherUseAndByClose) {
    CreateTable(Shape(true), "Deferred");
    CreateTable(Shape(true), "Direct");
    {
        auto deferred = OpenTable(true, "Deferred");
        auto direct = OpenTable(true, "Direct");
        deferred->DeferIndexInserts(kByName);
        for (TDataFile* t : {deferred.get(), direct.get()}) {
            Fill(*t, 500, 3);
            // A delete must find the record's entry in the index.
            t->SelectIndexByNumber(indexfmt::kPrimaryIndex);
            t->GotoFirst();
            ASSERT_EQ(t->NextRecord(), 0);
            t->DeleteRecord();
            Fill(*t, 500, 4, 1000);
        }
        EXPECT_EQ(IdsByName(*deferred), IdsByName(*direct));
        // Its tree has entries now: no second deferral.
        EXPECT_EQ(CodeOf([&] { deferred->DeferIndexInserts(kByName); }), kErrIndexExists);
    }
    EXPECT_TRUE(Findings("Deferred").empty());

    // Gathered entries that nothing used are written by the close.
    CreateTable(Shape(true), "Closed");
    {
        auto closed = OpenTable(true, "Closed");
        closed->DeferIndexInserts(kByName);
        Fill(*closed, 700, 9);
    }
    EXPECT_TRUE(Findings("Closed").empty());
    CreateTable(Shape(true), "Direct2");
    {
        auto direct = OpenTable(true, "Direct2");
        Fill(*direct, 700, 9);
    }
    auto reopened = OpenTable(true, "Closed");
    auto direct = OpenTable(true, "Direct2");
    EXPECT_EQ(IdsByName(*reopened), IdsByName(*direct));
}

TEST_F(DeferredIndex, RefusesASharedTableAndAnUnknownIndex) {
    CreateTable(Shape(true));
    {
        auto shared = OpenTable(false);
        EXPECT_EQ(CodeOf([&] { shared->DeferIndexInserts(kByName); }), kErrMustBeExclusive);
    }
    auto t = OpenTable(true);
    EXPECT_EQ(CodeOf([&] { t->DeferIndexInserts(2); }), kErrInvalidIndexName);
    EXPECT_EQ(CodeOf([&] { t->DeferIndexInserts(indexfmt::kPrimaryIndex); }), kErrInvalidIndexName);
}

} // namespace
} // namespace tabula::tabletest

// A SELECT's result never depends on which indexes its tables have: the
// same random tables are made twice, once with indexes on every join and
// filter column and once in bare physical order, and joins (inner, outer,
// by =, < and >=, across integer widths, with NULLs and values one side
// cannot hold), WHERE parts and the COUNT fast path must answer the same
// rows on both. Deterministic seeds.
#include "DataFileFormat.h"
#include "DataQuery.h"
#include "FileSession.h"
#include "IndexFileFormat.h"
#include "QueryTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace tabula {
namespace {

using namespace querytest;

class JoinIndex : public ::testing::Test {
protected:
    void SetUp() override { StartEngine(); }
    void TearDown() override { DefaultSession().SetActive(false); }

    void MakeTables(unsigned seed) {
        const std::string a = "No int32, K int32, N int16, S string 8";
        const std::string b = "K int16, W int32, S string 8";
        CreateTable(indexed.Table("A"), a, {"No"}, {{"ByK", {"K"}}, {"ByS", {"S"}}});
        CreateTable(indexed.Table("B"), b, {}, {{"ByK", {"K"}}, {"ByW", {"W"}}, {"ByS", {"S"}}});
        CreateTable(bare.Table("A"), a);
        CreateTable(bare.Table("B"), b);
        std::mt19937 random(seed);
        auto pick = [&random](int n) {
            return static_cast<int>(random() % static_cast<unsigned>(n));
        };
        const char* texts[] = {"'ab'", "'AB'", "'b'", "'abc'", "NULL", "''"};
        auto number = [&](int range) {
            if (pick(8) == 0)
                return std::string("NULL");
            // Now and then a value a 16-bit column cannot hold.
            if (pick(15) == 0)
                return std::string("70000");
            return std::to_string(pick(2 * range + 1) - range);
        };
        for (int i = 1; i <= 40; ++i) {
            const std::string row = "(" + std::to_string(i) + ", " + number(4) + ", " +
                                    (pick(6) == 0 ? "NULL" : std::to_string(pick(9) - 4)) + ", " +
                                    texts[pick(6)] + ")";
            Insert("A", row);
        }
        for (int i = 1; i <= 25; ++i) {
            const std::string row = "(" + (pick(6) == 0 ? "NULL" : std::to_string(pick(9) - 4)) +
                                    ", " + number(6) + ", " + texts[pick(6)] + ")";
            Insert("B", row);
        }
    }
    void Insert(const std::string& table, const std::string& row) {
        for (const TScratchDir* dir : {&indexed, &bare})
            ASSERT_EQ(RunSql(dir->Path(), "INSERT INTO " + table + " VALUES " + row), "ok");
    }

    static std::vector<std::string> Result(const TScratchDir& dir, const std::string& sql) {
        return SortedResultRows(dir.Path(), sql);
    }

    TScratchDir indexed;
    TScratchDir bare;
};

// Each query with its plain form: the same condition where no comparison
// can serve as a join link or be handed to a table (each one ORed with a
// false one stays whole in the walk's own test), run on the bare tables.
// A COUNT query's plain form lists the rows it counts.
struct TCase {
    const char* sql;
    const char* plain;
    bool count = false;
};

TEST_F(JoinIndex, ResultsAreTheSameWithAndWithoutIndexesAndLinks) {
    const TCase cases[] = {
        {"SELECT A.No, B.W FROM A, B WHERE A.K = B.K",
         "SELECT A.No, B.W FROM A, B WHERE (A.K = B.K OR A.No <> A.No)"},
        {"SELECT A.No, B.W FROM A, B WHERE B.K = A.K AND B.W > 0",
         "SELECT A.No, B.W FROM A, B WHERE (B.K = A.K OR A.No <> A.No) AND (B.W > 0 OR A.No <> "
         "A.No)"},
        {"SELECT A.No, B.W FROM A, B WHERE A.N = B.K AND A.K >= B.W",
         "SELECT A.No, B.W FROM A, B WHERE (A.N = B.K OR A.No <> A.No) AND (A.K >= B.W OR A.No "
         "<> A.No)"},
        {"SELECT A.No, B.W FROM A, B WHERE A.K < B.K AND A.No < 10",
         "SELECT A.No, B.W FROM A, B WHERE (A.K < B.K OR A.No <> A.No) AND A.No < 10"},
        {"SELECT A.No, B.W FROM A, B WHERE B.W > A.N",
         "SELECT A.No, B.W FROM A, B WHERE (B.W > A.N OR A.No <> A.No)"},
        {"SELECT A.No, B.W FROM A INNER JOIN B ON A.K = B.W",
         "SELECT A.No, B.W FROM A INNER JOIN B ON (A.K = B.W OR A.No <> A.No)"},
        {"SELECT A.No, B.W, B.S FROM A LEFT OUTER JOIN B ON A.K = B.K",
         "SELECT A.No, B.W, B.S FROM A LEFT OUTER JOIN B ON (A.K = B.K OR A.No <> A.No)"},
        {"SELECT A.No, B.W FROM A LEFT OUTER JOIN B ON A.K = B.K AND B.W <> 2 "
         "WHERE B.W IS NULL OR A.No > 20",
         "SELECT A.No, B.W FROM A LEFT OUTER JOIN B ON (A.K = B.K OR A.No <> A.No) AND B.W <> 2 "
         "WHERE B.W IS NULL OR A.No > 20"},
        {"SELECT A.No, B.W FROM A LEFT OUTER JOIN B ON B.W >= A.K WHERE B.K = 1",
         "SELECT A.No, B.W FROM A LEFT OUTER JOIN B ON (B.W >= A.K OR A.No <> A.No) WHERE (B.K = "
         "1 OR A.No <> A.No)"},
        {"SELECT A.No, B.K FROM A RIGHT OUTER JOIN B ON A.K = B.K",
         "SELECT A.No, B.K FROM A RIGHT OUTER JOIN B ON (A.K = B.K OR B.W <> B.W OR B.W IS "
         "NULL AND A.K = B.K)"},
        {"SELECT A.No, B.W FROM A, B WHERE A.S = B.S AND A.K >= 0",
         "SELECT A.No, B.W FROM A, B WHERE (A.S = B.S OR A.No <> A.No) AND (A.K >= 0 OR A.No <> "
         "A.No)"},
        {"SELECT A.No, X.No FROM A, A AS X WHERE A.K = X.N AND X.S = 'ab'",
         "SELECT A.No, X.No FROM A, A AS X WHERE (A.K = X.N OR A.No <> A.No) AND (X.S = 'ab' OR "
         "A.No <> A.No)"},
        {"SELECT A.No FROM A WHERE K = 2 OR S LIKE 'a%'",
         "SELECT A.No FROM A WHERE K = 2 OR S LIKE 'a%' OR No <> No"},
        {"SELECT A.No FROM A WHERE K = 70000 AND N IS NULL",
         "SELECT A.No FROM A WHERE (K = 70000 OR No <> No) AND (N IS NULL OR No <> No)"},
        {"SELECT B.W FROM B WHERE K = 2.5 OR K = -1",
         "SELECT B.W FROM B WHERE K = 2.5 OR K = -1 OR W <> W AND W = 1"},
        {"SELECT COUNT(*) FROM A WHERE K = 1", "SELECT No FROM A WHERE K = 1 OR No <> No", true},
        {"SELECT COUNT(*) FROM B WHERE S LIKE 'a%' AND W > -3",
         "SELECT S, W FROM B WHERE (S LIKE 'a%' OR K <> K AND K = 1) AND (W > -3 OR K <> K AND K "
         "= 1)",
         true},
        {"SELECT COUNT(*) FROM A", "SELECT No FROM A", true},
        {"SELECT B.S, COUNT(*), SUM(A.N) FROM A, B WHERE A.K = B.K GROUP BY B.S",
         "SELECT B.S, COUNT(*), SUM(A.N) FROM A, B WHERE (A.K = B.K OR A.No <> A.No) GROUP BY "
         "B.S"},
    };
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        MakeTables(seed);
        for (const TCase& c : cases) {
            std::vector<std::string> expected = Result(bare, c.plain);
            ASSERT_TRUE(expected.empty() || expected[0].rfind("error: ", 0) != 0) << expected[0];
            if (c.count)
                expected = {std::to_string(expected.size())};
            EXPECT_EQ(Result(bare, c.sql), expected) << c.sql;
            EXPECT_EQ(Result(indexed, c.sql), expected) << c.sql;
        }
    }
}

// A COUNT whose WHERE is one index leaf is counted from the ends of the
// leaf's run of index entries, not from a bitmap: the figure must stay the
// number of live rows that pass - after deletes, with NULL keys at one end
// of the index, for runs that are the complement of a range (<>) and for
// conditions that are not one leaf (OR, AND, the IS NULL an ordering
// comparison carries).
TEST_F(JoinIndex, CountsFromIndexPositionsAgreeWithTheRowsAfterDeletes) {
    const TCase cases[] = {
        {"SELECT COUNT(*) FROM A WHERE K = 1", "SELECT No FROM A WHERE K = 1 OR No <> No"},
        {"SELECT COUNT(*) FROM A WHERE K <> 1", "SELECT No FROM A WHERE K <> 1 OR No <> No"},
        {"SELECT COUNT(*) FROM A WHERE K < 0", "SELECT No FROM A WHERE K < 0 OR No <> No"},
        {"SELECT COUNT(*) FROM A WHERE K >= 2", "SELECT No FROM A WHERE K >= 2 OR No <> No"},
        {"SELECT COUNT(*) FROM A WHERE K IS NULL", "SELECT No FROM A WHERE K IS NULL OR No <> No"},
        {"SELECT COUNT(*) FROM A WHERE S = 'ab'", "SELECT No FROM A WHERE S = 'ab' OR No <> No"},
        {"SELECT COUNT(*) FROM A WHERE S LIKE 'a%'",
         "SELECT No FROM A WHERE S LIKE 'a%' OR No <> No"},
        {"SELECT COUNT(No) FROM A WHERE No > 20", "SELECT No FROM A WHERE No > 20 OR No <> No"},
        {"SELECT COUNT(*) FROM A WHERE K = 1 OR K = 2",
         "SELECT No FROM A WHERE K = 1 OR K = 2 OR No <> No"},
        {"SELECT COUNT(*) FROM B WHERE W BETWEEN -2 AND 3",
         "SELECT K, W FROM B WHERE W BETWEEN -2 AND 3 OR K <> K AND K = 1"},
    };
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        MakeTables(seed);
        for (const TScratchDir* dir : {&indexed, &bare}) {
            ASSERT_EQ(RunSql(dir->Path(), "DELETE FROM A WHERE No < 8 OR No > 35 OR K = 3"), "ok");
            ASSERT_EQ(RunSql(dir->Path(), "DELETE FROM B WHERE W < -4"), "ok");
        }
        for (const TCase& c : cases) {
            const std::vector<std::string> expected = {
                std::to_string(Result(bare, c.plain).size())};
            EXPECT_EQ(Result(bare, c.sql), expected) << c.sql;
            EXPECT_EQ(Result(indexed, c.sql), expected) << c.sql;
        }
    }
}

// Join lookups whose key does not settle the comparison by itself: a
// case-insensitive index gathers texts that differ in case, full-length
// texts fill their key slot, and the two zeros of a float (equal as values)
// have different keys; outer rows repeat a key, also across a NULL. With
// the index each join must answer the rows of the plain nested walk.
TEST_F(JoinIndex, LookupsOnKeysThatDoNotDecideTheComparisonMatchThePlainWalk) {
    const std::string a = "No int32, S string 3, F float";
    const std::string b = "No int32, S string 3, T string 3, F float";
    CreateTable(indexed.Table("A"), a, {"No"});
    CreateTable(bare.Table("A"), a, {"No"});
    CreateTable(indexed.Table("B"), b, {"No"},
                {{"ByS", {"S", "NOCASE"}}, {"ByT", {"T"}}, {"ByF", {"F"}}});
    CreateTable(bare.Table("B"), b, {"No"});
    const char* texts[] = {"'abc'", "'ABC'", "'aBc'", "'ab'", "'AB'", "NULL"};
    // The outer table's texts in physical order: runs of one key, a run
    // broken by a NULL.
    const char* outer[] = {"'abc'", "'abc'", "'ABC'", "NULL", "'ABC'", "'ab'",
                           "'ab'",  "NULL",  "'ab'",  "'AB'", "'abc'", "'abc'"};
    const double floats[] = {0.0, -0.0, 1.5, -1.5};
    for (int i = 1; i <= 12; ++i) {
        Insert("A", "(" + std::to_string(i) + ", " + outer[i - 1] + ", NULL)");
        Insert("B", "(" + std::to_string(i) + ", " + texts[(i * 5) % 6] + ", " + texts[i % 6] +
                        ", NULL)");
    }
    // Float values go in through the record image, where a negative zero
    // keeps its sign.
    for (const TScratchDir* dir : {&indexed, &bare}) {
        for (const char* table : {"A", "B"}) {
            TDataFile t;
            t.SetFileName(dir->Table(table));
            t.SetExclusive(true);
            t.Open();
            const int f = t.GetFieldDescriptor("F").fieldNumber;
            std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
            t.SelectIndexByNumber(indexfmt::kPrimaryIndex);
            t.GotoFirst();
            int row = 0;
            while (t.NextRecord(image) == 0) {
                std::uint8_t bytes[sizeof(double)];
                datafmt::PutDouble(bytes, floats[row++ % 4]);
                t.WriteField(f, image, bytes);
                t.UpdateRecord(image);
            }
            t.Close();
        }
    }
    const TCase cases[] = {
        {"SELECT A.No, B.No FROM A, B WHERE A.S = B.S",
         "SELECT A.No, B.No FROM A, B WHERE (A.S = B.S OR A.No <> A.No)"},
        {"SELECT A.No, B.No FROM A LEFT OUTER JOIN B ON A.S = B.S",
         "SELECT A.No, B.No FROM A LEFT OUTER JOIN B ON (A.S = B.S OR A.No <> A.No)"},
        {"SELECT A.No, B.No FROM A, B WHERE B.T = A.S",
         "SELECT A.No, B.No FROM A, B WHERE (B.T = A.S OR A.No <> A.No)"},
        {"SELECT A.No, B.No FROM A LEFT OUTER JOIN B ON A.S = B.T WHERE B.No > 6",
         "SELECT A.No, B.No FROM A LEFT OUTER JOIN B ON (A.S = B.T OR A.No <> A.No) "
         "WHERE B.No > 6"},
        {"SELECT A.No, B.No FROM A, B WHERE A.F = B.F",
         "SELECT A.No, B.No FROM A, B WHERE (A.F = B.F OR A.No <> A.No)"},
        {"SELECT A.No, B.No FROM A LEFT OUTER JOIN B ON B.F = A.F",
         "SELECT A.No, B.No FROM A LEFT OUTER JOIN B ON (B.F = A.F OR A.No <> A.No)"},
    };
    for (const TCase& c : cases) {
        const std::vector<std::string> expected = Result(bare, c.plain);
        ASSERT_FALSE(expected.empty()) << c.plain;
        ASSERT_NE(expected[0].rfind("error: ", 0), 0u) << expected[0];
        EXPECT_EQ(Result(bare, c.sql), expected) << c.sql;
        EXPECT_EQ(Result(indexed, c.sql), expected) << c.sql;
    }
}

// A join on a key replays the inner records of a key met before only while
// the inner table stays as it was read: the progress callback runs between
// read slices, where other users may change the tables, and what it changes
// (an updated partner, a deleted one, a new one) reaches the very next
// outer row of that key, for inner and outer joins alike.
TEST_F(JoinIndex, ChangesBetweenReadSlicesReachKeysMetBefore) {
    CreateTable(indexed.Table("A"), "No int32, K string 3", {"No"});
    CreateTable(indexed.Table("B"), "K string 3, Name string 8", {"K"});
    const char* keys[] = {"'k1'", "'k2'", "'k3'", "'k1'", "'k2'", "'k3'", "'k1'", "'k2'"};
    for (int i = 1; i <= 8; ++i)
        ASSERT_EQ(RunSql(indexed.Path(),
                         "INSERT INTO A VALUES (" + std::to_string(i) + ", " + keys[i - 1] + ")"),
                  "ok");
    for (const char* row : {"('k1', 'old1')", "('k2', 'old2')"})
        ASSERT_EQ(RunSql(indexed.Path(), std::string("INSERT INTO B VALUES ") + row), "ok");
    // Before outer row 4: k1's partner renamed, k2's deleted, k3's added.
    const char* changes[] = {"UPDATE B SET Name = 'new1' WHERE K = 'k1'",
                             "DELETE FROM B WHERE K = 'k2'", "INSERT INTO B VALUES ('k3', 'new3')"};
    const char* inner = "SELECT A.No, B.Name FROM A, B WHERE A.K = B.K";
    const char* outer = "SELECT A.No, B.Name FROM A LEFT OUTER JOIN B ON A.K = B.K";
    const std::vector<std::string> expected[] = {
        {"1|old1", "2|old2", "4|new1", "6|new3", "7|new1"},
        {"1|old1", "2|old2", "3|NULL", "4|new1", "5|NULL", "6|new3", "7|new1", "8|NULL"}};
    for (int n = 0; n < 2; ++n) {
        const char* sql = n == 0 ? inner : outer;
        SCOPED_TRACE(sql);
        ASSERT_EQ(RunSql(indexed.Path(), "DELETE FROM B"), "ok");
        for (const char* row : {"('k1', 'old1')", "('k2', 'old2')"})
            ASSERT_EQ(RunSql(indexed.Path(), std::string("INSERT INTO B VALUES ") + row), "ok");
        TDataQuery q;
        q.SetDirectory(indexed.Path());
        std::vector<std::string> written;
        q.SetProgressCallback([&](std::int64_t counter, std::uint16_t, bool&) {
            if (counter == 4)
                for (const char* change : changes)
                    written.push_back(RunSql(indexed.Path(), change));
        });
        ASSERT_EQ(q.Prepare(sql), 0);
        ASSERT_EQ(q.Execute(), 0);
        EXPECT_EQ(written, (std::vector<std::string>{"ok", "ok", "ok"}));
        EXPECT_EQ(CursorRows(*q.ResultCursor()), expected[n]);
    }
}

} // namespace
} // namespace tabula

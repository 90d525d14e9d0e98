// Where a join's WHERE parts go: handed to a table as its engine filters,
// or kept for the walk to test on the combined row. Comparisons whose sides
// are expressions over different tables stay with the walk and run; only a
// table filter asked to read two tables is refused, as an internal fault.
#include "DataQuery.h"
#include "EngineError.h"
#include "FileSession.h"
#include "QueryTestSupport.h"
#include "SourceDataFile.h"
#include "SqlFilterBuilder.h"
#include "select/JoinIterator.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace querytest;

class JoinCondition : public ::testing::Test {
protected:
    void SetUp() override {
        StartEngine();
        CreateTable(dir.Table("T"), "No int32, City string 10, Qty int32", {"No"},
                    {{"ByCity", {"City"}}});
        CreateTable(dir.Table("P"), "City string 10, Region string 10", {"City"},
                    {{"ByRegion", {"Region"}}});
        for (const char* row : {"(1, 'A', 5)", "(2, 'B', 7)", "(3, 'A', 2)"})
            ASSERT_EQ(RunSql(dir.Path(), std::string("INSERT INTO T VALUES ") + row), "ok");
        for (const char* row : {"('A', 'North')", "('B', 'South')", "('C', 'East')"})
            ASSERT_EQ(RunSql(dir.Path(), std::string("INSERT INTO P VALUES ") + row), "ok");
    }
    void TearDown() override { DefaultSession().SetActive(false); }

    TScratchDir dir;
};

TEST_F(JoinCondition, PartsAreHandedToTheirTableOrKeptForTheCombinedRow) {
    struct TCase {
        const char* where;
        int handedT, residualT; // level 0: T
        int handedP, residualP; // level 1: P
        std::vector<std::string> rows;
    };
    const TCase cases[] = {
        // Expressions over one table on each side: tested on the combined
        // row (no join link), nothing refused. T.No = 1 and P.Region go to
        // their tables' indexes; T.Qty + 0 > 1 has no index to use.
        {"T.City || '-' = P.City || '-' AND T.No = 1 AND P.Region = 'North' AND T.Qty + 0 > 1",
         1,
         1,
         1,
         1,
         {"1|North"}},
        {"T.City || '-' = P.City || '-' AND T.Qty + 0 < 6", 0, 1, 0, 1, {"1|North", "3|North"}},
        // A plain column comparison is the join link; it is still tested.
        {"T.City = P.City AND T.No = 2", 1, 0, 0, 1, {"2|South"}},
        // An OR over both tables stays whole with the later table.
        {"T.No = 1 OR P.Region = 'South'",
         0,
         0,
         0,
         1,
         {"1|East", "1|North", "1|South", "2|South", "3|South"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.where);
        const std::string sql = std::string("SELECT T.No, P.Region FROM T, P WHERE ") + c.where;
        EXPECT_EQ(SortedResultRows(dir.Path(), sql), c.rows);

        TDataQuery q;
        q.SetDirectory(dir.Path());
        ASSERT_EQ(q.Prepare(sql), 0);
        ASSERT_EQ(q.Execute(), 0); // type-checks the WHERE tree
        const TJoinIterator join(q.Statement(), {&q.Source(0), &q.Source(1)}, 0, false);
        EXPECT_EQ(join.HandedFilterCount(0), c.handedT);
        EXPECT_EQ(join.ResidualPartCount(0), c.residualT);
        EXPECT_EQ(join.HandedFilterCount(1), c.handedP);
        EXPECT_EQ(join.ResidualPartCount(1), c.residualP);
    }
}

TEST_F(JoinCondition, TableFilterOverTwoTablesIsTheInternalFilterError) {
    for (const char* where :
         {"T.City || '-' = P.City || '-'", "T.City || P.City LIKE 'A%'",
          "T.City = 'A' OR P.City = 'A'", "T.Qty BETWEEN 1 AND 2 AND P.City IN ('A')"}) {
        SCOPED_TRACE(where);
        TDataQuery q;
        q.SetDirectory(dir.Path());
        ASSERT_EQ(q.Prepare(std::string("SELECT T.No FROM T, P WHERE ") + where), 0);
        ASSERT_EQ(q.Execute(), 0);
        TDataFile& t = q.Source(0).File();
        TSqlFilterBuilder builder(t, t.Header().LocaleId(), true);
        try {
            builder.Build(*q.Statement().where);
            FAIL() << "a filter over two tables was built";
        } catch (const ETabulaEngineError& e) {
            EXPECT_EQ(e.Code(), kErrSql);
            EXPECT_NE(std::string(e.what()).find(kTableFilterError), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace tabula

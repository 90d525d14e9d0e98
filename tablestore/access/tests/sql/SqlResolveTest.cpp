// Resolution of parsed statements against fake source tables: column
// lookup, "*" expansion, result column names and the resolver's messages.
#include "SqlResolver.h"
#include "SqlTestSupport.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace datafmt;
using sqltest::SqlFailure;
using sqltest::TFakeTable;

const TFakeTable kOrders({{"Id", kFtInt32, 0, 4, 0},
                          {"Name", kFtString, 0, 21, 0},
                          {"Qty", kFtInt16, 0, 2, 0},
                          {"Price", kFtBcd, 0, 8, 2}});
const TFakeTable kCities({{"Id", kFtInt32, 0, 4, 0}, {"City", kFtString, 0, 31, 0}});

TSqlStatement Resolved(const std::string& text) {
    TSqlStatement s = TSqlParser().Parse(text);
    std::vector<const ISqlSourceTable*> sources;
    for (const TSqlTableRef& t : s.tables)
        sources.push_back(SqlEqualsIgnoreCase(SqlDefaultCorrelation(t.tableText), "C") ? &kCities
                                                                                       : &kOrders);
    TSqlResolver(s, sources).Resolve();
    return s;
}

std::vector<std::string> Names(const std::string& text) {
    std::vector<std::string> out;
    for (const auto& c : Resolved(text).columns)
        out.push_back(c.name);
    return out;
}

TEST(SqlResolve, StarExpandsInSourceOrder) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Names("SELECT * FROM O"), (V{"Id", "Name", "Qty", "Price"}));
    EXPECT_EQ(Names("SELECT c.*, o.Qty FROM O o, C c"), (V{"Id", "City", "Qty"}));
    EXPECT_EQ(Names("SELECT * FROM O, C"), (V{"Id", "Name", "Qty", "Price", "Id_1", "City"}));
    const auto s = Resolved("SELECT c.* FROM O, C c");
    EXPECT_EQ(s.columns[0].expr->tableIndex, 1);
    EXPECT_EQ(s.columns[1].expr->fieldNumber, 2);
    EXPECT_EQ(s.columns[1].expr->type.size, 31);
}

TEST(SqlResolve, ResultColumnNames) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Names("SELECT SUM(Qty), MIN(Qty), MAX(Qty), AVG(Qty), COUNT(Qty) FROM O"),
              (V{"Sum Of Qty", "Min Of Qty", "Max Of Qty", "Average Of Qty", "Count Of Qty"}));
    EXPECT_EQ(Names("SELECT SUM(Qty * 2), COUNT(Qty + 1) FROM O"),
              (V{"Sum Of Expr", "Count Of Expr"}));
    EXPECT_EQ(Names("SELECT Qty + 1, Qty * 2, name, NAME, Name x FROM O"),
              (V{"Expression", "Expression_1", "Name", "Name_1", "x"}));
    // a repeated 30-character name is cut to make room for its counter
    const std::string longName(30, 'L');
    const auto names = Names("SELECT Qty " + longName + ", Id " + longName + " FROM O");
    EXPECT_EQ(names[0], longName);
    EXPECT_EQ(names[1], std::string(28, 'L') + "_1");
    // an alias longer than 30 characters is cut
    EXPECT_EQ(Names("SELECT Qty " + std::string(40, 'a') + " FROM O")[0], std::string(30, 'a'));
}

TEST(SqlResolve, GroupingAndOrderItems) {
    auto s = Resolved("SELECT COUNT(*) FROM O");
    EXPECT_TRUE(s.grouped);
    s = Resolved("SELECT Name, SUM(Qty) FROM O GROUP BY Name ORDER BY 2 DESC, o.Id");
    EXPECT_TRUE(s.grouped);
    EXPECT_EQ(s.groupBy[0].resultIndex, 0);
    EXPECT_EQ(s.orderBy[0].resultIndex, 1);
    EXPECT_EQ(s.orderBy[1].resultIndex, -1); // a source column that is not a result
    EXPECT_EQ(s.orderBy[1].fieldNumber, 1);
    s = Resolved("SELECT Name FROM O");
    EXPECT_FALSE(s.grouped);
}

TEST(SqlResolve, InsertAndUpdateTargets) {
    auto s = Resolved("INSERT INTO O VALUES (1, 'a', 2, 3)");
    ASSERT_EQ(s.targetColumns.size(), 4u);
    EXPECT_EQ(s.targetColumns[3]->fieldNumber, 4);
    s = Resolved("UPDATE O SET qty = 1, o.name = 'x'");
    EXPECT_EQ(s.targetColumns[0]->fieldNumber, 3);
    EXPECT_EQ(s.targetColumns[1]->type.code, kFtString);
}

TEST(SqlResolve, Messages) {
    struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"SELECT Nope FROM O",
         "Invalid column name 'Nope' or table correlation name '' specified in source columns"},
        {"SELECT x.Qty FROM O",
         "Invalid column name 'Qty' or table correlation name 'x' specified in source columns"},
        {"SELECT x.* FROM O",
         "Invalid column name '*' or table correlation name 'x' specified in source columns"},
        {"INSERT INTO O (Nope) VALUES (1)",
         "Invalid column name 'Nope' or table correlation name '' specified in table columns"},
        {"SELECT Qty FROM O ORDER BY Nope",
         "Invalid column name 'Nope' or table correlation name '' specified in ORDER BY clause"},
        {"SELECT Qty FROM O GROUP BY z.Qty",
         "Invalid column name 'Qty' or table correlation name 'z' specified in GROUP BY clause"},
        {"DELETE FROM O WHERE z.Qty = 1",
         "Table correlation name 'z' referenced in WHERE clause is not defined in the FROM "
         "clause"},
        {"SELECT * x FROM O",
         "Invalid use of column correlation name 'x' for '*' specified in source columns"},
        {"SELECT Qty row___no FROM O", "Invalid use of reserved field name 'row___no'in source "
                                       "columns"},
        {"SELECT Name, SUM(Qty) FROM O",
         "Invalid use of aggregate function for column 'Sum Of Qty', the necessary GROUP BY "
         "clause is missing"},
        {"SELECT Qty FROM O GROUP BY 2", "Invalid column number '2' specified in GROUP BY clause"},
        {"SELECT Qty FROM O ORDER BY 0", "Invalid column number '0' specified in ORDER BY clause"},
        {"SELECT DISTINCT *, *, *, *, *  FROM O",
         "Maximum number of columns (16) in DISTINCT clause exceeded"},
        {"INSERT INTO O (Id, Qty) VALUES (1)",
         "The number of values must match the number of table columns"},
        {"INSERT INTO O VALUES (1, 2)",
         "The number of values must match the number of table columns"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SqlFailure([&] { Resolved(c.text); }), c.message) << c.text;
}

} // namespace
} // namespace tabula

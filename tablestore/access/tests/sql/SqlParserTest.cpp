// The SQL parser: expression precedence and grouping, the statements with
// their clauses, and every parser message (table-driven).
#include "SqlParser.h"

#include "EngineCodes.h"
#include "SqlError.h"
#include "SqlTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tabula {
namespace {

using sqltest::ParseFailure;

// A tree as a fully parenthesised text: binary "(l op r)", unary "(op x)",
// functions and predicates "name(operands)".
std::string Show(const TSqlNodePtr& n) {
    if (!n)
        return "-";
    switch (n->kind) {
    case TSqlNodeKind::Binary:
        return "(" + Show(n->left) + " " + n->name + " " + Show(n->right) + ")";
    case TSqlNodeKind::Unary:
        return "(" + n->name + " " + Show(n->left) + ")";
    case TSqlNodeKind::Column:
        return n->correlation.empty() ? n->name : n->correlation + "." + n->name;
    case TSqlNodeKind::Constant:
        return n->parameter ? "?" + std::to_string(n->parameterIndex) : n->name;
    default: {
        std::string out = n->name + "(" + Show(n->left);
        if (n->right)
            out += "," + Show(n->right);
        for (const auto& item : n->list)
            out += "," + Show(item);
        return out + ")";
    }
    }
}

std::string Where(const std::string& condition) {
    return Show(TSqlParser().Parse("DELETE FROM T WHERE " + condition).where);
}

TEST(SqlParser, OperatorsOfOneLevelGroupFromTheRight) {
    EXPECT_EQ(Where("a = 10 - 5 - 2"), "(a = (10 - (5 - 2)))");
    EXPECT_EQ(Where("a = 8 / 4 / 2"), "(a = (8 / (4 / 2)))");
    EXPECT_EQ(Where("a = 1 + 2 * 3 - 4"), "(a = (1 + ((2 * 3) - 4)))");
    // AND and OR share one level
    EXPECT_EQ(Where("TRUE OR FALSE AND FALSE"), "(TRUE OR (FALSE AND FALSE))");
    EXPECT_EQ(Where("FALSE AND FALSE OR TRUE"), "(FALSE AND (FALSE OR TRUE))");
    EXPECT_EQ(Where("(a = 1 OR b = 2) AND c = 3"), "(((a = 1) OR (b = 2)) AND (c = 3))");
    // comparisons take a predicate on the right
    EXPECT_EQ(Where("a = b = c"), "(a = (b = c))");
    // NOT and the signs take a primary
    EXPECT_EQ(Where("NOT a = b"), "((NOT a) = b)");
    EXPECT_EQ(Where("-a * b = 1"), "(((- a) * b) = 1)");
    EXPECT_EQ(Where("a || b = 'x'"), "((a || b) = x)");
}

TEST(SqlParser, TwoTokenComparisons) {
    EXPECT_EQ(Where("a < > b"), "(a < > b)");
    EXPECT_EQ(Where("a <> b"), "(a < > b)");
    EXPECT_EQ(Where("a<=b"), "(a < = b)");
    EXPECT_EQ(Where("a >= b"), "(a > = b)");
    const auto w = TSqlParser().Parse("DELETE FROM T WHERE a < > b").where;
    EXPECT_EQ(w->op, sqlop::kNe);
}

TEST(SqlParser, ExtendedPredicates) {
    EXPECT_EQ(Where("a BETWEEN 1 AND 5 AND b LIKE 'x%'"), "(BETWEEN(a,1,5) AND LIKE(b,x%))");
    EXPECT_EQ(Where("a NOT IN (1, 2, 3)"), "NOT IN(a,1,2,3)");
    EXPECT_EQ(Where("a IS NULL"), "(a IS NULL NULL)");
    const auto w = TSqlParser().Parse("DELETE FROM T WHERE a IS NOT NULL").where;
    EXPECT_EQ(w->op, sqlop::kNe);
    EXPECT_EQ(w->right->value.Type(), kSqlNullType);
    EXPECT_EQ(Where("a NOT BETWEEN 1 AND 2"), "NOT BETWEEN(a,1,2)");
}

TEST(SqlParser, Constants) {
    auto w = TSqlParser().Parse("DELETE FROM T WHERE a = '' OR b = 'true' OR c = 'it''s'").where;
    EXPECT_EQ(w->left->right->value.Type(), kSqlNullType); // '' is NULL
    w = w->right;
    EXPECT_EQ(w->left->right->value.Type(), datafmt::kFtBoolean);
    EXPECT_TRUE(w->left->right->value.AsBoolean());
    EXPECT_EQ(w->right->right->value.AsString(), "it's");
    w = TSqlParser().Parse("DELETE FROM T WHERE a = 2.5 OR a = 7").where;
    EXPECT_DOUBLE_EQ(w->left->right->value.AsFloat(), 2.5);
    EXPECT_EQ(w->right->right->value.Type(), datafmt::kFtInt32);
    w = TSqlParser().Parse("DELETE FROM T WHERE d = DATE OR t = NOW").where;
    EXPECT_EQ(w->left->right->value.Type(), datafmt::kFtDate);
    const double now = w->right->right->value.AsTimestamp();
    EXPECT_EQ(std::fmod(now, datafmt::kMsPerDay), 0.0); // midnight
    EXPECT_THROW(TSqlParser().Parse("DELETE FROM T WHERE a = 4294967296"), ESqlConvertError);
    EXPECT_THROW(TSqlParser().Parse("DELETE FROM T WHERE a = 1.2.3"), ESqlConvertError);
}

TEST(SqlParser, ParametersAreNumberedOverTheStatement) {
    const auto s = TSqlParser().Parse("UPDATE T SET a = ?, b = ? WHERE c = ?");
    ASSERT_EQ(s.parameters.size(), 3u);
    EXPECT_EQ(Show(s.where), "(c = ?2)");
}

TEST(SqlParser, DeleteForms) {
    for (const char* text : {"delete from T", "DELETE FROM T;", "/* c */ DELETE [FROM] T",
                             "Delete From ReportTableDetail;", "DELETE FROM MEMORY T AS x"}) {
        const auto s = TSqlParser().Parse(text);
        EXPECT_EQ(s.kind, TSqlStatementKind::Delete) << text;
        EXPECT_TRUE(s.writable);
        ASSERT_EQ(s.tables.size(), 1u);
    }
    const auto s = TSqlParser().Parse("DELETE FROM 'data/Rep.DAT' r WHERE r.x = 1");
    EXPECT_EQ(s.tables[0].tableText, "data/Rep.DAT");
    EXPECT_EQ(s.tables[0].correlation, "r");
    EXPECT_EQ(TSqlParser().Parse("DELETE FROM 'data/Rep.DAT'").tables[0].correlation, "Rep");
    EXPECT_EQ(SqlTablePath("/db/", "T"), "/db/T");
    EXPECT_EQ(SqlTablePath("/db", "sub/T"), "sub/T");
}

TEST(SqlParser, InsertAndUpdate) {
    auto s = TSqlParser().Parse("INSERT INTO T (a, b) VALUES (1, 'x' || ?)");
    EXPECT_EQ(s.kind, TSqlStatementKind::Insert);
    ASSERT_EQ(s.targetColumns.size(), 2u);
    ASSERT_EQ(s.values.size(), 2u);
    EXPECT_FALSE(s.allTargetColumns);
    EXPECT_EQ(s.parameters.size(), 1u);
    s = TSqlParser().Parse("insert into memory T values (1)");
    EXPECT_TRUE(s.allTargetColumns);
    EXPECT_TRUE(s.tables[0].inMemory);
    s = TSqlParser().Parse("UPDATE T AS u SET a = a + 1, u.b = 'y' WHERE a > 3;");
    EXPECT_EQ(s.tables[0].correlation, "u");
    ASSERT_EQ(s.targetColumns.size(), 2u);
    EXPECT_EQ(s.targetColumns[1]->correlation, "u");
    EXPECT_EQ(Show(s.values[0]), "(a + 1)");
    EXPECT_EQ(Show(s.where), "(a > 3)");
}

TEST(SqlParser, SelectClauses) {
    auto s = TSqlParser().Parse(
        "SELECT DISTINCT a AS x, SUM(b) total, c.d, COUNT(*) INTO MEMORY Res "
        "FROM T1 c, T2 LEFT OUTER JOIN T3 t3 ON t3.k = c.k WHERE a > 1 "
        "GROUP BY a, 2 ORDER BY c.a DESC, 1 ASC NOCASE WITH LOCKS ENCRYPTED WITH secret;");
    EXPECT_TRUE(s.distinct);
    ASSERT_EQ(s.columns.size(), 4u);
    EXPECT_EQ(s.columns[0].alias, "x");
    EXPECT_EQ(s.columns[1].alias, "total");
    EXPECT_EQ(s.columns[1].aggregate, sqlop::kSum);
    EXPECT_EQ(s.columns[1].sourceText, "SUM(b)");
    EXPECT_EQ(s.columns[3].aggregate, sqlop::kCount);
    EXPECT_TRUE(s.hasInto && s.intoMemory);
    EXPECT_EQ(s.intoName, "Res");
    ASSERT_EQ(s.tables.size(), 3u);
    EXPECT_EQ(s.tables[1].correlation, "T2");
    EXPECT_TRUE(s.multiTable);
    ASSERT_EQ(s.joins.size(), 1u);
    EXPECT_EQ(s.joins[0].kind, kJoinLeftOuter);
    // the ON condition is joined by AND with WHERE, and shared
    EXPECT_EQ(Show(s.where), "((t3.k = c.k) AND (a > 1))");
    EXPECT_EQ(s.where->left, s.joins[0].condition);
    ASSERT_EQ(s.groupBy.size(), 2u);
    EXPECT_EQ(s.groupBy[1].columnNumber, 2);
    ASSERT_EQ(s.orderBy.size(), 2u);
    EXPECT_EQ(s.orderBy[0].correlation, "c");
    EXPECT_TRUE(s.orderBy[0].descending);
    EXPECT_FALSE(s.orderBy[1].descending);
    EXPECT_TRUE(s.noCase && s.withLocks && s.encrypted);
    EXPECT_EQ(s.password, "secret");
    EXPECT_FALSE(s.writable);
}

TEST(SqlParser, RightJoinPutsItsTableFirst) {
    const auto s = TSqlParser().Parse("SELECT * FROM A RIGHT JOIN B ON A.k = B.k");
    ASSERT_EQ(s.tables.size(), 2u);
    EXPECT_EQ(s.tables[0].correlation, "B");
    EXPECT_EQ(s.tables[0].number, 1);
    EXPECT_EQ(s.tables[1].number, 2);
    EXPECT_EQ(s.joins[0].kind, kJoinRightOuter);
}

struct TMessageCase {
    const char* text;
    const char* message;
};

// Every parser message, with a statement that reaches it.
const TMessageCase kMessages[] = {
    {"Delete ReportTableDetail", "FROM keyword expected, instead found 'ReportTableDetail'"},
    {"DELETE FROM T WHERE", "Unknown or unexpected symbol '' found in WHERE or JOIN clause"},
    {"/* a *//* b */ DELETE FROM T",
     "SELECT, INSERT, UPDATE, or DELETE keyword expected, instead found '/'"},
    {"DROP TABLE T", "SELECT, INSERT, UPDATE, or DELETE keyword expected, instead found 'DROP'"},
    {"DELETE FROM T x y", "End of DELETE statement expected, instead found 'y'"},
    {"DELETE FROM T;;", "End of DELETE statement expected, instead found ';'"},
    {"DELETE FROM 5", "Table name expected, instead found '5'"},
    {"DELETE FROM T AS 5", "Symbol or string expected after AS keyword, instead found '5'"},
    {"SELECT * FROM T WHERE COUNT(*) > 1",
     "Aggregate functions are not allowed in WHERE or JOIN clause"},
    {"UPDATE T SET a = SUM(b)", "Aggregate functions are not allowed in values"},
    {"SELECT a LIKE 'x' FROM T",
     "Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in source "
     "columns"},
    {"DELETE FROM T WHERE a BETWEEN 1 OR 2",
     "Expected AND operator in BETWEEN operator, instead found 'OR' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE a IN 1",
     "Expected left parentheses after IN operator, instead found '1' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE a NOT IN 1",
     "Expected left parentheses for IN operator, instead found '1' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE a IN (1 2)",
     "Expected right parentheses after IN operator, instead found '2' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE a IN ()",
     "You must provide at least one value as an operand of the IN operator  in WHERE or JOIN "
     "clause"},
    {"DELETE FROM T WHERE a IS 5",
     "Unknown or unexpected symbol '5' found in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE a NOT 5", "Unknown or unexpected symbol '5' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE a | b",
     "Second concatenation symbol '|' expected after first concatentation symbol, instead found "
     "'b' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE (a = 1", "Right parentheses expected, instead found '' in WHERE or JOIN "
                                   "clause"},
    {"SELECT ? FROM T", "Parameters are not allowed in source columns"},
    {"DELETE FROM T WHERE * = 1", "* (all columns) symbol is not allowed in WHERE or JOIN clause"},
    {"SELECT SUM b FROM T",
     "Left parentheses expectedafter aggregate function 'SUM', instead found 'b' in source "
     "columns"},
    {"SELECT MAX(b FROM T",
     "Right parentheses expected after aggregate MAX function argument, instead found 'FROM' in "
     "source columns"},
    {"DELETE FROM T WHERE LOWER a",
     "Left parentheses expectedafter LOWER keyword, instead found 'a' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE UPPER(a b",
     "Right parentheses expected after UPPER function argument, instead found 'b' in WHERE or "
     "JOIN clause"},
    {"DELETE FROM T WHERE SUBSTRING a",
     "Left parentheses expected after SUBSTRING keyword, instead found 'a' in WHERE or JOIN "
     "clause"},
    {"DELETE FROM T WHERE SUBSTRING(a FOR 1)",
     "FROM keyword expected after first SUBSTRING function argument, instead found 'FOR' in WHERE "
     "or JOIN clause"},
    {"DELETE FROM T WHERE SUBSTRING(a FROM 1 FOR 2 3)",
     "Right parentheses expected after SUBSTRING function arguments, instead found '3' in WHERE "
     "or JOIN clause"},
    {"DELETE FROM T WHERE TRIM a", "Left parentheses expected after TRIM keyword, instead found "
                                   "'a' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE TRIM(' ' FROM a)",
     "LEADING, TRAILING, or BOTH keyword expected after TRIM keyword, instead found ' ' in WHERE "
     "or JOIN clause"},
    {"DELETE FROM T WHERE TRIM(BOTH ' ' a)",
     "FROM keyword expected after second TRIM function argument, instead found 'a' in WHERE or "
     "JOIN clause"},
    {"DELETE FROM T WHERE TRIM(BOTH ' ' FROM a b)",
     "Right parentheses expected after TRIM function arguments, instead found 'b' in WHERE or JOIN "
     "clause"},
    {"DELETE FROM T WHERE EXTRACT a",
     "Left parentheses expected after EXTRACT keyword, instead found 'a' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE EXTRACT(HOUR FROM a)",
     "YEAR, MONTH, or DAY keyword expected after EXTRACT keyword, instead found 'HOUR' in WHERE or "
     "JOIN clause"},
    {"DELETE FROM T WHERE EXTRACT(YEAR a)",
     "FROM keyword expected after second EXTRACT function argument, instead found 'a' in WHERE or "
     "JOIN clause"},
    {"DELETE FROM T WHERE EXTRACT(DAY FROM a b)",
     "Right parentheses expected after EXTRACT function arguments, instead found 'b' in WHERE or "
     "JOIN clause"},
    {"DELETE FROM T WHERE SQRT(a) = 1", "Unknown or unexpected function 'SQRT' found in WHERE or "
                                        "JOIN clause"},
    {"DELETE FROM T WHERE t.5 = 1",
     "Symbol or string expression expected after table correlation name separator '.', instead "
     "found '5' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE t.* = 1",
     "Symbol or string expression expected after table correlation name separator '.', instead "
     "found '*' in WHERE or JOIN clause"},
    {"DELETE FROM T WHERE , = 1", "Unknown or unexpected symbol ',' found in WHERE or JOIN clause"},
    // SELECT clauses
    {"SELECT a AS 5 FROM T", "Symbol or string expected after AS keyword, instead found '5'"},
    {"SELECT a x. 5 FROM T",
     "Symbol or string expected after table correlation name, instead found '5'"},
    {"SELECT a INTO MEMORY 5 FROM T",
     "Result table name expected in INTO MEMORY clause, instead found '5'"},
    {"SELECT a INTO 5 FROM T", "Result table name expected in INTO clause, instead found '5'"},
    {"SELECT a, b", "FROM keyword expected, instead found ''"},
    {"SELECT a FROM 5", "Table name expected after FROM keyword, instead found '5'"},
    {"SELECT a FROM T t, U t", "Duplicate table correlation name 't' found in source tables"},
    {"SELECT a FROM T JOIN 5", "Table name expected after JOIN keyword, instead found '5'"},
    {"SELECT a FROM T JOIN U WHERE a = 1", "ON keyword expected in JOIN clause, instead found "
                                           "'WHERE'"},
    {"SELECT a FROM T INNER U", "JOIN keyword expected after INNER keyword, instead found 'U'"},
    {"SELECT a FROM T LEFT OUTER U",
     "JOIN keyword expected after LEFT or OUTER keyword, instead found 'U'"},
    {"SELECT a FROM T RIGHT U",
     "JOIN keyword expected after RIGHT or OUTER keyword, instead found 'U'"},
    {"SELECT a FROM T FULL JOIN U ON a = b",
     "Full outer joins are currently not supported in Tabula SQL SELECT statements"},
    {"SELECT a FROM T GROUP a", "BY keyword expected after GROUP keyword, instead found 'a'"},
    {"SELECT a FROM T GROUP BY 'x' + 1", "End of SELECT statement expected, instead found '+'"},
    {"SELECT a FROM T GROUP BY (a)",
     "Column name or column number expected in GROUP BY clause, instead found '('"},
    {"SELECT a FROM T ORDER a", "BY keyword expected after ORDER keyword, instead found 'a'"},
    {"SELECT a FROM T ORDER BY ?",
     "Column name or column number expected in ORDER BY clause, instead found '?'"},
    {"SELECT a FROM T WITH LOCK", "LOCKS keyword expected after WITH keyword, instead found "
                                  "'LOCK'"},
    {"SELECT a FROM T ENCRYPTED BY x",
     "WITH keyword expected after ENCRYPTED keyword, instead found 'BY'"},
    {"SELECT a FROM T HAVING a > 1", "End of SELECT statement expected, instead found 'HAVING'"},
    // INSERT
    {"INSERT T VALUES (1)", "INTO keyword expected, instead found 'T'"},
    {"INSERT INTO 5 VALUES (1)", "Table name expected after INTO clause, instead found '5'"},
    {"INSERT INTO MEMORY 5 VALUES (1)", "Table name expected after INTO keyword, instead found "
                                        "'5'"},
    {"INSERT INTO T (a b) VALUES (1)",
     "Right parentheses expected after list of table columns, instead found 'b'"},
    {"INSERT INTO T (a + 1) VALUES (1)", "Table columns cannot contain expressions"},
    {"INSERT INTO T (?) VALUES (1)", "Parameters are not allowed in table columns"},
    {"INSERT INTO T (a) (1)", "VALUES keyword expected, instead found '('"},
    {"INSERT INTO T VALUES 1", "Left parentheses expected after VALUES keyword, instead found '1'"},
    {"INSERT INTO T VALUES (1 2)",
     "Right parentheses expected after list of values, instead found '2'"},
    {"INSERT INTO T VALUES (1) x", "End of INSERT statement expected, instead found 'x'"},
    // UPDATE
    {"UPDATE 5 SET a = 1", "Table name expected, instead found '5'"},
    {"UPDATE T a = 1", "SET keyword expected, instead found '='"},
    {"UPDATE T SET a 1", "Assignment (=) operator expected after column name, instead found '1'"},
    {"UPDATE T SET a + b = 1", "Table columns cannot contain expressions"},
    {"UPDATE T SET a = 1 ORDER BY a", "End of UPDATE statement expected, instead found 'ORDER'"},
};

TEST(SqlParser, EveryMessage) {
    for (const TMessageCase& c : kMessages)
        EXPECT_EQ(ParseFailure(c.text), c.message) << c.text;
}

TEST(SqlParser, MessageOfTheRaisedError) {
    StartEngine();
    try {
        TSqlParser().Parse("Delete ReportTableDetail");
        FAIL();
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), kErrSql);
        EXPECT_STREQ(e.what(), "Tabula Engine Error # 11949 SQL - FROM keyword expected, instead "
                               "found 'ReportTableDetail'");
    }
    // the explanation is kept to 255 characters, the message text to 127
    const std::string name(300, 'n');
    try {
        TSqlParser().Parse("DELETE " + name);
        FAIL();
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Text().size(), 127u);
        EXPECT_EQ(Session().ErrorContext().SqlText.size(), 255u);
    }
}

TEST(SqlParser, DeepNestingFailsCleanly) {
    const std::string deep = "DELETE FROM T WHERE " + std::string(100000, '(') + "1";
    EXPECT_NE(ParseFailure(deep).find("Expression nesting exceeds"), std::string::npos);
    std::string chain = "DELETE FROM T WHERE a = 1";
    for (int i = 0; i < 50000; ++i)
        chain += " + 1";
    EXPECT_NE(ParseFailure(chain).find("Expression nesting exceeds"), std::string::npos);
    // a sensible depth still parses
    std::string ok = "DELETE FROM T WHERE " + std::string(100, '(') + "1" + std::string(100, ')');
    EXPECT_EQ(ParseFailure(ok), "<no error>");
}

} // namespace
} // namespace tabula

// Type checking of parsed conditions and values against a fake table:
// result types, the string-constant rules and every type message.
#include "SqlTypeCheck.h"

#include "SqlResolver.h"
#include "SqlTestSupport.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace datafmt;
using sqltest::SqlFailure;
using sqltest::TFakeTable;

const TFakeTable& kTable = sqltest::AllTypesTable();

// Parses "UPDATE T SET City = <value> WHERE <condition>" and checks the part asked for.
struct TChecked {
    TSqlStatement s;
    TSqlNodePtr node;
};

TChecked CheckWhere(const std::string& condition) {
    TChecked c{TSqlParser().Parse("DELETE FROM T WHERE " + condition), nullptr};
    TSqlResolver resolver(c.s, {&kTable});
    resolver.Resolve();
    SqlTypeCheckCondition(*c.s.where, resolver);
    c.node = c.s.where;
    return c;
}

TSqlType ValueType(const std::string& value) {
    TSqlStatement s = TSqlParser().Parse("UPDATE T SET City = " + value);
    TSqlResolver resolver(s, {&kTable});
    resolver.Resolve();
    SqlTypeCheck(*s.values[0], "values", resolver);
    return s.values[0]->type;
}

TEST(SqlTypeCheck, ArithmeticResultTypes) {
    EXPECT_EQ(ValueType("Qty + Id").code, kFtInt32);
    EXPECT_EQ(ValueType("7 / 2").code, kFtFloat);
    EXPECT_EQ(ValueType("Price * 2").code, kFtBcd);
    EXPECT_EQ(ValueType("Price + 1.5").code, kFtFloat);
    EXPECT_EQ(ValueType("Rate * 2").subtype, kMoneySubtype);
    EXPECT_EQ(ValueType("Day + 1").code, kFtDate);
    EXPECT_EQ(ValueType("1 + Day").code, kFtDate);
    EXPECT_EQ(ValueType("Day - Day").code, kFtInt32);
    EXPECT_EQ(ValueType("At - At").code, kFtInt32);
    EXPECT_EQ(ValueType("Stamp - Stamp").code, kFtFloat);
    EXPECT_EQ(ValueType("Stamp - Day").code, kFtInt32);
    EXPECT_EQ(ValueType("Word - 1").code, kFtUInt16);
    EXPECT_EQ(ValueType("-Price").code, kFtBcd);
    EXPECT_EQ(ValueType("EXTRACT(YEAR FROM Stamp)").code, kFtInt32);
    const TSqlType concat = ValueType("City || Code");
    EXPECT_EQ(concat.code, kFtString);
    EXPECT_EQ(concat.size, 21 + 4 - 1);
}

TEST(SqlTypeCheck, StringConstantsAsColumnsAndDates) {
    // 'City' names a column: the column is compared with the text Rome
    auto c = CheckWhere("'City' = 'Rome'");
    EXPECT_TRUE(c.node->left->IsColumn());
    EXPECT_TRUE(c.node->right->IsConstant());
    // two column names: the right one turns back into text
    c = CheckWhere("'City' = 'Code'");
    EXPECT_TRUE(c.node->left->IsColumn());
    EXPECT_TRUE(c.node->right->IsConstant());
    EXPECT_EQ(c.node->right->value.AsString(), "Code");
    // a text against a date is read as a date
    c = CheckWhere("Day = '12/31/2024'");
    EXPECT_EQ(c.node->right->value.Type(), kFtDate);
    EXPECT_EQ(c.node->right->value.AsDayNumber(), DayNumber(2024, 12, 31));
    c = CheckWhere("Day IN ('01/02/2024', '03/04/2024')");
    EXPECT_EQ(c.node->list[1]->value.Type(), kFtDate);
    // = NULL and <> NULL are accepted, the ordering operators refuse NULL
    EXPECT_EQ(CheckWhere("City = NULL").node->type.code, kFtBoolean);
    EXPECT_EQ(CheckWhere("Qty IS NOT NULL").node->op, sqlop::kNe);
}

TEST(SqlTypeCheck, Messages) {
    struct {
        const char* condition;
        const char* message;
    } cases[] = {
        {"Qty + 1", "WHERE or JOIN clause must be a boolean expression"},
        {"City = 5", "Type mismatch between column 'City' and constant '5' in WHERE or JOIN "
                     "clause"},
        {"Qty > NULL", "Type mismatch between column 'Qty' and constant 'NULL' in WHERE or JOIN "
                       "clause"},
        {"Flag > Flag",
         "Type mismatch between column 'Flag' and column 'Flag' in WHERE or JOIN clause"},
        {"Qty = 1 AND Qty", "Type mismatch between expression '=' and column 'Qty' in WHERE or "
                            "JOIN clause"},
        {"Day + At = Day",
         "Type mismatch between column 'Day' and column 'At' in WHERE or JOIN clause"},
        {"Day = 'someday'", "Date, time, or timestamp expression expected, instead found "
                            "'someday' in WHERE or JOIN clause"},
        {"Nope = 1", "Invalid column name 'Nope' or table correlation name '' specified in WHERE "
                     "or JOIN clause"},
        {"NOT Qty", "Type mismatch between 'NOT' operator and 'Qty' in WHERE or JOIN clause"},
        {"-City = 'a'", "Type mismatch between '-' operator and 'City' in WHERE or JOIN clause"},
        {"City LIKE Code", "Constant expression expected after LIKE operator, instead found "
                           "'Code' in WHERE or JOIN clause"},
        {"Qty NOT LIKE 'a'",
         "Type mismatch between NOT LIKE operator and expression 'Qty' in WHERE or JOIN clause"},
        {"Qty IN (1, Id)", "Constant expression expected after IN operator, instead found 'Id' in "
                           "WHERE or JOIN clause"},
        {"Qty BETWEEN 'a' AND 3",
         "Type mismatch between BETWEEN operator and expression 'a' in WHERE or JOIN clause"},
        {"UPPER(Qty) = 'A'",
         "Type mismatch between UPPER function and function argument in WHERE or JOIN clause"},
        {"SUBSTRING(Qty FROM 1) = 'a'",
         "Expression argument of SUBSTRING function must be a string in WHERE or JOIN clause"},
        {"SUBSTRING(City FROM Qty) = 'a'",
         "FROM argument of SUBSTRING function must be an integer constant in WHERE or JOIN clause"},
        {"SUBSTRING(City FROM 251) = 'a'",
         "FROM argument of SUBSTRING function must be an integer constant between 1 and 250 in "
         "WHERE or JOIN clause"},
        {"SUBSTRING(City FROM 1 FOR 'x') = 'a'",
         "FOR argument of SUBSTRING function must be an integer constant in WHERE or JOIN clause"},
        {"SUBSTRING(City FROM 1 FOR 0) = 'a'",
         "FOR argument of SUBSTRING function must be an integer constant between 1 and 250 in "
         "WHERE or JOIN clause"},
        {"TRIM(BOTH ' ' FROM Qty) = 'a'",
         "FROM argument of TRIM function must be a string in WHERE or JOIN clause"},
        {"TRIM(LEADING 'ab' FROM City) = 'a'",
         "Trim character argument of TRIM function must be a single character constant in WHERE "
         "or JOIN clause"},
        {"EXTRACT(DAY FROM At) = 1",
         "FROM argument of EXTRACT function must be a date or date and time in WHERE or JOIN "
         "clause"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SqlFailure([&] { CheckWhere(c.condition); }), c.message) << c.condition;
    EXPECT_EQ(SqlFailure([&] {
                  TSqlStatement s = TSqlParser().Parse("SELECT SUM(City) FROM T");
                  TSqlResolver resolver(s, {&kTable});
                  resolver.Resolve();
                  SqlTypeCheck(*s.columns[0].expr, "source columns", resolver);
              }),
              "SUM aggregate function must contain a numeric, date, time, or timestamp "
              "expression in source columns");
}

} // namespace
} // namespace tabula

// Evaluation of real expressions: parsed, resolved and type-checked against
// a fake table, then evaluated over one row of values.
#include "SqlEvaluate.h"

#include "SqlCompare.h"
#include "SqlResolver.h"
#include "SqlTestSupport.h"
#include "SqlTypeCheck.h"

#include <gtest/gtest.h>
#include <map>

namespace tabula {
namespace {

using namespace datafmt;
using sqltest::TFakeTable;

const TFakeTable& kTable = sqltest::AllTypesTable();

// One row: field number -> value; a missing field is null.
using TRow = std::map<int, TSqlValue>;

const std::int32_t kDay = DayNumber(2024, 2, 28);
const double kStamp = TimestampValue(DayNumber(2024, 3, 1), TimeOfDayMs(6, 30, 0, 0));

TRow SampleRow() {
    return {{1, TSqlValue::String("Rome")},
            {2, TSqlValue::Int16(7)},
            {3, TSqlValue::Int32(100)},
            {4, TSqlValue::Bcd(12'3400, 2)}, // 12.34
            {5, TSqlValue::Float(2.5, true)},
            {6, TSqlValue::Date(kDay)},
            {7, TSqlValue::Time(TimeOfDayMs(10, 0, 0, 0))},
            {8, TSqlValue::Timestamp(kStamp)},
            {9, TSqlValue::Boolean(true)},
            {10, TSqlValue::UInt16(3)},
            {11, TSqlValue::String("AB")}};
}

struct TEval {
    TRow row = SampleRow();
    std::uint32_t localeId = 0;
    std::vector<TSqlValue> params;
    int columnReads = 0;

    TSqlEvalContext Context() {
        TSqlEvalContext c;
        c.localeId = localeId;
        c.columnValue = [this](const TSqlNode& column) {
            ++columnReads;
            auto it = row.find(column.fieldNumber);
            return it == row.end() ? TSqlValue::NullOf(column.type) : it->second;
        };
        return c;
    }
    void Bind(TSqlStatement& s) {
        for (std::size_t i = 0; i < s.parameters.size() && i < params.size(); ++i)
            s.parameters[i]->value = params[i];
    }
    // An assigned value: "UPDATE T SET City = <expr>".
    TSqlValue Value(const std::string& expr) {
        TSqlStatement s = TSqlParser().Parse("UPDATE T SET City = " + expr);
        Bind(s);
        TSqlResolver resolver(s, {&kTable});
        resolver.Resolve();
        SqlTypeCheck(*s.values[0], "values", resolver);
        return SqlEvaluate(*s.values[0], Context());
    }
    // A condition: "DELETE FROM T WHERE <cond>", true or false.
    bool Where(const std::string& cond) {
        TSqlStatement s = TSqlParser().Parse("DELETE FROM T WHERE " + cond);
        Bind(s);
        TSqlResolver resolver(s, {&kTable});
        resolver.Resolve();
        SqlTypeCheckCondition(*s.where, resolver);
        return SqlIsTrue(SqlEvaluate(*s.where, Context()));
    }
};

TEST(SqlEvaluate, NumericArithmeticAndDivisionByZero) {
    TEval e;
    const TSqlValue half = e.Value("7 / 2");
    EXPECT_EQ(half.Type(), kFtFloat);
    EXPECT_DOUBLE_EQ(half.AsFloat(), 3.5);
    EXPECT_TRUE(e.Value("7 / 0").IsNull());
    EXPECT_TRUE(e.Value("Price / 0").IsNull());
    EXPECT_TRUE(e.Value("Rate / (Qty - 7)").IsNull());

    EXPECT_EQ(e.Value("Qty + Id").AsInteger(), 107);
    // right grouping: 10 - 4 - 3 is 10 - (4 - 3)
    EXPECT_EQ(e.Value("10 - 4 - 3").AsInteger(), 9);
    EXPECT_EQ(e.Value("Qty * Id - 1").AsInteger(), 699);
    EXPECT_EQ(e.Value("Word - 5").AsInteger(), 65534); // 16-bit unsigned wraps

    const TSqlValue price = e.Value("Price * 3");
    EXPECT_EQ(price.Type(), kFtBcd);
    EXPECT_EQ(price.AsCurrency(), 37'0200);
    // 3.085 kept to the two places of Price
    EXPECT_EQ(e.Value("Price / 4").AsCurrency(), 3'0900);
    EXPECT_EQ(e.Value("-Price").AsCurrency(), -12'3400);
    EXPECT_DOUBLE_EQ(e.Value("Price + 0.5").AsFloat(), 12.84);

    const TSqlValue money = e.Value("Rate * 2");
    EXPECT_EQ(money.Subtype(), kMoneySubtype);
    EXPECT_DOUBLE_EQ(money.AsFloat(), 5.0);
    EXPECT_EQ(e.Value("-Qty").AsInteger(), -7);
}

TEST(SqlEvaluate, NullOperandsCountAsZero) {
    TEval e;
    e.row.erase(2); // Qty is null
    const TSqlValue sum = e.Value("Qty + Id");
    EXPECT_FALSE(sum.IsNull());
    EXPECT_EQ(sum.AsInteger(), 100);
    e.row.erase(3); // both operands null: the result is null
    EXPECT_TRUE(e.Value("Qty + Id").IsNull());
    // functions of null are null
    e.row.erase(1);
    EXPECT_TRUE(e.Value("UPPER(City)").IsNull());
    EXPECT_EQ(e.Value("City || Code").AsString(), "AB");
}

TEST(SqlEvaluate, DateTimeArithmeticAndExtract) {
    TEval e;
    EXPECT_EQ(e.Value("Day + 2").AsDayNumber(), DayNumber(2024, 3, 1)); // leap year
    EXPECT_EQ(e.Value("2 + Day").Type(), kFtDate);
    EXPECT_EQ(e.Value("Day - 28").AsDayNumber(), DayNumber(2024, 1, 31));
    EXPECT_EQ(e.Value("Day - Day").AsInteger(), 0);
    EXPECT_EQ(e.Value("Day - '01/01/2024'").AsInteger(), 58);
    EXPECT_EQ(e.Value("At - At").AsInteger(), 0);
    EXPECT_EQ(e.Value("At + 1000").AsMilliseconds(), TimeOfDayMs(10, 0, 1, 0));
    // a time result wraps into the day
    EXPECT_EQ(e.Value("At - 36000001").AsMilliseconds(), kMsPerDay - 1);
    // timestamp - date: milliseconds since the date's midnight
    EXPECT_EQ(e.Value("Stamp - '03/01/2024'").AsInteger(), TimeOfDayMs(6, 30, 0, 0));
    EXPECT_DOUBLE_EQ(e.Value("Stamp - Stamp").AsFloat(), 0.0);
    EXPECT_DOUBLE_EQ(e.Value("Stamp + 1").AsTimestamp(), kStamp + 1);

    EXPECT_EQ(e.Value("EXTRACT(YEAR FROM Day)").AsInteger(), 2024);
    EXPECT_EQ(e.Value("EXTRACT(MONTH FROM Day)").AsInteger(), 2);
    EXPECT_EQ(e.Value("EXTRACT(DAY FROM Stamp)").AsInteger(), 1);
    EXPECT_EQ(e.Value("EXTRACT(MONTH FROM Stamp)").AsInteger(), 3);

    // a date against a timestamp: the date at midnight
    EXPECT_TRUE(e.Where("Stamp > '03/01/2024'"));
    EXPECT_TRUE(e.Where("Day < Stamp"));
    EXPECT_TRUE(e.Where("Day = '02/28/2024'"));
}

TEST(SqlEvaluate, NullComparisons) {
    TEval e;
    EXPECT_FALSE(e.Where("City = NULL"));
    EXPECT_TRUE(e.Where("City <> NULL"));
    e.row.erase(1);
    EXPECT_TRUE(e.Where("City = NULL"));
    EXPECT_FALSE(e.Where("City <> NULL"));
    EXPECT_TRUE(e.Where("City IS NULL"));
    EXPECT_FALSE(e.Where("City = 'Rome'"));
    // ordering comparisons see the zero value of a null
    e.row.erase(2);
    EXPECT_TRUE(e.Where("Qty > -1"));
    EXPECT_TRUE(e.Where("Qty >= 0"));
    EXPECT_FALSE(e.Where("Qty < 0"));
    EXPECT_TRUE(e.Where("City < 'A'"));
    // a null column equals a null column
    EXPECT_TRUE(e.Where("City = Code OR Code = 'AB'"));
}

TEST(SqlEvaluate, ComparisonsByType) {
    TEval e;
    EXPECT_TRUE(e.Where("Qty = 7.0"));    // widened
    EXPECT_TRUE(e.Where("Price > 12.3")); // BCD by its value
    EXPECT_TRUE(e.Where("Price = 12.34"));
    EXPECT_TRUE(e.Where("Word < Qty"));
    EXPECT_TRUE(e.Where("Flag = Flag"));
    EXPECT_TRUE(e.Where("At > '09:59:59'"));
    // 'City' names a column: the column City is compared with the text Rome
    EXPECT_TRUE(e.Where("'City' = 'Rome'"));
    EXPECT_FALSE(e.Where("'City' = 'Paris'"));

    // byte-wise without a locale, the locale's collation with one
    e.row[1] = TSqlValue::String("apple");
    EXPECT_FALSE(e.Where("City < 'Banana'"));
    e.localeId = 0x0409; // English (United States)
    EXPECT_TRUE(e.Where("City < 'Banana'"));
    EXPECT_FALSE(e.Where("City = 'APPLE'")); // still case-sensitive
}

TEST(SqlEvaluate, LogicalOperatorsEvaluateRightFirst) {
    TEval e;
    // the right side decides: the left side is never read
    e.columnReads = 0;
    EXPECT_FALSE(e.Where("Qty = 7 AND 1 = 2"));
    EXPECT_EQ(e.columnReads, 0);
    EXPECT_TRUE(e.Where("Qty = 8 OR 1 = 1"));
    EXPECT_EQ(e.columnReads, 0);
    EXPECT_TRUE(e.Where("Qty = 7 AND 1 = 1"));
    EXPECT_EQ(e.columnReads, 1);
    EXPECT_TRUE(e.Where("NOT (Qty = 8)"));
    EXPECT_FALSE(e.Where("NOT (Qty = 7)"));
    // AND and OR share one level and group from the right:
    // 1 = 1 OR 1 = 2 AND 1 = 2 is 1 = 1 OR (1 = 2 AND 1 = 2)
    EXPECT_TRUE(e.Where("1 = 1 OR 1 = 2 AND 1 = 2"));
    EXPECT_FALSE(e.Where("1 = 2 AND 1 = 2 OR 1 = 1"));
}

TEST(SqlEvaluate, LikePatterns) {
    EXPECT_TRUE(SqlLikeMatch("A", "A%"));
    EXPECT_TRUE(SqlLikeMatch("ABC", "A%"));
    EXPECT_FALSE(SqlLikeMatch("BA", "A%"));
    EXPECT_TRUE(SqlLikeMatch("", "%"));
    EXPECT_FALSE(SqlLikeMatch("", "_"));
    EXPECT_FALSE(SqlLikeMatch("", "%%")); // an empty text matches only an empty pattern
    EXPECT_TRUE(SqlLikeMatch("", ""));
    EXPECT_TRUE(SqlLikeMatch("abc", "a_c"));
    EXPECT_FALSE(SqlLikeMatch("abc", "A_C")); // case-sensitive
    EXPECT_TRUE(SqlLikeMatch("abcbd", "%b_"));
    EXPECT_TRUE(SqlLikeMatch("mississippi", "%iss%ppi"));
    EXPECT_FALSE(SqlLikeMatch("mississippi", "%iss%ppx"));
    EXPECT_TRUE(SqlLikeMatch("a%b", "a%b"));

    TEval e;
    EXPECT_TRUE(e.Where("City LIKE 'R_m%'"));
    EXPECT_FALSE(e.Where("City NOT LIKE 'R_m%'"));
    e.row.erase(1);
    EXPECT_FALSE(e.Where("City LIKE '%'")); // a null never matches
    EXPECT_TRUE(e.Where("City NOT LIKE '%'"));
}

TEST(SqlEvaluate, PathologicalLikePatternsStayPolynomial) {
    // Backtracking over every "%" would take exponential time here; the
    // match must finish (text × pattern steps at most).
    const std::string text(5000, 'a');
    std::string pattern;
    for (int i = 0; i < 200; ++i)
        pattern += "%a";
    EXPECT_FALSE(SqlLikeMatch(text, pattern + "%b"));
    EXPECT_TRUE(SqlLikeMatch(text, pattern + "%"));
    EXPECT_TRUE(SqlLikeMatch(text + "b", pattern + "%b"));
    EXPECT_FALSE(SqlLikeMatch(text, std::string(200, '_') + "%" + std::string(5000, '_')));
}

TEST(SqlEvaluate, InAndBetween) {
    TEval e;
    EXPECT_TRUE(e.Where("Qty IN (1, 7, 9)"));
    EXPECT_FALSE(e.Where("Qty IN (1, 9)"));
    EXPECT_TRUE(e.Where("Qty NOT IN (1, 9)"));
    EXPECT_TRUE(e.Where("Qty IN (-7, 7)"));
    EXPECT_TRUE(e.Where("City IN ('Paris', 'Rome')"));
    EXPECT_TRUE(e.Where("Qty BETWEEN 7 AND 7"));
    EXPECT_TRUE(e.Where("Qty BETWEEN -3 AND 10"));
    EXPECT_FALSE(e.Where("Qty BETWEEN 8 AND 10"));
    EXPECT_TRUE(e.Where("Qty NOT BETWEEN 8 AND 10"));
    EXPECT_TRUE(e.Where("Day BETWEEN '02/01/2024' AND '02/29/2024'"));
    e.row.erase(2);
    EXPECT_TRUE(e.Where("Qty IN (NULL, 5)")); // = treats NULL as a value
}

TEST(SqlEvaluate, StringFunctions) {
    TEval e;
    e.row[1] = TSqlValue::String("xxRome Cityxx");
    EXPECT_EQ(e.Value("UPPER(City)").AsString(), "XXROME CITYXX");
    EXPECT_EQ(e.Value("LOWER(City)").AsString(), "xxrome cityxx");
    EXPECT_EQ(e.Value("SUBSTRING(City FROM 3 FOR 4)").AsString(), "Rome");
    EXPECT_EQ(e.Value("SUBSTRING(City FROM 8)").AsString(), "Cityxx");
    EXPECT_EQ(e.Value("SUBSTRING(City FROM 200)").AsString(), "");
    EXPECT_EQ(e.Value("TRIM(LEADING 'x' FROM City)").AsString(), "Rome Cityxx");
    EXPECT_EQ(e.Value("TRIM(TRAILING 'x' FROM City)").AsString(), "xxRome City");
    EXPECT_EQ(e.Value("TRIM(BOTH 'x' FROM City)").AsString(), "Rome City");
    EXPECT_EQ(e.Value("City || '!' || Code").AsString(), "xxRome Cityxx!AB");
    e.row[1] = TSqlValue::String("xxx");
    EXPECT_EQ(e.Value("TRIM(BOTH 'x' FROM City)").AsString(), "");
}

TEST(SqlEvaluate, CaseMappingByLocale) {
    // at most 250 characters of result
    EXPECT_EQ(SqlMapCase(std::string(300, 'a'), true, 0), std::string(250, 'A'));
    // ASCII mapping leaves other bytes alone
    EXPECT_EQ(SqlMapCase("\xe9t\xe9", true, 0), "\xe9T\xe9");
    // French in Windows-1252: e-acute maps to E-acute and back
    EXPECT_EQ(SqlMapCase("\xe9t\xe9", true, 0x040C), "\xc9T\xc9");
    EXPECT_EQ(SqlMapCase("\xc9T\xc9?S", false, 0x040C), "\xe9t\xe9?s");
    // an unknown locale falls back to ASCII
    EXPECT_EQ(SqlMapCase("abc", true, 0x7FFF), "ABC");
}

TEST(SqlEvaluate, ParameterMarkersYieldTheirBoundValues) {
    TEval e;
    e.params = {TSqlValue::Int32(7), TSqlValue::String("Rome")};
    EXPECT_TRUE(e.Where("Qty = ? AND City = ?"));
    e.params = {TSqlValue::Int32(6), TSqlValue::String("Rome")};
    EXPECT_FALSE(e.Where("Qty = ? AND City = ?"));
    e.params = {TSqlValue::Int32(5)};
    EXPECT_EQ(e.Value("? * 2").AsInteger(), 10);
}

} // namespace
} // namespace tabula

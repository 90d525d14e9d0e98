// Report values: the conversion, arithmetic and comparison rules.
#include "TrpValue.h"

#include <gtest/gtest.h>

namespace report {
namespace {

TEST(TrpValueTest, TextOfEachKind) {
    EXPECT_EQ(TrpValue().ToText(), "");
    EXPECT_EQ(TrpValue::Null().ToText(), "");
    EXPECT_EQ(TrpValue(-42).ToText(), "-42");
    EXPECT_EQ(TrpValue(true).ToText(), "True");
    EXPECT_EQ(TrpValue(2.5).ToText(), "2.5");
    EXPECT_EQ(TrpValue(0.1 + 0.2).ToText(), "0.3");
    EXPECT_EQ(TrpValue(1e20).ToText(), "1E20");
    EXPECT_EQ(TrpValue(-1.5e-7).ToText(), "-1.5E-7");
    EXPECT_EQ(TrpValue::DateTime(36114).ToText(), "15.11.1998");
    EXPECT_EQ(TrpValue::DateTime(36114.5).ToText(), "15.11.1998 12:00:00");
    EXPECT_EQ(TrpValue::DateTime(0.25).ToText(), "06:00:00");
    EXPECT_EQ(TrpValue::DateTime(0).ToText(), "00:00:00");
}

TEST(TrpValueTest, NumbersAndDatesFromText) {
    EXPECT_EQ(TextToNumber(" 12,5 "), 12.5);
    EXPECT_EQ(TextToNumber("-3.25e2"), -325);
    EXPECT_FALSE(TextToNumber("1.2.3"));
    EXPECT_FALSE(TextToNumber("abc"));
    EXPECT_FALSE(TextToNumber(""));
    EXPECT_FALSE(TextToNumber("1e"));
    EXPECT_EQ(TextToDateTime("15.11.1998"), 36114);
    EXPECT_EQ(TextToDateTime("15/11/98 12:00"), 36114.5);
    EXPECT_EQ(TextToDateTime("06:00"), 0.25);
    EXPECT_FALSE(TextToDateTime("31.02.2000"));
    EXPECT_FALSE(TextToDateTime("25:00"));
    EXPECT_FALSE(TextToDateTime("1.1.123456"));
    EXPECT_THROW(TrpValue("x1").ToReal(), ETrpValueError);
    EXPECT_TRUE(TrpValue("true").ToBool());
    EXPECT_FALSE(TrpValue(" FALSE").ToBool());
    EXPECT_EQ(TrpValue(1e300).ToInt(), INT64_MAX);
}

TEST(TrpValueTest, ArithmeticKeepsIntegersAndPropagatesNull) {
    EXPECT_EQ(Add(2, 3), TrpValue(5));
    EXPECT_EQ(Add("ab", "cd"), TrpValue("abcd"));
    EXPECT_EQ(Add("2", 3), TrpValue(5.0));
    EXPECT_EQ(Add(TrpValue(), "x"), TrpValue("x"));
    EXPECT_EQ(Add(TrpValue::Null(), 1), TrpValue::Null());
    EXPECT_EQ(Multiply(true, 7), TrpValue(7));
    EXPECT_EQ(Add(INT64_MAX, 1), TrpValue(9223372036854775808.0));
    EXPECT_EQ(Divide(7, 2), TrpValue(3.5));
    EXPECT_EQ(Divide(7, 0), TrpValue(0));
    EXPECT_EQ(Modulo(7, 0), TrpValue(0));
    EXPECT_EQ(Modulo(INT64_MIN, -1), TrpValue(0));
    EXPECT_EQ(Modulo(-7, 3), TrpValue(-1));
    EXPECT_EQ(Negate(INT64_MIN), TrpValue(9223372036854775808.0));
    EXPECT_EQ(Add(TrpValue::DateTime(10), 1), TrpValue::DateTime(11));
    EXPECT_EQ(Subtract(TrpValue::DateTime(10), TrpValue::DateTime(4)), TrpValue(6.0));
    EXPECT_THROW(Add("abc", 1), ETrpValueError);
}

TEST(TrpValueTest, Comparison) {
    EXPECT_LT(Compare(2, 10), 0);
    EXPECT_GT(Compare("b", "abc"), 0);
    EXPECT_LT(Compare("10", "9"), 0) << "two texts compare by characters";
    EXPECT_EQ(Compare("10", 10), 0);
    EXPECT_GT(Compare("x", 10), 0) << "a text that is no number compares as text";
    EXPECT_EQ(Compare(TrpValue::Null(), TrpValue()), 0);
    EXPECT_LT(Compare(TrpValue::Null(), -5), 0);
    EXPECT_EQ(Compare(TrpValue(), 0), 0);
    EXPECT_EQ(Compare(TrpValue(), ""), 0);
    EXPECT_EQ(Compare(1, 1.0), 0);
    EXPECT_EQ(Compare(true, 1), 0);
    EXPECT_NE(TrpValue(1), TrpValue(1.0)) << "equality is exact";
}

TEST(TrpValueTest, FromTableVariant) {
    EXPECT_TRUE(TrpValue::FromVariant(tabula::TVariant{}).IsNull());
    EXPECT_EQ(TrpValue::FromVariant(tabula::TCurrencyValue{12345}), TrpValue(1.2345));
    EXPECT_EQ(TrpValue::FromVariant(tabula::TDateTime{3.5}), TrpValue::DateTime(3.5));
    EXPECT_EQ(TrpValue::FromVariant(std::string("t")), TrpValue("t"));
}

} // namespace
} // namespace report

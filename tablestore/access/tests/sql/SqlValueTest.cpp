// The SQL value model: encodings, null values and conversions between the
// numeric readers.
#include "SqlValue.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace datafmt;

TEST(SqlValue, EncodingsAndReaders) {
    EXPECT_EQ(TSqlValue::Boolean(true).Bytes(), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(TSqlValue::String("ab").Size(), 3);
    EXPECT_EQ(TSqlValue::UInt16(65535).AsInteger(), 65535);
    EXPECT_EQ(TSqlValue::Int16(-1).AsInteger(), -1);
    const TSqlValue price = TSqlValue::Bcd(123400, 2); // 12.34
    EXPECT_EQ(price.AsCurrency(), 123400);
    EXPECT_DOUBLE_EQ(price.AsFloat(), 12.34);
    EXPECT_EQ(price.AsInteger(), 12);
    EXPECT_EQ(TSqlValue::Float(-2.7).AsInteger(), -2); // truncated toward zero
    EXPECT_EQ(TSqlValue::Float(1.23456).AsCurrency(), 12346);
    const TSqlValue day = TSqlValue::Date(kDayOf18991230);
    EXPECT_DOUBLE_EQ(day.AsTimestamp(), double(kDayOf18991230) * kMsPerDay);
    EXPECT_EQ(TSqlValue::Timestamp(day.AsTimestamp() + 5000).AsDayNumber(), kDayOf18991230);
}

TEST(SqlValue, NullsKeepTheirTypesZeroBytes) {
    EXPECT_TRUE(TSqlValue().IsNull());
    EXPECT_EQ(TSqlValue().Type(), kSqlNullType);
    const TSqlValue n = TSqlValue::NullOf(TSqlType{kFtInt32, 0, 4, 0});
    EXPECT_TRUE(n.IsNull());
    EXPECT_EQ(n.Size(), 4);
    EXPECT_EQ(n.AsInteger(), 0);
    EXPECT_EQ(TSqlValue::NullOf(TSqlType{kFtString, 0, 11, 0}).AsString(), "");
    // a digit string that does not fit is a null BCD, never garbage
    EXPECT_TRUE(TSqlValue::Bcd(INT64_MAX, 4).IsNull());
    // unreadable values give zero instead of undefined conversions
    EXPECT_EQ(TSqlValue::Float(1e300).AsInteger(), 0);
    EXPECT_EQ(TSqlValue::Timestamp(1e300).AsDayNumber(), 0);
}

} // namespace
} // namespace tabula

// The SQL value model: encodings, null values and conversions between the
// numeric readers.
#include "SqlValue.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace datafmt;

TEST(SqlValue, EncodingsAndReaders) {
    {
        const TSqlValue yes = TSqlValue::Boolean(true);
        const auto bytes = yes.Bytes();
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                  (std::vector<std::uint8_t>{0xFF, 0xFF}));
    }
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

// Values short enough for the inline area and values on the heap must behave
// alike through every copy and move, also across the boundary between them.
TEST(SqlValue, StringsEitherSideOfTheInlineAreaSurviveCopiesAndMoves) {
    const std::size_t edge = TSqlValueBytes::kInlineCapacity - 1; // longest inline text
    for (const std::size_t length : {std::size_t{0}, edge, edge + 1, 4 * edge}) {
        const std::string text(length, 'x');
        const TSqlValue original = TSqlValue::String(text);
        ASSERT_EQ(original.Size(), static_cast<int>(length + 1));
        EXPECT_EQ(original.Bytes().back(), 0);

        TSqlValue copy = original;
        EXPECT_EQ(copy.AsString(), text);
        TSqlValue moved = std::move(copy);
        EXPECT_EQ(moved.AsString(), text);
        EXPECT_EQ(original.AsString(), text) << "a copy must not share the original's bytes";

        // Assigning a long value over a short one and back again.
        TSqlValue target = TSqlValue::String("short");
        target = original;
        EXPECT_EQ(target.AsString(), text);
        target = TSqlValue::Int32(7);
        EXPECT_EQ(target.AsInteger(), 7);
        EXPECT_EQ(target.Size(), 4);
        target = std::move(moved);
        EXPECT_EQ(target.AsString(), text);
    }
    // Bytes after an embedded terminator are not part of the text.
    const std::string padded = std::string("ab") + std::string(1, '\0') + std::string(50, 'z');
    EXPECT_EQ(TSqlValue::FromBytes(kFtString, 0, 0,
                                   std::vector<std::uint8_t>(padded.begin(), padded.end()), false)
                  .AsString(),
              "ab");
}

} // namespace
} // namespace tabula

// The conversion of assigned values into column bytes, row by row of the
// conversion table, and the pairs it refuses.
#include "SqlConvert.h"

#include "FormatSettings.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tabula {
namespace {

using namespace datafmt;
using Bytes = std::vector<std::uint8_t>;

TFieldDescriptor Column(std::uint8_t type, int declaredSize = 0, int decimals = 0) {
    TFieldDescriptor d = TFieldDescriptor::Make(0, "C", type, declaredSize, decimals);
    d.RefreshStoredSize();
    return d;
}

Bytes U16(std::uint16_t v) {
    Bytes b(2);
    PutU16(b.data(), v);
    return b;
}
Bytes I32(std::int32_t v) {
    Bytes b(4);
    PutI32(b.data(), v);
    return b;
}
Bytes F64(double v) {
    Bytes b(8);
    PutDouble(b.data(), v);
    return b;
}
Bytes Bcd(TCurrency v, int decimals) {
    Bytes b(8);
    PutI64(b.data(), *EncodeBcd(v, decimals));
    return b;
}
// A string column's bytes: the text, then zeros up to declared size + 1.
Bytes Str(const std::string& text, int declaredSize) {
    Bytes b(text.begin(), text.end());
    b.resize(static_cast<std::size_t>(declaredSize) + 1, 0);
    return b;
}

const std::int32_t kDay20201231 = DayNumber(2020, 12, 31);
const std::int32_t kMs134510 = TimeOfDayMs(13, 45, 10, 0);

struct TConvertRow {
    const char* what;
    TSqlValue value;
    TFieldDescriptor column;
    std::optional<Bytes> expected; // nullopt: the pair fails
};

class SqlConvert : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = TFormatSettings::Global();
        TFormatSettings::SetGlobal(TFormatSettings::Defaults()); // mm/dd/yyyy, hh:nn:ss, '.'
    }
    void TearDown() override { TFormatSettings::SetGlobal(saved_); }

    static void Check(const std::vector<TConvertRow>& rows) {
        for (const auto& row : rows) {
            const auto got = SqlConvertToColumn(row.value, row.column);
            if (!row.expected) {
                EXPECT_FALSE(got.has_value()) << row.what;
            } else {
                ASSERT_TRUE(got.has_value()) << row.what;
                EXPECT_EQ(*got, *row.expected) << row.what;
            }
        }
    }

private:
    TFormatSettings saved_;
};

TEST_F(SqlConvert, FromStrings) {
    const double stamp = TimestampValue(DayNumber(2003, 1, 2), TimeOfDayMs(4, 5, 6, 0));
    Check({
        {"text to date", TSqlValue::String("12/31/2020"), Column(kFtDate), I32(kDay20201231)},
        {"bad date", TSqlValue::String("31/12/2020"), Column(kFtDate), std::nullopt},
        {"text to time", TSqlValue::String("13:45:10"), Column(kFtTime), I32(kMs134510)},
        {"text to timestamp", TSqlValue::String("01/02/2003 04:05:06"), Column(kFtTimestamp),
         F64(stamp)},
        {"true any case", TSqlValue::String("tRuE"), Column(kFtBoolean), U16(1)},
        {"false", TSqlValue::String("FALSE"), Column(kFtBoolean), U16(0)},
        {"other text to boolean", TSqlValue::String("yes"), Column(kFtBoolean), std::nullopt},
        {"text to 16-bit keeps low bits", TSqlValue::String("70000"), Column(kFtInt16),
         U16(70000 & 0xFFFF)},
        {"text to word", TSqlValue::String("-1"), Column(kFtUInt16), U16(65535)},
        {"text to 32-bit", TSqlValue::String("-2147483648"), Column(kFtInt32), I32(INT32_MIN)},
        {"beyond 32 bits", TSqlValue::String("2147483648"), Column(kFtInt32), std::nullopt},
        {"not a number", TSqlValue::String("12a"), Column(kFtInt32), std::nullopt},
        {"text to float", TSqlValue::String("-2.5e3"), Column(kFtFloat), F64(-2500)},
        {"text to BCD rounds to the column", TSqlValue::String("12.345"), Column(kFtBcd, 0, 2),
         Bcd(123500, 2)},
        {"text to BLOB", TSqlValue::String("x"), Column(kFtBlob), std::nullopt},
        {"text cut to the column", TSqlValue::String("abcdef"), Column(kFtString, 3),
         Str("abc", 3)},
        {"text into bytes", TSqlValue::String("ab"), Column(kFtBytes, 4), Bytes{'a', 'b', 0, 0}},
    });
}

TEST_F(SqlConvert, FromDatesTimesAndTimestamps) {
    const double stamp = TimestampValue(kDay20201231, kMs134510);
    Check({
        {"date to text", TSqlValue::Date(kDay20201231), Column(kFtString, 20),
         Str("12/31/2020", 20)},
        {"date to timestamp", TSqlValue::Date(kDay20201231), Column(kFtTimestamp),
         F64(double(kDay20201231) * kMsPerDay)},
        {"date to integer", TSqlValue::Date(kDay20201231), Column(kFtInt32), std::nullopt},
        {"date to time", TSqlValue::Date(kDay20201231), Column(kFtTime), std::nullopt},
        {"time to text", TSqlValue::Time(kMs134510), Column(kFtString, 20), Str("13:45:10", 20)},
        {"time to timestamp", TSqlValue::Time(kMs134510), Column(kFtTimestamp),
         F64(TimestampValue(kDayOf18991230, kMs134510))},
        {"time to date", TSqlValue::Time(kMs134510), Column(kFtDate), std::nullopt},
        {"timestamp to date", TSqlValue::Timestamp(stamp), Column(kFtDate), I32(kDay20201231)},
        {"timestamp to time", TSqlValue::Timestamp(stamp), Column(kFtTime), I32(kMs134510)},
        {"timestamp to text", TSqlValue::Timestamp(stamp), Column(kFtString, 30),
         Str("12/31/2020 13:45:10", 30)},
        {"timestamp to float", TSqlValue::Timestamp(stamp), Column(kFtFloat), std::nullopt},
        {"unreadable timestamp", TSqlValue::Timestamp(std::nan("")), Column(kFtDate), std::nullopt},
    });
}

TEST_F(SqlConvert, FromBooleansAndIntegers) {
    Check({
        {"boolean to text", TSqlValue::Boolean(true), Column(kFtString, 5), Str("True", 5)},
        {"false to text", TSqlValue::Boolean(false), Column(kFtString, 5), Str("False", 5)},
        {"boolean to 16-bit", TSqlValue::Boolean(true), Column(kFtInt16), U16(1)},
        {"boolean to word", TSqlValue::Boolean(true), Column(kFtUInt16), U16(1)},
        {"boolean to 32-bit", TSqlValue::Boolean(false), Column(kFtInt32), I32(0)},
        {"boolean to BCD", TSqlValue::Boolean(true), Column(kFtBcd, 0, 2), Bcd(10000, 2)},
        {"boolean to float", TSqlValue::Boolean(true), Column(kFtFloat), std::nullopt},

        {"16-bit to text", TSqlValue::Int16(-5), Column(kFtString, 6), Str("-5", 6)},
        {"16-bit to boolean", TSqlValue::Int16(7), Column(kFtBoolean), U16(7)},
        {"16-bit to 32-bit", TSqlValue::Int16(-5), Column(kFtInt32), I32(-5)},
        {"16-bit to float", TSqlValue::Int16(-5), Column(kFtFloat), F64(-5)},
        {"16-bit to BCD", TSqlValue::Int16(-5), Column(kFtBcd, 0, 1), Bcd(-50000, 1)},
        {"-1 to word", TSqlValue::Int16(-1), Column(kFtUInt16), U16(65535)},
        {"16-bit to date", TSqlValue::Int16(1), Column(kFtDate), std::nullopt},

        {"32-bit to text", TSqlValue::Int32(INT32_MIN), Column(kFtString, 11),
         Str("-2147483648", 11)},
        {"70000 to 16-bit", TSqlValue::Int32(70000), Column(kFtInt16), U16(4464)},
        {"70000 to word", TSqlValue::Int32(70000), Column(kFtUInt16), U16(4464)},
        {"32-bit to float", TSqlValue::Int32(70000), Column(kFtFloat), F64(70000)},
        {"32-bit to BCD", TSqlValue::Int32(70000), Column(kFtBcd, 0, 0), Bcd(700000000, 0)},
        {"32-bit to boolean", TSqlValue::Int32(1), Column(kFtBoolean), std::nullopt},
        {"32-bit to time", TSqlValue::Int32(1), Column(kFtTime), std::nullopt},

        {"word to text", TSqlValue::UInt16(65535), Column(kFtString, 5), Str("65535", 5)},
        {"word to boolean", TSqlValue::UInt16(2), Column(kFtBoolean), U16(2)},
        {"word to 16-bit", TSqlValue::UInt16(65535), Column(kFtInt16), U16(65535)},
        {"word to 32-bit", TSqlValue::UInt16(65535), Column(kFtInt32), I32(65535)},
        {"word to float", TSqlValue::UInt16(65535), Column(kFtFloat), F64(65535)},
        {"word to BCD", TSqlValue::UInt16(3), Column(kFtBcd, 0, 2), Bcd(30000, 2)},
    });
}

TEST_F(SqlConvert, FromFloatsAndBcd) {
    Check({
        {"float to text", TSqlValue::Float(2.5), Column(kFtString, 10), Str("2.5", 10)},
        {"float truncates toward zero", TSqlValue::Float(-2.9), Column(kFtInt32), I32(-2)},
        {"positive truncation", TSqlValue::Float(2.9), Column(kFtInt16), U16(2)},
        {"float keeps the low bits", TSqlValue::Float(70000.7), Column(kFtInt16), U16(4464)},
        {"negative float into word", TSqlValue::Float(-1.5), Column(kFtUInt16), U16(65535)},
        {"float beyond 64 bits", TSqlValue::Float(1e30), Column(kFtInt32), std::nullopt},
        {"not a number", TSqlValue::Float(std::nan("")), Column(kFtInt32), std::nullopt},
        {"float to BCD rounds to 4", TSqlValue::Float(1.23456), Column(kFtBcd, 0, 4),
         Bcd(12346, 4)},
        {"half away from zero", TSqlValue::Float(-0.00005), Column(kFtBcd, 0, 4), Bcd(-1, 4)},
        {"then to the column's decimals", TSqlValue::Float(1.23456), Column(kFtBcd, 0, 2),
         Bcd(12300, 2)},
        {"float to boolean", TSqlValue::Float(1), Column(kFtBoolean), std::nullopt},
        {"money is a float", TSqlValue::Float(1.5, true), Column(kFtInt32), I32(1)},

        {"BCD to text", TSqlValue::Bcd(123400, 2), Column(kFtString, 10), Str("12.34", 10)},
        {"BCD to float", TSqlValue::Bcd(-123400, 2), Column(kFtFloat), F64(-12.34)},
        {"BCD truncates toward zero", TSqlValue::Bcd(-129900, 2), Column(kFtInt32), I32(-12)},
        {"BCD low bits", TSqlValue::Bcd(700000000, 0), Column(kFtInt16), U16(4464)},
        {"BCD to other decimals", TSqlValue::Bcd(123456, 4), Column(kFtBcd, 0, 2), Bcd(123500, 2)},
        {"BCD to boolean", TSqlValue::Bcd(10000, 0), Column(kFtBoolean), std::nullopt},
        {"BCD to date", TSqlValue::Bcd(10000, 0), Column(kFtDate), std::nullopt},
    });
}

TEST_F(SqlConvert, SameTypesBytesAndNulls) {
    Check({
        {"same type unchanged", TSqlValue::Int32(-7), Column(kFtInt32), I32(-7)},
        {"integer into bytes", TSqlValue::Int32(0x04030201), Column(kFtBytes, 2), Bytes{1, 2}},
        {"float into wider bytes", TSqlValue::Float(0), Column(kFtVarBytes, 10), Bytes(10, 0)},
        {"NULL constant into integer", TSqlValue::Null(), Column(kFtInt32), I32(0)},
        {"NULL constant into text", TSqlValue::Null(), Column(kFtString, 2), Str("", 2)},
        {"a null text is no unreadable text", TSqlValue::NullOf({kFtString, 0, 1, 0}),
         Column(kFtInt32), I32(0)},
        {"bytes value into a date", TSqlValue::FromBytes(kFtBytes, 0, 0, {9, 8, 7, 6, 5}, false),
         Column(kFtDate), Bytes{9, 8, 7, 6}},
    });
}

TEST_F(SqlConvert, FollowsTheProcessFormatSettings) {
    TFormatSettings s = TFormatSettings::Defaults();
    s.shortDateFormat = "dd/mm/yyyy";
    s.decimalSeparator = ',';
    TFormatSettings::SetGlobal(s);
    Check({
        {"day first", TSqlValue::String("31/12/2020"), Column(kFtDate), I32(kDay20201231)},
        {"comma decimals", TSqlValue::String("2,5"), Column(kFtFloat), F64(2.5)},
        {"date text day first", TSqlValue::Date(kDay20201231), Column(kFtString, 10),
         Str("31/12/2020", 10)},
        {"float text with comma", TSqlValue::Float(2.5), Column(kFtString, 10), Str("2,5", 10)},
    });
}

TEST(SqlConvertMessage, NamesColumnValueAndStatement) {
    EXPECT_EQ(SqlTypeMismatchMessage("Born", "'soon'", TSqlStatementKind::Update),
              "Type mismatch between column Born and constant value 'soon' in UPDATE statement");
    EXPECT_EQ(SqlTypeMismatchMessage("Born", "3", TSqlStatementKind::Insert),
              "Type mismatch between column Born and constant value 3 in INSERT statement");
}

} // namespace
} // namespace tabula

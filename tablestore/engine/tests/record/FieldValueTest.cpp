// Value encodings of every field type and reading / writing fields of a
// record image.
#include "FieldValue.h"

#include "DataFileTestSupport.h"
#include "EngineCodes.h"
#include "RecordImage.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace tabula {
namespace {

using namespace datafmt;
using testing::AutoIncField;
using testing::CodeOf;
using testing::Field;

TEST(DayNumbers, KnownDatesAndRoundTripOverTheWholeCalendar) {
    EXPECT_EQ(DayNumber(1, 1, 1), 1);
    EXPECT_EQ(DayNumber(1899, 12, 30), 693594);
    EXPECT_EQ(DayNumber(2000, 3, 1), DayNumber(2000, 2, 28) + 2) << "2000 is a leap year";
    EXPECT_EQ(DayNumber(1900, 3, 1), DayNumber(1900, 2, 28) + 1) << "1900 is not";
    EXPECT_EQ(DayNumber(9999, 12, 31), kMaxDayNumber);
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    for (std::int32_t day = 1; day <= kMaxDayNumber; day += 97) {
        const auto parts = DateOfDayNumber(day);
        ASSERT_TRUE(parts.has_value());
        ASSERT_EQ(DayNumber(parts->year, parts->month, parts->day), day);
    }
    // Year ends around the 4-, 100- and 400-year cycle boundaries.
    for (int year : {4, 100, 400, 1600, 2000, 2100}) {
        const auto end = DateOfDayNumber(DayNumber(year, 12, 31));
        EXPECT_EQ(end->year, year);
        EXPECT_EQ(end->month, 12);
        EXPECT_EQ(end->day, 31);
    }
    EXPECT_FALSE(DateOfDayNumber(0).has_value());
    EXPECT_FALSE(DateOfDayNumber(kMaxDayNumber + 1).has_value());
}

TEST(TimesAndTimestamps, MillisecondsAndDayTimesMilliseconds) {
    EXPECT_EQ(TimeOfDayMs(13, 45, 30, 250), ((13 * 60 + 45) * 60 + 30) * 1000 + 250);
    EXPECT_DOUBLE_EQ(TimestampValue(693594, 0), 693594.0 * 86400000.0);
    TDateTimeParts p{2024, 5, 17, 8, 30, 0, 5};
    EXPECT_DOUBLE_EQ(TimestampValue(p),
                     DayNumber(2024, 5, 17) * 86400000.0 + TimeOfDayMs(8, 30, 0, 5));
}

TEST(Bcd, EncodesWithSeveralDecimalCounts) {
    struct Case {
        TCurrency value; // × 10000
        int decimals;
        std::int64_t stored;
    } cases[] = {
        {123400, 2, 12342},         // 12.34
        {-123400, 2, -12342},       // -12.34
        {70000, 0, 70},             // 7
        {74999, 0, 70},             // 7.4999 rounds down
        {75000, 0, 80},             // 7.5 rounds half away from zero
        {-75000, 0, -80},           //
        {12345, 1, 121},            // 1.2345 → 1.2
        {12355, 3, 12363},          // 1.2355 → 1.236 (half away from zero)
        {12345, 4, 123454},         // 1.2345 exact
        {12345, 6, 12345006},       // 1.234500 with six digits after the point
        {15000, 9, 15000000009},    // 1.5 with nine decimals
        {15000, 10, 1500000000010}, // two-digit decimal count appended
        {0, 2, 2},                  // 0.00
    };
    for (const Case& c : cases) {
        const auto stored = EncodeBcd(c.value, c.decimals);
        ASSERT_TRUE(stored.has_value()) << c.value << "/" << c.decimals;
        EXPECT_EQ(*stored, c.stored) << c.value << "/" << c.decimals;
        const auto back = DecodeBcd(*stored, c.decimals);
        ASSERT_TRUE(back.has_value());
        if (c.decimals >= 4) {
            EXPECT_EQ(*back, c.value);
        }
    }
    EXPECT_EQ(DecodeBcd(12342, 2), 123400);
    EXPECT_EQ(DecodeBcd(-12342, 2), -123400);
    EXPECT_EQ(DecodeBcd(70, 0), 70000);
    EXPECT_EQ(DecodeBcd(0, 2), 0) << "an all-zero (null) slot reads as 0";
}

TEST(Bcd, RefusesValuesThatDoNotFitInsteadOfWrapping) {
    const TCurrency big = 900000000000000LL * kCurrencyScale; // 9e14
    EXPECT_FALSE(EncodeBcd(big, 4).has_value());
    EXPECT_TRUE(EncodeBcd(big, 1).has_value());
    EXPECT_FALSE(EncodeBcd(std::numeric_limits<TCurrency>::min(), 4).has_value());
    EXPECT_FALSE(EncodeBcd(kCurrencyScale, 40).has_value());
    EXPECT_EQ(EncodeBcd(0, 40), 40) << "zero fits whatever the decimal count";
    EXPECT_FALSE(DecodeBcd(9223372036854775800LL, 0).has_value());
}

TEST(Extended, EveryDoubleSurvivesTheEightyBitForm) {
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.1,
                             1e300,
                             -1e-300,
                             5e-324 /* smallest subnormal */,
                             3.141592653589793,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::infinity()};
    for (double v : values) {
        std::uint8_t bytes[10];
        EncodeExtended(v, bytes);
        const double back = DecodeExtended(bytes);
        EXPECT_EQ(std::signbit(back), std::signbit(v)) << v;
        EXPECT_EQ(back, v);
    }
    std::uint8_t one[10];
    EncodeExtended(1.0, one);
    const std::uint8_t expected[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(std::memcmp(one, expected, 10), 0);
    std::uint8_t nan[10];
    EncodeExtended(std::nan(""), nan);
    EXPECT_TRUE(std::isnan(DecodeExtended(nan)));
    // Magnitudes beyond a double become infinities or zeros.
    std::uint8_t huge[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};
    EXPECT_TRUE(std::isinf(DecodeExtended(huge)));
    std::uint8_t tiny[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x00};
    EXPECT_EQ(DecodeExtended(tiny), 0.0);
}

class RecordImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        TTableDefinition def;
        def.fields = {Field(1, "Name", kFtString, 5), Field(2, "Flag", kFtBoolean),
                      AutoIncField(3, "Id"),          Field(4, "Count", kFtInt32),
                      Field(5, "Doc", kFtBlob),       Field(6, "Raw", kFtBytes, 3)};
        header = def.Validate("T.DAT");
        fields = def.fields;
        image.assign(header.recordSize, 0);
    }
    void Write(int field, std::string_view bytes) {
        WriteField(fields[field], image,
                   std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }
    std::string Text(int field) {
        const TFieldRead r = ReadField(fields[field], image);
        return std::string(reinterpret_cast<const char*>(r.value.data()));
    }
    TDataHeader header;
    std::vector<TFieldDescriptor> fields;
    std::vector<std::uint8_t> image;
};

TEST_F(RecordImageTest, StringsLoseTrailingBlanksAndBlankStringsAreNull) {
    Write(0, "   ");
    EXPECT_TRUE(ReadField(fields[0], image).isNull);
    EXPECT_EQ(image[9], 0);
    Write(0, "ab  ");
    EXPECT_FALSE(ReadField(fields[0], image).isNull);
    EXPECT_EQ(Text(0), "ab");
    EXPECT_EQ(image[10 + 2], 0) << "terminating zero";
    Write(0, "abcdefgh");
    EXPECT_EQ(Text(0), "abcde") << "cut to the declared size";
    EXPECT_EQ(image[10 + 5], 0) << "the slot's last byte stays the terminator";
    Write(0, std::string_view("xy\0zz", 5));
    EXPECT_EQ(Text(0), "xy");
    EXPECT_EQ(image[10 + 3], 0) << "bytes after the text are zero";
}

TEST_F(RecordImageTest, BooleanIsNormalisedAndBlobPresenceFollowsTheBlockNumber) {
    const std::uint8_t five[2] = {5, 0};
    WriteField(fields[1], image, five);
    const TFieldRead flag = ReadField(fields[1], image);
    EXPECT_FALSE(flag.isNull);
    EXPECT_EQ(GetU16(flag.value.data()), 1);
    const std::uint8_t high[2] = {0, 1}; // 256 is true as well
    WriteField(fields[1], image, high);
    EXPECT_EQ(GetU16(ReadField(fields[1], image).value.data()), 1);

    const std::uint8_t none[4] = {};
    WriteField(fields[4], image, none);
    EXPECT_TRUE(ReadField(fields[4], image).isNull);
    const std::uint8_t block[4] = {0, 2, 0, 0};
    WriteField(fields[4], image, block);
    EXPECT_FALSE(ReadField(fields[4], image).isNull);
    EXPECT_EQ(GetI32(ReadField(fields[4], image).value.data()), 512);
}

TEST_F(RecordImageTest, AutoIncrementUsesThePrefixAndIsNeverNull) {
    std::uint8_t value[4];
    PutI32(value, 42);
    WriteField(fields[2], image, value);
    EXPECT_EQ(GetI32(image.data() + 5), 42);
    WriteNullField(fields[2], image);
    const TFieldRead r = ReadField(fields[2], image);
    EXPECT_FALSE(r.isNull);
    EXPECT_EQ(GetI32(r.value.data()), 42);
}

TEST_F(RecordImageTest, NullZeroesValueAndNeighboursStayIntact) {
    std::uint8_t count[4];
    PutI32(count, -3);
    WriteField(fields[3], image, count);
    Write(5, "xyz");
    const std::vector<std::uint8_t> before = image;
    WriteNullField(fields[3], image);
    const TFieldRead r = ReadField(fields[3], image);
    EXPECT_TRUE(r.isNull);
    EXPECT_EQ(GetI32(r.value.data()), 0);
    EXPECT_EQ(ReadField(fields[5], image).value[2], 'z');
    for (std::size_t i = 0; i < image.size(); ++i)
        if (i < fields[3].offset || i > fields[3].offset + 4u) {
            EXPECT_EQ(image[i], before[i]) << i;
        }
}

TEST_F(RecordImageTest, DescriptorOutsideTheImageIsRefusedNotFollowed) {
    TFieldDescriptor bad = fields[3];
    bad.offset = static_cast<std::uint16_t>(image.size() - 2);
    EXPECT_EQ(CodeOf([&] { ReadField(bad, image); }), kErrRecordBuffersCorrupt);
    EXPECT_EQ(CodeOf([&] { WriteNullField(bad, image); }), kErrRecordBuffersCorrupt);
    std::vector<std::uint8_t> small(4);
    EXPECT_EQ(CodeOf([&] { ReadField(fields[2], small); }), kErrRecordBuffersCorrupt);
}

} // namespace
} // namespace tabula

// Defaults of a fresh record and the constraint check before a write.
#include "RecordRules.h"

#include "DataFileTestSupport.h"
#include "EngineCodes.h"
#include "FieldText.h"
#include "RecordImage.h"
#include "TableLocale.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace datafmt;
using testing::AutoIncField;
using testing::CodeOf;
using testing::Field;

const TDateTimeParts kNow{2024, 5, 17, 14, 30, 15, 250};

struct Table {
    explicit Table(std::vector<TFieldDescriptor> fields, std::uint32_t lcid = 0) {
        TTableDefinition def;
        def.localeId = lcid;
        def.fields = std::move(fields);
        header = def.Validate("T.DAT");
        this->fields = def.fields;
        if (lcid)
            locale = std::make_unique<TTableLocale>(lcid, "T.DAT");
        image.assign(header.recordSize, 0xEE);
    }
    int Check() {
        return CodeOf(
            [&] { TRecordRules::CheckConstraints(fields, image, locale.get(), kNow, "T.DAT"); });
    }
    void SetInt32(int field, std::int32_t v) {
        std::uint8_t b[4];
        PutI32(b, v);
        WriteField(fields[field], image, b);
    }
    void SetText(int field, const std::string& text) {
        WriteField(fields[field], image,
                   std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    TDataHeader header;
    std::vector<TFieldDescriptor> fields;
    std::unique_ptr<TTableLocale> locale;
    std::vector<std::uint8_t> image;
};

TEST(Defaults, EveryTypeTakesItsDefaultAndClockKeywordsTakeTheClock) {
    std::vector<TFieldDescriptor> f = {
        Field(1, "S", kFtString, 8),  Field(2, "D", kFtDate),       Field(3, "B", kFtBoolean),
        Field(4, "I", kFtInt16),      Field(5, "L", kFtInt32),      Field(6, "U", kFtUInt16),
        Field(7, "F", kFtFloat),      Field(8, "C", kFtBcd, 0, 2),  Field(9, "T", kFtTime),
        Field(10, "N", kFtTimestamp), Field(11, "M", kFtTimestamp), Field(12, "P", kFtTimestamp),
        Field(13, "X", kFtTimestamp), Field(14, "E", kFtInt32),     Field(15, "Y", kFtBytes, 2)};
    const char* defaults[] = {
        "hello   ", "DATE", "true", "-7",   "123456",           "65535", "2.5", "12.34",
        "TIME",     "NOW",  "DATE", "TIME", "12/31/2024 06:00", "",      "zz"};
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i].defaultValue = defaults[i];
    Table t(f);
    TRecordRules::InitRecord(t.fields, t.image, nullptr, kNow);
    auto value = [&](int i) { return ReadField(t.fields[i], t.image).value.data(); };
    EXPECT_STREQ(reinterpret_cast<const char*>(value(0)), "hello");
    EXPECT_EQ(GetI32(value(1)), DayNumber(2024, 5, 17));
    EXPECT_EQ(GetU16(value(2)), 1);
    EXPECT_EQ(GetI16(value(3)), -7);
    EXPECT_EQ(GetI32(value(4)), 123456);
    EXPECT_EQ(GetU16(value(5)), 65535);
    EXPECT_EQ(GetDouble(value(6)), 2.5);
    EXPECT_EQ(GetI64(value(7)), 12342);
    EXPECT_EQ(GetI32(value(8)), TimeOfDayMs(14, 30, 15, 250));
    EXPECT_EQ(GetDouble(value(9)), TimestampValue(kNow));
    EXPECT_EQ(GetDouble(value(10)), TimestampValue(DayNumber(2024, 5, 17), 0));
    EXPECT_EQ(GetDouble(value(11)), TimestampValue(693594, TimeOfDayMs(14, 30, 15, 250)));
    EXPECT_EQ(GetDouble(value(12)), TimestampValue(DayNumber(2024, 12, 31), 6 * 3600000));
    EXPECT_TRUE(ReadField(t.fields[13], t.image).isNull) << "no default: null";
    EXPECT_TRUE(ReadField(t.fields[14], t.image).isNull) << "bytes take no default";
    EXPECT_EQ(t.image[0], 0) << "the prefix is zeroed";
}

TEST(Defaults, WithoutAnyDefaultTheImageIsJustZeroed) {
    Table t({Field(1, "A", kFtInt32), Field(2, "B", kFtString, 4)});
    TRecordRules::InitRecord(t.fields, t.image, nullptr, kNow);
    EXPECT_EQ(std::count(t.image.begin(), t.image.end(), 0), static_cast<long>(t.image.size()));
}

TEST(Constraints, RequiredMinimumAndMaximumWithInclusiveBounds) {
    std::vector<TFieldDescriptor> f = {Field(1, "Req", kFtInt32), Field(2, "Low", kFtInt32),
                                       Field(3, "High", kFtInt16)};
    f[0].required = 1;
    f[1].minimum = "10";
    f[2].maximum = "100";
    Table t(f);
    TRecordRules::InitRecord(t.fields, t.image, nullptr, kNow);
    EXPECT_EQ(t.Check(), kErrValueRequired);
    t.SetInt32(0, 0);
    EXPECT_EQ(t.Check(), kErrBelowMinimum) << "a null 32-bit integer fails a minimum of 10";
    t.SetInt32(1, 9);
    EXPECT_EQ(t.Check(), kErrBelowMinimum);
    t.SetInt32(1, 10);
    EXPECT_EQ(t.Check(), 0);
    std::uint8_t v[2];
    PutI16(v, 101);
    WriteField(t.fields[2], t.image, v);
    EXPECT_EQ(t.Check(), kErrAboveMaximum);
    PutI16(v, 100);
    WriteField(t.fields[2], t.image, v);
    EXPECT_EQ(t.Check(), 0);
    try {
        t.SetInt32(1, -5);
        TRecordRules::CheckConstraints(t.fields, t.image, nullptr, kNow, "T.DAT");
        FAIL();
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), kErrBelowMinimum);
        EXPECT_NE(std::string(e.what()).find("Low"), std::string::npos) << e.what();
    }
}

TEST(Constraints, ComparisonByType) {
    std::vector<TFieldDescriptor> f = {Field(1, "S", kFtString, 6), Field(2, "D", kFtDate),
                                       Field(3, "C", kFtBcd, 0, 2), Field(4, "F", kFtFloat),
                                       Field(5, "U", kFtUInt16),    Field(6, "N", kFtTimestamp),
                                       Field(7, "Id", kFtInt32),    Field(8, "X", kFtUInt32)};
    f[6].subtype = kAutoIncSubtype;
    f[0].minimum = "b";
    f[1].maximum = "DATE";
    f[2].minimum = "-1.5";
    f[3].maximum = "0.5";
    f[4].minimum = "40000";
    f[5].minimum = "01/01/2000 00:00";
    f[6].maximum = "1000";
    f[7].maximum = "1"; // 32-bit unsigned integers are not bounded
    Table t(f);
    TRecordRules::InitRecord(t.fields, t.image, nullptr, kNow);
    auto setBytes = [&](int i, std::initializer_list<std::uint8_t> bytes) {
        std::vector<std::uint8_t> b(bytes);
        WriteField(t.fields[i], t.image, b);
    };
    std::uint8_t buf[8];
    t.SetText(0, "b");
    PutI32(buf, DayNumber(2024, 5, 17));
    WriteField(t.fields[1], t.image, std::span(buf, 4));
    PutI64(buf, *EncodeBcd(-15000, 2));
    WriteField(t.fields[2], t.image, std::span(buf, 8));
    PutDouble(buf, 0.5);
    WriteField(t.fields[3], t.image, std::span(buf, 8));
    PutU16(buf, 40000);
    WriteField(t.fields[4], t.image, std::span(buf, 2));
    PutDouble(buf, TimestampValue(DayNumber(2000, 1, 1), 0));
    WriteField(t.fields[5], t.image, std::span(buf, 8));
    setBytes(6, {0xE8, 0x03, 0, 0});
    setBytes(7, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(t.Check(), 0) << "every value sits on its bound";

    t.SetText(0, "a");
    EXPECT_EQ(t.Check(), kErrBelowMinimum);
    t.SetText(0, "b\x80");
    EXPECT_EQ(t.Check(), 0) << "unsigned bytes: 0x80 sorts after the terminator";
    PutI32(buf, DayNumber(2024, 5, 18));
    WriteField(t.fields[1], t.image, std::span(buf, 4));
    EXPECT_EQ(t.Check(), kErrAboveMaximum) << "tomorrow is after DATE";
    PutI32(buf, DayNumber(2024, 5, 17));
    WriteField(t.fields[1], t.image, std::span(buf, 4));
    PutI64(buf, *EncodeBcd(-15001, 2)); // rounds to -1.50: still on the bound
    WriteField(t.fields[2], t.image, std::span(buf, 8));
    EXPECT_EQ(t.Check(), 0);
    PutI64(buf, *EncodeBcd(-15100, 2));
    WriteField(t.fields[2], t.image, std::span(buf, 8));
    EXPECT_EQ(t.Check(), kErrBelowMinimum);
    PutI64(buf, *EncodeBcd(0, 2));
    WriteField(t.fields[2], t.image, std::span(buf, 8));
    PutDouble(buf, 0.75);
    WriteField(t.fields[3], t.image, std::span(buf, 8));
    EXPECT_EQ(t.Check(), kErrAboveMaximum);
    PutDouble(buf, 0.0);
    WriteField(t.fields[3], t.image, std::span(buf, 8));
    PutU16(buf, 39999);
    WriteField(t.fields[4], t.image, std::span(buf, 2));
    EXPECT_EQ(t.Check(), kErrBelowMinimum);
    PutU16(buf, 65535);
    WriteField(t.fields[4], t.image, std::span(buf, 2));
    PutDouble(buf, TimestampValue(DayNumber(1999, 12, 31), 86399999));
    WriteField(t.fields[5], t.image, std::span(buf, 8));
    EXPECT_EQ(t.Check(), kErrBelowMinimum);
    PutDouble(buf, TimestampValue(kNow));
    WriteField(t.fields[5], t.image, std::span(buf, 8));
    setBytes(6, {0xE9, 0x03, 0, 0});
    EXPECT_EQ(t.Check(), kErrAboveMaximum) << "the auto-increment field is bounded too";
}

TEST(Constraints, StringsCompareWithTheLocaleCollationWhenTheTableHasOne) {
    std::vector<TFieldDescriptor> f = {Field(1, "S", kFtString, 6)};
    f[0].minimum = "a";
    Table bytewise(f);
    bytewise.SetText(0, "B");
    EXPECT_EQ(bytewise.Check(), kErrBelowMinimum) << "'B' (66) < 'a' (97)";
    Table german(f, 0x0407);
    german.SetText(0, "B");
    EXPECT_EQ(german.Check(), 0) << "the collation puts b after a";
}

} // namespace
} // namespace tabula

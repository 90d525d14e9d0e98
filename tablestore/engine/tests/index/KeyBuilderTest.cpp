// Key encodings and key order: unsigned byte order of built keys must be the
// natural order of the values, for every field type, with nulls, descending
// fields, case-insensitive and locale-aware string keys.
#include "KeyBuilder.h"

#include "DataFileFormat.h"
#include "KeyComparer.h"
#include "LocaleCollator.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace tabula {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A record with one field of the given type at offset 9 (indicator) / 10 (value).
template <typename T> Bytes RecordWith(T value, std::int32_t autoInc = 1) {
    Bytes record(9 + 1 + sizeof(T), 0);
    std::memcpy(record.data() + 5, &autoInc, 4);
    record[9] = 1;
    std::memcpy(record.data() + 10, &value, sizeof(T));
    return record;
}

Bytes StringRecord(const char* text, int slot, std::int32_t autoInc = 1) {
    Bytes record(9 + 1 + static_cast<std::size_t>(slot), 0);
    std::memcpy(record.data() + 5, &autoInc, 4);
    if (text) {
        record[9] = 1;
        std::memcpy(record.data() + 10, text, std::strlen(text));
    }
    return record;
}

TKeyField Field(std::uint8_t type, int size, bool descending = false) {
    TKeyField f;
    f.fieldNumber = 1;
    f.typeCode = type;
    f.storedSize = static_cast<std::uint16_t>(size);
    f.recordOffset = 9;
    f.descending = descending;
    return f;
}

Bytes Key(const TKeyBuilder& builder, const Bytes& record) {
    Bytes key(static_cast<std::size_t>(builder.KeyLength()));
    builder.Build(record, key.data());
    return key;
}

// Keys built from ascending values must ascend as unsigned bytes.
template <typename T> void ExpectOrderPreserved(std::uint8_t type, std::vector<T> ascending) {
    const TKeyBuilder builder({Field(type, sizeof(T))}, false, false, nullptr);
    for (std::size_t i = 1; i < ascending.size(); ++i) {
        const Bytes a = Key(builder, RecordWith(ascending[i - 1]));
        const Bytes b = Key(builder, RecordWith(ascending[i]));
        EXPECT_LT(a, b) << "type " << int(type) << " values " << ascending[i - 1] << " and "
                        << ascending[i];
    }
}

TEST(KeyEncoding, Int32MinusOneZeroOneAreTheDocumentedBytes) {
    const TKeyBuilder builder({Field(datafmt::kFtInt32, 4)}, false, false, nullptr);
    EXPECT_EQ(Key(builder, RecordWith<std::int32_t>(-1)), (Bytes{1, 0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Key(builder, RecordWith<std::int32_t>(0)), (Bytes{1, 0x80, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Key(builder, RecordWith<std::int32_t>(1)), (Bytes{1, 0x80, 0x00, 0x00, 0x01}));
}

TEST(KeyEncoding, EveryNumericTypeSortsNumerically) {
    ExpectOrderPreserved<std::int32_t>(datafmt::kFtInt32,
                                       {INT32_MIN, -70000, -1, 0, 1, 256, 65536, INT32_MAX});
    ExpectOrderPreserved<std::int32_t>(datafmt::kFtDate, {-5, 1, 693594, 740000});
    ExpectOrderPreserved<std::int32_t>(datafmt::kFtTime, {0, 999, 1000, 86399999});
    ExpectOrderPreserved<std::int16_t>(datafmt::kFtInt16,
                                       {INT16_MIN, -256, -1, 0, 1, 255, INT16_MAX});
    ExpectOrderPreserved<std::uint16_t>(datafmt::kFtUInt16, {0, 1, 255, 256, 65535});
    ExpectOrderPreserved<std::uint16_t>(datafmt::kFtBoolean, {0, 1});
    ExpectOrderPreserved<std::int64_t>(datafmt::kFtBcd,
                                       {INT64_MIN, -12342, -70, 0, 70, 12342, INT64_MAX});
    // Unsigned 32-bit values are stored little-endian; keys must still order 1 < 256.
    ExpectOrderPreserved<std::uint32_t>(datafmt::kFtUInt32, {0, 1, 255, 256, 65536, UINT32_MAX});
    const double inf = std::numeric_limits<double>::infinity();
    ExpectOrderPreserved<double>(
        datafmt::kFtFloat, {-inf, -1e300, -2.5, -1.0, -1e-300, 0.0, 1e-300, 1.0, 2.5, 1e300, inf});
    ExpectOrderPreserved<double>(datafmt::kFtTimestamp, {-86400000.0, 0.0, 6.3e13, 6.4e13});
}

TEST(KeyEncoding, FloatBitTrick) {
    const TKeyBuilder builder({Field(datafmt::kFtFloat, 8)}, false, false, nullptr);
    // 1.0 = 3FF0000000000000: non-negative, top bit set.
    EXPECT_EQ(Key(builder, RecordWith(1.0)), (Bytes{1, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
    // -1.0 = BFF0000000000000: negative, every bit inverted.
    EXPECT_EQ(Key(builder, RecordWith(-1.0)),
              (Bytes{1, 0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(KeyEncoding, NullSortsBeforeEveryValue) {
    const TKeyBuilder builder({Field(datafmt::kFtInt32, 4)}, false, false, nullptr);
    Bytes nullRecord = RecordWith<std::int32_t>(0);
    nullRecord[9] = 0;
    std::memset(nullRecord.data() + 10, 0, 4);
    EXPECT_EQ(Key(builder, nullRecord), (Bytes{0, 0, 0, 0, 0}));
    EXPECT_LT(Key(builder, nullRecord), Key(builder, RecordWith<std::int32_t>(INT32_MIN)));
}

TEST(KeyEncoding, StringsZeroFilledAndUpperCasedWhenCaseInsensitive) {
    const TKeyBuilder plain({Field(datafmt::kFtString, 11)}, false, false, nullptr);
    EXPECT_EQ(plain.KeyLength(), 12);
    const Bytes key = Key(plain, StringRecord("abc", 11));
    EXPECT_EQ(key, (Bytes{1, 'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0, 0}));
    const TKeyBuilder folded({Field(datafmt::kFtString, 11)}, true, false, nullptr);
    EXPECT_EQ(Key(folded, StringRecord("ab\xE9z", 11)),
              (Bytes{1, 'A', 'B', 0xC9, 'Z', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Key(folded, StringRecord("Smith", 11)), Key(folded, StringRecord("SMITH", 11)));
}

TEST(KeyEncoding, DescendingFieldInvertsAllButTheStringTerminator) {
    const TKeyBuilder down({Field(datafmt::kFtString, 4, true)}, false, false, nullptr);
    const Bytes key = Key(down, StringRecord("ab", 4));
    EXPECT_EQ(key, (Bytes{0xFE, 0xFF - 'a', 0xFF - 'b', 0xFF, 0x00}));
    EXPECT_GT(Key(down, StringRecord("aa", 4)), Key(down, StringRecord("ab", 4)));
    EXPECT_GT(Key(down, StringRecord(nullptr, 4)), Key(down, StringRecord("zz", 4)));
    const TKeyBuilder downInt({Field(datafmt::kFtInt32, 4, true)}, false, false, nullptr);
    EXPECT_GT(Key(downInt, RecordWith<std::int32_t>(-1)),
              Key(downInt, RecordWith<std::int32_t>(1)));
}

TEST(KeyEncoding, UniquenessSuffixKeepsEqualValuesInAppendOrder) {
    const TKeyBuilder builder({Field(datafmt::kFtString, 6)}, false, true, nullptr);
    EXPECT_EQ(builder.KeyLength(), 7 + 4);
    const Bytes first = Key(builder, StringRecord("same", 6, 7));
    const Bytes second = Key(builder, StringRecord("same", 6, 300));
    EXPECT_LT(first, second);
    EXPECT_EQ(Bytes(first.end() - 4, first.end()), (Bytes{0x80, 0, 0, 7}));
    EXPECT_TRUE(std::equal(first.begin(), first.end() - 4, second.begin()));
}

TEST(KeyEncoding, SysDeletedKeyAndAutoIncrementField) {
    Bytes record(20, 0);
    record[0] = 1;
    const std::int32_t autoInc = 258;
    std::memcpy(record.data() + 5, &autoInc, 4);
    Bytes key(5);
    TKeyBuilder::BuildSysDeletedKey(record, key.data());
    EXPECT_EQ(key, (Bytes{1, 0x80, 0, 1, 2}));

    TKeyField counter = Field(datafmt::kFtInt32, 4);
    counter.autoIncrement = true;
    counter.recordOffset = 5;
    const TKeyBuilder builder({counter}, false, false, nullptr);
    EXPECT_EQ(Key(builder, record), (Bytes{1, 0x80, 0, 1, 2}));
}

TEST(KeyEncoding, ShortRecordImageIsRefused) {
    const TKeyBuilder builder({Field(datafmt::kFtString, 20)}, false, false, nullptr);
    Bytes key(static_cast<std::size_t>(builder.KeyLength()));
    const Bytes shortRecord(12, 0);
    EXPECT_THROW(builder.Build(shortRecord, key.data()), std::invalid_argument);
}

TEST(KeyCompare, LocaleCollationOrdersStringFields) {
    const TLocaleCollator english(0x0409);
    TKeyField name = Field(datafmt::kFtString, 8);
    TKeyField amount = Field(datafmt::kFtInt32, 4);
    amount.recordOffset = 18;
    const TKeyBuilder builder({name, amount}, false, false, &english);
    const TKeyComparer cmp(builder.KeyLength(), false, builder.StringSegments(), &english);
    auto keyOf = [&](const char* text, std::int32_t value) {
        Bytes record = StringRecord(text, 8);
        record.resize(23, 0);
        record[18] = 1;
        std::memcpy(record.data() + 19, &value, 4);
        return Key(builder, record);
    };
    // Byte order puts "Banana" before "apple"; the collation does not.
    EXPECT_LT(cmp.Compare(keyOf("apple", 1).data(), keyOf("Banana", 1).data()), 0);
    EXPECT_LT(cmp.Compare(keyOf("co-op", 1).data(), keyOf("coop", 1).data()) *
                  cmp.Compare(keyOf("coop", 1).data(), keyOf("co-op", 1).data()),
              0);
    // Equal texts: the bytes after the string decide.
    EXPECT_LT(cmp.Compare(keyOf("pear", 1).data(), keyOf("pear", 2).data()), 0);
    EXPECT_EQ(cmp.Compare(keyOf("pear", 2).data(), keyOf("pear", 2).data()), 0);

    const TKeyComparer reversed(builder.KeyLength(), true, builder.StringSegments(), &english);
    EXPECT_GT(reversed.Compare(keyOf("apple", 1).data(), keyOf("Banana", 1).data()), 0);

    TKeyField down = name;
    down.descending = true;
    const TKeyBuilder downBuilder({down}, false, false, &english);
    const TKeyComparer downCmp(downBuilder.KeyLength(), false, downBuilder.StringSegments(),
                               &english);
    EXPECT_GT(downCmp.Compare(Key(downBuilder, StringRecord("apple", 8)).data(),
                              Key(downBuilder, StringRecord("Banana", 8)).data()),
              0);
    // Descending, NULL comes after every text, as with unlocalized keys.
    EXPECT_GT(downCmp.Compare(Key(downBuilder, StringRecord(nullptr, 8)).data(),
                              Key(downBuilder, StringRecord("apple", 8)).data()),
              0);

    // A descending number beside a collated string keeps its direction:
    // only the string slots are left to the collation.
    TKeyField downAmount = amount;
    downAmount.descending = true;
    const TKeyBuilder mixed({name, downAmount}, false, false, &english);
    const TKeyComparer mixedCmp(mixed.KeyLength(), false, mixed.StringSegments(), &english);
    auto mixedKey = [&](std::int32_t value) {
        Bytes record = StringRecord("pear", 8);
        record.resize(23, 0);
        record[18] = 1;
        std::memcpy(record.data() + 19, &value, 4);
        return Key(mixed, record);
    };
    EXPECT_GT(mixedCmp.Compare(mixedKey(1).data(), mixedKey(2).data()), 0);
    // And so does one in a localized index without any string field.
    const TKeyBuilder numbers({Field(datafmt::kFtInt32, 4, true)}, false, false, &english);
    EXPECT_GT(Key(numbers, RecordWith<std::int32_t>(1)), Key(numbers, RecordWith<std::int32_t>(2)));
}

TEST(KeyCompare, LocaleKeysAreUpperCasedForCaseInsensitiveIndexes) {
    const TLocaleCollator english(0x0409);
    const TKeyBuilder folded({Field(datafmt::kFtString, 8)}, true, false, &english);
    EXPECT_EQ(Key(folded, StringRecord("mixEd", 8)), Key(folded, StringRecord("MIXED", 8)));
    const Bytes key = Key(folded, StringRecord("abcdefg", 8));
    EXPECT_EQ(key.back(), 0); // the slot keeps its terminator
}

TEST(KeyCompare, UnknownLocaleIsTheLanguageDriverError) {
    try {
        TLocaleCollator unknown(0x7F7F);
        FAIL() << "locale accepted";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("15878"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace tabula

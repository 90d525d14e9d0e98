// Query parameters: lookup and copying, the stored parameter image (round
// trips, older versions, damaged images) and the binding image.
#include "EngineError.h"
#include "MemoryDataSet.h"
#include "ParamBinding.h"
#include "ParamImage.h"
#include "SqlNode.h"
#include "TabulaParams.h"

#include <gtest/gtest.h>
#include <random>

namespace tabula {
namespace {

using namespace datafmt;
using test::ErrorOf;
using Bytes = std::vector<std::uint8_t>;

TEST(Params, LookupIgnoresCaseAndCopyingMatchesExactly) {
    TTabulaParams params;
    params.CreateParam(TFieldType::ftUnknown, "Id", TParamType::ptInput);
    params.CreateParam(TFieldType::ftUnknown, "name", TParamType::ptInput);
    EXPECT_EQ(&params.ParamByName("ID"), &params[0]);
    EXPECT_EQ(params.FindParam("Name"), &params[1]);
    EXPECT_EQ(params.FindParam("Nam"), nullptr);
    EXPECT_EQ(ErrorOf([&] { params.ParamByName("Other"); }), "Parameter 'Other' not found");

    TTabulaParams source;
    source.CreateParam(TFieldType::ftUnknown, "Id", TParamType::ptOutput).SetAsInteger(7);
    source.CreateParam(TFieldType::ftUnknown, "NAME", TParamType::ptInput).SetAsString("x");
    params.AssignValues(source);
    EXPECT_EQ(params[0], source[0]); // the whole parameter, kind included
    EXPECT_FALSE(params[1].Bound()); // "NAME" is not "name"
    EXPECT_TRUE(params[1].IsNull());
}

TEST(Params, TypedSettersSetTheDataTypeAndEqualityComparesEverything) {
    TTabulaParam p("P", TParamType::ptInput);
    const std::pair<std::function<void()>, TFieldType> cases[] = {
        {[&] { p.SetAsString("a"); }, TFieldType::ftString},
        {[&] { p.SetAsInteger(1); }, TFieldType::ftInteger},
        {[&] { p.SetAsSmallInt(1); }, TFieldType::ftSmallint},
        {[&] { p.SetAsWord(1); }, TFieldType::ftWord},
        {[&] { p.SetAsFloat(1.5); }, TFieldType::ftFloat},
        {[&] { p.SetAsBoolean(true); }, TFieldType::ftBoolean},
        {[&] { p.SetAsDate(TDateTime{1}); }, TFieldType::ftDate},
        {[&] { p.SetAsTime(TDateTime{0.5}); }, TFieldType::ftTime},
        {[&] { p.SetAsDateTime(TDateTime{1.5}); }, TFieldType::ftDateTime},
        {[&] { p.SetAsCurrency(1.23456); }, TFieldType::ftCurrency},
        {[&] { p.SetAsBCD(12345); }, TFieldType::ftBCD},
        {[&] { p.SetValue(std::string("v")); }, TFieldType::ftString},
    };
    for (const auto& [set, type] : cases) {
        set();
        EXPECT_EQ(p.DataType(), type);
        EXPECT_TRUE(p.Bound());
    }
    p.SetAsCurrency(1.23456);
    EXPECT_EQ(p.AsCurrency(), 12346); // four decimals
    p.Clear();
    EXPECT_TRUE(p.IsNull());
    EXPECT_EQ(p.DataType(), TFieldType::ftCurrency);

    TTabulaParam a("A", TParamType::ptInput);
    a.SetAsInteger(1);
    TTabulaParam b = a;
    EXPECT_EQ(a, b);
    b.SetValue(std::int64_t{1});
    EXPECT_EQ(a, b);
    b.SetAsFloat(1); // same number, other value kind and type
    EXPECT_NE(a, b);
    b = a;
    b.SetBound(false);
    EXPECT_NE(a, b);
    b = a;
    b.SetName("a");
    EXPECT_NE(a, b);
    b = a;
    b.SetParamType(TParamType::ptOutput);
    EXPECT_NE(a, b);

    TTabulaParams l1, l2;
    l1.CreateParam(TFieldType::ftInteger, "A", TParamType::ptInput);
    EXPECT_NE(l1, l2);
    l2.CreateParam(TFieldType::ftInteger, "A", TParamType::ptInput);
    EXPECT_EQ(l1, l2);
}

// A list with one parameter of every type that has an engine form, some
// null, some unbound.
TTabulaParams EveryType() {
    TTabulaParams l;
    l.CreateParam(TFieldType::ftString, "Str", TParamType::ptInput).SetAsString("a:b 'c'");
    l.CreateParam(TFieldType::ftMemo, "Memo", TParamType::ptInput).SetAsMemo("line\r\nline");
    l.CreateParam(TFieldType::ftSmallint, "Small", TParamType::ptInput).SetAsSmallInt(-32768);
    l.CreateParam(TFieldType::ftWord, "Word", TParamType::ptInput).SetAsWord(65535);
    l.CreateParam(TFieldType::ftBoolean, "Bool", TParamType::ptInput).SetAsBoolean(true);
    l.CreateParam(TFieldType::ftInteger, "Int", TParamType::ptOutput).SetAsInteger(INT32_MIN);
    l.CreateParam(TFieldType::ftAutoInc, "Auto", TParamType::ptInput)
        .SetValueOfType(std::int64_t{42}, TFieldType::ftAutoInc);
    l.CreateParam(TFieldType::ftFloat, "Float", TParamType::ptInput).SetAsFloat(-1.25e-7);
    l.CreateParam(TFieldType::ftCurrency, "Money", TParamType::ptInput).SetAsCurrency(-12.3456);
    l.CreateParam(TFieldType::ftBCD, "Bcd", TParamType::ptInputOutput).SetAsBCD(-123456789);
    l.CreateParam(TFieldType::ftDate, "Date", TParamType::ptInput).SetAsDate(TDateTime{45000});
    l.CreateParam(TFieldType::ftTime, "Time", TParamType::ptInput).SetAsTime(TDateTime{0.75});
    l.CreateParam(TFieldType::ftDateTime, "Stamp", TParamType::ptResult)
        .SetAsDateTime(TDateTime{-2.25}); // before 1899-12-30
    l.CreateParam(TFieldType::ftDate, "NullDate", TParamType::ptInput).Clear();
    l.CreateParam(TFieldType::ftString, "NullStr", TParamType::ptInput).Clear();
    l.CreateParam(TFieldType::ftInteger, "Unbound", TParamType::ptInput);
    l.CreateParam(TFieldType::ftUnknown, "Unknown", TParamType::ptUnknown);
    return l;
}

TEST(ParamImage, EveryTypeSurvivesARoundTrip) {
    const TTabulaParams params = EveryType();
    const Bytes image = WriteParamImage(params);
    ASSERT_GE(image.size(), 2u);
    EXPECT_EQ(image[0], 1); // version 1
    EXPECT_EQ(image[1], 0);
    TTabulaParams back;
    ReadParamImage(image, back);
    ASSERT_EQ(back.Count(), params.Count());
    for (int i = 0; i < params.Count(); ++i)
        EXPECT_EQ(back[i], params[i]) << params[i].Name();
    EXPECT_EQ(back, params);
    EXPECT_TRUE(WriteParamImage(TTabulaParams()).empty());
}

TEST(ParamImage, LayoutOfOneParameter) {
    TTabulaParams l;
    l.CreateParam(TFieldType::ftInteger, "Id", TParamType::ptInput).SetAsInteger(258);
    const Bytes expected = {1, 0,           // version
                            1, 0,           // count
                            2, 'I', 'd',    // name
                            1,              // kind ptInput
                            3,              // ftInteger
                            4, 0,           // value size
                            2, 1,   0,   0, // 258
                            0, 1};          // not null, bound
    EXPECT_EQ(WriteParamImage(l), expected);
}

TEST(ParamImage, OlderAndWiderVersionsAreRead) {
    // Version 0: the narrow layout; a string parameter and an unknown one.
    const Bytes v0 = {0, 0, 2, 0, 1, 'a', 1, 1, 3, 0, 'h', 'i', 0, 0, 1, 1, 'b', 0, 0, 1, 0};
    TTabulaParams l;
    ReadParamImage(v0, l);
    ASSERT_EQ(l.Count(), 2);
    EXPECT_EQ(l[0].AsString(), "hi");
    EXPECT_EQ(l[0].DataType(), TFieldType::ftString);
    EXPECT_EQ(l[1].DataType(), TFieldType::ftUnknown);
    EXPECT_TRUE(l[1].IsNull());
    EXPECT_FALSE(l[1].Bound());
    // Version 2: 32-bit count, name length and value size.
    const Bytes v2 = {2, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'x', 1, 2, 2, 0, 0, 0, 0xFF, 0xFF, 0, 1};
    ReadParamImage(v2, l);
    ASSERT_EQ(l.Count(), 1);
    EXPECT_EQ(l[0].DataType(), TFieldType::ftSmallint);
    EXPECT_EQ(l[0].AsInteger(), -1);
    // Version 3 is refused and the list is left as it was.
    const Bytes v3 = {3, 0, 0, 0};
    EXPECT_EQ(ErrorOf([&] { ReadParamImage(v3, l); }), "Unable to load bind parameters");
    EXPECT_EQ(l.Count(), 1);
}

TEST(ParamImage, WriteRefusesOversizedAndTypelessValues) {
    TTabulaParams l;
    l.CreateParam(TFieldType::ftString, "Big", TParamType::ptInput)
        .SetAsString(std::string(2047, 'x')); // 2048 bytes with its zero
    EXPECT_NO_THROW(WriteParamImage(l));
    l[0].SetAsString(std::string(2048, 'x'));
    EXPECT_EQ(ErrorOf([&] { WriteParamImage(l); }),
              "Parameter 'Big', cannot save data larger than 2048 bytes");
    l[0].SetValueOfType(std::string("b"), TFieldType::ftBlob);
    EXPECT_EQ(ErrorOf([&] { WriteParamImage(l); }), "Field 'Big' is of an unsupported type");
    EXPECT_EQ(ErrorOf([&] { ParamEngineValue(TTabulaParam("U", TParamType::ptInput)); }),
              "Field 'U' is of unknown type");
}

TEST(ParamImage, DamagedImagesFailCleanly) {
    const Bytes good = WriteParamImage(EveryType());
    TTabulaParams target;
    target.CreateParam(TFieldType::ftInteger, "Keep", TParamType::ptInput);
    const TTabulaParams before = target;
    // Every truncation of a sound image is refused.
    for (std::size_t n = 0; n < good.size(); ++n) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(ErrorOf([&] { ReadParamImage(cut, target); }), "Unable to load bind parameters")
            << n;
        EXPECT_EQ(target, before);
    }
    // Absurd counts and sizes are refused without allocating for them.
    const Bytes hugeCount = {2, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0};
    EXPECT_EQ(ErrorOf([&] { ReadParamImage(hugeCount, target); }),
              "Unable to load bind parameters");
    const Bytes hugeValue = {2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
    EXPECT_EQ(ErrorOf([&] { ReadParamImage(hugeValue, target); }),
              "Unable to load bind parameters");
    // Wrong value widths and unknown type numbers.
    const Bytes shortInt = {1, 0, 1, 0, 0, 1, 3, 2, 0, 1, 2, 0, 1};
    EXPECT_EQ(ErrorOf([&] { ReadParamImage(shortInt, target); }), "Unable to load bind parameters");
    const Bytes badType = {1, 0, 1, 0, 0, 1, 200, 0, 0, 0, 1};
    EXPECT_EQ(ErrorOf([&] { ReadParamImage(badType, target); }), "Unable to load bind parameters");

    // Mutated images: a clean refusal or a list, never anything else.
    std::mt19937 random(20261209);
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes image = good;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % image.size();
            switch (random() % 3) {
            case 0:
                image[at] = static_cast<std::uint8_t>(random());
                break;
            case 1:
                image.erase(image.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            default:
                image.insert(image.begin() + static_cast<std::ptrdiff_t>(at),
                             static_cast<std::uint8_t>(random()));
                break;
            }
            if (image.empty())
                image.push_back(0);
        }
        TTabulaParams l = before;
        try {
            ReadParamImage(image, l);
        } catch (const EDatabaseError& e) {
            ASSERT_STREQ(e.what(), "Unable to load bind parameters");
            EXPECT_EQ(l, before);
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

// ---- binding --------------------------------------------------------------------

TEST(ParamBinding, DescriptorsAndValuesBufferLayout) {
    TTabulaParams l;
    const std::string longName(40, 'N');
    l.CreateParam(TFieldType::ftString, longName, TParamType::ptInput).SetAsString("abc");
    l.CreateParam(TFieldType::ftBCD, "Price", TParamType::ptInput).SetAsBCD(123400); // 12.34
    l.CreateParam(TFieldType::ftInteger, "Gone", TParamType::ptInput).Clear();
    const TParamBinding b = BuildParamBinding(l);
    ASSERT_EQ(b.count, 3u);
    ASSERT_EQ(b.descriptors.size(), 3 * kDescriptorSize);
    const std::uint8_t* d1 = b.descriptors.data();
    EXPECT_EQ(GetI16(d1 + kFdFieldNumber), 1);
    EXPECT_EQ(d1[kFdName], 30); // the name is cut to 30 characters
    EXPECT_EQ(d1[kFdType], kFtString);
    EXPECT_EQ(d1[kFdDeclaredSize], 255);
    EXPECT_EQ(d1[kFdStoredSize], 4);
    EXPECT_EQ(GetU16(d1 + kFdOffset), 0);
    const std::uint8_t* d2 = d1 + kDescriptorSize;
    EXPECT_EQ(GetI16(d2 + kFdFieldNumber), 2);
    EXPECT_EQ(d2[kFdType], kFtBcd);
    EXPECT_EQ(d2[kFdDecimals], 4);
    EXPECT_EQ(d2[kFdStoredSize], 8);
    EXPECT_EQ(GetU16(d2 + kFdOffset), 5);
    const std::uint8_t* d3 = d2 + kDescriptorSize;
    EXPECT_EQ(d3[kFdType], kFtInt32);
    EXPECT_EQ(GetU16(d3 + kFdOffset), 14);
    Bytes expected = {1, 'a', 'b', 'c', 0, 1};
    expected.resize(14);
    PutI64(expected.data() + 6, *EncodeBcd(123400, 4));
    expected.insert(expected.end(), {0, 0, 0, 0, 0}); // absent, zero value
    EXPECT_EQ(b.values, expected);

    const auto values = DecodeParamBinding(b.count, b.descriptors, b.values);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].Type(), kFtString);
    EXPECT_EQ(values[0].AsString(), "abc");
    EXPECT_FALSE(values[0].IsNull());
    EXPECT_EQ(values[1].Type(), kFtBcd);
    EXPECT_EQ(values[1].AsCurrency(), 123400);
    EXPECT_TRUE(values[2].IsNull());
    EXPECT_EQ(values[2].Size(), 4);
}

TEST(ParamBinding, EveryBindableTypeDecodesToItsValue) {
    TTabulaParams l = EveryType();
    // Memo binds as a BLOB-typed value; the unknown type cannot be bound.
    EXPECT_EQ(ErrorOf([&] { BuildParamBinding(l); }), "No value for parameter 'Unknown'");
    l = TTabulaParams();
    for (int i = 0; i < EveryType().Count() - 1; ++i)
        l.CreateParam(TFieldType::ftUnknown, "", TParamType::ptInput) = EveryType()[i];
    const TParamBinding b = BuildParamBinding(l);
    const auto v = DecodeParamBinding(b.count, b.descriptors, b.values);
    ASSERT_EQ(v.size(), static_cast<std::size_t>(l.Count()));
    EXPECT_EQ(v[0].AsString(), "a:b 'c'");
    EXPECT_EQ(v[1].Type(), kFtBlob);
    EXPECT_EQ(v[2].AsInteger(), -32768);
    EXPECT_EQ(v[3].Type(), kFtUInt16);
    EXPECT_EQ(v[3].AsInteger(), 65535);
    EXPECT_TRUE(v[4].AsBoolean());
    EXPECT_EQ(v[5].AsInteger(), INT32_MIN);
    EXPECT_EQ(v[6].AsInteger(), 42);
    EXPECT_DOUBLE_EQ(v[7].AsFloat(), -1.25e-7);
    EXPECT_EQ(v[8].Subtype(), kMoneySubtype);
    EXPECT_DOUBLE_EQ(v[8].AsFloat(), -12.3456);
    EXPECT_EQ(v[9].AsCurrency(), -123456789);
    EXPECT_EQ(v[10].AsDayNumber(), 45000 + kDayOf18991230);
    EXPECT_EQ(v[11].AsMilliseconds(), 18 * 3600000);
    // -2.25: two days before 1899-12-30, a quarter of a day after midnight.
    EXPECT_DOUBLE_EQ(v[12].AsTimestamp(), double(kDayOf18991230 - 2) * kMsPerDay + 6.0 * 3600000);
    EXPECT_TRUE(v[13].IsNull());
    EXPECT_TRUE(v[14].IsNull());
    EXPECT_EQ(v[14].AsString(), "");
    EXPECT_TRUE(v[15].IsNull()); // unbound and unassigned
}

TEST(ParamBinding, LongStringsAreCutToWhatTheDescriptorCanSay) {
    TTabulaParams l;
    l.CreateParam(TFieldType::ftString, "S", TParamType::ptInput)
        .SetAsString(std::string(600, 'q'));
    const TParamBinding b = BuildParamBinding(l);
    EXPECT_EQ(b.descriptors[kFdStoredSize], 255);
    const auto v = DecodeParamBinding(b.count, b.descriptors, b.values);
    EXPECT_EQ(v[0].AsString(), std::string(254, 'q'));
}

std::string SqlErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ETabulaEngineError& e) {
        return std::to_string(e.Code()) + " " + e.what();
    }
    return "(no error)";
}

TEST(ParamBinding, MarkersTakeValuesInOrderAndSurplusParametersFail) {
    std::vector<TSqlNodePtr> markers = {MakeSqlConstant("?", TSqlValue()),
                                        MakeSqlConstant("?", TSqlValue())};
    BindParamMarkers({TSqlValue::Int32(5)}, markers);
    EXPECT_EQ(markers[0]->value.AsInteger(), 5);
    EXPECT_EQ(markers[1]->value.Type(), kSqlNullType); // keeps no value
    const std::string error = SqlErrorOf([&] {
        BindParamMarkers({TSqlValue::Int32(1), TSqlValue::Int32(2), TSqlValue::Int32(3)}, markers);
    });
    EXPECT_EQ(error.substr(0, 6), "11949 ");
    EXPECT_NE(error.find("Internal parameter error"), std::string::npos);
    EXPECT_EQ(SqlErrorOf([] { CheckParamCount(2, 2); }), "(no error)");
}

TEST(ParamBinding, InconsistentImagesAreRefused) {
    TTabulaParams l;
    l.CreateParam(TFieldType::ftInteger, "I", TParamType::ptInput).SetAsInteger(1);
    TParamBinding b = BuildParamBinding(l);
    EXPECT_NE(SqlErrorOf([&] { DecodeParamBinding(2, b.descriptors, b.values); }), "(no error)");
    Bytes shortValues(b.values.begin(), b.values.end() - 1);
    EXPECT_NE(SqlErrorOf([&] { DecodeParamBinding(1, b.descriptors, shortValues); }), "(no error)");
    b.descriptors[kFdStoredSize] = 2; // an integer of two bytes
    EXPECT_NE(SqlErrorOf([&] { DecodeParamBinding(1, b.descriptors, b.values); }), "(no error)");
}

} // namespace
} // namespace tabula

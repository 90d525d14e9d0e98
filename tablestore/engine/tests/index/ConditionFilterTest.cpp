// Conditions answered from indexes: the index answer must equal the answer
// found record by record, for every operator, over random tables with
// integer, string (case-sensitive, case-insensitive, locale), date and float
// fields, under ascending and descending indexes; the choice of index; the
// classification of AND / OR; filters of second cursors.
#include "EngineCodes.h"
#include "FieldConditionFilter.h"
#include "IndexFilter.h"
#include "TableTestSupport.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace tabula::tabletest {
namespace {

constexpr std::uint32_t kGerman = 0x0407;
constexpr int kId = 1, kNum = 2, kName = 3, kDay = 4, kScore = 5;

struct TVariant {
    std::uint32_t locale = 0;
    bool fieldDescending = false;
    bool indexDescending = false;
};

class ConditionFilters : public TableTest {
protected:
    // Id (primary key), Num int32, Name string 6, Day date, Score float, with
    // secondary indexes ByNum, ByName, ByNameCI (case-insensitive), ByDay,
    // ByScore, each with the variant's descending flags.
    void CreateConditionTable(const TVariant& v, bool keyed = true) {
        TDataFile t;
        t.SetFileName(TablePath());
        t.SetExclusive(true);
        TTableDefinition def;
        def.localeId = v.locale;
        def.fields = {TFieldDescriptor::Make(kId, "Id", datafmt::kFtInt32),
                      TFieldDescriptor::Make(kNum, "Num", datafmt::kFtInt32),
                      TFieldDescriptor::Make(kName, "Name", datafmt::kFtString, 6),
                      TFieldDescriptor::Make(kDay, "Day", datafmt::kFtDate),
                      TFieldDescriptor::Make(kScore, "Score", datafmt::kFtFloat)};
        TIndexDescriptor primary;
        if (keyed) {
            primary.fieldCount = 1;
            primary.fieldNumbers[0] = kId;
        }
        std::vector<TIndexDescriptor> secondaries;
        auto add = [&](const char* name, int field, bool caseInsensitive) {
            TIndexDescriptor d;
            d.name = name;
            d.fieldCount = 1;
            d.fieldNumbers[0] = static_cast<std::int16_t>(field);
            d.caseInsensitive = caseInsensitive;
            d.descending = v.indexDescending;
            d.fieldDescending[0] = v.fieldDescending ? 1 : 0;
            secondaries.push_back(d);
        };
        add("ByNum", kNum, false);
        add("ByName", kName, false);
        add("ByNameCI", kName, true);
        add("ByDay", kDay, false);
        add("ByScore", kScore, false);
        t.CreateTable(def, primary, secondaries);
    }

    static Bytes Int(std::int32_t v) {
        Bytes b(4);
        std::memcpy(b.data(), &v, 4);
        return b;
    }
    static Bytes Text(const std::string& s) {
        Bytes b(7, 0); // stored size: declared 6 + terminator
        std::copy(s.begin(), s.end(), b.begin());
        return b;
    }
    static Bytes Float(double v) {
        Bytes b(8);
        std::memcpy(b.data(), &v, 8);
        return b;
    }

    // Random constants of one field (nullopt: the field is null).
    Bytes RandomValue(int field, std::mt19937& rng) {
        static const char* const kNames[] = {"",
                                             "a",
                                             "A",
                                             "ab",
                                             "aB",
                                             "Ab",
                                             "b",
                                             "ba",
                                             "B",
                                             "\xE4",
                                             "\xC4",
                                             "\xE4x",
                                             "az",
                                             "Z",
                                             "abc",
                                             "\xC4"
                                             "b",
                                             "aa",
                                             "abC"};
        static const double kScores[] = {-3.5, -1.0, 0.0, 0.25, 1.0, 2.5, 1e10, -1e-3};
        switch (field) {
        case kNum:
        case kDay:
            return Int(static_cast<std::int32_t>(rng() % 9) - (field == kNum ? 4 : -700000));
        case kName:
            return Text(kNames[rng() % std::size(kNames)]);
        default:
            return Float(kScores[rng() % std::size(kScores)]);
        }
    }

    void Fill(TDataFile& t, int rows, std::mt19937& rng) {
        for (int id = 1; id <= rows; ++id) {
            Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
            t.InitRecord(image);
            t.WriteField(kId, image, Int(id));
            for (int f = kNum; f <= kScore; ++f) {
                if (rng() % 6 == 0)
                    t.WriteNullField(f, image);
                else
                    t.WriteField(f, image, RandomValue(f, rng));
            }
            t.AppendRecord(image);
        }
    }

    // Ids of the records the cursor shows with the node as its only filter.
    static std::vector<std::int32_t> FilteredIds(TDataFile& t, std::unique_ptr<TFilterNode> node,
                                                 int* level = nullptr) {
        const int handle = t.AddFilter(std::move(node));
        t.ActivateFilter(handle);
        if (level)
            *level = t.FilterLevel(handle);
        std::vector<std::int32_t> ids = Ids(t);
        EXPECT_EQ(t.RecordCount(), static_cast<std::int64_t>(ids.size()));
        t.DropFilter(handle);
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    // Ids of the records whose image passes the node's Test.
    static std::vector<std::int32_t> TestedIds(TDataFile& t, TFilterNode& node) {
        std::vector<std::int32_t> ids;
        Bytes image(static_cast<std::size_t>(t.RecordBufferSize()));
        t.GotoFirst();
        while (t.NextRecord(image) == 0)
            if (node.Test(image))
                ids.push_back(IdOf(t, image));
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    // Every operator on every field against random constants; index answer,
    // record-by-record answer and count agree. Returns how many conditions
    // matched something (so a broken generator cannot pass vacuously).
    int CheckAgreement(const TVariant& v, std::uint32_t seed) {
        CreateConditionTable(v);
        auto t = OpenTable(true);
        std::mt19937 rng(seed);
        Fill(*t, 240, rng);
        int nonEmpty = 0;
        for (int field = kNum; field <= kScore; ++field) {
            for (int trial = 0; trial < 5; ++trial) {
                TFieldCondition c;
                c.fieldNumber = field;
                c.value = RandomValue(field, rng);
                if (field == kName) {
                    const int mode = trial % 4; // plain, UPPER, compare options, partial
                    c.upper = mode == 1;
                    c.caseInsensitive = mode == 2 && (rng() % 2 == 0);
                    c.partialLength = mode == 3 ? 1 + static_cast<int>(rng() % 2) : 0;
                }
                for (int op = 1; op <= 8; ++op) {
                    c.op = static_cast<TFieldConditionOp>(op);
                    SCOPED_TRACE(testing::Message()
                                 << "field " << field << " op " << op << " upper " << c.upper
                                 << " ci " << c.caseInsensitive << " partial " << c.partialLength);
                    auto node = t->MakeConditionFilter(c);
                    EXPECT_NE(node, nullptr);
                    if (!node)
                        continue;
                    int level = -1;
                    const auto byIndex = FilteredIds(*t, std::move(node), &level);
                    EXPECT_EQ(level, 0);
                    auto tester = t->MakeConditionFilter(c);
                    EXPECT_EQ(byIndex, TestedIds(*t, *tester));
                    EXPECT_EQ(t->CountConditionMatches(c),
                              static_cast<std::int64_t>(byIndex.size()));
                    nonEmpty += byIndex.empty() ? 0 : 1;
                }
            }
        }
        return nonEmpty;
    }
};

TEST_F(ConditionFilters, IndexAnswerEqualsRecordByRecordWithoutLocale) {
    EXPECT_GT(CheckAgreement({}, 11), 60);
}

TEST_F(ConditionFilters, IndexAnswerEqualsRecordByRecordUnderDescendingFields) {
    EXPECT_GT(CheckAgreement({0, true, false}, 12), 60);
}

TEST_F(ConditionFilters, IndexAnswerEqualsRecordByRecordUnderDescendingIndexes) {
    EXPECT_GT(CheckAgreement({0, false, true}, 13), 60);
}

TEST_F(ConditionFilters, IndexAnswerEqualsRecordByRecordUnderALocale) {
    EXPECT_GT(CheckAgreement({kGerman, false, false}, 14), 60);
    TearDown();
    SetUp();
    EXPECT_GT(CheckAgreement({kGerman, true, true}, 15), 60);
}

// The record-by-record answer above comes from the same key encoding; this
// one compares with the values themselves.
TEST_F(ConditionFilters, NumbersAndTextsSelectTheRowsTheirValuesSay) {
    CreateConditionTable({0, true, false});
    auto t = OpenTable(true);
    const std::int32_t nums[] = {-2, 0, 0, 3, 7};
    const char* names[] = {"ab", "Ab", "abc", "b", "a"};
    for (int i = 0; i < 6; ++i) {
        Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
        t->InitRecord(image);
        t->WriteField(kId, image, Int(i + 1));
        if (i < 5) { // row 6 is null everywhere
            t->WriteField(kNum, image, Int(nums[i]));
            t->WriteField(kName, image, Text(names[i]));
        }
        t->AppendRecord(image);
    }
    auto ids = [&](int field, TFieldConditionOp op, Bytes value, bool upper = false,
                   bool ci = false, int partial = 0) {
        TFieldCondition c{field, op, std::move(value), upper, ci, partial};
        return FilteredIds(*t, t->MakeConditionFilter(c));
    };
    using V = std::vector<std::int32_t>;
    EXPECT_EQ(ids(kNum, TFieldConditionOp::Eq, Int(0)), (V{2, 3}));
    EXPECT_EQ(ids(kNum, TFieldConditionOp::Ne, Int(0)), (V{1, 4, 5, 6}));
    EXPECT_EQ(ids(kNum, TFieldConditionOp::Gt, Int(0)), (V{4, 5}));
    EXPECT_EQ(ids(kNum, TFieldConditionOp::Ge, Int(0)), (V{2, 3, 4, 5}));
    EXPECT_EQ(ids(kNum, TFieldConditionOp::Lt, Int(3)), (V{1, 2, 3}));
    EXPECT_EQ(ids(kNum, TFieldConditionOp::Le, Int(-2)), (V{1}));
    EXPECT_EQ(ids(kNum, TFieldConditionOp::Gt, Int(7)), (V{}));
    EXPECT_EQ(ids(kNum, TFieldConditionOp::IsNull, {}), (V{6}));
    EXPECT_EQ(ids(kNum, TFieldConditionOp::IsNotNull, {}), (V{1, 2, 3, 4, 5}));
    EXPECT_EQ(ids(kName, TFieldConditionOp::Eq, Text("ab")), (V{1}));
    EXPECT_EQ(ids(kName, TFieldConditionOp::Eq, Text("ab"), false, true), (V{1, 2}));
    EXPECT_EQ(ids(kName, TFieldConditionOp::Eq, Text("ab"), false, false, 2), (V{1, 3}));
    EXPECT_EQ(ids(kName, TFieldConditionOp::Ne, Text("ab"), false, false, 2), (V{2, 4, 5, 6}));
    EXPECT_EQ(ids(kName, TFieldConditionOp::Gt, Text("ab")), (V{3, 4}));
    // UPPER(Name) = 'AB' matches both spellings; UPPER(Name) = 'ab' none.
    EXPECT_EQ(ids(kName, TFieldConditionOp::Eq, Text("AB"), true), (V{1, 2}));
    EXPECT_EQ(ids(kName, TFieldConditionOp::Eq, Text("ab"), true), (V{}));
}

TEST_F(ConditionFilters, TheIndexIsChosenByFirstFieldAndCaseFlag) {
    CreateConditionTable({});
    auto t = OpenTable(true);
    auto index = [&](TFieldCondition c) {
        auto node = t->MakeConditionFilter(c);
        return node ? static_cast<TFieldConditionFilter&>(*node).Index() : -1;
    };
    EXPECT_EQ(index({kId, TFieldConditionOp::Eq, Int(1)}), 0);
    EXPECT_EQ(index({kNum, TFieldConditionOp::Eq, Int(1)}), 1);
    EXPECT_EQ(index({kName, TFieldConditionOp::Eq, Text("a")}), 2);
    EXPECT_EQ(index({kName, TFieldConditionOp::Eq, Text("a"), true}), 3);
    EXPECT_EQ(index({kName, TFieldConditionOp::Eq, Text("a"), false, true}), 3);
    EXPECT_EQ(index({kName, TFieldConditionOp::IsNull, {}, true}), 2);
    EXPECT_EQ(index({kScore, TFieldConditionOp::Lt, Float(1)}), 5);
    EXPECT_EQ(t->CountConditionMatches({kId, TFieldConditionOp::Eq, Int(1)}), 0);
    // Wrong constant sizes, negative partial lengths and unknown fields.
    EXPECT_EQ(CodeOf([&] {
                  t->MakeConditionFilter({kNum, TFieldConditionOp::Eq, Bytes(2)});
              }),
              kErrInvalidFilterExpression);
    EXPECT_EQ(
        CodeOf([&] {
            t->MakeConditionFilter({kName, TFieldConditionOp::Eq, Text("a"), false, false, -1});
        }),
        kErrInvalidFilterExpression);
    EXPECT_EQ(CodeOf([&] {
                  t->MakeConditionFilter({9, TFieldConditionOp::IsNull, {}});
              }),
              kErrInvalidField);
    EXPECT_EQ(CodeOf([&] { t->FilterLevel(77); }), kErrInvalidFilterHandle);
    t->Close();

    // Without a key in the primary index no index answers anything.
    TearDown();
    SetUp();
    CreateConditionTable({}, false);
    t = OpenTable(true);
    EXPECT_EQ(t->MakeConditionFilter({kNum, TFieldConditionOp::Eq, Int(1)}), nullptr);
    EXPECT_EQ(t->CountConditionMatches({kNum, TFieldConditionOp::Eq, Int(1)}), -1);
}

TEST_F(ConditionFilters, AndOrLevelsAndMaintenanceAfterChanges) {
    CreateConditionTable({});
    auto t = OpenTable(true);
    std::mt19937 rng(5);
    Fill(*t, 60, rng);
    auto cond = [&](std::int32_t n) {
        return t->MakeConditionFilter({kNum, TFieldConditionOp::Ge, Int(n)});
    };
    auto everything = [] {
        return std::make_unique<TTestFunctionFilter>(
            [](std::span<const std::uint8_t>, void*) { return true; }, nullptr);
    };
    int level = -1;
    FilteredIds(*t, std::make_unique<TAndFilter>(cond(0), cond(2)), &level);
    EXPECT_EQ(level, 0);
    FilteredIds(*t, std::make_unique<TAndFilter>(everything(), cond(2)), &level);
    EXPECT_EQ(level, 1);
    FilteredIds(*t, std::make_unique<TOrFilter>(cond(0), cond(2)), &level);
    EXPECT_EQ(level, 0);
    const auto orIds = FilteredIds(*t, std::make_unique<TOrFilter>(cond(3), everything()), &level);
    EXPECT_EQ(level, 2);
    EXPECT_EQ(orIds.size(), 60u);
    const auto notIds = FilteredIds(*t, std::make_unique<TNotFilter>(cond(0)), &level);
    EXPECT_EQ(level, 0);
    auto below = t->MakeConditionFilter({kNum, TFieldConditionOp::Lt, Int(0)});
    auto nulls = t->MakeConditionFilter({kNum, TFieldConditionOp::IsNull, {}});
    EXPECT_EQ(notIds,
              FilteredIds(*t, std::make_unique<TOrFilter>(std::move(below), std::move(nulls))));

    // An active filter follows appends and updates through Test.
    const int handle = t->AddFilter(cond(100));
    t->ActivateFilter(handle);
    EXPECT_EQ(t->RecordCount(), 0);
    Bytes image(static_cast<std::size_t>(t->RecordBufferSize()));
    t->InitRecord(image);
    t->WriteField(kId, image, Int(1000));
    t->WriteField(kNum, image, Int(150));
    t->AppendRecord(image);
    EXPECT_EQ(t->RecordCount(), 1);
    t->GotoFirst();
    ASSERT_EQ(t->NextRecord(image), 0);
    t->WriteField(kNum, image, Int(99));
    t->UpdateRecord(image);
    EXPECT_EQ(t->RecordCount(), 0);
}

class OpaqueNode : public TFilterNode {
public:
    TFilterLevel Classify() const override { return kRecordByRecord; }
    TFilterLevel Evaluate(TFilterContext& context, TRecordBitmap& bits) override {
        context.EvaluateRecordByRecord([](std::span<const std::uint8_t>) { return true; }, bits);
        return kRecordByRecord;
    }
    bool Test(std::span<const std::uint8_t>) override { return true; }
};

TEST_F(ConditionFilters, SecondCursorsRebuildConditionFiltersOrRefuse) {
    CreateConditionTable({});
    {
        auto t = OpenTable(true);
        std::mt19937 rng(9);
        Fill(*t, 50, rng);
    }
    auto t = OpenTable(false);
    const int handle = t->AddFilter(std::make_unique<TAndFilter>(
        t->MakeConditionFilter({kNum, TFieldConditionOp::Gt, Int(0)}),
        t->MakeConditionFilter({kName, TFieldConditionOp::IsNotNull, {}})));
    t->ActivateFilter(handle);
    const auto ids = Ids(*t);
    ASSERT_FALSE(ids.empty());
    auto clone = t->CloneCursor();
    EXPECT_EQ(Ids(*clone), ids);
    // The clone's filter is its own: the first table may close.
    t->DropFilter(handle);
    t->Close();
    EXPECT_EQ(Ids(*clone), ids);
    clone->Close();

    t = OpenTable(false);
    t->AddFilter(std::make_unique<OpaqueNode>());
    EXPECT_EQ(CodeOf([&] { t->CloneCursor(); }), kErrInvalidFilterExpression);
}

} // namespace
} // namespace tabula::tabletest

// Filter translation and the binary filter expression: byte-exact images,
// translation messages, the round trip text -> image -> tree -> records of
// an in-memory table, locate's field filters, and damaged images.
#include "FilterExpr.h"

#include "EngineCodes.h"
#include "EngineError.h"
#include "FieldTypes.h"
#include "FilterExprReader.h"
#include "MemoryDataSet.h"

#include <gtest/gtest.h>
#include <random>

namespace tabula {
namespace {

using test::ErrorOf;
using test::TMemoryDataSet;
using Bytes = std::vector<std::uint8_t>;

TFieldDef Def(const std::string& name, TFieldType type, int size = 0) {
    TFieldDef d;
    d.Name = name;
    d.DataType = type;
    d.Size = size;
    return d;
}

// Fields for translation alone, numbered in order from 1.
class TFieldSet {
public:
    explicit TFieldSet(const std::vector<TFieldDef>& defs) {
        int number = 1;
        for (TFieldDef d : defs) {
            d.FieldNo = number++;
            fields_.push_back(CreateField(d));
        }
    }
    TField& operator[](const std::string& name) { return *Find(name); }
    TField* Find(const std::string& name) const {
        for (const auto& f : fields_)
            if (strcasecmp(f->FieldName().c_str(), name.c_str()) == 0)
                return f.get();
        return nullptr;
    }
    TFilterFieldLookup Lookup() const {
        return [this](const std::string& name) -> const TField* { return Find(name); };
    }

private:
    std::vector<std::unique_ptr<TField>> fields_;
};

TFieldSet Shop() {
    return TFieldSet({Def("State", TFieldType::ftString, 10), Def("Qty", TFieldType::ftInteger),
                      Def("Small", TFieldType::ftSmallint), Def("W", TFieldType::ftWord),
                      Def("Flag", TFieldType::ftBoolean), Def("Notes", TFieldType::ftMemo),
                      Def("Price", TFieldType::ftBCD, 2), Def("Day", TFieldType::ftDate)});
}

std::string CompileError(const std::string& text, TFilterOptions options = 0) {
    TFieldSet fields = Shop();
    return ErrorOf([&] { CompileFilter(text, options, fields.Lookup()); });
}

TEST(FilterExprImage, ByteExactImages) {
    TFieldSet fields = Shop();
    const Bytes qty = {
        0x00, 0x00, 0x38, 0x00, 0xFF, 0xFF, 0x0A, 0x00, 0x30, 0x00,             // header, 56 bytes
        0x02, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x18, 0x00, // >, at 0
        0x04, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, // field 2
        0x05, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x06, 0x00, 0x04, 0x00,
        0x04, 0x00, 'Q',  't',  'y',  0x00, 0x05, 0x00, 0x00, 0x00};
    EXPECT_EQ(CompileFilter("Qty > 5", 0, fields.Lookup()), qty);
    // A value on the left is mirrored.
    EXPECT_EQ(CompileFilter("5 < Qty", 0, fields.Lookup()), qty);

    const Bytes partial = {
        0x00, 0x00, 0x3C, 0x00, 0xFF, 0xFF, 0x0A, 0x00, 0x34, 0x00, // header, 60 bytes
        0x03, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,             // class 3, =
        0x00, 0x00, 0x01, 0x00, 0x10, 0x00, 0x1C, 0x00,             // case-sensitive, partial 1
        0x04, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
        0x05, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00,
        0x06, 0x00, 'S',  't',  'a',  't',  'e',  0x00, 'N',  0x00};
    EXPECT_EQ(CompileFilter("State = 'N*'", 0, fields.Lookup()), partial);

    const Bytes isNull = {0x00, 0x00, 0x25, 0x00, 0xFF, 0xFF, 0x0A, 0x00, 0x20, 0x00,
                          0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0A, 0x00,
                          0x04, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00, 0x05, 0x00,
                          0x00, 0x00, 'F',  'l',  'a',  'g',  0x00};
    EXPECT_EQ(CompileFilter("NULL = Flag", 0, fields.Lookup()), isNull);
}

TEST(FilterExprImage, NodesParentFirstAndLiteralsInWritingOrder) {
    TFieldSet fields = Shop();
    const Bytes image = CompileFilter("Flag or not Qty = Small", 0, fields.Lookup());
    // OR at 0 (12), Flag = true at 12 (12): field 24, constant 36 (14);
    // NOT at 50 (10), Qty = Small at 60: fields at 72 and 84.
    const std::size_t nodes = 10;
    EXPECT_EQ(image[nodes + 8], 12);
    EXPECT_EQ(image[nodes + 10], 50);
    EXPECT_EQ(image[nodes + 50 + 8], 60);
    EXPECT_EQ(image[nodes + 60 + 8], 72);
    EXPECT_EQ(image[nodes + 60 + 10], 84);
    const std::size_t pool = image[8] | image[9] << 8;
    EXPECT_EQ(pool, nodes + 96);
    const std::string literals(image.begin() + static_cast<std::ptrdiff_t>(pool), image.end());
    EXPECT_EQ(literals, std::string("Flag\0\x01\0Qty\0Small\0", 17));
}

TEST(FilterExprImage, TranslationMessages) {
    EXPECT_EQ(CompileError("Small > 40000"), "Constant out of range");
    EXPECT_EQ(CompileError("Small > -32769"), "Constant out of range");
    EXPECT_EQ(CompileError("Small > 32767"), "(no error)");
    EXPECT_EQ(CompileError("W = 65536"), "Constant out of range");
    EXPECT_EQ(CompileError("W = -1"), "Constant out of range");
    EXPECT_EQ(CompileError("Qty = 3000000000"), "Constant out of range");
    EXPECT_EQ(CompileError("Nope = 1"), "Field 'Nope' not found");
    EXPECT_EQ(CompileError("Notes = 'x'"), "Field 'Notes' cannot be used in a filter expression");
    EXPECT_EQ(CompileError("State"), "Field 'State' is not of type Boolean");
    EXPECT_EQ(CompileError("Flag and Qty"), "Field 'Qty' is not of type Boolean");
    EXPECT_EQ(CompileError("State > NULL"), "NULL only allowed with '=' and '<>'");
    EXPECT_EQ(CompileError("NULL <= Qty"), "NULL only allowed with '=' and '<>'");
    EXPECT_EQ(CompileError("1 = 2"), "Incorrectly formed filter expression");
    EXPECT_EQ(CompileError("'a'"), "Incorrectly formed filter expression");
    EXPECT_EQ(CompileError("True"), "Incorrectly formed filter expression");
    EXPECT_EQ(CompileError("(Qty = 1) = True"), "Incorrectly formed filter expression");
    EXPECT_EQ(CompileError("Qty = 'abc'"), "'abc' is not a valid integer value");
    EXPECT_EQ(CompileError("Day = '31/31/2020'"), "'31/31/2020' is not a valid date");
    EXPECT_EQ(CompileError("Flag = 'maybe'"),
              "'maybe' is not a valid boolean value for field 'Flag'");
    EXPECT_EQ(CompileError("Price > 12.345"), "(no error)");
    EXPECT_EQ(CompileError("Qty = (1"), "')' expected but nothing found");
}

TEST(FilterExprImage, OnlyDataAndInternalCalculatedFields) {
    TFieldSet fields = Shop();
    fields["Qty"].FieldKind = TFieldKind::fkCalculated;
    EXPECT_EQ(ErrorOf([&] { CompileFilter("Qty = 1", 0, fields.Lookup()); }),
              "Field 'Qty' cannot be used in a filter expression");
    fields["Qty"].FieldKind = TFieldKind::fkLookup;
    EXPECT_EQ(ErrorOf([&] { CompileFilter("Qty = 1", 0, fields.Lookup()); }),
              "Field 'Qty' cannot be used in a filter expression");
    fields["Qty"].FieldKind = TFieldKind::fkInternalCalc;
    EXPECT_EQ(ErrorOf([&] { CompileFilter("Qty = 1", 0, fields.Lookup()); }), "(no error)");
}

TEST(FilterExprImage, LocateKeysOfOtherKindsMatchTheTextForm) {
    TFieldSet fields = Shop();
    const auto text = [&](const std::string& filter) {
        return CompileFilter(filter, 0, fields.Lookup());
    };
    EXPECT_EQ(BuildFieldFilter({&fields["State"]}, {std::int64_t{5}}, 0, false),
              text("State = '5'"));
    EXPECT_EQ(BuildFieldFilter({&fields["Price"]}, {TCurrencyValue{-1250}}, 0, false),
              text("Price = -0.125"));
    TDateTimeParts day;
    day.year = 2020;
    day.month = 3;
    day.day = 15;
    EXPECT_EQ(BuildFieldFilter({&fields["Day"]}, {DateTimeFromParts(day)}, 0, false),
              text("Day = '03/15/2020'"));
    EXPECT_EQ(BuildFieldFilter({&fields["Flag"], &fields["W"]}, {true, 7.0}, 0, false),
              text("Flag = True and W = 7"));
}

TEST(FilterExprImage, TooLargeForSixteenBitOffsetsFailsCleanly) {
    std::string text = "State = '" + std::string(250, 'x') + "'";
    for (int i = 0; i < 300; ++i)
        text += " or State = '" + std::string(250, 'y') + "'";
    const std::string error = CompileError(text);
    EXPECT_NE(error.find("Tabula Engine Error # 10051"), std::string::npos) << error;
}

// ---- Round trip over the rows of an in-memory table ---------------------------

class FilterRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        ds.Defs = {Def("Id", TFieldType::ftInteger), Def("State", TFieldType::ftString, 10),
                   Def("Qty", TFieldType::ftSmallint), Def("Flag", TFieldType::ftBoolean),
                   Def("Limit", TFieldType::ftSmallint)};
        ds.Open();
        Row(1, "N", "5", "True", "5");
        Row(2, "NY", "40", "False", "10");
        Row(3, "NORTH", "7", "True", "1");
        Row(4, "N*", "", "", "3");
        Row(5, "S", "-2", "True", "0");
        Row(6, "", "1", "False", "1");
        Row(7, "ny", "9", "True", "9");
        types = {{1, 0, 4, 0}, {1, 0, 11, 0}, {5, 0, 2, 0}, {4, 0, 2, 0}, {5, 0, 2, 0}};
    }
    void Row(int id, const char* state, const char* qty, const char* flag, const char* limit) {
        ds.Append();
        ds.FieldByName("Id").SetAsInteger(id);
        if (*state)
            ds.FieldByName("State").SetAsString(state);
        ds.FieldByName("Qty").SetAsString(qty);
        ds.FieldByName("Flag").SetAsString(flag);
        ds.FieldByName("Limit").SetAsString(limit);
        ds.Post();
    }
    TSqlValue ValueOf(const TSqlNode& column) {
        const TField& f = ds.Fields(column.fieldNumber - 1);
        if (f.IsNull())
            return TSqlValue::NullOf(column.type);
        switch (f.DataType()) {
        case TFieldType::ftString:
            return TSqlValue::String(f.AsString());
        case TFieldType::ftSmallint:
            return TSqlValue::Int16(static_cast<std::int16_t>(f.AsInteger()));
        case TFieldType::ftBoolean:
            return TSqlValue::Boolean(f.AsBoolean());
        default:
            return TSqlValue::Int32(static_cast<std::int32_t>(f.AsInteger()));
        }
    }
    std::string Matches(const Bytes& image) {
        const TFilterTree tree = ReadFilterExpr(image, types);
        TSqlEvalContext context;
        context.columnValue = [this](const TSqlNode& c) { return ValueOf(c); };
        std::string ids;
        for (ds.First(); !ds.Eof(); ds.Next())
            if (FilterAccepts(tree, context))
                ids += std::to_string(ds.FieldByName("Id").AsInteger());
        return ids;
    }
    std::string Matches(const std::string& text, TFilterOptions options = 0) {
        return Matches(CompileFilter(text, options, [this](const std::string& name) {
            return static_cast<const TField*>(ds.FindField(name));
        }));
    }
    TMemoryDataSet ds;
    std::vector<TSqlType> types;
};

TEST_F(FilterRoundTrip, PartialAndCaseInsensitiveStrings) {
    EXPECT_EQ(Matches("State = 'N*'"), "1234");
    EXPECT_EQ(Matches("State = 'N*'", foNoPartialCompare), "4");
    EXPECT_EQ(Matches("State <> 'N*'"), "567");
    EXPECT_EQ(Matches("State = 'ny'"), "7");
    EXPECT_EQ(Matches("State = 'ny'", foCaseInsensitive), "27");
    EXPECT_EQ(Matches("State = 'n*'", foCaseInsensitive), "12347");
    // A lone "*" is a whole-value text.
    EXPECT_EQ(Matches("State = '*'"), "");
    EXPECT_EQ(Matches("State > 'N*'"), "2357"); // byte-wise: lower case sorts last
}

TEST_F(FilterRoundTrip, NullsNumbersBooleansAndFieldAgainstField) {
    EXPECT_EQ(Matches("State = NULL"), "6");
    EXPECT_EQ(Matches("State <> NULL"), "123457");
    EXPECT_EQ(Matches("Qty = NULL"), "4");
    EXPECT_EQ(Matches("Qty > 6"), "237");
    EXPECT_EQ(Matches("6 < Qty"), "237");
    EXPECT_EQ(Matches("Qty >= -2 and Qty <= 5"), "1456"); // NULL compares as 0
    EXPECT_EQ(Matches("Flag"), "1357");
    EXPECT_EQ(Matches("not Flag"), "246");
    EXPECT_EQ(Matches("Flag = False"), "26"); // a NULL flag equals nothing but NULL
    EXPECT_EQ(Matches("Qty = Limit"), "167");
    EXPECT_EQ(Matches("Qty < Limit"), "45"); // NULL orders as 0
    EXPECT_EQ(Matches("Flag and Qty > 6 or State = 'S'"), "357");
    EXPECT_EQ(Matches("Flag and (Qty > 6 or State = 'S')"), "357");
    EXPECT_EQ(Matches("State = 'S' or Qty > 6 and not Flag"), "25");
}

TEST_F(FilterRoundTrip, LocateFieldFilters) {
    const TField* state = ds.FindField("State");
    const TField* qty = ds.FindField("Qty");
    EXPECT_EQ(Matches(BuildFieldFilter({state}, {std::string("N")}, 0, true)), "1234");
    EXPECT_EQ(Matches(BuildFieldFilter({state}, {std::string("N*")}, 0, false)), "4");
    EXPECT_EQ(Matches(BuildFieldFilter({qty, state}, {std::int64_t{7}, std::string("no")},
                                       foCaseInsensitive, true)),
              "3");
    EXPECT_EQ(Matches(BuildFieldFilter({state, qty}, {std::string("ny"), 9.0}, 0, false)), "7");
    EXPECT_EQ(Matches(BuildFieldFilter({qty}, {TVariant{}}, 0, false)), "4");
    EXPECT_EQ(Matches(BuildFieldFilter({qty}, {std::string("9")}, 0, false)), "7");
    EXPECT_EQ(ErrorOf([&] { BuildFieldFilter({qty}, {std::string("x")}, 0, false); }),
              "'x' is not a valid integer value");
}

TEST_F(FilterRoundTrip, ReaderShapeAndOptions) {
    const Bytes image = CompileFilter(
        "State = 'n*' and Qty = NULL", foCaseInsensitive,
        [this](const std::string& n) { return static_cast<const TField*>(ds.FindField(n)); });
    const TFilterTree tree = ReadFilterExpr(image, types);
    const TSqlNode& root = *tree.root;
    EXPECT_EQ(root.op, sqlop::kAnd);
    const TSqlNode& compare = *root.left;
    EXPECT_EQ(compare.op, sqlop::kEq);
    EXPECT_EQ(compare.left->name, "State");
    EXPECT_EQ(compare.left->fieldNumber, 2);
    EXPECT_EQ(compare.left->type, types[1]);
    EXPECT_EQ(compare.right->value.AsString(), "n");
    const TFilterCompareOptions* options = tree.OptionsOf(compare);
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(options->caseInsensitive);
    EXPECT_EQ(options->partialLength, 1);
    const TSqlNode& isNull = *root.right;
    EXPECT_EQ(isNull.op, sqlop::kEq);
    EXPECT_EQ(isNull.left->fieldNumber, 3);
    EXPECT_TRUE(isNull.right->value.IsNull());
    EXPECT_EQ(tree.OptionsOf(isNull), nullptr);
}

// ---- Damaged images ---------------------------------------------------------------

int ReadCode(const Bytes& image, const std::vector<TSqlType>& types) {
    try {
        ReadFilterExpr(image, types);
    } catch (const ETabulaEngineError& e) {
        return e.Code();
    }
    return 0;
}

TEST_F(FilterRoundTrip, DamagedImagesAreRefused) {
    const auto lookup = [this](const std::string& n) {
        return static_cast<const TField*>(ds.FindField(n));
    };
    Bytes image = CompileFilter("Qty > 5 or Flag", 0, lookup);
    ASSERT_EQ(ReadCode(image, types), 0);
    // The OR's right operand pointing back at the root: a cycle.
    Bytes cycle = image;
    cycle[10 + 10] = 0;
    EXPECT_EQ(ReadCode(cycle, types), kErrInvalidFilterExpression);
    // Both operands naming one node.
    Bytes shared = image;
    shared[10 + 10] = shared[10 + 8];
    EXPECT_EQ(ReadCode(shared, types), kErrInvalidFilterExpression);
    EXPECT_EQ(ReadCode(Bytes(image.begin(), image.begin() + 20), types),
              kErrInvalidFilterExpression);
    EXPECT_EQ(ReadCode({}, types), kErrInvalidFilterExpression);
    // A field number beyond the table's fields.
    EXPECT_EQ(ReadCode(image, {types[0]}), kErrInvalidFilterExpression);
    // The empty string constant reads back as NULL.
    Bytes empty = CompileFilter("State = ''", 0, lookup);
    EXPECT_TRUE(ReadFilterExpr(empty, types).root->right->value.IsNull());
    EXPECT_EQ(Matches(empty), "6");
}

TEST_F(FilterRoundTrip, DeepestValidImageReadsAndEvaluates) {
    // 6000 nested NOTs over Flag IS NULL: close to the 16-bit size limit,
    // the deepest tree an image can hold.
    const int depth = 6000;
    Bytes nodes;
    const auto put16 = [](Bytes& b, std::size_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    const auto put32 = [&](Bytes& b, std::uint32_t v) {
        put16(b, v & 0xFFFF);
        put16(b, v >> 16);
    };
    for (int i = 0; i < depth; ++i) {
        put32(nodes, 1);
        put32(nodes, 9);
        put16(nodes, nodes.size() + 2);
    }
    put32(nodes, 1);
    put32(nodes, 1);
    put16(nodes, nodes.size() + 2);
    put32(nodes, 4);
    put32(nodes, 13);
    put16(nodes, 4);
    put16(nodes, 0);
    const std::string name("Flag", 5);
    Bytes image;
    put16(image, 0);
    put16(image, 10 + nodes.size() + name.size());
    put16(image, 0xFFFF);
    put16(image, 10);
    put16(image, 10 + nodes.size());
    image.insert(image.end(), nodes.begin(), nodes.end());
    image.insert(image.end(), name.begin(), name.end());
    ASSERT_LE(image.size(), 0xFFFFu);
    EXPECT_EQ(Matches(image), "4"); // an even number of NOTs: row 4 has no flag
}

TEST_F(FilterRoundTrip, MutatedImagesReadCleanlyOrFail) {
    const auto lookup = [this](const std::string& n) {
        return static_cast<const TField*>(ds.FindField(n));
    };
    const std::vector<Bytes> seeds = {
        CompileFilter("State = 'N*' and not Flag or Qty <> NULL", foCaseInsensitive, lookup),
        CompileFilter("Qty > Limit or State > 'M' and Flag", 0, lookup),
        CompileFilter("(Qty = 1 or Qty = 2) and (State = 'a' or State = '')", 0, lookup)};
    std::mt19937 random(11);
    TSqlEvalContext context;
    context.columnValue = [this](const TSqlNode& c) { return ValueOf(c); };
    ds.First();
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes image = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % image.size();
            image[at] = random() % 3 == 0
                            ? static_cast<std::uint8_t>(image[at] ^ (1u << (random() % 8)))
                            : static_cast<std::uint8_t>(random());
        }
        if (random() % 8 == 0)
            image.resize(random() % image.size());
        try {
            const TFilterTree tree = ReadFilterExpr(image, types);
            FilterAccepts(tree, context);
            ++accepted;
        } catch (const ETabulaEngineError& e) {
            ASSERT_EQ(e.Code(), kErrInvalidFilterExpression);
        }
    }
    EXPECT_GT(accepted, 0);
}

} // namespace
} // namespace tabula

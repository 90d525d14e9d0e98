// Filter texts on a real table: partial and case-insensitive comparisons,
// how much of a filter the indexes answer, agreement of index answers with
// record-by-record evaluation over random data and random filter texts,
// Filter together with OnFilterRecord, faulty texts, and filters kept
// honest while records are appended and edited.
#include "DataFile.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "MemoryDataSet.h"
#include "TableFilterCompiler.h"
#include "TableTestSupport.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace tabula {
namespace {

using test::ErrorOf;

// People: No (int32, primary key), State (string 10, case-sensitive index
// "ByState"), Name (string 20, case-insensitive index "ByName"), Amount
// (int32, no index).
void CreatePeople(const std::string& path) {
    TTableDefinition def;
    def.fields = {TFieldDescriptor::Make(1, "No", datafmt::kFtInt32),
                  TFieldDescriptor::Make(2, "State", datafmt::kFtString, 10),
                  TFieldDescriptor::Make(3, "Name", datafmt::kFtString, 20),
                  TFieldDescriptor::Make(4, "Amount", datafmt::kFtInt32)};
    TIndexDescriptor primary;
    primary.fieldCount = 1;
    primary.fieldNumbers[0] = 1;
    primary.unique = true;
    TIndexDescriptor byState;
    byState.name = "ByState";
    byState.fieldCount = 1;
    byState.fieldNumbers[0] = 2;
    TIndexDescriptor byName;
    byName.name = "ByName";
    byName.fieldCount = 1;
    byName.fieldNumbers[0] = 3;
    byName.caseInsensitive = true;
    TDataFile file;
    file.SetFileName(path);
    file.SetExclusive(true);
    file.CreateTable(def, primary, {byState, byName});
}

struct TPerson {
    int no;
    std::string state; // "" is stored as null
    std::string name;
    int amount;
};

class TableFilter : public test::TableTest {
protected:
    void SetUp() override {
        test::TableTest::SetUp();
        CreatePeople(Path("People"));
        table_ = Table("People.DAT");
        // Wraps the default compiler to learn the handle of the text filter.
        TTabulaTable::SetFilterCompiler([this](TDataSet& ds, TDataFile& file) {
            handle_ = CompileTableFilter(ds, file);
            return handle_;
        });
        table_->Open();
    }
    void TearDown() override {
        TTabulaTable::SetFilterCompiler({});
        table_.reset();
        test::TableTest::TearDown();
    }
    void Add(const TPerson& p) {
        table_->Append();
        table_->FieldByName("No").SetAsInteger(p.no);
        if (!p.state.empty())
            table_->FieldByName("State").SetAsString(p.state);
        table_->FieldByName("Name").SetAsString(p.name);
        table_->FieldByName("Amount").SetAsInteger(p.amount);
        table_->Post();
        people_.push_back(p);
    }
    void AddSample() {
        const std::vector<TPerson> rows = {{1, "NY", "Smith", 5}, {2, "NJ", "SMITH", 1},
                                           {3, "N", "Jones", 7},  {4, "CA", "smith", 3},
                                           {5, "N*", "Brown", 9}, {6, "ny", "jones", 2},
                                           {7, "", "Adams", 6},   {8, "NV", "Smithers", 4}};
        for (const TPerson& p : rows)
            Add(p);
    }
    std::vector<int> Walk() { return test::TableTest::Walk(*table_); }
    int Level() const { return table_->Cursor()->FilterLevel(handle_); }
    void Filter(const std::string& text, TFilterOptions options = 0) {
        table_->SetFilterOptions(options);
        table_->SetFilter(text);
        table_->SetFiltered(true);
    }

    std::unique_ptr<TTabulaTable> table_;
    std::vector<TPerson> people_;
    int handle_ = -1;
};

TEST_F(TableFilter, PartialAndCaseInsensitiveComparisons) {
    AddSample();
    Filter("State = 'N*'");
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 5, 8}));
    EXPECT_EQ(table_->RecordCount(), 5);
    EXPECT_EQ(Level(), 0); // ByState, case-sensitive like the comparison

    Filter("State = 'N*'", foNoPartialCompare);
    EXPECT_EQ(Walk(), (std::vector<int>{5}));
    Filter("State <> 'N*'");
    EXPECT_EQ(Walk(), (std::vector<int>{4, 6, 7}));
    Filter("State = 'N*'", foCaseInsensitive);
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 5, 6, 8}));
    EXPECT_EQ(Level(), 2); // no case-insensitive index on State

    Filter("Name = 'smith'", foCaseInsensitive);
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(Level(), 0); // ByName folds case
    Filter("Name = 'SMI*'", foCaseInsensitive);
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 4, 8}));
    Filter("Name = 'smith'");
    EXPECT_EQ(Walk(), (std::vector<int>{4}));
    EXPECT_EQ(Level(), 2); // a case-sensitive comparison cannot use ByName
    // Longer than the field: never equal, and no index key can hold it.
    Filter("Name = 'abcdefghijklmnopqrstuvwxyz*'", foCaseInsensitive);
    EXPECT_TRUE(Walk().empty());
}

TEST_F(TableFilter, LevelsFollowTheIndexes) {
    AddSample();
    Filter("No > 5");
    EXPECT_EQ(Walk(), (std::vector<int>{6, 7, 8}));
    EXPECT_EQ(Level(), 0);
    Filter("Amount > 4 AND No > 2");
    EXPECT_EQ(Walk(), (std::vector<int>{3, 5, 7}));
    EXPECT_EQ(Level(), 1);
    Filter("Amount > 4");
    EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 5, 7}));
    EXPECT_EQ(Level(), 2);
    Filter("No < 3 OR Amount = 9");
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(Level(), 2);
    Filter("State = NULL");
    EXPECT_EQ(Walk(), (std::vector<int>{7}));
    EXPECT_EQ(Level(), 0);
}

// A record-by-record reading of the filter texts the generator writes.
struct TLeaf {
    std::string text;
    std::function<bool(const TPerson&, TFilterOptions)> test;
};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool StringMatches(const std::string& field, std::string value, TFilterOptions options) {
    if (field.empty())
        return false; // null never equals a text
    const bool partial = !(options & foNoPartialCompare) && value.size() > 1 && value.back() == '*';
    std::string a = field;
    if (partial) {
        value.pop_back();
        a = a.substr(0, value.size());
    }
    if (options & foCaseInsensitive)
        return Upper(a) == Upper(value);
    return a == value;
}

bool IntHolds(int a, const std::string& op, int b) {
    if (op == "=")
        return a == b;
    if (op == "<>")
        return a != b;
    if (op == "<")
        return a < b;
    if (op == ">")
        return a > b;
    if (op == "<=")
        return a <= b;
    return a >= b;
}

TLeaf RandomLeaf(std::mt19937& rng) {
    static const std::vector<std::string> states = {"NY", "N*", "ny", "N", "CA", "C*", "Ny*", "Q"};
    static const std::vector<std::string> names = {"Smith", "smith", "SM*", "Jones", "jo*", "X"};
    static const std::vector<std::string> ops = {"=", "<>", "<", ">", "<=", ">="};
    const auto pick = [&](const auto& v) { return v[rng() % v.size()]; };
    switch (rng() % 4) {
    case 0:
    case 1: {
        const bool state = rng() % 2 == 0;
        const std::string field = state ? "State" : "Name";
        const std::string value = pick(state ? states : names);
        const bool equal = rng() % 2 == 0;
        return {field + (equal ? " = '" : " <> '") + value + "'",
                [state, value, equal](const TPerson& p, TFilterOptions o) {
                    return StringMatches(state ? p.state : p.name, value, o) == equal;
                }};
    }
    default: {
        const bool no = rng() % 2 == 0;
        const std::string op = pick(ops);
        const int k = static_cast<int>(rng() % (no ? 42 : 11));
        return {std::string(no ? "No " : "Amount ") + op + " " + std::to_string(k),
                [no, op, k](const TPerson& p, TFilterOptions) {
                    return IntHolds(no ? p.no : p.amount, op, k);
                }};
    }
    }
}

TLeaf RandomFilter(std::mt19937& rng, int depth) {
    if (depth == 0 || rng() % 3 == 0)
        return RandomLeaf(rng);
    switch (rng() % 3) {
    case 0: {
        TLeaf a = RandomFilter(rng, depth - 1);
        return {"NOT (" + a.text + ")",
                [a](const TPerson& p, TFilterOptions o) { return !a.test(p, o); }};
    }
    default: {
        const bool isAnd = rng() % 3 != 0;
        TLeaf a = RandomFilter(rng, depth - 1);
        TLeaf b = RandomFilter(rng, depth - 1);
        return {"(" + a.text + (isAnd ? ") AND (" : ") OR (") + b.text + ")",
                [a, b, isAnd](const TPerson& p, TFilterOptions o) {
                    return isAnd ? a.test(p, o) && b.test(p, o) : a.test(p, o) || b.test(p, o);
                }};
    }
    }
}

TEST_F(TableFilter, IndexAnswersAgreeWithRecordByRecordEvaluation) {
    std::mt19937 rng(20261209);
    const std::vector<std::string> states = {"NY", "NJ", "N", "ny", "Ny", "CA", "C", "", "N*"};
    const std::vector<std::string> names = {"Smith", "SMITH", "smith", "Smithers",
                                            "Jones", "jones", "Jo",    "X"};
    std::vector<int> numbers(40);
    for (int i = 0; i < 40; ++i)
        numbers[static_cast<std::size_t>(i)] = i + 1;
    std::shuffle(numbers.begin(), numbers.end(), rng);
    for (int no : numbers)
        Add({no, states[rng() % states.size()], names[rng() % names.size()],
             static_cast<int>(rng() % 10)});
    // Some records deleted, so filters meet deleted slots too.
    for (int no : {3, 17, 29}) {
        ASSERT_TRUE(table_->Locate("No", {TVariant(std::int64_t{no})}, 0));
        table_->Delete();
        std::erase_if(people_, [no](const TPerson& p) { return p.no == no; });
    }
    std::sort(people_.begin(), people_.end(),
              [](const TPerson& a, const TPerson& b) { return a.no < b.no; });

    int levels[3] = {0, 0, 0};
    for (int round = 0; round < 150; ++round) {
        const TLeaf filter = RandomFilter(rng, 3);
        const TFilterOptions options = static_cast<TFilterOptions>(rng() % 4);
        std::vector<int> expected;
        for (const TPerson& p : people_)
            if (filter.test(p, options))
                expected.push_back(p.no);
        Filter(filter.text, options);
        SCOPED_TRACE(filter.text + " options " + std::to_string(options));
        ASSERT_EQ(Walk(), expected);
        ASSERT_EQ(table_->RecordCount(), static_cast<int>(expected.size()));
        ++levels[Level()];
    }
    // The generator must reach every way of answering.
    EXPECT_GT(levels[0], 0);
    EXPECT_GT(levels[1], 0);
    EXPECT_GT(levels[2], 0);
}

// Locate on another index searches a second cursor, which rebuilds every
// part of the filter: index-answered comparisons with options and the
// record-by-record rest.
TEST_F(TableFilter, ASecondCursorCarriesTheFilter) {
    AddSample();
    Filter("Name = 'smith' AND State = 'n*'", foCaseInsensitive);
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Level(), 1);
    ASSERT_TRUE(table_->Locate("State", {TVariant(std::string("NJ"))}, 0));
    EXPECT_EQ(table_->FieldByName("No").AsInteger(), 2);
    EXPECT_FALSE(table_->Locate("State", {TVariant(std::string("CA"))}, 0));
}

TEST_F(TableFilter, FilterAndOnFilterRecordBothApply) {
    AddSample();
    table_->SetOnFilterRecord(
        [](TDataSet& ds, bool& accept) { accept = ds.FieldByName("No").AsInteger() % 2 == 0; });
    Filter("Amount > 2");
    EXPECT_EQ(Walk(), (std::vector<int>{4, 8}));
    table_->SetFiltered(false);
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    table_->SetFiltered(true);
    EXPECT_EQ(Walk(), (std::vector<int>{4, 8}));
    table_->SetOnFilterRecord({});
    EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 4, 5, 7, 8}));
}

TEST_F(TableFilter, ChangingTheFilterMovesToTheFirstRecord) {
    AddSample();
    Filter("No > 2");
    table_->Last();
    EXPECT_EQ(table_->FieldByName("No").AsInteger(), 8);
    table_->SetFilter("No < 6");
    EXPECT_EQ(table_->FieldByName("No").AsInteger(), 1);
    table_->Last();
    table_->SetFilterOptions(foCaseInsensitive);
    EXPECT_EQ(table_->FieldByName("No").AsInteger(), 1);
}

TEST_F(TableFilter, FaultyTextsRaiseAndKeepTheFilterInForce) {
    AddSample();
    Filter("Amount > 4");
    EXPECT_EQ(ErrorOf([&] { table_->SetFilter("Amount > "); }),
              "Expression expected but nothing found");
    EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 5, 7}));
    EXPECT_EQ(ErrorOf([&] { table_->SetFilter("Missing = 1"); }), "Field 'Missing' not found");
    EXPECT_NE(ErrorOf([&] { table_->SetFilter("Amount > 'x'"); }), "(no error)");
    EXPECT_EQ(ErrorOf([&] { table_->SetFilter("No < NULL"); }),
              "NULL only allowed with '=' and '<>'");
    EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 5, 7}));
    EXPECT_EQ(table_->Filter(), "Amount > 4");

    // A closed table takes any text; a faulty one is raised when the table
    // opens, which stays closed.
    table_->Close();
    table_->SetFilter("No < NULL");
    EXPECT_EQ(ErrorOf([&] { table_->Open(); }), "NULL only allowed with '=' and '<>'");
    EXPECT_FALSE(table_->Active());
    table_->SetFilter("State = 'CA'");
    table_->Open();
    EXPECT_EQ(Walk(), (std::vector<int>{4}));
    table_->SetFiltered(false);
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

// AND groups from the left without parentheses, so a long text makes a deep
// tree: it is built and evaluated, or refused as too large for the binary
// expression's 16-bit offsets, never a crash.
TEST_F(TableFilter, LongConjunctionsBuildOrAreRefused) {
    AddSample();
    for (int terms : {300, 3000}) {
        std::string text = "No > 0";
        for (int i = 1; i < terms; ++i)
            text += i % 2 ? " AND State <> 'q*'" : " AND Amount < 9";
        table_->SetFilterOptions(foCaseInsensitive);
        try {
            Filter(text, foCaseInsensitive);
            EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 4, 6, 7, 8}));
        } catch (const ETabulaEngineError& e) {
            EXPECT_EQ(terms, 3000);
            EXPECT_EQ(e.Code(), kErrInvalidFilterExpression);
        }
    }
}

TEST_F(TableFilter, AppendsAndEditsKeepTheFilterHonest) {
    AddSample();
    Filter("State = 'N*' AND Amount < 8");
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 8}));
    Add({9, "NM", "Baker", 1});  // passes
    Add({10, "TX", "Clark", 1}); // does not
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 8, 9}));
    EXPECT_EQ(table_->RecordCount(), 5);

    ASSERT_TRUE(table_->Locate("No", {TVariant(std::int64_t{2})}, 0));
    table_->Edit();
    table_->FieldByName("State").SetAsString("CA");
    table_->Post();
    EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 8, 9}));
    table_->SetFiltered(false);
    ASSERT_TRUE(table_->Locate("No", {TVariant(std::int64_t{10})}, 0));
    table_->Edit();
    table_->FieldByName("State").SetAsString("NE");
    table_->Post();
    table_->SetFiltered(true);
    EXPECT_EQ(Walk(), (std::vector<int>{1, 3, 8, 9, 10}));
}

} // namespace
} // namespace tabula

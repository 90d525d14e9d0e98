// The two validation passes: every rule in its order with its exact message,
// cell placement and row numbering, run state across runs, and conversion
// failures that stop a run.
#include "Validator.h"

#include "InOutError.h"
#include "TestRecords.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using test::CleanLines;
using test::Crlf;
using test::Detail;
using test::Header;
using test::Put;
using test::RowCells;
using test::Trailer;

// (line, column, field name, message) of a field-pass row.
struct TFault {
    std::string Line, Column, Field, Message;
    bool operator==(const TFault&) const = default;
};
std::ostream& operator<<(std::ostream& os, const TFault& f) {
    return os << "{" << f.Line << ", " << f.Column << ", '" << f.Field << "', '" << f.Message
              << "'}";
}
using Faults = std::vector<TFault>;

class ValidatorTest : public ::testing::Test {
protected:
    // Runs ValidateFile on the lines (CR LF ends) and keeps the grid.
    bool Run(const std::vector<std::string>& lines) { return RunBytes(Crlf(lines)); }
    bool RunBytes(const std::string& bytes) {
        path = dir.Write("reg.txt", bytes);
        grid.ClearGrid();
        sink.Messages.clear();
        return validator.ValidateFile(path, grid, sink);
    }
    Faults FieldFaults() const {
        Faults out;
        for (int r = 1; r < grid.RowCount() - 1; ++r) {
            out.push_back({grid.Cell(3, r), grid.Cell(4, r), grid.Cell(5, r), grid.Cell(6, r)});
        }
        return out;
    }
    // Faults of a file made of a valid header, `detail` as detail 1, and a
    // matching trailer.
    Faults DetailFaults(const std::string& detail) {
        Run({Header(), detail, Trailer("000001")});
        return FieldFaults();
    }

    test::TScratchDir dir;
    std::string path;
    TResultGrid grid;
    test::TRecordingSink sink;
    TValidator validator;
};

TEST_F(ValidatorTest, CleanFileLeavesFieldLayoutWithNoRows) {
    EXPECT_TRUE(Run(CleanLines(3)));
    EXPECT_TRUE(validator.DataValid);
    EXPECT_EQ(grid.Layout(), TPassLayout::Field);
    EXPECT_EQ(grid.ColCount(), 9);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.StatusText(), "");
    EXPECT_TRUE(sink.Messages.empty());
    EXPECT_EQ(validator.DetailCount, 3);
    EXPECT_EQ(validator.CompanyId, "COMP01");
}

TEST_F(ValidatorTest, InvalidRecordTypeRowAndErrorBox) {
    auto lines = CleanLines(5);
    lines[4] = "XYZ" + lines[4].substr(3);
    EXPECT_FALSE(Run(lines));
    EXPECT_EQ(grid.Layout(), TPassLayout::RecordType);
    EXPECT_EQ(grid.ColCount(), 5);
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(RowCells(grid, 1), (std::vector<std::string>{"1", path, "Record type invalid code",
                                                           "5", "", "", "", "", ""}));
    EXPECT_EQ(grid.StatusText(), "Invalid data fields");
    ASSERT_EQ(sink.Messages.size(), 1u);
    EXPECT_EQ(sink.Messages[0].Kind, TMessageKind::Error);
    EXPECT_EQ(sink.Messages[0].Text, "Error Data. ");
}

TEST_F(ValidatorTest, RecordTypeIsNeverTrimmedAndIsCaseExact) {
    auto lines = CleanLines(4);
    lines[1] = " 02" + lines[1].substr(3);
    lines[2] = "2  " + lines[2].substr(3);
    lines[3] = "00";
    lines.push_back(""); // a blank line after the trailer
    EXPECT_FALSE(Run(lines));
    std::vector<std::string> numbers;
    for (int r = 1; r < grid.RowCount() - 1; ++r) {
        EXPECT_EQ(grid.Cell(2, r), "Record type invalid code");
        numbers.push_back(grid.Cell(3, r));
    }
    EXPECT_EQ(numbers, (std::vector<std::string>{"2", "3", "4", "7"}));
}

TEST_F(ValidatorTest, LengthFaultsCarryTheTypeTextWithTrailingSpace) {
    auto lines = CleanLines(2);
    lines[0].pop_back();     // header of 95
    lines[1].push_back(' '); // detail of 265
    lines[2].pop_back();     // detail of 263
    lines[3] += "0";         // trailer of 42
    EXPECT_FALSE(Run(lines));
    ASSERT_EQ(grid.FaultRowCount(), 4);
    const char* types[] = {"001 ", "002 ", "002 ", "999 "};
    for (int r = 1; r <= 4; ++r) {
        EXPECT_EQ(RowCells(grid, r), (std::vector<std::string>{
                                         std::to_string(r), path, types[r - 1], std::to_string(r),
                                         "Length in record invalid", "", "", "", ""}));
    }
    EXPECT_EQ(sink.Messages.size(), 1u);
}

TEST_F(ValidatorTest, LfOnlyFileIsOneLongLine) {
    std::string bytes;
    for (const auto& l : CleanLines(2)) {
        bytes += l + "\n";
    }
    EXPECT_FALSE(RunBytes(bytes));
    ASSERT_EQ(grid.FaultRowCount(), 1);
    EXPECT_EQ(grid.Cell(2, 1), "001 ");
    EXPECT_EQ(grid.Cell(3, 1), "1");
}

TEST_F(ValidatorTest, CtrlZHidesTheRestOfTheFile) {
    EXPECT_TRUE(RunBytes(Crlf(CleanLines(2)) + "\x1a"
                                               "garbage\r\n"));
}

TEST_F(ValidatorTest, HeaderRulesInOrder) {
    std::string h(96, ' ');
    Put(h, 1, "001");
    Put(h, 80, "2024013 ");
    Put(h, 88, "09:30a");
    Put(h, 94, "kvl");
    EXPECT_FALSE(Run({h, Trailer("000001", "")}));
    Faults expected{
        {"1", "36-47", "Company Id", "This field should not be space"},
        {"1", "48-79", "Customer Reference", "This field should not be space"},
        {"1", "80-87", "Message/File Date", "This field should be number"},
        {"1", "88-93", "Message/File Time", "This field should be number"},
        {"1", "94-96", "Channel Id", "This field should  be KVL"},
        {"2", "36-41", "Total No. of Register Detail",
         "Total No. of RegisterDetail does not match "},
    };
    EXPECT_EQ(FieldFaults(), expected);
    EXPECT_EQ(grid.Cell(2, 1), "001");
    EXPECT_EQ(grid.Cell(7, 1), "");
    EXPECT_TRUE(sink.Messages.empty()); // no box for field faults
    EXPECT_EQ(grid.StatusText(), "Invalid data fields");
}

TEST_F(ValidatorTest, HeaderAcceptsCncAndLeadingSpacesInNumbers) {
    auto lines = CleanLines(1);
    Put(lines[0], 94, " CN");
    EXPECT_FALSE(Run(lines)); // " CN" trims to "CN"
    lines = CleanLines(1);
    Put(lines[0], 94, "CNC");
    Put(lines[0], 80, "   +1.5E");
    Put(lines[0], 88, "    .1");
    EXPECT_FALSE(Run(lines)); // "   +1.5E" fails: exponent without digit
    EXPECT_EQ(FieldFaults(),
              (Faults{{"1", "80-87", "Message/File Date", "This field should be number"}}));
    Put(lines[0], 80, "  +1.5E3");
    EXPECT_TRUE(Run(lines));
}

TEST_F(ValidatorTest, DetailRowsCarryTheUntrimmedAccountCell) {
    std::string d = Detail(1);
    Put(d, 45, "  1234567896");
    Put(d, 207, "9");
    EXPECT_FALSE(Run({Header(), d, Trailer("000001")}));
    ASSERT_EQ(grid.FaultRowCount(), 1);
    EXPECT_EQ(RowCells(grid, 1), (std::vector<std::string>{"1", path, "002", "2", "207", "Action",
                                                           "This field should  be 1,2,3,4",
                                                           test::Padded("  1234567896", 25), ""}));
}

TEST_F(ValidatorTest, BatchReferenceAndSequence) {
    std::string d2 = Detail(2, "OTHER");
    std::string d3 = Detail(7); // the 3rd detail with sequence 000007
    std::string d4 = Detail(4);
    Put(d4, 36, "00004 "); // trims to 00004: wrong, but still a number
    std::string d5 = Detail(5);
    Put(d5, 36, "00005a");
    EXPECT_FALSE(Run({Header(), Detail(1), d2, d3, d4, d5, Trailer("000005")}));
    Faults expected{
        {"3", "4-35", "Batch Reference", "This field should not be incorrect"},
        {"4", "36-41", "Sequence No", "This field should not be incorrect"},
        {"5", "36-41", "Sequence No", "This field should not be incorrect"},
        {"5", "36-41", "Sequence Number", "This field should be number"},
        {"6", "36-41", "Sequence No", "This field should not be incorrect"},
        {"6", "36-41", "Sequence Number", "This field should be number"},
    };
    EXPECT_EQ(FieldFaults(), expected);
    // D1 and D2 rows have no account cell; D3 rows do.
    EXPECT_EQ(grid.Cell(7, 3), "");
    EXPECT_EQ(grid.Cell(7, 4), test::Padded("1234567896", 25));
}

TEST_F(ValidatorTest, DetailsBeforeAnyHeaderNeedABlankBatchReference) {
    EXPECT_FALSE(Run({Detail(1, ""), Detail(2, "BATCH1"), Header(), Detail(3), Trailer("000003")}));
    EXPECT_EQ(FieldFaults(),
              (Faults{{"2", "4-35", "Batch Reference", "This field should not be incorrect"}}));
}

TEST_F(ValidatorTest, SecondHeaderReplacesBatchAndCompanyButNotCounters) {
    EXPECT_TRUE(Run({Header("A", "C1"), Detail(1, "A"), Header("B", "C2"), Detail(2, "B"),
                     Trailer("000002", "B")}));
    EXPECT_EQ(validator.CompanyId, "C2");
    EXPECT_EQ(validator.DetailCount, 2);
}

struct TDetailCase {
    const char* Name;
    std::vector<std::pair<std::size_t, std::string>> Changes; // (column, text)
    Faults Expected;
};

class DetailRules : public ValidatorTest, public ::testing::WithParamInterface<TDetailCase> {};

TEST_P(DetailRules, FireInOrderWithTheirTexts) {
    std::string d = Detail(1);
    for (const auto& [column, text] : GetParam().Changes) {
        Put(d, column, text);
    }
    EXPECT_EQ(DetailFaults(d), GetParam().Expected);
}

const std::string kBlankAccount(25, ' ');

INSTANTIATE_TEST_SUITE_P(
    Validator, DetailRules,
    ::testing::Values(
        TDetailCase{"ProductLowerCase",
                    {{42, "pay"}},
                    {{"2", "42-44", "Product Code", "This field invalid Product Code"}}},
        TDetailCase{"AccountNotNumber",
                    {{45, "12345X7896"}},
                    {{"2", "45-69", "Account Number ", "This field should be number"}}},
        TDetailCase{"AccountBlank",
                    {{45, kBlankAccount}},
                    {{"2", "45-69", "Account Number ", "This field should not be space"}}},
        TDetailCase{"AccountBlankBankAndBranchBlank",
                    {{45, kBlankAccount}, {140, "   "}, {143, "    "}},
                    {{"2", "45-69", "Account Number ", "This field should not be space"},
                     {"2", "140-142", "Bank code", "This field should be number"},
                     {"2", "143-146", "Branch code", "This field should be number"}}},
        TDetailCase{"OptionalProductBlankEverything",
                    {{42, "MCP"},
                     {45, kBlankAccount},
                     {70, std::string(70, ' ')},
                     {140, "   "},
                     {143, "    "}},
                    {{"2", "70-139", "Account Name", "This field should not be space "},
                     {"2", "140-142", "Bank code", "This field should be number"},
                     {"2", "143-146", "Branch code", "This field should be number"}}},
        TDetailCase{"OptionalProductWithName",
                    {{42, "MCP"}, {45, kBlankAccount}, {140, "   "}, {143, "    "}},
                    {{"2", "140-142", "Bank code", "This field should be number"},
                     {"2", "143-146", "Branch code", "This field should be number"}}},
        TDetailCase{"OptionalProductSkipsCheckDigit", {{42, "XDQ"}, {45, "1234567890"}}, {}},
        TDetailCase{"OptionalProductNonNumericAccountIsNotReported",
                    {{42, "CCP"}, {45, "ABC"}, {140, "   "}, {143, "xx  "}},
                    {}},
        TDetailCase{"BankBlank",
                    {{140, "   "}},
                    {{"2", "140-142", "Bank code", "This field should not be space"}}},
        TDetailCase{"BankNotNumber",
                    {{140, "01A"}, {143, "00X1"}},
                    {{"2", "140-142", "Bank code", "This field should be number"},
                     {"2", "143-146", "Branch code", "This field should be number"}}},
        TDetailCase{"WrongCheckDigitOnly",
                    {{45, "1234567890"}},
                    {{"2", "45-69", "Account Number", "Invalid MRD Account"}}},
        TDetailCase{"OtherBankSkipsCheckDigit", {{45, "1234567890"}, {140, "002"}}, {}},
        TDetailCase{"NineDigitOwnAccount",
                    {{45, test::Padded("123456789", 25)}},
                    {{"2", "45-69", "Account Number", "Invalid MRD Account"}}},
        TDetailCase{"CheckDigitOnlyForBankExactly014",
                    {{45, "1234567890"}, {140, " 01"}},
                    {}}, // " 01" trims to "01"
        TDetailCase{"BranchBlank",
                    {{143, "    "}},
                    {{"2", "143-146", "Branch code", "This field should not be space"}}},
        TDetailCase{"AccountNotNumberSkipsBankAndBranch",
                    {{45, "12-34"}, {140, "   "}, {143, "    "}},
                    {{"2", "45-69", "Account Number ", "This field should be number"}}},
        TDetailCase{"ReferenceBlank",
                    {{147, std::string(20, ' ')}},
                    {{"2", "147-166", "Reference1", "This field should not be space"}}},
        TDetailCase{"ActionBlank",
                    {{207, " "}},
                    {{"2", "207", "Action", "This field should not be space"}}},
        TDetailCase{
            "ActionWrong", {{207, "5"}}, {{"2", "207", "Action", "This field should  be 1,2,3,4"}}},
        TDetailCase{"FreeColumnsAreNotExamined",
                    {{167, std::string(40, '\x01')}, {208, std::string(57, '#')}},
                    {}},
        TDetailCase{"AllAtOnce",
                    {{36, "0000x1"},
                     {42, "ZZZ"},
                     {45, "1234567896"},
                     {140, "   "},
                     {143, "    "},
                     {147, std::string(20, ' ')},
                     {207, "0"}},
                    {{"2", "36-41", "Sequence No", "This field should not be incorrect"},
                     {"2", "36-41", "Sequence Number", "This field should be number"},
                     {"2", "42-44", "Product Code", "This field invalid Product Code"},
                     {"2", "140-142", "Bank code", "This field should not be space"},
                     {"2", "143-146", "Branch code", "This field should not be space"},
                     {"2", "147-166", "Reference1", "This field should not be space"},
                     {"2", "207", "Action", "This field should  be 1,2,3,4"}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ValidatorTest, TrailerRules) {
    auto withTotal = [&](const std::string& total, const std::string& batch = "BATCH1") {
        auto lines = CleanLines(3);
        lines.back() = Trailer(total, batch);
        Run(lines);
        return FieldFaults();
    };
    const TFault t2{"5", "36-41", "Total No. of Debits",
                    "This field should be number 6 digits and more than zero"};
    const TFault t3{"5", "36-41", "Total No. of Debits",
                    "This field should be number and more than zero"};
    const TFault t4{"5", "36-41", "Total No. of Register Detail",
                    "Total No. of RegisterDetail does not match "};
    EXPECT_EQ(withTotal("000003"), Faults{});
    EXPECT_EQ(withTotal("+00003"), Faults{});
    EXPECT_EQ(withTotal("000004"), Faults{t4});
    EXPECT_EQ(withTotal("  3   "), Faults{t2});
    EXPECT_EQ(withTotal("     3"), Faults{t2});
    EXPECT_EQ(withTotal("00003 "), Faults{t2});
    EXPECT_EQ(withTotal("00x003"), Faults{t2});
    EXPECT_EQ(withTotal("000000"), (Faults{t3, t4}));
    EXPECT_EQ(withTotal("-00003"), (Faults{t3, t4}));
    EXPECT_EQ(withTotal("000003", "OTHER"),
              (Faults{{"5", "4-35", "Batch Reference", "This field should not be incorrect"}}));
}

TEST_F(ValidatorTest, TrailerCountsOnlyTheDetailsAboveIt) {
    EXPECT_FALSE(Run({Header(), Detail(1), Trailer("000002"), Detail(2), Trailer("000002")}));
    EXPECT_EQ(FieldFaults(), (Faults{{"3", "36-41", "Total No. of Register Detail",
                                      "Total No. of RegisterDetail does not match "}}));
}

TEST_F(ValidatorTest, TrailerConversionFailureStopsTheRun) {
    auto lines = CleanLines(3);
    Put(lines[2], 45, "12345X7896"); // a field fault before the failure
    lines[4] = Trailer("0003.0");
    lines.push_back(Header("", "")); // reached by the record-type pass only
    try {
        Run(lines);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'0003.0' is not a valid integer value");
    }
    EXPECT_FALSE(validator.DataValid);
    EXPECT_EQ(FieldFaults(),
              (Faults{{"3", "45-69", "Account Number ", "This field should be number"}}));
    EXPECT_EQ(validator.CompanyId, "COMP01");
}

TEST_F(ValidatorTest, AccountCheckConversionFailureStopsTheRun) {
    auto lines = CleanLines(2);
    Put(lines[2], 45, "12345678E5");
    try {
        Run(lines);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'E' is not a valid integer value");
    }
    EXPECT_FALSE(validator.DataValid);
    EXPECT_EQ(grid.FaultRowCount(), 0);
    EXPECT_EQ(validator.LineNumber, 3);
}

TEST_F(ValidatorTest, MissingFileStopsWithTheRecordTypeLayout) {
    grid.ClearGrid();
    EXPECT_THROW(validator.ValidateFile(dir.Path("none.txt"), grid, sink), EInOutError);
    EXPECT_EQ(grid.Layout(), TPassLayout::RecordType);
    EXPECT_FALSE(validator.DataValid);
}

TEST_F(ValidatorTest, RunStateAcrossRuns) {
    auto bad = CleanLines(3);
    bad[2] = "???";
    EXPECT_FALSE(Run(bad));
    const auto firstRows = FieldFaults();
    // Record-type pass sets CompanyId from every line: here the trailer's
    // columns 36-41.
    EXPECT_EQ(validator.CompanyId, "000003");
    EXPECT_FALSE(Run(bad));
    EXPECT_EQ(FieldFaults(), firstRows); // same line numbers again

    EXPECT_TRUE(Run(CleanLines(2))); // DataValid starts true again
    EXPECT_EQ(validator.CompanyId, "COMP01");
    EXPECT_EQ(validator.DetailCount, 2);

    // Even without ClearGrid between runs, each pass's layout restarts the
    // rows, so a second run is numbered from 1 again.
    validator.ValidateFile(dir.Write("b.txt", Crlf(bad)), grid, sink);
    validator.ValidateFile(dir.Write("b.txt", Crlf(bad)), grid, sink);
    EXPECT_EQ(grid.FaultRowCount(), 1);
    EXPECT_EQ(grid.Cell(0, 1), "1");
}

TEST_F(ValidatorTest, RecordCheckFunctionsAreSafeOnShortLines) {
    for (const std::string line : {"", "0", "001", "002", "999", "002 x"}) {
        validator.CheckHeader("f", line, 1, grid);
        validator.CheckDetail("f", line, 1, grid);
        validator.CheckTrailer("f", line, 1, grid);
    }
    EXPECT_GT(grid.FaultRowCount(), 0);
}

} // namespace
} // namespace morvane

// The three output writers over a table the test fills, read through the
// dataset interface exactly as a query result is: alignment by code points,
// RFC 4180 quoting, JSON escaping and value kinds, NULL in each mode, and
// Windows-1252 text.
#include "OutputMode.h"
#include "ShellTestSupport.h"
#include "tabula/TableCreation.h"
#include "tabula/TabulaSession.h"
#include "tabula/TabulaSessionList.h"
#include "tabula/TabulaTable.h"
#include "tabula/Variant.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tabula::shell {
namespace {

class ShellOutput : public ::testing::Test {
protected:
    void SetUp() override {
        DefaultSession().SetActive(true);
        TTableSpec spec;
        spec.Fields.Add("No", TFieldType::ftInteger);
        spec.Fields.Add("Name", TFieldType::ftString, 20);
        spec.Fields.Add("Amount", TFieldType::ftCurrency);
        spec.Fields.Add("Rate", TFieldType::ftFloat);
        spec.Fields.Add("Day", TFieldType::ftDate);
        spec.Fields.Add("Stamp", TFieldType::ftDateTime);
        spec.Fields.Add("Ok", TFieldType::ftBoolean);
        spec.PrimaryIndex.Fields = "No";
        CreateTable(scratch.File("T"), spec);
        table.SetDatabaseName(scratch.Path());
        table.SetTableName("T");
        table.Open();
        // Row 1: every kind of value; text with a comma, a quote, a line
        // break and the Windows-1252 bytes of e-acute and the euro sign.
        table.Append();
        table.FieldByName("No").SetAsVariant(std::int64_t{1});
        table.FieldByName("Name").SetAsVariant(std::string("Caf\xE9 \x80, \"x\"\nend"));
        table.FieldByName("Amount").SetAsVariant(TCurrencyValue{-12345});
        table.FieldByName("Rate").SetAsVariant(0.1);
        table.FieldByName("Day").SetAsVariant(DateTimeFromParts({2026, 12, 9}));
        table.FieldByName("Stamp").SetAsVariant(DateTimeFromParts({2026, 1, 2, 3, 4, 5, 60}));
        table.FieldByName("Ok").SetAsVariant(true);
        table.Post();
        // Row 2: only the key; every other field NULL.
        table.Append();
        table.FieldByName("No").SetAsVariant(std::int64_t{2});
        table.Post();
    }
    void TearDown() override {
        table.Close();
        DefaultSession().SetActive(false);
    }
    std::string Write(TOutputMode mode) {
        std::ostringstream out;
        WriteResult(out, table, mode);
        return out.str();
    }

    test::TShellScratch scratch;
    TTabulaTable table;
};

TEST_F(ShellOutput, CsvQuotesWhatMustBeQuotedKeepsStoredBytesAndLeavesNullEmpty) {
    EXPECT_EQ(Write(TOutputMode::Csv), "No,Name,Amount,Rate,Day,Stamp,Ok\r\n"
                                       "1,\"Caf\xE9 \x80, \"\"x\"\"\nend\",-1.2345,0.1,2026-12-09,"
                                       "2026-01-02T03:04:05.060,true\r\n"
                                       "2,,,,,,\r\n");
}

TEST_F(ShellOutput, JsonGivesColumnsAndTypedValuesWithTextDecodedAndEscaped) {
    EXPECT_EQ(Write(TOutputMode::Json),
              "{\"columns\": [{\"name\": \"No\", \"type\": \"INTEGER\", \"size\": 0}, "
              "{\"name\": \"Name\", \"type\": \"STRING\", \"size\": 20}, "
              "{\"name\": \"Amount\", \"type\": \"MONEY\", \"size\": 0}, "
              "{\"name\": \"Rate\", \"type\": \"FLOAT\", \"size\": 0}, "
              "{\"name\": \"Day\", \"type\": \"DATE\", \"size\": 0}, "
              "{\"name\": \"Stamp\", \"type\": \"TIMESTAMP\", \"size\": 0}, "
              "{\"name\": \"Ok\", \"type\": \"BOOLEAN\", \"size\": 0}], "
              "\"rows\": [[1, \"Caf\xC3\xA9 \xE2\x82\xAC, \\\"x\\\"\\nend\", -1.2345, 0.1, "
              "\"2026-12-09\", \"2026-01-02T03:04:05.060\", true], "
              "[2, null, null, null, null, null, null]]}\n");
}

TEST_F(ShellOutput, BoxAlignsColumnsByCharactersNotBytes) {
    // One-line text, so that the columns can be compared line by line.
    table.First();
    table.Edit();
    table.FieldByName("Name").SetAsVariant(std::string("\xE9t\xE9"));
    table.Post();
    const std::string box = Write(TOutputMode::Box);
    std::istringstream lines(box);
    std::string header, rule, first, second, count;
    std::getline(lines, header);
    std::getline(lines, rule);
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, count);
    EXPECT_EQ(header.substr(0, 14), "No | Name | Am");
    EXPECT_EQ(rule.substr(0, 14), "---+------+---");
    // "été" is three characters (six bytes of UTF-8), padded to the header's four.
    EXPECT_EQ(first.substr(0, 16), "1  | \xC3\xA9t\xC3\xA9  | -1");
    EXPECT_EQ(second, "2  |      |         |      |            |                         | ");
    EXPECT_EQ(count, "(2 rows)");
}

} // namespace
} // namespace tabula::shell

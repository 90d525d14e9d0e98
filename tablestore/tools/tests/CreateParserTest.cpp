// The .create reader and the CSV reader: what a full definition becomes,
// the refusals with their messages, and CSV records whose quoted fields
// span lines (line numbers must still name the line a record starts on).
#include "CreateParser.h"

#include "CsvImport.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tabula::shell {
namespace {

std::string CreateError(const std::string& text) {
    try {
        ParseCreate(text);
    } catch (const ECreateSyntax& e) {
        return e.what();
    }
    return "accepted";
}

TEST(CreateParser, FullDefinitionBecomesFieldsAndIndexes) {
    const TCreateCommand c = ParseCreate(
        "Pay (no autoinc, \"Full name\" string(40) not null, Amt Money, Rate BCD(12, 3), "
        "Raw BYTES(8), Note MEMO, Pic GRAPHIC) PRIMARY KEY (no) "
        "INDEX ByName (\"Full name\" DESC, Amt DESC) UNIQUE NOCASE index ByAmt (Amt)");
    EXPECT_EQ(c.Table, "Pay");
    const TFieldDefs& f = c.Spec.Fields;
    ASSERT_EQ(f.Count(), 7);
    EXPECT_EQ(f[0].DataType, TFieldType::ftAutoInc);
    EXPECT_EQ(f[1].Name, "Full name");
    EXPECT_EQ(f[1].DataType, TFieldType::ftString);
    EXPECT_EQ(f[1].Size, 40);
    EXPECT_TRUE(f[1].Required);
    EXPECT_FALSE(f[2].Required);
    EXPECT_EQ(f[2].DataType, TFieldType::ftCurrency);
    EXPECT_EQ(f[3].DataType, TFieldType::ftBCD);
    EXPECT_EQ(f[3].Size, 3); // decimals
    EXPECT_EQ(f[3].Precision, 12);
    EXPECT_EQ(f[4].Size, 8);
    EXPECT_EQ(f[5].DataType, TFieldType::ftMemo);
    EXPECT_EQ(f[6].DataType, TFieldType::ftGraphic);
    EXPECT_EQ(c.Spec.PrimaryIndex.Fields, "no");
    ASSERT_EQ(c.Spec.SecondaryIndexes.size(), 2u);
    const TIndexDef& byName = c.Spec.SecondaryIndexes[0];
    EXPECT_EQ(byName.Name, "ByName");
    EXPECT_EQ(byName.Fields, "Full name;Amt");
    EXPECT_TRUE(byName.Descending && byName.Unique && byName.CaseInsensitive);
    const TIndexDef& byAmt = c.Spec.SecondaryIndexes[1];
    EXPECT_FALSE(byAmt.Descending || byAmt.Unique || byAmt.CaseInsensitive);
}

TEST(CreateParser, RefusalsSayWhatWasExpected) {
    EXPECT_EQ(CreateError("T (a NUMBER)"), "unknown field type 'NUMBER' at offset 5");
    EXPECT_EQ(CreateError("T (a INTEGER"), "expected ')' at offset 12, found the end");
    EXPECT_EQ(CreateError("T (a STRING(x))"), "expected a size at offset 12, found 'x'");
    EXPECT_EQ(CreateError("T (a INTEGER) KEY (a)"),
              "expected PRIMARY KEY or INDEX at offset 14, found 'KEY'");
    EXPECT_EQ(CreateError("T (a INTEGER, b INTEGER) INDEX I (a DESC, b)"),
              "DESC must be given on every field of index 'I' or on none");
    EXPECT_EQ(CreateError("T (a STRING(5) DEFAULT 'x')"),
              "DEFAULT values cannot be stored with a new table (field a)");
    EXPECT_EQ(CreateError("T (a STRING(5) 'x')"), "expected ')' at offset 15, found 'x'");
    EXPECT_EQ(CreateError("T (\"a INTEGER)"), "unterminated \" at offset 3");
    EXPECT_EQ(CreateError("T (a INTEGER) PRIMARY KEY (a) UNIQUE"),
              "expected PRIMARY KEY or INDEX at offset 30, found 'UNIQUE'");
}

TEST(CsvReader, QuotedFieldsSpanLinesAndRecordsKeepTheirStartingLine) {
    std::istringstream in("a,b\r\n\"x, \"\"y\"\"\",2\n\"two\nlines\",3\n,\nlast");
    TCsvReader reader(in);
    using TRecord = std::vector<std::string>;
    EXPECT_EQ(reader.Next(), (TRecord{"a", "b"}));
    EXPECT_EQ(reader.RecordLine(), 1);
    EXPECT_EQ(reader.Next(), (TRecord{"x, \"y\"", "2"}));
    EXPECT_EQ(reader.RecordLine(), 2);
    EXPECT_EQ(reader.Next(), (TRecord{"two\nlines", "3"}));
    EXPECT_EQ(reader.RecordLine(), 3);
    EXPECT_EQ(reader.Next(), (TRecord{"", ""}));
    EXPECT_EQ(reader.RecordLine(), 5);
    EXPECT_EQ(reader.Next(), (TRecord{"last"}));
    EXPECT_EQ(reader.Next(), std::nullopt);

    std::istringstream open("a\n\"never closed\n");
    TCsvReader unclosed(open);
    unclosed.Next();
    EXPECT_THROW(unclosed.Next(), ECsvImport);
}

} // namespace
} // namespace tabula::shell

// Results made only of plain columns are written from the columns' stored
// slots: the rows must be the ones evaluating every column gives - NULL
// for the inner columns of an outer join's empty row whatever the inner
// record buffer last held (a partner read before, a replayed run, the last
// record of a table walked whole), and for stored bytes no writer of this
// store leaves behind (text without its terminator, trailing blanks, bytes
// behind a null indicator, indicators other than 0 and 1), the same bytes
// as a result with a computed column.
#include "DataFileFormat.h"
#include "DataQuery.h"
#include "FileSession.h"
#include "QueryTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace querytest;

class PlainColumnRows : public ::testing::Test {
protected:
    void SetUp() override { StartEngine(); }
    void TearDown() override { DefaultSession().SetActive(false); }

    std::vector<std::string> Answer(const std::string& sql) {
        TDataQuery q;
        q.SetDirectory(dir.Path());
        CheckCode(q.Prepare(sql));
        CheckCode(q.Execute());
        return CursorRows(*q.ResultCursor());
    }

    // The slots (indicator and value bytes) of the first `fields` result
    // columns, row by row.
    std::vector<std::vector<std::uint8_t>> Slots(const std::string& sql, int fields) {
        TDataQuery q;
        q.SetDirectory(dir.Path());
        CheckCode(q.Prepare(sql));
        CheckCode(q.Execute());
        TDataFile& t = *q.ResultCursor();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        std::vector<std::vector<std::uint8_t>> rows;
        t.GotoFirst();
        while (t.NextRecord(image) == 0) {
            std::vector<std::uint8_t> row;
            for (int n = 1; n <= fields; ++n) {
                const TFieldDescriptor d = t.GetFieldDescriptor(n);
                row.insert(row.end(), image.begin() + d.offset,
                           image.begin() + d.offset + 1 + d.storedSize);
            }
            rows.push_back(row);
        }
        return rows;
    }

    TScratchDir dir;
};

TEST_F(PlainColumnRows, InnerColumnsOfEmptyRowsAreNullWhateverTheBufferHeld) {
    CreateTable(dir.Table("A"), "No int32, K string 3", {"No"});
    CreateTable(dir.Table("B"),
                "K string 3, I int16, W int32, U uint16, F float, D date, T time, S string 6",
                {"K"});
    ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO B VALUES ('k1', 1, 10, 100, 1.5, '03/15/2024', "
                                 "'10:30:00', 'one')"),
              "ok");
    ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO B VALUES ('k2', -2, -20, 200, -2.5, "
                                 "'01/02/2023', '08:00:00', 'two')"),
              "ok");
    // A partner, a key without one (read after the partner, then replayed
    // from the memo), NULL (every record of B walked and refused).
    const char* keys[] = {"'k1'", "'zz'", "'k1'", "'zz'", "NULL", "'k2'", "NULL"};
    for (int i = 1; i <= 7; ++i)
        ASSERT_EQ(RunSql(dir.Path(),
                         "INSERT INTO A VALUES (" + std::to_string(i) + ", " + keys[i - 1] + ")"),
                  "ok");
    const std::string one = "1|10|100|1.5|2024-03-15|10:30:00|one";
    const std::string two = "-2|-20|200|-2.5|2023-01-02|08:00:00|two";
    const std::string none = "NULL|NULL|NULL|NULL|NULL|NULL|NULL";
    const std::vector<std::string> expected = {"1|" + one,  "2|" + none, "3|" + one, "4|" + none,
                                               "5|" + none, "6|" + two,  "7|" + none};
    const std::string columns = "A.No, B.I, B.W, B.U, B.F, B.D, B.T, B.S";
    EXPECT_EQ(Answer("SELECT " + columns + " FROM A LEFT OUTER JOIN B ON A.K = B.K"), expected);
    // The same join without a key range or memo (the condition is no link).
    EXPECT_EQ(
        Answer("SELECT " + columns + " FROM A LEFT OUTER JOIN B ON (A.K = B.K OR A.No <> A.No)"),
        expected);
    // A computed column makes the rows go through their values.
    std::vector<std::string> valued = expected;
    for (std::string& row : valued)
        row += "|0";
    EXPECT_EQ(Answer("SELECT " + columns + ", 0 FROM A LEFT OUTER JOIN B ON A.K = B.K"), valued);
}

TEST_F(PlainColumnRows, StoredBytesNoWriterLeavesGiveTheValuesResult) {
    CreateTable(dir.Table("T"), "No int32, S string 6, W int32");
    // Each record: the slot bytes of S (indicator, then 7 value bytes) and
    // the indicator of W (its value is the record's number).
    struct TSlots {
        std::uint8_t sIndicator;
        const char* s; // 7 bytes, written as they are
        std::uint8_t wIndicator;
    };
    const TSlots records[] = {
        {1, "ab  \0\0\0", 1},     // trailing blanks
        {1, "abcdefg", 1},        // no terminator: cut to the column's length
        {1, "abcde g", 1},        // cut, then the blank before the cut dropped
        {0, "xyz\0\0\0\0", 0},    // bytes behind a null indicator
        {2, "xy\0\0\0\0\0", 3},   // an indicator other than 1
        {1, "\0\0\0\0\0\0\0", 1}, // present but empty
        {1, "   \0\0\0\0", 1},    // blanks only
        {1, "ab\0zz\0\0", 1},     // bytes behind the terminator
    };
    {
        TDataFile t;
        t.SetFileName(dir.Table("T"));
        t.SetExclusive(true);
        t.Open();
        const TFieldDescriptor s = t.GetFieldDescriptor(2);
        const TFieldDescriptor w = t.GetFieldDescriptor(3);
        ASSERT_EQ(s.storedSize, 7u);
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        std::int32_t no = 0;
        for (const TSlots& r : records) {
            t.InitRecord(image);
            ++no;
            t.WriteField(1, image, std::span(reinterpret_cast<const std::uint8_t*>(&no), 4));
            t.WriteField(3, image, std::span(reinterpret_cast<const std::uint8_t*>(&no), 4));
            image[s.offset] = r.sIndicator;
            std::memcpy(image.data() + s.offset + 1, r.s, s.storedSize);
            image[w.offset] = r.wIndicator;
            t.AppendRecord(image);
        }
        // The bytes are in the table as written.
        std::vector<std::uint8_t> read(image.size());
        t.GotoFirst();
        ASSERT_EQ(t.NextRecord(read), 0);
        ASSERT_EQ(read[s.offset + 3], ' ');
        t.Close();
    }
    const auto raw = Slots("SELECT No, S, W FROM T", 3);
    const auto valued = Slots("SELECT No, S, W, 0 FROM T", 3);
    ASSERT_EQ(raw.size(), std::size(records));
    EXPECT_EQ(raw, valued);
    EXPECT_EQ(Answer("SELECT S, W FROM T"),
              (std::vector<std::string>{"ab|1", "abcdef|2", "abcde|3", "NULL|NULL", "xy|5",
                                        "NULL|6", "NULL|7", "ab|8"}));
}

// A temporary answer without indexes is written batch by batch while the
// rows come: over many batches every row is there once, in production
// order, as in a result whose rows are gathered whole.
TEST_F(PlainColumnRows, RowsWrittenInBatchesKeepTheirOrder) {
    CreateTable(dir.Table("A"), "No int32, K string 3");
    CreateTable(dir.Table("B"), "K string 3, Name string 12", {"K"});
    {
        TDataFile t;
        t.SetFileName(dir.Table("A"));
        t.SetExclusive(true);
        t.Open();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        for (std::int32_t i = 1; i <= 9000; ++i) {
            t.InitRecord(image);
            t.WriteField(1, image, std::span(reinterpret_cast<const std::uint8_t*>(&i), 4));
            const std::string key = "k" + std::to_string(i % 7);
            t.WriteField(
                2, image,
                std::span(reinterpret_cast<const std::uint8_t*>(key.c_str()), key.size() + 1));
            t.AppendRecord(image);
        }
    }
    for (int k = 0; k < 6; ++k)
        ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO B VALUES ('k" + std::to_string(k) + "', 'n" +
                                         std::to_string(k) + "')"),
                  "ok");
    const char* froms[] = {" FROM A", " FROM A, B WHERE A.K = B.K",
                           " FROM A LEFT OUTER JOIN B ON A.K = B.K"};
    for (const std::string from : froms) {
        SCOPED_TRACE(from);
        const std::string columns = from == " FROM A" ? "SELECT No, K" : "SELECT A.No, B.Name";
        std::vector<std::string> valued = Answer(columns + ", 0" + from);
        for (std::string& row : valued)
            row.erase(row.rfind('|'));
        const std::vector<std::string> raw = Answer(columns + from);
        ASSERT_GT(raw.size(), 7000u);
        EXPECT_EQ(raw, valued);
    }
}

} // namespace
} // namespace tabula

// The answer table of a SELECT over its life: what it is made of, where it
// lives (a temporary table leaves no file behind, INTO MEMORY none on disk,
// INTO a table that stays), and the statement that produced it refusing a
// second Prepare.
#include "DataQuery.h"
#include "FileSession.h"
#include "IndexFileFormat.h"
#include "QueryTestSupport.h"
#include "TableVerifier.h"
#include "UserLocale.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace querytest;

class SelectResult : public ::testing::Test {
protected:
    void SetUp() override {
        StartEngine();
        CreateTable(dir.Table("T"), "No int32, City string 10", {"No"}, {});
        for (int i = 1; i <= 3; ++i)
            ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO T VALUES (" + std::to_string(i) + ", 'C" +
                                             std::to_string(i % 2) + "')"),
                      "ok");
    }
    void TearDown() override { DefaultSession().SetActive(false); }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TScratchDir dir;
};

TEST_F(SelectResult, TemporaryAndMemoryAnswersLeaveNoFilesAndIntoStays) {
    const std::vector<std::string> before = Files();
    for (const char* text : {"SELECT City, COUNT(*) FROM T GROUP BY City",
                             "SELECT DISTINCT City INTO MEMORY Mem FROM T"}) {
        TDataQuery q;
        q.SetDirectory(dir.Path());
        ASSERT_EQ(q.Prepare(text), 0);
        ASSERT_EQ(q.Execute(), 0);
        ASSERT_NE(q.ResultCursor(), nullptr);
        EXPECT_EQ(CursorRows(*q.ResultCursor()).size(), 2u) << text;
        EXPECT_EQ(Files(), before) << text;
    }
    EXPECT_EQ(Files(), before);
    {
        TDataQuery q;
        q.SetDirectory(dir.Path());
        ASSERT_EQ(q.Prepare("SELECT No INTO Kept FROM T WHERE No > 1"), 0);
        ASSERT_EQ(q.Execute(), 0);
    }
    EXPECT_EQ(Rows(dir.Table("Kept")), (std::vector<std::string>{"2", "3"}));
}

TEST_F(SelectResult, AnswerTableCarriesItsIndexesAndNoHiddenCounter) {
    TDataQuery q;
    q.SetDirectory(dir.Path());
    ASSERT_EQ(q.Prepare("SELECT DISTINCT City, AVG(No) AS A FROM T GROUP BY City "
                        "ORDER BY 2 DESC, 1 NOCASE"),
              0);
    ASSERT_EQ(q.Execute(), 0);
    TDataFile& answer = *q.ResultCursor();
    EXPECT_EQ(answer.Header().description, "Query Result Set");
    EXPECT_EQ(answer.Header().LocaleId(), UserDefaultLocaleId());
    EXPECT_EQ(answer.Header().EffectiveBlobBlockSize(), 512u);
    // The counter of AVG is gone from the result's fields.
    ASSERT_EQ(answer.FieldCount(), 2);
    EXPECT_EQ(answer.GetFieldDescriptor(2).name, "A");
    std::vector<std::string> names;
    for (int i = 1; i <= answer.SecondaryIndexCount(); ++i)
        names.push_back(answer.GetIndexDescriptor(i).name);
    EXPECT_EQ(names, (std::vector<std::string>{"OrderBy", "GroupBy", "Distinct"}));
    const TIndexDescriptor order = answer.GetIndexDescriptor(1);
    EXPECT_TRUE(order.caseInsensitive);
    EXPECT_EQ(order.fieldDescending[0], 1);
    EXPECT_EQ(answer.CurrentIndex(), 1);
    // C0 holds 2 (avg 2), C1 holds 1 and 3 (avg 2): equal averages, so the
    // second item, ascending, decides.
    EXPECT_EQ(CursorRows(answer), (std::vector<std::string>{"C0|2", "C1|2"}));
}

TEST_F(SelectResult, CountFastPathReportsProgressOnceAndOtherSelectsPerRecord) {
    std::vector<std::pair<std::int64_t, int>> calls;
    auto run = [&](const char* text) {
        calls.clear();
        TDataQuery q;
        q.SetDirectory(dir.Path());
        q.SetProgressCallback([&](std::int64_t counter, std::uint16_t percent, bool&) {
            calls.emplace_back(counter, percent);
        });
        EXPECT_EQ(q.Prepare(text), 0);
        EXPECT_EQ(q.Execute(), 0);
        return CursorRows(*q.ResultCursor());
    };
    EXPECT_EQ(run("SELECT COUNT(*) FROM T WHERE City = 'C1'"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(calls, (std::vector<std::pair<std::int64_t, int>>{{2, 100}}));
    // COUNT of a column that may be NULL counts values: no fast path.
    EXPECT_EQ(run("SELECT COUNT(City) FROM T"), (std::vector<std::string>{"3"}));
    EXPECT_EQ(calls.size(), 3u);
}

TEST_F(SelectResult, ExecutingAgainRefreshesAndSecondPrepareIsRefused) {
    TDataQuery q;
    q.SetDirectory(dir.Path());
    ASSERT_EQ(q.Prepare("SELECT COUNT(*) FROM T"), 0);
    ASSERT_EQ(q.Execute(), 0);
    EXPECT_EQ(CursorRows(*q.ResultCursor()), (std::vector<std::string>{"3"}));
    ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO T VALUES (4, 'C0')"), "ok");
    ASSERT_EQ(q.Execute(), 0);
    EXPECT_EQ(CursorRows(*q.ResultCursor()), (std::vector<std::string>{"4"}));
    EXPECT_EQ(q.Prepare("SELECT No FROM T"), kErrUnknownOsError);
    // The refused Prepare left the result as it was.
    EXPECT_EQ(CursorRows(*q.ResultCursor()), (std::vector<std::string>{"4"}));
}

// The read locks a SELECT holds on its tables end with its execution (the
// statement and its result still there), and are not held while the
// progress callback runs, so either may write to the tables.
TEST_F(SelectResult, ReadLocksLeaveTheTablesWritable) {
    for (const char* text : {"SELECT No FROM T ORDER BY City WITH LOCKS",
                             "SELECT City, COUNT(*) FROM T GROUP BY City"}) {
        SCOPED_TRACE(text);
        TDataQuery q;
        q.SetDirectory(dir.Path());
        q.SetLockRetryCount(1);
        ASSERT_EQ(q.Prepare(text), 0);
        ASSERT_EQ(q.Execute(), 0);
        EXPECT_EQ(RunSql(dir.Path(), "DELETE FROM T WHERE No = 3"), "ok");
        ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO T VALUES (3, 'C1')"), "ok");
    }
    TDataQuery q;
    q.SetDirectory(dir.Path());
    std::vector<std::string> written;
    // One change per walked record of the original three (a row appended
    // while the walk runs is walked too, and would add the next).
    q.SetProgressCallback([&](std::int64_t counter, std::uint16_t, bool&) {
        if (counter <= 3)
            written.push_back(RunSql(dir.Path(), "UPDATE T SET City = 'C" +
                                                     std::to_string(counter) + "' WHERE No = 1"));
    });
    ASSERT_EQ(q.Prepare("SELECT No FROM T ORDER BY City"), 0);
    ASSERT_EQ(q.Execute(), 0);
    ASSERT_FALSE(written.empty());
    for (const std::string& w : written)
        EXPECT_EQ(w, "ok");
}

} // namespace
} // namespace tabula

namespace tabula {
namespace {

using namespace querytest;

std::vector<std::string> FirstColumn(std::vector<std::string> rows) {
    for (std::string& row : rows)
        row = row.substr(0, row.find('|'));
    return rows;
}

// An answer table ordered by its OrderBy index is written in that index's
// order; the order must be the one the rows get when they are sorted before
// they are written (an ORDER BY item that is no result column), ties in
// production order, with DESC and NOCASE, over more rows than the record
// cache holds; an INTO table on disk keeps the rows in that order and
// stays an ordinary table.
TEST(AnswerOrder, IndexOrderedAnswersMatchSortedOnesAndIntoTablesStayUsable) {
    StartEngine();
    TScratchDir dir;
    CreateTable(dir.Table("Names"), "No int32, Name string 12", {}, {});
    const char* names[] = {"bravo", "Alpha", "delta", "Charlie", "echo", "b", "Foxtrot", "golf"};
    {
        TDataFile t;
        t.SetFileName(dir.Table("Names"));
        t.SetExclusive(true);
        t.Open();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        for (std::int32_t i = 1; i <= 6000; ++i) {
            t.InitRecord(image);
            t.WriteField(1, image, std::span(reinterpret_cast<const std::uint8_t*>(&i), 4));
            const std::string name = names[i % 8];
            if (i % 17 == 0)
                t.WriteNullField(2, image);
            else
                t.WriteField(2, image,
                             std::span(reinterpret_cast<const std::uint8_t*>(name.c_str()),
                                       name.size() + 1));
            t.AppendRecord(image);
        }
    }
    // Sorted before writing, a case-insensitive order is the index's.
    for (const char* order : {"Name NOCASE", "Name DESC NOCASE"}) {
        SCOPED_TRACE(order);
        const std::string tail = std::string(" FROM Names ORDER BY ") + order;
        const std::vector<std::string> sorted = ResultRows(dir.Path(), "SELECT No" + tail);
        EXPECT_EQ(FirstColumn(ResultRows(dir.Path(), "SELECT No, Name" + tail)), sorted);
        ASSERT_EQ(sorted.size(), 6000u);
    }
    // An INTO table keeps the rows in its OrderBy index's order.
    for (const char* order : {"Name DESC", "Name, No DESC NOCASE"}) {
        SCOPED_TRACE(order);
        const std::string tail = std::string(" FROM Names ORDER BY ") + order;
        const std::vector<std::string> ordered = ResultRows(dir.Path(), "SELECT No, Name" + tail);
        ASSERT_EQ(RunSql(dir.Path(), "SELECT No, Name INTO Kept" + tail), "ok");
        EXPECT_EQ(Rows(dir.Table("Kept")), ordered);
    }
    EXPECT_TRUE(TTableVerifier::Verify(dir.Table("Kept")).findings.empty());
    ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO Kept VALUES (7001, 'zulu')"), "ok");
    EXPECT_EQ(ResultRows(dir.Path(), "SELECT Name FROM Kept WHERE No = 7001"),
              std::vector<std::string>{"zulu"});
    DefaultSession().SetActive(false);
}

// Rows sorted before they are written - an ORDER BY item that is no result
// column, or a key too long for an index - come in the OrderBy index's
// order: texts by the answer table's collation (mixed case, accented
// letters, trailing blanks), with NOCASE, per-item DESC, NULLs where the
// index keys them, numbers of either sign, and ties in production order.
TEST(AnswerOrder, RowsSortedBeforeWritingTakeTheIndexOrder) {
    StartEngine();
    TScratchDir dir;
    CreateTable(dir.Table("Mixed"),
                "No int32, Name string 12, Qty int32, Price float, Pad string 250", {}, {});
    // Windows-1252 texts: 0xC4 is a capital A with diaeresis, 0xE9 a small
    // e with acute.
    const char* names[] = {"anna", "Bert",     "\xC4rger", "ANNA",  "bert", nullptr, "Anna ",
                           "zeta", "\xE9mile", "Emile",    "arger", "B",    "b",     "emile"};
    {
        TDataFile t;
        t.SetFileName(dir.Table("Mixed"));
        t.SetExclusive(true);
        t.Open();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        for (std::int32_t i = 1; i <= 70; ++i) {
            t.InitRecord(image);
            const std::int32_t qty = (i * 5) % 7 - 3;
            const double price = i % 4 == 0 ? 0.0 : (i % 3 - 1) * 2.5;
            t.WriteField(1, image, std::span(reinterpret_cast<const std::uint8_t*>(&i), 4));
            if (const char* name = names[(i * 3) % 14])
                t.WriteField(
                    2, image,
                    std::span(reinterpret_cast<const std::uint8_t*>(name), std::strlen(name) + 1));
            if (i % 9 != 0)
                t.WriteField(3, image, std::span(reinterpret_cast<const std::uint8_t*>(&qty), 4));
            t.WriteField(4, image, std::span(reinterpret_cast<const std::uint8_t*>(&price), 8));
            t.AppendRecord(image);
        }
    }
    // Five Pad items (all NULL) after the others make the key longer than an
    // index key may be, without changing the order.
    const std::string pads = ", Pad AS P1, Pad AS P2, Pad AS P3, Pad AS P4, Pad AS P5";
    const std::string padItems = ", 5, 6, 7, 8, 9";
    for (const char* items :
         {"Name", "Name DESC", "Qty DESC, Name", "Price, Name DESC, Qty", "Price DESC, Qty"}) {
        for (const char* noCase : {"", " NOCASE"}) {
            SCOPED_TRACE(std::string(items) + noCase);
            const std::vector<std::string> indexed = FirstColumn(ResultRows(
                dir.Path(),
                std::string("SELECT No, Name, Qty, Price FROM Mixed ORDER BY ") + items + noCase));
            ASSERT_EQ(indexed.size(), 70u);
            EXPECT_EQ(ResultRows(dir.Path(),
                                 std::string("SELECT No FROM Mixed ORDER BY ") + items + noCase),
                      indexed);
            EXPECT_EQ(FirstColumn(ResultRows(dir.Path(), "SELECT No, Name, Qty, Price" + pads +
                                                             " FROM Mixed ORDER BY " + items +
                                                             padItems + noCase)),
                      indexed);
        }
    }
    // A computed empty text is stored as NULL, so the index keys it as one.
    const std::string empty = "SELECT No, SUBSTRING(Name FROM 2 FOR 1) AS S";
    const std::vector<std::string> indexed =
        FirstColumn(ResultRows(dir.Path(), empty + " FROM Mixed ORDER BY 2 DESC, 1"));
    EXPECT_EQ(FirstColumn(ResultRows(dir.Path(), empty + pads +
                                                     " FROM Mixed ORDER BY 2 DESC, 1, 3, "
                                                     "4, 5, 6, 7")),
              indexed);
    DefaultSession().SetActive(false);
}

// A row that fails to convert stops the statement before anything of the
// answer is written: an INTO table is left empty, not half filled.
TEST(AnswerOrder, AFailingRowLeavesTheIntoTableEmpty) {
    StartEngine();
    TScratchDir dir;
    CreateTable(dir.Table("Nums"), "No int32, Text string 8", {}, {});
    for (const char* row : {"(1, '1')", "(2, 'two')", "(3, '3')"})
        ASSERT_EQ(RunSql(dir.Path(), std::string("INSERT INTO Nums VALUES ") + row), "ok");
    EXPECT_NE(
        RunSql(dir.Path(), "SELECT No, CAST(Text AS INTEGER) INTO Bad FROM Nums ORDER BY No DESC"),
        "ok");
    if (std::filesystem::exists(dir.Table("Bad"))) {
        EXPECT_TRUE(Rows(dir.Table("Bad")).empty());
    }
    DefaultSession().SetActive(false);
}

} // namespace
} // namespace tabula

// A query opened on a SELECT, read as a dataset: the fields of the result,
// walking forward and back, record count, locate, and what closing and
// reopening do to the statement and its answer table.
#include "EngineCodes.h"
#include "MemoryDataSet.h"
#include "QueryTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace querytest;
using test::ErrorOf;

class QueryResult : public ::testing::Test {
protected:
    void SetUp() override {
        CreateTable(dir.Table("R"), "No int32, Action string 10, Amount float", {"No"});
        const char* actions[] = {"Add", "Delete", "Add", "Force", "Add"};
        for (int i = 1; i <= 5; ++i)
            ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO R VALUES (" + std::to_string(i) + ", '" +
                                             actions[i - 1] + "', " + std::to_string(i * 1.5) +
                                             ")"),
                      "ok");
    }
    void TearDown() override { DefaultSession().SetActive(false); }

    // The values of one field over the whole result, walking forward.
    static std::vector<std::string> Column(TTabulaQuery& q, const std::string& field) {
        std::vector<std::string> values;
        for (q.First(); !q.Eof(); q.Next())
            values.push_back(q.FieldByName(field).AsString());
        return values;
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TScratchDir dir;
};

TEST_F(QueryResult, CannedResultReadsLikeATable) {
    auto q = MakeQuery(dir.Path(), "SELECT Action, COUNT(*) AS N, SUM(Amount) AS Total FROM R "
                                   "GROUP BY Action ORDER BY Action DESC");
    q->Open();
    ASSERT_TRUE(q->Active());
    EXPECT_EQ(q->GetFieldNames(), (std::vector<std::string>{"Action", "N", "Total"}));
    EXPECT_EQ(q->RecordCount(), 3);
    EXPECT_EQ(Column(*q, "Action"), (std::vector<std::string>{"Force", "Delete", "Add"}));
    EXPECT_EQ(Column(*q, "N"), (std::vector<std::string>{"1", "1", "3"}));
    // Backwards from the end.
    q->Last();
    EXPECT_EQ(q->FieldByName("Total").AsFloat(), 1.5 + 4.5 + 7.5);
    q->Prior();
    EXPECT_EQ(q->FieldByName("Action").AsString(), "Delete");
    q->Prior();
    q->Prior();
    EXPECT_TRUE(q->Bof());
    EXPECT_EQ(q->FieldByName("Action").AsString(), "Force");
    // Locate on a field that leads no index, and one that finds nothing.
    EXPECT_TRUE(q->Locate("N", {TVariant(3)}, 0));
    EXPECT_EQ(q->FieldByName("Action").AsString(), "Add");
    EXPECT_TRUE(q->Locate("Action", {TVariant(std::string("delete"))}, loCaseInsensitive));
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 1);
    EXPECT_FALSE(q->Locate("Action", {TVariant(std::string("Nope"))}, 0));
    // A copy of the rows is no place for edits.
    EXPECT_FALSE(q->CanModify());
    EXPECT_EQ(ErrorOf([&] { q->Edit(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(ErrorOf([&] { q->Append(); }), "Cannot modify a read-only dataset");
}

TEST_F(QueryResult, EmptyResultAndNulls) {
    auto q = MakeQuery(dir.Path(), "SELECT No, MAX(Amount) AS M FROM R WHERE No > 9 GROUP BY No");
    q->Open();
    EXPECT_EQ(q->RecordCount(), 0);
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->IsEmpty());
    q->Close();
    // An aggregate over no rows: one row, COUNT 0, MAX null.
    q->SetSQL({"SELECT COUNT(*) AS C, MAX(Amount) AS M FROM R WHERE No > 9"});
    q->Open();
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->FieldByName("C").AsInteger(), 0);
    EXPECT_TRUE(q->FieldByName("M").IsNull());
}

TEST_F(QueryResult, ClosingFreesTheStatementAndReopeningRunsItAfresh) {
    const std::vector<std::string> before = Files();
    auto q = MakeQuery(dir.Path(), "SELECT No FROM R WHERE Action = 'Add'");
    q->Open();
    EXPECT_EQ(Column(*q, "No"), (std::vector<std::string>{"1", "3", "5"}));
    // The temporary answer table lives in memory, not beside the tables.
    EXPECT_EQ(Files(), before);
    q->Close();
    EXPECT_EQ(q->UsageFlags(), 0);
    EXPECT_FALSE(q->Prepared());
    ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO R VALUES (6, 'Add', 0)"), "ok");
    q->Open();
    EXPECT_EQ(Column(*q, "No"), (std::vector<std::string>{"1", "3", "5", "6"}));
    q->Close();

    // Held prepared, the statement survives the close and runs again.
    q->Prepare();
    q->Open();
    EXPECT_EQ(q->RecordCount(), 4);
    q->Close();
    EXPECT_TRUE(q->Prepared());
    ASSERT_EQ(RunSql(dir.Path(), "DELETE FROM R WHERE No = 6"), "ok");
    q->Open();
    EXPECT_EQ(q->RecordCount(), 3);
    q->Close();
    q->Unprepare();
    EXPECT_EQ(q->UsageFlags(), 0);
    EXPECT_EQ(Files(), before);
}

TEST_F(QueryResult, FreeingTheStatementUnderAnOpenResultClosesItFirst) {
    auto q = MakeQuery(dir.Path(), "SELECT No FROM R");
    q->Prepare();
    q->Open();
    q->Next();
    q->Unprepare();
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(q->UsageFlags(), 0);
    q->SetRequestLive(true);
    q->Open();
    q->SetSQL({"SELECT Action FROM R"}); // disconnects
    EXPECT_FALSE(q->Active());
    q->Open();
    EXPECT_EQ(q->RecordCount(), 5);
    // Destroyed while open: the result closes before its statement goes.
    q.reset();
    EXPECT_EQ(RunSql(dir.Path(), "DELETE FROM R WHERE No = 1"), "ok");
}

TEST_F(QueryResult, IntoTablesStayAndMemoryOnesLeaveNoFile) {
    const std::vector<std::string> before = Files();
    auto q = MakeQuery(dir.Path(), "SELECT No, Action INTO MEMORY Kept FROM R WHERE No < 3");
    q->Open();
    EXPECT_EQ(q->RecordCount(), 2);
    q->Close();
    EXPECT_EQ(Files(), before);
    q->SetSQL({"SELECT No, Action INTO Kept FROM R WHERE No < 3"});
    q->Open();
    EXPECT_EQ(Column(*q, "Action"), (std::vector<std::string>{"Add", "Delete"}));
    q->Close();
    EXPECT_EQ(Rows(dir.Table("Kept")), (std::vector<std::string>{"1|Add", "2|Delete"}));
}

} // namespace
} // namespace tabula

// Live SELECT results (RequestLive): when a result is the source table's
// own cursor and when it is a copy, edits through it reaching the table,
// computed columns calculated per record, WHERE and ORDER BY on the cursor,
// and rows another user appends showing after a refresh.
#include "MemoryDataSet.h"
#include "QueryTestSupport.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace querytest;
using test::ErrorOf;

class LiveResult : public ::testing::Test {
protected:
    void SetUp() override {
        CreateTable(dir.Table("R"), "No int32, Action string 10, Amount int32", {"No"},
                    {{"ByAction", {"Action"}},
                     {"ByActionDown", {"Action", "Amount DESC"}},
                     {"Reversed", {"Amount", "No DESC", "DESC"}}});
        const char* actions[] = {"Delete", "Add", "Force", "Add"};
        for (int i = 1; i <= 4; ++i)
            ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO R VALUES (" + std::to_string(i) + ", '" +
                                             actions[i - 1] + "', " + std::to_string(i * 10) + ")"),
                      "ok");
    }
    void TearDown() override { DefaultSession().SetActive(false); }

    std::unique_ptr<TTabulaQuery> Live(const std::string& sql) {
        auto q = MakeQuery(dir.Path(), sql);
        q->SetRequestLive(true);
        return q;
    }
    static std::vector<std::string> Column(TTabulaQuery& q, const std::string& field) {
        std::vector<std::string> values;
        for (q.First(); !q.Eof(); q.Next())
            values.push_back(q.FieldByName(field).AsString());
        return values;
    }

    TScratchDir dir;
};

TEST_F(LiveResult, WhichStatementsAreLive) {
    struct TCase {
        const char* sql;
        bool live;
    };
    const TCase cases[] = {
        {"SELECT * FROM R", true},
        {"SELECT No, Amount * 2 AS Twice FROM R WHERE Amount > 10", true},
        {"SELECT * FROM R ORDER BY Action", true}, // the index ByAction orders it
        {"SELECT * FROM R ORDER BY No", true},     // the primary index
        {"SELECT * FROM R ORDER BY Amount", false},
        {"SELECT * FROM R ORDER BY Action DESC", false},
        {"SELECT DISTINCT Action FROM R", false},
        {"SELECT Action, COUNT(*) FROM R GROUP BY Action", false},
        {"SELECT COUNT(*) FROM R", false},
        {"SELECT * INTO Copy FROM R", false},
        {"SELECT R.No FROM R, R AS S WHERE R.No = S.No", false},
    };
    for (const TCase& c : cases) {
        auto q = Live(c.sql);
        q->Open();
        EXPECT_EQ(q->CanModify(), c.live) << c.sql;
        q->Close();
    }
    // Without RequestLive nothing is live.
    auto q = MakeQuery(dir.Path(), "SELECT * FROM R");
    q->Open();
    EXPECT_FALSE(q->CanModify());
}

// Each ORDER BY item's direction must match its field's flag in the index;
// the first item does not decide for all.
TEST_F(LiveResult, EachOrderItemsDirectionChoosesTheIndex) {
    auto mixed = Live("SELECT * FROM R ORDER BY Action, Amount DESC");
    mixed->Open();
    EXPECT_TRUE(mixed->CanModify());
    EXPECT_EQ(Column(*mixed, "No"), (std::vector<std::string>{"4", "2", "1", "3"}));
    mixed->Close();
    for (const char* sql : {"SELECT * FROM R ORDER BY Action, Amount",
                            "SELECT * FROM R ORDER BY Action DESC, Amount DESC"}) {
        auto q = Live(sql);
        q->Open();
        EXPECT_FALSE(q->CanModify()) << sql;
    }
    // A descending index turns every field round: Amount runs down, No up.
    auto reversed = Live("SELECT * FROM R ORDER BY Amount DESC, No");
    reversed->Open();
    EXPECT_TRUE(reversed->CanModify());
    EXPECT_EQ(Column(*reversed, "No"), (std::vector<std::string>{"4", "3", "2", "1"}));
    reversed->Close();
    auto canned = Live("SELECT * FROM R ORDER BY Action DESC, Amount DESC");
    canned->Open();
    EXPECT_EQ(Column(*canned, "No"), (std::vector<std::string>{"3", "1", "4", "2"}));
}

TEST_F(LiveResult, FiltersOrderAndComputedColumnsComeFromTheCursor) {
    auto q = Live("SELECT Amount * 2 AS Twice, No FROM R WHERE Action = 'Add' OR No > 3 "
                  "ORDER BY Action");
    q->Open();
    ASSERT_TRUE(q->CanModify());
    EXPECT_EQ(q->GetFieldNames(), (std::vector<std::string>{"Twice", "No"}));
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_EQ(Column(*q, "No"), (std::vector<std::string>{"2", "4"}));
    EXPECT_EQ(Column(*q, "Twice"), (std::vector<std::string>{"40", "80"}));
    // The result's columns are its own: the table's others are not shown.
    EXPECT_EQ(q->FindField("Action"), nullptr);
    EXPECT_TRUE(q->Locate("No", {TVariant(4)}, 0));
    EXPECT_EQ(q->FieldByName("Twice").AsInteger(), 80);
}

TEST_F(LiveResult, EditsAppendsAndDeletesReachTheTable) {
    auto q = Live("SELECT No, Amount, Amount + 1 AS Next FROM R WHERE Amount >= 20");
    q->Open();
    ASSERT_EQ(q->RecordCount(), 3);
    ASSERT_TRUE(q->Locate("No", {TVariant(3)}, 0));
    q->Edit();
    q->FieldByName("Amount").SetAsInteger(35);
    // The computed column follows the edited value at once.
    EXPECT_EQ(q->FieldByName("Next").AsInteger(), 36);
    q->Post();
    q->Append();
    q->FieldByName("No").SetAsInteger(9);
    q->FieldByName("Amount").SetAsInteger(90);
    q->Post();
    ASSERT_TRUE(q->Locate("No", {TVariant(2)}, 0));
    q->Delete();
    // A computed column cannot be written.
    q->Edit();
    EXPECT_NE(ErrorOf([&] { q->FieldByName("Next").SetAsInteger(1); }), "(no error)");
    q->Cancel();
    q->Close();
    EXPECT_EQ(Rows(dir.Table("R")),
              (std::vector<std::string>{"1|Delete|10", "3|Force|35", "4|Add|40", "9|NULL|90"}));
}

TEST_F(LiveResult, RowsAnotherUserAppendsShowAfterARefresh) {
    auto q = Live("SELECT No FROM R WHERE Action = 'Add'");
    q->Open();
    EXPECT_EQ(Column(*q, "No"), (std::vector<std::string>{"2", "4"}));
    // Another user of the shared table: its own files and locks.
    ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO R VALUES (7, 'Add', 70)"), "ok");
    ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO R VALUES (8, 'Force', 80)"), "ok");
    q->Refresh();
    EXPECT_EQ(Column(*q, "No"), (std::vector<std::string>{"2", "4", "7"}));
    EXPECT_EQ(q->RecordCount(), 3);
}

} // namespace
} // namespace tabula

// The query component around its statement: preparing and unpreparing,
// failures that leave the query unprepared, what DELETE does to the data
// file, progress and abort, the SQL change handling of Params, the
// parameter data source, and opening a query as a dataset.
#include "DataSource.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "MemoryDataSet.h"
#include "QueryTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace querytest;
using test::ErrorOf;
using test::TMemoryDataSet;

class Query : public ::testing::Test {
protected:
    void SetUp() override {
        CreateTable(dir.Table("R"), "No int32, Action string 10", {"No"});
        for (int i = 1; i <= 5; ++i)
            ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO R VALUES (" + std::to_string(i) + ", 'Add')"),
                      "ok");
    }
    void TearDown() override { DefaultSession().SetActive(false); }
    TScratchDir dir;
};

TEST_F(Query, MissingTableRaisesTheOpenErrorAndLeavesTheQueryUnprepared) {
    auto query = MakeQuery(dir.Path(), "DELETE FROM Nowhere");
    int code = 0;
    std::string message;
    try {
        query->Execute();
    } catch (const ETabulaEngineError& e) {
        code = e.Code();
        message = e.what();
    }
    EXPECT_NE(code, 0);
    EXPECT_NE(message.find(dir.Table("Nowhere")), std::string::npos) << message;
    EXPECT_FALSE(query->Prepared());
    EXPECT_EQ(query->UsageFlags(), 0);
    // The same failure through an explicit Prepare.
    EXPECT_THROW(query->Prepare(), ETabulaEngineError);
    EXPECT_FALSE(query->Prepared());
    EXPECT_EQ(query->UsageFlags(), 0);
}

TEST_F(Query, DeleteKeepsTheDataFileLengthAndLaterAppendsWork) {
    const auto size = std::filesystem::file_size(dir.Table("R") + ".DAT");
    ASSERT_EQ(RunSql(dir.Path(), "Delete From R"), "ok");
    EXPECT_EQ(std::filesystem::file_size(dir.Table("R") + ".DAT"), size);
    EXPECT_TRUE(Rows(dir.Table("R")).empty());
    ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO R VALUES (9, 'Add')"), "ok");
    EXPECT_EQ(Rows(dir.Table("R")), (std::vector<std::string>{"9|Add"}));
}

TEST_F(Query, ProgressCountsRecordsAndAbortStopsBeforeTheNextRow) {
    auto query = MakeQuery(dir.Path(), "DELETE FROM R");
    std::vector<int> counters;
    query->OnQueryProgress = [&](TTabulaQuery& sender, int current, std::uint16_t percent,
                                 bool& abort) {
        EXPECT_EQ(&sender, query.get());
        EXPECT_LE(percent, 100u * 5);
        counters.push_back(current);
        abort = current == 3;
    };
    query->Execute();
    ASSERT_FALSE(counters.empty());
    EXPECT_EQ(counters.back(), 3);
    // Rows deleted before the abort stay deleted, the rest are kept.
    const auto rows = Rows(dir.Table("R"));
    EXPECT_FALSE(rows.empty());
    EXPECT_LT(rows.size(), 5u);
}

TEST_F(Query, ExplicitPrepareKeepsTheStatementAcrossExecutes) {
    auto query = MakeQuery(dir.Path(), "DELETE FROM R WHERE No = :No");
    query->Prepare();
    ASSERT_TRUE(query->Prepared());
    TDataQuery* statement = query->Statement();
    query->SetLockRetryCount(7);
    query->SetLockWaitTime(3);
    EXPECT_EQ(statement->LockRetryCount(), 7);
    EXPECT_EQ(statement->LockWaitTime(), 3);
    query->ParamByName("no").SetAsInteger(2);
    query->Execute();
    EXPECT_EQ(query->Statement(), statement);
    query->ParamByName("No").SetAsInteger(4);
    query->Execute();
    EXPECT_EQ(Rows(dir.Table("R")), (std::vector<std::string>{"1|Add", "3|Add", "5|Add"}));
    query->Unprepare();
    EXPECT_FALSE(query->Prepared());
    EXPECT_EQ(query->UsageFlags(), 0);
}

TEST_F(Query, IndexedConditionsGoToTheTableAndTheRestIsTestedPerRecord) {
    CreateTable(dir.Table("A"), "No int32, Action string 10", {"No"}, {{"ByAction", {"Action"}}});
    for (int i = 1; i <= 6; ++i)
        ASSERT_EQ(RunSql(dir.Path(), "INSERT INTO A VALUES (" + std::to_string(i) + ", '" +
                                         (i % 2 ? "Add" : "Delete") + "')"),
                  "ok");
    struct TCase {
        std::string where;
        int handed;
        bool residual;
        std::vector<std::string> left;
    };
    const TCase cases[] = {
        {"Action = 'Delete'", 1, false, {"1|Add", "3|Add", "5|Add"}},
        {"No * 2 = 6", 0, true, {"1|Add", "5|Add"}},
        // Partly answered from an index: handed over whole.
        {"No = 5 AND UPPER(Action) || 'x' = 'ADDx'", 1, false, {"1|Add"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.where);
        auto query = MakeQuery(dir.Path(), "DELETE FROM A WHERE " + c.where);
        query->Prepare();
        query->Execute();
        EXPECT_EQ(query->Statement()->HandedFilterCount(), c.handed);
        EXPECT_EQ(query->Statement()->HasResidualCondition(), c.residual);
        query->Unprepare();
        EXPECT_EQ(Rows(dir.Table("A")), c.left);
    }
}

TEST_F(Query, SqlChangesRebuildParamsKeepingValuesOfTheSameNames) {
    TTabulaQuery query;
    query.SetSQL({"DELETE FROM R WHERE No = :A OR No = :B"});
    ASSERT_EQ(query.Params().Count(), 2);
    query.ParamByName("A").SetAsInteger(1);
    query.ParamByName("B").SetAsInteger(2);
    query.ClearSQL();
    EXPECT_EQ(query.Params().Count(), 0);
    query.AddSQL("DELETE FROM R");
    query.AddSQL("WHERE No = :B OR No = :C");
    EXPECT_EQ(query.Text(), "DELETE FROM R\nWHERE No = ? OR No = ?");
    // Values are lost with the parameters that went away; put them back.
    query.ParamByName("B").SetAsInteger(2);
    query.SetSQL({"DELETE FROM R WHERE No = :B"});
    ASSERT_EQ(query.Params().Count(), 1);
    EXPECT_EQ(query.Params()[0].AsInteger(), 2);
    EXPECT_EQ(ErrorOf([&] { query.ParamByName("A"); }), "Parameter 'A' not found");

    query.SetParamCheck(false);
    query.SetSQL({"DELETE FROM R WHERE No = :X"});
    EXPECT_EQ(query.Params().Count(), 1);
    EXPECT_EQ(query.Params()[0].Name(), "B");
    EXPECT_EQ(query.Text(), "DELETE FROM R WHERE No = ?");
}

TEST_F(Query, ChangingTheTextUnpreparesAndTheSameTextDoesNot) {
    auto query = MakeQuery(dir.Path(), "DELETE FROM R");
    query->Prepare();
    query->SetSQL({"DELETE FROM R"});
    EXPECT_TRUE(query->Prepared());
    query->SetSQL({"DELETE FROM R WHERE No = 1"});
    EXPECT_FALSE(query->Prepared());
    query->Unprepare();
}

TEST_F(Query, EmptyStatementsAreRefused) {
    auto query = MakeQuery(dir.Path());
    EXPECT_EQ(ErrorOf([&] { query->Execute(); }), "No SQL statement available");
    query->SetSQL({" "});
    EXPECT_EQ(ErrorOf([&] { query->Execute(); }), "No SQL statement available");
    EXPECT_EQ(query->UsageFlags(), 0);
}

TEST_F(Query, OpeningAStatementWithoutResultFailsCleanly) {
    auto query = MakeQuery(dir.Path(), "DELETE FROM R WHERE No = 5");
    // The statement runs, but yields no cursor to present: opening fails
    // and leaves nothing held.
    EXPECT_EQ(ErrorOf([&] { query->Open(); }), "Error creating table handle.");
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->UsageFlags(), 0);
    EXPECT_FALSE(query->Prepared());
    EXPECT_EQ(Rows(dir.Table("R")).size(), 4u);
}

TEST_F(Query, DataSourceSuppliesUnboundParametersAndMayNotLeadBack) {
    TMemoryDataSet master;
    TFieldDef def;
    def.Name = "No";
    def.DataType = TFieldType::ftInteger;
    master.Defs = {def};
    master.Open();
    master.Append();
    master.FieldByName("No").SetAsInteger(4);
    master.Post();
    TDataSource source;
    source.SetDataSet(&master);

    auto query = MakeQuery(dir.Path(), "DELETE FROM R WHERE No = :No");
    query->SetDataSource(&source);
    query->Execute();
    EXPECT_EQ(Rows(dir.Table("R")).size(), 4u);
    EXPECT_FALSE(query->Params()[0].Bound());

    TDataSource own;
    own.SetDataSet(query.get());
    EXPECT_EQ(ErrorOf([&] { query->SetDataSource(&own); }), "Circular datalinks are not allowed");

    auto other = MakeQuery(dir.Path(), "DELETE FROM R WHERE No = :Missing");
    other->SetDataSource(&source);
    EXPECT_EQ(ErrorOf([&] { other->Execute(); }), "Field 'Missing' not found");
    query->SetDataSource(nullptr);
    other->SetDataSource(nullptr);
}

} // namespace
} // namespace tabula

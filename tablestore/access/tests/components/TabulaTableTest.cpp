// The table component: opening and its failures, table paths, property
// rules, lock settings, posting failures, record locks between components,
// the locked-table message through the whole stack, searching with and
// without an index, filters, keys and ranges, master-detail, bookmarks,
// definitions of a closed table, passwords and BLOB fields.
#include "DataSource.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "FileSession.h"
#include "MemoryDataSet.h"
#include "StoreTestSupport.h"
#include "TableTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace tabula {
namespace {

using test::ErrorOf;

class TableComponent : public test::TableTest {};

using storetest::CodeOf;

TEST_F(TableComponent, OpeningFailuresLeaveItClosedAndReleased) {
    auto table = Table();
    table->SetTableName("");
    EXPECT_EQ(ErrorOf([&] { table->Open(); }), "Missing table name.");
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(table->UsageFlags(), 0);

    table->SetTableName("Missing");
    EXPECT_NE(CodeOf([&] { table->Open(); }), 0);
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(table->Database(), nullptr);
    EXPECT_EQ(database_->RefCount(), 0);

    CreateTable();
    table->SetTableName("ReportTableDetail");
    table->SetIndexFieldNames("AccountName");
    EXPECT_EQ(ErrorOf([&] { table->Open(); }), "No index for fields 'AccountName'");
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(table->UsageFlags(), 0);
}

TEST_F(TableComponent, PropertyRulesVersionAndLockSettings) {
    CreateTable();
    auto table = Table();
    table->SetEngineVersion("2.0");
    EXPECT_EQ(table->EngineVersion(), "1.19");
    TTabulaTable fresh;
    EXPECT_EQ(fresh.LockRetryCount(), 15);
    EXPECT_EQ(fresh.LockWaitTime(), 100);

    table->Open();
    const std::string open = "Cannot perform this operation on an open dataset";
    EXPECT_EQ(ErrorOf([&] { table->SetExclusive(true); }), open);
    EXPECT_EQ(ErrorOf([&] { table->SetReadOnly(true); }), open);
    EXPECT_EQ(ErrorOf([&] { table->SetTableName("Other"); }), open);
    EXPECT_EQ(ErrorOf([&] { table->SetInMemory(true); }), open);
    EXPECT_FALSE(table->Exclusive());

    // Lock settings reach the open data file at once.
    table->SetLockWaitTime(7);
    table->SetLockRetryCount(3);
    EXPECT_EQ(table->Cursor()->LockWaitTime(), 7);
    EXPECT_EQ(table->Cursor()->LockRetryCount(), 3);
}

TEST_F(TableComponent, DirectoryFormsAndTableNamesReachTheSameFiles) {
    CreateTable();
    auto writer = Table("ReportTableDetail");
    writer->Open();
    AddRow(*writer, 1, "A");
    writer->Close();

    for (const std::string& directory : {dir_ + "/", "  " + dir_ + "  ", dir_}) {
        database_->Close();
        database_->SetDirectory(directory);
        auto table = Table("ReportTableDetail.DAT");
        table->Open();
        EXPECT_EQ(table->RecordCount(), 1) << "'" << directory << "'";
    }

    // An empty directory is the current one.
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    database_->Close();
    database_->SetDirectory("");
    auto table = Table();
    EXPECT_NO_THROW(table->Open());
    EXPECT_EQ(table->Active() ? table->RecordCount() : -1, 1);
    table->Close();
    ASSERT_EQ(chdir(previous), 0);
}

TEST_F(TableComponent, TwoDatabasesNamedDBTheFirstServes) {
    CreateTable();
    // A second window's database of the same name, loaded from its definition.
    TTabulaDatabase second;
    second.BeginLoading();
    second.SetDatabaseName("DB");
    second.SetDirectory("/nonexistent");
    second.EndLoading();
    auto table = Table();
    table->Open();
    EXPECT_EQ(table->Database(), database_.get());
}

TEST_F(TableComponent, FailedPostKeepsTheRecordAndCancelDropsIt) {
    CreateTable();
    auto table = Table();
    table->Open();
    EXPECT_EQ(ErrorOf([&] { table->FieldByName("No").SetAsString("1"); }),
              "Dataset not in edit or insert mode");
    AddRow(*table, 1, "A");

    table->Append();
    table->FieldByName("No").SetAsString("1");
    table->FieldByName("AccountNumber").SetAsString("DUP");
    EXPECT_EQ(CodeOf([&] { table->Post(); }), kErrDuplicateKey);
    EXPECT_EQ(table->State(), TDataSetState::dsInsert);
    EXPECT_EQ(table->FieldByName("AccountNumber").AsString(), "DUP");
    EXPECT_EQ(table->RecordCount(), 1);
    table->FieldByName("No").SetAsString("2");
    table->Post();
    EXPECT_EQ(Walk(*table), (std::vector<int>{1, 2}));

    table->Append();
    table->FieldByName("No").SetAsString("2");
    EXPECT_EQ(CodeOf([&] { table->Post(); }), kErrDuplicateKey);
    table->Cancel();
    EXPECT_EQ(table->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Walk(*table), (std::vector<int>{1, 2}));
}

TEST_F(TableComponent, EditDeleteAndRecordLocksBetweenComponents) {
    CreateTable();
    auto a = Table();
    auto b = Table();
    a->Open();
    AddRow(*a, 1, "A");
    AddRow(*a, 2, "B");
    b->Open();

    a->First();
    a->Edit();
    a->FieldByName("AccountName").SetAsString("Changed");
    b->First();
    EXPECT_EQ(CodeOf([&] { b->Edit(); }), kErrRecordLocked);
    EXPECT_EQ(b->State(), TDataSetState::dsBrowse);
    a->Post();
    b->Refresh();
    EXPECT_EQ(b->FieldByName("AccountName").AsString(), "Changed");
    b->Edit();
    b->Cancel();

    a->First();
    a->Delete();
    EXPECT_EQ(a->RecordCount(), 1);
    EXPECT_EQ(a->FieldByName("No").AsInteger(), 2);
}

TEST_F(TableComponent, LockedTableMessageThroughTheWholeStack) {
    CreateTable();
    auto table = Table();
    table->Open();
    TDataFile holder;
    holder.SetFileName(Path("ReportTableDetail"));
    holder.Open();
    holder.LockTable();

    table->Append();
    table->FieldByName("No").SetAsString("1");
    // An append must lock its new record, which the other user's table
    // lock forbids.
    try {
        table->Post();
        ADD_FAILURE() << "post under another user's table lock succeeded";
    } catch (const ETabulaEngineError& e) {
        TErrorContext context;
        context.FileName = holder.FileName();
        EXPECT_EQ(e.Code(), kErrRecordLocked);
        EXPECT_EQ(std::string(e.what()), "Tabula Engine Error # " +
                                             std::to_string(kErrRecordLocked) + " " +
                                             EngineErrorMessage(kErrRecordLocked, context));
        EXPECT_EQ(std::string(e.what()), "Tabula Engine Error # 10258 Record in data file " +
                                             Path("ReportTableDetail.DAT") +
                                             " is in use by another user");
    }
    // The table lock itself, taken through the table's cursor.
    try {
        table->Cursor()->LockTable();
        ADD_FAILURE() << "a second table lock succeeded";
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(std::string(e.what()), "Tabula Engine Error # 10241 The data file " +
                                             Path("ReportTableDetail.DAT") +
                                             " is already locked by another user");
    }
    EXPECT_EQ(table->State(), TDataSetState::dsInsert);
    holder.UnlockTable();
    table->Post();
    EXPECT_EQ(table->RecordCount(), 1);
    holder.Close();
}

TEST_F(TableComponent, LocateAndLookupWithAndWithoutAnIndex) {
    CreateTable(test::AccountIndexed());
    auto table = Table();
    table->Open();
    AddRow(*table, 1, "ZED", "Zoe");
    AddRow(*table, 2, "abc", "Anna");
    AddRow(*table, 3, "MID", "Max");

    // The current (primary) index.
    EXPECT_TRUE(table->Locate("No", {TVariant(std::int64_t{3})}, 0));
    EXPECT_EQ(table->FieldByName("AccountName").AsString(), "Max");
    // A secondary index on AccountNumber answers through a second cursor.
    EXPECT_TRUE(table->Locate("AccountNumber", {TVariant(std::string("abc"))}, 0));
    EXPECT_EQ(table->FieldByName("No").AsInteger(), 2);
    EXPECT_TRUE(table->Locate("AccountNumber", {TVariant(std::string("MI"))}, loPartialKey));
    EXPECT_EQ(table->FieldByName("No").AsInteger(), 3);
    EXPECT_FALSE(table->Locate("AccountNumber", {TVariant(std::string("NONE"))}, 0));
    // No index starts with AccountName: a scan finds it, case-insensitively too.
    EXPECT_TRUE(table->Locate("AccountName", {TVariant(std::string("zoe"))}, loCaseInsensitive));
    EXPECT_EQ(table->FieldByName("No").AsInteger(), 1);
    EXPECT_FALSE(table->Filtered());
    // Nothing is left filtering the table.
    EXPECT_EQ(Walk(*table), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(table->RecordCount(), 3);

    table->First();
    const std::vector<TVariant> found =
        table->Lookup("AccountNumber", {TVariant(std::string("MID"))}, "AccountName;No");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(std::get<std::string>(found[0]), "Max");
    EXPECT_EQ(table->FieldByName("No").AsInteger(), 1); // not moved
    EXPECT_TRUE(table->Lookup("AccountName", {TVariant(std::string("Nobody"))}, "No").empty());
    table->Next();
    EXPECT_EQ(table->FieldByName("No").AsInteger(), 2);
}

TEST_F(TableComponent, OnFilterRecordFindsAndFilters) {
    CreateTable();
    auto table = Table();
    table->Open();
    for (int no = 1; no <= 5; ++no)
        AddRow(*table, no, "A");
    table->SetOnFilterRecord(
        [](TDataSet& ds, bool& accept) { accept = ds.FieldByName("No").AsInteger() % 2 == 1; });
    EXPECT_EQ(Walk(*table), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(table->FindLast());
    EXPECT_EQ(table->FieldByName("No").AsInteger(), 5);
    EXPECT_TRUE(table->FindPrior());
    EXPECT_EQ(table->FieldByName("No").AsInteger(), 3);
    table->SetFiltered(true);
    EXPECT_EQ(Walk(*table), (std::vector<int>{1, 3, 5}));
    table->SetFiltered(false);
    EXPECT_EQ(Walk(*table), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(TableComponent, KeysRangesIndexesAndBookmarks) {
    CreateTable(test::AccountIndexed());
    auto table = Table();
    table->Open();
    AddRow(*table, 1, "C");
    AddRow(*table, 2, "A");
    AddRow(*table, 3, "B");
    AddRow(*table, 4, "A");

    EXPECT_TRUE(table->FindKey({TVariant(std::int64_t{3})}));
    EXPECT_EQ(table->FieldByName("AccountNumber").AsString(), "B");
    EXPECT_FALSE(table->FindKey({TVariant(std::int64_t{9})}));
    table->SetKey();
    EXPECT_EQ(ErrorOf([&] { table->FieldByName("AccountName").SetAsString("x"); }),
              "Field 'AccountName' is not indexed and cannot be modified");
    table->FieldByName("No").SetAsString("2");
    EXPECT_TRUE(table->GotoKey());
    EXPECT_EQ(table->FieldByName("AccountNumber").AsString(), "A");

    table->SetRange({TVariant(std::int64_t{2})}, {TVariant(std::int64_t{3})});
    EXPECT_EQ(Walk(*table), (std::vector<int>{2, 3}));
    EXPECT_EQ(table->RecordCount(), 2);
    table->CancelRange();
    EXPECT_EQ(table->RecordCount(), 4);

    table->SetIndexFieldNames("AccountNumber");
    EXPECT_EQ(table->IndexName(), "");
    EXPECT_EQ(Walk(*table), (std::vector<int>{2, 4, 3, 1}));
    table->SetIndexName("");
    EXPECT_EQ(Walk(*table), (std::vector<int>{1, 2, 3, 4}));

    table->First();
    table->Next();
    const TBookmark second = table->GetBookmark();
    table->Last();
    const TBookmark last = table->GetBookmark();
    EXPECT_EQ(table->CompareBookmarks(second, last), -1);
    EXPECT_EQ(table->CompareBookmarks(second, {}), -1);
    EXPECT_EQ(table->CompareBookmarks({}, second), 1);
    table->GotoBookmark(second);
    EXPECT_EQ(table->FieldByName("No").AsInteger(), 2);
    EXPECT_TRUE(table->BookmarkValid(second));
    table->Delete();
    EXPECT_FALSE(table->BookmarkValid(second));
}

TEST_F(TableComponent, MasterDetailFollowsTheMastersRecord) {
    CreateTable(test::AccountIndexed());
    CreateTable({}, "Master");
    auto master = Table("Master");
    master->Open();
    AddRow(*master, 1, "A");
    AddRow(*master, 2, "B");
    auto detail = Table();
    detail->Open();
    AddRow(*detail, 1, "A");
    AddRow(*detail, 2, "B");
    AddRow(*detail, 3, "A");
    detail->Close();

    TDataSource source;
    source.SetDataSet(master.get());
    detail->SetIndexName("ByAccount");
    detail->SetMasterSource(&source);
    detail->SetMasterFields("AccountNumber");
    detail->Open();
    master->First();
    EXPECT_EQ(Walk(*detail), (std::vector<int>{1, 3}));
    master->Next();
    EXPECT_EQ(Walk(*detail), (std::vector<int>{2}));
    EXPECT_EQ(ErrorOf([&] {
                  TDataSource own;
                  own.SetDataSet(detail.get());
                  detail->SetMasterSource(&own);
              }),
              "Circular datalinks are not allowed");
    detail->SetMasterSource(nullptr);
    EXPECT_EQ(detail->RecordCount(), 3);
}

TEST_F(TableComponent, DefinitionsOfAClosedTable) {
    CreateTable(test::AccountIndexed());
    auto table = Table();
    table->UpdateFieldDefs();
    ASSERT_EQ(table->FieldDefs().Count(), 6);
    EXPECT_EQ(table->FieldDefs()[0].Name, "No");
    EXPECT_EQ(table->FieldDefs()[0].DataType, TFieldType::ftInteger);
    EXPECT_EQ(table->FieldDefs()[3].Size, 70);
    const TIndexDef* byAccount = table->IndexDefs().FindByFields("accountnumber");
    ASSERT_NE(byAccount, nullptr);
    EXPECT_EQ(byAccount->Name, "ByAccount");
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(table->UsageFlags(), 0);
    // Read shared: an exclusive user elsewhere is not disturbed by reading,
    // and reading does not lock anybody out.
    auto other = Table();
    other->SetExclusive(true);
    other->Open();
}

TEST_F(TableComponent, ProtectedTableAsksOnPassword) {
    TTabulaSession& session = DefaultSession();
    session.SetActive(true); // creating a protected table needs the engine
    CreateTable(test::Protected("secret"));
    session.ClearTablePasswords();
    auto table = Table();
    EXPECT_EQ(CodeOf([&] { table->Open(); }), kErrPasswordRequired);
    EXPECT_FALSE(table->Active());

    int asked = 0;
    session.OnPassword = [&](TTabulaSession& s, bool& proceed) {
        ++asked;
        s.AddTablePassword("secret");
        proceed = true;
    };
    table->Open();
    EXPECT_EQ(asked, 1);
    table->Close();
    session.ClearTablePasswords();

    session.OnPassword = [&](TTabulaSession&, bool& proceed) { proceed = false; };
    EXPECT_EQ(CodeOf([&] { table->Open(); }), kErrPasswordRequired);
    EXPECT_FALSE(table->Active());
    session.OnPassword = nullptr;
}

TEST_F(TableComponent, MemoFieldThroughBlobStreams) {
    CreateTable(test::WithMemo());
    auto table = Table();
    table->Open();
    table->Append();
    table->FieldByName("No").SetAsString("1");
    table->FieldByName("Note").SetAsString("a note of some length");
    table->Post();
    AddRow(*table, 2, "B");
    table->Close();
    table->Open();
    table->First();
    EXPECT_EQ(table->FieldByName("Note").AsString(), "a note of some length");
    table->Next();
    EXPECT_EQ(table->FieldByName("Note").AsString(), "");
    // Writing needs edit or insert state.
    EXPECT_EQ(ErrorOf([&] { table->FieldByName("Note").SetAsString("x"); }),
              "Dataset not in edit or insert mode");
    table->First();
    table->Edit();
    table->FieldByName("Note").SetAsString("shorter");
    table->Post();
    table->First();
    EXPECT_EQ(table->FieldByName("Note").AsString(), "shorter");
}

} // namespace
} // namespace tabula

// The application's road through the table component: a database "DB" on a
// directory, the report table opened shared, rows appended with every field
// assigned by name as text, the record count, the refill (close, exclusive,
// EmptyTable, reopen) and the report link's walk with Next and Eof.
#include "MemoryDataSet.h"
#include "TableTestSupport.h"

#include <gtest/gtest.h>

namespace tabula {
namespace {

using test::ErrorOf;

class AppRoad : public test::TableTest {};

TEST_F(AppRoad, FillCountRefillAndWalk) {
    CreateTable();
    auto table = Table();
    table->SetLockRetryCount(15);
    table->SetLockWaitTime(100);
    table->Open();
    EXPECT_FALSE(table->Exclusive());
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(table->Database(), database_.get());

    // Rows arrive out of order; the primary index on No orders them.
    for (int no : {2, 1, 3})
        AddRow(*table, no, "ACC" + std::to_string(no), "Name " + std::to_string(no));
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_EQ(Walk(*table), (std::vector<int>{1, 2, 3}));

    table->First();
    EXPECT_EQ(table->FieldByName("Product").AsString(), "001");
    EXPECT_EQ(table->FieldByName("AccountNumber").AsString(), "ACC1");
    EXPECT_EQ(table->FieldByName("AccountName").AsString(), "Name 1");
    EXPECT_EQ(table->FieldByName("Ref1").AsString(), "REF1");
    EXPECT_EQ(table->FieldByName("Action").AsString(), "Add");

    // The refill: close, exclusive, empty, shared again, reopen.
    table->Close();
    table->SetExclusive(true);
    table->EmptyTable();
    table->SetExclusive(false);
    table->Open();
    EXPECT_EQ(table->RecordCount(), 0);
    AddRow(*table, 1, "NEW", "Only", "Special Add");
    table->Close();

    // A second component reads what the first wrote (the report's road).
    auto reader = Table("ReportTableDetail");
    reader->Open();
    EXPECT_EQ(reader->RecordCount(), 1);
    EXPECT_EQ(Walk(*reader), (std::vector<int>{1}));
    reader->First();
    EXPECT_EQ(reader->FieldByName("Action").AsString(), "Special Add");
    reader->Next();
    EXPECT_TRUE(reader->Eof());
    // One row: before it there is nothing, and the row stays current.
    reader->Prior();
    EXPECT_TRUE(reader->Bof());
    EXPECT_EQ(reader->FieldByName("No").AsInteger(), 1);
}

TEST_F(AppRoad, EmptyTableOpenAndClosed) {
    CreateTable();
    auto table = Table();
    table->Open();
    AddRow(*table, 1, "A");
    AddRow(*table, 2, "B");
    // Emptying an open table needs an exclusive open.
    try {
        table->EmptyTable();
        ADD_FAILURE() << "EmptyTable on a shared open table succeeded";
    } catch (const ETabulaEngineError& e) {
        EXPECT_EQ(e.Code(), kErrMustBeExclusive);
    }
    EXPECT_EQ(table->RecordCount(), 2);

    // Closed, it is opened exclusively however Exclusive is set; while
    // another handle has it open, that fails and nothing changes.
    table->Close();
    auto other = Table();
    other->Open();
    EXPECT_FALSE(table->Exclusive());
    EXPECT_NE(ErrorOf([&] { table->EmptyTable(); }), "(no error)");
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(table->UsageFlags(), 0);
    EXPECT_EQ(other->RecordCount(), 2);
    other->Close();

    table->EmptyTable();
    table->Open();
    EXPECT_EQ(table->RecordCount(), 0);
    table->Close();

    // Open exclusively, it empties in place.
    table->SetExclusive(true);
    table->Open();
    AddRow(*table, 5, "E");
    table->EmptyTable();
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_TRUE(table->Eof());
}

} // namespace
} // namespace tabula

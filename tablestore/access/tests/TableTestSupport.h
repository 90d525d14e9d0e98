// Helpers of the table component tests: a scratch directory with a table
// shaped like the application's report table (No int32 keyed, Product,
// AccountNumber, AccountName, Ref1, Action strings), optionally with a
// secondary index on AccountNumber, a BLOB field and a password.
#pragma once

#include "DataFile.h"
#include "DataFileFormat.h"
#include "StoreTestSupport.h"
#include "TabulaDatabase.h"
#include "TabulaSession.h"
#include "TabulaSessionList.h"
#include "TabulaTable.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace tabula::test {

struct TReportShape {
    bool accountIndex = false; // secondary index "ByAccount" on AccountNumber
    bool memo = false;         // a BLOB (memo) field "Note"
    std::string password;      // non-empty: a protected table
};

inline TReportShape AccountIndexed() {
    TReportShape shape;
    shape.accountIndex = true;
    return shape;
}
inline TReportShape WithMemo() {
    TReportShape shape;
    shape.memo = true;
    return shape;
}
inline TReportShape Protected(const std::string& password) {
    TReportShape shape;
    shape.password = password;
    return shape;
}

inline void CreateReportLikeTable(const std::string& path, const TReportShape& shape = {}) {
    TTableDefinition def;
    def.fields = {TFieldDescriptor::Make(1, "No", datafmt::kFtInt32),
                  TFieldDescriptor::Make(2, "Product", datafmt::kFtString, 3),
                  TFieldDescriptor::Make(3, "AccountNumber", datafmt::kFtString, 25),
                  TFieldDescriptor::Make(4, "AccountName", datafmt::kFtString, 70),
                  TFieldDescriptor::Make(5, "Ref1", datafmt::kFtString, 20),
                  TFieldDescriptor::Make(6, "Action", datafmt::kFtString, 11)};
    if (shape.memo) {
        TFieldDescriptor note = TFieldDescriptor::Make(7, "Note", datafmt::kFtBlob);
        note.subtype = 22; // memo
        def.fields.push_back(note);
    }
    def.isProtected = !shape.password.empty();
    def.password = shape.password;
    TIndexDescriptor primary;
    primary.fieldCount = 1;
    primary.fieldNumbers[0] = 1;
    primary.unique = true;
    std::vector<TIndexDescriptor> secondaries;
    if (shape.accountIndex) {
        TIndexDescriptor byAccount;
        byAccount.name = "ByAccount";
        byAccount.fieldCount = 1;
        byAccount.fieldNumbers[0] = 3;
        secondaries.push_back(byAccount);
    }
    TDataFile file;
    file.SetFileName(path);
    file.SetExclusive(true);
    file.CreateTable(def, primary, secondaries);
}

// A scratch directory, a database "DB" on it in the default session, and
// a table component bound to it.
class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<storetest::TScratchDir>("tabula-table");
        dir_ = scratch_->Path();
        database_ = std::make_unique<TTabulaDatabase>();
        database_->SetDatabaseName("DB");
        database_->SetDirectory(dir_);
    }
    void TearDown() override {
        database_.reset();
        DefaultSession().SetActive(false);
        scratch_.reset();
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void CreateTable(const TReportShape& shape = {},
                     const std::string& name = "ReportTableDetail") {
        CreateReportLikeTable(Path(name), shape);
    }
    // A table component on "DB" naming the table, with quick lock retries.
    std::unique_ptr<TTabulaTable> Table(const std::string& name = "ReportTableDetail.DAT") {
        auto table = std::make_unique<TTabulaTable>();
        table->SetDatabaseName("DB");
        table->SetTableName(name);
        table->SetLockRetryCount(2);
        table->SetLockWaitTime(5);
        return table;
    }
    // Appends one row, every field assigned by name as text.
    static void AddRow(TTabulaTable& table, int no, const std::string& account,
                       const std::string& name = "Name", const std::string& action = "Add") {
        table.Append();
        table.FieldByName("No").SetAsString(std::to_string(no));
        table.FieldByName("Product").SetAsString("001");
        table.FieldByName("AccountNumber").SetAsString(account);
        table.FieldByName("AccountName").SetAsString(name);
        table.FieldByName("Ref1").SetAsString("REF" + std::to_string(no));
        table.FieldByName("Action").SetAsString(action);
        table.Post();
    }
    // The No values from the first row on, walked with Next and Eof.
    static std::vector<int> Walk(TTabulaTable& table) {
        std::vector<int> numbers;
        table.First();
        while (!table.Eof()) {
            numbers.push_back(static_cast<int>(table.FieldByName("No").AsInteger()));
            table.Next();
        }
        return numbers;
    }

    std::unique_ptr<storetest::TScratchDir> scratch_;
    std::string dir_;
    std::unique_ptr<TTabulaDatabase> database_;
};

} // namespace tabula::test

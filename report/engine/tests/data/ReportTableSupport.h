// Test support of the dataset link: a scratch directory with a database
// "DB" on it and a table "T" made through the public table-creation
// interface, filled row by row through a table component.
//
// T: No integer (primary key), Name string 10, Qty integer, Flag boolean,
// Day date, At time, Note memo. Rows are numbered 1, 2, ...; Name is "R<n>"
// and the other fields are left Null unless a test sets them.
#pragma once

#include "tabula/Component.h"
#include "tabula/TableCreation.h"
#include "tabula/TabulaDatabase.h"
#include "tabula/TabulaSession.h"
#include "tabula/TabulaSessionList.h"
#include "tabula/TabulaTable.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace report::test {

class ReportTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "morvane-rpdata-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        database_ = std::make_unique<tabula::TTabulaDatabase>();
        database_->SetDatabaseName("DB");
        database_->SetDirectory(dir_);
        tabula::TTableSpec spec;
        using tabula::TFieldType;
        spec.Fields.Add("No", TFieldType::ftInteger);
        spec.Fields.Add("Name", TFieldType::ftString, 10);
        spec.Fields.Add("Qty", TFieldType::ftInteger);
        spec.Fields.Add("Flag", TFieldType::ftBoolean);
        spec.Fields.Add("Day", TFieldType::ftDate);
        spec.Fields.Add("At", TFieldType::ftTime);
        spec.Fields.Add("Note", TFieldType::ftMemo);
        spec.PrimaryIndex.Fields = "No";
        spec.PrimaryIndex.Unique = true;
        tabula::CreateTable(dir_ + "/T", spec);
        owner_ = std::make_unique<TComponentOwner>();
        table_ = new tabula::TTabulaTable(owner_.get());
        table_->SetName("T");
        table_->SetDatabaseName("DB");
        table_->SetTableName("T.DAT");
    }
    void TearDown() override {
        owner_.reset();
        database_.reset();
        tabula::DefaultSession().SetActive(false);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // Appends rows numbered 1..count and leaves the table open on the first.
    void Fill(int count) {
        table_->Open();
        for (int no = 1; no <= count; ++no) {
            table_->Append();
            table_->FieldByName("No").SetAsInteger(no);
            table_->FieldByName("Name").SetAsString("R" + std::to_string(no));
            table_->Post();
        }
        table_->First();
    }
    int CurrentNo() const { return static_cast<int>(table_->FieldByName("No").AsInteger()); }

    // The report's owner; it owns the table component and whatever a test adds.
    class TComponentOwner : public tabula::TComponent {};
    std::unique_ptr<TComponentOwner> owner_;
    std::string dir_;
    std::unique_ptr<tabula::TTabulaDatabase> database_;
    tabula::TTabulaTable* table_ = nullptr;
};

} // namespace report::test

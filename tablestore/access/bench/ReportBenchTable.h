// The report-shaped table that the SQL benchmarks fill on both sides: an
// integer key No and the text fields Product, AccountNumber, AccountName,
// Ref1 and Action with the widths of the application's report rows, a
// secondary index ByAction, and rows made by one rule (row n: Product
// n mod 1000 as three digits, Action one of four by n mod 4). The SQLite
// side gets the same table, index and rows in one transaction.
#pragma once

#include "DataFile.h"
#include "FileSession.h"
#include "IndexDescriptor.h"
#include "TableDefinition.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace benchtable {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

inline const char* const kActions[] = {"Add", "Delete", "Force Add", "Special Add"};

struct TField {
    const char* name;
    int size;
};
// No is field 1; the rest are strings.
inline const TField kTextFields[] = {
    {"Product", 3}, {"AccountNumber", 25}, {"AccountName", 70}, {"Ref1", 20}, {"Action", 11}};

inline std::string Text(int field, int row) {
    switch (field) {
    case 0: {
        char product[8];
        std::snprintf(product, sizeof product, "%03d", row % 1000);
        return product;
    }
    case 1:
        return std::to_string(1000000000LL + row);
    case 2:
        return "Payee number " + std::to_string(row);
    case 3:
        return "REF" + std::to_string(row);
    default:
        return kActions[row % 4];
    }
}

inline void CreateOurs(const std::string& path, int rows) {
    tabula::TTableDefinition def;
    def.fields.push_back(tabula::TFieldDescriptor::Make(1, "No", tabula::datafmt::kFtInt32));
    for (int i = 0; i < 5; ++i)
        def.fields.push_back(tabula::TFieldDescriptor::Make(
            i + 2, kTextFields[i].name, tabula::datafmt::kFtString, kTextFields[i].size));
    def.secondaryIndexCount = 1;
    tabula::TIndexDescriptor primary;
    primary.fieldCount = 1;
    primary.fieldNumbers[0] = 1;
    tabula::TIndexDescriptor byAction;
    byAction.name = "ByAction";
    byAction.fieldCount = 1;
    byAction.fieldNumbers[0] = 6;
    tabula::TDataFile t;
    t.SetFileName(path);
    t.SetExclusive(true);
    t.CreateTable(def, primary, {byAction});
    t.Open();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
    for (int row = 1; row <= rows; ++row) {
        t.InitRecord(image);
        std::uint8_t v[4];
        std::memcpy(v, &row, 4);
        t.WriteField(1, image, v);
        for (int i = 0; i < 5; ++i) {
            const std::string s = Text(i, row);
            t.WriteField(i + 2, image,
                         std::span<const std::uint8_t>(
                             reinterpret_cast<const std::uint8_t*>(s.c_str()), s.size() + 1));
        }
        t.AppendRecord(image);
    }
    t.Close();
}

inline std::int64_t OurCount(const std::string& path) {
    tabula::TDataFile t;
    t.SetFileName(path);
    t.Open();
    const std::int64_t n = t.RecordCount();
    t.Close();
    return n;
}

inline void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", error);
        sqlite3_free(error);
        std::exit(2);
    }
}

inline sqlite3* CreatePeer(const std::string& path, int rows) {
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    Exec(db, "CREATE TABLE ReportTableDetail (No INTEGER PRIMARY KEY, Product TEXT, "
             "AccountNumber TEXT, AccountName TEXT, Ref1 TEXT, Action TEXT)");
    Exec(db, "CREATE INDEX ByAction ON ReportTableDetail (Action)");
    Exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO ReportTableDetail VALUES (?, ?, ?, ?, ?, ?)", -1, &insert,
                       nullptr);
    for (int row = 1; row <= rows; ++row) {
        sqlite3_bind_int(insert, 1, row);
        for (int i = 0; i < 5; ++i) {
            const std::string s = Text(i, row);
            sqlite3_bind_text(insert, i + 2, s.c_str(), -1, SQLITE_TRANSIENT);
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Exec(db, "COMMIT");
    return db;
}

inline std::int64_t PeerCount(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM ReportTableDetail", -1, &s, nullptr);
    sqlite3_step(s);
    const std::int64_t n = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return n;
}

} // namespace benchtable

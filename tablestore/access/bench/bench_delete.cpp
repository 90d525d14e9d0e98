// DELETE through the statement object against SQLite (C API) running the
// same statement text in the same run, on a table shaped like the
// application's report table (integer key No, Product, AccountNumber,
// AccountName, Ref1, Action) with a secondary index on Action. Both sides
// live in one scratch directory on the same disk and start from the same
// rows, filled beforehand (not timed).
//
//   Delete From ReportTableDetail                          every row
//   Delete From ReportTableDetail Where Action = 'Delete'  a quarter of the rows
//
// Printed per statement: both times, the rows left on each side (they must
// agree) and the ratio SQLite time / Tabula time (above 1: Tabula faster).
//
// Usage: bench_delete [rows]   (default 100000)
#include "DataFile.h"
#include "DataQuery.h"
#include "EngineError.h"
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

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

const char* const kActions[] = {"Add", "Delete", "Force Add", "Special Add"};

struct TField {
    const char* name;
    int size;
};
// No is field 1; the rest are strings.
const TField kTextFields[] = {
    {"Product", 3}, {"AccountNumber", 25}, {"AccountName", 70}, {"Ref1", 20}, {"Action", 11}};

std::string Text(int field, int row) {
    switch (field) {
    case 0:
        return "001";
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

void CreateOurs(const std::string& path, int rows) {
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

std::int64_t OurCount(const std::string& path) {
    tabula::TDataFile t;
    t.SetFileName(path);
    t.Open();
    const std::int64_t n = t.RecordCount();
    t.Close();
    return n;
}

double RunOurs(const std::string& dir, const std::string& sql) {
    const auto start = Clock::now();
    tabula::TDataQuery q;
    q.SetDirectory(dir);
    q.Prepare(sql);
    q.Execute();
    return Seconds(start);
}

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", error);
        sqlite3_free(error);
        std::exit(2);
    }
}

sqlite3* CreatePeer(const std::string& path, int rows) {
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

std::int64_t PeerCount(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM ReportTableDetail", -1, &s, nullptr);
    sqlite3_step(s);
    const std::int64_t n = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return n;
}

double RunPeer(sqlite3* db, const std::string& sql) {
    const auto start = Clock::now();
    Exec(db, sql);
    return Seconds(start);
}

int Compare(const std::string& dir, const std::string& sql, int rows) {
    const std::string ours = dir + "/ReportTableDetail";
    CreateOurs(ours, rows);
    sqlite3* db = CreatePeer(dir + "/peer.db", rows);
    const double ourTime = RunOurs(dir, sql);
    const double peerTime = RunPeer(db, sql);
    const std::int64_t ourLeft = OurCount(ours);
    const std::int64_t peerLeft = PeerCount(db);
    sqlite3_close(db);
    std::printf("%-58s Tabula %8.3f s | SQLite %8.3f s | ratio %6.2f | rows left %lld / %lld%s\n",
                sql.c_str(), ourTime, peerTime, peerTime / ourTime, static_cast<long long>(ourLeft),
                static_cast<long long>(peerLeft), ourLeft == peerLeft ? "" : "  ROWS DIFFER");
    std::fflush(stdout);
    std::filesystem::remove(ours + ".DAT");
    std::filesystem::remove(ours + ".IDX");
    return ourLeft == peerLeft ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    tabula::StartEngine();
    std::string dir = (std::filesystem::temp_directory_path() / "bench-delete-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr)
        return 2;
    std::printf("bench_delete: %d rows, ratio = SQLite time / Tabula time\n", rows);
    int failures = 0;
    try {
        failures += Compare(dir, "Delete From ReportTableDetail", rows);
        failures += Compare(dir, "Delete From ReportTableDetail Where Action = 'Delete'", rows);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_delete: %s\n", e.what());
        failures = 1;
    }
    std::filesystem::remove_all(dir);
    return failures == 0 ? 0 : 1;
}

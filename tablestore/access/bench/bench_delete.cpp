// DELETE through the statement object against SQLite (C API) running the
// same statement text in the same run, on a table shaped like the
// application's report table (integer key No, Product, AccountNumber,
// AccountName, Ref1, Action) with a secondary index on Action
// (ReportBenchTable.h). Both sides
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
#include "DataQuery.h"
#include "EngineError.h"
#include "ReportBenchTable.h"

namespace {

using namespace benchtable;

double RunOurs(const std::string& dir, const std::string& sql) {
    const auto start = Clock::now();
    tabula::TDataQuery q;
    q.SetDirectory(dir);
    q.Prepare(sql);
    q.Execute();
    return Seconds(start);
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

// SELECT through the statement object against SQLite (C API) running the
// same statement in the same run. The main table is the report-shaped table
// of ReportBenchTable.h (100,000 rows by default, index ByAction); the
// second table Products holds 1,000 rows keyed by Product (Product, Name),
// so every main row has one partner. Both sides are filled beforehand (not
// timed). A timed run prepares and executes the statement and reads every
// field of every result row.
//
//   SELECT * ... WHERE Action = 'Delete'              live result (RequestLive)
//   SELECT COUNT(*) ... WHERE Action = 'Delete'       the COUNT fast path
//   GROUP BY Action with COUNT, SUM, AVG, MIN, MAX
//   SELECT DISTINCT Product
//   ORDER BY AccountName (no index)
//   inner join main x Products on Product (Products' key)
//   the same as LEFT OUTER JOIN
//
// The process keeps freed memory as the programs built on the engine do
// (tabula::KeepFreedMemory), for both sides alike.
// Each statement runs kRepeats times on each side, alternately; printed per
// statement: both sides' fastest times, the result rows on each side (they
// must agree), the ratio SQLite time / Tabula time (above 1: Tabula faster)
// against the target 1.0; at the end the process's peak resident memory,
// which the largest canned result (the ORDER BY copy of every row) sets.
//
// Usage: bench_select [rows] [label part]   (default 100000 rows, every
// statement; a label part runs only the statements whose label holds it)
#include "DataQuery.h"
#include "EngineError.h"
#include "FreedMemory.h"
#include "ReportBenchTable.h"

#include <algorithm>
#include <fstream>

namespace {

using namespace benchtable;

constexpr int kProducts = 1000;
// Timed runs per statement and side; the fastest of them is printed.
constexpr int kRepeats = 5;
// Where the bytes read go, so that reading them is not optimised away.
volatile std::size_t gSink = 0;

void CreateOurProducts(const std::string& path) {
    tabula::TTableDefinition def;
    def.fields.push_back(
        tabula::TFieldDescriptor::Make(1, "Product", tabula::datafmt::kFtString, 3));
    def.fields.push_back(tabula::TFieldDescriptor::Make(2, "Name", tabula::datafmt::kFtString, 20));
    tabula::TIndexDescriptor primary;
    primary.fieldCount = 1;
    primary.fieldNumbers[0] = 1;
    tabula::TDataFile t;
    t.SetFileName(path);
    t.SetExclusive(true);
    t.CreateTable(def, primary, {});
    t.Open();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
    for (int p = 0; p < kProducts; ++p) {
        t.InitRecord(image);
        const std::string product = Text(0, p);
        const std::string name = "Product " + std::to_string(p);
        for (const auto& [field, text] : {std::pair{1, product}, std::pair{2, name}})
            t.WriteField(field, image,
                         std::span<const std::uint8_t>(
                             reinterpret_cast<const std::uint8_t*>(text.c_str()), text.size() + 1));
        t.AppendRecord(image);
    }
    t.Close();
}

void CreatePeerProducts(sqlite3* db) {
    Exec(db, "CREATE TABLE Products (Product TEXT PRIMARY KEY, Name TEXT)");
    Exec(db, "BEGIN");
    for (int p = 0; p < kProducts; ++p)
        Exec(db, "INSERT INTO Products VALUES ('" + Text(0, p) + "', 'Product " +
                     std::to_string(p) + "')");
    Exec(db, "COMMIT");
}

// Reads every field of every row of the result; answers the row count.
std::int64_t ReadAll(tabula::TDataFile& cursor) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(cursor.RecordBufferSize()));
    std::int64_t rows = 0;
    std::size_t bytes = 0;
    cursor.GotoFirst();
    while (cursor.NextRecord(image) == 0) {
        for (int f = 1; f <= cursor.FieldCount(); ++f)
            bytes += cursor.ReadField(f, image).value.size();
        ++rows;
    }
    gSink = bytes;
    return rows;
}

struct TRun {
    double seconds = 0;
    std::int64_t rows = 0;
};

TRun RunOurs(const std::string& dir, const std::string& sql, bool live) {
    const auto start = Clock::now();
    tabula::TDataQuery q;
    q.SetDirectory(dir);
    q.SetRequestLive(live);
    tabula::CheckCode(q.Prepare(sql));
    tabula::CheckCode(q.Execute());
    TRun run;
    run.rows = ReadAll(*q.ResultCursor());
    run.seconds = Seconds(start);
    return run;
}

TRun RunPeer(sqlite3* db, const std::string& sql) {
    const auto start = Clock::now();
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(2);
    }
    TRun run;
    std::size_t bytes = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(s); ++c)
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(s, c));
        ++run.rows;
    }
    sqlite3_finalize(s);
    gSink = bytes;
    run.seconds = Seconds(start);
    return run;
}

int Compare(const std::string& dir, sqlite3* db, const char* label, const std::string& ours,
            const std::string& peer, bool live) {
    // The two sides run alternately, kRepeats times each, and the fastest run of each side counts:
    // on a shared machine the minimum is the figure least disturbed by other work.
    TRun a = RunOurs(dir, ours, live);
    TRun b = RunPeer(db, peer);
    for (int i = 1; i < kRepeats; ++i) {
        const TRun nextOurs = RunOurs(dir, ours, live);
        const TRun nextPeer = RunPeer(db, peer);
        if (nextOurs.rows != a.rows || nextPeer.rows != b.rows) {
            std::printf("%-36s ROWS DIFFER between runs\n", label);
            return 1;
        }
        a.seconds = std::min(a.seconds, nextOurs.seconds);
        b.seconds = std::min(b.seconds, nextPeer.seconds);
    }
    const double ratio = b.seconds / a.seconds;
    std::printf("%-36s Tabula %8.3f s | SQLite %8.3f s | ratio %6.2f (target >= 1)%s | rows %lld / "
                "%lld%s\n",
                label, a.seconds, b.seconds, ratio, ratio >= 1.0 ? "" : " BELOW",
                static_cast<long long>(a.rows), static_cast<long long>(b.rows),
                a.rows == b.rows ? "" : "  ROWS DIFFER");
    std::fflush(stdout);
    return a.rows == b.rows ? 0 : 1;
}

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string only = argc > 2 ? argv[2] : "";
    // The policy of the programs built on the engine (FreedMemory.h); the
    // peer runs in the same process, under the same policy.
    tabula::KeepFreedMemory();
    tabula::StartEngine();
    std::string dir = (std::filesystem::temp_directory_path() / "bench-select-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr)
        return 2;
    std::printf("bench_select: %d rows x %d products, best of %d runs, ratio = SQLite time / "
                "Tabula time\n",
                rows, kProducts, kRepeats);
    int failures = 0;
    try {
        CreateOurs(dir + "/ReportTableDetail", rows);
        CreateOurProducts(dir + "/Products");
        sqlite3* db = CreatePeer(dir + "/peer.db", rows);
        CreatePeerProducts(db);
        const long before = PeakResidentKiB();
        const std::string r = "ReportTableDetail";
        struct TCase {
            const char* label;
            std::string sql;
            bool live;
        };
        const TCase cases[] = {
            {"SELECT * WHERE Action (live)", "SELECT * FROM " + r + " WHERE Action = 'Delete'",
             true},
            {"COUNT(*) WHERE Action (fast path)",
             "SELECT COUNT(*) FROM " + r + " WHERE Action = 'Delete'", false},
            {"GROUP BY Action, 5 aggregates",
             "SELECT Action, COUNT(*), SUM(No), AVG(No), MIN(No), MAX(No) FROM " + r +
                 " GROUP BY Action",
             false},
            {"SELECT DISTINCT Product", "SELECT DISTINCT Product FROM " + r, false},
            {"ORDER BY AccountName (no index)",
             "SELECT No, AccountName FROM " + r + " ORDER BY AccountName", false},
            {"inner join on Products' key",
             "SELECT R.No, P.Name FROM " + r + " R, Products P WHERE R.Product = P.Product", false},
            {"left outer join on Products' key",
             "SELECT R.No, P.Name FROM " + r +
                 " R LEFT OUTER JOIN Products P ON R.Product = P.Product",
             false},
        };
        for (const TCase& c : cases)
            if (std::string(c.label).find(only) != std::string::npos)
                failures += Compare(dir, db, c.label, c.sql, c.sql, c.live);
        sqlite3_close(db);
        std::printf("peak resident memory: %ld KiB before the statements, %ld KiB after\n", before,
                    PeakResidentKiB());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_select: %s\n", e.what());
        failures = 1;
    }
    std::filesystem::remove_all(dir);
    return failures == 0 ? 0 : 1;
}

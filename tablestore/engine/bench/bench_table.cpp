// Tabula tables against SQLite (C API) doing the same work in the same run.
//
// Both sides hold a table shaped like the application's report table: an
// integer primary key and six text fields (No, Product, AccountNumber,
// AccountName, Ref1, Action) with the widths the report rows use. Both live
// in files in one scratch directory on the same disk. Printed per phase:
// time and time per operation for both sides and the ratio SQLite/Tabula
// (above 1 means Tabula is faster), against the phase's target:
//
//   appends, exclusive table      vs INSERTs in one transaction, prepared
//   appends, shared, each committed vs autocommit INSERTs, synchronous=OFF,
//                                    with the rollback journal and with WAL
//   random FindKey + read record  vs prepared SELECT by primary key (rollback
//                                    journal and WAL databases)
//   full scan in primary order    vs SELECT * ORDER BY the key
//   GotoPosition in 1,000,000 rows vs SELECT ... LIMIT 1 OFFSET k
//   resident memory while appending 1,000,000 rows (must stay flat)
//
// Usage: bench_table [rows] [large rows] [--no-journal]
//   (defaults 100000 and 1000000; --no-journal runs the Tabula side without
//   its write journal, for the cost of rolling back refused writes)
#include "DataFile.h"
#include "FileSession.h"
#include "IndexDescriptor.h"
#include "TableDefinition.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tabula::TDataFile;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

int failures = 0;
bool writeJournal = true;

void Report(const char* phase, double ours, std::size_t ourOps, double peer, std::size_t peerOps,
            double target) {
    const double ourPer = ours * 1e6 / static_cast<double>(ourOps);
    const double peerPer = peer * 1e6 / static_cast<double>(peerOps);
    const double ratio = peerPer / ourPer;
    std::printf("%-34s Tabula %8.3f s %9.2f us/op (%zu) | SQLite %8.3f s %9.2f us/op (%zu) | "
                "ratio %7.2f (target >= %g)%s\n",
                phase, ours, ourPer, ourOps, peer, peerPer, peerOps, ratio, target,
                ratio >= target ? "" : "  BELOW TARGET");
    std::fflush(stdout);
}

// ---- Rows ------------------------------------------------------------------------

struct TRow {
    std::int32_t id;
    std::string no, product, accountNumber, accountName, ref1, action;
};

const char* const kActions[] = {"Delete", "Add", "Force Add", "Special Add"};

TRow MakeRow(std::int32_t id) {
    TRow r;
    r.id = id;
    r.no = std::to_string(id);
    r.product = std::to_string(100 + id % 900);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%025d", id * 7919 % 1000000007);
    r.accountNumber = buf;
    r.accountName = "ACCOUNT HOLDER " + std::to_string(id) + " COMPANY LIMITED";
    r.ref1 = "REF" + std::to_string(id * 31);
    r.action = kActions[id % 4];
    return r;
}

struct TField {
    const char* name;
    int size; // 0: 32-bit integer
};
const TField kFields[] = {{"ID", 0},           {"No", 10},   {"Product", 3}, {"AccountNumber", 25},
                          {"AccountName", 70}, {"Ref1", 20}, {"Action", 11}};

// ---- Tabula side ---------------------------------------------------------------------

void CreateTabula(const std::string& path) {
    tabula::TTableDefinition def;
    for (int i = 0; i < 7; ++i) {
        def.fields.push_back(tabula::TFieldDescriptor::Make(
            i + 1, kFields[i].name,
            kFields[i].size == 0 ? tabula::datafmt::kFtInt32 : tabula::datafmt::kFtString,
            kFields[i].size));
    }
    tabula::TIndexDescriptor primary;
    primary.fieldCount = 1;
    primary.fieldNumbers[0] = 1;
    primary.unique = true;
    primary.keyLength = 5;
    TDataFile t;
    t.SetFileName(path);
    t.SetExclusive(true);
    t.CreateTable(def, primary, {});
}

void FillImage(TDataFile& t, const TRow& r, std::vector<std::uint8_t>& image) {
    t.InitRecord(image);
    std::uint8_t id[4];
    tabula::datafmt::PutI32(id, r.id);
    t.WriteField(1, image, id);
    const std::string* texts[] = {&r.no,          &r.product, &r.accountNumber,
                                  &r.accountName, &r.ref1,    &r.action};
    for (int i = 0; i < 6; ++i)
        t.WriteField(
            i + 2, image,
            std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(texts[i]->c_str()),
                                          texts[i]->size() + 1));
}

long ResidentKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

double TabulaAppend(const std::string& path, const std::vector<std::int32_t>& ids, bool exclusive,
                    std::vector<long>* rssTrace = nullptr) {
    CreateTabula(path);
    const auto start = Clock::now();
    TDataFile t;
    t.SetFileName(path);
    t.SetExclusive(exclusive);
    t.SetWriteJournal(writeJournal);
    t.Open();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
    const std::size_t step = std::max<std::size_t>(1, ids.size() / 10);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        FillImage(t, MakeRow(ids[i]), image);
        t.AppendRecord(image);
        if (rssTrace && (i + 1) % step == 0)
            rssTrace->push_back(ResidentKiB());
    }
    t.Close();
    return Seconds(start);
}

// ---- SQLite side -------------------------------------------------------------------------

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "bench_table: SQLite %s: %s\n", what, sqlite3_errmsg(db));
        std::exit(2);
    }
}

sqlite3* OpenSqlite(const std::string& path, bool fresh) {
    if (fresh)
        std::filesystem::remove(path);
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db, "open");
    if (fresh)
        Check(sqlite3_exec(db,
                           "CREATE TABLE ReportTableDetail (ID INTEGER PRIMARY KEY, No TEXT, "
                           "Product TEXT, AccountNumber TEXT, AccountName TEXT, Ref1 TEXT, "
                           "Action TEXT)",
                           nullptr, nullptr, nullptr),
              db, "create");
    return db;
}

void BindRow(sqlite3_stmt* s, const TRow& r) {
    sqlite3_bind_int(s, 1, r.id);
    const std::string* texts[] = {&r.no,          &r.product, &r.accountNumber,
                                  &r.accountName, &r.ref1,    &r.action};
    for (int i = 0; i < 6; ++i)
        sqlite3_bind_text(s, i + 2, texts[i]->c_str(), static_cast<int>(texts[i]->size()),
                          SQLITE_TRANSIENT);
}

// oneTransaction: every INSERT in one transaction; otherwise autocommit with
// synchronous=OFF, in WAL mode when wal is set.
double SqliteAppend(const std::string& path, const std::vector<std::int32_t>& ids,
                    bool oneTransaction, bool wal = false) {
    sqlite3* db = OpenSqlite(path, true);
    if (wal)
        Check(sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), db, "wal");
    const auto start = Clock::now();
    if (!oneTransaction)
        Check(sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr), db, "pragma");
    sqlite3_stmt* s = nullptr;
    Check(sqlite3_prepare_v2(db, "INSERT INTO ReportTableDetail VALUES (?,?,?,?,?,?,?)", -1, &s,
                             nullptr),
          db, "prepare");
    if (oneTransaction)
        Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    for (std::int32_t id : ids) {
        BindRow(s, MakeRow(id));
        Check(sqlite3_step(s), db, "insert");
        sqlite3_reset(s);
    }
    if (oneTransaction)
        Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_finalize(s);
    sqlite3_close(db);
    return Seconds(start);
}

// Reads every column of the current SQLite row, as the Tabula side copies
// the whole record image.
std::size_t ReadColumns(sqlite3_stmt* s) {
    std::size_t n = static_cast<std::size_t>(sqlite3_column_int(s, 0));
    for (int c = 1; c < 7; ++c)
        n += static_cast<std::size_t>(sqlite3_column_bytes(s, c)) +
             (sqlite3_column_text(s, c) ? 1 : 0);
    return n;
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int largeRows = argc > 2 ? std::atoi(argv[2]) : 1000000;
    writeJournal = !(argc > 3 && std::strcmp(argv[3], "--no-journal") == 0);
    if (rows < 1 || largeRows < 1) {
        std::fprintf(stderr, "usage: bench_table [rows] [large rows] [--no-journal]\n");
        return 2;
    }
    std::string pattern = "/tmp/bench-table-" + std::string(6, 'X');
    if (!::mkdtemp(pattern.data())) {
        std::perror("bench_table: mkdtemp");
        return 2;
    }
    const std::string dir = pattern;
    tabula::StartEngine();
    std::printf("bench_table: report-shaped table (integer key + 6 text fields), %d rows; "
                "files in %s; SQLite %s\n",
                rows, dir.c_str(), sqlite3_libversion());

    std::vector<std::int32_t> ids(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i)
        ids[static_cast<std::size_t>(i)] = i + 1;
    std::mt19937 rng(20240611);
    std::vector<std::int32_t> probes(ids);
    std::shuffle(probes.begin(), probes.end(), rng);

    const std::string tab = dir + "/Report";
    const std::string lite = dir + "/report.sqlite";

    // 1. Exclusive appends against one prepared transaction.
    {
        const double ours = TabulaAppend(tab, ids, true);
        const double peer = SqliteAppend(lite, ids, true);
        Report("append, exclusive / 1 transaction", ours, ids.size(), peer, ids.size(), 1.0);
    }
    // 2. Shared appends, each committed, against autocommit without syncs.
    {
        const double ours = TabulaAppend(dir + "/Shared", ids, false);
        const double peer = SqliteAppend(dir + "/shared.sqlite", ids, false);
        Report("append, shared, each committed", ours, ids.size(), peer, ids.size(), 1.0);
        const double wal = SqliteAppend(dir + "/wal.sqlite", ids, false, true);
        Report("  (against WAL, synchronous=OFF)", ours, ids.size(), wal, ids.size(), 1.0);
    }
    // 3. Random key lookups that read the whole row: on a shared table, as
    // the application opens it, and (for reference) on an exclusive one,
    // which takes no locks.
    {
        double ours = 0, oursExclusive = 0;
        for (bool exclusive : {false, true}) {
            TDataFile t;
            t.SetFileName(tab);
            t.SetExclusive(exclusive);
            t.Open();
            std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
            std::vector<std::uint8_t> key(static_cast<std::size_t>(t.IndexFile().KeyLength(0)));
            std::vector<std::uint8_t> probe(image.size());
            const int idOffset = t.GetFieldDescriptor(1).offset + 1;
            std::size_t found = 0;
            const auto start = Clock::now();
            for (std::int32_t id : probes) {
                t.InitRecord(probe);
                std::uint8_t v[4];
                tabula::datafmt::PutI32(v, id);
                t.WriteField(1, probe, v);
                t.IndexFile().BuildKey(0, probe, key.data());
                if (t.FindKey(key, static_cast<int>(key.size())) &&
                    t.GetCurrentRecord(image) == 0 &&
                    tabula::datafmt::GetI32(image.data() + idOffset) == id)
                    ++found;
            }
            (exclusive ? oursExclusive : ours) = Seconds(start);
            t.Close();
            if (found != probes.size()) {
                std::fprintf(stderr, "bench_table: FindKey found %zu of %zu\n", found,
                             probes.size());
                ++failures;
            }
        }

        for (bool wal : {false, true}) {
            sqlite3* db = OpenSqlite(wal ? dir + "/wal.sqlite" : lite, false);
            sqlite3_stmt* s = nullptr;
            Check(sqlite3_prepare_v2(db, "SELECT * FROM ReportTableDetail WHERE ID = ?", -1, &s,
                                     nullptr),
                  db, "prepare");
            std::size_t peerFound = 0, sink = 0;
            const auto start = Clock::now();
            for (std::int32_t id : probes) {
                sqlite3_bind_int(s, 1, id);
                if (sqlite3_step(s) == SQLITE_ROW) {
                    sink += ReadColumns(s);
                    ++peerFound;
                }
                sqlite3_reset(s);
            }
            const double peer = Seconds(start);
            sqlite3_finalize(s);
            sqlite3_close(db);
            if (peerFound != probes.size() || sink == 0)
                ++failures;
            if (wal) {
                Report("  (against the WAL database)", ours, probes.size(), peer, probes.size(),
                       1.0);
                continue;
            }
            Report("random FindKey / SELECT by key", ours, probes.size(), peer, probes.size(), 1.0);
            Report("  (FindKey on an exclusive table)", oursExclusive, probes.size(), peer,
                   probes.size(), 1.0);
        }
    }
    // 4. Full scan in primary-index order.
    {
        TDataFile t;
        t.SetFileName(tab);
        t.Open();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        std::size_t seen = 0;
        auto start = Clock::now();
        t.GotoFirst();
        while (t.NextRecord(image) == 0)
            ++seen;
        const double ours = Seconds(start);
        t.Close();

        sqlite3* db = OpenSqlite(lite, false);
        sqlite3_stmt* s = nullptr;
        Check(
            sqlite3_prepare_v2(db, "SELECT * FROM ReportTableDetail ORDER BY ID", -1, &s, nullptr),
            db, "prepare");
        std::size_t peerSeen = 0, sink = 0;
        start = Clock::now();
        while (sqlite3_step(s) == SQLITE_ROW) {
            sink += ReadColumns(s);
            ++peerSeen;
        }
        const double peer = Seconds(start);
        sqlite3_finalize(s);
        sqlite3_close(db);
        if (seen != ids.size() || peerSeen != ids.size() || sink == 0) {
            std::fprintf(stderr, "bench_table: scan saw %zu and %zu rows\n", seen, peerSeen);
            ++failures;
        }
        Report("full scan in key order", ours, seen, peer, peerSeen, 1.0);
    }
    // 5 and 6. A large table: resident memory while appending, then random
    // positions.
    {
        std::vector<std::int32_t> large(static_cast<std::size_t>(largeRows));
        for (int i = 0; i < largeRows; ++i)
            large[static_cast<std::size_t>(i)] = i + 1;
        std::vector<long> rss;
        const long before = ResidentKiB();
        const double appendSeconds = TabulaAppend(dir + "/Large", large, true, &rss);
        std::printf("resident memory appending %d rows (exclusive, %.2f s): before %ld KiB, "
                    "then per tenth:",
                    largeRows, appendSeconds, before);
        for (long kib : rss)
            std::printf(" %ld", kib);
        const long growth = rss.empty() ? 0 : rss.back() - rss.front();
        std::printf(" KiB; growth from the first tenth to the end %ld KiB%s\n", growth,
                    growth <= 4096 ? " (flat)" : "  NOT FLAT");
        if (growth > 4096)
            ++failures;
        SqliteAppend(dir + "/large.sqlite", large, true);

        std::uniform_int_distribution<std::int64_t> pick(1, largeRows);
        const int ourPositions = 20000, peerPositions = 40;
        TDataFile t;
        t.SetFileName(dir + "/Large");
        t.Open();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
        const int idOffset = t.GetFieldDescriptor(1).offset + 1;
        std::size_t right = 0;
        auto start = Clock::now();
        for (int i = 0; i < ourPositions; ++i) {
            const std::int64_t k = pick(rng);
            t.GotoPosition(k);
            if (t.GetCurrentRecord(image) == 0 &&
                tabula::datafmt::GetI32(image.data() + idOffset) == k)
                ++right;
        }
        const double ours = Seconds(start);
        t.Close();
        if (right != static_cast<std::size_t>(ourPositions)) {
            std::fprintf(stderr, "bench_table: GotoPosition right %zu of %d\n", right,
                         ourPositions);
            ++failures;
        }

        sqlite3* db = OpenSqlite(dir + "/large.sqlite", false);
        sqlite3_stmt* s = nullptr;
        Check(sqlite3_prepare_v2(db, "SELECT * FROM ReportTableDetail ORDER BY ID LIMIT 1 OFFSET ?",
                                 -1, &s, nullptr),
              db, "prepare");
        std::size_t peerRight = 0;
        start = Clock::now();
        for (int i = 0; i < peerPositions; ++i) {
            const std::int64_t k = pick(rng);
            sqlite3_bind_int64(s, 1, k - 1);
            if (sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int64(s, 0) == k) {
                ReadColumns(s);
                ++peerRight;
            }
            sqlite3_reset(s);
        }
        const double peer = Seconds(start);
        sqlite3_finalize(s);
        sqlite3_close(db);
        if (peerRight != static_cast<std::size_t>(peerPositions))
            ++failures;
        Report("GotoPosition / LIMIT 1 OFFSET k", ours, ourPositions, peer, peerPositions, 100.0);
    }

    tabula::StopEngine();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    if (failures)
        std::fprintf(stderr, "bench_table: %d result check(s) failed\n", failures);
    return failures ? 1 : 0;
}

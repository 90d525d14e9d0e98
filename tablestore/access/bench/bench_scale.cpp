// Scaling of the per-row costs of the table store: each phase is run at
// 10,000, 100,000 and 1,000,000 rows, and the per-row time at 1,000,000 is
// set beside the one at 100,000. A ratio near 1 means the phase is linear
// in the table (up to the logarithm); the target is at most 1.3.
//
// Phases (a table without a primary index, read in physical order, and a
// secondary index on Action):
//   shared appends         rows appended by a shared (non-exclusive) opener
//   DELETE all             Delete From T, through the query
//   DELETE indexed WHERE   Delete From T Where Action = 'Delete'
//   filtered walk          NextRecord + RecordPosition under a test filter
//   GotoPosition           20,000 jumps to random positions under the filter
//
// Usage: bench_scale [largest rows]   (default 1000000)
#include "DataFile.h"
#include "DataQuery.h"
#include "IndexDescriptor.h"
#include "TableDefinition.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRatioTarget = 1.3;
constexpr int kJumps = 20000;
const char* const kActions[] = {"Add", "Delete", "Force Add", "Special Add"};

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void Create(const std::string& path) {
    const auto dir = std::filesystem::path(path).parent_path();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    tabula::TTableDefinition def;
    def.fields.push_back(tabula::TFieldDescriptor::Make(1, "No", tabula::datafmt::kFtInt32));
    def.fields.push_back(
        tabula::TFieldDescriptor::Make(2, "AccountName", tabula::datafmt::kFtString, 40));
    def.fields.push_back(
        tabula::TFieldDescriptor::Make(3, "Action", tabula::datafmt::kFtString, 11));
    def.secondaryIndexCount = 1;
    tabula::TIndexDescriptor primary; // none: physical order
    tabula::TIndexDescriptor byAction;
    byAction.name = "ByAction";
    byAction.fieldCount = 1;
    byAction.fieldNumbers[0] = 3;
    tabula::TDataFile t;
    t.SetFileName(path);
    t.SetExclusive(true);
    t.CreateTable(def, primary, {byAction});
}

void WriteText(tabula::TDataFile& t, int field, std::vector<std::uint8_t>& image,
               const std::string& s) {
    t.WriteField(field, image,
                 std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(s.c_str()),
                                               s.size() + 1));
}

// Appends `rows` rows through a shared opener; seconds taken.
double Fill(const std::string& path, int rows) {
    tabula::TDataFile t;
    t.SetFileName(path);
    t.Open();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
    const auto start = Clock::now();
    for (int row = 1; row <= rows; ++row) {
        t.InitRecord(image);
        std::uint8_t v[4];
        std::memcpy(v, &row, 4);
        t.WriteField(1, image, v);
        WriteText(t, 2, image, "Payee number " + std::to_string(row));
        WriteText(t, 3, image, kActions[row % 4]);
        t.AppendRecord(image);
    }
    const double s = Seconds(start);
    t.Close();
    return s;
}

double Delete(const std::string& dir, const std::string& sql) {
    const auto start = Clock::now();
    tabula::TDataQuery q;
    q.SetDirectory(dir);
    q.Prepare(sql);
    q.Execute();
    return Seconds(start);
}

// Passes about two rows in three, from the image's bytes.
bool TwoInThree(std::span<const std::uint8_t> image, void*) {
    unsigned sum = 0;
    for (std::uint8_t b : image)
        sum += b;
    return sum % 3 != 0;
}

// {walk seconds per row, jump seconds per jump}
std::pair<double, double> Positions(const std::string& path) {
    tabula::TDataFile t;
    t.SetFileName(path);
    t.Open();
    t.ActivateFilter(t.AddFilter(&TwoInThree, nullptr));
    std::vector<std::uint8_t> image(static_cast<std::size_t>(t.RecordBufferSize()));
    t.GotoFirst();
    std::int64_t steps = 0, check = 0;
    auto start = Clock::now();
    while (t.NextRecord(image) == 0) {
        check += t.RecordPosition();
        ++steps;
    }
    const double walk = Seconds(start) / static_cast<double>(std::max<std::int64_t>(steps, 1));
    const std::int64_t count = t.RecordCount();
    std::mt19937_64 rng(7);
    start = Clock::now();
    for (int i = 0; i < kJumps; ++i) {
        t.GotoPosition(static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(count)) + 1);
        check += t.RecordPosition();
    }
    const double jump = Seconds(start) / kJumps;
    t.Close();
    if (check == 0)
        std::printf("(no positions)\n");
    return {walk, jump};
}

} // namespace

int main(int argc, char** argv) {
    const int largest = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const auto dir = std::filesystem::temp_directory_path() / "bench_scale";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "T").string();
    const char* names[] = {"shared appends", "DELETE all", "DELETE indexed WHERE",
                           "filtered walk + RecordPosition", "GotoPosition under filter"};
    std::map<int, std::vector<double>> perRow; // rows -> per-row seconds by phase
    for (const int rows : {largest / 100, largest / 10, largest}) {
        std::vector<double>& p = perRow[rows];
        Create(path);
        p.push_back(Fill(path, rows) / rows);
        p.push_back(Delete(dir.string(), "Delete From T") / rows);
        Fill(path, rows);
        p.push_back(Delete(dir.string(), "Delete From T Where Action = 'Delete'") / (rows / 4));
        const auto [walk, jump] = Positions(path);
        p.push_back(walk);
        p.push_back(jump);
        std::printf("%d rows done\n", rows);
        std::fflush(stdout);
    }
    std::printf("%-32s %14d %14d %14d %8s\n", "phase (us per row) at rows", largest / 100,
                largest / 10, largest, "ratio");
    const int mid = largest / 10;
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const double ratio = perRow[largest][i] / perRow[mid][i];
        std::printf("%-32s %14.3f %14.3f %14.3f %8.2f (target <= %.1f)\n", names[i],
                    perRow[largest / 100][i] * 1e6, perRow[mid][i] * 1e6, perRow[largest][i] * 1e6,
                    ratio, kRatioTarget);
    }
    std::filesystem::remove_all(dir);
    return 0;
}

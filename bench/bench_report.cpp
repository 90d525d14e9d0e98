// Our report engine against the way a Qt developer would print the same
// report without one, in the same run, for tables of 1,000, 10,000 and
// 100,000 rows of the report table ReportTableDetail:
//
//   ours  a template built in code - title, page header, page footer with
//         [PAGE#], a master data band of the table's six fields, a group on
//         Action whose footer shows COUNT and SUM, a summary - generated to
//         prepared pages (BuildPages) and exported to PDF;
//   peer  the same rows read from the table into an HTML table (group rows
//         with their count and sum computed in code), laid out by
//         QTextDocument and printed to QPdfWriter.
//
// Printed per size: our generation in rows/s, our PDF export in pages/s,
// the peer's time to its PDF, the end-to-end ratio peer time / our time
// (target at least kRatioTarget: ours is faster), and each side's peak
// resident memory next to the total bytes of our page streams. Each side
// runs in a child process of its own (this program again, with --child),
// so a peak is that side's alone.
//
//   bench_report [--quick] [--rows N]...      (MORVANE_BENCH_QUICK=1 = --quick;
//                                              MORVANE_BENCH_KEEP=1 keeps the folder)
//   bench_report --child ours|peer DIR ROWS PDF
//
// Everything lives in a fresh folder under $TMPDIR (or /tmp), removed at
// the end. With the placeholder generation engine our side builds 0 pages;
// the figures are then reported as such.
#include "ReportTable.h"
#include "TrpBandView.h"
#include "TrpDBDataSet.h"
#include "TrpEMFPages.h"
#include "TrpMemoView.h"
#include "TrpPage.h"
#include "TrpReport.h"
#include "TrpReportGeneration.h"
#include "tabula/Component.h"
#include "tabula/Field.h"
#include "tabula/TabulaDatabase.h"
#include "tabula/TabulaSession.h"
#include "tabula/TabulaSessionList.h"
#include "tabula/TabulaTable.h"

#include "TrpPageExport.h"

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kRatioTarget = 1.0; // peer time / our time, at least
constexpr const char* kDatabaseName = "DB";
constexpr const char* kTableComponent = "dbDetailReport";
constexpr const char* kDatasetComponent = "rpDBDataSet1";
constexpr const char* kDataBandName = "MasterData1";
constexpr const std::array<const char*, 4> kActions = {"Delete", "Add", "Force Add", "Special Add"};
// Consecutive rows share one action, so the group on Action breaks every
// kGroupRun rows.
constexpr int kGroupRun = 25;
const std::vector<int> kSizes = {1000, 10000, 100000};
const std::vector<int> kQuickSizes = {200, 1000};

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// One row of the report table, as both sides print it.
struct TRow {
    int No = 0;
    std::string Product, AccountNumber, AccountName, Ref1, Action;
};

TRow MakeRow(int no) {
    static const char* const kProducts[] = {"PAY", "DCP", "MCL", "BNT", "PA2", "MC1"};
    char account[32];
    std::snprintf(account, sizeof account, "10%08d", no * 7919 % 100000000);
    TRow row;
    row.No = no;
    row.Product = kProducts[no % std::size(kProducts)];
    row.AccountNumber = account;
    row.AccountName = "PAYEE " + std::to_string(no);
    row.Ref1 = "REF" + std::to_string(no);
    row.Action = kActions[(no - 1) / kGroupRun % kActions.size()];
    return row;
}

// The database "DB" on a directory and the table component on the report
// table, owned by one component as the validation window owns them.
class TTableSetup {
public:
    explicit TTableSetup(const std::string& directory) {
        database_.SetDatabaseName(kDatabaseName);
        database_.SetDirectory(directory);
        table_ = new tabula::TTabulaTable(&owner_);
        table_->SetName(kTableComponent);
        table_->SetDatabaseName(kDatabaseName);
        table_->SetTableName(morvane::kReportTableFile);
        table_->SetForceBufferFlush(false);
    }
    ~TTableSetup() {
        table_->SetActive(false);
        tabula::DefaultSession().SetActive(false);
    }
    TTableSetup(const TTableSetup&) = delete;
    TTableSetup& operator=(const TTableSetup&) = delete;

    tabula::TComponent& Owner() { return owner_; }
    tabula::TTabulaTable& Table() { return *table_; }

private:
    tabula::TTabulaDatabase database_;
    tabula::TComponent owner_;
    tabula::TTabulaTable* table_ = nullptr;
};

void FillTable(const std::string& directory, int rows) {
    morvane::CreateReportTable(directory);
    TTableSetup setup(directory);
    tabula::TTabulaTable& table = setup.Table();
    table.Open();
    for (int no = 1; no <= rows; ++no) {
        const TRow row = MakeRow(no);
        table.Append();
        table.FieldByName("No").SetAsInteger(row.No);
        table.FieldByName("Product").SetAsString(row.Product);
        table.FieldByName("AccountNumber").SetAsString(row.AccountNumber);
        table.FieldByName("AccountName").SetAsString(row.AccountName);
        table.FieldByName("Ref1").SetAsString(row.Ref1);
        table.FieldByName("Action").SetAsString(row.Action);
        table.Post();
    }
    table.Close();
}

// Template building ---------------------------------------------------------

// Bands in page order; each band's objects lie inside its top and height.
struct TBandSpec {
    report::TrpBandType Type;
    const char* Name;
    int Top, Height;
};
constexpr int kLeft = 40;
constexpr int kRowHeight = 18;

report::TrpBandView* AddBand(report::TrpPage& page, const TBandSpec& spec) {
    auto* band = static_cast<report::TrpBandView*>(page.CreateView(report::kTypeBand));
    band->Name = spec.Name;
    band->SetBandType(spec.Type);
    band->Left = 0;
    band->Top = spec.Top;
    band->Width = 720;
    band->Height = spec.Height;
    return band;
}

void AddText(report::TrpPage& page, const report::TrpBandView& band, int left, int width,
             const std::string& text) {
    auto* memo = static_cast<report::TrpMemoView*>(page.CreateView(report::kTypeMemo));
    memo->Left = left;
    memo->Top = band.Top + 1;
    memo->Width = width;
    memo->Height = band.Height - 2;
    memo->Memo = {text};
}

std::string Field(const char* name) {
    return std::string("[") + kTableComponent + ".\"" + name + "\"]";
}

// The six columns: field, left, width.
struct TColumn {
    const char* Field;
    int Left, Width;
};
constexpr std::array<TColumn, 6> kColumns = {{{"No", kLeft, 50},
                                              {"Product", kLeft + 50, 50},
                                              {"AccountNumber", kLeft + 100, 120},
                                              {"AccountName", kLeft + 220, 200},
                                              {"Ref1", kLeft + 420, 120},
                                              {"Action", kLeft + 540, 90}}};

void BuildTemplate(report::TrpReport& report) {
    using namespace report;
    TrpPage& page = *report.Pages.Add();
    AddText(page, *AddBand(page, {btReportTitle, "ReportTitle1", 20, 30}), kLeft, 600,
            "Payee registration summary");
    TrpBandView* header = AddBand(page, {btPageHeader, "PageHeader1", 60, kRowHeight});
    for (const TColumn& column : kColumns)
        AddText(page, *header, column.Left, column.Width, column.Field);
    TrpBandView* group = AddBand(page, {btGroupHeader, "GroupHeader1", 90, kRowHeight});
    group->FormatPattern = std::string(kTableComponent) + ".\"Action\"";
    AddText(page, *group, kLeft, 400, "Action: " + Field("Action"));
    TrpBandView* data = AddBand(page, {btMasterData, kDataBandName, 120, kRowHeight});
    data->FormatPattern = kDatasetComponent;
    for (const TColumn& column : kColumns)
        AddText(page, *data, column.Left, column.Width, Field(column.Field));
    TrpBandView* footer = AddBand(page, {btGroupFooter, "GroupFooter1", 150, kRowHeight});
    AddText(page, *footer, kLeft, 200, std::string("Count: [COUNT(") + kDataBandName + ")]");
    AddText(page, *footer, kLeft + 220, 300,
            "Sum of No: [SUM(" + std::string(kTableComponent) + ".\"No\")]");
    TrpBandView* summary = AddBand(page, {btReportSummary, "ReportSummary1", 180, 24});
    AddText(page, *summary, kLeft, 400, std::string("Rows: [COUNT(") + kDataBandName + ")]");
    AddText(page, *AddBand(page, {btPageFooter, "PageFooter1", 1000, kRowHeight}), kLeft + 500, 130,
            "Page [PAGE#]");
}

// PDF export ----------------------------------------------------------------

void ExportOurPdf(report::TrpEMFPages& pages, const std::string& fileName) {
    report::ExportPdf(pages, fileName);
}

// The two sides, each run in its own child --------------------------------

// Prints "key value" lines for the parent.
void Emit(const char* key, double value) {
    std::printf("%s %.6f\n", key, value);
}

int RunOurs(const std::string& directory, int rows, const std::string& pdf) {
    TTableSetup setup(directory);
    auto* dataset = new report::TrpDBDataSet(&setup.Owner());
    dataset->SetName(kDatasetComponent);
    dataset->SetDataSet(&setup.Table());
    auto* report = new report::TrpReport(&setup.Owner());
    report->ShowProgress = false;
    BuildTemplate(*report);

    const auto generation = Clock::now();
    if (!report::BuildPages(*report))
        throw std::runtime_error("generation was cancelled");
    const double generationSeconds = Seconds(generation);
    if (!report::LastGenerationError().empty())
        throw std::runtime_error(report::LastGenerationError());
    report::TrpEMFPages& pages = report->EMFPages();
    double streamBytes = 0;
    for (std::size_t i = 0; i < pages.Count(); ++i)
        streamBytes += pages.Page(i).Stream.size();

    const auto exporting = Clock::now();
    ExportOurPdf(pages, pdf);
    const double exportSeconds = Seconds(exporting);
    Emit("rows", rows);
    Emit("generation", generationSeconds);
    Emit("pages", static_cast<double>(pages.Count()));
    Emit("streambytes", streamBytes);
    Emit("export", exportSeconds);
    return 0;
}

std::string Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

void GroupFooterRow(std::ostringstream& html, int count, long long sum) {
    html << "<tr><td colspan=\"2\"><i>Count: " << count
         << "</i></td><td colspan=\"4\"><i>Sum of No: " << sum << "</i></td></tr>\n";
}

// The HTML a Qt developer would write: one table, the header row repeated
// on every page, group rows around each run of one action.
std::string BuildHtml(tabula::TTabulaTable& table) {
    std::ostringstream html;
    html << "<html><body><h2>Payee registration summary</h2>\n"
            "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">\n<thead><tr>";
    for (const TColumn& column : kColumns)
        html << "<th>" << column.Field << "</th>";
    html << "</tr></thead>\n";
    std::string action;
    int groupCount = 0, total = 0;
    long long groupSum = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        const std::string rowAction = table.FieldByName("Action").AsString();
        if (groupCount > 0 && rowAction != action) {
            GroupFooterRow(html, groupCount, groupSum);
            groupCount = 0;
            groupSum = 0;
        }
        if (groupCount == 0)
            html << "<tr><td colspan=\"6\"><b>Action: " << Escaped(rowAction) << "</b></td></tr>\n";
        action = rowAction;
        html << "<tr>";
        for (const TColumn& column : kColumns)
            html << "<td>" << Escaped(table.FieldByName(column.Field).AsString()) << "</td>";
        html << "</tr>\n";
        ++groupCount;
        ++total;
        groupSum += table.FieldByName("No").AsInteger();
    }
    if (groupCount > 0)
        GroupFooterRow(html, groupCount, groupSum);
    html << "</table>\n<p><b>Rows: " << total << "</b></p></body></html>\n";
    return html.str();
}

// The pages of a PDF file: its page objects ("/Type /Page", not "/Pages").
int CountPdfPages(const std::string& fileName) {
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + fileName);
    const QByteArray content = file.readAll();
    const QByteArray mark = "/Type /Page";
    int pages = 0;
    for (qsizetype at = content.indexOf(mark); at >= 0; at = content.indexOf(mark, at + 1)) {
        const qsizetype after = at + mark.size();
        if (after >= content.size() || content[after] != 's')
            ++pages;
    }
    return pages;
}

int RunPeer(const std::string& directory, int rows, const std::string& pdf) {
    TTableSetup setup(directory);
    const auto start = Clock::now();
    setup.Table().Open();
    const std::string html = BuildHtml(setup.Table());
    QTextDocument document;
    document.setHtml(QString::fromStdString(html));
    QPdfWriter writer(QString::fromStdString(pdf));
    writer.setPageSize(QPageSize(QPageSize::A4));
    document.print(&writer); // lays out, numbers the pages and prints
    const double seconds = Seconds(start);
    Emit("rows", rows);
    Emit("total", seconds);
    Emit("pages", CountPdfPages(pdf));
    return 0;
}

int RunChild(int argc, char** argv) {
    if (argc != 6)
        throw std::runtime_error("usage: bench_report --child ours|peer DIR ROWS PDF");
    const std::string side = argv[2];
    const int rows = std::atoi(argv[4]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (side == "ours")
        return RunOurs(argv[3], rows, argv[5]);
    if (side == "peer")
        return RunPeer(argv[3], rows, argv[5]);
    throw std::runtime_error("unknown side " + side);
}

// The parent ----------------------------------------------------------------

struct TChildResult {
    std::map<std::string, double> values;
    long peakKiB = 0;
};

// Runs this program as a child and reads its "key value" lines.
TChildResult RunSide(const std::string& self, const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> all = {self};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        throw std::runtime_error(std::string("cannot start the child: ") + std::strerror(rc));
    }
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR)
            throw std::runtime_error("wait4 failed");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the " + args.at(1) + " child failed");
    TChildResult result;
    result.peakKiB = usage.ru_maxrss;
    std::istringstream lines(output);
    std::string key;
    double value = 0;
    while (lines >> key >> value)
        result.values[key] = value;
    return result;
}

std::string Rate(double count, double seconds, const char* unit) {
    if (count <= 0 || seconds <= 0)
        return std::string("n/a (0 ") + unit + ")";
    char text[64];
    std::snprintf(text, sizeof text, "%.0f %s/s", count / seconds, unit);
    return text;
}

void MeasureSize(const std::string& self, const fs::path& work, int rows) {
    const fs::path data = work / ("rows-" + std::to_string(rows));
    fs::create_directories(data);
    const auto filling = Clock::now();
    FillTable(data.string(), rows);
    std::printf("\n%d rows (table filled in %.2f s)\n", rows, Seconds(filling));
    const TChildResult ours = RunSide(self, {"--child", "ours", data.string(), std::to_string(rows),
                                             (data / "ours.pdf").string()});
    const TChildResult peer = RunSide(self, {"--child", "peer", data.string(), std::to_string(rows),
                                             (data / "peer.pdf").string()});
    const double generation = ours.values.at("generation");
    const double exporting = ours.values.at("export");
    const double pages = ours.values.at("pages");
    const double peerTotal = peer.values.at("total");
    std::printf("  ours: generation %.3f s = %s, %.0f pages\n", generation,
                Rate(pages > 0 ? rows : 0, generation, "rows").c_str(), pages);
    std::printf("  ours: PDF export %.3f s = %s\n", exporting,
                Rate(pages, exporting, "pages").c_str());
    std::printf("  peer: QTextDocument to PDF %.3f s, %.0f pages\n", peerTotal,
                peer.values.at("pages"));
    const double oursTotal = generation + exporting;
    if (pages > 0) {
        const double ratio = peerTotal / oursTotal;
        std::printf("  end to end to PDF: peer / ours = %.2f (target >= %.1f: %s)\n", ratio,
                    kRatioTarget, ratio >= kRatioTarget ? "met" : "MISSED");
    } else {
        std::printf("  end to end to PDF: n/a - the generation engine built no pages\n");
    }
    std::printf("  peak RSS: ours %ld KiB, peer %ld KiB; our page streams %.0f KiB\n", ours.peakKiB,
                peer.peakKiB, ours.values.at("streambytes") / 1024);
}

int RunParent(int argc, char** argv) {
    std::vector<int> sizes;
    bool quick = std::getenv("MORVANE_BENCH_QUICK") &&
                 std::string(std::getenv("MORVANE_BENCH_QUICK")) == "1";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick")
            quick = true;
        else if (arg == "--rows" && i + 1 < argc && std::atoi(argv[i + 1]) > 0)
            sizes.push_back(std::atoi(argv[++i]));
        else
            throw std::runtime_error("usage: bench_report [--quick] [--rows N]...");
    }
    if (sizes.empty())
        sizes = quick ? kQuickSizes : kSizes;
    const std::string self = fs::canonical("/proc/self/exe").string();
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (fs::path(tmp && *tmp ? tmp : "/tmp") / "bench-report-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a scratch folder");
    const fs::path work = pattern;
    std::printf("bench_report: our report engine against QTextDocument, same rows, same run\n");
    try {
        for (int rows : sizes)
            MeasureSize(self, work, rows);
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(work, ignored);
        throw;
    }
    if (std::getenv("MORVANE_BENCH_KEEP")) {
        std::printf("\nkept %s\n", work.c_str());
        return 0;
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc > 1 && std::string(argv[1]) == "--child")
            return RunChild(argc, argv);
        return RunParent(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_report: %s\n", error.what());
        return 1;
    }
}

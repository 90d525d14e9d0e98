// The command-line checker; see CheckCommand.h.
#include "CheckCommand.h"

#include "JsonText.h"
#include "MessageSink.h"
#include "MorvaneWorkflow.h"
#include "ReportTable.h"
#include "ReportTableFill.h"
#include "ResultGrid.h"

#ifdef MORVANE_REPORTING
#include "TSummaryPdf.h"
#include "TSummaryReport.h"
#endif

#include <chrono>
#include <exception>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

namespace {

constexpr const char* kProgram = "morvane-check";
constexpr const char* kDataDirName = "Data";
#ifdef MORVANE_REPORTING
constexpr bool kHaveReportEngine = true;
#else
constexpr bool kHaveReportEngine = false;
#endif

// Records the message boxes instead of showing them; the last one is the one
// the window would leave on screen.
class TRecordingSink : public TMessageSink {
public:
    void ShowMessage(TMessageKind kind, const std::string& text) override {
        Kind = kind;
        Text = text;
    }
    TMessageKind Kind = TMessageKind::Information;
    std::string Text;
};

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder as a user types it, without trailing slashes ("/" stays "/").
std::string FolderWithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

// Control bytes would disturb a terminal: plain output shows them as \xNN.
std::string Printable(const std::string& cell) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(cell.size());
    for (const char ch : cell) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7f || b == '\\') {
            out += "\\x";
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0xf]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

struct TRunResult {
    bool Valid = false;
    std::optional<std::string> Error;
};

void PrintPlain(std::ostream& out, const TResultGrid& grid, const TMorvaneWorkflow& road,
                const TRecordingSink& sink) {
    const int columns = grid.Layout() == TPassLayout::RecordType ? 5 : 9;
    for (int row = 0; row < grid.RowCount() - 1; ++row) {
        for (int col = 0; col < columns; ++col) {
            if (col > 0) {
                out << '\t';
            }
            out << Printable(grid.Cell(col, row));
        }
        out << '\n';
    }
    out << "Status: " << Printable(grid.StatusText()) << '\n';
    out << "Digest: " << road.Fields.HashValue << '\n';
    if (!road.LastOutputPath().empty()) {
        out << "Output: " << Printable(road.LastOutputPath()) << '\n';
    }
    out << "Message: " << Printable(sink.Text) << '\n';
}

void PrintJson(std::ostream& out, const TCheckOptions& options, const TResultGrid& grid,
               TMorvaneWorkflow& road, const TRecordingSink& sink, const TRunResult& result) {
    std::string json = "{\"file\":";
    AppendJsonString(json, options.File);
    json += ",\"valid\":";
    json += result.Valid ? "true" : "false";
    json += ",\"layout\":";
    json += grid.Layout() == TPassLayout::RecordType ? "\"record-type\"" : "\"field\"";
    json += ",\"rows\":[";
    for (int row = 1; row < grid.RowCount() - 1; ++row) {
        json += row > 1 ? ",[" : "[";
        for (int col = 0; col < TResultGrid::kMaxColumns; ++col) {
            if (col > 0) {
                json += ',';
            }
            AppendJsonString(json, grid.Cell(col, row));
        }
        json += ']';
    }
    json += "],\"companyId\":";
    AppendJsonString(json, road.Validator().CompanyId);
    json += ",\"status\":";
    AppendJsonString(json, grid.StatusText());
    json += ",\"digest\":";
    AppendJsonString(json, road.Fields.HashValue);
    json += ",\"output\":";
    AppendJsonString(json, road.LastOutputPath());
    json += ",\"message\":";
    AppendJsonString(json, sink.Text);
    json += ",\"error\":";
    if (result.Error) {
        AppendJsonString(json, *result.Error);
    } else {
        json += "null";
    }
    json += "}\n";
    out << json;
}

// The summary report of a clean run as a PDF file; a run with faults gets
// none and stops.
void WriteReport([[maybe_unused]] const std::string& pdfFile,
                 [[maybe_unused]] TMorvaneWorkflow& road,
                 [[maybe_unused]] TReportTableFill& fill, TRunResult& result) {
    if (!road.Validator().DataValid) {
        result.Error = TCheckCommand::kNotCleanReportMessage;
        return;
    }
#ifdef MORVANE_REPORTING
    WriteSummaryPdf(fill.dbDetailReport(), SummaryTemplatePath(TCheckCommand::ExecutableDir()),
                    road.Validator().CompanyId, road.Fields.HashValue, pdfFile);
#endif
}

} // namespace

std::optional<TCheckOptions> TCheckCommand::Parse(const std::vector<std::string>& args,
                                                  std::string& error) {
    TCheckOptions options;
    bool haveFile = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (arg == "--help" || arg == "-h") {
                options.Help = true;
                continue;
            }
            if (arg == "--json") {
                options.Json = true;
                continue;
            }
            std::string name = arg;
            std::optional<std::string> value;
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
            }
            if (name != "--data-dir" && name != "--output" && name != "--report") {
                error = "unknown option '" + arg + "'";
                return std::nullopt;
            }
            if (!value) {
                if (i + 1 >= args.size()) {
                    error = "option '" + name + "' needs a value";
                    return std::nullopt;
                }
                value = args[++i];
            }
            if (value->empty()) {
                error = "option '" + name + "' needs a non-empty value";
                return std::nullopt;
            }
            if (name == "--report" && !kHaveReportEngine) {
                error = "option '--report' needs the report engine; this morvane-check was "
                        "built without Qt";
                return std::nullopt;
            }
            if (name == "--data-dir")
                options.DataDir = *value;
            else if (name == "--output")
                options.Output = *value;
            else
                options.Report = *value;
            continue;
        }
        if (haveFile) {
            error = "only one FILE may be given";
            return std::nullopt;
        }
        options.File = arg;
        haveFile = true;
    }
    if (!haveFile && !options.Help) {
        error = "missing FILE";
        return std::nullopt;
    }
    return options;
}

void TCheckCommand::PrintUsage(std::ostream& out) {
    out << "Usage: " << kProgram
        << " [--data-dir DIR] [--output PATH] [--report FILE.pdf] [--json] FILE\n"
        << "\n"
        << "Checks the registration file FILE: record types and lengths, then every field.\n"
        << "The temporary copy TempNewFile.txt is written to DIR after every run. On a\n"
        << "clean run the SHA-1 digest of that copy is computed and shown, and the report\n"
        << "table ReportTableDetail in DIR is refilled with one row per detail record\n"
        << "(created empty first when DIR holds none).\n"
        << "\n"
        << "  --data-dir DIR  directory of TempNewFile.txt and of the report table\n"
        << "                  (default: Data/ beside the executable)\n"
        << "  --output PATH   on a clean run, write the hashed output file at PATH; when\n"
        << "                  PATH is an existing directory, the file is created in it\n"
        << "                  under the name KVL.RX317.TLNREG.RQ.yyyymmddhhmmss\n"
        << "  --report FILE.pdf  on a clean run, write the summary report (the template\n"
        << "                  Report/PaymentDetail.rpf beside the executable over the\n"
        << "                  report table in DIR) as a PDF file; a run that is not\n"
        << "                  clean writes none and stops with status 2\n"
        << "  --json          print one JSON object instead of the grid (bytes of the\n"
        << "                  file appear as characters U+0000..U+00FF)\n"
        << "  --help          show this text\n"
        << "\n"
        << "Plain output shows control bytes and backslashes in cells as \\xNN.\n"
        << "Exit status: 0 clean, 1 faults found, 2 the run stopped (also by a table-store\n"
        << "error while refilling the report table; the output file is already written\n"
        << "then) or a usage error.\n";
}

std::string TCheckCommand::ExecutableDir() {
    std::string exe(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= exe.size()) {
        return ".";
    }
    exe.resize(static_cast<std::size_t>(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

std::string TCheckCommand::DefaultDataDir() {
    return ExecutableDir() + "/" + kDataDirName;
}

int TCheckCommand::Run(const TCheckOptions& options, std::ostream& out, std::ostream& err) {
    TResultGrid grid;
    TRecordingSink sink;
    const std::string dataDir = options.DataDir.empty() ? DefaultDataDir() : options.DataDir;
    TMorvaneWorkflow road(dataDir, grid, sink);
    road.EmptyDestinationMeansNoOutput = true;
    road.Fields.FileInput = options.File;

    TRunResult result;
    try {
        // A clean run refills the report table in the data directory, as the
        // window does; a data directory without the table gets an empty one
        // first, when the run gets that far.
        TReportTableFill fill;
        fill.SetDirectory(dataDir);
        road.RefillReportTable = [&] {
            EnsureReportTable(dataDir);
            fill.RefillReportTable(road.Fields.FileInput, grid, sink);
        };
        if (options.Output) {
            if (IsDirectory(*options.Output)) {
                road.ChooseDestination(FolderWithoutTrailingSlash(*options.Output),
                                       std::chrono::system_clock::now());
            } else {
                road.Fields.DestinationPath = *options.Output;
            }
        }
        road.Validate();
        // The road ends without an exception in three ways besides success
        // and faults: no input file named, or the copy could not be hashed.
        if (sink.Kind == TMessageKind::Error &&
            sink.Text == TMorvaneWorkflow::kSelectInputMessage) {
            result.Error = sink.Text;
        } else if (road.Validator().DataValid && road.Fields.HashValue.empty()) {
            result.Error = sink.Text;
        }
        if (options.Report && !result.Error) {
            WriteReport(*options.Report, road, fill, result);
        }
    } catch (const std::exception& e) {
        result.Error = e.what();
    }
    result.Valid = !result.Error && road.Validator().DataValid;

    if (options.Json) {
        PrintJson(out, options, grid, road, sink, result);
    } else {
        PrintPlain(out, grid, road, sink);
    }
    out.flush();
    if (result.Error) {
        err << kProgram << ": " << *result.Error << '\n';
        return kExitStopped;
    }
    return result.Valid ? kExitClean : kExitFaults;
}

int TCheckCommand::Main(const std::vector<std::string>& args, std::ostream& out,
                        std::ostream& err) {
    std::string error;
    const auto options = Parse(args, error);
    if (!options) {
        err << kProgram << ": " << error << '\n';
        PrintUsage(err);
        return kExitStopped;
    }
    if (options->Help) {
        PrintUsage(out);
        return kExitClean;
    }
    return Run(*options, out, err);
}

} // namespace morvane

// TCheckCommand: the command-line checker morvane-check. It runs the
// validation window's Validate road (TMorvaneWorkflow) on one registration
// file and prints the grid, the status, the digest and the message box text,
// as plain text or as one JSON object. A clean run also refills the report
// table ReportTableDetail in the data directory (TReportTableFill), so a
// command-line run and a window run leave the same rows.
//
//   morvane-check [--data-dir DIR] [--output PATH] [--report FILE.pdf] [--json] FILE
//
// --report writes, after a clean run, the summary report that Print shows in
// the desktop program, as a PDF file (the template Report/PaymentDetail.rpf
// beside the executable, the report table of the data directory). It needs
// the report engine; a build without Qt refuses the option.
//
// Exit status: 0 the file is clean, 1 faults were found, 2 the run stopped
// (unreadable file, conversion failure, unwritable output, a table-store
// error while refilling the report table, usage error; with --report also a
// run that was not clean, and a report that could not be written). The output file of a
// clean run is written before the refill, so it exists even when the refill
// stops the run.
//
// States of one invocation: parse options -> (usage error: exit 2) ->
// run the road -> report (stdout; the stopping message also on stderr).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace morvane {

struct TCheckOptions {
    std::string File;
    std::string DataDir;               // empty: Data/ beside the executable
    std::optional<std::string> Output; // output file path or existing folder
    std::optional<std::string> Report; // PDF file of the summary report
    bool Json = false;
    bool Help = false;
};

class TCheckCommand {
public:
    static constexpr int kExitClean = 0;
    static constexpr int kExitFaults = 1;
    static constexpr int kExitStopped = 2;

    // Parses the arguments (without the program name). Returns nullopt and
    // sets `error` on a usage error.
    static std::optional<TCheckOptions> Parse(const std::vector<std::string>& args,
                                              std::string& error);
    static void PrintUsage(std::ostream& out);

    // Runs the road and prints the result; returns the exit status.
    static int Run(const TCheckOptions& options, std::ostream& out, std::ostream& err);

    // The directory of the running executable, and Data/ in it.
    static std::string ExecutableDir();
    static std::string DefaultDataDir();

    static constexpr const char* kNotCleanReportMessage =
        "no report written: the run was not clean";

    // The whole program: parse, run, print.
    static int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

} // namespace morvane

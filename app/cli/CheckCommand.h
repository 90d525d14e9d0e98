// TCheckCommand: the command-line checker morvane-check. It runs the
// validation window's Validate road (TMorvaneWorkflow) on one registration
// file and prints the grid, the status, the digest and the message box text,
// as plain text or as one JSON object. A clean run also refills the report
// table ReportTableDetail in the data directory (TReportTableFill), so a
// command-line run and a window run leave the same rows.
//
//   morvane-check [--data-dir DIR] [--output PATH] [--json] FILE
//
// Exit status: 0 the file is clean, 1 faults were found, 2 the run stopped
// (unreadable file, conversion failure, unwritable output, a table-store
// error while refilling the report table, usage error). The output file of a
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

    // The Data/ directory beside the running executable.
    static std::string DefaultDataDir();

    // The whole program: parse, run, print.
    static int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

} // namespace morvane

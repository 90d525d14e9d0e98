// TReportRenderCommand: morvane-report, the headless renderer. It generates
// a report template on the virtual printer (or opens a prepared-report
// file) and writes the pages as a prepared-report file, a PDF document
// and/or PNG images:
//
//   morvane-report [--data-dir DIR] [--var NAME=EXPR]... [--rpp FILE]
//                  [--pdf FILE] [--png DIR] [--dpi N] TEMPLATE.rpf
//   morvane-report --open FILE.rpp [--pdf FILE] [--png DIR] [--dpi N]
//
// Run: usage error -> 2 with the usage text. Otherwise the message-box sink
// is installed (boxes go to the error stream) -> the virtual printer is
// selected -> the pages are made (template: loaded into the report of a
// TRenderForm on DIR, variables set, report table opened, BuildPages;
// --open: the file loaded) -> every output asked for is checked to have
// pages -> outputs written in the order rpp, pdf, png, each complete or
// not at all. Any failure (an exception, an error box, a calculation
// error) stops the run with 2 and the engine's message; success is 0 and
// lists the files written on the output stream.
#pragma once

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace report {
class TrpEMFPages;
}

namespace morvane {

class TStreamMessageBoxSink;

class TReportRenderCommand {
public:
    static constexpr int kExitSuccess = 0;
    static constexpr int kExitFailure = 2;
    static constexpr int kDefaultDpi = 96;
    static constexpr const char* kDefaultDataDirectory = "Data";

    struct TOptions {
        std::string DataDirectory;
        std::vector<std::pair<std::string, std::string>> Variables;
        std::string TemplateFile;
        std::string OpenFile;
        std::optional<std::string> RppFile, PdfFile, PngDirectory;
        int Dpi = kDefaultDpi;
        bool Help = false;
    };

    class EUsageError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // executableDirectory: where Data/ lies by default.
    explicit TReportRenderCommand(std::string executableDirectory);

    // Parses the arguments after the program name; throws EUsageError.
    TOptions Parse(const std::vector<std::string>& args) const;
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    static const char* UsageText();

private:
    void RenderTemplate(const TOptions& options, TStreamMessageBoxSink& boxes, std::ostream& out);
    static void RenderPrepared(const TOptions& options, std::ostream& out);
    static void WriteOutputs(const TOptions& options, report::TrpEMFPages& pages,
                             std::ostream& out);

    std::string executableDirectory_;
};

} // namespace morvane

// morvane-report's argument parsing and run; see TReportRenderCommand.h.
#include "TReportRenderCommand.h"

#include "ETrpTemplateError.h"
#include "TRenderForm.h"
#include "TStreamMessageBoxSink.h"
#include "TSummaryReport.h"
#include "TrpEMFPages.h"
#include "TrpPageExport.h"
#include "TrpPrinter.h"
#include "TrpReport.h"
#include "TrpReportGeneration.h"
#include "tabula/TabulaTable.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <ostream>

namespace morvane {

namespace {

// A failure whose message the engine has already shown in an error box;
// what() says what the box stopped.
class EShownFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr const char* kProgramName = "morvane-report";

// Fails when the engine showed an error box since `before` boxes.
void ThrowOnErrorBoxes(const TStreamMessageBoxSink& boxes, std::size_t before,
                       const std::string& stopped) {
    if (boxes.Errors().size() > before)
        throw EShownFailure(stopped);
}

// Generation and page files use the virtual printer whatever platform
// printers exist, so the pages come out the same on every machine.
void SelectVirtualPrinter() {
    report::TrpPrinter& printer = report::Printer();
    if (!printer.Started())
        printer.StartUp(nullptr);
    printer.SelectPrinter(printer.VirtualPrinterIndex());
}

// The value of the option at args[i], which must follow it.
const std::string& OptionValue(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size())
        throw TReportRenderCommand::EUsageError(args[i] + " needs a value");
    return args[++i];
}

void SetOnce(std::optional<std::string>& slot, const std::string& option,
             const std::string& value) {
    if (slot)
        throw TReportRenderCommand::EUsageError(option + " given twice");
    if (value.empty())
        throw TReportRenderCommand::EUsageError(option + " needs a non-empty value");
    slot = value;
}

int ParseDpi(const std::string& text) {
    int dpi = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), dpi);
    if (error != std::errc() || end != text.data() + text.size() || dpi <= 0)
        throw TReportRenderCommand::EUsageError("--dpi needs a positive whole number, not \"" +
                                                text + "\"");
    return dpi;
}

std::pair<std::string, std::string> ParseVariable(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw TReportRenderCommand::EUsageError("--var needs NAME=EXPR, not \"" + text + "\"");
    return {text.substr(0, equals), text.substr(equals + 1)};
}

// The checks between options that parsing one at a time cannot make.
void CheckCombination(const TReportRenderCommand::TOptions& o) {
    if (o.Help)
        return;
    if (!o.OpenFile.empty()) {
        if (!o.TemplateFile.empty())
            throw TReportRenderCommand::EUsageError("--open takes no template");
        if (o.RppFile || !o.Variables.empty() || !o.DataDirectory.empty())
            throw TReportRenderCommand::EUsageError(
                "--rpp, --var and --data-dir apply to a template, not to --open");
        return;
    }
    if (o.TemplateFile.empty())
        throw TReportRenderCommand::EUsageError("no template given");
}

} // namespace

TReportRenderCommand::TReportRenderCommand(std::string executableDirectory)
    : executableDirectory_(std::move(executableDirectory)) {}

const char* TReportRenderCommand::UsageText() {
    return "usage: morvane-report [--data-dir DIR] [--var NAME=EXPR]... [--rpp FILE]\n"
           "                      [--pdf FILE] [--png DIR] [--dpi N] TEMPLATE.rpf\n"
           "       morvane-report --open FILE.rpp [--pdf FILE] [--png DIR] [--dpi N]\n"
           "\n"
           "Generates a report template on the virtual printer, or opens a prepared\n"
           "report, and writes its pages without a window.\n"
           "  --data-dir DIR   directory of the report table ReportTableDetail\n"
           "                   (default: Data/ beside this program)\n"
           "  --var NAME=EXPR  sets the report variable NAME to the expression EXPR\n"
           "                   (a text value needs quotes: --var \"comId='ACME'\")\n"
           "  --rpp FILE       saves the prepared pages\n"
           "  --pdf FILE       writes the pages as a PDF document\n"
           "  --png DIR        writes page-001.png, page-002.png, ... into DIR\n"
           "  --dpi N          resolution of the PNG images (default 96)\n"
           "Exit status: 0 success, 2 failure (the message on standard error).\n";
}

TReportRenderCommand::TOptions
TReportRenderCommand::Parse(const std::vector<std::string>& args) const {
    TOptions o;
    std::optional<std::string> dataDir, openFile, dpi;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h")
            o.Help = true;
        else if (a == "--data-dir")
            SetOnce(dataDir, a, OptionValue(args, i));
        else if (a == "--var")
            o.Variables.push_back(ParseVariable(OptionValue(args, i)));
        else if (a == "--rpp")
            SetOnce(o.RppFile, a, OptionValue(args, i));
        else if (a == "--pdf")
            SetOnce(o.PdfFile, a, OptionValue(args, i));
        else if (a == "--png")
            SetOnce(o.PngDirectory, a, OptionValue(args, i));
        else if (a == "--dpi")
            SetOnce(dpi, a, OptionValue(args, i));
        else if (a == "--open")
            SetOnce(openFile, a, OptionValue(args, i));
        else if (a.size() > 1 && a[0] == '-')
            throw EUsageError("unknown option " + a);
        else if (!o.TemplateFile.empty())
            throw EUsageError("more than one template given");
        else
            o.TemplateFile = a;
    }
    o.DataDirectory = dataDir.value_or(std::string());
    o.OpenFile = openFile.value_or(std::string());
    if (dpi)
        o.Dpi = ParseDpi(*dpi);
    CheckCombination(o);
    return o;
}

int TReportRenderCommand::Run(const std::vector<std::string>& args, std::ostream& out,
                              std::ostream& err) {
    TOptions options;
    try {
        options = Parse(args);
    } catch (const EUsageError& error) {
        err << kProgramName << ": " << error.what() << "\n\n" << UsageText();
        return kExitFailure;
    }
    if (options.Help) {
        out << UsageText();
        return kExitSuccess;
    }
    TStreamMessageBoxSink boxes(err);
    try {
        SelectVirtualPrinter();
        if (options.OpenFile.empty())
            RenderTemplate(options, boxes, out);
        else
            RenderPrepared(options, out);
    } catch (const EShownFailure& failure) {
        err << kProgramName << ": " << failure.what() << '\n';
        return kExitFailure;
    } catch (const std::exception& error) {
        err << kProgramName << ": " << error.what() << '\n';
        return kExitFailure;
    }
    return kExitSuccess;
}

void TReportRenderCommand::RenderTemplate(const TOptions& options, TStreamMessageBoxSink& boxes,
                                          std::ostream& out) {
    const std::string dataDir =
        !options.DataDirectory.empty()
            ? options.DataDirectory
            : (std::filesystem::path(executableDirectory_) / kDefaultDataDirectory).string();
    TRenderForm form(dataDir);
    report::TrpReport& report = form.Summary().rpReport1();
    // No progress window: there is no one to press its Cancel.
    report.ShowProgress = false;
    const std::size_t shownBefore = boxes.Errors().size();
    if (!form.Summary().LoadTemplate(options.TemplateFile))
        throw report::ETrpExportError("Cannot open file " + options.TemplateFile +
                                      ": no such file");
    ThrowOnErrorBoxes(boxes, shownBefore, "cannot load template " + options.TemplateFile);
    for (const auto& [name, expression] : options.Variables)
        report.Dictionary.Variables.Set(name, expression);
    // As the window does before printing; a missing or damaged table fails
    // here with the table store's own message.
    form.dbDetailReport().Open();
    // A template may name a printer of its own; pages are made on the
    // virtual one all the same.
    SelectVirtualPrinter();
    const bool built = report::BuildPages(report);
    const std::string& calculationError = report::LastGenerationError();
    if (!calculationError.empty()) {
        const auto& shown = boxes.Errors();
        if (std::find(shown.begin(), shown.end(), calculationError) == shown.end())
            throw std::runtime_error(calculationError);
        throw EShownFailure("report generation failed");
    }
    ThrowOnErrorBoxes(boxes, shownBefore, "report generation failed");
    if (!built)
        throw std::runtime_error("report generation was cancelled");
    WriteOutputs(options, report.EMFPages(), out);
}

void TReportRenderCommand::RenderPrepared(const TOptions& options, std::ostream& out) {
    report::TrpReport report;
    try {
        report.EMFPages().LoadFromFile(options.OpenFile);
    } catch (const report::ETrpTemplateError& error) {
        throw report::ETrpTemplateError("Cannot read prepared report " + options.OpenFile + ": " +
                                        error.what());
    }
    WriteOutputs(options, report.EMFPages(), out);
}

void TReportRenderCommand::WriteOutputs(const TOptions& options, report::TrpEMFPages& pages,
                                        std::ostream& out) {
    // Checked before anything is written, so that a report without pages
    // leaves no partial set of outputs.
    if (pages.Count() == 0 && (options.PdfFile || options.PngDirectory))
        throw report::ETrpExportError("the report has no pages to write");
    if (options.RppFile) {
        pages.SaveToFile(*options.RppFile);
        out << *options.RppFile << '\n';
    }
    if (options.PdfFile) {
        report::ExportPdf(pages, *options.PdfFile);
        out << *options.PdfFile << '\n';
    }
    if (options.PngDirectory) {
        for (const std::string& file : report::ExportPng(pages, *options.PngDirectory, options.Dpi))
            out << file << '\n';
    }
}

} // namespace morvane

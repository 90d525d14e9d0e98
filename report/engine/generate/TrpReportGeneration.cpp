// The report operations of generation: saving the template, running one or
// two passes (under the progress window when one is installed), putting the
// template back, and showing the generated pages.
#include "TrpReportGeneration.h"

#include "TInterpretator.h"
#include "TrpCalculationError.h"
#include "TrpCompositeGeneration.h"
#include "TrpCompositeReport.h"
#include "TrpEMFPages.h"
#include "TrpEngineState.h"
#include "TrpGenerationInfo.h"
#include "TrpMessageBox.h"
#include "TrpMessages.h"
#include "TrpPage.h"
#include "TrpPageGenerator.h"
#include "TrpPreviewSeam.h"
#include "TrpPrinter.h"
#include "TrpReport.h"
#include "TrpReportEvaluator.h"

#include <QBuffer>
#include <QDateTime>
#include <algorithm>

namespace report {

namespace {

std::string g_lastError;

// Between the label and the page number of the progress window's line.
constexpr const char* kLabelGap = "  ";

std::string WithTitle(int messageId, const std::string& title) {
    std::string text(MessageText(messageId));
    return title.empty() ? text : text + " - " + title;
}

double StartDateTime() {
    constexpr qint64 kMsPerDay = 86400000;
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime origin(QDate(1899, 12, 30), QTime(0, 0));
    return static_cast<double>(origin.msecsTo(QDateTime(now.date(), now.time()))) /
           static_cast<double>(kMsPerDay);
}

// One or two passes of the report build, with progress.
class TrpGenerationPasses {
public:
    explicit TrpGenerationPasses(TrpReport& report) : report_(report) {}

    // False when the report was stopped.
    bool Run() {
        report_.Terminated = false;
        report_.FinalPass = true;
        report_.EMFPages().Clear();
        GenerationInfo().TotalPages = 0;
        const std::string caption = WithTitle(kMsgReportPreparing, report_.Title);
        twoPass_ = report_.TwoPass;
        if (twoPass_)
            report_.FinalPass = false;
        passLabel_ = std::string(MessageText(twoPass_ ? kMsgFirstPass : kMsgProcessingPage));
        sink_ = report_.OnProgress || !report_.ShowProgress ? nullptr : ProgressSink();
        if (sink_)
            sink_->Run(report_, caption, passLabel_ + kLabelGap + "1", [this] { Build(); });
        else
            Build();
        return !report_.Terminated;
    }

private:
    void Build() {
        RunOnce();
        if (report_.FinalPass)
            return;
        GenerationInfo().TotalPages = static_cast<int>(report_.EMFPages().Count());
        report_.EMFPages().Clear();
        if (!report_.Terminated) {
            report_.TwoPass = false;
            report_.FinalPass = true;
            passLabel_ = std::string(MessageText(kMsgProcessingPage));
            RunOnce();
            report_.TwoPass = true;
        }
    }

    void RunOnce() {
        TrpGenerationInfo& info = GenerationInfo();
        info.CurrentNo = 1;
        info.ColumnNo = 1;
        info.LineNo = 0;
        info.LineThroughNo = 0;
        report_.Generating = true;
        if (auto* composite = dynamic_cast<TrpCompositeReport*>(&report_)) {
            RunCompositePass(*composite, [this](int pageNo) { Progress(pageNo); });
            return;
        }
        TrpPageGenerator generator(report_);
        generator.FinalOfTwoPasses = twoPass_ && report_.FinalPass;
        generator.Run([this](int pageNo) { Progress(pageNo); });
    }

    void Progress(int pageNo) {
        if (report_.OnProgress) {
            report_.OnProgress(pageNo);
            return;
        }
        if (!sink_)
            return;
        std::string label = passLabel_ + kLabelGap + std::to_string(pageNo);
        if (twoPass_ && report_.FinalPass)
            label += " " + std::string(MessageText(kMsgFrom)) + " " +
                     std::to_string(GenerationInfo().TotalPages);
        sink_->SetLabel(label);
        sink_->ProcessEvents();
    }

    TrpReport& report_;
    TrpProgressSink* sink_ = nullptr;
    bool twoPass_ = false;
    std::string passLabel_;
};

void WireHooks(TrpReport& report) {
    EvaluatorOf(report);
    InstallEvaluator(report);
    report.RunObjectScript = [](TrpView& view) {
        EngineInterpretator().RunScript(view.ScriptText);
    };
}

// Objects aligned to the page take their aligned position once, before
// the template is saved, so that every band sees them where they print.
void ApplyBandAlignments(TrpReport& report) {
    for (std::size_t p = 0; p < report.Pages.Count(); ++p) {
        TrpPage& page = *report.Pages[p];
        for (std::size_t i = 0; i < page.Count(); ++i)
            if (TrpView* view = page.Object(i); view && view->BandAlign != kAlignNone)
                view->ApplyBandAlign();
    }
}

} // namespace

bool BuildPages(TrpReport& report) {
    g_lastError.clear();
    TrpCalculationError::Clear();
    TrpGenerationInfo& info = GenerationInfo();
    info = TrpGenerationInfo{};
    info.StartDateTime = StartDateTime();
    Printer().SelectStoredPrinter(report.PrinterName, report.UseDefaultPrinter);
    report.Generating = true;
    ApplyBandAlignments(report);
    // A composite report generates its members; each takes its own hooks.
    auto* composite = dynamic_cast<TrpCompositeReport*>(&report);
    const std::vector<TrpReport*> members =
        composite ? CompositeMembers(*composite) : std::vector<TrpReport*>{};
    for (TrpReport* member : members) {
        ApplyBandAlignments(*member);
        WireHooks(*member);
    }
    EngineState().CurrentReport = &report;
    WireHooks(report);
    if (report.OnBeginDoc)
        report.OnBeginDoc();

    // Scripts may change objects, pages and the dictionary; the saved
    // template puts every change back.
    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    report.SaveToStream(saved);
    TrpMemberTemplates memberTemplates(members);
    const bool twoPass = report.TwoPass;
    bool result = TrpGenerationPasses(report).Run();
    report.TwoPass = twoPass;
    saved.seek(0);
    report.LoadFromStream(saved);
    memberTemplates.Restore();
    // The reload replaced every object the engine state may still name.
    EngineState().CurrentView = nullptr;
    EngineState().CurrentReport = &report;
    for (TrpReport* member : members)
        WireHooks(*member);
    WireHooks(report);

    report.FinalPass = false;
    if (report.OnEndDoc)
        report.OnEndDoc();
    if (TrpCalculationError::Occurred()) {
        g_lastError = TrpCalculationError::Text();
        ShowMessageBox(g_lastError, std::string(MessageText(kMsgErrorCaption)),
                       TrpMessageIcon::Error);
        report.EMFPages().Clear();
        result = false;
    }
    info = TrpGenerationInfo{};
    report.Generating = false;
    return result;
}

void ShowPages(TrpReport& report) {
    EngineState().CurrentReport = &report;
    if (report.EMFPages().Count() == 0)
        return;
    const std::string caption = WithTitle(kMsgPreview, report.Title);
    if (report.Preview) {
        report.Preview->Connect(report);
        return;
    }
    if (TrpPreviewSink* sink = PreviewSink())
        sink->ShowPreview(report, caption);
}

void RunReport(TrpReport& report) {
    BuildPages(report);
    ShowPages(report);
}

const std::string& LastGenerationError() {
    return g_lastError;
}

} // namespace report
